#include "core/code_writer.h"

#include "support/printers.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

QStringList L(std::initializer_list<const char*> lines)
{
    QStringList list;
    for (const char* line : lines)
        list.append(QString::fromUtf8(line));
    return list;
}

// ---------------------------------------------------------------------------------------------
// The class tree and its defaults

struct TDefaultsRow
{
    const TCodeWriterClass* Class;
    int IndentSize;
    char16_t IndentChar;
};

TEST(CodeWriterClasses, DefaultsFollowTheClassTree)
{
    const TDefaultsRow rows[] = {
        {TCodeWriter::StaticClass(), 0, 0},         {TBatchCodeWriter::StaticClass(), 0, 0},
        {TXmlCodeWriter::StaticClass(), 1, u'\t'},  {THtmlCodeWriter::StaticClass(), 1, u'\t'},
        {TBasicCodeWriter::StaticClass(), 0, u' '}, {TPascalCodeWriter::StaticClass(), 2, u' '},
        {TCppCodeWriter::StaticClass(), 4, u' '},   {TRcCodeWriter::StaticClass(), 0, u' '},
    };
    for (const TDefaultsRow& row : rows) {
        SCOPED_TRACE(row.Class->Name());
        ASSERT_FALSE(row.Class->IsAbstract());
        const std::unique_ptr<TCodeWriter> writer = row.Class->CreateWriter();
        ASSERT_NE(writer, nullptr);
        EXPECT_EQ(writer->ClassType(), row.Class);
        EXPECT_EQ(writer->IndentSize(), row.IndentSize);
        EXPECT_EQ(writer->IndentChar(), QChar(row.IndentChar));
        EXPECT_EQ(writer->IndentLevel(), 0);
        EXPECT_TRUE(writer->AutoIndent());
        EXPECT_TRUE(writer->LineBreaks());
        EXPECT_TRUE(writer->Lines().isEmpty());
        if (auto* source = dynamic_cast<TSourceCodeWriter*>(writer.get())) {
            EXPECT_EQ(source->MaxLineLength(), 80);
            EXPECT_EQ(source->MinTail(), 3);
            EXPECT_TRUE(source->WrapLines());
        }
    }
}

TEST(CodeWriterClasses, AbstractClassesCreateNothing)
{
    for (const TCodeWriterClass* cls :
         {static_cast<const TCodeWriterClass*>(TSourceCodeWriter::StaticClass()),
          static_cast<const TCodeWriterClass*>(TCustomCppCodeWriter::StaticClass())}) {
        EXPECT_TRUE(cls->IsAbstract());
        EXPECT_EQ(cls->CreateWriter(), nullptr);
        EXPECT_EQ(cls->CreateNode(), nullptr);
    }
}

TEST(CodeWriterClasses, ClassesAreFoundByName)
{
    EXPECT_EQ(TMetaClass::FindClass(QStringLiteral("TRcCodeWriter")), TRcCodeWriter::StaticClass());
}

// ---------------------------------------------------------------------------------------------
// TCodeWriter

TEST(CodeWriter, WriteAppendsToTheLastLineAndIndentsEmptyLines)
{
    TCodeWriter writer;
    writer.SetIndentSize(3);
    writer.SetIndentChar(u'.');
    writer.Write(QStringLiteral("a"));
    writer.Write(QStringLiteral("b"));
    writer.Indent();
    writer.Write(QStringLiteral("c")); // the line is not empty: no indentation
    writer.NewLine();
    writer.WriteLn(QStringLiteral("d"));
    writer.Indent();
    writer.WriteLn(QStringLiteral("e"));
    writer.Unindent();
    writer.Unindent();
    writer.Unindent(); // below zero: nothing is indented
    writer.WriteLn(QStringLiteral("f"));
    EXPECT_EQ(writer.Lines(), L({"abc", "...d", "......e", "f", ""}));
    EXPECT_EQ(writer.IndentLevel(), -1);
    EXPECT_EQ(writer.Text(), QStringLiteral("abc\r\n...d\r\n......e\r\nf\r\n"));
}

TEST(CodeWriter, EmptyTextWritesNotEvenTheIndentation)
{
    TPascalCodeWriter writer;
    writer.Indent();
    writer.Write(QString());
    EXPECT_TRUE(writer.Lines().isEmpty());
    writer.NewLine();
    writer.Write(QString());
    EXPECT_EQ(writer.Lines(), L({""}));
    writer.Write(QStringLiteral("x"));
    EXPECT_EQ(writer.Lines(), L({"  x"}));
}

