#include "fields/textor_element.h"

#include "elements/palette.h"
#include "elements/scheme.h"

namespace qv {

bool TTextorElement::ExecutePaletteItem(TPaletteItem* item, bool value)
{
    if (!IsInstanceOf(item, TElementPaletteItem::StaticClass()))
        return inherited::ExecutePaletteItem(item, value);
    const TElementClass* cls = static_cast<TElementPaletteItem*>(item)->ElementClass();
    TTextorRange range;
    if (cls == nullptr || !CanEdit() || !AcceptedClasses().contains(cls) || !SelectionRange(range))
        return false;
    TSchemeGroupGuard group(Scheme(), QString(), false);
    if (!(range.Start == range.End)) {
        ReplaceWithText(tetSelection, nullptr, false, QString());
        if (!SelectionRange(range))
            return false;
    }
    InsertNewElement(cls, item, &range.Start);
    return true;
}

void TTextorElement::GetPaletteItemState(TPaletteItem* item, TPaletteItemState& state)
{
    inherited::GetPaletteItemState(item, state);
    if (IsInstanceOf(item, TElementPaletteItem::StaticClass()))
        state.Enabled = state.Enabled && CanEdit();
}

} // namespace qv
