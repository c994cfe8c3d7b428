#pragma once

#include <QByteArray>
#include <QString>

namespace qv {

// Writes `data` to `fileName` without ever damaging the file that is there: the bytes go to a
// temporary file in the same folder, every write and the flush are checked, and only then is the
// temporary file renamed over the target. On failure the old file is untouched, the temporary file
// is removed, `error` (when given) receives the system's reason and the result is false.
bool WriteFileSafely(const QString& fileName, const QByteArray& data, QString* error = nullptr);

} // namespace qv
