#include "elements/visual_element.h"

#include "elements/palette.h"

namespace qv {

bool TVisualElement::ExecutePaletteItem(TPaletteItem* item, bool value)
{
    if (!IsInstanceOf(item, TDisablePaletteItem::StaticClass()) || !HasVisualOption(voCanDisable))
        return false;
    if (value != Disabled())
        SetDisabledUndoable(value);
    return true;
}

void TVisualElement::GetPaletteItems(QList<TPaletteItem*>& list)
{
    TPalette& palette = Palette();
    if (HasVisualOption(voCanDisable) && palette.DisableItem() != nullptr)
        list.append(palette.DisableItem());
    palette.CollectItemsForClasses(AcceptedClasses(), list);
    if ((Options() & eoPart) != 0) {
        if (TElement* parent = ParentElement()) {
            QList<TPaletteItem*> partItems;
            parent->GetPartPaletteItems(this, partItems);
            for (TPaletteItem* item : partItems) {
                if (!list.contains(item))
                    list.append(item);
            }
        }
    }
}

void TVisualElement::GetPaletteItemState(TPaletteItem* item, TPaletteItemState& state)
{
    if (IsInstanceOf(item, TDisablePaletteItem::StaticClass()))
        state.Checked = Disabled();
}

void TVisualElement::AdjustPaletteItems(QList<TPaletteItem*>&) {}

} // namespace qv
