// The Textor's layout: line breaking, row geometry, placing embedded elements and arranging.

#include "textor/textor.h"

#include "textor/textor_pieces.h"

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
    struct TReset
    {
        bool* Flag;
        ~TReset() { *Flag = false; }
    } reset{&FArranging};
    ++FCounters.Arranges;

    const int width = GetWidth();
    QMargins margins;
    GetElementMargins(margins);
    QMargins padding;
    GetPadding(padding);

    // `shift` is how far the paragraphs that are still valid have to move: the accumulated height
    // change of the paragraphs laid out before them.
    int shift = 0;
    for (TParagraph* p = FFirstParagraph; p != nullptr; p = p->FNext) {
        if (p->FLayoutValid && p->FPositionValid && p->FFirstRow != nullptr) {
            if (shift != 0) {
                p->MoveRows(shift);
                ++FCounters.Moves;
            }
            continue;
        }
        int oldBottom = PrevBottom(*p);
        if (p->FLastRow != nullptr) {
            // Its old bottom is in the old coordinates, which already include every earlier shift.
            oldBottom = p->FLastRow->FBottom;
            shift = 0;
        }
        ArrangeParagraph(*p, width, margins, padding);
        shift += p->Bottom() - oldBottom;
    }
}

void TTextor::ArrangeParagraph(TParagraph& paragraph, int width, const QMargins& margins,
                               const QMargins& padding)
{
    ++FCounters.ArrangeParagraphs;
    FMargins = margins;
    FMarginsValid = true;
    const int top = PrevBottom(paragraph);
    if (paragraph.FLayoutValid && paragraph.FFirstRow != nullptr) {
        // Only moved: every row keeps the height layout gave it, so the paragraph moves as one block.
        paragraph.MoveRows(top - paragraph.FFirstRow->FTop);
        ++FCounters.Moves;
    } else {
        paragraph.FreeRows();
        BreakParagraph(paragraph, width, top);
        ++FCounters.Wraps;
        if (paragraph.HasElements())
            PlaceElements(paragraph, margins, padding);
    }
    paragraph.FLayoutValid = true;
    paragraph.FPositionValid = true;
}

