#include "schemes/resources/win_exe_resources.h"

#include "core/errors.h"
#include "core/strings.h"
#include "schemes/resources/byte_view.h"
#include "schemes/resources/win_res_resources.h"

#include <map>
#include <set>

namespace qv {

QV_IMPLEMENT_CLASS(TWinExeResources)

namespace {

constexpr uint32_t PeSignature = 0x00004550; // "PE\0\0"
constexpr uint16_t MagicPe32 = 0x010B;
constexpr uint16_t MagicPe32Plus = 0x020B;
constexpr uint32_t ResourceDirectoryIndex = 2;
constexpr uint32_t HighBit = 0x80000000;
constexpr int LanguageLevel = 2; // levels: 0 types, 1 names, 2 languages

struct TSection
{
    uint32_t VirtualAddress = 0;
    uint32_t Size = 0; // bytes of the section that come from the file
    uint32_t RawOffset = 0;
};

// Reads the resource directory of one PE image held in memory.
class TPeResourceReader
{
public:
    TPeResourceReader(const QByteArray& data, const QString& sourceName)
        : FView(data), FSourceName(sourceName)
    {}

    // The items in directory order; an empty list when the image has no resource directory.
    std::vector<TNodePtr<TWinResourceItem>> Read()
    {
        uint32_t rva = 0, size = 0;
        if (!ReadHeaders(rva, size))
            return {};
        int64_t limit = 0;
        if (!MapRva(rva, 0, FBase, limit))
            Fail(QV_STR(5801), rva);
        FLimit = limit;
        ReadDirectory(0, 0, TResourceId(), TResourceId());
        return std::move(FItems);
    }

private:
    [[noreturn]] void Fail(int reasonId, int64_t offset) const
    {
        RaiseStr(5797, {FSourceName, LoadStr(reasonId, {QString::number(offset)})});
    }

    // Finds the resource data directory; false when the image has none.
    bool ReadHeaders(uint32_t& rva, uint32_t& size)
    {
        uint16_t mz = 0;
        uint32_t peOffset = 0, signature = 0;
        if (!FView.ReadU16(0, mz) || mz != 0x5A4D || !FView.ReadU32(0x3C, peOffset) ||
            !FView.ReadU32(peOffset, signature) || signature != PeSignature)
            Fail(QV_STR(5800), 0);
        const int64_t coff = int64_t(peOffset) + 4;
        uint16_t sectionCount = 0, optionalSize = 0, magic = 0;
        if (!FView.ReadU16(coff + 2, sectionCount) || !FView.ReadU16(coff + 16, optionalSize))
            Fail(QV_STR(5800), 0);
        const int64_t optional = coff + 20;
        if (optionalSize < 2 || !FView.ReadU16(optional, magic) ||
            (magic != MagicPe32 && magic != MagicPe32Plus))
            Fail(QV_STR(5800), 0);
        const int64_t countOffset = magic == MagicPe32 ? 92 : 108;
        uint32_t directoryCount = 0;
        if (countOffset + 4 > optionalSize || !FView.ReadU32(optional + countOffset, directoryCount))
            Fail(QV_STR(5800), 0);
        const int64_t sectionTable = optional + optionalSize;
        for (int i = 0; i < sectionCount; ++i) {
            const int64_t entry = sectionTable + int64_t(i) * 40;
            uint32_t virtualSize = 0;
            TSection section;
            if (!FView.ReadU32(entry + 8, virtualSize) ||
                !FView.ReadU32(entry + 12, section.VirtualAddress) ||
                !FView.ReadU32(entry + 16, section.Size) || !FView.ReadU32(entry + 20, section.RawOffset))
                Fail(QV_STR(5800), 0);
            // Bytes past the virtual size are not part of the loaded section.
            if (virtualSize != 0 && virtualSize < section.Size)
                section.Size = virtualSize;
            FSections.push_back(section);
        }
        if (directoryCount <= ResourceDirectoryIndex)
            return false;
        const int64_t directory = countOffset + 4 + ResourceDirectoryIndex * 8;
        if (directory + 8 > optionalSize || !FView.ReadU32(optional + directory, rva) ||
            !FView.ReadU32(optional + directory + 4, size))
            Fail(QV_STR(5800), 0);
        return rva != 0 && size != 0;
    }

    // The file offset of `size` bytes at `rva` and the end of the file-backed part of their section;
    // false when no section holds them or they are not all in the file.
    bool MapRva(uint32_t rva, uint32_t size, int64_t& offset, int64_t& limit) const
    {
        for (const TSection& section : FSections) {
            const int64_t start = section.VirtualAddress;
            const int64_t end = start + section.Size;
            if (rva < start || int64_t(rva) + size > end || (size == 0 && rva >= end))
                continue;
            offset = int64_t(section.RawOffset) + (rva - start);
            limit = std::min<int64_t>(int64_t(section.RawOffset) + section.Size, FView.Size());
            return offset + size <= limit;
        }
        return false;
    }

