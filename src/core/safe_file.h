#pragma once

#include <QByteArray>
#include <QString>

namespace qv {

// Writes `data` to `fileName` without ever damaging the file that is there:
//  1. the bytes go to a new temporary file "Rplc<n>.tmp" in the target's folder, created
//     exclusively, n being the smallest free number from 1;
//  2. every write, the flush to the disk and the close are checked;
//  3. the temporary file is renamed over the target in one step (a symbolic link is followed, so the
//     file it points to is replaced).
// A read-only target is replaced as well; the new file keeps the target's permissions plus the
// owner's write permission. On failure the old file is untouched, the temporary file is removed,
// `error` (when given) receives the system's reason and the result is false.
bool WriteFileSafely(const QString& fileName, const QByteArray& data, QString* error = nullptr);

// Test seam: from now on, the `n`-th low-level write of WriteFileSafely (counting from 1; data is
// written in pieces of at most 64 KiB) writes half of its bytes and then fails as a full disk would.
// 0 switches the fault off. Thread-safe.
void FailNthFileWriteForTesting(int n);

} // namespace qv
