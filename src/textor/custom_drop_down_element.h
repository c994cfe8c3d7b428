#pragma once

#include "elements/visual_element.h"

namespace qv {

// The base of elements that can show a drop-down list of choices under themselves. The list itself
// (its items, its window and the keys that open it) belongs to the titled element family; what text
// fields need now is the class in their ancestry, so that the list behaviour can be added in one
// place without changing them.
class TCustomDropDownElement : public TVisualElement
{
    QV_CLASS(TCustomDropDownElement, TVisualElement)

    using TVisualElement::TVisualElement;

    // Whether the element offers a drop-down list at all; none by default.
    virtual bool HasDropDown();
};

} // namespace qv
