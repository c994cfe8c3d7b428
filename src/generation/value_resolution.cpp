// How a generator worker resolves the value elements: each handler replaces an embedded element by
// what it stands for, or gives the text a substitution of it stands for. They run in the worker's
// thread on the run's private copy, so they touch nothing but the copy and the worker.

#include "generation/value_resolution.h"

#include "generation/generator_worker.h"
#include "generation/replacement.h"
#include "generation/value_elements.h"

#include "core/strings.h"
#include "elements/element_messages.h"
#include "elements/scheme.h"
#include "fields/textor_element.h"
#include "library/named_element.h"
#include "roots/application_namespace.h"
#include "textor/textor_paragraph.h"
#include "textor/textor_portion.h"

namespace qv {

namespace {

// The first embedded element of a text field, or null.
TVisualElement* FirstEmbedded(TTextorElement* field)
{
    for (TParagraph* p = field->Textor()->FirstParagraph(); p != nullptr; p = p->Next()) {
        for (TPortion* portion = p->FirstPortion(); portion != nullptr; portion = portion->Next()) {
            if (TVisualElement* element = TTextorElement::EmbeddedElement(portion))
                return element;
        }
    }
    return nullptr;
}

// Whether the substitution lay on a cycle of substitutions when the run began. Resolving replaces
// substitutions by text and so breaks the cycles it meets; the marks are therefore read once per copy,
// before the first substitution goes, and every member of a cycle keeps counting as one.
bool WasCyclic(TSchemeGeneratorWorker& worker, TElement_Substitution* substitution)
{
    // One copy per thread at a time; element ids are never given twice, so the root's id tells copies
    // apart.
    struct TCyclicSubstitutions
    {
        int32_t RootID = 0;
        QSet<int32_t> Ids;
    };
    thread_local TCyclicSubstitutions cache;
    TScheme* scheme = substitution->Scheme();
    TElement* root = worker.Root != nullptr ? worker.Root : (scheme != nullptr ? scheme->Root() : nullptr);
    if (root == nullptr || root->Scheme() == nullptr)
        return substitution->Reference()->Cyclic();
    if (cache.RootID != root->ID()) {
        cache.RootID = root->ID();
        cache.Ids.clear();
        for (TElement* element : root->Scheme()->Elements()) {
            auto* other = dynamic_cast<TElement_Substitution*>(element);
            if (other != nullptr && other->Reference()->Cyclic())
                cache.Ids.insert(other->ID());
        }
    }
    return cache.Ids.contains(substitution->ID()) || substitution->Reference()->Cyclic();
}

// A substitution: the value of its target, or the name typed in it when the target cannot give one
// (none, deleted, cyclic, or of a kind without a value).
void ResolveSubstitution(TSchemeGeneratorWorker& worker, TElement* element)
{
    auto* substitution = static_cast<TElement_Substitution*>(element);
    const bool cyclic = WasCyclic(worker, substitution);
    // A cycle an earlier substitution already broke is reported as the check reported it.
    if (cyclic && !substitution->Reference()->Cyclic())
        worker.ReportAt(mkInvalidContent, LoadStr(2728), {substitution});
    TNamespaceItem* target = substitution->Target();
    if (worker.Resolve(substitution) && !cyclic && target != nullptr && target->Element() != nullptr &&
        worker.ResolveValueOf(substitution, target->Element()))
        return;
    worker.ReplaceElement(substitution, nullptr, substitution->GetText());
}

// The resolved value of a text: its plain text, line breaks as CR LF.
bool TextValue(TSchemeGeneratorWorker& worker, TElement* element, QString& text)
{
    auto* value = static_cast<TElement_Text*>(element);
    worker.Resolve(value->NameField());
    worker.Resolve(value->Value());
    text = value->Value()->GetText();
    return true;
}

void ResolveText(TSchemeGeneratorWorker& worker, TElement* element)
{
    auto* value = static_cast<TElement_Text*>(element);
    worker.Resolve(value->NameField());
    worker.Resolve(value->Value());
}

void ResolveCondition(TSchemeGeneratorWorker& worker, TElement* element)
{
    worker.Resolve(static_cast<TElement_Condition*>(element)->NameField());
}

// Whether the then-branch of a decision is taken. Without a valid condition it is.
bool DecisionChecked(TSchemeGeneratorWorker& worker, TElement_If* decision)
{
    TIfConditionField* field = decision->Condition();
    if (!worker.Resolve(field))
        return true;
    if (auto* test = dynamic_cast<TElement_IsEmpty*>(FirstEmbedded(field)))
        return test->Value()->GetText().isEmpty() && FirstEmbedded(test->Value()) == nullptr;
    TNamespaceItem* target = field->Target();
    TElement* element = target != nullptr ? target->Element() : nullptr;
    if (element == nullptr)
        return true;
    if (IsInstanceOf(element, TElement_Condition::StaticClass()))
        return worker.Conditions != nullptr && worker.Conditions->GetCheckedElement(element);
    // A language: the generator's own, when it has one.
    if (!worker.HasLanguage() || worker.LanguageField == nullptr)
        return true;
    TNamespaceItem* language = worker.LanguageField->Target();
    return language != nullptr && language->Element() == element;
}

void ResolveDecision(TSchemeGeneratorWorker& worker, TElement* element)
{
    auto* decision = static_cast<TElement_If*>(element);
    TTextorElement* chosen = DecisionChecked(worker, decision)
                                 ? static_cast<TTextorElement*>(decision->Content())
                                 : decision->ContentElse();
    worker.Resolve(chosen);
    worker.ReplaceElement(decision, chosen, QString());
}

void ResolveReplacement(TSchemeGeneratorWorker& worker, TElement* element)
{
    auto* replacement = static_cast<TElement_Replacement*>(element);
    worker.Resolve(replacement->FindValue());
    worker.Resolve(replacement->ReplaceValue());
    worker.Resolve(replacement->Content());
    const QString find = replacement->FindValue()->GetText();
    if (!find.isEmpty())
        ReplaceInField(replacement->Content(), find, replacement->ReplaceValue()->GetText(),
                       TReplacementMode(replacement->Mode()), replacement->CaseInsensitive());
    worker.ReplaceElement(replacement, replacement->Content(), QString());
}

// "IsEmpty" stays where it is: only its value is resolved, for the decision that asks it.
void ResolveIsEmpty(TSchemeGeneratorWorker& worker, TElement* element)
{
    worker.Resolve(static_cast<TElement_IsEmpty*>(element)->Value());
}

void ResolveDateTime(TSchemeGeneratorWorker& worker, TElement* element)
{
    auto* stamp = static_cast<TElement_ProcessingDateTime*>(element);
    worker.Resolve(stamp);
    worker.ReplaceElement(stamp, nullptr, stamp->FormatValue(worker.ProcessingTime));
}

bool ApplicationValue(TSchemeGeneratorWorker&, TElement* element, QString& text)
{
    text = static_cast<TApplicationValueElement*>(element)->Value();
    return true;
}

} // namespace

void RegisterValueElementHandlers()
{
    // Substitutions stand for the document's own built-in values too.
    RegisterSourceValueHandlers();
    RegisterValueElementHandler(
        {TElement_Substitution::StaticClass(), ResolveSubstitution, nullptr, nullptr});
    RegisterValueElementHandler({TElement_Text::StaticClass(), nullptr, TextValue, ResolveText});
    RegisterValueElementHandler({TElement_Condition::StaticClass(), nullptr, nullptr, ResolveCondition});
    RegisterValueElementHandler({TElement_If::StaticClass(), ResolveDecision, nullptr, nullptr});
    RegisterValueElementHandler({TElement_Replacement::StaticClass(), ResolveReplacement, nullptr, nullptr});
    RegisterValueElementHandler({TElement_IsEmpty::StaticClass(), ResolveIsEmpty, nullptr, nullptr});
    RegisterValueElementHandler(
        {TElement_ProcessingDateTime::StaticClass(), ResolveDateTime, nullptr, nullptr});
    RegisterValueElementHandler(
        {TApplicationValueElement::StaticClass(), nullptr, ApplicationValue, nullptr});
}

} // namespace qv
