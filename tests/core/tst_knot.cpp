#include "core/knot.h"

#include "core/errors.h"

#include "support/printers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace qv {
namespace {

QString S(const char* text)
{
    return QString::fromUtf8(text);
}

// A loaded tree whose read marks are all clear:
// root(a=1, b=2) { x(p=1) { y }, z, x(q=2) }
class KnotTree : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FRoot.LoadFromText(S("<root a=1 b=2><x p=1><y/></x><z/><x q=2/></root>")));
    }

    TKnot FRoot;
};

TEST_F(KnotTree, NavigationMarksTheKnotsItReturns)
{
    TKnot* x = FRoot.FindKnot(S("x"));
    ASSERT_NE(x, nullptr);
    EXPECT_TRUE(x->Read());
    EXPECT_EQ(FRoot.FindKnot(S("X")), nullptr); // case matters
    TKnot* second = x->FindNextKnot(S("x"));
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->ReadString(S("q")), S("2"));
    EXPECT_EQ(second->FindNextKnot(S("x")), nullptr);

    TKnot* z = FRoot.FirstKnot()->NextKnot();
    EXPECT_EQ(z->Name(), S("z"));
    EXPECT_TRUE(z->Read());
    EXPECT_EQ(z->PrevKnot(), x);
    EXPECT_EQ(FRoot.LastKnot(), second);

    TKnot* y = x->FirstKnot();
    ASSERT_NE(y, nullptr);
    x->SetRead(false);
    EXPECT_EQ(y->ParentKnot(), x);
    EXPECT_TRUE(x->Read());
    EXPECT_EQ(FRoot.ParentKnot(), nullptr);
}

TEST_F(KnotTree, KnotByPathFindsOrCreates)
{
    EXPECT_EQ(FRoot.KnotByPath(S("x.y"), false), FRoot.FirstKnot()->FirstKnot());
    EXPECT_EQ(FRoot.KnotByPath(S(""), false), &FRoot);
    EXPECT_EQ(FRoot.KnotByPath(S("x.w.v"), false), nullptr);
    EXPECT_EQ(FRoot.FirstKnot()->KnotCount(), 1);
    TKnot* created = FRoot.KnotByPath(S("x.w.v"), true);
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(created->Path(), S("root.x.w.v"));
    EXPECT_EQ(FRoot.KnotByPath(S("x.w.v"), true), created);
    TKnot* got = FRoot.GetKnot(S("new"));
    EXPECT_EQ(FRoot.LastKnot(), got);
    EXPECT_EQ(FRoot.GetKnot(S("new")), got);
    EXPECT_TRUE(got->Read());
}

TEST_F(KnotTree, UnreadKnotsAreCollectedWholeAndReadOnesVisited)
{
    std::vector<TKnot*> knots;
    std::vector<TKnotParam*> params;
    EXPECT_TRUE(FRoot.CollectUnread(knots, params));
    EXPECT_EQ(knots.size(), 3u); // x, z, x - not y below the unread x
    EXPECT_EQ(params.size(), 2u);

    EXPECT_EQ(FRoot.ReadInt(S("a"), 0), 1);
    EXPECT_EQ(FRoot.FindParam(S("b"))->Read(), false); // looking up is not reading
    EXPECT_TRUE(FRoot.HasParam(S("b")));
    TKnot* x = FRoot.FindKnot(S("x"));
    FRoot.FindKnot(S("z"));
    knots.clear();
    params.clear();
    EXPECT_TRUE(FRoot.CollectUnread(knots, params));
    ASSERT_EQ(knots.size(), 2u);
    EXPECT_EQ(knots[0]->Name(), S("y"));
    EXPECT_EQ(knots[1]->ReadString(S("q")), S("2"));
    ASSERT_EQ(params.size(), 1u);
    EXPECT_EQ(params[0], x->FindParam(S("p")));
    EXPECT_EQ(params[0]->Owner(), x); // what the report of unread attributes names

    FRoot.SetReadMarks(true);
    knots.clear();
    params.clear();
    EXPECT_FALSE(FRoot.CollectUnread(knots, params));
    EXPECT_TRUE(knots.empty() && params.empty());
    FRoot.SetReadMarks(false);
    EXPECT_FALSE(static_cast<TKnot*>(FRoot.FirstChild()->FirstChild())->Read()); // no marking walk
    EXPECT_FALSE(FRoot.FirstParam()->Read());
}

