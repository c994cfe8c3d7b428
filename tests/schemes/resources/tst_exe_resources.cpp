// Resources of executables read from hand-built images: both header kinds, a missing resource
// directory, and every kind of damage a crafted file can carry.

#include "core/errors.h"
#include "schemes/resources/byte_view.h"
#include "schemes/resources/win_exe_resources.h"

#include "support/printers.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

constexpr uint32_t SectionRva = 0x1000;
constexpr int SectionOffset = 0x200;

void PutU32(QByteArray& bytes, int offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = char((value >> (8 * i)) & 0xFF);
}

// A resource section (offsets from its start): the root lists the named type "NAMED" and the type 10;
// "NAMED" has the name "X" in language 0 with "xy", type 10 the name 7 in language 0x409 with "hello".
namespace at {
constexpr int Root = 0, NamedTypeNames = 32, Type10Names = 56, XLanguages = 80, Name7Languages = 104;
constexpr int XData = 128, Name7Data = 144, NamedString = 160, XString = 172, XBytes = 176, HelloBytes = 180;
} // namespace at

QByteArray ResourceSection()
{
    QByteArray s;
    auto directory = [&s](int named, int ids, std::initializer_list<std::pair<uint32_t, uint32_t>> entries) {
        s.append(QByteArray(12, '\0'));
        AppendU16(s, uint16_t(named));
        AppendU16(s, uint16_t(ids));
        for (const auto& [name, target] : entries) {
            AppendU32(s, name);
            AppendU32(s, target);
        }
    };
    const uint32_t dir = 0x80000000, str = 0x80000000;
    directory(1, 1, {{str | at::NamedString, dir | at::NamedTypeNames}, {10, dir | at::Type10Names}});
    directory(1, 0, {{str | at::XString, dir | at::XLanguages}});
    directory(0, 1, {{7, dir | at::Name7Languages}});
    directory(0, 1, {{0, at::XData}});
    directory(0, 1, {{0x409, at::Name7Data}});
    for (auto [offset, size] : {std::pair{at::XBytes, 2}, std::pair{at::HelloBytes, 5}}) {
        AppendU32(s, SectionRva + offset);
        AppendU32(s, uint32_t(size));
        AppendU32(s, 0);
        AppendU32(s, 0);
    }
    AppendU16(s, 5);
    for (char ch : QByteArray("NAMED"))
        AppendU16(s, uint16_t(ch));
    AppendU16(s, 1);
    AppendU16(s, 'X');
    s.append("xy\0\0hello", 9);
    return s;
}

