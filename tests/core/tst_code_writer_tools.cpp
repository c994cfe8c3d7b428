// What the writers spell is read back by the real tools: a Pascal and a C/C++ program print their
// literals, a resource compiler builds a string table, and XML and HTML parsers read documents.
// Each check skips, with the reason printed, when its tool is not installed.

#include "core/code_writer.h"

#include "support/printers.h"
#include "support/tool_runner.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace qv {
namespace {

// ---------------------------------------------------------------------------------------------
// The texts every check writes

struct TNastyText
{
    QString Name;
    QString Text;
};

QString U(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

QList<TNastyText> NastyTexts()
{
    QString controls;
    for (char16_t c = 0; c < 32; ++c)
        controls += QChar(c);
    QString long300;
    for (int i = 0; i < 300; ++i)
        long300 += QChar(u"abcdefghijklmnopqrstuvwxyz0123456789"[i % 36]);
    QString emoji;
    for (int i = 0; i < 60; ++i)
        emoji += U("😀");
    QString operators;
    for (int i = 0; i < 8; ++i)
        operators += U("a:=b+c-d;e<f>g=h,(i)[j]");

    return {
        {U("Empty"), QString()},
        {U("Apostrophes"), U("It's 'quoted' ''")},
        {U("DoubleQuotes"), U("say \"hi\" \"\"")},
        {U("Backslashes"), U("C:\\dir\\file \\\\server\\")},
        {U("LoneCr"), U("\r")},
        {U("LoneLf"), U("\n")},
        {U("CrLf"), U("a\r\nb\r\n")},
        {U("Tab"), U("a\tb\t")},
        {U("AllControls"), controls},
        {U("ControlsAroundText"), U("\x01start mid\x1a end\x1f")},
        {U("NulBeforeDigits"), QChar(0) + U("123") + QChar(0) + U("8")},
        {U("NonAscii"), U("Ünïcödé Жук 中文 😀 €")},
        {U("Trigraphs"), U("?\?= ?\?/ ?\?' ?\?( ?\?) ?\?! ?\?< ?\?> ?\?- ???")},
        {U("CommentMarks"), U("/* not */ // no { brace } (* x *)")},
        {U("Percent"), U("100% %s %d %%")},
        {U("HexLike"), U("\\x41 Ж1 ЖF \\0")},
        {U("Long300"), long300},
        {U("NeedsWrapping"),
         U("A sentence that is long enough to be wrapped: it has \"quotes\", it's got apostrophes, "
           "a tab\there, a line break\r\nthen more words, (parentheses), a+b-c, x<=y, and ends with "
           "a backslash \\ and several more words to go past another line or two of output.")},
        {U("EmojiRun"), emoji},
        {U("Operators"), operators},
        {U("Spaces"), U("   leading and trailing   ")},
        {U("ShortTail"), QString(78, u'x') + U(" ab")},
    };
}

// XML 1.0 has no way to hold NUL or the control characters other than tab, CR and LF.
bool IsXmlText(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() < 32 && c != u'\t' && c != u'\r' && c != u'\n')
            return false;
    }
    return true;
}

// Reads what the test programs print: for each text its length in bytes on a line, then the bytes.
QList<QByteArray> ReadPrintedTexts(const QByteArray& output)
{
    QList<QByteArray> texts;
    qsizetype pos = 0;
    while (pos < output.size()) {
        const qsizetype end = output.indexOf('\n', pos);
        if (end < 0)
            break;
        bool ok = false;
        const qsizetype length = output.mid(pos, end - pos).trimmed().toLongLong(&ok);
        if (!ok || end + 1 + length > output.size())
            break;
        texts.append(output.mid(end + 1, length));
        pos = end + 1 + length;
    }
    return texts;
}

class ToolCheck : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(FDir.isValid()); }
    QString Path(const QString& name) const { return FDir.filePath(name); }

    QTemporaryDir FDir;
    const QList<TNastyText> FTexts = NastyTexts();
};