void TTextor::BreakParagraph(TParagraph& paragraph, int width, int top)
{
    TTextAttributes& textAttributes = paragraph.EffectiveTextAttributes();
    TParagraphAttributes& paragraphAttributes = paragraph.EffectiveParagraphAttributes();
    const bool wrap = width > 0;
    const int leftIndent = paragraphAttributes.LeftIndent(textAttributes);
    const int firstIndent = paragraphAttributes.FirstIndent(textAttributes);
    const int rightIndent = paragraphAttributes.RightIndent(textAttributes);
    const uint8_t alignment = paragraphAttributes.Alignment();
    const int laterAvailable = qMax(1, width - leftIndent - rightIndent);
    int available = qMax(1, width - leftIndent - firstIndent - rightIndent);
    const int minAscent = textAttributes.Ascent();
    const int minDescent = textAttributes.Descent();
    int contentWidth = 0;

    auto closeRow = [&](TRow* row, int ascent, int descent, int rowWidth) {
        const bool firstRow = paragraph.FFirstRow == nullptr;
        row->FDescent = descent;
        row->FTop = top;
        row->FBottom = top + ascent + descent;
        row->FWidth = rowWidth;
        if (alignment == paRight)
            row->FLeft = width - rightIndent - rowWidth;
        else
            row->FLeft = leftIndent +
                         (alignment == paCenter ? (width - (leftIndent + rightIndent + rowWidth)) / 2 : 0) +
                         (firstRow ? firstIndent : 0);
        paragraph.AppendRow(row);
        top = row->FBottom;
        contentWidth = qMax(contentWidth, row->FLeft + rowWidth + rightIndent);
    };

    // The running row: its largest ascent and descent, and x relative to its left edge.
    int ascent = minAscent;
    int descent = minDescent;
    int x = 0;
    int rowStart = 0;
    // The best break found on the running row: its quality (1 a forced single character, 2 a cut or
    // the end of a portion, 3 a legal break), the paragraph offset after it, the row's width and
    // metrics up to it, and where it lies (portion and offset in the portion).
    struct TBreak
    {
        int Quality = 0;
        int Offset = 0;
        int X = 0;
        int Ascent = 0;
        int Descent = 0;
        TPortion* Portion = nullptr;
        int PortionOffset = 0;
        int Index = 0;
    } best;
    best.Ascent = minAscent;
    best.Descent = minDescent;

    // Walks the portions from (portion, g); after a row is closed the walk starts again at the break,
    // so that what follows it is measured from the new row's left edge (tab stops count from there) and
    // its break candidates are found again.
    TPortion* portion = paragraph.FFirstPortion;
    int portionOffset = 0;
    int g = 0;
    while (portion != nullptr) {
        const int length = portion->Length();
        if (g >= length) {
            portionOffset += length;
            portion = portion->Next();
            g = 0;
            continue;
        }
        int portionAscent = 0;
        int portionDescent = 0;
        portion->GetAscentDescent(portionAscent, portionDescent);
        ascent = qMax(ascent, portionAscent);
        descent = qMax(descent, portionDescent);
        const int x0 = x; // x at index g of this portion
        const int g0 = g;
        if (!wrap) {
            portion->AddWidth(x, g, length - g);
            portionOffset += length;
            portion = portion->Next();
            g = 0;
            continue;
        }
        // Scans only up to the first character that does not fit, so that a long paragraph costs time
        // in proportion to its length, not to its length times its rows.
        int d = 0;
        const bool overflow = portion->FitIndex(x, available, g, length - g, d);
        bool restart = false;
        do {
            if (portion->Next() == nullptr && !overflow)
                break;
            int candidate = 0;
            int quality = 0;
            if (!overflow) {
                // The rest of the portion fits. Its end is a legal break when the next portion may
                // follow on a new row. Otherwise the word goes on in the next portion: the last legal
                // break inside this portion is better, and only without one is the end a candidate as
                // good as a cut (a later cut of the same word then replaces it). Rating every portion
                // end as a cut would let a cut inside the next portion's word win over a legal break.
                candidate = length;
                quality = 2;
                if (TPortion* next = portion->Next();
                    next != nullptr && CanBreakAfter(portion->CharAt(length - 1), next->CharAt(0))) {
                    quality = 3;
                } else {
                    for (int i = length - 2; i >= g; --i) {
                        if (CanBreakAfter(portion->CharAt(i), portion->CharAt(i + 1))) {
                            candidate = i + 1;
                            quality = 3;
                            break;
                        }
                    }
                }
            } else if (d > g) {
                candidate = -1;
                for (int i = d - 1; i >= g; --i) {
                    if (CanBreakAfter(portion->CharAt(i), portion->CharAt(i + 1))) {
                        candidate = i + 1;
                        quality = 3;
                        break;
                    }
                }
                if (candidate < 0) {
                    // The word is cut after its last character that fits.
                    candidate = d;
                    quality = 2;
                }
            } else {
                // Not even one character fits: the row takes one anyway (a surrogate pair is one).
                candidate = IsSurrogatePairAt(*portion, g) ? g + 2 : g + 1;
                quality = 1;
            }
            if (quality >= best.Quality) {
                best.Quality = quality;
                best.Offset = portionOffset + candidate;
                best.Ascent = ascent;
                best.Descent = descent;
                best.X = x0;
                portion->AddWidth(best.X, g, candidate - g);
                best.Portion = portion;
                best.PortionOffset = portionOffset;
                best.Index = candidate;
                g = candidate;
            }
            if (!overflow || best.Offset == paragraph.FLength)
                break;

            // Close a row at the best break and go on from there.
            TRow* row = paragraph.FFirstRow == nullptr
                            ? static_cast<TRow*>(new TWrappedParagraphFirstRow(paragraph, best.Offset))
                            : new TWrappedParagraphInnerRow(paragraph, rowStart, best.Offset);
            closeRow(row, best.Ascent, best.Descent, best.X);
            rowStart = best.Offset;
            available = laterAvailable;
            ascent = minAscent;
            descent = minDescent;
            x = 0;
            portion = best.Portion;
            portionOffset = best.PortionOffset;
            g = best.Index;
            best.Quality = 0;
            best.Ascent = minAscent;
            best.Descent = minDescent;
            restart = true;
        } while (false);
        if (restart)
            continue;
        if (overflow) {
            // Only when the last character of the paragraph alone overflows its row.
            x = x0;
            portion->AddWidth(x, g0, length - g0);
        }
        portionOffset += length;
        portion = portion->Next();
        g = 0;
    }
    TRow* last = paragraph.FFirstRow == nullptr ? static_cast<TRow*>(new TWholeParagraphRow(paragraph))
                                                : new TWrappedParagraphLastRow(paragraph, rowStart);
    closeRow(last, ascent, descent, x);
    paragraph.FContentWidth = contentWidth;
}

void TTextor::PlaceElements(TParagraph& paragraph, const QMargins& margins, const QMargins& padding)
{
    for (TRow* row = paragraph.FFirstRow; row != nullptr; row = row->FNext) {
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
    int width = 0;
    for (const TParagraph* p = FFirstParagraph; p != nullptr; p = p->Next())
        width = qMax(width, p->ContentWidth());
    return width;
}

int TTextor::ContentHeight() const
{
    return FLastParagraph->Bottom();
}

} // namespace qv
