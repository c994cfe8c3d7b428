// RES files byte for byte, their damaged forms, and string-table blocks.

#include "core/errors.h"
#include "schemes/resources/string_table_block.h"
#include "schemes/resources/win_res_resources.h"

#include "support/printers.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace qv {

inline void PrintTo(const TStringTableEntry& entry, std::ostream* os)
{
    *os << entry.Id << ":\"" << entry.Text.toStdString() << '"';
}

namespace {

const QByteArray EmptyEntry = QByteArray::fromHex("00000000 20000000 ffff0000 ffff0000"
                                                  "00000000 0000 0000 00000000 00000000");

// An ordinal resource with one byte of data padding, and a named one whose header needs two bytes
// of padding (names upper-cased) and whose data needs three.
const QByteArray SmallEntries =
    QByteArray::fromHex("03000000 20000000 ffff0a00 ffff0100 00000000 3000 0904 00000000 00000000 61626300"
                        "05000000 24000000 54005900 0000 5800 0000 0000 07000000 1000 0000 08000000 09000000"
                        "68656c6c6f 000000");

void FillSmall(TWinResResources& list)
{
    list.AddItem(TResourceId(uint16_t(rtRCData)), TResourceId(uint16_t(1)), "abc", 0x0409);
    TWinResourceItem* named =
        list.AddItem(TResourceId(QStringLiteral("ty")), TResourceId(QStringLiteral("x")), "hello");
    named->SetDataVersion(7);
    named->SetMemoryFlags(0x10);
    named->SetVersion(8);
    named->SetCharacteristics(9);
}

TEST(ResFile, SavesGoldenBytesWithAndWithoutTheEmptyEntry)
{
    for (bool omit : {false, true}) {
        TWinResResources list;
        FillSmall(list);
        list.SetOmitEmptyEntry(omit);
        EXPECT_EQ(list.SaveToResData(), omit ? SmallEntries : EmptyEntry + SmallEntries) << omit;
    }
}

TEST(ResFile, LoadKeepsFieldsAndWhetherTheEmptyEntryWasThere)
{
    for (bool omit : {false, true}) {
        const QByteArray bytes = omit ? SmallEntries : EmptyEntry + SmallEntries;
        TWinResResources list;
        list.SetOmitEmptyEntry(!omit);
        list.LoadFromResData(bytes, QStringLiteral("small.res"));
        EXPECT_EQ(list.OmitEmptyEntry(), omit);
        ASSERT_EQ(list.ItemCount(), 2);
        const TWinResourceItem* named = list.Item(1);
        EXPECT_TRUE(list.Item(0)->ResName() == TResourceId(uint16_t(1)));
        EXPECT_EQ(list.Item(0)->LanguageId(), 0x0409);
        EXPECT_EQ(named->ResType().Text(), QStringLiteral("TY"));
        EXPECT_EQ(named->ResName().Text(), QStringLiteral("X"));
        EXPECT_EQ(named->DataVersion(), 7u);
        EXPECT_EQ(named->MemoryFlags(), 0x10);
        EXPECT_EQ(named->Version(), 8u);
        EXPECT_EQ(named->Characteristics(), 9u);
        EXPECT_EQ(named->Data(), QByteArray("hello"));
        EXPECT_EQ(list.SaveToResData(), bytes);
    }
}

TEST(ResFile, HeaderAndDataPaddingForEveryLength)
{
    // Name lengths 0 to 3 code units give header padding 2, 0, 2, 0; data lengths 1 to 4 give 3 to 0.
    for (int nameLength = 0; nameLength < 4; ++nameLength) {
        for (int dataLength = 1; dataLength <= 4; ++dataLength) {
            TWinResResources list;
            list.SetOmitEmptyEntry(true);
            list.AddItem(TResourceId(uint16_t(5)), TResourceId(QString(nameLength, QLatin1Char('N'))),
                         QByteArray(dataLength, 'd'));
            list.AddItem(TResourceId(uint16_t(5)), TResourceId(uint16_t(2)), "z");
            const QByteArray bytes = list.SaveToResData();
            const int header = (8 + 4 + 2 * (nameLength + 1) + 3) / 4 * 4 + 16;
            EXPECT_EQ(bytes.mid(4, 4),
                      QByteArray::fromHex(QByteArray::number(header, 16).rightJustified(2, '0')) +
                          QByteArray(3, '\0'));
            EXPECT_EQ(bytes.size(), header + (dataLength + 3) / 4 * 4 + 32 + 4);
            TWinResResources loaded;
            loaded.LoadFromResData(bytes, QStringLiteral("padding.res"));
            ASSERT_EQ(loaded.ItemCount(), 2);
            EXPECT_EQ(loaded.Item(1)->Data(), QByteArray("z"));
            EXPECT_EQ(loaded.SaveToResData(), bytes);
        }
    }
}

TEST(ResFile, NamesAreCutAtZeroAndEntriesWithoutDataAreDropped)
{
    TWinResResources list;
    list.AddItem(TResourceId(QStringLiteral("ab") + QChar(0) + QStringLiteral("cd")),
                 TResourceId(uint16_t(1)), "x");
    list.AddItem(TResourceId(uint16_t(10)), TResourceId(uint16_t(2)), QByteArray());
    list.AddItem(TResourceId(uint16_t(10)), TResourceId(uint16_t(3)), "y");
    TWinResResources loaded;
    loaded.LoadFromResData(list.SaveToResData(), QStringLiteral("x.res"));
    ASSERT_EQ(loaded.ItemCount(), 2);
    EXPECT_EQ(loaded.Item(0)->ResType().Text(), QStringLiteral("AB"));
    EXPECT_TRUE(loaded.Item(1)->ResName() == TResourceId(uint16_t(3)));
}

TEST(ResFile, FileRoundTripThroughSafeWrite)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("out.res"));
    TWinResResources list;
    FillSmall(list);
    ASSERT_TRUE(list.SaveToResFile(path));
    TWinResResources loaded;
    loaded.LoadFromResFile(path);
    EXPECT_EQ(loaded.SaveToResData(), EmptyEntry + SmallEntries);
    EXPECT_THROW(loaded.LoadFromResFile(dir.filePath(QStringLiteral("missing.res"))), EQvError);
    EXPECT_FALSE(list.SaveToResFile(dir.filePath(QStringLiteral("no/such/folder.res"))));
}

