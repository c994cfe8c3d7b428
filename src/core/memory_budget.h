#pragma once

#include <QString>
#include <QtGlobal>

namespace qv {

// What a file about to be loaded or imported may take in memory, so that a huge or hostile file is
// refused with a message instead of exhausting the machine.
//
// The budget is the physical memory the system reports as available (MemAvailable), or the
// QV_MEMORY_LIMIT_MB environment variable when it is set and smaller (a cap for shared machines and
// tests). Documents are estimated from what they hold, with the measured costs below (64-bit, the
// release build): those are what the model takes for one element of the tree, not what its text
// takes on disk.
class TMemoryBudget
{
public:
    // Bytes the elements made from one knot of a document take (a node, a part, a run of text).
    static constexpr qint64 BytesPerKnot = 1024;
    // Bytes one knot of a document takes while its file is being read, per byte of the file.
    static constexpr qint64 KnotBytesPerFileByte = 8;

    // The budget in bytes when the object is made; 0 when it could not be found (nothing is refused).
    TMemoryBudget();

    qint64 Bytes() const { return FBytes; }
    // True when `bytes` more would not fit.
    bool Exceeded(qint64 bytes) const { return FBytes > 0 && bytes > FBytes; }

    // Raises EQvError naming the file, its size, `need` and the budget when the `need` bytes that the
    // file's document takes would not fit.
    void CheckFile(const QString& fileName, qint64 need) const;

    // "17.6 kB", "12.3 MB": a size for messages (units of 1024).
    static QString FormatSize(qint64 bytes);

private:
    qint64 FBytes = 0;
};

} // namespace qv
