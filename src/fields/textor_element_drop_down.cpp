#include "elements/drop_down_list.h"
#include "fields/textor_element.h"

namespace qv {

bool TTextorElement::SelectItem(TDropDownItem* item)
{
    if (item == nullptr || IsReadOnly())
        return false;
    ReplaceWithText(tetAll, nullptr, false, item->Value());
    // A field that commits when the focus goes commits the choice at once.
    if ((VisualFlags() & vsWantsFocusLost) != 0)
        FocusLost();
    return true;
}

TDropDownItem* TTextorElement::FillDropDown(TDropDownItem* root)
{
    for (TNode* child = FirstChild(); child != nullptr; child = child->NextSibling()) {
        auto* element = dynamic_cast<TElement*>(child);
        if (element != nullptr && (element->Options() & eoPart) == 0)
            return nullptr;
    }
    return MatchItem(root, GetText(), HasVisualOption(voCaseSensitiveMatch));
}

} // namespace qv
