#pragma once

// Walking the pieces of a paragraph between two offsets (private to the Textor's sources).

#include "textor/textor_paragraph.h"
#include "textor/textor_portion.h"

namespace qv {

// Calls visit(portion, start, count, portionOffset) for each non-empty piece of [from, to); stops when
// visit returns false. `start` is the offset in the portion, `portionOffset` the portion's offset in
// the paragraph.
template <class F>
void ForEachPiece(const TParagraph& paragraph, int from, int to, F&& visit)
{
    int portionOffset = 0;
    for (TPortion* portion = paragraph.FirstPortion(); portion != nullptr && portionOffset < to;
         portion = portion->Next()) {
        const int length = portion->Length();
        const int pieceStart = from > portionOffset ? from : portionOffset;
        const int pieceEnd = to < portionOffset + length ? to : portionOffset + length;
        if (pieceEnd > pieceStart &&
            !visit(portion, pieceStart - portionOffset, pieceEnd - pieceStart, portionOffset))
            return;
        portionOffset += length;
    }
}

} // namespace qv
