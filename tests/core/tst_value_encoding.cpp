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
    // The UTF-8 form, which copies long runs in blocks, writes the same.
    const QByteArray utf8 = text.toUtf8();
    QByteArray out(MaxEncodedValueSize(utf8.size()), 0);
    bool utf8NeedsQuotes = !row.NeedsQuotes;
    out.truncate(EncodeValueTo(out.data(), utf8, row.Relaxed, &utf8NeedsQuotes) - out.data());
    EXPECT_EQ(out, encoded.toUtf8());
    EXPECT_EQ(utf8NeedsQuotes, row.NeedsQuotes);
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
    // Longer than sixteen bytes, what needs more than a copy before, on and after a block's end.
    {u"SixteenPlainBytes", u"0123456789abcdef", false, u"0123456789abcdef", false},
    {u"StrictLong", u"0123456789abcdef 0123456789abcde<0123456789abcdef\x01", false,
     u"0123456789abcdef 0123456789abcde&lt;0123456789abcdef&#1;", true},
    {u"StrictLongWithoutQuotes", u"0123456789abcdef\u00E4\u6771\u00FC0123456789abcdef&x", false,
     u"0123456789abcdef\u00E4\u6771\u00FC0123456789abcdef&amp;x", false},
    {u"RelaxedLong", u"0123456789abcdef<0123456789abcde\"x>0123456789abcdef", true,
     u"0123456789abcdef<0123456789abcde\"\"x>0123456789abcdef", true},
    {u"RelaxedLongWithoutQuotes", u"0123456789abcdef<0123456789abcdef&", true,
     u"0123456789abcdef<0123456789abcdef&amp;", false},
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

TEST(DecodeValue, Utf8FormsDecodeLikeUtf16)
{
    struct
    {
        const char* In;
        int Quotes;
        const char* Out;
    } rows[] = {
        {"&lt;&unknown;&#65;", 0, "<&unknown;A"},
        {"&amp;lt;", 0, "&lt;"},
        {"&&amp;", 0, "&&"},
        {"a\"\"b\"\"c", 4, "a\"b\"c"},
        {"&#228;&#8364;&#65535;", 0, "\xC3\xA4\xE2\x82\xAC\xEF\xBF\xBF"},
        {"&#55357;&#56832;", 0, "\xF0\x9F\x98\x80"},           // a surrogate pair by references
        {"&#55357;x&#56832;", 0, "\xEF\xBF\xBDx\xEF\xBF\xBD"}, // lone surrogates
        {"&#55357;", 0, "\xEF\xBF\xBD"},
        {"ab&#55357;&#55357;&#56832;", 0, "ab\xEF\xBF\xBD\xF0\x9F\x98\x80"},
        {"0123456789abcdef&amp;0123456789&gt;", 0, "0123456789abcdef&0123456789>"},
    };
    for (const auto& row : rows) {
        const QByteArray in(row.In);
        QByteArray out(in.size(), '?');
        const qsizetype size = DecodeValueTo(out.data(), in, row.Quotes, true);
        EXPECT_EQ(out.left(size), QByteArray(row.Out)) << row.In;
        QByteArray inPlace = in;
        inPlace.resize(DecodeValueInPlace(inPlace.data(), inPlace.size(), row.Quotes, true));
        EXPECT_EQ(inPlace, QByteArray(row.Out)) << row.In;
    }
    // UTF-16 keeps the code units as they are.
    EXPECT_EQ(DecodeValue(QStringLiteral("&#55357;&#56832;"), 0, true),
              QString::fromUtf8("\xF0\x9F\x98\x80"));
}

TEST(DecodeValue, ManyAmpersandsAreReadOnce)
{
    // Were the search for ";" to start again at every "&", this would take hours.
    QByteArray text(400000, '&');
    text += ";&lt;";
    QByteArray out(text.size(), 0);
    const qsizetype size = DecodeValueTo(out.data(), text, 0, true);
    EXPECT_EQ(size, 400002);
    EXPECT_EQ(out.left(size).right(3), QByteArray("&;<"));
    EXPECT_EQ(DecodeValue(QString::fromLatin1(text), 0, true).size(), 400002);
}

TEST(EncodeValue, Utf8FormCopiesNonAsciiBytes)
{
    const QByteArray text("\xC3\xA4 <\"&\x01\xE6\x9D\xB1");
    QByteArray out(MaxEncodedValueSize(text.size()), 0);
    bool needsQuotes = false;
    const char* end = EncodeValueTo(out.data(), text, false, &needsQuotes);
    EXPECT_EQ(QByteArray(out.constData(), end - out.constData()),
              QByteArray("\xC3\xA4 &lt;&quot;&amp;&#1;\xE6\x9D\xB1"));
    EXPECT_TRUE(needsQuotes);
    EXPECT_EQ(EncodeValue(QString::fromUtf8(text), false),
              QString::fromUtf8(QByteArray(out.constData(), end - out.constData())));
}

TEST(EscapeText, XmlContent)
{
    EXPECT_EQ(EscapeText(QStringLiteral("\t'<a href=\"x\">&</a>")),
              QStringLiteral("&#9;&#39;&lt;a href=&quot;x&quot;&gt;&amp;&lt;/a&gt;"));
    EXPECT_EQ(EscapeText(QStringLiteral("plain äü")), QStringLiteral("plain äü"));
}

} // namespace
} // namespace qv
