#pragma once

// A small document of names and references for the name tests and the name benchmark: things that
// carry a name and may use another thing (so that cycles can form), and uses that only refer.
// Include it in one file per executable (it defines the classes' metaclasses).

#include "core/knot.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "library/named_element.h"
#include "library/names.h"
#include "library/references.h"
#include "roots/root.h"

namespace qv::test {

// A reference that accepts every name.
class TTestReferenceField : public TReferenceField
{
    QV_CLASS(TTestReferenceField, TReferenceField)

    using TReferenceField::TReferenceField;
    bool AcceptsTarget(TNamespaceItem*) override { return true; }
};

class TElement_Thing;

// The name of a thing: its dependencies are the thing's own reference (for the cycle search).
class TThingNameField : public TNameField
{
    QV_CLASS(TThingNameField, TNameField)

    using TNameField::TNameField;
    void CollectDependencies(QList<TReference*>& list) override;
    static inline int64_t Collects = 0;
};

// A named thing that may use two other things by name.
class TElement_Thing : public TVisualElement
{
    QV_CLASS(TElement_Thing, TVisualElement)

    explicit TElement_Thing(TScheme* scheme) : TVisualElement(scheme)
    {
        SetVisualOptions(VisualOptions() | voCanDisable);
        Name = CreatePart<TThingNameField>();
        Uses = CreatePart<TTestReferenceField>();
        Also = CreatePart<TTestReferenceField>();
        Name->SetVisualParent(this);
        Uses->SetVisualParent(this);
        Also->SetVisualParent(this);
    }
    QString GetPartKnotName(TElement* part, uint8_t filerMode) override
    {
        if (part == Name)
            return QStringLiteral("Name");
        if (part == Uses)
            return QStringLiteral("Uses");
        if (part == Also)
            return QStringLiteral("Also");
        return inherited::GetPartKnotName(part, filerMode);
    }

    TThingNameField* Name;
    TTestReferenceField* Uses;
    TTestReferenceField* Also;
};

inline void TThingNameField::CollectDependencies(QList<TReference*>& list)
{
    ++Collects;
    if (auto* thing = dynamic_cast<TElement_Thing*>(ParentElement())) {
        list.append(thing->Uses->Reference());
        list.append(thing->Also->Reference());
    }
}

// A reference to a thing.
class TElement_Use : public TVisualElement
{
    QV_CLASS(TElement_Use, TVisualElement)

    explicit TElement_Use(TScheme* scheme) : TVisualElement(scheme)
    {
        Target = CreatePart<TTestReferenceField>();
        Target->SetVisualParent(this);
    }
    QString GetPartKnotName(TElement* part, uint8_t filerMode) override
    {
        return part == Target ? QStringLiteral("Target") : inherited::GetPartKnotName(part, filerMode);
    }

    TTestReferenceField* Target;
};

// A named condition whose visibility the user may change.
class TElement_Condition : public TNamedElement
{
    QV_CLASS(TElement_Condition, TNamedElement)

    using TNamedElement::TNamedElement;
};

// A named element of visibility mode 0 (always public, nothing stored).
class TElement_Constant : public TNamedElement
{
    QV_CLASS(TElement_Constant, TNamedElement)

    explicit TElement_Constant(TScheme* scheme) : TNamedElement(scheme, 0) {}
};

// The conditions a processor runs under: one check box per condition.
class TConditionsBox : public TCheckNamesBox
{
    QV_CLASS(TConditionsBox, TCheckNamesBox)

    using TCheckNamesBox::TCheckNamesBox;
    bool AcceptsItem(TNamespaceItem* item) override
    {
        return dynamic_cast<TElement_Condition*>(item->Element()) != nullptr;
    }
};

class TElement_Processor : public TVisualElement
{
    QV_CLASS(TElement_Processor, TVisualElement)

    explicit TElement_Processor(TScheme* scheme) : TVisualElement(scheme)
    {
        Conditions = CreatePart<TConditionsBox>();
        Conditions->SetVisualParent(this);
    }
    QString GetPartKnotName(TElement* part, uint8_t filerMode) override
    {
        return part == Conditions ? QStringLiteral("Conditions")
                                  : inherited::GetPartKnotName(part, filerMode);
    }

    TConditionsBox* Conditions;
};

// A document of things, uses, conditions and processors.
class TNamesTestRoot : public TRoot
{
    QV_CLASS(TNamesTestRoot, TRoot)

    using TRoot::TRoot;
    void GetAcceptedClasses(TElementClassList& list) override
    {
        list.append(TElement_Thing::StaticClass());
        list.append(TElement_Use::StaticClass());
        list.append(TElement_Condition::StaticClass());
        list.append(TElement_Constant::StaticClass());
        list.append(TElement_Processor::StaticClass());
    }
};

QV_IMPLEMENT_CLASS(TTestReferenceField)
QV_IMPLEMENT_CLASS(TThingNameField)
QV_IMPLEMENT_CLASS(TElement_Thing)
QV_IMPLEMENT_CLASS(TElement_Use)
QV_IMPLEMENT_CLASS(TElement_Condition)
QV_IMPLEMENT_CLASS(TElement_Constant)
QV_IMPLEMENT_CLASS(TConditionsBox)
QV_IMPLEMENT_CLASS(TElement_Processor)
QV_IMPLEMENT_CLASS(TNamesTestRoot)

// The file text of a document of `things` things named N0, N1, … and `uses` uses, use i
// referring to thing i modulo `things` (or, with `withReferences` false, holding no text).
inline QString NamesDocumentText(int things, int uses, bool withReferences)
{
    TKnot knot(QStringLiteral("Names"));
    for (int i = 0; i < things; ++i) {
        TKnot* thing = knot.AddKnot(QStringLiteral("Thing"));
        thing->AddKnot(QStringLiteral("Name"))
            ->WriteString(QStringLiteral("Value"), QStringLiteral("N") + QString::number(i));
    }
    for (int i = 0; i < uses; ++i) {
        TKnot* use = knot.AddKnot(QStringLiteral("Use"));
        if (withReferences && things > 0)
            use->AddKnot(QStringLiteral("Target"))
                ->WriteString(QStringLiteral("Value"), QStringLiteral("N") + QString::number(i % things));
    }
    return knot.SaveToText();
}

} // namespace qv::test
