// Painting of the Textor's rows, selection marks and non-printing marks.

#include "textor/textor.h"

#include "textor/textor_canvas.h"
#include "textor/textor_pieces.h"

namespace qv {

void TTextor::Paint(ITextorCanvas& canvas, int elementFlags, bool markParagraphEnds, int flags,
                    const TTextorRange& range)
{
    const QRect clip = canvas.ClipRect();
    const int clipTop = clip.top();
    const int clipBottom = clip.top() + clip.height();
    TTextorPaintState state;
    state.Canvas = &canvas;
    state.Flags = flags;
    state.ElementFlags = elementFlags;
    state.Focused = (flags & tpfInactive) == 0;
    GetPadding(state.Padding);

    TParagraph* first = range.Start.Paragraph;
    TParagraph* last = range.End.Paragraph;
    const int startOffset = first->OffsetOf(range.Start);
    const int endOffset = last->OffsetOf(range.End);
    // The paragraphs above the clip are skipped by halving, so that every screen of a long text costs
    // the same as the first.
    TParagraph* from = first;
    if (TParagraph* below = FirstParagraphBelow(*first, clipTop); below != nullptr && below != first) {
        if (last != FParagraphs.Last() && IndexOf(*below) > IndexOf(*last))
            return;
        from = below;
    }
    for (TParagraph* p = from; p != nullptr; p = p->Next()) {
        ++FCounters.PaintSteps;
        if (p->FirstRow() != nullptr) {
            if (p->Top() >= clipBottom)
                break;
            if (p->Bottom() > clipTop) {
                const int from = p == first ? startOffset : 0;
                const int to = p == last ? endOffset : p->Length();
                for (TRow* row = p->FirstRow(); row != nullptr; row = row->Next()) {
                    if (row->Bottom() <= clipTop)
                        continue;
                    if (row->Top() >= clipBottom)
                        break;
                    if (row->EndOffset() < from || row->StartOffset() > to)
                        continue;
                    const bool markEnd = markParagraphEnds && p != last && row->Next() == nullptr;
                    PaintRow(state, *row, from, to, clip);
                    if (markEnd && (flags & tpfSelected) != 0)
                        canvas.MarkSelected(QRect(row->Left() + row->Width(), row->Top(), 5, row->Height()),
                                            state.Focused);
                }
            }
        }
        if (p == last)
            break;
    }
}

void TTextor::PaintRow(TTextorPaintState& state, TRow& row, int from, int to, const QRect& clip)
{
    const int clipLeft = clip.left();
    const int clipRight = clip.left() + clip.width();
    if (row.Left() >= clipRight || row.Left() + row.Width() + 5 < clipLeft)
        return;
    state.RowRect = QRect(row.Left(), row.Top(), row.Width(), row.Height());
    state.Baseline = row.Baseline();
    const bool selected = (state.Flags & tpfSelected) != 0;
    TParagraph& p = *row.Paragraph();
    const int rowStart = row.StartOffset();
    const int rowEnd = row.EndOffset();
    int x = row.Left();
    ForEachPiece(p, rowStart, qMin(to, rowEnd),
                 [&](TPortion* portion, int start, int count, int portionOffset) {
                     if (x > clipRight)
                         return false;
                     const int pieceOffset = portionOffset + start;
                     if (pieceOffset < from) {
                         // Before the range: only advance (tab stops count from the row's left edge).
                         const int skip = qMin(count, from - pieceOffset);
                         int rowX = x - row.Left();
                         portion->AddWidth(rowX, start, skip);
                         x = row.Left() + rowX;
                         start += skip;
                         count -= skip;
                         if (count <= 0)
                             return true;
                     }
                     portion->Paint(state, x, start, count, selected);
                     return true;
                 });
    // The paragraph end mark, when the paragraph end is painted and another paragraph follows.
    if ((state.Flags & tpfNonPrinting) != 0 && row.Next() == nullptr && to >= p.Length() &&
        p.Next() != nullptr) {
        static const QString pilcrow(QChar(0xB6));
        int ignored = 0;
        p.EffectiveTextAttributes().DrawText(*state.Canvas, state.Focused, ignored, 0, pilcrow,
                                             state.Baseline, row.Left() + row.Width(), state.RowRect);
    }
}

void TTextor::PaintBackgrounds(ITextorCanvas& canvas, int)
{
    const QRect clip = canvas.ClipRect();
    const int clipTop = clip.top();
    const int clipBottom = clip.top() + clip.height();
    const int width = qMax(GetWidth(), ContentWidth());
    TParagraph* from = FirstParagraphBelow(*FParagraphs.First(), clipTop);
    for (TParagraph* p = from != nullptr ? from : FParagraphs.First(); p != nullptr; p = p->Next()) {
        ++FCounters.PaintSteps;
        if (p->FirstRow() == nullptr || p->Bottom() <= clipTop)
            continue;
        if (p->Top() >= clipBottom)
            break;
        const TRow& firstRow = *p->FirstRow();
        p->EffectiveParagraphAttributes().DrawBackground(canvas, true, firstRow.Height(), firstRow.Left(),
                                                         p->EffectiveTextAttributes(),
                                                         QRect(0, p->Top(), width, p->Bottom() - p->Top()));
    }
}

} // namespace qv
