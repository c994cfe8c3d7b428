// Line breaking checked against an independent oracle on random paragraphs.

#include "support/textor_fakes.h"

#include "textor/rich_text_attributes.h"

#include "support/printers.h"

#include <gtest/gtest.h>

#include <random>

namespace qv {
namespace {

class TextorRandomBreaking : public TTextorFixture
{
protected:
    void SetUp() override
    {
        // Two faces with different widths per letter; tabs every 40 px in both.
        TFixedFontSpec narrow;
        TFixedFontSpec wide;
        for (char32_t c = U'a'; c <= U'z'; ++c) {
            narrow.Advances.insert(c, 3 + int(c - U'a') % 9);
            wide.Advances.insert(c, 7 + int(c - U'a') % 13);
        }
        narrow.Advances.insert(U' ', 4);
        wide.Advances.insert(U' ', 6);
        Install(narrow);
        Context->SetFace(QStringLiteral("Wide"), wide);
        FWide = wide;
        FNarrow = narrow;
    }

    // The oracle's measure: the width of [from, to) of the paragraph from a row's left edge.
    int Measure(const QString& text, const std::vector<bool>& isWide, int from, int to) const
    {
        int x = 0;
        for (int i = from; i < to; ++i) {
            const QChar c = text[i];
            if (c == QChar(9))
                x = 40 * (x / 40 + 1);
            else
                x += (isWide[i] ? FWide : FNarrow).Advances.value(c.unicode(), 10);
        }
        return x;
    }

    static bool IsBlank(QChar c) { return c == QChar(' ') || c == QChar(9); }

    TFixedFontSpec FWide;
    TFixedFontSpec FNarrow;
};

TEST_F(TextorRandomBreaking, RowsObeyTheBreakingRules)
{
    std::mt19937 random(20240611);
    auto wideFace = Face(QStringLiteral("Wide"));
    const QString alphabet = QStringLiteral("abcdefghijklmnopqrstuvwxyz");
    for (int round = 0; round < 400; ++round) {
        const int width = std::uniform_int_distribution<int>(1, 220)(random);
        TTestTextor textor(width);
        QString text;
        std::vector<bool> isWide;
        const int runs = std::uniform_int_distribution<int>(1, 5)(random);
        for (int run = 0; run < runs; ++run) {
            const bool wide = std::uniform_int_distribution<int>(0, 1)(random) == 1;
            QString chars;
            const int length = std::uniform_int_distribution<int>(1, 40)(random);
            for (int i = 0; i < length; ++i) {
                const int pick = std::uniform_int_distribution<int>(0, 99)(random);
                if (pick < 14)
                    chars += QChar(' ');
                else if (pick < 18)
                    chars += QChar(9);
                else
                    chars += alphabet[std::uniform_int_distribution<int>(0, 25)(random)];
            }
            textor.InsertText(textor.LastPosition(), chars, wide ? wideFace.get() : nullptr);
            text += chars;
            isWide.insert(isWide.end(), size_t(chars.size()), wide);
        }
        SCOPED_TRACE(::testing::Message()
                     << "round " << round << " width " << width << " text \"" << text.toStdString() << "\"");
        ASSERT_EQ(textor.GetText(), text);
        ExpectConsistentLayout(textor);
        const TParagraph* p = textor.FirstParagraph();
        for (const TRow* row = p->FirstRow(); row != nullptr; row = row->Next()) {
            const int start = row->StartOffset();
            const int end = row->EndOffset();
            ASSERT_GT(end, start);
            EXPECT_EQ(row->Width(), Measure(text, isWide, start, end));
            if (row->Next() == nullptr)
                break;
            // A row wider than the text area is a single character that could not fit anywhere.
            if (row->Width() > width) {
                EXPECT_EQ(end - start, 1) << textor.RowTexts().toStdString();
            }
            const QStringView content = QStringView(text).mid(start, end - start);
            if (IsBlank(text[end - 1])) {
                // A legal break: the next blank after the row would not have fitted.
                int next = end;
                while (next < text.size() && !IsBlank(text[next]))
                    ++next;
                if (next < text.size()) {
                    EXPECT_GT(Measure(text, isWide, start, next + 1), width)
                        << "row " << content.toString().toStdString();
                }
            } else {
                // A cut inside a word: only when the row holds no legal break, and only where the next
                // character does not fit.
                EXPECT_FALSE(content.contains(QChar(' ')) || content.contains(QChar(9)))
                    << "word cut although a break exists: " << content.toString().toStdString();
                EXPECT_GT(Measure(text, isWide, start, end + 1), width);
            }
        }
    }
}

} // namespace
} // namespace qv
