#include "schemes/resources/win_res_resources.h"

#include "core/errors.h"
#include "core/safe_file.h"
#include "core/strings.h"
#include "schemes/resources/byte_view.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>

namespace qv {

QV_IMPLEMENT_CLASS(TWinResResources)

namespace {

constexpr uint16_t OrdinalMark = 0xFFFF;

void AppendId(QByteArray& out, const TResourceId& id)
{
    if (id.IsOrdinal()) {
        AppendU16(out, OrdinalMark);
        AppendU16(out, id.Ordinal());
        return;
    }
    QString text = QLocale().toUpper(id.Text());
    const qsizetype end = text.indexOf(QChar(0));
    if (end >= 0)
        text.truncate(end);
    for (QChar ch : std::as_const(text))
        AppendU16(out, ch.unicode());
    AppendU16(out, 0);
}

void AppendEntry(QByteArray& out, const TResourceId& type, const TResourceId& name, uint32_t dataVersion,
                 uint16_t memoryFlags, uint16_t languageId, uint32_t version, uint32_t characteristics,
                 const QByteArray& data)
{
    const qsizetype start = out.size();
    AppendU32(out, uint32_t(data.size()));
    AppendU32(out, 0); // the header size, known at the end of the header
    AppendId(out, type);
    AppendId(out, name);
    PadTo4(out);
    AppendU32(out, dataVersion);
    AppendU16(out, memoryFlags);
    AppendU16(out, languageId);
    AppendU32(out, version);
    AppendU32(out, characteristics);
    const uint32_t headerSize = uint32_t(out.size() - start);
    for (int i = 0; i < 4; ++i)
        out[start + 4 + i] = char((headerSize >> (8 * i)) & 0xFF);
    out.append(data);
    PadTo4(out);
}

[[noreturn]] void RaiseDamaged(const QString& sourceName, int reasonId, int64_t offset)
{
    RaiseStr(5796, {sourceName, LoadStr(reasonId, {QString::number(offset)})});
}

// Reads a type or name at `pos` and moves past it.
TResourceId ReadId(const TByteView& view, int64_t& pos, const QString& sourceName, int64_t entryStart)
{
    uint16_t first = 0;
    if (!view.ReadU16(pos, first))
        RaiseDamaged(sourceName, QV_STR(5798), entryStart);
    if (first == OrdinalMark) {
        uint16_t ordinal = 0;
        if (!view.ReadU16(pos + 2, ordinal))
            RaiseDamaged(sourceName, QV_STR(5798), entryStart);
        pos += 4;
        return TResourceId(ordinal);
    }
    QString text;
    for (uint16_t unit = first; unit != 0;) {
        text.append(QChar(unit));
        pos += 2;
        if (!view.ReadU16(pos, unit))
            RaiseDamaged(sourceName, QV_STR(5798), entryStart);
    }
    pos += 2;
    return TResourceId(text);
}

int64_t AlignTo4(int64_t pos)
{
    return (pos + 3) & ~int64_t(3);
}

} // namespace

QByteArray TWinResResources::SaveToResData() const
{
    QByteArray out;
    if (!FOmitEmptyEntry)
        AppendEntry(out, TResourceId(), TResourceId(), 0, 0, 0, 0, 0, QByteArray());
    for (const TWinResourceItem* item : Items())
        AppendEntry(out, item->ResType(), item->ResName(), item->DataVersion(), item->MemoryFlags(),
                    item->LanguageId(), item->Version(), item->Characteristics(), item->Data());
    return out;
}

bool TWinResResources::SaveToResFile(const QString& fileName, QString* error) const
{
    return WriteFileSafely(fileName, SaveToResData(), error);
}

void TWinResResources::LoadFromResData(const QByteArray& data, const QString& sourceName)
{
    const TByteView view(data);
    std::vector<TNodePtr<TWinResourceItem>> items;
    bool omitEmptyEntry = true;
    int64_t pos = 0;
    for (bool first = true; pos < view.Size(); first = false) {
        const int64_t entryStart = pos;
        uint32_t dataSize = 0;
        uint32_t headerSize = 0;
        if (!view.ReadU32(pos, dataSize) || !view.ReadU32(pos + 4, headerSize))
            RaiseDamaged(sourceName, QV_STR(5798), entryStart);
        pos += 8;
        const TResourceId type = ReadId(view, pos, sourceName, entryStart);
        const TResourceId name = ReadId(view, pos, sourceName, entryStart);
        pos = AlignTo4(pos);
        uint32_t dataVersion = 0, version = 0, characteristics = 0;
        uint16_t memoryFlags = 0, languageId = 0;
        if (!view.ReadU32(pos, dataVersion) || !view.ReadU16(pos + 4, memoryFlags) ||
            !view.ReadU16(pos + 6, languageId) || !view.ReadU32(pos + 8, version) ||
            !view.ReadU32(pos + 12, characteristics))
            RaiseDamaged(sourceName, QV_STR(5798), entryStart);
        pos += 16;
        // The header size counts what was just read; a larger one leaves room the reader skips.
        if (int64_t(headerSize) < pos - entryStart)
            RaiseDamaged(sourceName, QV_STR(5799), entryStart);
        pos = entryStart + int64_t(headerSize);
        QByteArray bytes;
        if (!view.ReadBytes(pos, dataSize, bytes))
            RaiseDamaged(sourceName, QV_STR(5798), entryStart);
        pos = AlignTo4(pos + dataSize);
        if (first && dataSize == 0)
            omitEmptyEntry = false;
        if (dataSize == 0)
            continue;
        TNodePtr<TWinResourceItem> item(new TWinResourceItem());
        item->SetResType(type);
        item->SetResName(name);
        item->SetDataVersion(dataVersion);
        item->SetMemoryFlags(memoryFlags);
        item->SetLanguageId(languageId);
        item->SetVersion(version);
        item->SetCharacteristics(characteristics);
        item->SetData(bytes);
        items.push_back(std::move(item));
    }
    Clear();
    for (auto& item : items)
        item.release()->SetParent(this);
    FOmitEmptyEntry = omitEmptyEntry;
}

void TWinResResources::LoadFromResFile(const QString& fileName)
{
    LoadFromResData(ReadWholeFile(fileName), fileName);
}

QByteArray ReadWholeFile(const QString& fileName)
{
    QFile file(fileName);
    if (!QFileInfo::exists(fileName))
        RaiseStr(2077, {fileName});
    if (!file.open(QIODevice::ReadOnly))
        RaiseStr(5805, {fileName});
    QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        RaiseStr(5805, {fileName});
    return data;
}

} // namespace qv