TEST(CodeWriter, WithoutAutoIndentNothingIsIndented)
{
    TCppCodeWriter writer;
    writer.SetAutoIndent(false);
    writer.Indent();
    writer.WriteLn(QStringLiteral("x"));
    EXPECT_EQ(writer.Lines(), L({"x", ""}));
}

TEST(CodeWriter, WithoutLineBreaksNewLineDoesNothing)
{
    TXmlCodeWriter writer;
    writer.SetLineBreaks(false);
    writer.WriteLn(QStringLiteral("<a>"));
    writer.WriteLn(QStringLiteral("</a>"));
    writer.NewLine();
    EXPECT_EQ(writer.Lines(), L({"<a></a>"}));
}

TEST(CodeWriter, FormattedWritesUseThePrintfForms)
{
    TCodeWriter writer;
    writer.WriteFmt(QStringLiteral("%s=%d;"), {"a", 5});
    writer.WriteLnFmt(QStringLiteral("%.2x%.2X|%-4s|%4d"), {10, 171, "ab", 7});
    EXPECT_EQ(writer.Lines(), L({"a=5;0aAB|ab  |   7", ""}));
}

// ---------------------------------------------------------------------------------------------
// XML writers

TEST(XmlCodeWriter, TagsAndAttributesAreWrittenThroughWrite)
{
    TXmlCodeWriter writer;
    writer.WriteStartTag(QStringLiteral("root"));
    writer.NewLine();
    writer.Indent();
    writer.WriteTagStart(QStringLiteral("item"));
    writer.WriteAttribute(QStringLiteral("name"), QStringLiteral("a<b\"c'd&e>\tf"));
    writer.WriteAttributeRaw(QStringLiteral("n"), QStringLiteral("1"));
    writer.WriteAttributeQuoted(QStringLiteral("q"), QStringLiteral("x&amp;"));
    writer.WriteAttributeName(QStringLiteral("checked"));
    writer.CloseEmptyTag();
    writer.NewLine();
    writer.WriteTagStart(QStringLiteral("text"));
    writer.CloseTag();
    writer.Write(TXmlCodeWriter::EscapeText(QStringLiteral("1 < 2")));
    writer.WriteEndTag(QStringLiteral("text"));
    writer.NewLine();
    writer.WriteEmptyTag(QStringLiteral("br"));
    writer.NewLine();
    writer.Unindent();
    writer.WriteEndTag(QStringLiteral("root"));
    EXPECT_EQ(writer.Lines(),
              L({"<root>", "\t<item name=\"a&lt;b&quot;c&#39;d&amp;e&gt;&#9;f\" n=1 q=\"x&amp;\" checked/>",
                 "\t<text>1 &lt; 2</text>", "\t<br/>", "</root>"}));
}

TEST(XmlCodeWriter, ClassOperationsAreTheSharedValueEncoding)
{
    EXPECT_EQ(TXmlCodeWriter::EscapeText(QStringLiteral("\t'")), QStringLiteral("&#9;&#39;"));
    EXPECT_EQ(THtmlCodeWriter::DecodeValue(QStringLiteral("&lt;&unknown;&#65;"), 0, true),
              QStringLiteral("<&unknown;A"));
    bool needsQuotes = false;
    EXPECT_EQ(TCustomXmlCodeWriter::EncodeValue(QStringLiteral("a<b"), false, &needsQuotes),
              QStringLiteral("a&lt;b"));
    EXPECT_FALSE(needsQuotes);
}

// A relaxed value with a tab and no space must still be quoted: unquoted, the reader would end
// the value at the tab.
TEST(XmlCodeWriter, RelaxedValueWithATabIsQuoted)
{
    bool needsQuotes = false;
    const QString value = TXmlCodeWriter::EncodeValue(QStringLiteral("a\tb"), true, &needsQuotes);
    EXPECT_TRUE(needsQuotes);
    TXmlCodeWriter writer;
    if (needsQuotes)
        writer.WriteAttributeQuoted(QStringLiteral("v"), value);
    else
        writer.WriteAttributeRaw(QStringLiteral("v"), value);
    EXPECT_EQ(writer.Lines(), L({" v=\"a\tb\""}));
}

// ---------------------------------------------------------------------------------------------
// Wrapping: the exact arithmetic of WriteWrapped and WriteString

