#pragma once

#include "fields/textor_element.h"

namespace qv {

// The root of a document shown in code mode: its whole XML text in one text field with any
// characters, identifier words, the fixed font and the size of the sheet's page.
class TSchemeCodeModeRoot : public TTextorElement
{
    QV_CLASS(TSchemeCodeModeRoot, TTextorElement)

    explicit TSchemeCodeModeRoot(TScheme* scheme);

    // The padding of the sheet background.
    QMargins GetPadding() override;
};

} // namespace qv