TEST(Knot, PathCountsPositionsUnderIndexedParents)
{
    TKnot root(S("FreeText"));
    root.SetOptionsInclude(koIndexed);
    root.AddKnot(S("Chars"));
    root.AddKnot(S("Br"));
    TKnot* third = root.AddKnot(S("Chars"));
    TKnot* deeper = third->AddKnot(S("Bold"));
    EXPECT_EQ(root.Path(), S("FreeText"));
    EXPECT_EQ(third->Path(), S("FreeText.Chars[3]"));
    EXPECT_EQ(deeper->Path(), S("FreeText.Chars[3].Bold")); // the inclusion is not inherited
}

TEST(Knot, OptionsAreInheritedFromTheParentAndMaskedPerKnot)
{
    TKnot root(S("r"));
    root.SetOptions(koQuoteMode | koUnquoted);
    root.SetOptionsInclude(koIndexed);
    TKnot* child = root.AddKnot(S("c"));
    EXPECT_EQ(child->Options(), koQuoteMode | koUnquoted);
    child->SetOptionsExclude(koUnquoted);
    child->SetOptionsInclude(koNoBreaks);
    EXPECT_EQ(child->EffectiveOptions(), koQuoteMode | koNoBreaks);
    TKnot* grandChild = child->AddKnot(S("g"));
    EXPECT_EQ(grandChild->EffectiveOptions(), koQuoteMode | koUnquoted);

    TKnot other(S("o"));
    other.SetOptions(koSkipEmpty);
    grandChild->SetParent(&other);
    EXPECT_EQ(grandChild->Options(), koSkipEmpty);
    root.SetOptions(0);
    EXPECT_EQ(child->Options(), 0);
    EXPECT_EQ(child->EffectiveOptions(), koNoBreaks);
}

TEST(Knot, UniqueNamesReplaceInPlaceOtherwiseWritesAppend)
{
    TKnot knot(S("k"));
    knot.WriteInt(S("a"), 1);
    knot.WriteInt(S("b"), 2);
    knot.WriteInt(S("a"), 3);
    EXPECT_EQ(knot.ParamCount(), 3);
    EXPECT_EQ(knot.ReadInt(S("a"), 0), 1); // the first of that name

    TKnot unique(S("k"));
    unique.SetOptions(koUniqueParams);
    unique.WriteInt(S("a"), 1);
    unique.WriteInt(S("b"), 2);
    unique.WriteBool(S("a"), false);
    EXPECT_EQ(unique.ParamCount(), 2);
    EXPECT_EQ(unique.SaveToText(), S("<k a=\"0\" b=\"2\"/>\r\n"));
    unique.DeleteParam(unique.FindParam(S("a")));
    EXPECT_EQ(unique.SaveToText(), S("<k b=\"2\"/>\r\n"));
    unique.WriteInt(S("c"), 3);
    unique.DeleteParam(unique.FindParam(S("c"))); // the last one: "b" links back to the knot
    EXPECT_EQ(unique.FirstParam()->Owner(), &unique);
    EXPECT_EQ(unique.FirstParam()->Next(), nullptr);
}

struct TIntRow
{
    const char* Text;
    int Max;
    int Min;
    int Expected;
};

class KnotReadInt : public ::testing::TestWithParam<TIntRow>
{
};

