#pragma once

#include "elements/element.h"
#include "naming/namespace.h"
#include "naming/namespace_connection.h"

namespace qv {

// The non-visual parts of document roots. They are created with their root, stored under the names
// the root gives them and restored from snapshots; their behaviour (built-in values, languages)
// belongs to the generation and localization families, which build on these classes. The namespace
// and the namespace connection of the roots are the naming family's (naming/).

// The built-in value with the document's folder ("SourcePathValue").
class TSchemeSourcePathValueElement : public TElement
{
    QV_CLASS(TSchemeSourcePathValueElement, TElement)

    using TElement::TElement;
};

// The built-in value with the document's file name ("SourceNameValue").
class TSchemeSourceNameValueElement : public TElement
{
    QV_CLASS(TSchemeSourceNameValueElement, TElement)

    using TElement::TElement;
};

// The languages of a document, united from its language elements ("UnitedLanguages").
class TUnitedLanguages : public TElement
{
    QV_CLASS(TUnitedLanguages, TElement)

    using TElement::TElement;
};

} // namespace qv