class WrapTest : public ::testing::Test
{
protected:
    void SetUp() override { FWriter.SetMaxLineLength(20); }
    TPascalCodeWriter FWriter;
};

TEST_F(WrapTest, BreaksAtTheFirstPermittedPlaceAtOrAfterTheWidth)
{
    FWriter.Write(QStringLiteral("aaaa bbbb cccc dddd eeee ffff"));
    // The space at the break starts the next line, after the continuation prefix.
    EXPECT_EQ(FWriter.Lines(), L({"aaaa bbbb cccc dddd", "   eeee ffff"}));
}

TEST_F(WrapTest, LinesWithoutPermittedPlacesStayWhole)
{
    // The break after "(" lies before the width and does not count.
    FWriter.Write(QStringLiteral("x(yyyyyyyyyyyyyyyyyyyyyyyyyyyyy"));
    EXPECT_EQ(FWriter.Lines(), L({"x(yyyyyyyyyyyyyyyyyyyyyyyyyyyyy"}));
}

TEST_F(WrapTest, OperatorsKeepTheirSecondCharacter)
{
    FWriter.Write(QStringLiteral("aaaaaaaaaaaaaaaaaaaa<=bbb"));
    FWriter.NewLine();
    FWriter.Write(QStringLiteral("aaaaaaaaaaaaaaaaaaa := bbbbbbb"));
    FWriter.NewLine();
    FWriter.Write(QStringLiteral("aaaaaaaaaaaaaaaaaaaa+bbbbbbbbb"));
    EXPECT_EQ(FWriter.Lines(), L({"aaaaaaaaaaaaaaaaaaaa<=", "  bbb", "aaaaaaaaaaaaaaaaaaa :=", "   bbbbbbb",
                                  "aaaaaaaaaaaaaaaaaaaa+", "  bbbbbbbbb"}));
}

TEST_F(WrapTest, ContinuationLinesCarryIndentationAndPrefix)
{
    FWriter.Indent();
    FWriter.Indent();
    FWriter.Write(QStringLiteral("aaaa bbbb cccc dddd eeee ffff"));
    EXPECT_EQ(FWriter.Lines(), L({"    aaaa bbbb cccc dddd", "       eeee ffff"}));
}

TEST_F(WrapTest, SuffixEndsEveryLineButTheLast)
{
    FWriter.WriteWrapped(QStringLiteral("aaaa bbbb cccc dddd eeee ffff gggg hhhh iiii"), QStringLiteral(" &"),
                         QStringLiteral("> "));
    EXPECT_EQ(FWriter.Lines(), L({"aaaa bbbb cccc dddd &", ">  eeee ffff gggg hhhh &", ">  iiii"}));
}

TEST_F(WrapTest, WithoutWrapLinesWriteIsPlain)
{
    FWriter.SetWrapLines(false);
    FWriter.Write(QStringLiteral("aaaa bbbb cccc dddd eeee ffff"));
    EXPECT_EQ(FWriter.Lines(), L({"aaaa bbbb cccc dddd eeee ffff"}));
}

TEST_F(WrapTest, StringPiecesBreakAfterTheBreakCharacter)
{
    FWriter.Write(QStringLiteral("S = "));
    FWriter.WriteString(QStringLiteral("one two three four five six seven"), true);
    FWriter.Write(QStringLiteral(";"));
    EXPECT_EQ(FWriter.Lines(), L({"S = 'one two three four ' +", "  'five six seven';"}));
    EXPECT_EQ(FWriter.IndentLevel(), 0);
}

TEST_F(WrapTest, ShortRemainderStaysWithTheLastPiece)
{
    FWriter.Write(QStringLiteral("S = "));
    FWriter.WriteString(QStringLiteral("one two three four abc"), true);
    EXPECT_EQ(FWriter.Lines(), L({"S = 'one two three four abc'"}));
    FWriter.NewLine();
    FWriter.WriteString(QString(22, u'x'), false);
    EXPECT_EQ(FWriter.Lines().back(), u'\'' + QString(22, u'x') + u'\'');
}

TEST_F(WrapTest, StringsWithoutBreaksAreCutAtTheWidth)
{
    FWriter.WriteString(QString(45, u'x'), false);
    const QString twenty(20, u'x');
    EXPECT_EQ(FWriter.Lines(),
              QStringList({u'\'' + twenty + u"' +", u'\'' + twenty + u"' +", QStringLiteral("'xxxxx'")}));
}

