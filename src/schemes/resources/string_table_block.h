#pragma once

#include <QString>

#include <cstdint>
#include <vector>

namespace qv {

class TWinResourceItem;
class TWinResources;

// One string of a string table and its identifier (0 to 65535).
struct TStringTableEntry
{
    int Id = 0;
    QString Text;

    friend bool operator==(const TStringTableEntry& a, const TStringTableEntry& b)
    {
        return a.Id == b.Id && a.Text == b.Text;
    }
};

// String tables are stored as blocks of 16 strings: resources of type 6 whose name is the ordinal
// B = id / 16 + 1, holding the strings of the ids (B - 1) * 16 to (B - 1) * 16 + 15 in order, each a
// 16-bit length and that many UTF-16 code units (length 0 for a missing string).

// Appends to `list` the blocks of one table in `languageId`, in the order in which each block's first
// string appears in `strings`; when an id appears twice the earlier string wins. An id outside 0 to
// 65535 or a string longer than 65535 code units raises EQvError and appends nothing.
void AppendStringTable(TWinResources& list, const std::vector<TStringTableEntry>& strings,
                       uint16_t languageId);

// The non-empty strings of block `blockNumber` (1 to 4096) in id order. False, with nothing appended,
// when the data end inside a string; a block that ends early between two strings lacks the rest.
bool ReadStringTableBlock(const QByteArray& data, int blockNumber, std::vector<TStringTableEntry>& strings);
// The same for a resource of type 6 named by its block number; false for any other resource.
bool ReadStringTableBlock(const TWinResourceItem& item, std::vector<TStringTableEntry>& strings);

} // namespace qv
