#include "core/errors.h"
#include "core/strings.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>

#include "support/printers.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(StringTables, EnglishTextsAreExact)
{
    EXPECT_EQ(LoadStr(2077), QStringLiteral("File not found: %1"));
    EXPECT_EQ(LoadStr(2077, {QStringLiteral("/x/y")}), QStringLiteral("File not found: /x/y"));
    // No-break spaces are part of the text.
    EXPECT_EQ(LoadStr(2331), QString::fromUtf8("The value must\u00a0be [set]"));
    EXPECT_TRUE(LoadStr(999999).isEmpty());
}

TEST(StringTables, ParametersAreReplacedAtTheirFirstOccurrenceOnly)
{
    EXPECT_EQ(ReplaceParams(QStringLiteral("%1 and %1, %2"), {QStringLiteral("a"), QStringLiteral("b")}),
              QStringLiteral("a and %1, b"));
    // A parameter holding a placeholder is not replaced again, and "%1" does not match "%10".
    EXPECT_EQ(ReplaceParams(QStringLiteral("%10 %1 %2"), {QStringLiteral("%2"), QStringLiteral("x")}),
              QStringLiteral("%10 %2 x"));
}

TEST(StringTables, MissingLanguageFallsBackToEnglish)
{
    SetInterfaceLanguage(1031); // no table: every text comes from English
    EXPECT_EQ(LoadStr(2077), QStringLiteral("File not found: %1"));
    SetInterfaceLanguage(lcidEnglish);
    EXPECT_EQ(InterfaceLanguages().front(), lcidEnglish);
}

TEST(StringTables, PrintfLikeFormatting)
{
    struct TRow
    {
        const char* Format;
        std::initializer_list<TFormatArg> Args;
        const char* Expected;
    };
    const TRow rows[] = {
        {"Unknown type of file: %s", {"a.xyz"}, "Unknown type of file: a.xyz"},
        {"error (%d) to launch \"%s\"", {2, "f"}, "error (2) to launch \"f\""},
        {"%.2x%.2x%.2x", {255, 10, 0}, "ff0a00"},
        {"%.2X", {171}, "AB"},
        {"[%5s|%-4d]", {"ab", 7}, "[   ab|7   ]"},
        {"%03d%%", {7}, "007%"},
        {"%d %s", {-12}, "-12 "},
        {"%.3s", {"abcdef"}, "abc"},
    };
    for (const TRow& row : rows)
        EXPECT_EQ(FormatStr(QString::fromUtf8(row.Format), row.Args), QString::fromUtf8(row.Expected))
            << row.Format;
}

TEST(StringTables, ErrorsCarryTheTranslatedText)
{
    try {
        RaiseStr(2077, {QStringLiteral("a.txt")});
        FAIL();
    } catch (const EQvError& error) {
        EXPECT_EQ(error.Message(), QStringLiteral("File not found: a.txt"));
        EXPECT_STREQ(error.what(), "File not found: a.txt");
    }
}

// Every number the code passes to LoadStr, RaiseStr or QV_STR must exist in the English table.
TEST(StringTables, EveryNumberUsedInCodeExists)
{
    const QRegularExpression use(QStringLiteral(R"(\b(?:LoadStr|RaiseStr|QV_STR)\(\s*(\d+))"));
    QDirIterator it(QStringLiteral(QV_SOURCE_DIR "/src"), {QStringLiteral("*.cpp"), QStringLiteral("*.h")},
                    QDir::Files, QDirIterator::Subdirectories);

    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        const QString text = QString::fromUtf8(file.readAll());
        for (const QRegularExpressionMatch& match : use.globalMatch(text)) {
            const int id = match.captured(1).toInt();
            EXPECT_TRUE(HasStr(id)) << "string " << id << " used in " << path.toStdString();
        }
    }
}

} // namespace
} // namespace qv
