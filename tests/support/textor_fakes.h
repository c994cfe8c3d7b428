#pragma once

// Test doubles for the text layout engine: a configurable Textor, an embedded element that counts its
// destruction, and a canvas that records what is drawn.

#include "textor/inline_element.h"
#include "textor/measuring_context.h"
#include "textor/textor.h"
#include "textor/textor_canvas.h"

#include "support/fixed_metrics.h"

#include <QStringList>

#include <memory>

namespace qv {

class TTestTextor : public TTextor
{
public:
    explicit TTestTextor(int width = 0, bool paragraphs = true, bool tabs = true, bool locked = false)
        : TTextor(locked), Width(width), Paragraphs(paragraphs), Tabs(tabs)
    {}
    ~TTestTextor() override = default;

    int Width;
    bool Paragraphs;
    bool Tabs;
    QMargins Margins;
    QMargins Padding;
    int ChangedCalls = 0;

    int GetWidth() const override { return Width; }
    bool AllowParagraphs() const override { return Paragraphs; }
    bool AllowTabStops() const override { return Tabs; }
    void GetElementMargins(QMargins& margins) const override { margins = Margins; }
    void GetPadding(QMargins& padding) const override { padding = Padding; }
    void Changed() override { ++ChangedCalls; }

    // Rows as "text|text|..." per paragraph, paragraphs separated by "/"; tabs as "\t", elements "#".
    QString RowTexts() const
    {
        QStringList paragraphs;
        for (TParagraph* p = FirstParagraph(); p != nullptr; p = p->Next()) {
            QStringList rows;
            for (TRow* row = p->FirstRow(); row != nullptr; row = row->Next())
                rows << SliceText(*p, row->StartOffset(), row->EndOffset());
            paragraphs << rows.join(QLatin1Char('|'));
        }
        return paragraphs.join(QLatin1Char('/'));
    }

    static QString SliceText(const TParagraph& p, int from, int to)
    {
        QString text;
        int offset = 0;
        for (TPortion* portion = p.FirstPortion(); portion != nullptr; portion = portion->Next()) {
            for (int i = 0; i < portion->Length(); ++i, ++offset) {
                if (offset < from || offset >= to)
                    continue;
                const int c = portion->CharAt(i);
                text += c < 0 ? QChar(u'#') : QChar(char16_t(c));
            }
        }
        return text;
    }

    TParagraph* Paragraph(int index) const
    {
        TParagraph* p = FirstParagraph();
        for (int i = 0; i < index && p != nullptr; ++i)
            p = p->Next();
        return p;
    }

    TTextorPosition At(int paragraph, int offset) const
    {
        TTextorPosition position;
        FromIndex({paragraph, offset}, position);
        return position;
    }

    TTextorRange Range(int p1, int o1, int p2, int o2) const { return {At(p1, o1), At(p2, o2)}; }
};

// An embedded element with a fixed size. `Freed` counts destructions through the portion.
class TFakeElement : public IInlineElement
{
public:
    TFakeElement(int width, int height, int descent, int* freed = nullptr)
        : Width(width), Height(height), Descent(descent), FreedCounter(freed)
    {}

    int Width;
    int Height;
    int Descent;
    bool Shown = true;
    int Left = 0;
    int Top = 0;
    int Paints = 0;
    QPoint PaintOrigin;
    TElementPortion* Portion = nullptr;
    int* FreedCounter;

    int InlineWidth() const override { return Width; }
    int InlineHeight() const override { return Height; }
    int InlineDescent() const override { return Descent; }
    bool InlineShown() const override { return Shown; }
    void PlaceInline(int left, int top) override
    {
        Left = left;
        Top = top;
    }
    void MoveInlineBy(int dx, int dy) override
    {
        Left += dx;
        Top += dy;
    }
    void PaintInline(ITextorCanvas& canvas, int) override;
    void SetInlinePortion(TElementPortion* portion) override { Portion = portion; }
    void FreeInline() override
    {
        if (FreedCounter != nullptr)
            ++*FreedCounter;
        delete this;
    }
};

// Records drawing operations in current coordinates as readable lines.
class TRecordingCanvas : public ITextorCanvas
{
public:
    explicit TRecordingCanvas(QRect clip = QRect(-10000, -10000, 20000, 20000)) : FClip(clip) {}

    QStringList Log;
    QPoint Origin;

    QRect ClipRect() const override { return FClip.translated(-Origin); }
    void OffsetOrigin(int dx, int dy) override { Origin += QPoint(dx, dy); }
    void FillRect(const QRect& rect, TColor color) override
    {
        if (color != clNone)
            Log << QStringLiteral("fill %1,%2,%3,%4 %5")
                       .arg(rect.x() + Origin.x())
                       .arg(rect.y() + Origin.y())
                       .arg(rect.width())
                       .arg(rect.height())
                       .arg(color, 0, 16);
    }
    void MarkSelected(const QRect& rect, bool active) override
    {
        Log << QStringLiteral("select %1,%2,%3,%4%5")
                   .arg(rect.x() + Origin.x())
                   .arg(rect.y() + Origin.y())
                   .arg(rect.width())
                   .arg(rect.height())
                   .arg(active ? QString() : QStringLiteral(" inactive"));
    }
    void DrawText(const IMeasuredFont&, int x, int baseline, TColor, QStringView text) override
    {
        Log << QStringLiteral("text %1,%2 %3")
                   .arg(x + Origin.x())
                   .arg(baseline + Origin.y())
                   .arg(text.toString());
    }

    QStringList Filtered(const QString& prefix) const
    {
        QStringList result;
        for (const QString& line : Log) {
            if (line.startsWith(prefix))
                result << line;
        }
        return result;
    }

private:
    QRect FClip;
};

inline void TFakeElement::PaintInline(ITextorCanvas& canvas, int)
{
    ++Paints;
    if (auto* recording = dynamic_cast<TRecordingCanvas*>(&canvas)) {
        PaintOrigin = recording->Origin;
        recording->Log << QStringLiteral("element %1,%2")
                              .arg(Left + recording->Origin.x())
                              .arg(Top + recording->Origin.y());
    }
}

} // namespace qv

#include <gtest/gtest.h>

namespace qv {

// Installs the fixed-metrics context (every character 10 px unless the font metrics say otherwise, ascent 10,
// descent 3, tab width 40) for each test.
class TTextorFixture : public ::testing::Test
{
protected:
    void SetUp() override { Install(TFixedFontSpec()); }
    void TearDown() override { FScope.reset(); }

    void Install(const TFixedFontSpec& metrics)
    {
        FScope.reset();
        auto context = std::make_unique<TFixedMeasuringContext>(metrics);
        Context = context.get();
        FScope = std::make_unique<TScopedMeasuringContext>(std::move(context));
    }

    // A shared text attributes value of the given face (faces are registered in the context).
    TAttributesRef<TTextAttributes> Face(const QString& face, bool link = false);

    // Checks what every layout must satisfy: rows are contiguous from 0 down, each paragraph's rows
    // cover it without gaps, no row is empty unless its paragraph is, and each row's width is what
    // measuring its pieces gives.
    static void ExpectConsistentLayout(const TTextor& textor);

    TFixedMeasuringContext* Context = nullptr;

private:
    std::unique_ptr<TScopedMeasuringContext> FScope;
};

} // namespace qv
