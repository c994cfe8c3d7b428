#include "core/text_utils.h"

#include "support/printers.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

const QString replacement(QChar::ReplacementCharacter);

struct TMessageValueRow
{
    const char* Name;
    QString Value;
    QString Expected;
};

class MessageValueRows : public ::testing::TestWithParam<TMessageValueRow>
{
};

TEST_P(MessageValueRows, ShortensThenCleans)
{
    const TMessageValueRow& row = GetParam();
    const QString text = MessageValueText(row.Value);
    EXPECT_EQ(text, row.Expected);
    EXPECT_LE(text.size(), messageValueMax);
}

const TMessageValueRow messageValueRows[] = {
    {"Empty", QString(), QString()},
    {"Plain", QStringLiteral("Button1"), QStringLiteral("Button1")},
    {"Exactly200Kept", QString(200, u'x'), QString(200, u'x')},
    {"201Shortened", QString(201, u'x'), QString(197, u'x') + QStringLiteral("...")},
    {"LongShortenedTo200", QString(5000, u'y'), QString(197, u'y') + QStringLiteral("...")},
    {"ControlCharacters", QStringLiteral("a\tb\r\nc") + QChar(1) + QChar(0x7F) + QChar(0x85),
     QStringLiteral("a") + replacement + QStringLiteral("b") + replacement + replacement +
         QStringLiteral("c") + replacement + replacement + replacement},
    {"SquareBrackets", QStringLiteral("[link]"), replacement + QStringLiteral("link") + replacement},
    {"NoBreakSpacesKept", QStringLiteral("a\u00a0b\u202fc"), QStringLiteral("a\u00a0b\u202fc")},
    {"OtherTextKept", QStringLiteral("Привет (x) {y} <z> \"q\""), QStringLiteral("Привет (x) {y} <z> \"q\"")},
    // Shortened first: brackets past the cut do not matter, one before it is replaced.
    {"CutBeforeCleaning", QStringLiteral("[") + QString(196, u'z') + QStringLiteral("[[[[["),
     replacement + QString(196, u'z') + QStringLiteral("...")},
    // A surrogate pair across the cut is dropped whole rather than split.
    {"SurrogatePairNotSplit", QString(196, u'a') + QStringLiteral("\U0001F600") + QString(10, u'b'),
     QString(196, u'a') + QStringLiteral("...")},
    {"SurrogatePairBeforeCutKept", QString(195, u'a') + QStringLiteral("\U0001F600") + QString(10, u'b'),
     QString(195, u'a') + QStringLiteral("\U0001F600...")},
};

INSTANTIATE_TEST_SUITE_P(Values, MessageValueRows, ::testing::ValuesIn(messageValueRows),
                         [](const ::testing::TestParamInfo<TMessageValueRow>& info) {
                             return info.param.Name;
                         });

} // namespace
} // namespace qv
