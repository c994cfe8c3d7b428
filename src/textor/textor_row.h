#pragma once

// The laid-out lines of a paragraph.

#include "core/owning_list.h"

namespace qv {

class TParagraph;
struct TTextorPosition;

// One laid-out line. Geometry is in pixels of the Textor's text area; a row keeps its place below its
// paragraph's top, so a paragraph moves without visiting its rows. Rows keep their boundaries as offsets
// into the paragraph, never as portion pointers, so a row read between an edit and the next Arrange is
// stale but never dangles (offsets are clamped to the paragraph). Owned by its paragraph, in its list of
// rows (Next and Prev walk the rows of the same paragraph).
class TRow : public TOwningListItem<TRow>
{
public:
    TRow(const TRow&) = delete;
    TRow& operator=(const TRow&) = delete;
    virtual ~TRow();

    TParagraph* Paragraph() const { return FParagraph; }

    int Descent() const { return FDescent; }
    int Top() const;
    int Bottom() const;
    int Height() const { return FBottom - FTop; }
    int Baseline() const { return Bottom() - FDescent; }
    // Content width, trailing blanks included.
    int Width() const { return FWidth; }
    // The row's left edge, from alignment and indents.
    int Left() const { return FLeft; }

    virtual int StartOffset() const = 0;
    virtual int EndOffset() const = 0;
    void GetStart(TTextorPosition& position) const;
    void GetEnd(TTextorPosition& position) const;

protected:
    explicit TRow(TParagraph& paragraph);
    int ClampOffset(int offset) const;

private:
    friend class TParagraph;
    friend class TTextor;
    TParagraph* FParagraph;
    int FDescent = 0;
    // Below the paragraph's top.
    int FTop = 0;
    int FBottom = 0;
    int FWidth = 0;
    int FLeft = 0;
};

// A paragraph laid out on a single row.
class TWholeParagraphRow : public TRow
{
public:
    explicit TWholeParagraphRow(TParagraph& paragraph) : TRow(paragraph) {}
    int StartOffset() const override { return 0; }
    int EndOffset() const override;
};

class TWrappedParagraphRow : public TRow
{
protected:
    using TRow::TRow;
};

class TWrappedParagraphFirstRow : public TWrappedParagraphRow
{
public:
    TWrappedParagraphFirstRow(TParagraph& paragraph, int endOffset)
        : TWrappedParagraphRow(paragraph), FEndOffset(endOffset)
    {}
    int StartOffset() const override { return 0; }
    int EndOffset() const override { return ClampOffset(FEndOffset); }

private:
    int FEndOffset;
};

class TWrappedParagraphFollowRow : public TWrappedParagraphRow
{
public:
    int StartOffset() const override { return ClampOffset(FStartOffset); }

protected:
    TWrappedParagraphFollowRow(TParagraph& paragraph, int startOffset)
        : TWrappedParagraphRow(paragraph), FStartOffset(startOffset)
    {}

private:
    int FStartOffset;
};

class TWrappedParagraphInnerRow : public TWrappedParagraphFollowRow
{
public:
    TWrappedParagraphInnerRow(TParagraph& paragraph, int startOffset, int endOffset)
        : TWrappedParagraphFollowRow(paragraph, startOffset), FEndOffset(endOffset)
    {}
    int EndOffset() const override { return ClampOffset(FEndOffset); }

private:
    int FEndOffset;
};

class TWrappedParagraphLastRow : public TWrappedParagraphFollowRow
{
public:
    TWrappedParagraphLastRow(TParagraph& paragraph, int startOffset)
        : TWrappedParagraphFollowRow(paragraph, startOffset)
    {}
    int EndOffset() const override;
};

} // namespace qv
