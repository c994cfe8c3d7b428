#pragma once

// A paragraph of a Textor: its portions, its rows and its attributes.

#include "core/owning_list.h"
#include "textor/attributes.h"
#include "textor/textor_portion.h"
#include "textor/textor_position.h"
#include "textor/textor_row.h"

#include <memory>

namespace qv {

class TTextor;

// A paragraph: a list of portions and, once laid out, its rows. Owned by its Textor, in its list of
// paragraphs (Next and Prev walk it).
class TParagraph : public TOwningListItem<TParagraph>
{
public:
    TParagraph(const TParagraph&) = delete;
    TParagraph& operator=(const TParagraph&) = delete;
    ~TParagraph();

    TTextor* Textor() const { return FTextor; }
    TPortion* FirstPortion() const { return FPortions.First(); }
    TPortion* LastPortion() const { return FPortions.Last(); }
    TRow* FirstRow() const { return FRows.First(); }
    TRow* LastRow() const { return FRows.Last(); }
    bool LayoutValid() const { return FLayoutValid; }
    bool PositionValid() const { return FPositionValid; }

    // Counted references; nullptr means the Textor's defaults. The text attributes set the minimum
    // ascent and descent of every row and format text typed into the empty paragraph.
    TParagraphAttributes* ParagraphAttributes() const { return FParagraphAttributes.get(); }
    void SetParagraphAttributes(TParagraphAttributes* attributes);
    TTextAttributes* TextAttributes() const { return FTextAttributes.get(); }
    void SetTextAttributes(TTextAttributes* attributes);
    TTextAttributes& EffectiveTextAttributes() const;
    TParagraphAttributes& EffectiveParagraphAttributes() const;

    // Caret steps in the paragraph.
    int Length() const { return FLength; }
    bool IsEmpty() const { return FPortions.IsEmpty(); }
    // Counts from 0. Cached: after an edit that added or removed paragraphs, the first call for a
    // paragraph after the edit walks from the edit to it.
    int Index() const;
    // The normalized position at `offset`, clamped to [0, Length].
    TTextorPosition PositionAt(int offset) const;
    // Offset of a position of this paragraph.
    int OffsetOf(const TTextorPosition& position) const;
    // The portion holding offset and the offset in it; nullptr at the paragraph end.
    TPortion* PortionAt(int offset, int& local) const;
    TTextorPosition Start() const { return {const_cast<TParagraph*>(this), FPortions.First(), 0}; }
    TTextorPosition End() const { return {const_cast<TParagraph*>(this), nullptr, 0}; }

    // Top of the first row and bottom of the last row (0 when not laid out).
    int Top() const;
    int Bottom() const;
    // The largest row left + width + right indent, from the last layout.
    int ContentWidth() const { return FContentWidth; }
    bool HasElements() const;

    // The character (code point) at an offset: -1 for an element, 9 for a tab, -2 past the end.
    char32_t CodePointAt(int offset, int* size = nullptr) const;
    // The offset one caret step forward or back; never splits a surrogate pair.
    int NextOffset(int offset) const;
    int PrevOffset(int offset) const;
    // Moves an offset that lies inside a surrogate pair to the pair's start (or end with `forward`).
    int SnapOffset(int offset, bool forward) const;

private:
    friend class TPortion;
    friend class TTextor;
    explicit TParagraph(TTextor& textor);
    // Links `portion` in before `before` (nullptr: at the end) and counts its length; returns it.
    TPortion* InsertPortion(std::unique_ptr<TPortion> portion, TPortion* before);
    // Unlinks a portion of this paragraph and hands it back; its length no longer counts.
    std::unique_ptr<TPortion> RemovePortion(TPortion& portion);
    void FreeRows() { FRows.Clear(); }
    TRow* AppendRow(std::unique_ptr<TRow> row) { return FRows.Append(std::move(row)); }
    // Moves the embedded elements (rows are placed relative to the paragraph and need no move).
    void MoveElements(int dy);
    void Changed();

    TTextor* FTextor;
    // Rows are declared after portions, so they go first.
    TOwningList<TPortion> FPortions;
    TOwningList<TRow> FRows;
    TAttributesRef<TParagraphAttributes> FParagraphAttributes;
    TAttributesRef<TTextAttributes> FTextAttributes;
    int FLength = 0;
    int FContentWidth = 0;
    // Portions of kind Element.
    int FElementCount = 0;
    // The top of the first row in the text area, before the Textor's pending shift (TTextor::TopOf).
    int FTop = 0;
    // Where the Textor's numbering last put it; valid while the numbering holds it there.
    mutable int FIndex = -1;
    bool FLayoutValid = false;
    bool FPositionValid = false;
    // In the Textor's queue of paragraphs to arrange.
    bool FQueued = false;
};

} // namespace qv
