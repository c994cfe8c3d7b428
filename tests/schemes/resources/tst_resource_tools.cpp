// RES files and executables exchanged with the real resource compiler and linker.

#include "schemes/resources/string_table_block.h"
#include "schemes/resources/win_exe_resources.h"
#include "schemes/resources/win_res_resources.h"

#include "support/printers.h"
#include "support/tool_runner.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

namespace qv {
namespace {

const char* const Script = R"(LANGUAGE 0, 0
STRINGTABLE
{
  1, "One"
  17, "Seventeen"
}
5 RCDATA { "abc" }
MYRES MYTYPE { "named" }
LANGUAGE 0x07, 0x01
STRINGTABLE
{
  1, "Eins"
}
)";

using TStrings = std::vector<std::tuple<int, int, QString>>; // language, id, text

TStrings StringsOf(const TWinResources& list)
{
    TStrings strings;
    for (const TWinResourceItem* item : list.Items()) {
        std::vector<TStringTableEntry> block;
        if (ReadStringTableBlock(*item, block)) {
            for (const TStringTableEntry& entry : block)
                strings.emplace_back(item->LanguageId(), entry.Id, entry.Text);
        }
    }
    std::sort(strings.begin(), strings.end());
    return strings;
}

const TStrings ScriptStrings = {
    {0, 1, QStringLiteral("One")}, {0, 17, QStringLiteral("Seventeen")}, {0x0407, 1, QStringLiteral("Eins")}};

// Type, name, language and bytes of every item, in a fixed order (executables sort their directories).
std::vector<std::tuple<QString, QString, int, QByteArray>> Contents(const TWinResources& list)
{
    std::vector<std::tuple<QString, QString, int, QByteArray>> contents;
    for (const TWinResourceItem* item : list.Items())
        contents.emplace_back(item->ResType().DisplayText(), item->ResName().DisplayText(),
                              item->LanguageId(), item->Data());
    std::sort(contents.begin(), contents.end());
    return contents;
}

// The strings of the STRINGTABLE statements of a decompiled script ("LANGUAGE p, s" lines set the
// language of what follows; strings are lines "id, \"text\"" without escapes in our samples).
TStrings ScriptStringsIn(const QString& script)
{
    TStrings strings;
    int language = 0;
    bool inTable = false;
    const QRegularExpression languageLine(QStringLiteral("^LANGUAGE (\\d+), (\\d+)$"));
    const QRegularExpression stringLine(QStringLiteral("^\\s*(\\d+), \"([^\"]*)\"$"));
    for (const QString& line : script.split(QLatin1Char('\n'))) {
        if (const auto match = languageLine.match(line); match.hasMatch())
            language = match.captured(1).toInt() | match.captured(2).toInt() << 10;
        else if (line.startsWith(QLatin1String("STRINGTABLE")))
            inTable = true;
        else if (line == QLatin1String("END"))
            inTable = false;
        else if (const auto match = stringLine.match(line); inTable && match.hasMatch())
            strings.emplace_back(language, match.captured(1).toInt(), match.captured(2));
    }
    std::sort(strings.begin(), strings.end());
    return strings;
}

class ResourceTools : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(Dir.isValid()); }

    QString Path(const char* name) const { return Dir.filePath(QString::fromLatin1(name)); }

    void Run(const QString& tool, const QStringList& arguments)
    {
        const TToolResult result = RunTool(tool, arguments, Dir.path());
        ASSERT_TRUE(result.Started) << tool.toStdString();
        ASSERT_EQ(result.ExitCode, 0) << tool.toStdString() << ": " << result.Errors.toStdString();
    }

    QTemporaryDir Dir;
};

