// Real font metrics (offscreen platform, DejaVu Sans): the relations that layout and caret placement
// depend on.

#include "textor/qt_colors.h"
#include "textor/qt_measuring_context.h"
#include "textor/rich_text_attributes.h"
#include "textor/sheet_canvas.h"

#include "support/fixed_metrics.h"
#include "support/textor_fakes.h"

#include "support/printers.h"

#include <QFontDatabase>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace qv {
namespace {

class QtMetrics : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!QFontDatabase::hasFamily(QStringLiteral("DejaVu Sans")))
            GTEST_SKIP() << "DejaVu Sans is not installed (Debian package fonts-dejavu-core)";
        auto context = std::make_unique<TQtMeasuringContext>(96);
        Context = context.get();
        FScope = std::make_unique<TScopedMeasuringContext>(std::move(context));
    }

    TQtMeasuringContext* Context = nullptr;
    std::unique_ptr<TScopedMeasuringContext> FScope;
};

const QString kSample =
    QStringLiteral("The quick brown fox jumps over the lazy dog, WAVE: Tj 0123456789 (fi) ff.");

TEST_F(QtMetrics, PrefixWidthsAddUpExactly)
{
    for (int size : {8, 10, 11, 13}) {
        TFontRequest request;
        request.Face = QStringLiteral("DejaVu Sans");
        request.Size = size;
        auto font = Context->CreateFont(request);
        const QFontMetrics metrics(*font->DrawingFont());
        EXPECT_EQ(font->TextWidth(kSample), metrics.horizontalAdvance(kSample)) << size;
        for (qsizetype i = 0; i <= kSample.size(); ++i) {
            const QStringView head = QStringView(kSample).left(i);
            const QStringView tail = QStringView(kSample).mid(i);
            ASSERT_EQ(font->TextWidth(head) + font->TextWidth(tail), font->TextWidth(kSample))
                << size << " at " << i;
            ASSERT_EQ(font->TextWidth(head), metrics.horizontalAdvance(head.toString()))
                << size << " at " << i;
        }
        const TFontMetricsInfo info = font->Metrics();
        EXPECT_EQ(info.Ascent + info.Descent, metrics.height());
        EXPECT_GE(info.AvgCharWidth, 1);
    }
}

TEST_F(QtMetrics, SameRequestGivesTheSameFont)
{
    TFontRequest request;
    request.Face = QStringLiteral("DejaVu Sans");
    EXPECT_EQ(Context->CreateFont(request), Context->CreateFont(request));
    request.Style = fsBold;
    auto bold = Context->CreateFont(request);
    EXPECT_TRUE(bold->DrawingFont()->bold());
    EXPECT_FALSE(bold->DrawingFont()->kerning());
    EXPECT_TRUE(Context->HasFamily(QStringLiteral("dejavu sans")));
    EXPECT_FALSE(Context->HasFamily(QStringLiteral("No Such Face 123")));
    request.Pitch = fpFixed;
    EXPECT_TRUE(Context->CreateFont(request)->DrawingFont()->fixedPitch());
}

