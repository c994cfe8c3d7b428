// The interactive of a focused text field.

#include "fields/scheme_textor_interactive.h"

#include "fields/textor_element.h"

namespace qv {

TSchemeTextorInteractive::TSchemeTextorInteractive(TSchemeTextor* textor, TTextorElement* element)
    : TTextorInteractive(textor), FElement(element)
{}

TSchemeTextor* TSchemeTextorInteractive::SchemeTextor() const
{
    return static_cast<TSchemeTextor*>(Textor());
}

void TSchemeTextorInteractive::SetPendingSelection(const TTextorIndexRange& range, bool caretAtStart)
{
    FPendingSelection = range;
    FPendingCaretAtStart = caretAtStart;
    FHasPendingSelection = true;
}

bool TSchemeTextorInteractive::ApplyPendingSelection()
{
    if (!FHasPendingSelection)
        return false;
    FHasPendingSelection = false;
    TTextorRange range;
    if (Textor()->FromIndex(FPendingSelection, range))
        SetSelection(range, FPendingCaretAtStart);
    else
        SetCaret(Textor()->FirstPosition());
    return true;
}

bool TSchemeTextorInteractive::EnterEmbedded(TPortion* portion, bool atEnd)
{
    return FElement != nullptr && FElement->EnterEmbedded(portion, atEnd);
}

} // namespace qv
