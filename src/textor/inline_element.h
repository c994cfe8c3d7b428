#pragma once

#include <memory>

namespace qv {

class ITextorCanvas;
class TElementPortion;

// What text layout needs of an element standing inside a line of text. When the element's size
// changes, its owner calls TTextor::InvalidateParagraph for the portion's paragraph. The portion that holds
// it owns it: freeing the portion calls FreeInline. Sizes and positions are pixels in the coordinates of the
// element that owns the text (the text area plus that element's padding).
class IInlineElement
{
public:
    virtual ~IInlineElement() = default;

    virtual int InlineWidth() const = 0;
    virtual int InlineHeight() const = 0;
    // The part of the height below the text baseline.
    virtual int InlineDescent() const = 0;
    // A hidden element takes no room in its line and is neither placed nor painted.
    virtual bool InlineShown() const = 0;
    // Sets the element's top-left corner; its size stays.
    virtual void PlaceInline(int left, int top) = 0;
    virtual void MoveInlineBy(int dx, int dy) = 0;
    // Paints the element; the canvas origin is the owner's, the frame of the element's bounds. On a
    // sheet the canvas is the sheet's TCanvas.
    virtual void PaintInline(ITextorCanvas& canvas, int flags) = 0;
    // The back pointer to the holding portion; nullptr when the element leaves it.
    virtual void SetInlinePortion(TElementPortion* portion) = 0;
    // Detaches and frees the element; called once by its portion, which owned it.
    virtual void FreeInline() = 0;
};

// Frees an embedded element the way its portion does: through FreeInline.
struct TInlineElementFree
{
    void operator()(IInlineElement* element) const { element->FreeInline(); }
};

// An owning pointer to an embedded element, handed to the Textor that will hold it.
using TInlineElementPtr = std::unique_ptr<IInlineElement, TInlineElementFree>;

} // namespace qv
