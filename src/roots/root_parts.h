#pragma once

#include "elements/element.h"
#include "library/names.h"
#include "naming/namespace.h"
#include "naming/namespace_connection.h"

namespace qv {

// The non-visual parts of document roots. They are created with their root, stored under the names
// the root gives them and restored from snapshots; their behaviour (built-in values, languages)
// belongs to the generation and localization families, which build on these classes. The namespace
// and the namespace connection of the roots are the naming family's (naming/).

// The built-in value "SourcePath" ("SourcePathValue"): the document's folder with a trailing "/", the
// system temporary folder for an unsaved document. A reserved, hidden, secondary name of the root's
// general namespace in roots with pre-processing (unregistered elsewhere).
class TSchemeSourcePathValueElement : public TNameElement
{
    QV_CLASS(TSchemeSourcePathValueElement, TNameElement)

    explicit TSchemeSourcePathValueElement(TScheme* scheme);

    QString Value() const;

    QString Name() const override { return QStringLiteral("SourcePath"); }
    QString Description() const override;
    TNameFlags Flags() const override { return nfReserved | nfHidden | nfSecondary; }
};

// The built-in value "SourceName" ("SourceNameValue"): the document's file name without folder and
// extension, "Unsaved" for an unsaved document.
class TSchemeSourceNameValueElement : public TNameElement
{
    QV_CLASS(TSchemeSourceNameValueElement, TNameElement)

    explicit TSchemeSourceNameValueElement(TScheme* scheme);

    QString Value() const;

    QString Name() const override { return QStringLiteral("SourceName"); }
    QString Description() const override;
    TNameFlags Flags() const override { return nfReserved | nfHidden | nfSecondary; }
};

// The languages of a document, united from its language elements ("UnitedLanguages").
class TUnitedLanguages : public TElement
{
    QV_CLASS(TUnitedLanguages, TElement)

    using TElement::TElement;
};

} // namespace qv