// ---------------------------------------------------------------------------------------------
// Pascal

TEST_F(ToolCheck, PascalLiteralsCompileToTheirText)
{
    FIND_TOOL_OR_SKIP(fpc, "fpc");
    TPascalCodeWriter w;
    w.WriteLn(U("program Literals;"));
    w.WriteLineComment(U("Comments that try to end early: } *) { and a line break\r\nbegin Halt(3); end."));
    w.WriteComment(U("inline } still a comment {"));
    w.NewLine();
    w.WriteLn(U("procedure P(const S: AnsiString);"));
    w.WriteLn(U("begin"));
    w.Indent();
    w.WriteLn(U("Writeln(Length(S));"));
    w.WriteLn(U("Write(S);"));
    w.Unindent();
    w.WriteLn(U("end;"));
    w.WriteLn(U("const"));
    w.Indent();
    for (int i = 0; i < FTexts.size(); ++i) {
        w.WriteLineComment(FTexts[i].Name);
        w.Write(QStringLiteral("S%1 = ").arg(i));
        w.WriteString(FTexts[i].Text, true);
        w.WriteLn(U(";"));
    }
    w.Unindent();
    w.WriteLn(U("begin"));
    w.Indent();
    for (int i = 0; i < FTexts.size(); ++i)
        w.WriteLn(QStringLiteral("P(S%1);").arg(i));
    w.Unindent();
    w.WriteLn(U("end."));
    ASSERT_TRUE(WriteFile(Path(U("literals.pas")), w.Text().toUtf8()));

    const TToolResult compiled = RunTool(fpc, {U("-Mdelphi"), U("-vew"), U("literals.pas")}, FDir.path());
    ASSERT_TRUE(compiled.Started);
    ASSERT_EQ(compiled.ExitCode, 0) << compiled.Output.toStdString() << compiled.Errors.toStdString();
    const TToolResult run = RunTool(Path(U("literals")), {}, FDir.path());
    ASSERT_EQ(run.ExitCode, 0);
    const QList<QByteArray> printed = ReadPrintedTexts(run.Output);
    ASSERT_EQ(printed.size(), FTexts.size());
    for (int i = 0; i < FTexts.size(); ++i)
        EXPECT_EQ(printed[i], FTexts[i].Text.toUtf8()) << FTexts[i].Name.toStdString();
}

// ---------------------------------------------------------------------------------------------
// C and C++

class CppToolCheck : public ToolCheck
{
protected:
    // A program that prints every text twice: from an array initialised with the literal and from a
    // macro defined as the literal.
    QByteArray Program(bool asC) const
    {
        TCppCodeWriter w;
        w.WriteLineComment(U("Comments that try to end early: */ and a line break\r\nint broken = ;"));
        w.WriteLineComment(U("and one that ends in a backslash \\"));
        w.WriteLn(U("int continued_line_is_code;"));
        w.WriteComment(U("inline */ still a comment"));
        w.NewLine();
        w.WriteLn(U("#include <stdio.h>"));
        w.WriteLn(asC ? U("static void P(const char* s, size_t n)")
                      : U("static void P(const char* s, std::size_t n)"));
        w.WriteLn(U("{"));
        w.Indent();
        w.WriteLn(U("printf(\"%lu\\n\", (unsigned long)n);"));
        w.WriteLn(U("fwrite(s, 1, n, stdout);"));
        w.Unindent();
        w.WriteLn(U("}"));
        for (int i = 0; i < FTexts.size(); ++i) {
            w.Write(QStringLiteral("#define M%1 ").arg(i));
            w.WriteString(FTexts[i].Text, true);
            w.NewLine();
            w.Write(QStringLiteral("static const char s%1[] = ").arg(i));
            w.WriteString(FTexts[i].Text, true);
            w.WriteLn(U(";"));
        }
        w.WriteLn(U("int main(void)"));
        w.WriteLn(U("{"));
        w.Indent();
        w.WriteLn(U("(void)continued_line_is_code;"));
        for (int i = 0; i < FTexts.size(); ++i) {
            w.WriteLn(QStringLiteral("P(s%1, sizeof(s%1) - 1);").arg(i));
            w.WriteLn(QStringLiteral("P(M%1, sizeof(M%1) - 1);").arg(i));
        }
        w.WriteLn(U("return 0;"));
        w.Unindent();
        w.WriteLn(U("}"));
        QString text = w.Text();
        if (!asC)
            text.replace(U("<stdio.h>"), U("<cstdio>"));
        return text.toUtf8();
    }

