#include "generation/value_elements.h"

#include "generation/replacement.h"
#include "generation/value_resolution.h"

#include "core/knot.h"
#include "core/strings.h"
#include "elements/classes_groups.h"
#include "elements/palette.h"
#include "elements/scheme_filer.h"
#include "elements/scheme_images.h"
#include "library/data_element.h"
#include "library/expand_button.h"
#include "roots/application_namespace.h"
#include "roots/root_parts.h"
#include "textor/sheet_theme.h"

#include <functional>

namespace qv {

QV_IMPLEMENT_CLASS(TCustomValueElement)
QV_IMPLEMENT_CLASS(TValueNameField)
QV_IMPLEMENT_CLASS(TTextValueField)
QV_IMPLEMENT_CLASS(TTextElement)
QV_IMPLEMENT_CLASS(TElement_Text)
QV_IMPLEMENT_CLASS(TTextElementTypeOperation)
QV_IMPLEMENT_CLASS(TElement_Data)
QV_IMPLEMENT_CLASS(TElement_Substitution)
QV_IMPLEMENT_CLASS(TElement_Condition)
QV_IMPLEMENT_CLASS(TIfConditionField)
QV_IMPLEMENT_CLASS(TIfContentContainer)
QV_IMPLEMENT_CLASS(TElement_If)
QV_IMPLEMENT_CLASS(TElement_ProcessingDateTime)
QV_IMPLEMENT_CLASS(TElement_IsEmpty)

namespace {

const QString typeName = QStringLiteral("Type");
// The pictures of the names of texts, one per type.
const QString valueImagesStrip = QStringLiteral("gnValueElementsCharImages");

int valueElementsGroup = -1;

TValuePaletteItems& Items()
{
    static TValuePaletteItems items;
    return items;
}

// The stored texts of the types, by TTextType.
const QString& StoredTypeText(uint8_t type)
{
    static const QString texts[textTypeCount] = {QString(),
                                                 QStringLiteral("Caption"),
                                                 QStringLiteral("Action"),
                                                 QStringLiteral("Hint"),
                                                 QStringLiteral("Message"),
                                                 QStringLiteral("Code")};
    return texts[type < textTypeCount ? type : 0];
}

// Calls `visit` for every element below `element`, depth first.
void ForEachDescendant(TNode* element, const std::function<void(TElement*)>& visit)
{
    for (TNode* child = element->FirstChild(); child != nullptr; child = child->NextSibling()) {
        if (IsInstanceOf(child, TElement::StaticClass()))
            visit(static_cast<TElement*>(child));
        ForEachDescendant(child, visit);
    }
}

// A one-line field of a value element that may embed the inline value elements.
void ConfigureValueField(TTextorElement* field)
{
    field->SetBehaviourOptions(field->BehaviourOptions() | tboElements | tboFieldFrame | tboWrap480);
    field->SetContentOptions(tcoAnything);
}

} // namespace

// ---------------------------------------------------------------------------------------------------
// TCustomValueElement, TValueNameField, TTextValueField

TCustomValueElement::TCustomValueElement(TScheme* scheme) : TCustomValueElement(scheme, 3, nullptr) {}

TCustomValueElement::TCustomValueElement(TScheme* scheme, uint8_t visibilityMode,
                                         const TElementClass* nameFieldClass)
    : TNamedElement(scheme, visibilityMode, nameFieldClass)
{}

TValueNameField::TValueNameField(TScheme* scheme) : TTitledNameField(scheme) {}

int TValueNameField::ImageIndex() const
{
    auto* owner = dynamic_cast<TTextElement*>(ParentElement());
    if (owner == nullptr)
        return inherited::ImageIndex();
    return StripImage(CharImages(), valueImagesStrip, owner->TextType());
}

TTextValueField::TTextValueField(TScheme* scheme) : TTextorElement(scheme)
{
    ConfigureValueField(this);
}

// ---------------------------------------------------------------------------------------------------
// TTextElement

TTextElement::TTextElement(TScheme* scheme) : TTextElement(scheme, 3, TValueNameField::StaticClass()) {}

TTextElement::TTextElement(TScheme* scheme, uint8_t visibilityMode, const TElementClass* nameFieldClass)
    : TCustomValueElement(scheme, visibilityMode, nameFieldClass)
{}

QString TTextElement::TypeText(uint8_t type)
{
    return StoredTypeText(type);
}

bool TTextElement::TypeOfText(const QString& text, uint8_t& type)
{
    for (uint8_t candidate = ttText; candidate < textTypeCount; ++candidate) {
        if (SameNameIgnoringLatinCase(text, StoredTypeText(candidate))) {
            type = candidate;
            return true;
        }
    }
    return false;
}

void TTextElement::SetTextType(uint8_t value)
{
    if (value >= textTypeCount || value == FTextType)
        return;
    FTextType = value;
    NameField()->Invalidate();
    if (NameField()->Item() != nullptr)
        NameField()->Item()->NotifyImageChanged();
    TextTypeChanged();
}

void TTextElement::SetTextTypeUndoable(uint8_t value)
{
    if (value >= textTypeCount || value == FTextType)
        return;
    TSchemeOperation::Post(TNodePtr<TSchemeOperation>(new TTextElementTypeOperation(this, value)));
}

void TTextElement::LoadFromKnot(TSchemeLoader* filer, TKnot* knot)
{
    inherited::LoadFromKnot(filer, knot);
    uint8_t type = FTextType;
    if (TypeOfText(knot->ReadString(typeName), type))
        SetTextType(type);
}

void TTextElement::SaveToKnot(TSchemeSaver* filer, TKnot* knot)
{
    inherited::SaveToKnot(filer, knot);
    if (FTextType != ttText)
        knot->WriteString(typeName, StoredTypeText(FTextType));
}

void TTextElement::GetPaletteItems(QList<TPaletteItem*>& list)
{
    inherited::GetPaletteItems(list);
    for (TSchemePaletteItem* item : ValuePaletteItems().TextTypes) {
        if (item != nullptr)
            list.append(item);
    }
}

void TTextElement::GetPaletteItemState(TPaletteItem* item, TPaletteItemState& state)
{
    inherited::GetPaletteItemState(item, state);
    const TValuePaletteItems& items = ValuePaletteItems();
    for (uint8_t type = ttText; type < textTypeCount; ++type) {
        if (item != nullptr && item == items.TextTypes[type])
            state.Checked = FTextType == type;
    }
}

bool TTextElement::ExecutePaletteItem(TPaletteItem* item, bool value)
{
    const TValuePaletteItems& items = ValuePaletteItems();
    for (uint8_t type = ttText; type < textTypeCount; ++type) {
        if (item != nullptr && item == items.TextTypes[type]) {
            if (IsReadOnly())
                return false;
            SetTextTypeUndoable(type);
            return true;
        }
    }
    return inherited::ExecutePaletteItem(item, value);
}

// ---------------------------------------------------------------------------------------------------
// TElement_Text

TElement_Text::TElement_Text(TScheme* scheme) : TTextElement(scheme)
{
    FValue = CreatePart<TTextValueField>();
    FValue->SetVisualParent(this);
}

void TElement_Text::CollectDependencies(TNameField* field, QList<TReference*>& list)
{
    inherited::CollectDependencies(field, list);
    if (field != NameField())
        return;
    ForEachDescendant(FValue, [&](TElement* element) {
        if (auto* substitution = dynamic_cast<TElement_Substitution*>(element))
            list.append(substitution->Reference());
    });
}

void TElement_Text::TextTypeChanged()
{
    inherited::TextTypeChanged();
    const uint32_t options = FValue->BehaviourOptions() & ~uint32_t(tboFixedFont);
    FValue->SetBehaviourOptions(TextType() == ttCode ? options | tboFixedFont : options);
}

void TElement_Text::BuildTitle(TTitleWriter& writer)
{
    inherited::BuildTitle(writer);
    writer.AddGap(6);
    writer.AddElement(FValue, tiaTop);
}

QString TElement_Text::GetPartKnotName(TElement* part, uint8_t filerMode)
{
    if (part == FValue)
        return QStringLiteral("Value");
    return inherited::GetPartKnotName(part, filerMode);
}

// ---------------------------------------------------------------------------------------------------
// TTextElementTypeOperation

TTextElementTypeOperation::TTextElementTypeOperation(TTextElement* element, uint8_t value)
    : TElementOperation(element), FNewValue(value)
{}

void TTextElementTypeOperation::DoOnElement(TElement* element)
{
    if (auto* text = dynamic_cast<TTextElement*>(element)) {
        FOldValue = text->TextType();
        text->SetTextType(FNewValue);
    }
}

void TTextElementTypeOperation::UndoOnElement(TElement* element)
{
    if (auto* text = dynamic_cast<TTextElement*>(element))
        text->SetTextType(FOldValue);
}

// ---------------------------------------------------------------------------------------------------
// TElement_Data

TElement_Data::TElement_Data(TScheme* scheme) : TCustomValueElement(scheme)
{
    FData = CreatePart<TDataContainer>();
    FData->SetVisualParent(this);
}

void TElement_Data::BuildTitle(TTitleWriter& writer)
{
    inherited::BuildTitle(writer);
    if (!FData->DataType().isEmpty())
        writer.AddText(QStringLiteral(".") + FData->DataType());
    writer.EndRow();
    writer.AddElement(FData, tiaTop);
}

QString TElement_Data::GetPartKnotName(TElement* part, uint8_t filerMode)
{
    if (part == FData)
        return QStringLiteral("Data");
    return inherited::GetPartKnotName(part, filerMode);
}

// ---------------------------------------------------------------------------------------------------
// TElement_Substitution

TElement_Substitution::TElement_Substitution(TScheme* scheme) : TReferenceElement(scheme) {}

bool TElement_Substitution::AcceptsTarget(TNamespaceItem* item)
{
    TElement* element = item != nullptr ? item->Element() : nullptr;
    return IsInstanceOf(element, TTextElement::StaticClass()) ||
           IsInstanceOf(element, TApplicationValueElement::StaticClass()) ||
           IsInstanceOf(element, TSchemeSourcePathValueElement::StaticClass()) ||
           IsInstanceOf(element, TSchemeSourceNameValueElement::StaticClass());
}

void TElement_Substitution::LoadFromKnot(TSchemeLoader* filer, TKnot* knot)
{
    inherited::LoadFromKnot(filer, knot);
    if (filer->Mode() != fmSnapshot || knot->FindParam(QStringLiteral("Link")) == nullptr)
        return;
    // Runs after the link was bound.
    filer->AddLoadedProc(
        knot,
        [](TElement* element, TSchemeLoader*, TKnot*) {
            auto* substitution = static_cast<TElement_Substitution*>(element);
            if (substitution->Target() == nullptr && !substitution->GetText().isEmpty())
                substitution->Resolve();
        },
        this);
}

// ---------------------------------------------------------------------------------------------------
// TElement_Condition

TElement_Condition::TElement_Condition(TScheme* scheme) : TNamedElement(scheme, 1) {}

bool TElement_Condition::CanInsertInto(const TElementClass* cls, const TElement* parent)
{
    for (const TElement* element = parent; element != nullptr; element = element->ParentElement()) {
        if (IsInstanceOf(element, TElement_If::StaticClass()))
            return false;
    }
    return inherited::CanInsertInto(cls, parent);
}

// ---------------------------------------------------------------------------------------------------
// TIfConditionField, TIfContentContainer

TIfConditionField::TIfConditionField(TScheme* scheme) : TReferenceField(scheme)
{
    SetBehaviourOptions(BehaviourOptions() | tboElements);
    SetContentOptions(ContentOptions() | tcoSingleElement);
    SetCreateItem(ValuePaletteItems().Condition);
}

bool TIfConditionField::AcceptsTarget(TNamespaceItem* item)
{
    TElement* element = item != nullptr ? item->Element() : nullptr;
    if (IsInstanceOf(element, TElement_Condition::StaticClass()))
        return true;
    // The languages of the document, when the program has them.
    for (const QString& name :
         {QStringLiteral("TElement_Language"), QStringLiteral("TElement_UnitedLanguage")}) {
        const TMetaClass* language = TMetaClass::FindClass(name);
        if (language != nullptr && IsInstanceOf(element, language))
            return true;
    }
    return false;
}

void TIfConditionField::GetAcceptedClasses(TElementClassList& list)
{
    ApplicationClassesGroups().AddGroupTo(list, cgConditionClasses);
}

TIfContentContainer::TIfContentContainer(TScheme* scheme) : TTitledTextContainer(scheme)
{
    SetBehaviourOptions(BehaviourOptions() | tboInPlace);
}

// ---------------------------------------------------------------------------------------------------
// TElement_If

TElement_If::TElement_If(TScheme* scheme) : TTitledElementWithContent(scheme, ContentContainerClass())
{
    FCondition =
        static_cast<TIfConditionField*>(CreatePart(TIfConditionField::StaticClass(), this, Container()));
    FCondition->SetVisualParent(this, Container());
    FContentElse = CreatePart<TIfContentContainer>();
    FContentElse->SetVisualParent(this);
    CreateExpandButton(true);
    ExpandButton()->AddControlled(FContentElse);
}

TIfContentContainer* TElement_If::Content() const
{
    return static_cast<TIfContentContainer*>(Container());
}

const TElementClass* TElement_If::ContentContainerClass()
{
    return TIfContentContainer::StaticClass();
}

void TElement_If::BuildTitle(TTitleWriter& writer)
{
    inherited::BuildTitle(writer);
    writer.AddText(QStringLiteral("if"));
    writer.AddElement(FCondition, tiaCentre);
    if (!IsExpanded())
        return;
    writer.EndRow();
    writer.AddContent(Container());
    writer.AddText(QStringLiteral("else"));
    writer.EndRow();
    writer.AddContent(FContentElse);
}

QString TElement_If::GetPartKnotName(TElement* part, uint8_t filerMode)
{
    if (part == FCondition)
        return QStringLiteral("Condition");
    if (part == FContentElse)
        return QStringLiteral("ContentElse");
    return inherited::GetPartKnotName(part, filerMode);
}

void TElement_If::GetPartHint(TElement* part, QString& text)
{
    if (part == FCondition) {
        text = LoadStr(4484);
        return;
    }
    inherited::GetPartHint(part, text);
}

// ---------------------------------------------------------------------------------------------------
// TElement_ProcessingDateTime, TElement_IsEmpty

TElement_ProcessingDateTime::TElement_ProcessingDateTime(TScheme* scheme) : TCustomDateTimeMaskElement(scheme)
{}

bool TElement_ProcessingDateTime::GetFrameElement(int& element)
{
    element = steSubstitution;
    return true;
}

TElement_IsEmpty::TElement_IsEmpty(TScheme* scheme) : TTitledElement(scheme)
{
    FValue = CreatePart<TTextorElement>();
    ConfigureValueField(FValue);
    FValue->SetVisualParent(this);
}

void TElement_IsEmpty::BuildTitle(TTitleWriter& writer)
{
    inherited::BuildTitle(writer);
    writer.AddText(QStringLiteral("empty"));
    writer.AddElement(FValue, tiaCentre);
}

QString TElement_IsEmpty::GetPartKnotName(TElement* part, uint8_t filerMode)
{
    if (part == FValue)
        return QStringLiteral("Value");
    return inherited::GetPartKnotName(part, filerMode);
}

// ---------------------------------------------------------------------------------------------------
// Registration

int ValueElementsGroup()
{
    return valueElementsGroup;
}

const TValuePaletteItems& ValuePaletteItems()
{
    return Items();
}

void RegisterValueElements()
{
    static const bool registered = [] {
        RegisterNameElements();
        TClassesGroups& groups = ApplicationClassesGroups();
        groups.GetGroup(cgBlockClasses).append(TElement_If::StaticClass());
        groups.GetGroup(cgInlineClasses)
            .append({TElement_Substitution::StaticClass(), TElement_ProcessingDateTime::StaticClass(),
                     TElement_Replacement::StaticClass(), TElement_If::StaticClass()});
        groups.GetGroup(cgConditionClasses).append(TElement_IsEmpty::StaticClass());
        valueElementsGroup = groups.AddGroup();
        groups.GetGroup(valueElementsGroup)
            .append({TElement_Text::StaticClass(), TElement_Data::StaticClass(),
                     TElement_Condition::StaticClass()});

        TPalette& palette = Palette();
        TValuePaletteItems& items = Items();
        TPaletteGroup* insert = palette.InsertGroup();
        // The pictures of the text (0), the condition (1) and the decision (2).
        const auto image = [](int position) {
            return StripImage(SmallImages(), QStringLiteral("gnValueElementsSmallImages"), position);
        };
        new TElementPaletteItem(insert, piBlock, image(0), QV_STR(4536), QV_STR(4535),
                                TElement_Text::StaticClass(), 95);
        new TElementPaletteItem(insert, piBlock | piLarge,
                                StripImage(LargeImages(), QStringLiteral("diDataElementLargeImages"), 6),
                                QV_STR(4538), QV_STR(4537), TElement_Data::StaticClass(), 94);
        items.Condition = new TElementPaletteItem(insert, piBlock, image(1), QV_STR(4481), QV_STR(4480),
                                                  TElement_Condition::StaticClass(), 94);
        new TElementPaletteItem(insert, piBlock, image(2), QV_STR(4483), QV_STR(4482),
                                TElement_If::StaticClass(), 93);
        new TElementPaletteItem(insert, 0, -1, QV_STR(4521), QV_STR(4520),
                                TElement_Substitution::StaticClass(), 92);
        TPaletteItem* other = palette.AdditionalOtherItem();
        new TElementPaletteItem(other, 0, -1, QV_STR(4561), QV_STR(4560),
                                TElement_ProcessingDateTime::StaticClass(), 70);
        new TElementPaletteItem(other, 0, -1, QV_STR(4563), QV_STR(4562), TElement_Replacement::StaticClass(),
                                69);
        new TElementPaletteItem(other, 0, -1, QV_STR(4576), QV_STR(4575), TElement_IsEmpty::StaticClass(),
                                68);

        auto* typeGroup = new TPaletteGroup(&palette, QV_STR(4522), 1350);
        const int32_t typeStrings[textTypeCount][2] = {
            {QV_STR(4523), QV_STR(4524)}, {QV_STR(4525), QV_STR(4526)}, {QV_STR(4527), QV_STR(4528)},
            {QV_STR(4529), QV_STR(4530)}, {QV_STR(4531), QV_STR(4532)}, {QV_STR(4533), QV_STR(4534)}};
        for (uint8_t type = ttText; type < textTypeCount; ++type)
            items.TextTypes[type] = new TSchemePaletteItem(typeGroup, piCheck, -1, typeStrings[type][1],
                                                           typeStrings[type][0], 60 - type);
        ReplacementPaletteItems();
        RegisterValueElementHandlers();
        return true;
    }();
    (void)registered;
}

} // namespace qv
