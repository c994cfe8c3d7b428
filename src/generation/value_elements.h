#pragma once

#include "elements/element_operation.h"
#include "library/named_element.h"
#include "library/references.h"
#include "library/simple_fields.h"

#include <QString>

#include <cstdint>

namespace qv {

class TDataContainer;
class TSchemePaletteItem;
class TTextElement;

// The kinds of text a text element holds (TextType), stored as "Type". The numbers are stored
// in undo records and read by the resource generators; keep them.
enum TTextType : uint8_t
{
    ttText = 0,    // "Type" omitted
    ttCaption = 1, // "Caption"
    ttAction = 2,  // "Action"
    ttHint = 3,    // "Hint", shown as "Tooltip"
    ttMessage = 4, // "Message"
    ttCode = 5,    // "Code": the value is drawn in the code font
    textTypeCount = 6,
};

// The base of the named values a substitution can stand for.
class TCustomValueElement : public TNamedElement
{
    QV_CLASS(TCustomValueElement, TNamedElement)

    explicit TCustomValueElement(TScheme* scheme);

protected:
    TCustomValueElement(TScheme* scheme, uint8_t visibilityMode, const TElementClass* nameFieldClass);
};

// The name field of a text element: its picture follows the element's type.
class TValueNameField : public TTitledNameField
{
    QV_CLASS(TValueNameField, TTitledNameField)

    explicit TValueNameField(TScheme* scheme);

    int ImageIndex() const override;
};

// The value of a text element: multi-line text that may embed substitutions and the other inline
// value elements. A value of a "Code" text uses the code font.
class TTextValueField : public TTextorElement
{
    QV_CLASS(TTextValueField, TTextorElement)

    explicit TTextValueField(TScheme* scheme);
};

// A named text of one of six types (TTextType). Loading reads "Type" without regard to Latin letter
// case; any other value keeps the type the element has.
class TTextElement : public TCustomValueElement
{
    QV_CLASS(TTextElement, TCustomValueElement)

    explicit TTextElement(TScheme* scheme);

    uint8_t TextType() const { return FTextType; }
    // Not undoable; repaints the name's picture and restyles the value.
    void SetTextType(uint8_t value);
    // Posts a TTextElementTypeOperation.
    void SetTextTypeUndoable(uint8_t value);

    // The stored text of a type ("" for ttText), and the type of a stored text (Latin letters
    // without case); false for any other text.
    static QString TypeText(uint8_t type);
    static bool TypeOfText(const QString& text, uint8_t& type);

    virtual void TextTypeChanged() {}

    void LoadFromKnot(TSchemeLoader* filer, TKnot* knot) override;
    void SaveToKnot(TSchemeSaver* filer, TKnot* knot) override;
    void GetPaletteItems(QList<TPaletteItem*>& list) override;
    void GetPaletteItemState(TPaletteItem* item, TPaletteItemState& state) override;
    bool ExecutePaletteItem(TPaletteItem* item, bool value) override;

protected:
    TTextElement(TScheme* scheme, uint8_t visibilityMode, const TElementClass* nameFieldClass);

private:
    uint8_t FTextType = ttText;
};

// A named text with a value ("Value"). Its name depends on the substitutions inside the value, so
// texts that substitute each other in a circle are reported as cyclic references.
class TElement_Text : public TTextElement
{
    QV_CLASS(TElement_Text, TTextElement)

    explicit TElement_Text(TScheme* scheme);

    TTextValueField* Value() const { return FValue; }

    void CollectDependencies(TNameField* field, QList<TReference*>& list) override;
    void TextTypeChanged() override;
    void BuildTitle(TTitleWriter& writer) override;
    QString GetPartKnotName(TElement* part, uint8_t filerMode) override;

private:
    TTextValueField* FValue;
};

// Sets the type of a text element; undo sets the old one back.
class TTextElementTypeOperation : public TElementOperation
{
    QV_CLASS(TTextElementTypeOperation, TElementOperation)

    explicit TTextElementTypeOperation(TTextElement* element = nullptr, uint8_t value = ttText);

protected:
    void DoOnElement(TElement* element) override;
    void UndoOnElement(TElement* element) override;

private:
    uint8_t FNewValue;
    uint8_t FOldValue = ttText;
};

// A named piece of data (a picture or any file) for the generators that embed data. The data's
// attributes ("Type", "Value", "ExternalEditingFileName") are written on the element's own node; the
// title shows the data's extension after the name.
class TElement_Data : public TCustomValueElement
{
    QV_CLASS(TElement_Data, TCustomValueElement)

