#include "core/knot.h"

#include "support/printers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <random>

namespace qv {
namespace {

QByteArray ReadData(const QString& name)
{
    QFile file(QStringLiteral(TEST_DATA_DIR "/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString Text(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// --- Writing ------------------------------------------------------------------------------------

TEST(KnotWriter, PlainTextDocumentOfTheFileFormat)
{
    TKnot root(QStringLiteral("FreeText"));
    root.WriteString(QStringLiteral("FormatVersion"), QStringLiteral("1.2"));
    root.AddKnot(QStringLiteral("Chars"))->WriteString(QStringLiteral("Value"), QStringLiteral("Hello,"));
    root.AddKnot(QStringLiteral("Br"))->SetOptionsInclude(koSameLine);
    root.AddKnot(QStringLiteral("Chars"))->WriteString(QStringLiteral("Value"), QStringLiteral("world\t!"));

    QByteArray bytes;
    root.SaveToStream(bytes, keUtf8);
    EXPECT_EQ(bytes, QByteArray("\xEF\xBB\xBF<FreeText FormatVersion=\"1.2\">\r\n"
                                "\t<Chars Value=\"Hello,\"/><Br/>\r\n"
                                "\t<Chars Value=\"world&#9;!\"/>\r\n"
                                "</FreeText>\r\n"));

    TKnot empty(QStringLiteral("FreeText"));
    empty.WriteString(QStringLiteral("FormatVersion"), QStringLiteral("1.2"));
    EXPECT_EQ(empty.SaveToText(), QStringLiteral("<FreeText FormatVersion=\"1.2\"/>\r\n"));
}

struct TWriteRow
{
    const char* Name;
    uint16_t Options;
    const char* Expected;
};

// a(x="1 2", flag) { b { c }, d(v="q\"/") }, written with the row's options on the whole tree.
std::unique_ptr<TKnot> SampleTree(uint16_t options)
{
    auto root = std::make_unique<TKnot>(QStringLiteral("a"));
    root->SetOptions(options);
    root->WriteString(QStringLiteral("x"), QStringLiteral("1 2"));
    root->AddParam(QStringLiteral("flag"));
    root->AddKnot(QStringLiteral("b"))->AddKnot(QStringLiteral("c"));
    root->AddKnot(QStringLiteral("d"))->WriteString(QStringLiteral("v"), QStringLiteral("q\"/"));
    return root;
}

class KnotWriterOptions : public ::testing::TestWithParam<TWriteRow>
{
};

TEST_P(KnotWriterOptions, WritesExactText)
{
    EXPECT_EQ(SampleTree(GetParam().Options)->SaveToText(), Text(GetParam().Expected));
}

const TWriteRow writeRows[] = {
    {"Normal", 0, "<a x=\"1 2\" flag>\r\n\t<b>\r\n\t\t<c/>\r\n\t</b>\r\n\t<d v=\"q&quot;/\"/>\r\n</a>\r\n"},
    {"NoIndentation", koNoIndent,
     "<a x=\"1 2\" flag>\r\n<b>\r\n<c/>\r\n</b>\r\n<d v=\"q&quot;/\"/>\r\n</a>\r\n"},
    {"NoLineBreaks", koNoBreaks, "<a x=\"1 2\" flag><b><c/></b><d v=\"q&quot;/\"/></a>\r\n"},
    {"EmptyChildrenLeftOut", koSkipEmpty, "<a x=\"1 2\" flag>\r\n\t<d v=\"q&quot;/\"/>\r\n</a>\r\n"},
    {"UnquotedWherePossible", koUnquoted,
     "<a x=\"1 2\" flag>\r\n\t<b>\r\n\t\t<c/>\r\n\t</b>\r\n\t<d v=\"q&quot;/\"/>\r\n</a>\r\n"},
    {"QuoteMode", koQuoteMode,
     "<a x=\"1 2\" flag>\r\n\t<b>\r\n\t\t<c/>\r\n\t</b>\r\n\t<d v=\"q\"\"/\"/>\r\n</a>\r\n"},
    {"SettingsFile", koUniqueParams | koSkipEmpty | koUnquoted | koQuoteMode,
     "<a x=\"1 2\" flag>\r\n\t<d v=\"q\"\"/\"/>\r\n</a>\r\n"},
};

INSTANTIATE_TEST_SUITE_P(Rows, KnotWriterOptions, ::testing::ValuesIn(writeRows),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(KnotWriter, OptionsOfOneKnotHoldForItsSubtreeOnly)
{
    TKnot root(QStringLiteral("r"));
    TKnot* line = root.AddKnot(QStringLiteral("line"));
    line->SetOptionsInclude(koNoBreaks);
    line->AddKnot(QStringLiteral("x"))->AddKnot(QStringLiteral("y"));
    TKnot* flat = root.AddKnot(QStringLiteral("flat"));
    flat->SetOptionsInclude(koNoIndent);
    flat->AddKnot(QStringLiteral("z"));
    root.AddKnot(QStringLiteral("tail"));
    EXPECT_EQ(root.SaveToText(),
              QStringLiteral("<r>\r\n\t<line><x><y/></x></line>\r\n<flat>\r\n<z/>\r\n</flat>\r\n"
                             "\t<tail/>\r\n</r>\r\n"));
}

TEST(KnotWriter, AKnotWhoseChildrenAreAllLeftOutIsWrittenWithoutThem)
{
    TKnot root(QStringLiteral("r"));
    root.SetOptions(koSkipEmpty);
    root.WriteString(QStringLiteral("x"), QStringLiteral("1"));
    root.AddKnot(QStringLiteral("e"))->AddKnot(QStringLiteral("f"));
    EXPECT_EQ(root.SaveToText(), QStringLiteral("<r x=\"1\"/>\r\n"));
}

TEST(KnotWriter, TextWithoutAMarkIsAlwaysUtf8)
{
    TKnot knot;
    knot.LoadFromStream(QByteArray("\xEF\xBB\xBF<k v=\"a\xDD\" w=\"\xC3\xA9\"/>"));
    QByteArray ansi;
    knot.SaveToStream(ansi, keAnsi);
    EXPECT_EQ(ansi, QByteArray("<k v=\"a\xEF\xBF\xBD\" w=\"\xC3\xA9\"/>\r\n"));
}

TEST(KnotWriter, StreamsAreUpperCaseHexAndNeverQuotedWhenTheyNeedNot)
{
    TKnot knot(QStringLiteral("k"));
    knot.SetOptions(koUnquoted);
    knot.WriteStream(QStringLiteral("s"), QByteArray("\x00\xAB\x7F", 3));
    const QByteArray referenced("\xFF");
    knot.WriteStreamRef(QStringLiteral("r"), &referenced);
    knot.WriteStream(QStringLiteral("e"), QByteArray());
    EXPECT_EQ(knot.SaveToText(), QStringLiteral("<k s=00AB7F r=FF e=/>\r\n"));
    knot.SetOptions(0);
    EXPECT_EQ(knot.SaveToText(), QStringLiteral("<k s=\"00AB7F\" r=\"FF\" e=\"\"/>\r\n"));
}

TEST(KnotWriter, EncodingsWriteTheirByteOrderMark)
{
    TKnot knot(QStringLiteral("k"));
    knot.WriteString(QStringLiteral("v"), Text("é"));
    QByteArray ansi;
    knot.SaveToStream(ansi, keAnsi);
    EXPECT_EQ(ansi, QByteArray("<k v=\"\xC3\xA9\"/>\r\n"));
    QByteArray le;
    knot.SaveToStream(le, keUtf16LE);
    EXPECT_TRUE(le.startsWith(QByteArray("\xFF\xFE<\0k\0", 6)));
    QByteArray be;
    knot.SaveToStream(be, keUtf16BE);
    EXPECT_TRUE(be.startsWith(QByteArray("\xFE\xFF\0<\0k", 6)));
    for (const QByteArray& bytes : {ansi, le, be}) {
        TKnot back;
        back.LoadFromStream(bytes);
        EXPECT_FALSE(back.Corrupt());
        EXPECT_EQ(back.ReadString(QStringLiteral("v")), Text("é"));
    }
}

// --- Reading ------------------------------------------------------------------------------------

struct TParseRow
{
    const char* Name;
    const char* Text;
    bool Ok;
    const char* Written; // the parsed tree written back (normal mode)
};

class KnotParserRows : public ::testing::TestWithParam<TParseRow>
{
};

TEST_P(KnotParserRows, ParsesAndKeepsWhatItRead)
{
    const TParseRow& row = GetParam();
    TKnot knot;
    EXPECT_EQ(knot.LoadFromText(Text(row.Text)), row.Ok);
    EXPECT_EQ(knot.Corrupt(), !row.Ok);
    EXPECT_EQ(knot.SaveToText(), Text(row.Written));
    if (row.Ok) { // what was written reads back to the same tree
        TKnot back;
        EXPECT_TRUE(back.LoadFromText(Text(row.Written)));
        EXPECT_EQ(back.SaveToText(), Text(row.Written));
    }
}

const TParseRow parseRows[] = {
    {"Empty", "", false, "</>\r\n"},
    {"PlainText", "hello", false, "</>\r\n"},
    {"LeadingWhiteSpace", " \t\r\n<a/>", true, "<a/>\r\n"},
    {"Declaration", "<?xml version=\"1.0\"?>\r\n<a/>", true, "<a/>\r\n"},
    {"DeclarationSkipsToTheNextTag", "<?xml ?> junk <a/>", true, "<a/>\r\n"},
    {"UnfinishedDeclaration", "<?xml version=\"1.0\"", false, "</>\r\n"},
    {"SpaceAfterTheBracket", "< a ></ a>", true, "<a/>\r\n"},
    {"ChildThenTextIsCorrupt", "<a><b/>text</a>", false, "<a>\r\n\t<b/>\r\n</a>\r\n"},
    {"TextAfterAnEndTagIsSkipped", "<a><b></b>text<c/></a>", true, "<a>\r\n\t<b/>\r\n\t<c/>\r\n</a>\r\n"},
    {"TextBetweenTagsGoesOn", "<a>x<b/>y<c/></a>", false, "<a>\r\n\t<b/>\r\n\t<c/>\r\n</a>\r\n"},
    {"TwoRoots", "<a x=\"1\"/><b/>", false, "<a x=\"1\"/>\r\n"},
    {"TrailingWhiteSpace", "<a/> \r\n", true, "<a/>\r\n"},
    {"WrongEndTag", "<a><b></a></b>", false, "<a>\r\n\t<b/>\r\n</a>\r\n"},
    {"SpaceBeforeEndTagBracket", "<a></a >", false, "<a/>\r\n"},
    {"NameOnlyAttribute", "<a flag x=1/>", true, "<a flag x=\"1\"/>\r\n"},
    {"UnquotedValueEndsAtSlash", "<a x=1/2/>", false, "<a x=\"1\"/>\r\n"},
    {"QuotesSwitchInsideAValue", "<a x=a\"b c\"d/>", true, "<a x=\"a&quot;b c&quot;d\"/>\r\n"},
    {"DoubledQuotes", "<a x=\"say \"\"hi\"\"\"/>", true, "<a x=\"say &quot;hi&quot;\"/>\r\n"},
    {"EntityDecodedOnce", "<a x=\"&amp;lt;\" y=\"&apos;\"/>", true,
     "<a x=\"&amp;lt;\" y=\"&amp;apos;\"/>\r\n"},
    {"NumericReferences", "<a x=\"&#65;&#9;&#65536;\"/>", true, "<a x=\"A&#9;&amp;#65536;\"/>\r\n"},
    // Values longer than sixteen bytes, with references on and across the sixteen-byte steps.
    {"LongValueWithReferences",
     "<a x=\"0123456789abcde&lt;0123456789abcdef&quot;&#233;&#8364;&amp;amp;&gt;\"/>", true,
     "<a x=\"0123456789abcde&lt;0123456789abcdef&quot;\u00E9\u20AC&amp;amp;&gt;\"/>\r\n"},
    {"ReferencesReadTheLongWay", "<a x=\"0123456789abcdef&#55357;&#56832;&#0000065;&#;&amp&lt;\"/>", true,
     "<a x=\"0123456789abcdef\U0001F600A&amp;#;&amp;amp&lt;\"/>\r\n"},
    {"QuotedValueGoingOn", "<a x=\"0123456789abcdef\"ghi\"\"/>", true,
     "<a x=\"0123456789abcdef&quot;ghi&quot;\"/>\r\n"},
    {"QuotedValueAtTheEnd", "<a x=\"0123456789abcdef&amp;\"", false, "<a/>\r\n"},
    {"EmptyValue", "<a x= y=\"\"/>", true, "<a x=\"\" y=\"\"/>\r\n"},
    {"EqualsAfterSpaceIsNoValue", "<a x = 1/>", false, "<a x/>\r\n"},
    {"TruncatedValueIsDropped", "<a y=\"1\" x=\"abc", false, "<a y=\"1\"/>\r\n"},
    {"SingleQuotesAreText", "<a x='1'/>", true, "<a x=\"'1'\"/>\r\n"},
    {"LessThanInsideAValue", "<a x=a<b/>", true, "<a x=\"a&lt;b\"/>\r\n"},
    {"EmptyName", "<a><></a>", false, "<a/>\r\n"},
    {"SlashWithoutBracket", "<a/ >", false, "<a/>\r\n"},
    {"SpaceBeforeSlashIsNoEndTag", "<a>< /a>", false, "<a/>\r\n"},
    {"NamesStartingWithFeff", "<\uFEFFa><\uFEFF/><\uFEFFb \uFEFF=\"1\"/></\uFEFFa>", true,
     "<\uFEFFa>\r\n\t<\uFEFF/>\r\n\t<\uFEFFb \uFEFF=\"1\"/>\r\n</\uFEFFa>\r\n"},
    {"UnnamedRoot", "</>", true, "</>\r\n"},
    {"UnnamedKnotsAndAttributes", "<a =\"1\"></><b/></></a>", true,
     "<a =\"1\">\r\n\t</>\r\n\t<b/>\r\n\t</>\r\n</a>\r\n"},
    {"UnnamedAttributeNeedsAQuote", "<a x =1/>", false, "<a x/>\r\n"},
    {"UnnamedKnotNeedsNoSpace", "<a></ ></a>", false, "<a/>\r\n"},
    {"RootNamedLikeADeclaration", "<?xml?>\r\n<?x y=\"1\"/>", true, "< ?x y=\"1\"/>\r\n"},
};

INSTANTIATE_TEST_SUITE_P(Rows, KnotParserRows, ::testing::ValuesIn(parseRows),
                         [](const auto& info) { return std::string(info.param.Name); });

// Where a broken text breaks, and what the user is told.
TEST(KnotParser, ReportsTheFirstErrorWithLineColumnAndTheKnotsLost)
{
    struct TRow
    {
        const char* Name;
        const char* Text;
        TKnotSyntax What;
        int Line;
        int Column;
        int Lost;
        const char* Message;
    };
    const TRow rows[] = {
        {"good text", "<a>\r\n\t<b/>\r\n</a>\r\n", ksNone, 0, 0, 0, ""},
        {"a value without its closing quote", "<a>\r\n\t<b x=\"1/>\r\n\t<c/>\r\n</a>", ksValue, 2, 7, 2,
         "Line 2, column 7: this value has no closing quote"},
        {"the wrong end tag", "<a>\n<b>\n</a>\n<c/>", ksEndTag, 3, 1, 1, "\"</b>\" was expected here"},
        {"text between tags goes on reading", "<a>\n  oops <b/>\n</a>", ksText, 2, 3, 1, "Line 2, column 3"},
        {"a cut text, columns in characters", "<a>\n<b x=\"\u00e9\u00e9\"/>", ksEndOfText, 2, 12, 0,
         "before node \"a\" is closed by \"</a>\""},
        {"something after the root", "<a/>\n<b/>", ksAfterRoot, 2, 1, 1, "nothing may follow"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        TKnot knot;
        TKnotParseError error;
        EXPECT_EQ(knot.LoadFromText(QString::fromUtf8(row.Text), &error), row.What == ksNone);
        EXPECT_EQ(error.What, row.What);
        EXPECT_EQ(error.Line, row.Line);
        EXPECT_EQ(error.Column, row.Column);
        EXPECT_EQ(error.KnotsLost, row.Lost);
        EXPECT_TRUE(error.Text().contains(QString::fromUtf8(row.Message))) << error.Text().toStdString();
    }
}

TEST(KnotParser, ParsingClearsTheKnotButKeepsItsOptions)
{
    TKnot knot(QStringLiteral("old"));
    knot.SetOptions(koQuoteMode);
    knot.SetOptionsInclude(koNoBreaks);
    knot.WriteInt(QStringLiteral("n"), 1);
    knot.AddKnot(QStringLiteral("child"));
    ASSERT_TRUE(knot.LoadFromText(QStringLiteral("<new><c/></new>")));
    EXPECT_EQ(knot.Name(), QStringLiteral("new"));
    EXPECT_EQ(knot.FirstParam(), nullptr);
    EXPECT_EQ(knot.OptionsInclude(), 0);
    ASSERT_EQ(knot.KnotCount(), 1);
    EXPECT_EQ(knot.FirstKnot()->Options(), koQuoteMode);
    EXPECT_FALSE(knot.FirstKnot()->FirstKnot());
    EXPECT_FALSE(knot.Read());
}

TEST(KnotParser, NestingDeeperThanTheLimitIsCorruptNotACrash)
{
    QString text;
    for (int i = 0; i < 5000; ++i)
        text += u"<a>";
    TKnot knot;
    EXPECT_FALSE(knot.LoadFromText(text));
    int depth = 0;
    for (TKnot* k = &knot; k != nullptr; k = k->FirstKnot())
        ++depth;
    EXPECT_GT(depth, 100);
    EXPECT_LT(depth, 5000);
}

// --- Value round trips --------------------------------------------------------------------------

struct TValueRow
{
    const char* Name;
    const char16_t* Value;
    qsizetype Size; // for values holding NUL
};

class KnotValueRoundTrip : public ::testing::TestWithParam<std::tuple<TValueRow, uint16_t>>
{
};

// Every value comes back unchanged in every writing mode: documents, documents with unquoted
// values, and settings files.
TEST_P(KnotValueRoundTrip, ReadsBackWhatWasWritten)
{
    const auto& [row, options] = GetParam();
    const QString value = row.Size >= 0 ? QString(reinterpret_cast<const QChar*>(row.Value), row.Size)
                                        : QString::fromUtf16(row.Value);
    TKnot knot(QStringLiteral("k"));
    knot.SetOptions(options);
    knot.WriteString(QStringLiteral("v"), value);
    knot.WriteString(QStringLiteral("next"), QStringLiteral("n"));
    const QString text = knot.SaveToText();
    TKnot back;
    ASSERT_TRUE(back.LoadFromText(text)) << text.toStdString();
    EXPECT_EQ(back.ReadString(QStringLiteral("v")), value) << text.toStdString();
    EXPECT_EQ(back.ReadString(QStringLiteral("next")), QStringLiteral("n"));
}

const TValueRow valueRows[] = {
    {"Plain", u"abc", -1},
    {"Empty", u"", -1},
    {"Space", u"a b", -1},
    {"TabOnly", u"a\tb", -1},
    {"LineBreaks", u"a\r\nb\n", -1},
    {"Quotes", u"\"say \"\"hi\"\"\"", -1},
    {"EntityText", u"&amp; &lt; &#9; &quot;", -1},
    {"Nul", u"a\0b", 3},
    {"Slash", u"a/b", -1},
    {"Greater", u"a>b", -1},
    {"Less", u"<tag>", -1},
    {"Controls", u"\x01\x1F\x7F", -1},
    {"NonAscii", u"Grüße 東京 \U0001F600", -1},
    {"LeadingQuote", u"\"x", -1},
    {"OnlyQuote", u"\"", -1},
    {"Equals", u"a=b", -1},
    {"LeadingFeff", u"\uFEFF\uFEFFx", -1},
};

INSTANTIATE_TEST_SUITE_P(Rows, KnotValueRoundTrip,
                         ::testing::Combine(::testing::ValuesIn(valueRows),
                                            ::testing::Values(uint16_t(0), uint16_t(koUnquoted),
                                                              uint16_t(koQuoteMode),
                                                              uint16_t(koQuoteMode | koUnquoted))),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).Name) + "_" +
                                    std::to_string(std::get<1>(info.param));
                         });

TEST(KnotValues, TabIsAReferenceInDocumentsAndQuotedInSettings)
{
    TKnot knot(QStringLiteral("k"));
    knot.WriteString(QStringLiteral("v"), QStringLiteral("a\tb"));
    EXPECT_EQ(knot.SaveToText(), QStringLiteral("<k v=\"a&#9;b\"/>\r\n"));
    knot.SetOptions(koQuoteMode | koUnquoted);
    EXPECT_EQ(knot.SaveToText(), QStringLiteral("<k v=\"a\tb\"/>\r\n"));
    knot.WriteString(QStringLiteral("w"), QStringLiteral("x\"y z"));
    EXPECT_EQ(knot.SaveToText(), QStringLiteral("<k v=\"a\tb\" w=\"x\"\"y z\"/>\r\n"));
}

// --- Corpus -------------------------------------------------------------------------------------

struct TCorpusRow
{
    const char* File;
    uint16_t Options;
};

const TCorpusRow corpus[] = {
    {"knots/document.txt", 0},
    {"knots/settings.txt", koUniqueParams | koSkipEmpty | koUnquoted | koQuoteMode},
    {"knots/oneline.txt", koNoBreaks},
    {"knots/flat.txt", koNoIndent},
};

class KnotCorpus : public ::testing::TestWithParam<TCorpusRow>
{
protected:
    void SetUp() override
    {
        FBytes = ReadData(QString::fromLatin1(GetParam().File));
        ASSERT_FALSE(FBytes.isEmpty());
        FText = QString::fromUtf8(FBytes);
    }

    QByteArray FBytes;
    QString FText;
};

TEST_P(KnotCorpus, WritingWhatWasParsedGivesTheSameText)
{
    TKnot knot;
    knot.SetOptions(GetParam().Options);
    ASSERT_TRUE(knot.LoadFromText(FText));
    EXPECT_EQ(knot.SaveToText(), FText);
    QByteArray bytes;
    knot.SaveToStream(bytes);
    EXPECT_EQ(bytes, FBytes);
}

// True when `part` is what a parse of a prefix of `full`'s text may hold: the same names and values
// in the same order, each list possibly cut short.
::testing::AssertionResult IsPrefixTree(const TKnot& part, const TKnot& full)
{
    if (part.Name().isEmpty() && part.FirstParam() == nullptr && part.FirstChild() == nullptr)
        return ::testing::AssertionSuccess(); // the root's name was cut
    if (part.Name() != full.Name())
        return ::testing::AssertionFailure() << "name " << part.Name().toStdString();
    const TKnotParam* p = part.FirstParam();
    for (const TKnotParam* f = full.FirstParam(); p != nullptr; p = p->Next(), f = f->Next()) {
        if (f == nullptr || p->Name() != f->Name() || (p->Kind() == kpNone) != (f->Kind() == kpNone) ||
            p->ValueText() != f->ValueText())
            return ::testing::AssertionFailure()
                   << "attribute " << p->Name().toStdString() << " of " << part.Path().toStdString();
    }
    const TNode* f = full.FirstChild();
    for (const TNode* c = part.FirstChild(); c != nullptr; c = c->NextSibling(), f = f->NextSibling()) {
        if (f == nullptr)
            return ::testing::AssertionFailure() << "extra child of " << part.Path().toStdString();
        auto result = IsPrefixTree(*static_cast<const TKnot*>(c), *static_cast<const TKnot*>(f));
        if (!result)
            return result;
    }
    return ::testing::AssertionSuccess();
}

int CountKnots(const TKnot& knot)
{
    int count = 1;
    for (const TNode* c = knot.FirstChild(); c != nullptr; c = c->NextSibling())
        count += CountKnots(*static_cast<const TKnot*>(c));
    return count;
}

TEST_P(KnotCorpus, EveryTruncationIsCorruptAndKeepsThePrefix)
{
    TKnot full;
    ASSERT_TRUE(full.LoadFromText(FText));
    const qsizetype rootEnd = FText.trimmed().size();
    int previousCount = 0;
    for (qsizetype length = 0; length < rootEnd; ++length) {
        TKnot part;
        EXPECT_FALSE(part.LoadFromText(FText.left(length))) << length;
        ASSERT_TRUE(part.Corrupt()) << length;
        if (length == 0)
            continue;
        ASSERT_TRUE(IsPrefixTree(part, full)) << "length " << length;
        const int count = CountKnots(part);
        EXPECT_GE(count, previousCount) << "length " << length;
        previousCount = count;
    }
    EXPECT_EQ(previousCount, CountKnots(full));
}

// Cut bytes (splitting UTF-8 sequences too) and damaged bytes must never crash or hang the reader.
TEST_P(KnotCorpus, DamagedBytesNeverCrash)
{
    for (qsizetype length = 0; length < FBytes.size(); ++length) {
        TKnot knot;
        knot.LoadFromStream(FBytes.left(length));
        EXPECT_TRUE(knot.Corrupt() || length >= FBytes.trimmed().size()) << length;
    }
    std::mt19937 random(12345);
    const char noise[] = "<>/\"=&;# \t\r\n?abc\xC3\xFF";
    for (int round = 0; round < 3000; ++round) {
        QByteArray bytes = FBytes;
        const int changes = 1 + int(random() % 8);
        for (int i = 0; i < changes; ++i)
            bytes[random() % bytes.size()] = noise[random() % (sizeof(noise) - 1)];
        TKnot knot;
        knot.LoadFromStream(bytes);
        knot.SaveToText(); // whatever was read can be written
    }
}

INSTANTIATE_TEST_SUITE_P(Files, KnotCorpus, ::testing::ValuesIn(corpus), [](const auto& info) {
    return QFileInfo(QString::fromLatin1(info.param.File)).baseName().toStdString();
});

// --- An outside check: documents are XML ---------------------------------------------------------

// A tree of every kind of value a document holds (no control characters but tab, CR and LF, which XML
// cannot carry even as references).
std::unique_ptr<TKnot> RandomDocument(unsigned seed)
{
    std::mt19937 random(seed);
    const QString alphabet = Text("abcXYZ 019\t\r\n\"'&<>/=;#?!äß東😀");
    auto value = [&] {
        QString text;
        const int size = int(random() % 40);
        for (int i = 0; i < size; ++i) {
            const qsizetype at = qsizetype(random() % alphabet.size());
            if (alphabet[at].isHighSurrogate()) {
                text += alphabet.mid(at, 2);
            } else if (!alphabet[at].isLowSurrogate()) {
                text += alphabet[at];
            }
        }
        return text;
    };
    auto root = std::make_unique<TKnot>(QStringLiteral("Root"));
    root->WriteString(QStringLiteral("FormatVersion"), QStringLiteral("1.2"));
    std::vector<TKnot*> knots{root.get()};
    for (int i = 0; i < 300; ++i) {
        TKnot* parent = knots[random() % knots.size()];
        TKnot* knot = parent->AddKnot(QStringLiteral("K") + QString::number(random() % 5));
        for (int a = int(random() % 3); a > 0; --a)
            knot->WriteString(QStringLiteral("a") + QString::number(a), value());
        if (random() % 7 == 0)
            knot->WriteStream(QStringLiteral("data"), value().toUtf8());
        knots.push_back(knot);
    }
    return root;
}

TEST(KnotDocuments, XmlLintAcceptsWhatTheWriterWrites)
{
    const QString xmllint = QStandardPaths::findExecutable(QStringLiteral("xmllint"));
    if (xmllint.isEmpty())
        GTEST_SKIP() << "xmllint is not installed (Debian package libxml2-utils)";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QStringList files;
    for (unsigned seed = 1; seed <= 5; ++seed) {
        const QString file = dir.filePath(QStringLiteral("doc%1.xml").arg(seed));
        RandomDocument(seed)->SaveToFile(file, keUtf8);
        files << file;
    }
    TKnot corpusDocument;
    corpusDocument.LoadFromText(QString::fromUtf8(ReadData(QStringLiteral("knots/document.txt"))));
    files << dir.filePath(QStringLiteral("corpus.xml"));
    corpusDocument.SaveToFile(files.back(), keUtf8);

    QProcess lint;
    lint.start(xmllint, QStringList{QStringLiteral("--noout")} + files);
    ASSERT_TRUE(lint.waitForFinished(60000));
    EXPECT_EQ(lint.exitCode(), 0) << lint.readAllStandardError().toStdString();
}

TEST(KnotDocuments, RandomDocumentsReadBackUnchanged)
{
    for (unsigned seed = 10; seed < 30; ++seed) {
        const auto document = RandomDocument(seed);
        for (const uint16_t options : {uint16_t(0), uint16_t(koQuoteMode | koUnquoted)}) {
            document->SetOptions(options);
            const QString text = document->SaveToText();
            TKnot back;
            back.SetOptions(options);
            ASSERT_TRUE(back.LoadFromText(text)) << seed;
            EXPECT_EQ(back.SaveToText(), text) << seed;
            ASSERT_TRUE(IsPrefixTree(back, *document) && CountKnots(back) == CountKnots(*document));
        }
    }
}

} // namespace
} // namespace qv