TEST_P(KnotReadInt, AcceptsOnlyDecimalIntegersInRange)
{
    TKnot knot(S("k"));
    knot.WriteString(S("v"), S(GetParam().Text));
    EXPECT_EQ(knot.ReadInt(S("v"), -7, GetParam().Max, GetParam().Min), GetParam().Expected);
    EXPECT_TRUE(knot.FindParam(S("v"))->Read());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, KnotReadInt,
    ::testing::Values(TIntRow{"12", 0, 0, 12}, TIntRow{"-12", 0, 0, -12}, TIntRow{"+5", 0, 0, 5},
                      TIntRow{"12a", 0, 0, -7}, TIntRow{" 12", 0, 0, -7}, TIntRow{"", 0, 0, -7},
                      TIntRow{"-", 0, 0, -7}, TIntRow{"0x10", 0, 0, -7},
                      TIntRow{"2147483647", 0, 0, 2147483647}, TIntRow{"-2147483648", 0, 0, -2147483647 - 1},
                      TIntRow{"2147483648", 0, 0, -7}, TIntRow{"99999999999999999999", 0, 0, -7},
                      TIntRow{"25", 20, 1, -7}, TIntRow{"20", 20, 1, 20}, TIntRow{"0", 20, 1, -7},
                      TIntRow{"25", 5, 5, 25}));

TEST(Knot, ReadBoolKnowsOnlyOneAndZero)
{
    TKnot knot;
    ASSERT_TRUE(knot.LoadFromText(S("<k t=1 f=0 w=true e= n/>")));
    EXPECT_TRUE(knot.ReadBool(S("t"), false));
    EXPECT_FALSE(knot.ReadBool(S("f"), true));
    EXPECT_TRUE(knot.ReadBool(S("w"), true));
    EXPECT_FALSE(knot.ReadBool(S("w"), false));
    EXPECT_TRUE(knot.ReadBool(S("e"), true));
    EXPECT_TRUE(knot.ReadBool(S("n"), true));
    EXPECT_TRUE(knot.ReadBool(S("missing"), true));
    EXPECT_EQ(knot.ReadString(S("n"), S("def")), S(""));
    EXPECT_EQ(knot.ReadString(S("missing"), S("def")), S("def"));
}

TEST(Knot, StreamsRoundTripAsHexInEitherCase)
{
    const QByteArray bytes("\x00\x01\xFE\xFFzZ", 6);
    TKnot knot(S("k"));
    knot.WriteStream(S("s"), bytes);
    EXPECT_EQ(knot.ReadString(S("s")), S("0001FEFF7A5A"));
    TKnot back;
    ASSERT_TRUE(back.LoadFromText(knot.SaveToText()));
    QByteArray read("old");
    EXPECT_TRUE(back.ReadStream(S("s"), read));
    EXPECT_EQ(read, bytes);

    struct
    {
        const char* Text;
        bool Ok;
        QByteArray Expected;
    } rows[] = {{"0a0B", true, QByteArray("\x0A\x0B")},
                {"", true, QByteArray()},
                {"ABC", false, QByteArray()},
                {"0G", false, QByteArray()},
                {"12 3", false, QByteArray()}};
    for (const auto& row : rows) {
        TKnot text(S("k"));
        text.WriteString(S("s"), S(row.Text));
        QByteArray stream("old");
        EXPECT_EQ(text.ReadStream(S("s"), stream), row.Ok) << row.Text;
        EXPECT_EQ(stream, row.Expected) << row.Text;
    }
    QByteArray untouched("old");
    EXPECT_TRUE(knot.ReadStream(S("missing"), untouched));
    EXPECT_EQ(untouched, QByteArray("old"));
}

TEST(Knot, ReferencedStreamsFollowTheCallersBytesUntilCopied)
{
    QByteArray image("\x01\x02");
    TKnot knot(S("k"));
    knot.WriteStreamRef(S("img"), &image);
    EXPECT_EQ(knot.FindParam(S("img"))->Kind(), kpStreamRef);
    image = QByteArray("\x03");
    EXPECT_EQ(knot.SaveToText(), S("<k img=\"03\"/>\r\n"));

    TKnot copy;
    copy.Assign(knot);
    EXPECT_EQ(copy.FindParam(S("img"))->Kind(), kpStream);
    image = QByteArray("\x04");
    EXPECT_EQ(copy.SaveToText(), S("<k img=\"03\"/>\r\n"));

    TKnotParam* param = knot.FindParam(S("img"));
    param->SetText(S("x"));
    EXPECT_EQ(param->Stream(), nullptr);
    param->SetStream(QByteArray("\x05"));
    param->SetStream(*param->Stream()); // from its own bytes
    EXPECT_EQ(param->ValueText(), S("05"));
    param->SetNone();
    EXPECT_EQ(knot.SaveToText(), S("<k img/>\r\n"));
}