TEST_F(WrapTest, AFullLineStillTakesThreeCharacters)
{
    FWriter.Write(QString(30, u'#'));
    FWriter.WriteString(QStringLiteral("abcdefgh"), false);
    EXPECT_EQ(FWriter.Lines(),
              QStringList({QString(30, u'#') + QStringLiteral("'abc' +"), QStringLiteral("'defgh'")}));
}

TEST_F(WrapTest, EmptyStringIsAnEmptyLiteral)
{
    FWriter.Indent();
    FWriter.WriteString(QString(), true);
    EXPECT_EQ(FWriter.Lines(), L({"  ''"}));
    EXPECT_EQ(FWriter.IndentLevel(), 1);
}

TEST_F(WrapTest, NegativeMinTailEndsLikeZero)
{
    FWriter.SetMinTail(-1);
    FWriter.WriteString(QStringLiteral("abc"), false);
    FWriter.NewLine();
    FWriter.WriteString(QString(), false);
    EXPECT_EQ(FWriter.Lines(), L({"'abc'", "''"}));
}

TEST_F(WrapTest, SurrogatePairsAreNotSplitBetweenPieces)
{
    // 19 letters and an emoji: a cut at 20 would fall between its two halves.
    const QString text = QString(19, u'a') + QString::fromUtf8("😀") + QString(10, u'b');
    FWriter.WriteString(text, false);
    ASSERT_EQ(FWriter.Lines().size(), 2);
    EXPECT_EQ(FWriter.Lines()[0], u'\'' + QString(19, u'a') + QString::fromUtf8("😀") + u"' +");
    EXPECT_EQ(FWriter.Lines()[1], u'\'' + QString(10, u'b') + u'\'');
}

TEST(WriteString, ContinuationMarksDependOnTheLanguage)
{
    const QString text = QStringLiteral("one two three four five six seven");
    TCppCodeWriter cpp;
    TRcCodeWriter rc;
    for (TSourceCodeWriter* writer :
         {static_cast<TSourceCodeWriter*>(&cpp), static_cast<TSourceCodeWriter*>(&rc)}) {
        writer->SetMaxLineLength(20);
        writer->Write(QStringLiteral("S = "));
        writer->WriteString(text, true);
    }
    EXPECT_EQ(cpp.Lines(), L({"S = \"one two three four \" \\", "    \"five six seven\""}));
    // Resource scripts continue inside the string, at the very start of the next line.
    EXPECT_EQ(rc.Lines(), L({"S = \"one two three four \\", "five six seven\""}));
}

// ---------------------------------------------------------------------------------------------
// EnsureBlankLine and BreakIfLong

TEST(EnsureBlankLine, LeavesTheWriterAfterOneEmptyLine)
{
    TCppCodeWriter writer;
    writer.EnsureBlankLine();
    EXPECT_TRUE(writer.Lines().isEmpty());
    writer.Write(QStringLiteral("a"));
    writer.EnsureBlankLine();
    EXPECT_EQ(writer.Lines(), L({"a", "", ""}));
    writer.EnsureBlankLine();
    EXPECT_EQ(writer.Lines(), L({"a", "", ""}));

    TCppCodeWriter afterNewLine;
    afterNewLine.WriteLn(QStringLiteral("a"));
    afterNewLine.EnsureBlankLine();
    EXPECT_EQ(afterNewLine.Lines(), L({"a", "", ""}));

    TCppCodeWriter onlyLine;
    onlyLine.NewLine();
    onlyLine.EnsureBlankLine();
    EXPECT_EQ(onlyLine.Lines(), L({""}));
}

TEST(BreakIfLong, StartsADeeperContinuationLine)
{
    TPascalCodeWriter writer;
    writer.SetMaxLineLength(10);
    writer.Indent();
    writer.Write(QStringLiteral("abcdefg"));
    EXPECT_FALSE(writer.BreakIfLong()); // 9 characters
    writer.Write(QStringLiteral("h"));
    EXPECT_TRUE(writer.BreakIfLong());
    EXPECT_EQ(writer.Lines(), L({"  abcdefgh", "    "}));

    writer.SetAutoIndent(false);
    writer.Write(QStringLiteral("123456"));
    EXPECT_TRUE(writer.BreakIfLong());
    EXPECT_EQ(writer.Lines().back(), QString());

    writer.SetLineBreaks(false);
    writer.Write(QStringLiteral("0123456789"));
    EXPECT_FALSE(writer.BreakIfLong());
}

} // namespace
} // namespace qv
