#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <optional>
#include <utility>
#include <vector>

namespace qv {

// Sets environment variables for a scope and puts the old values back.
class TScopedEnvironment
{
public:
    TScopedEnvironment() = default;
    TScopedEnvironment(const TScopedEnvironment&) = delete;
    TScopedEnvironment& operator=(const TScopedEnvironment&) = delete;

    // `value` null: unset.
    void Set(const char* name, const char* value)
    {
        FSaved.push_back({name, qEnvironmentVariableIsSet(name) ? std::optional<QByteArray>(qgetenv(name))
                                                                : std::nullopt});
        if (value != nullptr)
            qputenv(name, value);
        else
            qunsetenv(name);
    }
    ~TScopedEnvironment()
    {
        for (auto it = FSaved.rbegin(); it != FSaved.rend(); ++it) {
            if (it->second)
                qputenv(it->first, *it->second);
            else
                qunsetenv(it->first);
        }
    }

private:
    std::vector<std::pair<const char*, std::optional<QByteArray>>> FSaved;
};

} // namespace qv