    void CompileAndCompare(const QString& compiler, const QStringList& options, const QString& source)
    {
        ASSERT_TRUE(WriteFile(Path(source), Program(source.endsWith(U(".c")))));
        const TToolResult compiled =
            RunTool(compiler,
                    options + QStringList{U("-Wall"), U("-Wextra"), U("-Werror"), U("-pedantic"), U("-o"),
                                          U("literals"), source},
                    FDir.path());
        ASSERT_TRUE(compiled.Started);
        ASSERT_EQ(compiled.ExitCode, 0) << compiled.Errors.toStdString();
        const TToolResult run = RunTool(Path(U("literals")), {}, FDir.path());
        ASSERT_EQ(run.ExitCode, 0);
        const QList<QByteArray> printed = ReadPrintedTexts(run.Output);
        ASSERT_EQ(printed.size(), 2 * FTexts.size());
        for (int i = 0; i < FTexts.size(); ++i) {
            EXPECT_EQ(printed[2 * i], FTexts[i].Text.toUtf8()) << "literal " << FTexts[i].Name.toStdString();
            EXPECT_EQ(printed[2 * i + 1], FTexts[i].Text.toUtf8())
                << "macro " << FTexts[i].Name.toStdString();
        }
    }
};

TEST_F(CppToolCheck, CppLiteralsCompileToTheirText)
{
    FIND_TOOL_OR_SKIP(gxx, "g++");
    CompileAndCompare(gxx, {U("-std=c++17")}, U("literals.cpp"));
}

// C99 still reads trigraphs.
TEST_F(CppToolCheck, CLiteralsCompileToTheirTextWithTrigraphsOn)
{
    FIND_TOOL_OR_SKIP(gcc, "gcc");
    CompileAndCompare(gcc, {U("-std=c99")}, U("literals.c"));
}

// ---------------------------------------------------------------------------------------------
// Resource scripts

// The string tables of a RES file: id → text.
QMap<int, QString> ReadStringTables(const QByteArray& res)
{
    QMap<int, QString> strings;
    const auto u16 = [&](qsizetype at) {
        return quint16(uchar(res[at]) | (uchar(res[at + 1]) << 8));
    };
    const auto u32 = [&](qsizetype at) {
        return quint32(u16(at)) | (quint32(u16(at + 2)) << 16);
    };
    qsizetype pos = 0;
    while (pos + 32 <= res.size()) {
        const quint32 dataSize = u32(pos);
        const quint32 headerSize = u32(pos + 4);
        qsizetype at = pos + 8;
        // Type and name: 0xFFFF and a number, or a NUL-terminated UTF-16 name.
        int ids[2] = {-1, -1};
        for (int& id : ids) {
            if (u16(at) == 0xFFFF) {
                id = u16(at + 2);
                at += 4;
            } else {
                while (u16(at) != 0)
                    at += 2;
                at += 2;
            }
        }
        if (ids[0] == 6) { // a string table block of 16 strings
            qsizetype s = pos + headerSize;
            for (int k = 0; k < 16 && s + 2 <= pos + headerSize + dataSize; ++k) {
                const quint16 length = u16(s);
                QString text;
                for (quint16 j = 0; j < length; ++j)
                    text += QChar(u16(s + 2 + 2 * j));
                if (length > 0)
                    strings.insert((ids[1] - 1) * 16 + k, text);
                s += 2 + 2 * qsizetype(length);
            }
        }
        pos = (pos + headerSize + dataSize + 3) & ~qsizetype(3);
    }
    return strings;
}

