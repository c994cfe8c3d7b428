#pragma once

#include "core/colors.h"
#include "textor/attributes.h"
#include "textor/measuring_context.h"

#include <memory>

namespace qv {

// The concrete character formatting of every text field: a font and colours. Metrics come from the
// process-wide measuring context and are cached in the (shared) value; setting a font-defining field
// drops them.
class TRichTextAttributes : public TTextAttributes
{
    QV_CLASS(TRichTextAttributes, TTextAttributes)

    TRichTextAttributes();
    ~TRichTextAttributes() override;

    // The process-wide default value (all fields default), shared and never freed.
    static TRichTextAttributes* Default();

    TColor BackColor() const { return FBackColor; }
    void SetBackColor(TColor value);
    const QString& FontName() const { return FFontName; }
    void SetFontName(const QString& value);
    uint8_t Charset() const { return FCharset; }
    void SetCharset(uint8_t value);
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    uint8_t Pitch() const { return FPitch; }
    void SetPitch(uint8_t value);
    // Points.
    int Size() const { return FSize; }
    void SetSize(int value);
    uint8_t Style() const { return FStyle; }
    void SetStyle(uint8_t value);

    TFontRequest FontRequest() const;
    // The font, created on first use.
    IMeasuredFont& Font();

    void Assign(const TAttributes& source) override;
    bool Equals(const TAttributes& other) const override;
    size_t Hash() const override;
    void DropCaches() override;

    int Ascent() override;
    int Descent() override;
    void DrawBackground(ITextorCanvas& canvas, bool focused, int flags, const QRect& cellRect,
                        const QRect& rowRect) override;
    void DrawBlank(ITextorCanvas& canvas, bool focused, int flags, int width, int x,
                   const QRect& rowRect) override;
    void DrawText(ITextorCanvas& canvas, bool focused, int& width, int flags, QStringView chars, int baseline,
                  int x, const QRect& rowRect) override;
    int TabWidth() override;
    int TextWidth(QStringView chars) override;
    int FitCount(QStringView chars, int available, int& width) override;

private:
    void FontChanged();
    void Measure();

    TColor FBackColor = clNone;
    QString FFontName;
    uint8_t FCharset = 1;
    TColor FColor = clWindowText;
    uint8_t FPitch = fpDefault;
    int FSize = 8;
    uint8_t FStyle = 0;

    // Caches, not part of the value.
    int FAscent = -1;
    int FDescent = -1;
    int FTabWidth = 0;
    std::shared_ptr<IMeasuredFont> FFont;
};

// Paragraph formatting with indents (pixels), a background colour and a bullet.
class TRichParagraphAttributes : public TParagraphAttributes
{
    QV_CLASS(TRichParagraphAttributes, TParagraphAttributes)

    // The process-wide default value, shared and never freed.
    static TRichParagraphAttributes* Default();

    TColor BackColor() const { return FBackColor; }
    void SetBackColor(TColor value);
    int StoredFirstIndent() const { return FFirstIndent; }
    void SetFirstIndent(int value);
    int StoredLeftIndent() const { return FLeftIndent; }
    void SetLeftIndent(int value);
    int StoredRightIndent() const { return FRightIndent; }
    void SetRightIndent(int value);
    bool Bullet() const { return FBullet; }
    void SetBullet(bool value);

    void Assign(const TAttributes& source) override;
    bool Equals(const TAttributes& other) const override;
    size_t Hash() const override;

    void DrawBackground(ITextorCanvas& canvas, bool focused, int firstRowHeight, int firstRowLeft,
                        TTextAttributes& textAttributes, const QRect& paragraphRect) override;
    int FirstIndent(TTextAttributes& textAttributes) override;
    // The stored left indent, plus one tab width when the paragraph has a bullet.
    int LeftIndent(TTextAttributes& textAttributes) override;
    int RightIndent(TTextAttributes& textAttributes) override;

private:
    TColor FBackColor = clNone;
    int FFirstIndent = 0;
    int FLeftIndent = 0;
    int FRightIndent = 0;
    bool FBullet = false;
};

} // namespace qv