// Short text is kept inside the attribute, longer text in blocks of several sizes or on the heap.
TEST(Knot, TextOfEverySizeKeepsItsValue)
{
    TKnot knot(S("k"));
    for (const int size : {0, 1, 14, 15, 16, 17, 24, 25, 255, 256, 257, 5000}) {
        QString value;
        for (int i = 0; i < size; ++i)
            value += QChar(u'a' + i % 26);
        if (size > 3)
            value[size / 2] = QChar(u'\u00E4'); // two bytes in UTF-8
        knot.WriteString(S("v"), value);
        TKnotParam* param = knot.FindParam(S("v"));
        EXPECT_EQ(param->Text(), value) << size;
        param->SetTextUtf8(param->TextUtf8()); // from its own bytes
        EXPECT_EQ(param->Text(), value) << size;
        param->SetTextUtf8(param->TextUtf8().sliced(0, param->TextUtf8().size() / 2 & ~1));
        knot.DeleteParam(param);
    }
    knot.WriteString(S("long"), QString(300, u'x'));
    knot.FindParam(S("long"))->SetStream(QByteArray("\x01"));
    knot.FindParam(S("long"))->SetText(QString(20, u'y'));
    knot.FindParam(S("long"))->SetNone();
    EXPECT_EQ(knot.SaveToText(), S("<k long/>\r\n"));
}

TEST(Knot, BytesThatAreNoUtf8SurviveAsTheyCame)
{
    TKnot knot;
    knot.LoadFromStream(QByteArray("\xEF\xBB\xBF<k v=\"a\xFF"
                                   "b\"/>"));
    EXPECT_FALSE(knot.Corrupt());
    EXPECT_EQ(knot.ReadString(S("v")), S("a\uFFFDb"));
    QByteArray bytes;
    knot.SaveToStream(bytes, keUtf8);
    EXPECT_EQ(bytes, QByteArray("\xEF\xBB\xBF<k v=\"a\xFF"
                                "b\"/>\r\n"));
}

TEST(Knot, ManyDistinctNamesAreReadCorrectly)
{
    // More distinct names than the shared name table keeps.
    QByteArray text = "<root>";
    for (int i = 0; i < 160000; ++i)
        text += "<name" + QByteArray::number(i) + " attribute" + QByteArray::number(i) + "=\"1\"/>";
    text += "</root>";
    TKnot knot;
    knot.LoadFromStream(text);
    ASSERT_FALSE(knot.Corrupt());
    EXPECT_EQ(knot.KnotCount(), 160000);
    EXPECT_EQ(knot.LastKnot()->Name(), S("name159999"));
    EXPECT_EQ(knot.LastKnot()->FirstParam()->Name(), S("attribute159999"));
    EXPECT_EQ(knot.FirstKnot()->Name(), S("name0"));
    // Names the table no longer takes are copied with their knots.
    TKnot copy;
    copy.Assign(knot);
    copy.AddKnot(S("another name"))->WriteInt(S("another attribute"), 1);
    EXPECT_EQ(static_cast<TKnot*>(copy.ChildAt(159999))->Name(), S("name159999"));
    EXPECT_EQ(copy.LastKnot()->FirstParam()->Name(), S("another attribute"));
}

// Where the knots, attributes and texts of a tree lie, in document order.
void CollectBlocks(const TKnot& knot, std::vector<const void*>& blocks)
{
    blocks.push_back(&knot);
    for (const TKnotParam* param = knot.FirstParam(); param != nullptr; param = param->Next()) {
        blocks.push_back(param);
        blocks.push_back(param->TextUtf8().data());
    }
    for (const TNode* child = knot.FirstChild(); child != nullptr; child = child->NextSibling())
        CollectBlocks(*static_cast<const TKnot*>(child), blocks);
}