TEST_F(ToolCheck, ResourceStringsCompileToTheirText)
{
    FIND_TOOL_OR_SKIP(windres, "x86_64-w64-mingw32-windres");
    FIND_TOOL_OR_SKIP(cpp, "cpp");
    TRcCodeWriter w;
    w.WriteLineComment(U("Comments that end in a backslash \\"));
    w.WriteLineComment(U("or hold a line break\r\nSTRINGTABLE"));
    w.WriteLn(U("STRINGTABLE LANGUAGE 0x00, 0x00"));
    w.WriteLn(U("{"));
    for (int i = 0; i < FTexts.size(); ++i) {
        w.Write(QStringLiteral("%1, L").arg(i + 1));
        w.WriteString(FTexts[i].Text, true);
        w.NewLine();
    }
    w.WriteLn(U("}"));
    ASSERT_TRUE(WriteFile(Path(U("strings.rc")), w.Text().toUtf8()));

    const TToolResult compiled = RunTool(
        windres,
        {U("--preprocessor=") + cpp, U("-i"), U("strings.rc"), U("-O"), U("res"), U("-o"), U("strings.res")},
        FDir.path());
    ASSERT_TRUE(compiled.Started);
    ASSERT_EQ(compiled.ExitCode, 0) << compiled.Errors.toStdString();
    // No warnings either (such as the one for a backslash before a double quote).
    EXPECT_TRUE(compiled.Errors.isEmpty()) << compiled.Errors.toStdString();
    QFile res(Path(U("strings.res")));
    ASSERT_TRUE(res.open(QIODevice::ReadOnly));
    const QMap<int, QString> strings = ReadStringTables(res.readAll());
    for (int i = 0; i < FTexts.size(); ++i)
        EXPECT_EQ(strings.value(i + 1), FTexts[i].Text) << FTexts[i].Name.toStdString();
}

// ---------------------------------------------------------------------------------------------
// XML and HTML

// One element per text that XML can hold, the text both as an attribute and as the content;
// returns the texts written.
QList<TNastyText> WriteRows(TCustomXmlCodeWriter& w, const QList<TNastyText>& texts, const QString& tag,
                            const QString& nameAttribute, const QString& valueAttribute)
{
    QList<TNastyText> written;
    w.Indent();
    for (const TNastyText& text : texts) {
        if (!IsXmlText(text.Text))
            continue;
        w.WriteTagStart(tag);
        w.WriteAttribute(nameAttribute, text.Name);
        w.WriteAttribute(valueAttribute, text.Text);
        w.CloseTag();
        w.Write(TCustomXmlCodeWriter::EscapeText(text.Text));
        w.WriteEndTag(tag);
        w.NewLine();
        written.append(text);
    }
    w.Unindent();
    return written;
}