// Every shorter file either raises or gives the entries that are complete in it, and a failed load
// leaves the list alone.
TEST(ResFile, TruncatedFilesRaiseOrGiveCompleteEntries)
{
    const QByteArray full = EmptyEntry + SmallEntries;
    int errors = 0;
    for (int length = 0; length < full.size(); ++length) {
        TWinResResources list;
        list.AddItem(TResourceId(uint16_t(1)), TResourceId(uint16_t(1)), "keep");
        try {
            list.LoadFromResData(full.left(length), QStringLiteral("cut.res"));
        } catch (const EQvError& error) {
            ++errors;
            EXPECT_TRUE(error.Message().contains(QStringLiteral("cut.res"))) << error.Message().toStdString();
            ASSERT_EQ(list.ItemCount(), 1);
            EXPECT_EQ(list.Item(0)->Data(), QByteArray("keep"));
            continue;
        }
        // Complete cuts: before/after the empty entry, after the first entry, inside the last padding.
        const int expected = length < 67 ? 0 : length < 109 ? 1 : 2;
        EXPECT_EQ(list.ItemCount(), expected) << length;
    }
    EXPECT_EQ(errors, full.size() - 7); // lengths 0, 32, 67, 68, 109, 110 and 111 are complete
}

TEST(ResFile, DamagedHeadersRaise)
{
    struct TRow
    {
        const char* Name;
        int Offset;
        QByteArray Patch;
    };
    const TRow rows[] = {
        {"header size smaller than the header", 36, QByteArray::fromHex("10000000")},
        {"data size past the end", 32, QByteArray::fromHex("f0ffffff")},
        {"header size past the end", 36, QByteArray::fromHex("ffffff7f")},
        {"unterminated name", 72 + 8, QByteArray(60, 'A')},
    };
    for (const TRow& row : rows) {
        QByteArray bytes = EmptyEntry + SmallEntries;
        bytes.replace(row.Offset, row.Patch.size(), row.Patch);
        TWinResResources list;
        EXPECT_THROW(list.LoadFromResData(bytes, QStringLiteral("bad.res")), EQvError) << row.Name;
    }
}