TEST(Knot, ADocumentReadAgainAfterFreeingGetsTheBlocksOfTheLastOne)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "built with a sanitizer: blocks come from the heap";
#endif
    QByteArray text = "<root>";
    for (int i = 0; i < 2000; ++i)
        text +=
            "<k n=\"" + QByteArray::number(i) + "\" text=\"a text longer than an attribute holds\"><c/></k>";
    text += "</root>";
    std::vector<const void*> first;
    std::vector<const void*> second;
    for (std::vector<const void*>* blocks : {&first, &second}) {
        auto* knot = new TKnot();
        knot->LoadFromStream(text);
        CollectBlocks(*knot, *blocks);
        knot->Free();
    }
    EXPECT_EQ(first, second); // in the same order: a tree read into fresh blocks stays in address order
}

TEST(Knot, AssignCopiesDeeplyAndClearEmpties)
{
    TKnot source;
    ASSERT_TRUE(source.LoadFromText(S("<a x=\"1\" f><b y=\"2\"><c/></b><d/></a>")));
    source.SetOptionsInclude(koNoBreaks);
    source.FirstKnot()->SetOptionsExclude(koIndexed);

    TKnot copy(S("old"));
    copy.AddKnot(S("gone"));
    copy.WriteInt(S("gone"), 1);
    copy.Assign(source);
    EXPECT_EQ(copy.SaveToText(), source.SaveToText());
    EXPECT_EQ(copy.OptionsInclude(), koNoBreaks);
    EXPECT_EQ(copy.FirstKnot()->OptionsExclude(), koIndexed);
    copy.FirstKnot()->WriteString(S("y"), S("changed"));
    EXPECT_EQ(source.FirstKnot()->ReadString(S("y")), S("2"));

    TKnot corrupt;
    corrupt.SetOptions(koQuoteMode);
    EXPECT_FALSE(corrupt.LoadFromText(S("<a><b/>")));
    corrupt.SetRead(true);
    corrupt.Clear();
    EXPECT_TRUE(corrupt.Name().isEmpty());
    EXPECT_EQ(corrupt.KnotCount(), 0);
    EXPECT_FALSE(corrupt.Corrupt());
    EXPECT_FALSE(corrupt.Read());
    EXPECT_EQ(corrupt.Options(), koQuoteMode);
}

TEST(Knot, EmptyMeansNoAttributesAnywhereBelow)
{
    TKnot knot;
    ASSERT_TRUE(knot.LoadFromText(S("<a><b><c/></b></a>")));
    EXPECT_TRUE(knot.IsEmpty());
    knot.FirstKnot()->FirstKnot()->AddParam(S("f"));
    EXPECT_FALSE(knot.IsEmpty());
    EXPECT_TRUE(TKnot(S("leaf")).IsEmpty());
}

TEST(Knot, FormPlacementStoresWhatTheWindowAllows)
{
    TFormPlacement maximized{true, true, true, 1, 2, 3, 4};
    TKnot knot(S("MainForm"));
    knot.WriteFormPlace(maximized);
    EXPECT_EQ(knot.SaveToText(), S("<MainForm Maximized=\"1\"/>\r\n"));

    TKnot normal(S("MainForm"));
    normal.WriteFormPlace({true, true, false, 10, 20, 300, 200});
    EXPECT_EQ(normal.SaveToText(),
              S("<MainForm Maximized=\"0\" Left=\"10\" Top=\"20\" Width=\"300\" Height=\"200\"/>\r\n"));
    TKnot dialog(S("About"));
    dialog.WriteFormPlace({false, false, false, 10, 20, 300, 200});
    EXPECT_EQ(dialog.SaveToText(), S("<About Left=\"10\" Top=\"20\"/>\r\n"));

    TFormPlacement place{true, true, false, 5, 6, 100, 50};
    EXPECT_TRUE(knot.ReadFormPlace(place, 1024, 768));
    EXPECT_TRUE(place.Maximized);

    place = {true, true, false, 5, 6, 100, 50};
    EXPECT_TRUE(normal.ReadFormPlace(place, 1024, 768));
    EXPECT_EQ(place.Left, 10);
    EXPECT_EQ(place.Width, 300);
    EXPECT_EQ(place.Height, 200);
    // Off the desktop: the window keeps its present coordinate.
    place = {true, true, false, 5, 6, 100, 50};
    EXPECT_TRUE(normal.ReadFormPlace(place, 305, 1000));
    EXPECT_EQ(place.Left, 5);
    EXPECT_EQ(place.Top, 20);

    place = {true, true, false, 5, 6, 100, 50};
    EXPECT_FALSE(TKnot(S("Empty")).ReadFormPlace(place, 1024, 768));
    EXPECT_EQ(place.Left, 5);
}

