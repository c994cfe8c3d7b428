#include "schemes/resources/string_table_block.h"

#include "core/errors.h"
#include "schemes/resources/byte_view.h"
#include "schemes/resources/win_resources.h"

#include <map>

namespace qv {

namespace {

constexpr int StringsPerBlock = 16;
constexpr int MaxStringId = 0xFFFF;
constexpr int MaxStringLength = 0xFFFF;

} // namespace

void AppendStringTable(TWinResources& list, const std::vector<TStringTableEntry>& strings,
                       uint16_t languageId)
{
    // Blocks in the order of their first string; within a block the first string of an id wins.
    std::vector<int> blockOrder;
    std::map<int, std::map<int, const QString*>> blocks;
    for (const TStringTableEntry& entry : strings) {
        if (entry.Id < 0 || entry.Id > MaxStringId)
            RaiseStr(5806, {QString::number(entry.Id)});
        if (entry.Text.size() > MaxStringLength)
            RaiseStr(5807, {QString::number(entry.Id), QString::number(entry.Text.size())});
        const int block = entry.Id / StringsPerBlock + 1;
        auto found = blocks.find(block);
        if (found == blocks.end()) {
            blockOrder.push_back(block);
            found = blocks.emplace(block, std::map<int, const QString*>()).first;
        }
        found->second.emplace(entry.Id, &entry.Text);
    }
    for (int block : blockOrder) {
        const auto& texts = blocks[block];
        QByteArray data;
        for (int id = (block - 1) * StringsPerBlock; id < block * StringsPerBlock; ++id) {
            const auto found = texts.find(id);
            const QString text = found != texts.end() ? *found->second : QString();
            AppendU16(data, uint16_t(text.size()));
            for (QChar ch : text)
                AppendU16(data, ch.unicode());
        }
        list.AddItem(TResourceId(uint16_t(rtString)), TResourceId(uint16_t(block)), data, languageId);
    }
}

bool ReadStringTableBlock(const QByteArray& data, int blockNumber, std::vector<TStringTableEntry>& strings)
{
    if (blockNumber < 1 || blockNumber > MaxStringId / StringsPerBlock + 1)
        return false;
    const TByteView view(data);
    std::vector<TStringTableEntry> found;
    int64_t pos = 0;
    for (int i = 0; i < StringsPerBlock && pos < view.Size(); ++i) {
        uint16_t length = 0;
        if (!view.ReadU16(pos, length) || !view.Contains(pos + 2, int64_t(length) * 2))
            return false;
        pos += 2;
        if (length == 0)
            continue;
        QString text(length, Qt::Uninitialized);
        for (int k = 0; k < length; ++k, pos += 2) {
            uint16_t unit = 0;
            view.ReadU16(pos, unit);
            text[k] = QChar(unit);
        }
        found.push_back({(blockNumber - 1) * StringsPerBlock + i, text});
    }
    strings.insert(strings.end(), found.begin(), found.end());
    return true;
}

bool ReadStringTableBlock(const TWinResourceItem& item, std::vector<TStringTableEntry>& strings)
{
    if (!(item.ResType() == TResourceId(uint16_t(rtString))) || !item.ResName().IsOrdinal())
        return false;
    return ReadStringTableBlock(item.Data(), item.ResName().Ordinal(), strings);
}

} // namespace qv
