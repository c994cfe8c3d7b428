// The Textor's layout: line breaking, row geometry, placing embedded elements and arranging.

#include "textor/textor.h"

#include "textor/textor_pieces.h"

#include <algorithm>
#include <memory>

namespace qv {

namespace {

// The bottom of the nearest laid-out paragraph before `paragraph`, or 0.
int PrevBottom(const TParagraph& paragraph)
{
    for (const TParagraph* p = paragraph.Prev(); p != nullptr; p = p->Prev()) {
        if (p->LastRow() != nullptr)
            return p->Bottom();
    }
    return 0;
}

// How good a row break is: a later candidate on the same row replaces an earlier one of the same or a
// lower quality.
enum : int
{
    bqNone = 0,
    bqForced = 1, // not even one character fits: the row takes one anyway
    bqCut = 2,    // a word cut after its last character that fits, or a portion's end inside a word
    bqLegal = 3,  // where CanBreakAfter allows a break
};

bool IsSurrogatePairAt(const TPortion& portion, int i)
{
    return portion.Kind() == TPortionKind::Text && i + 1 < portion.Length() &&
           QChar::isHighSurrogate(char32_t(portion.CharAt(i))) &&
           QChar::isLowSurrogate(char32_t(portion.CharAt(i + 1)));
}

} // namespace

void TTextor::Arrange(bool)
{
    if (FArranging)
        return;
    FArranging = true;
    FArrangeDefaultText = nullptr;
    FArrangeDefaultText = &EffectiveTextAttributes(nullptr);
    struct TReset
    {
        TTextor* Textor;
        ~TReset()
        {
            Textor->FArranging = false;
            Textor->FArrangeDefaultText = nullptr;
        }
    } reset{this};
    ++FCounters.Arranges;

    const int width = GetWidth();
    QMargins margins;
    GetElementMargins(margins);
    QMargins padding;
    GetPadding(padding);

    // Lays a paragraph out (or only moves it) at the bottom of the one before it; returns how far the
    // paragraphs after it have to move. Those lie against its old bottom, or against the bottom of the
    // paragraph before it when it had no rows yet.
    auto arrange = [&](TParagraph* p) {
        const int oldBottom = p->LastRow() != nullptr ? p->Bottom() : PrevBottom(*p);
        ArrangeParagraph(*p, width, margins, padding);
        return p->Bottom() - oldBottom;
    };
    if (FArrangeAll) {
        FArrangeAll = false;
        // Every paragraph is placed in order, each at the bottom of the one before it.
        ShiftTops(FShiftFrom, nullptr, FShift);
        FShiftFrom = nullptr;
        FShift = 0;
        for (TParagraph* p = FParagraphs.First(); p != nullptr; p = p->Next()) {
            ++FCounters.ParagraphSteps;
            if (!(p->FLayoutValid && p->FPositionValid && p->FirstRow() != nullptr) ||
                p->FTop != PrevBottom(*p))
                arrange(p);
        }
    } else {
        // Every paragraph that is not valid is queued. The tops of the ones between queued paragraphs
        // move lazily; only their embedded elements are visited, and only when a height changed
        // before them. `elementShift` is how far those elements lag behind their paragraphs.
        FArrangeWork.swap(FQueued);
        for (TParagraph* p : FArrangeWork)
            p->FQueued = false;
        std::sort(FArrangeWork.begin(), FArrangeWork.end(),
                  [](const TParagraph* a, const TParagraph* b) { return a->Index() < b->Index(); });
        int elementShift = 0;
        const TParagraph* done = nullptr;
        auto moveElementsUpTo = [&](const TParagraph* end) {
            if (elementShift == 0 || FElementParagraphs == 0)
                return;
            for (TParagraph* p = done != nullptr ? done->Next() : FParagraphs.First(); p != end;
                 p = p->Next()) {
                ++FCounters.ParagraphSteps;
                if (p->FElementCount > 0 && p->FirstRow() != nullptr) {
                    p->MoveElements(elementShift);
                    ++FCounters.Moves;
                }
            }
        };
        for (size_t i = 0; i < FArrangeWork.size(); ++i) {
            TParagraph* p = FArrangeWork[i];
            if (p == nullptr)
                continue; // freed while an earlier one was arranged
            moveElementsUpTo(p);
            done = p;
            ++FCounters.ParagraphSteps;
            SettleThrough(*p);
            if (p->FirstRow() != nullptr)
                p->MoveElements(elementShift);
            const int shift = arrange(p);
            ShiftFrom(p->Next(), shift);
            elementShift += shift;
        }
        moveElementsUpTo(nullptr);
        FArrangeWork.clear();
    }
    // What was queued while arranging and is valid now needs nothing more.
    std::erase_if(FQueued, [](TParagraph* p) {
        if (!(p->FLayoutValid && p->FPositionValid && p->FirstRow() != nullptr))
            return false;
        p->FQueued = false;
        return true;
    });
}

void TTextor::ArrangeParagraph(TParagraph& paragraph, int width, const QMargins& margins,
                               const QMargins& padding)
{
    ++FCounters.ArrangeParagraphs;
    FMargins = margins;
    FMarginsValid = true;
    const int top = PrevBottom(paragraph);
    if (paragraph.FLayoutValid && paragraph.FirstRow() != nullptr) {
        // Only moved: its rows lie relative to its top, so only its embedded elements follow.
        paragraph.MoveElements(top - TopOf(paragraph));
        ++FCounters.Moves;
    } else {
        paragraph.FreeRows();
        BreakParagraph(paragraph, width);
        ++FCounters.Wraps;
    }
    paragraph.FTop += top - TopOf(paragraph);
    if (!paragraph.FLayoutValid && paragraph.HasElements())
        PlaceElements(paragraph, margins, padding);
    paragraph.FLayoutValid = true;
    paragraph.FPositionValid = true;
}

int TTextor::TopOf(const TParagraph& paragraph) const
{
    // The last paragraph is never before the shift's start, and asking for it (the content height)
    // must not number the paragraphs after an edit.
    if (FShiftFrom == nullptr || (&paragraph != FShiftFrom && &paragraph != FParagraphs.Last() &&
                                  IndexOf(paragraph) < IndexOf(*FShiftFrom)))
        return paragraph.FTop;
    return paragraph.FTop + FShift;
}

void TTextor::ShiftFrom(TParagraph* from, int dy)
{
    if (from == nullptr || dy == 0)
        return;
    if (FShiftFrom == nullptr) {
        FShiftFrom = from;
        FShift = dy;
        return;
    }
    if (FShiftFrom != from) {
        // One pending shift at a time: the paragraphs between the two starts get theirs now.
        if (IndexOf(*FShiftFrom) < IndexOf(*from)) {
            ShiftTops(FShiftFrom, from, FShift);
            FShiftFrom = from;
        } else {
            ShiftTops(from, FShiftFrom, dy);
        }
    }
    FShift += dy;
    if (FShift == 0)
        FShiftFrom = nullptr;
}

void TTextor::SettleThrough(TParagraph& paragraph)
{
    if (FShiftFrom == nullptr || (FShiftFrom != &paragraph && IndexOf(*FShiftFrom) > IndexOf(paragraph)))
        return;
    ShiftTops(FShiftFrom, paragraph.Next(), FShift);
    FShiftFrom = paragraph.Next();
    if (FShiftFrom == nullptr)
        FShift = 0;
}

void TTextor::ShiftTops(TParagraph* from, const TParagraph* end, int dy)
{
    if (dy == 0)
        return;
    for (TParagraph* p = from; p != end; p = p->Next()) {
        ++FCounters.ParagraphSteps;
        p->FTop += dy;
    }
}

// The values of one paragraph's line breaking that every row needs, and the rows closed so far.
struct TTextor::TRowLayout
{
    TParagraph& Paragraph;
    bool Wrap;
    int Width;
    int LeftIndent;
    int FirstIndent;
    int RightIndent;
    uint8_t Alignment;
    // The least ascent and descent of a row: the paragraph's text attributes.
    int MinAscent;
    int MinDescent;
    // The next row's top below the paragraph's top, and the paragraph offset where it starts.
    int Top = 0;
    int RowStart = 0;
    // The largest row left + width + right indent so far.
    int ContentWidth = 0;
};

// Where a row ends and what it measures up to there. While a row is scanned it is the best break
// found so far; its quality (bqForced, bqCut or bqLegal) decides which candidate wins. Portion,
// PortionOffset (the portion's offset in the paragraph) and Index (the offset in the portion) say where
// the next row starts.
struct TTextor::TRowBreak
{
    int Quality = bqNone;
    // The paragraph offset after the break.
    int Offset = 0;
    // The row's width, ascent and descent up to the break.
    int X = 0;
    int Ascent = 0;
    int Descent = 0;
    TPortion* Portion = nullptr;
    int PortionOffset = 0;
    int Index = 0;
};

void TTextor::BreakParagraph(TParagraph& paragraph, int width)
{
    TTextAttributes& textAttributes = paragraph.EffectiveTextAttributes();
    TParagraphAttributes& paragraphAttributes = paragraph.EffectiveParagraphAttributes();
    TRowLayout layout{.Paragraph = paragraph,
                      .Wrap = width > 0,
                      .Width = width,
                      .LeftIndent = paragraphAttributes.LeftIndent(textAttributes),
                      .FirstIndent = paragraphAttributes.FirstIndent(textAttributes),
                      .RightIndent = paragraphAttributes.RightIndent(textAttributes),
                      .Alignment = paragraphAttributes.Alignment(),
                      .MinAscent = textAttributes.Ascent(),
                      .MinDescent = textAttributes.Descent()};
    const int laterAvailable = qMax(1, width - layout.LeftIndent - layout.RightIndent);
    int available = qMax(1, width - layout.LeftIndent - layout.FirstIndent - layout.RightIndent);

    // Each row is scanned from the break that closed the row before it, so that what follows a break
    // is measured from the new row's left edge (tab stops count from there) and its break candidates
    // are found again.
    TRowBreak end{.Portion = paragraph.FirstPortion()};
    do {
        end = FindRowBreak(layout, end, available);
        CloseRow(layout, end);
        available = laterAvailable;
    } while (end.Offset != paragraph.FLength);
    CountWidth(paragraph.FContentWidth, -1);
    paragraph.FContentWidth = layout.ContentWidth;
    CountWidth(paragraph.FContentWidth, 1);
}

TTextor::TRowBreak TTextor::FindRowBreak(const TRowLayout& layout, const TRowBreak& from, int available) const
{
    // The running row: its largest ascent and descent, and x relative to its left edge.
    int ascent = layout.MinAscent;
    int descent = layout.MinDescent;
    int x = 0;
    TRowBreak best{.Ascent = ascent, .Descent = descent};
    int portionOffset = from.PortionOffset;
    int g = from.Index;
    for (TPortion* portion = from.Portion; portion != nullptr;
         portionOffset += portion->Length(), portion = portion->Next(), g = 0) {
        const int length = portion->Length();
        if (g >= length)
            continue;
        int portionAscent = 0;
        int portionDescent = 0;
        portion->GetAscentDescent(portionAscent, portionDescent);
        ascent = qMax(ascent, portionAscent);
        descent = qMax(descent, portionDescent);
        const int x0 = x; // x at index g of this portion
        if (!layout.Wrap) {
            portion->AddWidth(x, g, length - g);
            continue;
        }
        // Scans only up to the first character that does not fit, so that a long paragraph costs time
        // in proportion to its length, not to its length times its rows.
        int d = 0;
        const bool overflow = portion->FitIndex(x, available, g, length - g, d);
        if (!overflow && portion->Next() == nullptr)
            continue;
        int quality = bqNone;
        const int candidate = BreakCandidate(*portion, g, overflow, d, quality);
        if (quality >= best.Quality) {
            best = {.Quality = quality,
                    .Offset = portionOffset + candidate,
                    .X = x0,
                    .Ascent = ascent,
                    .Descent = descent,
                    .Portion = portion,
                    .PortionOffset = portionOffset,
                    .Index = candidate};
            portion->AddWidth(best.X, g, candidate - g);
        }
        if (!overflow)
            continue;
        if (best.Offset != layout.Paragraph.FLength)
            return best;
        // Only when the last character of the paragraph alone overflows its row.
        x = x0;
        portion->AddWidth(x, g, length - g);
    }
    return {.Offset = layout.Paragraph.FLength, .X = x, .Ascent = ascent, .Descent = descent};
}

int TTextor::BreakCandidate(const TPortion& portion, int start, bool overflow, int fit, int& quality) const
{
    const int length = portion.Length();
    if (!overflow) {
        // The rest of the portion fits. Its end is a legal break when the next portion may follow on a
        // new row. Otherwise the word goes on in the next portion: the last legal break inside this
        // portion is better, and only without one is the end a candidate as good as a cut (a later cut
        // of the same word then replaces it). Rating every portion end as a cut would let a cut inside
        // the next portion's word win over a legal break.
        if (const TPortion* next = portion.Next();
            next != nullptr && CanBreakAfter(portion.CharAt(length - 1), next->CharAt(0))) {
            quality = bqLegal;
            return length;
        }
        for (int i = length - 2; i >= start; --i) {
            if (CanBreakAfter(portion.CharAt(i), portion.CharAt(i + 1))) {
                quality = bqLegal;
                return i + 1;
            }
        }
        quality = bqCut;
        return length;
    }
    if (fit > start) {
        for (int i = fit - 1; i >= start; --i) {
            if (CanBreakAfter(portion.CharAt(i), portion.CharAt(i + 1))) {
                quality = bqLegal;
                return i + 1;
            }
        }
        // The word is cut after its last character that fits.
        quality = bqCut;
        return fit;
    }
    // Not even one character fits: the row takes one anyway (a surrogate pair is one).
    quality = bqForced;
    return IsSurrogatePairAt(portion, start) ? start + 2 : start + 1;
}

void TTextor::CloseRow(TRowLayout& layout, const TRowBreak& end)
{
    TParagraph& paragraph = layout.Paragraph;
    const bool firstRow = paragraph.FirstRow() == nullptr;
    // A row that reaches the paragraph's end is its last (or only) row.
    std::unique_ptr<TRow> made;
    if (end.Offset == paragraph.FLength) {
        if (firstRow)
            made = std::make_unique<TWholeParagraphRow>(paragraph);
        else
            made = std::make_unique<TWrappedParagraphLastRow>(paragraph, layout.RowStart);
    } else if (firstRow) {
        made = std::make_unique<TWrappedParagraphFirstRow>(paragraph, end.Offset);
    } else {
        made = std::make_unique<TWrappedParagraphInnerRow>(paragraph, layout.RowStart, end.Offset);
    }
    TRow* row = paragraph.AppendRow(std::move(made));
    const int rowWidth = end.X;
    row->FDescent = end.Descent;
    row->FTop = layout.Top;
    row->FBottom = layout.Top + end.Ascent + end.Descent;
    row->FWidth = rowWidth;
    if (layout.Alignment == paRight)
        row->FLeft = layout.Width - layout.RightIndent - rowWidth;
    else
        row->FLeft = layout.LeftIndent +
                     (layout.Alignment == paCenter
                          ? (layout.Width - (layout.LeftIndent + layout.RightIndent + rowWidth)) / 2
                          : 0) +
                     (firstRow ? layout.FirstIndent : 0);
    layout.Top = row->FBottom;
    layout.RowStart = end.Offset;
    layout.ContentWidth = qMax(layout.ContentWidth, row->FLeft + rowWidth + layout.RightIndent);
}

void TTextor::PlaceElements(TParagraph& paragraph, const QMargins& margins, const QMargins& padding)
{
    for (TRow* row = paragraph.FirstRow(); row != nullptr; row = row->Next()) {
        int x = 0;
        const int left = row->FLeft;
        const int baseline = row->Baseline();
        ForEachPiece(paragraph, row->StartOffset(), row->EndOffset(),
                     [&](TPortion* portion, int start, int count, int) {
                         if (portion->Kind() == TPortionKind::Element)
                             portion->PlaceElement(left + x, baseline, margins, padding);
                         portion->AddWidth(x, start, count);
                         return true;
                     });
    }
}

int TTextor::ContentWidth() const
{
    return qMax(0, FWidths.rbegin()->first);
}

int TTextor::ContentHeight() const
{
    return FParagraphs.Last()->Bottom();
}

} // namespace qv
