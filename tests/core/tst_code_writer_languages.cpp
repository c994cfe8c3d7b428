// The literal and comment syntax of each language, the batch text, colours, and whole files
// compared byte for byte with golden files.

#include "core/code_writer.h"

#include "support/printers.h"

#include <QFile>

#include <gtest/gtest.h>

namespace qv {
namespace {

QString U(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// A text with NULs, which C string literals cannot carry.
QString WithNul(std::initializer_list<QString> parts)
{
    QString text;
    bool first = true;
    for (const QString& part : parts) {
        if (!first)
            text += QChar(0);
        text += part;
        first = false;
    }
    return text;
}

// ---------------------------------------------------------------------------------------------
// QuoteString

struct TQuoteRow
{
    const char* Name;
    const TCodeWriterClass* Class;
    QString Text;
    bool Continued;
    bool Last;
    QString Quoted;
};

void PrintTo(const TQuoteRow& row, std::ostream* os)
{
    *os << row.Name;
}

class QuoteStringRows : public ::testing::TestWithParam<TQuoteRow>
{
};

TEST_P(QuoteStringRows, SpellsTheLiteral)
{
    const TQuoteRow& row = GetParam();
    const std::unique_ptr<TCodeWriter> writer = row.Class->CreateWriter();
    const auto* source = dynamic_cast<TSourceCodeWriter*>(writer.get());
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->QuoteString(row.Text, row.Continued, row.Last), row.Quoted);
}

const TCodeWriterClass* const pascal = TPascalCodeWriter::StaticClass();
const TCodeWriterClass* const cpp = TCppCodeWriter::StaticClass();
const TCodeWriterClass* const rc = TRcCodeWriter::StaticClass();
const TCodeWriterClass* const basic = TBasicCodeWriter::StaticClass();

const TQuoteRow quoteRows[] = {
    {"PascalApostrophe", pascal, U("It's"), false, true, U("'It''s'")},
    {"PascalLoneCr", pascal, U("\r"), false, true, U("#13")},
    {"PascalEmpty", pascal, U(""), false, true, U("''")},
    {"PascalLineBreakInside", pascal, U("ab\r\nc"), false, true, U("'ab'#13#10'c'")},
    {"PascalTabAtBothEnds", pascal, U("\tx\t"), false, true, U("#9'x'#9")},
    {"PascalEveryControlOutsideQuotes", pascal, WithNul({U("a"), U("\x1a\x01z\x1f")}), false, true,
     U("'a'#0#26#1'z'#31")},
    {"PascalNotLast", pascal, U("x"), false, false, U("'x' +")},
    {"PascalEmptyNotLast", pascal, U(""), true, false, U("'' +")},
    {"PascalNonAsciiStaysQuoted", pascal, U("Жук 😀"), false, true, U("'Жук 😀'")},
    {"CppEscapes", cpp, U("a\"b\\c\t"), false, true, U("\"a\\\"b\\\\c\\t\"")},
    {"CppLineBreaks", cpp, U("\r\n"), false, true, U("\"\\r\\n\"")},
    {"CppNulIsAnOctalEscape", cpp, WithNul({U("a"), U("12")}), false, true, U("\"a\\00012\"")},
    {"CppControlsAreOctal", cpp, U("\x01\x1a\x1b"), false, true, U("\"\\001\\032\\033\"")},
    {"CppNoTrigraphs", cpp, U("?\?=?\?/?\?\?"), false, true, U("\"?\\?=?\\?/?\\?\\?\"")},
    {"CppSingleQuestionMarks", cpp, U("a? b?"), false, true, U("\"a? b?\"")},
    {"CppNotLastEndsWithASplice", cpp, U("x"), false, false, U("\"x\" \\")},
    {"CppContinuedStillOpens", cpp, U("x"), true, true, U("\"x\"")},
    {"CppNonAsciiUnchanged", cpp, U("Ж"), false, true, U("\"Ж\"")},
    {"RcCyrillic", rc, U("\xd0\x96"), false, true, U("\"\\x0416\"")},
    {"RcQuoteIsDoubled", rc, U("say \"hi\""), false, true, U("\"say \"\"hi\"\"\"")},
    {"RcEscapes", rc, U("\t\r\n\\"), false, true, U("\"\\t\\r\\n\\\\\"")},
    {"RcControlsAndNul", rc, WithNul({U("\x01"), U("")}), false, true, U("\"\\x0001\\x0000\"")},
    {"RcAboveAsciiUpperCase", rc, U("\xc3\xbf\xe2\x82\xac"), false, true, U("\"\\x00FF\\x20AC\"")},
    {"RcSurrogatesAreCodeUnits", rc, U("😀"), false, true, U("\"\\xD83D\\xDE00\"")},
    {"RcNoTrigraphs", rc, U("a?\?=?"), false, true, U("\"a?\\x003F=?\"")},
    {"RcDelStaysRaw", rc, U("\x7f"), false, true, U("\"\x7f\"")},
    {"RcFirstPiece", rc, U("ab"), false, false, U("\"ab\\")},
    {"RcMiddlePiece", rc, U("ab"), true, false, U("ab\\")},
    {"RcLastPiece", rc, U("ab"), true, true, U("ab\"")},
    {"BasicPlain", basic, U("It's \"q\""), false, true, U("\"It's \"\"q\"\"\"")},
    {"BasicConstants", basic, U("a\r\nb\tc\rd\ne"), false, true,
     U("\"a\" & vbCrLf & \"b\" & vbTab & \"c\" & vbCr & \"d\" & vbLf & \"e\"")},
    {"BasicNulAndOthers", basic, WithNul({U(""), U("\x1b")}), false, true, U("vbNullChar & Chr(27)")},
    {"BasicEmpty", basic, U(""), false, true, U("\"\"")},
    {"BasicNotLast", basic, U("x"), false, false, U("\"x\" & _")},
};

INSTANTIATE_TEST_SUITE_P(Languages, QuoteStringRows, ::testing::ValuesIn(quoteRows),
                         [](const ::testing::TestParamInfo<TQuoteRow>& info) {
                             return std::string(info.param.Name);
                         });

// ---------------------------------------------------------------------------------------------
// Comments

TEST(Comments, EmptyTextWritesNothing)
{
    TBasicCodeWriter basicWriter;
    TPascalCodeWriter pascalWriter;
    TCppCodeWriter cppWriter;
    TRcCodeWriter rcWriter;
    for (TSourceCodeWriter* writer :
         std::initializer_list<TSourceCodeWriter*>{&basicWriter, &pascalWriter, &cppWriter, &rcWriter}) {
        EXPECT_FALSE(writer->WriteComment(QString()));
        EXPECT_FALSE(writer->WriteLineComment(QString()));
        EXPECT_TRUE(writer->Lines().isEmpty());
    }
}

TEST(Comments, InlineCommentsCannotEndEarly)
{
    TPascalCodeWriter pascalWriter;
    EXPECT_TRUE(pascalWriter.WriteComment(U("see {x} }")));
    TCppCodeWriter cppWriter;
    EXPECT_TRUE(cppWriter.WriteComment(U("a */ b")));
    TBasicCodeWriter basicWriter;
    EXPECT_TRUE(basicWriter.WriteComment(U("one")));
    EXPECT_EQ(pascalWriter.Lines(), QStringList{U("{ see (x) ) }")});
    EXPECT_EQ(cppWriter.Lines(), QStringList{U("/* a * / b */")});
    EXPECT_EQ(basicWriter.Lines(), QStringList{U("' one")});
}

TEST(Comments, InlineCommentsOfSeveralLinesKeepTheWritersLineBreaks)
{
    TPascalCodeWriter pascalWriter;
    pascalWriter.Indent();
    pascalWriter.WriteComment(U("one\r\ntwo\nthree"));
    EXPECT_EQ(pascalWriter.Lines(), QStringList({U("  { one"), U("  two"), U("  three }")}));
    TCppCodeWriter cppWriter;
    cppWriter.WriteComment(U("one\r"));
    EXPECT_EQ(cppWriter.Lines(), QStringList({U("/* one"), U(" */")}));
}

TEST(Comments, LineCommentsWrapWithTheirMarkAndEndTheLine)
{
    TCppCodeWriter writer;
    writer.SetMaxLineLength(20);
    writer.Write(U("int x;"));
    EXPECT_TRUE(writer.WriteLineComment(U("alpha beta gamma delta epsilon")));
    EXPECT_EQ(writer.Lines(), QStringList({U("int x;// alpha beta"), U("//  gamma delta epsilon"), U("")}));
}

// Every line of a comment text is a comment line of its own: otherwise the text after a line break
// would be compiled as code.
TEST(Comments, LineBreaksInTheTextStartNewCommentLines)
{
    TPascalCodeWriter pascalWriter;
    pascalWriter.WriteLineComment(U("one\r\ntwo\n\rthree"));
    EXPECT_EQ(pascalWriter.Lines(), QStringList({U("// one"), U("// two"), U("//"), U("// three"), U("")}));

    TBasicCodeWriter basicWriter;
    basicWriter.SetMaxLineLength(12);
    basicWriter.WriteComment(U("first line\rsecond words here"));
    EXPECT_EQ(basicWriter.Lines(), QStringList({U("' first line"), U("' second words"), U("'  here")}));
}

// A line that ends with the language's line continuation would carry the comment over the next
// line of code.
TEST(Comments, CommentLinesNeverEndWithALineContinuation)
{
    TCppCodeWriter cppWriter;
    cppWriter.WriteLineComment(U("C:\\dir\\\nok"));
    EXPECT_EQ(cppWriter.Lines(), QStringList({U("// C:\\dir\\ ."), U("// ok"), U("")}));
    TRcCodeWriter rcWriter;
    rcWriter.WriteLineComment(U("x\\"));
    EXPECT_EQ(rcWriter.Lines(), QStringList({U("// x\\ ."), U("")}));
    TBasicCodeWriter basicWriter;
    basicWriter.WriteLineComment(U("see _"));
    basicWriter.WriteComment(U("x _"));
    EXPECT_EQ(basicWriter.Lines(), QStringList({U("' see _ ."), U("' x _ .")}));
}

// ---------------------------------------------------------------------------------------------
// Batch text

TEST(ToOemText, EscapesForTheCommandInterpreterAndEncodes)
{
    const QString oem = TBatchCodeWriter::ToOemText(U("50% <a> ^ | & é Ж 😀"), U("IBM850"));
    EXPECT_EQ(oem.toLatin1(), QByteArray("50%% ^<a^> ^^ ^| ^& \x82 ? ?"));
    // Cyrillic console: the letter is there, the accented e is not.
    EXPECT_EQ(TBatchCodeWriter::ToOemText(U("é Ж"), U("IBM866")).toLatin1(), QByteArray("? \x86"));
    // Inside a quoted run, up to the next quote or the end of the line, nothing but "%" is escaped.
    EXPECT_EQ(TBatchCodeWriter::ToOemText(U("a \"b & ^%\" | \"c < d"), U("IBM850")).toLatin1(),
              QByteArray("a \"b & ^%%\" ^| \"c < d"));
    // Nothing ends the line early.
    EXPECT_EQ(TBatchCodeWriter::ToOemText(QStringLiteral("a\tb\nc\rd") + QChar(0) + QChar(0x7F), U("IBM850"))
                  .toLatin1(),
              QByteArray("a\tb?c?d??"));
}

TEST(ToOemText, UnknownCodePageFallsBackToLatin1)
{
    EXPECT_EQ(TBatchCodeWriter::ToOemText(U("é|Ж"), U("no-such-page")).toLatin1(), QByteArray("\xe9^|?"));
}

// ---------------------------------------------------------------------------------------------
// ColorToHtml

struct TColorRow
{
    TColor Color;
    bool UseNames;
    bool WithHash;
    const char* Html;
};

TEST(ColorToHtml, NamesAndHexadecimal)
{
    const TColorRow rows[] = {
        {0x0000FF, true, false, "Red"},
        {0x0000FF, false, true, "#FF0000"},
        {0x0000FF, false, false, "FF0000"},
        {0x123456, true, true, "#563412"},
        {0x0A0B0C, false, false, "0C0B0A"},
        {SystemColor(sciButtonFace), false, true, "#D4D0C8"},
        {SystemColor(sciWindow), true, false, "FFFFFF"}, // a system colour is never named
        {SystemColor(sciInfoBackground), false, false, "FFFFE1"},
        {clNone, false, true, "#FFFFFF"},
    };
    for (const TColorRow& row : rows)
        EXPECT_EQ(ColorToHtml(row.Color, row.UseNames, row.WithHash), U(row.Html)) << row.Color;

    const char* names[] = {"Black",  "Maroon", "Green", "Olive",  "Navy", "Purple",  "Teal", "Gray",
                           "Silver", "Red",    "Lime",  "Yellow", "Blue", "Fuchsia", "Aqua", "White"};
    const TColor colors[] = {0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0x808080,
                             0xC0C0C0, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};
    for (size_t i = 0; i < std::size(names); ++i)
        EXPECT_EQ(ColorToHtml(colors[i], true, true), U(names[i]));
}

// ---------------------------------------------------------------------------------------------
// Whole files, byte for byte

QByteArray ReadGolden(const char* name)
{
    QFile file(QStringLiteral(TEST_DATA_DIR "/writers/") + QString::fromLatin1(name));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("missing golden file ") + name;
    return file.readAll();
}

void ExpectGolden(const QByteArray& actual, const char* name)
{
    EXPECT_EQ(actual, ReadGolden(name)) << "golden file " << name;
}

const QString headerLine = U("This file was generated. Changes will be lost.");

TEST(GoldenFiles, PascalUnit)
{
    TPascalCodeWriter w;
    w.WriteComment(headerLine);
    w.NewLine();
    w.WriteLn(U("unit Strings;"));
    w.EnsureBlankLine();
    w.WriteLn(U("interface"));
    w.EnsureBlankLine();
    w.WriteLn(U("const"));
    w.Indent();
    w.WriteLineComment(U("The greeting shown when the program starts, in the language chosen at setup time"));
    w.Write(U("SGreeting = "));
    w.WriteString(U("Hello, world! It's a fine day.\r\nSecond line:\ta tab, and a long tail of words that "
                    "needs to be wrapped over several lines of the unit."),
                  true);
    w.WriteLn(U(";"));
    w.Write(U("SEmpty = "));
    w.WriteString(QString(), true);
    w.WriteLn(U(";"));
    w.Write(U("SRussian = "));
    w.WriteString(U("Привет"), true);
    w.WriteLn(U(";"));
    w.Unindent();
    w.EnsureBlankLine();
    w.WriteLn(U("function Sum(const FirstValue, SecondValue, ThirdValue: Integer; Scale: Double): Double;"));
    w.EnsureBlankLine();
    w.WriteLn(U("implementation"));
    w.EnsureBlankLine();
    w.WriteLn(U("end."));
    ExpectGolden(w.Text().toUtf8(), "unit.pas");
}

TEST(GoldenFiles, CHeader)
{
    TCppCodeWriter w;
    w.WriteLineComment(headerLine);
    w.NewLine();
    w.WriteLineComment(U("Greeting"));
    w.Write(U("#define SGreeting "));
    w.WriteString(U("Hello, \"world\"! A path C:\\temp\\ and a long tail of words that needs to be wrapped."),
                  true);
    w.NewLine();
    w.NewLine();
    w.WriteLineComment(U("Greeting"));
    w.Write(U("const AnsiString SGreeting = "));
    w.WriteString(U("Tab\there, line\r\nbreak, NUL") + QChar(0) + U("7 and ?\?= no trigraph"), true);
    w.WriteLn(U(";"));
    w.WriteLn(U("const int Resource7 = 7;"));
    ExpectGolden(w.Text().toUtf8(), "header.h");
}

TEST(GoldenFiles, ResourceScript)
{
    TRcCodeWriter w;
    w.WriteLineComment(headerLine);
    w.NewLine();
    w.WriteLn(U("STRINGTABLE LANGUAGE 0x19, 0x01"));
    w.WriteLn(U("{"));
    w.Write(U("100, L"));
    w.WriteString(U("Привет, \"мир\"!"), true);
    w.NewLine();
    w.Write(U("101, L"));
    w.WriteString(U("A long English sentence that the resource compiler reads over more than one line."),
                  true);
    w.NewLine();
    w.WriteLn(U("}"));
    ExpectGolden(w.Text().toUtf8(), "strings.rc");
}

TEST(GoldenFiles, BasicModule)
{
    TBasicCodeWriter w;
    w.WriteLineComment(headerLine);
    w.NewLine();
    w.WriteLineComment(U("Greeting"));
    w.Write(U("Public Const SGreeting As String = "));
    w.WriteString(U("Say \"hi\"\r\nand a long tail of words that needs to be wrapped over more lines, "
                    "because Basic lines are short too."),
                  false);
    w.NewLine();
    w.WriteLn(U("Public Const Resource7 As Integer = 7"));
    ExpectGolden(w.Text().toUtf8(), "module.bas");
}

TEST(GoldenFiles, XmlDocument)
{
    TXmlCodeWriter w;
    w.WriteLn(U("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
    w.WriteStartTag(U("settings"));
    w.NewLine();
    w.Indent();
    w.WriteTagStart(U("item"));
    w.WriteAttribute(U("name"), U("Tom & \"Jerry\""));
    w.WriteAttribute(U("note"), U("it's <b>\tbold"));
    w.CloseEmptyTag();
    w.NewLine();
    w.WriteTagStart(U("text"));
    w.CloseTag();
    w.Write(TXmlCodeWriter::EscapeText(U("a > b\r\nc")));
    w.WriteEndTag(U("text"));
    w.NewLine();
    w.Unindent();
    w.WriteEndTag(U("settings"));
    w.NewLine();
    ExpectGolden(w.Text().toUtf8(), "settings.xml");
}

TEST(GoldenFiles, BatchFile)
{
    TBatchCodeWriter w;
    w.WriteLn(U("@rem ") + TBatchCodeWriter::ToOemText(headerLine, U("IBM850")));
    w.NewLine();
    w.WriteLn(U(":start"));
    w.WriteLn(U("start \"\" \"/opt/my tools/run.sh\" --fast"));
    w.WriteLn(U("@echo ") + TBatchCodeWriter::ToOemText(U("Ready: 100% <done> & café"), U("IBM850")));
    w.WriteLn(U("@echo."));
    w.WriteLn(U("pause"));
    w.WriteLn(U("goto start"));
    ExpectGolden(w.Text().toLatin1(), "commands.bat");
}

} // namespace
} // namespace qv
