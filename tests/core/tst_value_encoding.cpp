#include "core/value_encoding.h"

#include "support/printers.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

struct TEncodeRow
{
    const char16_t* Name;
    const char16_t* Text;
    bool Relaxed;
    const char16_t* Encoded;
    bool NeedsQuotes;
};

class EncodeValueRows : public ::testing::TestWithParam<TEncodeRow>
{
};

TEST_P(EncodeValueRows, EncodesAndDecodesBack)
{
    const TEncodeRow& row = GetParam();
    bool needsQuotes = false;
    const QString text = QString::fromUtf16(row.Text);
    const QString encoded = EncodeValue(text, row.Relaxed, &needsQuotes);
    EXPECT_EQ(encoded, QString::fromUtf16(row.Encoded));
    EXPECT_EQ(needsQuotes, row.NeedsQuotes);
    // What the reader does with it: doubled quotes are reduced, references always decoded.
    EXPECT_EQ(DecodeValue(encoded, int(encoded.count(u'"')), true), text);
}

const TEncodeRow encodeRows[] = {
    {u"StrictPlain", u"abc", false, u"abc", false},
    {u"StrictSpace", u"a b", false, u"a b", true},
    {u"StrictTabIsReference", u"a\tb", false, u"a&#9;b", false},
    {u"StrictEntities", u"<\"&'>", false, u"&lt;&quot;&amp;'&gt;", false},
    {u"StrictSlashNeedsQuotes", u"a/b", false, u"a/b", true},
    {u"RelaxedPlain", u"abc", true, u"abc", false},
    {u"RelaxedQuoteDoubled", u"say \"hi\"", true, u"say \"\"hi\"\"", true},
    {u"RelaxedTabNeedsQuotes", u"a\tb", true, u"a\tb", true},
    {u"RelaxedLineBreaks", u"a\r\nb", true, u"a\r\nb", true},
    {u"RelaxedSlashAndGreater", u"1/2>0", true, u"1/2>0", true},
    {u"RelaxedAmpersandKeepsEntityText", u"&amp;&lt;&#9;", true, u"&amp;amp;&amp;lt;&amp;#9;", false},
    {u"RelaxedLessThanStaysRaw", u"a<b", true, u"a<b", false},
};

INSTANTIATE_TEST_SUITE_P(Values, EncodeValueRows, ::testing::ValuesIn(encodeRows),
                         [](const ::testing::TestParamInfo<TEncodeRow>& info) {
                             return QString::fromUtf16(info.param.Name).toStdString();
                         });

TEST(EncodeValue, NulBecomesAReferenceInBothModes)
{
    const QString text = QStringView(u"a\0b", 3).toString();
    for (const bool relaxed : {false, true}) {
        const QString encoded = EncodeValue(text, relaxed);
        EXPECT_EQ(encoded, QStringLiteral("a&#0;b"));
        EXPECT_EQ(DecodeValue(encoded, 0, true), text);
    }
}

TEST(DecodeValue, ReferencesAreDecodedOnceLeftToRight)
{
    EXPECT_EQ(DecodeValue(QStringLiteral("&lt;&unknown;&#65;"), 0, true), QStringLiteral("<&unknown;A"));
    EXPECT_EQ(DecodeValue(QStringLiteral("&amp;lt;"), 0, true), QStringLiteral("&lt;"));
    EXPECT_EQ(DecodeValue(QStringLiteral("&apos;"), 0, true), QStringLiteral("&apos;"));
    EXPECT_EQ(DecodeValue(QStringLiteral("a & b"), 0, true), QStringLiteral("a & b"));
    EXPECT_EQ(DecodeValue(QStringLiteral("&#65536;&#x41;&#;"), 0, true), QStringLiteral("&#65536;&#x41;&#;"));
    EXPECT_EQ(DecodeValue(QStringLiteral("&&amp;"), 0, true), QStringLiteral("&&"));
    EXPECT_EQ(DecodeValue(QStringLiteral("&lt;"), 0, false), QStringLiteral("&lt;"));
}

TEST(DecodeValue, QuotePairsAreReducedFromTheEnd)
{
    EXPECT_EQ(DecodeValue(QStringLiteral("a\"\"b\"\"c"), 4, false), QStringLiteral("a\"b\"c"));
    EXPECT_EQ(DecodeValue(QStringLiteral("a\"\"b\"\"c"), 2, false), QStringLiteral("a\"\"b\"c"));
    EXPECT_EQ(DecodeValue(QStringLiteral("\"\"\""), 3, false), QStringLiteral("\"\""));
}

TEST(EscapeText, XmlContent)
{
    EXPECT_EQ(EscapeText(QStringLiteral("\t'<a href=\"x\">&</a>")),
              QStringLiteral("&#9;&#39;&lt;a href=&quot;x&quot;&gt;&amp;&lt;/a&gt;"));
    EXPECT_EQ(EscapeText(QStringLiteral("plain äü")), QStringLiteral("plain äü"));
}

} // namespace
} // namespace qv
