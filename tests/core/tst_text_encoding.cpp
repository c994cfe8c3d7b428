// Conversions through iconv: the bytes match the iconv program's, text survives the round trip, and
// what an encoding cannot hold or a byte sequence that is broken is replaced, never dropped silently.

#include "core/text_encoding.h"

#include "support/tool_runner.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace qv {
namespace {

const char16_t sampleText[] = u"Grüße, 5€ + A+B ~ \"q\" \\ x\r\n\tÿ";

TEST(TextEncoding, BytesMatchTheIconvProgramAndRoundTrip)
{
    FIND_TOOL_OR_SKIP(iconvProgram, "iconv");
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString text = QString::fromUtf16(sampleText);
    ASSERT_TRUE(WriteFile(dir.filePath(QStringLiteral("in.txt")), text.toUtf8()));
    for (const char* name : {"UTF-7", "UTF-16BE", "UTF-16LE", "UTF-8", "WINDOWS-1252"}) {
        SCOPED_TRACE(name);
        const TTextEncoding encoding{QByteArray(name)};
        ASSERT_TRUE(encoding.IsValid());
        const TToolResult tool = RunTool(iconvProgram,
                                         {QStringLiteral("-f"), QStringLiteral("UTF-8"), QStringLiteral("-t"),
                                          QString::fromLatin1(name), QStringLiteral("in.txt")},
                                         dir.path());
        ASSERT_EQ(tool.ExitCode, 0) << tool.Errors.toStdString();
        const QByteArray bytes = encoding.Encode(text);
        EXPECT_EQ(bytes, tool.Output);
        EXPECT_EQ(encoding.Decode(bytes), text);
    }
}

TEST(TextEncoding, UnconvertibleAndBrokenInputIsReplaced)
{
    struct TRow
    {
        const char* Encoding;
        QString Text;
        QByteArray Bytes;
    };
    const TRow encodes[] = {
        {"WINDOWS-1252", QString::fromUtf16(u"a日b"), "a?b"},
        {"WINDOWS-1252", QString::fromUtf16(u"a\U0001F600b"), "a?b"},
        {"UTF-8", QString::fromUtf16(u"a") + QChar(0xD800) + u'b', "a?b"},
        // The replacement goes through the converter: UTF-7 stays well formed around it.
        {"UTF-7", QString::fromUtf16(u"ä") + QChar(0xDC00) + QString::fromUtf16(u"ä"),
         TTextEncoding("UTF-7").Encode(u"ä?ä")},
    };
    for (const TRow& row : encodes)
        EXPECT_EQ(TTextEncoding(row.Encoding).Encode(row.Text), row.Bytes) << row.Encoding;

    const TRow decodes[] = {
        {"UTF-8", QString::fromUtf16(u"a\uFFFDb"),
         "a\xFF"
         "b"},
        {"UTF-8", QString::fromUtf16(u"a\uFFFD"), "a\xE2\x82"},
        {"UTF-16LE", QString::fromUtf16(u"a\uFFFD"), QByteArray("a\0b", 3)},
    };
    for (const TRow& row : decodes)
        EXPECT_EQ(TTextEncoding(row.Encoding).Decode(row.Bytes), row.Text) << row.Encoding;

    const TTextEncoding unknown("NO-SUCH-ENCODING");
    EXPECT_FALSE(unknown.IsValid());
    EXPECT_TRUE(unknown.Encode(u"x").isEmpty());
}

} // namespace
} // namespace qv