TEST_F(ResourceTools, CompiledResFileIsReadAndSavedIdentically)
{
    FIND_TOOL_OR_SKIP(windres, "x86_64-w64-mingw32-windres");
    ASSERT_TRUE(WriteFile(Path("sample.rc"), Script));
    Run(windres, {QStringLiteral("-i"), Path("sample.rc"), QStringLiteral("-O"), QStringLiteral("res"),
                  QStringLiteral("-o"), Path("sample.res")});
    TWinResResources list;
    list.LoadFromResFile(Path("sample.res"));
    EXPECT_FALSE(list.OmitEmptyEntry());
    EXPECT_EQ(StringsOf(list), ScriptStrings);
    ASSERT_NE(list.FindItem(TResourceId(uint16_t(rtRCData)), TResourceId(uint16_t(5))), nullptr);
    EXPECT_EQ(list.FindItem(TResourceId(uint16_t(rtRCData)), TResourceId(uint16_t(5)))->Data(),
              QByteArray("abc"));
    const TWinResourceItem* named =
        list.FindItem(TResourceId(QStringLiteral("MYTYPE")), TResourceId(QStringLiteral("MYRES")));
    ASSERT_NE(named, nullptr);
    EXPECT_EQ(named->Data(), QByteArray("named"));

    QFile compiled(Path("sample.res"));
    ASSERT_TRUE(compiled.open(QIODevice::ReadOnly));
    EXPECT_EQ(list.SaveToResData(), compiled.readAll());
}

TEST_F(ResourceTools, SavedResFileIsReadByTheCompiler)
{
    FIND_TOOL_OR_SKIP(windres, "x86_64-w64-mingw32-windres");
    TWinResResources list;
    AppendStringTable(list, {{17, QStringLiteral("Seventeen")}, {1, QStringLiteral("One")}}, 0);
    AppendStringTable(list, {{1, QStringLiteral("Eins")}}, 0x0407);
    list.AddItem(TResourceId(uint16_t(rtRCData)), TResourceId(uint16_t(5)), "abc");
    list.AddItem(TResourceId(QStringLiteral("myType")), TResourceId(QStringLiteral("myRes")), "named");
    ASSERT_TRUE(list.SaveToResFile(Path("ours.res")));
    Run(windres, {QStringLiteral("-i"), Path("ours.res"), QStringLiteral("-o"), Path("back.rc")});
    QFile script(Path("back.rc"));
    ASSERT_TRUE(script.open(QIODevice::ReadOnly | QIODevice::Text));
    const QString text = QString::fromUtf8(script.readAll());
    EXPECT_EQ(ScriptStringsIn(text), ScriptStrings) << text.toStdString();
    EXPECT_TRUE(text.contains(QLatin1String("\"MYRES\" \"MYTYPE\""))) << text.toStdString();
    EXPECT_TRUE(text.contains(QLatin1String("5 RCDATA"))) << text.toStdString();
}

TEST_F(ResourceTools, LinkedLibrariesGiveTheSameResources)
{
    FIND_TOOL_OR_SKIP(windres, "x86_64-w64-mingw32-windres");
    FIND_TOOL_OR_SKIP(linker, "x86_64-w64-mingw32-ld");
    ASSERT_TRUE(WriteFile(Path("sample.rc"), Script));
    Run(windres, {QStringLiteral("-i"), Path("sample.rc"), QStringLiteral("-O"), QStringLiteral("res"),
                  QStringLiteral("-o"), Path("sample.res")});
    TWinResResources expected;
    expected.LoadFromResFile(Path("sample.res"));
    const QString object = Path("sample.o");
    Run(windres, {QStringLiteral("-O"), QStringLiteral("coff"), QStringLiteral("-i"), Path("sample.rc"),
                  QStringLiteral("-o"), object});
    // A library and a program (the linker only warns about the missing entry point).
    for (const QStringList& kind : {QStringList{QStringLiteral("--dll")}, QStringList()}) {
        const QString output = Path(kind.isEmpty() ? "sample.exe" : "sample.dll");
        Run(linker, kind + QStringList{object, QStringLiteral("-o"), output});
        TWinExeResources list;
        list.LoadFromExecutable(output);
        EXPECT_EQ(StringsOf(list), ScriptStrings) << output.toStdString();
        EXPECT_EQ(Contents(list), Contents(expected)) << output.toStdString();
    }
}

} // namespace
} // namespace qv
