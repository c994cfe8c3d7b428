// The Textor's geometry queries: rows of positions, hit tests and caret rectangles.

#include "textor/textor.h"

#include "textor/textor_pieces.h"

namespace qv {

TRow* TTextor::RowOf(const TTextorPosition& position, bool preferNext) const
{
    const TParagraph* p = position.Paragraph;
    const int offset = p->OffsetOf(position);
    for (TRow* row = p->FirstRow(); row != nullptr; row = row->Next()) {
        const int end = row->EndOffset();
        if (offset < end)
            return row;
        if (offset == end)
            return preferNext && row->Next() != nullptr ? row->Next() : row;
    }
    return p->LastRow();
}

TRow* TTextor::RowAt(int y, bool clamp) const
{
    if (FParagraphs.Last()->LastRow() == nullptr)
        return nullptr;
    const int height = ContentHeight();
    if (y < 0)
        return clamp ? FParagraphs.First()->FirstRow() : nullptr;
    if (y >= height)
        return clamp ? FParagraphs.Last()->LastRow() : nullptr;
    if (const TParagraph* p = FirstParagraphBelow(*FParagraphs.First(), y)) {
        for (TRow* row = p->FirstRow(); row != nullptr; row = row->Next()) {
            if (y < row->Bottom())
                return row;
        }
    }
    // Some paragraph is not laid out: search from the nearer end.
    if (y < height / 2) {
        for (const TParagraph* p = FParagraphs.First(); p != nullptr; p = p->Next()) {
            if (p->LastRow() == nullptr || p->Bottom() <= y)
                continue;
            for (TRow* row = p->FirstRow(); row != nullptr; row = row->Next()) {
                if (y < row->Bottom())
                    return row;
            }
        }
    } else {
        for (const TParagraph* p = FParagraphs.Last(); p != nullptr; p = p->Prev()) {
            if (p->FirstRow() == nullptr || p->Top() > y)
                continue;
            for (TRow* row = p->LastRow(); row != nullptr; row = row->Prev()) {
                if (row->Top() <= y)
                    return row;
            }
        }
    }
    return clamp ? FParagraphs.Last()->LastRow() : nullptr;
}

TParagraph* TTextor::FirstParagraphBelow(const TParagraph& from, int y) const
{
    int low = IndexOf(from);
    // The numbered paragraphs are searched first; past them the numbering grows by doubling steps, so a
    // lookup near the last edit does not number the rest of the text.
    int high = qMax(low, int(FNumbered.size()) - 1);
    for (int step = 1;; step *= 2) {
        const TParagraph* p = ParagraphAt(high);
        if (p->LastRow() == nullptr)
            return nullptr;
        if (p->Bottom() > y || high == FParagraphCount - 1)
            break;
        low = high + 1;
        high = qMin(FParagraphCount - 1, high + step);
    }
    // Every paragraph before `low` ends at or above y; the one at `high` ends below it or is the last.
    while (low < high) {
        const int middle = low + (high - low) / 2;
        const TParagraph* p = ParagraphAt(middle);
        if (p->LastRow() == nullptr)
            return nullptr;
        if (p->Bottom() <= y)
            low = middle + 1;
        else
            high = middle;
    }
    TParagraph* found = ParagraphAt(low);
    return found->LastRow() != nullptr ? found : nullptr;
}

TTextorHit TTextor::PositionAtPoint(QPoint point, bool clamp, bool rounding, const TTextorDrag* drag) const
{
    TTextorHit hit;
    hit.Row = RowAt(point.y(), clamp);
    if (hit.Row == nullptr) {
        hit.Position = point.y() < 0 ? FirstPosition() : LastPosition();
        return hit;
    }
    const TRow& row = *hit.Row;
    const TParagraph& p = *row.Paragraph();
    const int x = point.x() - row.Left();
    bool withinContent = false;
    if (x < 0) {
        row.GetStart(hit.Position);
    } else if (x >= row.Width()) {
        row.GetEnd(hit.Position);
    } else {
        int offset = row.EndOffset();
        int pieceX = 0;
        ForEachPiece(p, row.StartOffset(), row.EndOffset(),
                     [&](TPortion* portion, int start, int count, int portionOffset) {
                         int index = 0;
                         if (!portion->IndexAtX(pieceX, x, drag, rounding, start, count, index))
                             return true;
                         offset = portionOffset + index;
                         withinContent = true;
                         return false;
                     });
        hit.Position = p.PositionAt(offset);
    }
    hit.Inside = clamp || withinContent;
    return hit;
}

int TTextor::XOfPosition(const TRow& row, const TTextorPosition& position) const
{
    const TParagraph& p = *row.Paragraph();
    const int offset = p.OffsetOf(position);
    const int start = row.StartOffset();
    if (offset >= row.EndOffset())
        return row.Width();
    if (offset <= start)
        return 0;
    int x = 0;
    ForEachPiece(p, start, offset, [&x](TPortion* portion, int pieceStart, int count, int) {
        portion->AddWidth(x, pieceStart, count);
        return true;
    });
    return x;
}

QRect TTextor::CaretRect(const TRow& row, const TTextorPosition& position, int caretWidth) const
{
    const int left = row.Left() + XOfPosition(row, position) - caretWidth / 2;
    return QRect(left, row.Top(), caretWidth, row.Height());
}

} // namespace qv