TEST_F(ToolCheck, XmlDocumentsParseToTheirText)
{
    FIND_TOOL_OR_SKIP(xmllint, "xmllint");
    TXmlCodeWriter w;
    w.WriteLn(U("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
    w.WriteStartTag(U("rows"));
    w.NewLine();
    const QList<TNastyText> written = WriteRows(w, FTexts, U("row"), U("name"), U("value"));
    w.WriteEndTag(U("rows"));
    w.NewLine();
    const QByteArray document = w.Text().toUtf8();
    ASSERT_TRUE(WriteFile(Path(U("rows.xml")), document));

    const TToolResult checked = RunTool(xmllint, {U("--noout"), U("rows.xml")}, FDir.path());
    ASSERT_EQ(checked.ExitCode, 0) << checked.Errors.toStdString();
    ASSERT_TRUE(checked.Errors.isEmpty()) << checked.Errors.toStdString();

    // The values as the tool reads them (it adds a line break after each answer).
    for (const TNastyText& text : written) {
        for (const QString& path :
             {U("string(/rows/row[@name='%1']/@value)"), U("string(/rows/row[@name='%1'])")}) {
            const TToolResult value =
                RunTool(xmllint, {U("--xpath"), path.arg(text.Name), U("rows.xml")}, FDir.path());
            ASSERT_EQ(value.ExitCode, 0) << value.Errors.toStdString();
            EXPECT_EQ(value.Output, text.Text.toUtf8() + '\n') << path.arg(text.Name).toStdString();
        }
    }
}

TEST_F(ToolCheck, HtmlPagesParseToTheirText)
{
    FIND_TOOL_OR_SKIP(xmllint, "xmllint");
    THtmlCodeWriter w;
    w.WriteLn(
        U("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\" \"http://www.w3.org/TR/html4/strict.dtd\">"));
    w.WriteStartTag(U("html"));
    w.NewLine();
    w.WriteStartTag(U("head"));
    w.WriteTagStart(U("meta"));
    w.WriteAttribute(U("http-equiv"), U("Content-Type"));
    w.WriteAttribute(U("content"), U("text/html; charset=utf-8"));
    w.CloseTag();
    w.WriteStartTag(U("title"));
    w.Write(THtmlCodeWriter::EscapeText(U("Rows & <more>")));
    w.WriteEndTag(U("title"));
    w.WriteEndTag(U("head"));
    w.NewLine();
    w.WriteStartTag(U("body"));
    w.NewLine();
    const QList<TNastyText> written = WriteRows(w, FTexts, U("p"), U("id"), U("title"));
    w.WriteEndTag(U("body"));
    w.NewLine();
    w.WriteEndTag(U("html"));
    w.NewLine();
    ASSERT_TRUE(WriteFile(Path(U("rows.html")), w.Text().toUtf8()));

    const TToolResult checked = RunTool(xmllint, {U("--html"), U("--noout"), U("rows.html")}, FDir.path());
    ASSERT_EQ(checked.ExitCode, 0) << checked.Errors.toStdString();
    ASSERT_TRUE(checked.Errors.isEmpty()) << checked.Errors.toStdString();

    // A second, independent reader of HTML: the one of Python's standard library.
    FIND_TOOL_OR_SKIP(python, "python3");
    ASSERT_TRUE(WriteFile(Path(U("read.py")), R"(import html.parser, json, sys
class Reader(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.rows, self.current = {}, None
    def handle_starttag(self, tag, attrs):
        if tag == "p":
            a = dict(attrs)
            self.current = a["id"]
            self.rows[self.current] = {"title": a["title"], "text": ""}
    def handle_endtag(self, tag):
        self.current = None
    def handle_data(self, data):
        if self.current:
            self.rows[self.current]["text"] += data
reader = Reader()
with open(sys.argv[1], encoding="utf-8", newline="") as f:
    reader.feed(f.read())
reader.close()
print(json.dumps(reader.rows))
)"));
    const TToolResult parsed = RunTool(python, {U("read.py"), U("rows.html")}, FDir.path());
    ASSERT_EQ(parsed.ExitCode, 0) << parsed.Errors.toStdString();
    const QJsonObject rows = QJsonDocument::fromJson(parsed.Output).object();
    ASSERT_EQ(rows.size(), written.size());
    for (const TNastyText& text : written) {
        const QJsonObject row = rows.value(text.Name).toObject();
        EXPECT_EQ(row.value(U("title")).toString(), text.Text) << text.Name.toStdString();
        EXPECT_EQ(row.value(U("text")).toString(), text.Text) << text.Name.toStdString();
    }
}

} // namespace
} // namespace qv