// Drawing a string in one go and drawing it in two pieces, the second at the caret x that layout
// computes, must give the same pixels: glyphs land exactly where summed advances put them.
TEST_F(QtMetrics, GlyphsLandOnTheComputedCaretPositions)
{
    TRichTextAttributes scratch;
    scratch.SetFontName(QStringLiteral("DejaVu Sans"));
    scratch.SetSize(10);
    auto attributes = Intern(scratch);
    TTestTextor textor;
    const QString text = QStringLiteral("HINMEH IMHNE");
    textor.InsertText(textor.LastPosition(), text, attributes.get());
    const QFont& font = *attributes->Font().DrawingFont();
    const TRow& row = *textor.FirstParagraph()->FirstRow();
    const int baseline = row.Baseline();
    auto render = [&](auto draw) {
        QImage image(row.Width() + 10, row.Height(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setFont(font);
        painter.setPen(Qt::black);
        draw(painter);
        painter.end();
        return image;
    };
    const QImage whole = render([&](QPainter& painter) { painter.drawText(QPoint(0, baseline), text); });
    for (int split = 1; split < text.size(); ++split) {
        const int x = textor.XOfPosition(row, textor.At(0, split));
        const QImage pieces = render([&](QPainter& painter) {
            painter.drawText(QPoint(0, baseline), text.left(split));
            painter.drawText(QPoint(x, baseline), text.mid(split));
        });
        EXPECT_EQ(pieces, whole) << "split at " << split << ", caret x " << x;
        const QRect caret = textor.CaretRect(row, textor.At(0, split), 1);
        EXPECT_EQ(caret.left(), x);
    }
}

// The canvas places glyphs itself (at the summed advances); the pixels must be those Qt draws.
TEST_F(QtMetrics, CanvasTextLooksLikeQtsOwn)
{
    TFontRequest request;
    request.Face = QStringLiteral("DejaVu Sans");
    request.Size = 10;
    auto font = Context->CreateFont(request);
    const int baseline = font->Metrics().Ascent;
    const QRect rect(0, 0, font->TextWidth(kSample) + 4, font->Metrics().Ascent + font->Metrics().Descent);
    TSheetCanvas canvas;
    canvas.BeginPaint(rect);
    canvas.DrawText(*font, 0, baseline, MakeColor(0, 0, 0), kSample);
    const QImage ours = canvas.EndPaint();
    QImage qts(rect.size(), QImage::Format_ARGB32_Premultiplied);
    qts.fill(ColorToQColor(clWindow));
    QPainter painter(&qts);
    painter.setFont(*font->DrawingFont());
    painter.setPen(Qt::black);
    painter.drawText(QPoint(0, baseline), kSample);
    painter.end();
    EXPECT_EQ(ours, qts);
}

// An underlined run painted by an element away from the canvas origin: the line stays under the glyphs.
TEST_F(QtMetrics, UnderlineStaysUnderItsTextInsideAnOffsetElement)
{
    TFontRequest request;
    request.Face = QStringLiteral("DejaVu Sans");
    request.Size = 10;
    request.Style = fsUnderline;
    auto font = Context->CreateFont(request);
    const QString text = QStringLiteral("link text");
    const int width = font->TextWidth(text);
    const int height = font->Metrics().Ascent + font->Metrics().Descent;
    TSheetCanvas canvas;
    canvas.BeginPaint(QRect(0, 0, 200, 100));
    canvas.OffsetOrigin(40, 30);
    canvas.DrawText(*font, 0, font->Metrics().Ascent, MakeColor(0, 0, 0), text);
    const QImage image = canvas.EndPaint();
    QRect inked;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != ColorToQColor(clWindow).rgba())
                inked |= QRect(x, y, 1, 1);
        }
    }
    EXPECT_GE(inked.left(), 40);
    EXPECT_LE(inked.right(), 40 + width);
    EXPECT_LE(inked.bottom(), 30 + height);
    // The underline itself: a row below the base line inked across the whole text.
    int longest = 0;
    for (int y = 30 + font->Metrics().Ascent; y < 30 + height; ++y) {
        int run = 0;
        for (int x = 40; x < 40 + width; ++x)
            run = image.pixel(x, y) != ColorToQColor(clWindow).rgba() ? run + 1 : run;
        longest = std::max(longest, run);
    }
    EXPECT_GE(longest, width - 2);
}

// Text laid out and painted through the canvas, then a caret drawn at every character boundary: the
// caret column never cuts into a glyph of the uppercase stems' word.
TEST_F(QtMetrics, PaintedRowMatchesPiecewiseDrawing)
{
    TRichTextAttributes scratch;
    scratch.SetFontName(QStringLiteral("DejaVu Sans"));
    scratch.SetSize(10);
    scratch.SetColor(MakeColor(0, 0, 0));
    auto attributes = Intern(scratch);
    TTestTextor textor;
    const QString text = QStringLiteral("HINMEH");
    textor.InsertText(textor.LastPosition(), text, attributes.get());
    const TRow& row = *textor.FirstParagraph()->FirstRow();
    const QRect area(0, 0, row.Width() + 8, row.Height());
    TSheetCanvas canvas;
    canvas.BeginPaint(area);
    textor.Paint(canvas, 0, false, 0, textor.WholeRange());
    const QImage whole = canvas.EndPaint();
    for (int split = 1; split < text.size(); ++split) {
        const QRect caret = textor.CaretRect(row, textor.At(0, split), 1);
        canvas.BeginPaint(area);
        textor.Paint(canvas, 0, false, 0, {textor.FirstPosition(), textor.At(0, split)});
        textor.Paint(canvas, 0, false, 0, {textor.At(0, split), textor.LastPosition()});
        EXPECT_EQ(canvas.EndPaint(), whole) << split;
        // Left of the caret only the glyphs before it have ink: paint just those and compare.
        canvas.BeginPaint(area);
        textor.Paint(canvas, 0, false, 0, {textor.FirstPosition(), textor.At(0, split)});
        const QImage head = canvas.EndPaint();
        EXPECT_EQ(head.copy(0, 0, caret.left(), area.height()), whole.copy(0, 0, caret.left(), area.height()))
            << split;
    }
}

} // namespace
} // namespace qv