    // Checks that `count` bytes at `relative` (from the start of the resource directory) are inside
    // its section and the file, and gives their file offset.
    int64_t Checked(int64_t relative, int64_t count) const
    {
        const int64_t offset = FBase + relative;
        if (offset < FBase || offset > FLimit || count > FLimit - offset)
            Fail(QV_STR(5801), offset);
        return offset;
    }

    TResourceId ReadId(uint32_t field) const
    {
        if ((field & HighBit) == 0)
            return TResourceId(uint16_t(field & 0xFFFF));
        uint16_t length = 0;
        const int64_t offset = Checked(field & ~HighBit, 2);
        FView.ReadU16(offset, length);
        Checked(int64_t(field & ~HighBit) + 2, int64_t(length) * 2);
        QString text(length, Qt::Uninitialized);
        for (int i = 0; i < length; ++i) {
            uint16_t unit = 0;
            FView.ReadU16(offset + 2 + 2 * i, unit);
            text[i] = QChar(unit);
        }
        return TResourceId(text);
    }

    // Directories nest exactly three deep, so the recursion is bounded by the level; a directory met a
    // second time (a loop, or two parents sharing it) is refused before anything is read twice.
    void ReadDirectory(uint32_t relative, int level, const TResourceId& type, const TResourceId& name)
    {
        if (!FVisited.insert(relative).second)
            Fail(QV_STR(5802), FBase + relative);
        const int64_t header = Checked(relative, 16);
        uint16_t namedCount = 0, idCount = 0;
        FView.ReadU16(header + 12, namedCount);
        FView.ReadU16(header + 14, idCount);
        const int count = namedCount + idCount;
        const int64_t entries = Checked(int64_t(relative) + 16, int64_t(count) * 8);
        for (int i = 0; i < count; ++i) {
            uint32_t nameField = 0, target = 0;
            FView.ReadU32(entries + i * 8, nameField);
            FView.ReadU32(entries + i * 8 + 4, target);
            const bool isDirectory = (target & HighBit) != 0;
            if (isDirectory != (level < LanguageLevel) ||
                (level == LanguageLevel && (nameField & HighBit) != 0))
                Fail(QV_STR(5803), header);
            const TResourceId id = ReadId(nameField);
            if (level == 0)
                ReadDirectory(target & ~HighBit, 1, id, TResourceId());
            else if (level == 1)
                ReadDirectory(target & ~HighBit, 2, type, id);
            else
                ReadData(target, type, name, id.Ordinal());
        }
    }

    void ReadData(uint32_t relative, const TResourceId& type, const TResourceId& name, uint16_t language)
    {
        const int64_t entry = Checked(relative, 16);
        uint32_t rva = 0, size = 0;
        FView.ReadU32(entry, rva);
        FView.ReadU32(entry + 4, size);
        QByteArray& bytes = FData[{rva, size}];
        if (bytes.size() != qsizetype(size)) {
            int64_t offset = 0, limit = 0;
            if (!MapRva(rva, size, offset, limit))
                Fail(QV_STR(5801), entry);
            // Distinct resources never share bytes in a sound file; this also bounds the memory
            // that overlapping entries of a crafted file could make us copy.
            FTotalBytes += size;
            if (FTotalBytes > FView.Size())
                Fail(QV_STR(5804), entry);
            FView.ReadBytes(offset, size, bytes);
        }
        TNodePtr<TWinResourceItem> item(new TWinResourceItem());
        item->SetResType(type);
        item->SetResName(name);
        item->SetLanguageId(language);
        item->SetData(bytes);
        FItems.push_back(std::move(item));
    }

    const TByteView FView;
    const QString& FSourceName;
    std::vector<TSection> FSections;
    int64_t FBase = 0;  // file offset of the resource directory
    int64_t FLimit = 0; // end of the file-backed part of its section
    std::set<uint32_t> FVisited;
    std::map<std::pair<uint32_t, uint32_t>, QByteArray> FData; // by (RVA, size), shared between items
    int64_t FTotalBytes = 0;
    std::vector<TNodePtr<TWinResourceItem>> FItems;
};

} // namespace

void TWinExeResources::LoadFromExecutableData(const QByteArray& data, const QString& sourceName)
{
    std::vector<TNodePtr<TWinResourceItem>> items = TPeResourceReader(data, sourceName).Read();
    Clear();
    for (auto& item : items)
        item.release()->SetParent(this);
}

void TWinExeResources::LoadFromExecutable(const QString& fileName)
{
    LoadFromExecutableData(ReadWholeFile(fileName), fileName);
}

} // namespace qv
