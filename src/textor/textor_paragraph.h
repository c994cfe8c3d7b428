#pragma once

// A paragraph of a Textor: its portions, its rows and its attributes.

#include "textor/attributes.h"
#include "textor/textor_position.h"

namespace qv {

class TPortion;
class TRow;
class TTextor;

// A paragraph: a list of portions and, once laid out, its rows. Owned by its Textor.
class TParagraph
{
public:
    TParagraph(const TParagraph&) = delete;
    TParagraph& operator=(const TParagraph&) = delete;
    ~TParagraph();

    TTextor* Textor() const { return FTextor; }
    TParagraph* Next() const { return FNext; }
    TParagraph* Prev() const { return FPrev; }
    TPortion* FirstPortion() const { return FFirstPortion; }
    TPortion* LastPortion() const { return FLastPortion; }
    TRow* FirstRow() const { return FFirstRow; }
    TRow* LastRow() const { return FLastRow; }
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
    bool IsEmpty() const { return FFirstPortion == nullptr; }
    // Counts from 0; walks the paragraphs before it.
    int Index() const;
    // The normalized position at `offset`, clamped to [0, Length].
    TTextorPosition PositionAt(int offset) const;
    // Offset of a position of this paragraph.
    int OffsetOf(const TTextorPosition& position) const;
    // The portion holding offset and the offset in it; nullptr at the paragraph end.
    TPortion* PortionAt(int offset, int& local) const;
    TTextorPosition Start() const { return {const_cast<TParagraph*>(this), FFirstPortion, 0}; }
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
    TParagraph(TTextor& textor, TParagraph* before);
    void FreeRows();
    void AppendRow(TRow* row);
    void MoveRows(int dy);
    void Changed();

    TTextor* FTextor;
    TParagraph* FNext = nullptr;
    TParagraph* FPrev = nullptr;
    TPortion* FFirstPortion = nullptr;
    TPortion* FLastPortion = nullptr;
    TRow* FFirstRow = nullptr;
    TRow* FLastRow = nullptr;
    TAttributesRef<TParagraphAttributes> FParagraphAttributes;
    TAttributesRef<TTextAttributes> FTextAttributes;
    int FLength = 0;
    int FContentWidth = 0;
    bool FLayoutValid = false;
    bool FPositionValid = false;
};

} // namespace qv
