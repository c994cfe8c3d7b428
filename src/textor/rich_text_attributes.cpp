#include "textor/rich_text_attributes.h"

#include "textor/textor_canvas.h"

#include <QHashFunctions>

namespace qv {

QV_IMPLEMENT_CLASS(TRichTextAttributes)

TRichTextAttributes::TRichTextAttributes() : FFontName(QStringLiteral("Tahoma")) {}

TRichTextAttributes::~TRichTextAttributes() = default;

TRichTextAttributes* TRichTextAttributes::Default()
{
    static TRichTextAttributes* value = [] {
        TRichTextAttributes scratch;
        return static_cast<TRichTextAttributes*>(TAttributesRegistry::InternRef(scratch));
    }();
    return value;
}

void TRichTextAttributes::FontChanged()
{
    FAscent = -1;
    FDescent = -1;
    FTabWidth = 0;
    FFont.reset();
}

void TRichTextAttributes::SetBackColor(TColor value)
{
    BeginChange();
    FBackColor = value;
    EndChange();
}

void TRichTextAttributes::SetFontName(const QString& value)
{
    if (value == FFontName)
        return;
    BeginChange();
    FFontName = value;
    FontChanged();
    EndChange();
}

void TRichTextAttributes::SetCharset(uint8_t value)
{
    if (value == FCharset)
        return;
    BeginChange();
    FCharset = value;
    FontChanged();
    EndChange();
}

void TRichTextAttributes::SetColor(TColor value)
{
    BeginChange();
    FColor = value;
    EndChange();
}

void TRichTextAttributes::SetPitch(uint8_t value)
{
    if (value == FPitch)
        return;
    BeginChange();
    FPitch = value;
    FontChanged();
    EndChange();
}

void TRichTextAttributes::SetSize(int value)
{
    if (value == FSize)
        return;
    BeginChange();
    FSize = value;
    FontChanged();
    EndChange();
}

void TRichTextAttributes::SetStyle(uint8_t value)
{
    if (value == FStyle)
        return;
    BeginChange();
    FStyle = value;
    FontChanged();
    EndChange();
}

TFontRequest TRichTextAttributes::FontRequest() const
{
    TFontRequest request;
    request.Face = FFontName;
    request.Size = FSize > 0 ? FSize : 8;
    request.Style = FStyle;
    request.Charset = FCharset;
    request.Pitch = FPitch;
    return request;
}

IMeasuredFont& TRichTextAttributes::Font()
{
    if (!FFont)
        FFont = TDeviceContextManager::Instance().CreateFont(FontRequest());
    return *FFont;
}

void TRichTextAttributes::Measure()
{
    const TFontMetricsInfo metrics = Font().Metrics();
    FAscent = metrics.Ascent;
    FDescent = metrics.Descent;
    // Eight average characters; never 0, since tab stops divide by it.
    FTabWidth = qMax(1, 8 * metrics.AvgCharWidth);
}

void TRichTextAttributes::DropCaches()
{
    FontChanged();
}

void TRichTextAttributes::Assign(const TAttributes& source)
{
    inherited::Assign(source);
    if (const auto* rich = dynamic_cast<const TRichTextAttributes*>(&source)) {
        FBackColor = rich->FBackColor;
        FColor = rich->FColor;
        if (FFontName != rich->FFontName || FCharset != rich->FCharset || FPitch != rich->FPitch ||
            FSize != rich->FSize || FStyle != rich->FStyle) {
            FFontName = rich->FFontName;
            FCharset = rich->FCharset;
            FPitch = rich->FPitch;
            FSize = rich->FSize;
            FStyle = rich->FStyle;
            FontChanged();
        }
    }
}

bool TRichTextAttributes::Equals(const TAttributes& other) const
{
    if (!inherited::Equals(other))
        return false;
    const auto& rich = static_cast<const TRichTextAttributes&>(other);
    return FBackColor == rich.FBackColor && FFontName == rich.FFontName && FCharset == rich.FCharset &&
           FColor == rich.FColor && FPitch == rich.FPitch && FSize == rich.FSize && FStyle == rich.FStyle;
}

size_t TRichTextAttributes::Hash() const
{
    return qHashMulti(inherited::Hash(), FBackColor, FFontName, FCharset, FColor, FPitch, FSize, FStyle);
}

int TRichTextAttributes::Ascent()
{
    if (FAscent < 0)
        Measure();
    return FAscent;
}

int TRichTextAttributes::Descent()
{
    if (FDescent < 0)
        Measure();
    return FDescent;
}

int TRichTextAttributes::TabWidth()
{
    if (FTabWidth <= 0)
        Measure();
    return FTabWidth;
}

int TRichTextAttributes::TextWidth(QStringView chars)
{
    return Font().TextWidth(chars);
}

int TRichTextAttributes::FitCount(QStringView chars, int available, int& width)
{
    return Font().FitCount(chars, available, width);
}

void TRichTextAttributes::DrawBackground(ITextorCanvas& canvas, bool, int, const QRect& cellRect,
                                         const QRect&)
{
    if (FBackColor != clNone)
        canvas.FillRect(cellRect, FBackColor);
}

void TRichTextAttributes::DrawBlank(ITextorCanvas& canvas, bool focused, int flags, int width, int x,
                                    const QRect& rowRect)
{
    const QRect cell(x, rowRect.top(), width, rowRect.height());
    if (FBackColor != clNone)
        canvas.FillRect(cell, FBackColor);
    if ((flags & 1) != 0)
        canvas.MarkSelected(cell, focused);
}

void TRichTextAttributes::DrawText(ITextorCanvas& canvas, bool focused, int& width, int flags,
                                   QStringView chars, int baseline, int x, const QRect& rowRect)
{
    IMeasuredFont& font = Font();
    width = font.TextWidth(chars);
    const QRect cell(x, rowRect.top(), width, rowRect.height());
    if (FBackColor != clNone)
        canvas.FillRect(cell, FBackColor);
    // Control characters are drawn as U+FFFD, as they are measured.
    bool hasControls = false;
    for (QChar c : chars) {
        if (c.unicode() < 0x20) {
            hasControls = true;
            break;
        }
    }
    if (hasControls) {
        QString shown = chars.toString();
        for (QChar& c : shown) {
            if (c.unicode() < 0x20)
                c = QChar(0xFFFD);
        }
        canvas.DrawText(font, x, baseline, FColor, shown);
    } else {
        canvas.DrawText(font, x, baseline, FColor, chars);
    }
    if ((flags & 1) != 0)
        canvas.MarkSelected(cell, focused);
}

QV_IMPLEMENT_CLASS(TRichParagraphAttributes)

TRichParagraphAttributes* TRichParagraphAttributes::Default()
{
    static TRichParagraphAttributes* value = [] {
        TRichParagraphAttributes scratch;
        return static_cast<TRichParagraphAttributes*>(TAttributesRegistry::InternRef(scratch));
    }();
    return value;
}

void TRichParagraphAttributes::SetBackColor(TColor value)
{
    BeginChange();
    FBackColor = value;
    EndChange();
}

void TRichParagraphAttributes::SetFirstIndent(int value)
{
    BeginChange();
    FFirstIndent = value;
    EndChange();
}

void TRichParagraphAttributes::SetLeftIndent(int value)
{
    BeginChange();
    FLeftIndent = value;
    EndChange();
}

void TRichParagraphAttributes::SetRightIndent(int value)
{
    BeginChange();
    FRightIndent = value;
    EndChange();
}

void TRichParagraphAttributes::SetBullet(bool value)
{
    BeginChange();
    FBullet = value;
    EndChange();
}

void TRichParagraphAttributes::Assign(const TAttributes& source)
{
    inherited::Assign(source);
    if (const auto* rich = dynamic_cast<const TRichParagraphAttributes*>(&source)) {
        FBackColor = rich->FBackColor;
        FFirstIndent = rich->FFirstIndent;
        FLeftIndent = rich->FLeftIndent;
        FRightIndent = rich->FRightIndent;
        FBullet = rich->FBullet;
    }
}

bool TRichParagraphAttributes::Equals(const TAttributes& other) const
{
    if (!inherited::Equals(other))
        return false;
    const auto& rich = static_cast<const TRichParagraphAttributes&>(other);
    return FBackColor == rich.FBackColor && FFirstIndent == rich.FFirstIndent &&
           FLeftIndent == rich.FLeftIndent && FRightIndent == rich.FRightIndent && FBullet == rich.FBullet;
}

size_t TRichParagraphAttributes::Hash() const
{
    return qHashMulti(inherited::Hash(), FBackColor, FFirstIndent, FLeftIndent, FRightIndent, FBullet);
}

void TRichParagraphAttributes::DrawBackground(ITextorCanvas& canvas, bool focused, int firstRowHeight,
                                              int firstRowLeft, TTextAttributes& textAttributes,
                                              const QRect& paragraphRect)
{
    if (FBackColor != clNone) {
        QRect area = paragraphRect;
        area.setLeft(area.left() + LeftIndent(textAttributes));
        area.setRight(area.right() - RightIndent(textAttributes));
        if (area.isValid())
            canvas.FillRect(area, FBackColor);
    }
    if (FBullet) {
        static const QString bullet(QChar(0x2022));
        const int top = paragraphRect.top();
        const int baseline = top + firstRowHeight - textAttributes.Descent();
        const QRect rowRect(paragraphRect.left(), top, paragraphRect.width(), firstRowHeight);
        int width = 0;
        textAttributes.DrawText(canvas, focused, width, 0, bullet, baseline,
                                firstRowLeft - textAttributes.TabWidth() / 2, rowRect);
    }
}

int TRichParagraphAttributes::FirstIndent(TTextAttributes&)
{
    return FFirstIndent;
}

int TRichParagraphAttributes::LeftIndent(TTextAttributes& textAttributes)
{
    return FLeftIndent + (FBullet ? textAttributes.TabWidth() : 0);
}

int TRichParagraphAttributes::RightIndent(TTextAttributes&)
{
    return FRightIndent;
}

} // namespace qv
