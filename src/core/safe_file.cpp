#include "core/safe_file.h"

#include <QSaveFile>

namespace qv {

bool WriteFileSafely(const QString& fileName, const QByteArray& data, QString* error)
{
    QSaveFile file(fileName);
    // Keep the target's permissions; QSaveFile does so but also refuses to write through a
    // read-only folder, which is the reason then reported.
    auto fail = [&](const QString& reason) {
        file.cancelWriting();
        if (error != nullptr)
            *error = reason;
        return false;
    };
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    // QSaveFile can report success after a short write on a full disk: check every step ourselves.
    if (file.write(data) != data.size())
        return fail(file.errorString());
    if (!file.flush())
        return fail(file.errorString());
    if (file.error() != QFileDevice::NoError)
        return fail(file.errorString());
    if (!file.commit()) {
        if (error != nullptr)
            *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace qv
