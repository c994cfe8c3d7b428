// Loading and saving of elements: how the element family maps onto knots.

#include "core/knot.h"
#include "elements/element.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "elements/visual_element.h"

namespace qv {

namespace {

const QString& IDName()
{
    static const QString name = QStringLiteral("ID");
    return name;
}

// The parts of an element, in child order.
template <class F>
void ForEachPart(TElement* owner, F visit)
{
    for (TNode* node = owner->FirstChild(); node != nullptr;) {
        TNode* next = node->NextSibling();
        if (IsInstanceOf(node, TElement::StaticClass())) {
            auto* part = static_cast<TElement*>(node);
            if ((part->Options() & eoPart) != 0)
                visit(part);
        }
        node = next;
    }
}

} // namespace

void TElement::LoadFromKnot(TSchemeLoader* filer, TKnot* knot)
{
    const int32_t oldID = FID;
    if (filer->Mode() == fmSnapshot) {
        // A snapshot restores identities; the counter moves past them so new elements never
        // collide. A missing or non-positive ID keeps the fresh one.
        const int32_t stored = knot->ReadInt(IDName(), 0);
        if (stored > 0) {
            RaiseIDCounter(stored);
            FID = stored;
        }
    } else if ((FOptions & eoWithID) != 0) {
        filer->MapID(knot->ReadInt(IDName(), 0), FID);
    }
    if ((filer->Flags() & ffGenerationCopy) != 0)
        FState |= esGenerationCopy;
    if (FID != oldID)
        IDChanged(oldID);

    ForEachPart(this, [filer, knot](TElement* part) {
        if ((part->Options() & eoTransient) != 0 && filer->Mode() != fmSnapshot)
            return;
        if (part->StoresInParentKnot(filer)) {
            part->LoadFromKnot(filer, knot);
            return;
        }
        const QString name = part->GetKnotName(filer);
        if (name.isEmpty())
            return;
        // The first child of that name; a duplicate stays unread and is reported.
        if (TKnot* partKnot = knot->FindKnot(name))
            part->LoadFromKnot(filer, partKnot);
    });
}

void TElement::SaveToKnot(TSchemeSaver* filer, TKnot* knot)
{
    if (filer->Mode() == fmSnapshot || (FOptions & eoWithID) != 0)
        knot->WriteInt(IDName(), FID);
    ForEachPart(this, [this, filer, knot](TElement* part) {
        if (!ShouldSavePart(filer, part))
            return;
        if ((filer->Flags() & ffSubstitutes) != 0 && part->SaveSubstitute(filer, knot))
            return;
        if (part->StoresInParentKnot(filer)) {
            part->SaveToKnot(filer, knot);
            return;
        }
        // A part its owner does not name is not stored (and could not be found when loading).
        const QString name = part->GetKnotName(filer);
        if (name.isEmpty())
            return;
        TKnot* partKnot = knot->AddKnot(name);
        part->SaveToKnot(filer, partKnot);
        // An empty part node is dropped unless a tracked part that is not default must show in
        // the file that it was emptied on purpose.
        if (partKnot->IsEmpty() && !((part->Options() & eoTracked) != 0 && !part->IsDefault()))
            partKnot->Free();
    });
}

void TElement::LoadFrom(TKnot* knot, uint8_t filerMode, uint8_t filerFlags)
{
    TSchemeLoader loader(FScheme, FScheme != nullptr ? FScheme->Messages() : nullptr, knot, filerFlags,
                         filerMode);
    LoadFromKnot(&loader, knot);
    loader.Finish();
}

void TElement::SaveTo(TKnot* knot, uint8_t filerMode, uint8_t filerFlags)
{
    TSchemeSaver saver(filerMode, knot, filerFlags);
    SaveToKnot(&saver, knot);
}

// Visual elements

void TVisualElement::LoadFromKnot(TSchemeLoader* filer, TKnot* knot)
{
    inherited::LoadFromKnot(filer, knot);
    // "Disabled" is read only where it means something; elsewhere it stays unread and is reported.
    if (HasVisualOption(voCanDisable))
        SetDisabled(knot->ReadBool(QStringLiteral("Disabled"), false));
    if (HasVisualOption(voFreePosition) && (filer->Flags() & ffNoPosition) == 0) {
        const int left = knot->ReadInt(QStringLiteral("Left"), 0);
        const int top = knot->ReadInt(QStringLiteral("Top"), 0);
        SetBounds(left, top, FDescent, FHeight, FWidth);
    }
}

void TVisualElement::SaveToKnot(TSchemeSaver* filer, TKnot* knot)
{
    inherited::SaveToKnot(filer, knot);
    if (Disabled())
        knot->WriteString(QStringLiteral("Disabled"), QStringLiteral("1"));
    if (HasVisualOption(voFreePosition) && (filer->Flags() & ffNoPosition) == 0) {
        knot->WriteInt(QStringLiteral("Left"), FLeft);
        knot->WriteInt(QStringLiteral("Top"), FTop);
    }
}

QString TVisualElement::GetKnotTypeName(TSchemeFiler*, TKnot* knot)
{
    return TranslateElementTypeName(knot->Name());
}

TElement* TVisualElement::CreateChildFromKnot(TSchemeLoader* filer, TKnot* knot, TElement* before,
                                              const TElementClassList& classes)
{
    const QString typeName = GetKnotTypeName(filer, knot);
    const TElementClass* cls = nullptr;
    for (const TElementClass* candidate : classes) {
        if (candidate->XmlName() == typeName) {
            cls = candidate;
            break;
        }
    }
    if (cls == nullptr)
        cls = ElementClass()->UnacceptedClass();
    knot->SetRead(true);
    TNodePtr<TElement> child = cls->CreateElement(Scheme());
    child->SetParent(this, before);
    child->LoadFromKnot(filer, knot);
    return child.release(); // this element's now
}

TKnot* TVisualElement::SaveChildToKnot(TElement* child, TSchemeSaver* filer, TKnot* knot)
{
    if (!ShouldSaveChild(filer, child))
        return nullptr;
    if ((filer->Flags() & ffSubstitutes) != 0 && child->SaveSubstitute(filer, knot))
        return nullptr;
    TKnot* childKnot = knot->AddKnot(child->ElementClass()->XmlName());
    child->SaveToKnot(filer, childKnot);
    return childKnot;
}

} // namespace qv
