// The text field's content in knots: document files, snapshots and content nodes of edits and the
// clipboard.

#include "core/knot.h"
#include "core/update_guard.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "fields/textor_element.h"
#include "textor/inline_element.h"
#include "textor/rich_text_attributes.h"

#include <QSet>

namespace qv {

namespace {

const QString& CharsName()
{
    static const QString name = QStringLiteral("Chars");
    return name;
}

const QString& BrName()
{
    static const QString name = QStringLiteral("Br");
    return name;
}

const QString& ValueName()
{
    static const QString name = QStringLiteral("Value");
    return name;
}

const QString& DataName()
{
    static const QString name = QStringLiteral("Data");
    return name;
}

const QString& FloatingName()
{
    static const QString name = QStringLiteral("Floating");
    return name;
}

// `base` (null: the default value of the Textor's class) with Data set, interned.
TAttributesRef<TTextAttributes> AttributesWithData(TTextor& textor, TTextAttributes* base,
                                                   const QString& data)
{
    std::unique_ptr<TAttributes> scratch(textor.TextAttributesClass()->CreateAttributes());
    auto* text = static_cast<TTextAttributes*>(scratch.get());
    if (base != nullptr)
        text->Assign(*base);
    text->SetData(data);
    return Intern(*text);
}

} // namespace

QString TTextorElement::ValueAttributeName(TSchemeFiler* filer)
{
    if (StoresInParentKnot(filer))
        return GetKnotName(filer);
    return ValueName();
}

void TTextorElement::SaveToKnot(TSchemeSaver* filer, TKnot* knot)
{
    inherited::SaveToKnot(filer, knot);
    if (!HasBehaviour(tboElements)) {
        if (!IsDefault())
            knot->WriteString(ValueAttributeName(filer), GetText());
        return;
    }
    if (!IsDefault() || (filer->Mode() == fmSnapshot && IsFilled())) {
        TKnot* target = knot;
        // With inner parts, a snapshot keeps the content apart from the parts' nodes.
        if (filer->Mode() == fmSnapshot && IsInstanceOf(FirstChild(), TElement::StaticClass()) &&
            (static_cast<TElement*>(FirstChild())->Options() & eoPart) != 0)
            target = knot->AddKnot(FloatingName());
        SaveContent(filer, target, nullptr);
    }
}

void TTextorElement::LoadFromKnot(TSchemeLoader* filer, TKnot* knot)
{
    inherited::LoadFromKnot(filer, knot);
    TUpdateGuard<TTextor> guard(FTextor.get());
    if (!FTextor->IsEmpty())
        FTextor->Clear();
    if (!HasBehaviour(tboElements)) {
        const QString name = ValueAttributeName(filer);
        SetText(knot->FindParam(name) != nullptr ? knot->ReadString(name) : FDefaultText);
        return;
    }
    TKnot* source = knot;
    if (filer->Mode() == fmSnapshot) {
        if (TKnot* floating = knot->FindKnot(FloatingName()))
            source = floating;
    }
    LoadContent(filer, source, nullptr);
}

void TTextorElement::SaveContent(TSchemeSaver* saver, TKnot* knot, const TTextorRange* range)
{
    // Paths of content nodes carry their position ("FreeText.Chars[3]").
    knot->SetOptionsInclude(knot->OptionsInclude() | koIndexed);
    const TTextorRange whole = range != nullptr ? *range : FTextor->WholeRange();
    QString runText;
    QString runData;
    bool inRun = false;
    auto flush = [&]() {
        if (!inRun)
            return;
        TKnot* chars = knot->AddKnot(CharsName());
        chars->WriteString(ValueName(), runText);
        if (!runData.isEmpty())
            chars->WriteString(DataName(), runData);
        runText.clear();
        inRun = false;
    };
    const bool skipBreaks = (saver->Flags() & ffNoPosition) != 0 && !TextAllowed();
    FTextor->ForEachSegment(whole, false, [&](TParagraph*, TPortion* portion, int start, int count) {
        if (portion == nullptr) {
            flush();
            if (!skipBreaks) {
                TKnot* br = knot->AddKnot(BrName());
                br->SetOptionsInclude(br->OptionsInclude() | koSameLine);
            }
            return true;
        }
        if (portion->Kind() == TPortionKind::Element) {
            flush();
            TVisualElement* element = EmbeddedElement(portion);
            if (element == nullptr)
                return true;
            if (saver->Mode() == fmClipboard && element->HasVisualOption(voNotToClipboard))
                return true;
            SaveChildToKnot(element, saver, knot);
            return true;
        }
        const QString data = portion->Attributes() != nullptr ? portion->Attributes()->Data() : QString();
        if (inRun && data != runData)
            flush();
        QString chars(count, Qt::Uninitialized);
        portion->CopyText(start, count, chars.data());
        runText += chars;
        runData = data;
        inRun = true;
        return true;
    });
    flush();
}

TTextorRange TTextorElement::LoadContent(TSchemeLoader* loader, TKnot* knot, const TTextorPosition* position)
{
    TUpdateGuard<TScheme> schemeGuard(Scheme());
    TUpdateGuard<TTextor> textorGuard(FTextor.get());
    knot->SetOptionsInclude(knot->OptionsInclude() | koIndexed);
    TTextorPosition at = position != nullptr ? *position : FTextor->LastPosition();
    const TTextorIndex startIndex = FTextor->ToIndex(at);
    // The nodes of this element's parts share the element's node; they are not content. Parts are never
    // named Br or Chars, so text alone (a keystroke) needs no walk over the children, which in a text of
    // many embedded elements are many.
    QSet<QString> partNames;
    bool partNamesKnown = false;
    auto isPart = [&](const QString& name) {
        if (name == BrName() || name == CharsName())
            return false;
        if (!partNamesKnown) {
            partNamesKnown = true;
            for (TNode* node = FirstChild(); node != nullptr; node = node->NextSibling()) {
                if (IsInstanceOf(node, TElement::StaticClass()) &&
                    (static_cast<TElement*>(node)->Options() & eoPart) != 0)
                    partNames.insert(GetPartKnotName(static_cast<TElement*>(node), loader->Mode()));
            }
        }
        return partNames.contains(name);
    };
    const bool breaksAsElements = (loader->Flags() & ffNoPosition) != 0 && !TextAllowed();
    TElementClassList accepted;
    bool acceptedKnown = false;
    for (TNode* node = knot->FirstChild(); node != nullptr; node = node->NextSibling()) {
        auto* child = static_cast<TKnot*>(node);
        const QString& name = child->Name();
        if (isPart(name))
            continue;
        if (name == BrName() && !breaksAsElements) {
            child->SetRead(true);
            if (FTextor->AllowParagraphs())
                at = FTextor->InsertParagraphBreak(at, FTextor->AttributesAt(at)).End;
            else
                at = FTextor->InsertText(at, u"\r\n", nullptr).End;
        } else if (name == CharsName()) {
            child->SetRead(true);
            const QString value = StorableText(child->ReadString(ValueName()));
            const QString data = child->ReadString(DataName());
            TAttributesRef<TTextAttributes> attributes = LoadedTextAttributes(child);
            if (!data.isEmpty())
                attributes = AttributesWithData(*FTextor, attributes.get(), data);
            if (!value.isEmpty())
                at = FTextor->InsertText(at, value, attributes.get()).End;
        } else if (HasBehaviour(tboElements)) {
            if (!acceptedKnown) {
                accepted = AcceptedClasses();
                acceptedKnown = true;
            }
            TElement* element = CreateChildFromKnot(loader, child, ElementAfter(at), accepted);
            if (IsInstanceOf(element, TVisualElement::StaticClass()))
                at = InsertElementPortion(at, static_cast<TVisualElement*>(element)).End;
            else
                element->Free();
        }
        // Anything else stays unread, and the loader reports it.
    }
    TTextorPosition start;
    if (!FTextor->FromIndex(startIndex, start))
        start = FTextor->FirstPosition();
    return {start, at};
}

bool TTextorElement::ContentAsText(TKnot* knot, QString& text)
{
    text.clear();
    for (TNode* node = knot->FirstChild(); node != nullptr; node = node->NextSibling()) {
        auto* child = static_cast<TKnot*>(node);
        if (child->Name() == CharsName())
            text += child->ReadString(ValueName());
        else if (child->Name() == BrName())
            text += QStringLiteral("\r\n");
        else
            return false;
    }
    return true;
}

} // namespace qv