// A PE32 or PE32+ image with one section holding `section` as its resource directory; `directories`
// is the number of data directories the optional header declares.
QByteArray Image(const QByteArray& section, bool plus, uint32_t directories = 16)
{
    QByteArray image(SectionOffset, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    PutU32(image, 0x3C, 64);
    image.replace(64, 4, QByteArray("PE\0\0", 4));
    const int optionalSize = plus ? 240 : 224;
    PutU32(image, 68, plus ? 0x8664 : 0x14C);
    PutU32(image, 70, 1);                      // one section
    PutU32(image, 84, uint32_t(optionalSize)); // and the characteristics word, left 0
    const int optional = 88;
    image[optional] = 0x0B;
    image[optional + 1] = plus ? 0x02 : 0x01;
    const int count = optional + (plus ? 108 : 92);
    PutU32(image, count, directories);
    PutU32(image, count + 4 + 16, SectionRva);
    PutU32(image, count + 4 + 20, uint32_t(section.size()));
    const int table = optional + optionalSize;
    image.replace(table, 8, QByteArray(".rsrc\0\0\0", 8));
    PutU32(image, table + 8, uint32_t(section.size()));
    PutU32(image, table + 12, SectionRva);
    PutU32(image, table + 16, uint32_t((section.size() + 0x1FF) & ~0x1FF));
    PutU32(image, table + 20, SectionOffset);
    image.append(section);
    image.append(QByteArray(int(0x200 - section.size() % 0x200) % 0x200, '\0'));
    return image;
}

void ExpectSample(const TWinExeResources& list)
{
    ASSERT_EQ(list.ItemCount(), 2);
    EXPECT_EQ(list.Item(0)->ResType().Text(), QStringLiteral("NAMED"));
    EXPECT_EQ(list.Item(0)->ResName().Text(), QStringLiteral("X"));
    EXPECT_EQ(list.Item(0)->LanguageId(), 0);
    EXPECT_EQ(list.Item(0)->Data(), QByteArray("xy"));
    EXPECT_TRUE(list.Item(1)->ResType() == TResourceId(uint16_t(rtRCData)));
    EXPECT_TRUE(list.Item(1)->ResName() == TResourceId(uint16_t(7)));
    EXPECT_EQ(list.Item(1)->LanguageId(), 0x409);
    EXPECT_EQ(list.Item(1)->Data(), QByteArray("hello"));
    EXPECT_EQ(list.Item(1)->MemoryFlags(), 0x0030);
}

TEST(ExeResources, ReadsTypesNamesAndLanguagesOfBothHeaderKinds)
{
    for (bool plus : {false, true}) {
        TWinExeResources list;
        list.LoadFromExecutableData(Image(ResourceSection(), plus), QStringLiteral("sample.dll"));
        ExpectSample(list);
    }
}

TEST(ExeResources, NoResourceDirectoryGivesAnEmptyList)
{
    QByteArray noDirectory = Image(ResourceSection(), true);
    PutU32(noDirectory, 88 + 112 + 16, 0);
    for (const QByteArray& image : {Image(ResourceSection(), true, 2), noDirectory}) {
        TWinExeResources list;
        list.AddItem(TResourceId(uint16_t(1)), TResourceId(uint16_t(1)), "old");
        list.LoadFromExecutableData(image, QStringLiteral("plain.exe"));
        EXPECT_EQ(list.ItemCount(), 0);
    }
}

TEST(ExeResources, DamagedImagesRaiseAndKeepTheList)
{
    const int section = SectionOffset;
    struct TRow
    {
        const char* Name;
        int Offset; // into the image; -1 replaces the whole image by Patch
        uint32_t Value;
        const char* Reason;
    };
    const TRow rows[] = {
        {"not an executable", -1, 0, "executable header"},
        {"PE header past the end", 0x3C, 0x7FFFFFF0, "executable header"},
        {"unknown optional header", 88, 0x1234, "executable header"},
        {"resource directory in no section", 88 + 112 + 16, 0x9000, "outside the file"},
        {"huge entry count", section + at::Root + 12, 0xFFFF0000, "outside the file"},
        {"type pointing back to the root", section + at::Root + 28, 0x80000000, "more than once"},
        {"two types sharing a directory", section + at::Root + 28, 0x80000000 | at::NamedTypeNames,
         "more than once"},
        {"language level holding a directory", section + at::Name7Languages + 20, 0x80000000 | at::Root,
         "three levels"},
        {"name level holding data", section + at::Type10Names + 20, at::Name7Data, "three levels"},
        {"named language", section + at::Name7Languages + 16, 0x80000000 | at::XString, "three levels"},
        {"name string offset past the end", section + at::NamedTypeNames + 16, 0xFFFFFFF0,
         "outside the file"},
        {"name string length past the end", section + at::NamedString, 0xFFFF, "outside the file"},
        {"data entry past the end", section + at::Name7Languages + 20, 0x7FFFFFF8, "outside the file"},
        {"data size past the end", section + at::Name7Data + 4, 0xFFFFFFFF, "outside the file"},
        {"data address past the section", section + at::Name7Data, SectionRva + 0x10000, "outside the file"},
        {"wrapping data address", section + at::Name7Data, 0xFFFFFFFE, "outside the file"},
    };
    for (const TRow& row : rows) {
        QByteArray image = Image(ResourceSection(), true);
        if (row.Offset < 0)
            image = "This is a text file, not a program.";
        else
            PutU32(image, row.Offset, row.Value);
        TWinExeResources list;
        list.AddItem(TResourceId(uint16_t(1)), TResourceId(uint16_t(1)), "old");
        try {
            list.LoadFromExecutableData(image, QStringLiteral("bad.exe"));
            ADD_FAILURE() << row.Name << ": no error";
        } catch (const EQvError& error) {
            EXPECT_TRUE(error.Message().contains(QStringLiteral("bad.exe"))) << row.Name;
            EXPECT_TRUE(error.Message().contains(QLatin1String(row.Reason)))
                << row.Name << ": " << error.Message().toStdString();
        }
        EXPECT_EQ(list.ItemCount(), 1) << row.Name;
    }
}

// Many language entries whose data all overlap would make us copy far more than the file holds.
TEST(ExeResources, OverlappingDataBeyondTheFileSizeIsRefused)
{
    QByteArray section = ResourceSection();
    const int entries = 64;
    const int languages = section.size();
    AppendU32(section, 0);
    AppendU32(section, 0);
    AppendU32(section, 0);
    AppendU16(section, 0);
    AppendU16(section, entries);
    const int data = languages + 16 + entries * 8;
    for (int i = 0; i < entries; ++i) {
        AppendU32(section, uint32_t(i));
        AppendU32(section, uint32_t(data + 16 * i));
    }
    const int size = data + 16 * entries;
    for (int i = 0; i < entries; ++i) {
        AppendU32(section, SectionRva);
        AppendU32(section, uint32_t(size - i));
        AppendU32(section, 0);
        AppendU32(section, 0);
    }
    PutU32(section, at::Type10Names + 20, 0x80000000 | uint32_t(languages));
    PutU32(section, at::Name7Languages + 20, at::XData); // keep the old language directory valid
    TWinExeResources list;
    try {
        list.LoadFromExecutableData(Image(section, false), QStringLiteral("overlap.dll"));
        ADD_FAILURE() << "no error";
    } catch (const EQvError& error) {
        EXPECT_TRUE(error.Message().contains(QStringLiteral("more bytes"))) << error.Message().toStdString();
    }
}

TEST(ExeResources, TruncatedImagesRaiseOrGiveTheResources)
{
    const QByteArray image = Image(ResourceSection(), true);
    for (int length = 0; length < image.size(); ++length) {
        TWinExeResources list;
        try {
            list.LoadFromExecutableData(image.left(length), QStringLiteral("cut.dll"));
        } catch (const EQvError&) {
            continue;
        }
        // Only the zero padding after the section's last byte may go.
        EXPECT_GE(length, SectionOffset + at::HelloBytes + 5);
        ExpectSample(list);
    }
}

} // namespace
} // namespace qv
