#include "fields/scheme_code_mode_root.h"

#include "elements/element_sheet.h"

namespace qv {

QV_IMPLEMENT_CLASS(TSchemeCodeModeRoot)

TSchemeCodeModeRoot::TSchemeCodeModeRoot(TScheme* scheme) : TTextorElement(scheme)
{
    SetContentOptions(tcoAnything);
    SetBehaviourOptions(BehaviourOptions() | tboIdentifierWords | tboFixedFont | tboWorkspaceHeight |
                        tboMinWidthOffer | tboMinHeightOffer);
}

QMargins TSchemeCodeModeRoot::GetPadding()
{
    return Sheet() != nullptr ? Sheet()->SheetPadding() : QMargins();
}

} // namespace qv
