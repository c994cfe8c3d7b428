#pragma once

#include "fields/textor_element.h"
#include "naming/namespace.h"

namespace qv {

class TNamespaceConnection;
class TSchemeSourceNameValueElement;
class TSchemeSourcePathValueElement;
class TUnitedLanguages;

// The top element of every document: a text field holding elements on lines of their own, as wide
// and high as the sheet offers, with the general namespace and the built-in source values as parts.
class TRoot : public TTextorElement, public IGeneralElementsOwner
{
    QV_CLASS(TRoot, TTextorElement)

    explicit TRoot(TScheme* scheme);

    TNamespace* GeneralElementsNamespace() const { return FGeneralElementsNamespace; }
    TSchemeSourcePathValueElement* SourcePathValue() const { return FSourcePathValue; }
    TSchemeSourceNameValueElement* SourceNameValue() const { return FSourceNameValue; }

    TNamespace* GetGeneralElementsNamespace() override { return FGeneralElementsNamespace; }
    QString GetPartKnotName(TElement* part, uint8_t filerMode) override;
    // The padding of the sheet background.
    QMargins GetPadding() override;

private:
    TNamespace* FGeneralElementsNamespace;
    TSchemeSourcePathValueElement* FSourcePathValue;
    TSchemeSourceNameValueElement* FSourceNameValue;
};

// The root of documents that are processed: united languages and the application's values, whose
// namespace (when it exists) is connected into the general namespace, listed last.
class TRootWithPreProcessing : public TRoot
{
    QV_CLASS(TRootWithPreProcessing, TRoot)

    explicit TRootWithPreProcessing(TScheme* scheme);

    TUnitedLanguages* UnitedLanguages() const { return FUnitedLanguages; }
    TNamespaceConnection* ApplicationInsideValuesNamespaceConnection() const { return FApplicationValues; }

    QString GetPartKnotName(TElement* part, uint8_t filerMode) override;
    // The file connection first, then the classes of the text field.
    void GetAcceptedClasses(TElementClassList& list) override;

private:
    TUnitedLanguages* FUnitedLanguages;
    TNamespaceConnection* FApplicationValues;
};

// The base of the roots of the processing document types.
class TRootWithProcessing : public TRootWithPreProcessing
{
    QV_CLASS(TRootWithProcessing, TRootWithPreProcessing)

    using TRootWithPreProcessing::TRootWithPreProcessing;
};

// The root of Plain Text documents: any text with links in the fixed font, and block elements.
class TPlainTextRoot : public TRoot
{
    QV_CLASS(TPlainTextRoot, TRoot)

    explicit TPlainTextRoot(TScheme* scheme);

    void GetAcceptedClasses(TElementClassList& list) override;
    // Pasted and dropped pictures become image elements (tree message 100).
    bool HandleMessage(int msg, void* param, void* data) override;

    // The class group of the registered Plain Text document type (image and table), or -1 while
    // the type is not registered.
    static int ClassesGroup();
};

} // namespace qv