    explicit TElement_Data(TScheme* scheme);

    TDataContainer* Data() const { return FData; }

    void BuildTitle(TTitleWriter& writer) override;
    QString GetPartKnotName(TElement* part, uint8_t filerMode) override;

private:
    TDataContainer* FData;
};

// A substitution inside text: stands for the value of a text element or of a built-in value
// ("ApplicationName", "ApplicationVersion", "SourcePath", "SourceName"), drawn as a substitution.
class TElement_Substitution : public TReferenceElement
{
    QV_CLASS(TElement_Substitution, TReferenceElement)

    explicit TElement_Substitution(TScheme* scheme);

    bool AcceptsTarget(TNamespaceItem* item) override;
    // A snapshot binds the saved link; when that finds nothing the name decides. A generation run
    // loads its copy on its own thread, whose built-in application values are other elements than the
    // ones the link was saved with.
    void LoadFromKnot(TSchemeLoader* filer, TKnot* knot) override;
};

// A process condition: a public name that a processor's conditions box lists with a check box.
// It may not stand inside an "If".
class TElement_Condition : public TNamedElement
{
    QV_CLASS(TElement_Condition, TNamedElement)

    explicit TElement_Condition(TScheme* scheme);

    static bool CanInsertInto(const TElementClass* cls, const TElement* parent);
};

// The condition of an "If": a reference to a condition (or to a language of the document), or an
// embedded "IsEmpty" test.
class TIfConditionField : public TReferenceField
{
    QV_CLASS(TIfConditionField, TReferenceField)

    explicit TIfConditionField(TScheme* scheme);

    bool AcceptsTarget(TNamespaceItem* item) override;
    void GetAcceptedClasses(TElementClassList& list) override;
};

// A branch of an "If": in-place content that takes its classes from the field holding the "If".
class TIfContentContainer : public TTitledTextContainer
{
    QV_CLASS(TIfContentContainer, TTitledTextContainer)

    explicit TIfContentContainer(TScheme* scheme);
};

// A decision: the content ("Content") when the condition holds, else "ContentElse".
class TElement_If : public TTitledElementWithContent
{
    QV_CLASS(TElement_If, TTitledElementWithContent)

    explicit TElement_If(TScheme* scheme);

    TIfConditionField* Condition() const { return FCondition; }
    TIfContentContainer* Content() const;
    TIfContentContainer* ContentElse() const { return FContentElse; }

    static const TElementClass* ContentContainerClass();

    void BuildTitle(TTitleWriter& writer) override;
    QString GetPartKnotName(TElement* part, uint8_t filerMode) override;
    void GetPartHint(TElement* part, QString& text) override;

private:
    TIfConditionField* FCondition;
    TIfContentContainer* FContentElse;
};

// The date and time of the processing run, shown through its mask and drawn as a substitution.
class TElement_ProcessingDateTime : public TCustomDateTimeMaskElement
{
    QV_CLASS(TElement_ProcessingDateTime, TCustomDateTimeMaskElement)

    explicit TElement_ProcessingDateTime(TScheme* scheme);

    bool GetFrameElement(int& element) override;
};

// A test for an "If": true when its value ("Value") resolves to nothing.
class TElement_IsEmpty : public TTitledElement
{
    QV_CLASS(TElement_IsEmpty, TTitledElement)

    explicit TElement_IsEmpty(TScheme* scheme);

    TTextorElement* Value() const { return FValue; }

    void BuildTitle(TTitleWriter& writer) override;
    QString GetPartKnotName(TElement* part, uint8_t filerMode) override;

private:
    TTextorElement* FValue;
};

// The classes group of the value elements that stand on their own in a document (texts, data and
// conditions): document types that generate add it to the classes their root accepts. -1 before
// RegisterValueElements.
int ValueElementsGroup();

// The palette items of the value elements, made by RegisterValueElements (null before).
struct TValuePaletteItems
{
    TSchemePaletteItem* TextTypes[textTypeCount] = {};
    TElementPaletteItem* Condition = nullptr;
};
const TValuePaletteItems& ValuePaletteItems();

// Adds the value elements to the class groups (substitution, processing date-time, replacement and
// "If" inline, "If" also as a block, "IsEmpty" to the condition classes, texts, data and conditions to
// ValueElementsGroup), their items and the "Text Type" group to the palette, and the way a
// generator worker resolves them. Called once at start-up, before any document exists; later calls
// do nothing. User-interface thread only.
void RegisterValueElements();

} // namespace qv