// ---- string-table blocks

std::vector<TStringTableEntry> ReadAll(const TWinResources& list)
{
    std::vector<TStringTableEntry> strings;
    for (const TWinResourceItem* item : list.Items())
        EXPECT_TRUE(ReadStringTableBlock(*item, strings));
    return strings;
}

TEST(StringTableBlock, BlocksFollowTheFirstStringOfEachBlock)
{
    TWinResResources list;
    AppendStringTable(list,
                      {{16, QStringLiteral("sixteen")},
                       {15, QStringLiteral("fifteen")},
                       {17, QStringLiteral("Grüße")},
                       {16, QStringLiteral("later duplicate")},
                       {0, QString()}},
                      0x0407);
    ASSERT_EQ(list.ItemCount(), 2);
    EXPECT_TRUE(list.Item(0)->ResName() == TResourceId(uint16_t(2)));
    EXPECT_TRUE(list.Item(1)->ResName() == TResourceId(uint16_t(1)));
    EXPECT_EQ(list.Item(0)->LanguageId(), 0x0407);
    // Block 2: "sixteen" (2 + 14 bytes), "Grüße" (2 + 10), fourteen empty strings.
    EXPECT_EQ(list.Item(0)->Data().size(), 16 + 12 + 14 * 2);
    EXPECT_EQ(list.Item(0)->Data().left(4), QByteArray::fromHex("07007300"));
    const std::vector<TStringTableEntry> expected = {
        {16, QStringLiteral("sixteen")}, {17, QStringLiteral("Grüße")}, {15, QStringLiteral("fifteen")}};
    EXPECT_EQ(ReadAll(list), expected);
}

TEST(StringTableBlock, RefusesWhatTheFormatCannotHold)
{
    TWinResResources list;
    EXPECT_THROW(AppendStringTable(list, {{1, QStringLiteral("a")}, {65536, QStringLiteral("b")}}, 0),
                 EQvError);
    EXPECT_THROW(AppendStringTable(list, {{-1, QStringLiteral("a")}}, 0), EQvError);
    EXPECT_THROW(AppendStringTable(list, {{3, QString(65536, QLatin1Char('x'))}}, 0), EQvError);
    EXPECT_EQ(list.ItemCount(), 0);
    AppendStringTable(list, {{65535, QString(65535, QLatin1Char('x'))}}, 0);
    ASSERT_EQ(list.ItemCount(), 1);
    EXPECT_TRUE(list.Item(0)->ResName() == TResourceId(uint16_t(4096)));
    EXPECT_EQ(ReadAll(list).at(0).Text.size(), 65535);
}

TEST(StringTableBlock, BlocksEndingInsideAStringAreIgnored)
{
    const QByteArray block = QByteArray::fromHex("0200 6100 6200 0000 0100 7a00");
    std::vector<TStringTableEntry> strings;
    EXPECT_TRUE(ReadStringTableBlock(block, 3, strings));
    const std::vector<TStringTableEntry> expected = {{32, QStringLiteral("ab")}, {34, QStringLiteral("z")}};
    EXPECT_EQ(strings, expected);
    for (int length = 1; length < block.size(); ++length) {
        std::vector<TStringTableEntry> part;
        const bool complete = length == 6 || length == 8;
        EXPECT_EQ(ReadStringTableBlock(block.left(length), 3, part), complete) << length;
    }
    EXPECT_FALSE(ReadStringTableBlock(block, 0, strings));
}

} // namespace
} // namespace qv
