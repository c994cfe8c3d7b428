#include "core/knot.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string_view>

namespace qv {
namespace {

// Bytes a hostile or damaged file may hold, and what the reader must make of them: the outcome and
// how much it built, never how long it took.
struct THostileRow
{
    const char* Name;
    QByteArray (*Make)();
    bool Corrupt;
    qsizetype Knots;      // in the tree, the root included
    qsizetype Params;     // attributes in the tree
    qsizetype ValueBytes; // UTF-8 bytes of all text values
};

QByteArray Utf16(std::u16string_view text, bool bigEndian)
{
    QByteArray bytes;
    for (const char16_t c : text) {
        const char high = char(c >> 8);
        const char low = char(c & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

QByteArray Repeat(const char* part, qsizetype count)
{
    return QByteArray(part).repeated(count);
}

template <size_t N>
QByteArray Bytes(const char (&text)[N])
{
    return QByteArray(text, N - 1);
}

// The sanitizers make the largest inputs take minutes: there they are a tenth of the size.
#if defined(QV_SANITIZE)
constexpr qsizetype scale = 10;
#else
constexpr qsizetype scale = 1;
#endif
constexpr qsizetype million = 1000000 / scale;
constexpr qsizetype hugeValue = (qsizetype(100) << 20) / scale;

const THostileRow hostileRows[] = {
    {"Utf8MarkAlone", []() -> QByteArray { return QByteArray("\xEF\xBB\xBF"); }, true, 1, 0, 0},
    {"Utf16MarkAlone", []() -> QByteArray { return QByteArray("\xFF\xFE"); }, true, 1, 0, 0},
    {"SecondUtf8Mark", []() -> QByteArray { return QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF<a/>"); }, true, 1, 0,
     0},
    {"SecondUtf16MarkLE", []() -> QByteArray { return Utf16(u"\uFEFF\uFEFF<a/>", false); }, true, 1, 0, 0},
    {"SecondUtf16MarkBE", []() -> QByteArray { return Utf16(u"\uFEFF\uFEFF<a/>", true); }, true, 1, 0, 0},
    {"OnlyNuls", []() -> QByteArray { return QByteArray(8, '\0'); }, true, 1, 0, 0},
    {"NulsInNamesAndValues", []() -> QByteArray { return Bytes("<a\0 b\0=\"\0\"><\0/></a\0>"); }, false, 2, 1,
     1},
    {"OddLengthUtf16", []() -> QByteArray { return Utf16(u"\uFEFF<a/>", false) + 'x'; }, true, 1, 0, 0},
    // UTF-8 cannot carry a lone surrogate: it is read as "?".
    {"LoneSurrogatesUtf16", []() -> QByteArray { return Utf16(u"\uFEFF<a\xDC00 v=\"\xD800\"/>", true); },
     false, 1, 1, 1},
    // Behind a UTF-8 mark the bytes are taken as they are, and written back as they were.
    {"SurrogateBytesUtf8", []() -> QByteArray { return QByteArray("\xEF\xBB\xBF<a v=\"\xED\xA0\x80\"/>"); },
     false, 1, 1, 3},
    // Deeper than the reader allows: corrupt, the levels up to the limit stay.
    {"DeepNesting", []() -> QByteArray { return Repeat("<a>", 100000) + Repeat("</a>", 100000); }, true, 1000,
     0, 0},
    {"MillionSiblings", []() -> QByteArray { return "<r>" + Repeat("<a/>", million) + "</r>"; }, false,
     million + 1, 0, 0},
    {"MillionAttributes",
     []() -> QByteArray {
         QByteArray bytes = "<r";
         for (qsizetype i = 0; i < million; ++i)
             bytes += " a" + QByteArray::number(i) + "=\"1\"";
         return bytes + "/>";
     },
     false, 1, million, million},
    {"HundredMegabyteValue",
     []() -> QByteArray { return "<r v=\"" + Repeat("0123456789abcde ", hugeValue / 16) + "\"/>"; }, false, 1,
     1, hugeValue},
};

class KnotHostileInput : public ::testing::TestWithParam<THostileRow>
{
protected:
    struct TCounts
    {
        qsizetype Knots = 0;
        qsizetype Params = 0;
        qsizetype ValueBytes = 0;
    };

    static void Count(const TKnot& knot, TCounts& counts)
    {
        ++counts.Knots;
        for (const TKnotParam* p = knot.FirstParam(); p != nullptr; p = p->Next()) {
            ++counts.Params;
            counts.ValueBytes += p->TextUtf8().size();
        }
        for (const TNode* c = knot.FirstChild(); c != nullptr; c = c->NextSibling())
            Count(*static_cast<const TKnot*>(c), counts);
    }
};

TEST_P(KnotHostileInput, ReadsWhatItCanAndWritesWhatReadsBack)
{
    const THostileRow& row = GetParam();
    if (scale != 1 && row.Knots + row.Params + row.ValueBytes >= million)
        std::printf("[   NOTE   ] %s: a tenth of the size under the sanitizers\n", row.Name);
    TKnot knot;
    knot.LoadFromStream(row.Make());
    EXPECT_EQ(knot.Corrupt(), row.Corrupt);
    TCounts counts;
    Count(knot, counts);
    EXPECT_EQ(counts.Knots, row.Knots);
    EXPECT_EQ(counts.Params, row.Params);
    EXPECT_EQ(counts.ValueBytes, row.ValueBytes);

    QByteArray written;
    knot.SaveToStream(written, keUtf8);
    knot.Clear();
    TKnot back;
    back.LoadFromStream(written);
    EXPECT_FALSE(back.Corrupt());
    TCounts backCounts;
    Count(back, backCounts);
    EXPECT_EQ(backCounts.Knots, row.Knots);
    EXPECT_EQ(backCounts.Params, row.Params);
    QByteArray again;
    back.SaveToStream(again, keUtf8);
    EXPECT_TRUE(again == written);
}

INSTANTIATE_TEST_SUITE_P(Rows, KnotHostileInput, ::testing::ValuesIn(hostileRows),
                         [](const auto& info) { return std::string(info.param.Name); });

} // namespace
} // namespace qv
