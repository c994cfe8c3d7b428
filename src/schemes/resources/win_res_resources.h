#pragma once

#include "schemes/resources/win_resources.h"

namespace qv {

// A resource list read from or written to a RES file: a sequence of entries, each a header (sizes,
// type, name, version fields) and the resource's bytes, little-endian, every part aligned to 4 bytes
// from the start of the file.
class TWinResResources : public TWinResources
{
    QV_CLASS(TWinResResources, TWinResources)

    // Whether the file leaves out the empty 32-byte entry that normally comes first. Loading sets it
    // from the file, so that saving keeps or omits that entry as the file did.
    bool OmitEmptyEntry() const { return FOmitEmptyEntry; }
    void SetOmitEmptyEntry(bool value) { FOmitEmptyEntry = value; }

    // The bytes of the RES file. Text types and names are written in upper case (by the user's
    // locale) and up to their first U+0000, which the format cannot hold inside a name.
    QByteArray SaveToResData() const;
    // Writes the file through WriteFileSafely; on failure the old file is untouched, `error` gets the
    // system's reason and the result is false.
    bool SaveToResFile(const QString& fileName, QString* error = nullptr) const;

    // Replaces the list by the entries of a RES file; entries without data are dropped. A damaged file
    // raises EQvError naming `sourceName` and leaves the list and OmitEmptyEntry as they were. A file
    // that ends exactly between two entries, or inside the padding after the last data, is complete.
    void LoadFromResData(const QByteArray& data, const QString& sourceName);
    // Reads the file and loads it; a file that cannot be read raises EQvError.
    void LoadFromResFile(const QString& fileName);

private:
    bool FOmitEmptyEntry = false;
};

// The whole content of a file, or EQvError ("File not found" or "Can not read file").
QByteArray ReadWholeFile(const QString& fileName);

} // namespace qv
