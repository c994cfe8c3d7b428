#pragma once

#include "core/property.h"

#include <functional>

namespace qv {

class TElementMessage;

// The settings node "Log": which kinds of messages the log writes. Fatal errors, missing values and
// invalid content are always written.
class TLogSettings : public TProperty
{
    QV_CLASS(TLogSettings, TProperty)

public:
    explicit TLogSettings(TProperty* parent);

    TBooleanProperty* WriteInformation() const { return FWriteInformation; }
    TBooleanProperty* WriteHints() const { return FWriteHints; }
    TBooleanProperty* WriteWarnings() const { return FWriteWarnings; }

    // Whether a message of that kind passes the settings.
    bool Accepts(uint8_t kind) const;
    // A filter for TElementMessages::SetOnFilter that passes what Accepts; it refers to these
    // settings, which must outlive the list.
    std::function<bool(const TElementMessage& message)> Filter() const;

private:
    TBooleanProperty* FWriteInformation;
    TBooleanProperty* FWriteHints;
    TBooleanProperty* FWriteWarnings;
};

} // namespace qv