// --- Files --------------------------------------------------------------------------------------

class KnotFiles : public ::testing::Test
{
protected:
    QString Write(const char* name, const QByteArray& bytes)
    {
        const QString path = FDir.filePath(S(name));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    QTemporaryDir FDir;
};

TEST_F(KnotFiles, AMissingFileRaisesFileNotFound)
{
    const QString path = FDir.filePath(S("missing.settings"));
    TKnot knot;
    try {
        knot.LoadFromFile(path);
        FAIL() << "no error";
    } catch (const EQvError& error) {
        EXPECT_EQ(error.Message(), S("File not found: ") + path);
    }
}

TEST_F(KnotFiles, OtherReadErrorsRaiseTheSystemReason)
{
    TKnot knot;
    try {
        knot.LoadFromFile(FDir.path()); // a folder
        FAIL() << "no error";
    } catch (const EQvError& error) {
        EXPECT_TRUE(error.Message().startsWith(FDir.path() + u": ")) << error.what();
        EXPECT_GT(error.Message().size(), FDir.path().size() + 2);
    }
}

TEST_F(KnotFiles, AFailedSaveRaisesAndKeepsTheOldFile)
{
    TKnot knot(S("k"));
    const QString path = Write("doc.txt", "precious");
    ASSERT_TRUE(QDir(FDir.path()).mkdir(S("folder")));
    EXPECT_THROW(knot.SaveToFile(FDir.filePath(S("folder"))), EQvError);
    EXPECT_THROW(knot.SaveToFile(FDir.filePath(S("no/such/doc.txt"))), EQvError);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("precious"));
}

TEST_F(KnotFiles, SavedFilesLoadBackInEveryEncoding)
{
    TKnot knot(S("Doc"));
    knot.WriteString(S("Text"), S("Grüße € 東京"));
    for (const TKnotEncoding encoding : {keAnsi, keUtf8, keUtf16LE, keUtf16BE}) {
        const QString path = FDir.filePath(S("doc.txt"));
        knot.SaveToFile(path, encoding);
        TKnot back;
        back.LoadFromFile(path);
        EXPECT_FALSE(back.Corrupt());
        EXPECT_EQ(back.ReadString(S("Text")), S("Grüße € 東京")) << int(encoding);
    }
}

struct TDecodeRow
{
    const char* Name;
    QByteArray Bytes;
    const char* Value; // UTF-8
};

class KnotDecoding : public ::testing::TestWithParam<TDecodeRow>
{
};

TEST_P(KnotDecoding, DetectsTheEncoding)
{
    TKnot knot;
    knot.LoadFromStream(GetParam().Bytes);
    EXPECT_FALSE(knot.Corrupt());
    EXPECT_EQ(knot.ReadString(S("v")), S(GetParam().Value));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, KnotDecoding,
    ::testing::Values(TDecodeRow{"Utf8Bom", QByteArray("\xEF\xBB\xBF<k v=\"\xC3\xA9\"/>"), "é"},
                      TDecodeRow{"Utf8WithoutBom", QByteArray("<k v=\"\xE2\x82\xAC\"/>"), "€"},
                      // Not valid UTF-8: an old file in the Windows code page.
                      TDecodeRow{"Windows1252", QByteArray("<k v=\"\xE9t\x80\x9F\"/>"), "ét€Ÿ"},
                      TDecodeRow{"Utf16LE", QByteArray("\xFF\xFE<\0k\0 \0v\0=\0\xE9\0/\0>\0", 18), "é"},
                      TDecodeRow{"Utf16BE", QByteArray("\xFE\xFF\0<\0k\0 \0v\0=\0\xE9\0/\0>", 18), "é"}),
    [](const auto& info) { return std::string(info.param.Name); });

} // namespace
} // namespace qv
