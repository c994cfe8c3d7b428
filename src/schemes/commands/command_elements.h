#pragma once

#include "elements/element_operation.h"
#include "library/named_element.h"
#include "library/references.h"
#include "roots/root.h"

namespace qv {

class TPaletteItem;
class TSchemePaletteItem;

// The root of Command File documents: the commands and generators of the type (its class group)
// and the classes of the root with pre-processing.
class TCommandFileRoot : public TRootWithProcessing
{
    QV_CLASS(TCommandFileRoot, TRootWithProcessing)

    using TRootWithProcessing::TRootWithProcessing;

    void GetAcceptedClasses(TElementClassList& list) override;
};

// The program or document a call starts: a one-line field of path characters that usually holds a
// file name element, whose dialog offers programs. Required. The program is one of the system that
// runs the batch file: its file name element keeps a typed or Windows name as it is and checks
// nothing; this field judges the whole name (empty, characters a path cannot hold).
class TCallFileNameField : public TTextorElement
{
    QV_CLASS(TCallFileNameField, TTextorElement)

    explicit TCallFileNameField(TScheme* scheme);

    // The dialog of the file name element offers programs; the file name names a foreign program.
    bool ChildMessage(TElement* child, int msg, void* param, void* data) override;
    void CheckContent() override;
    // "Wait for Closing" of the call.
    void GetPaletteItemState(TPaletteItem* item, TPaletteItemState& state) override;
    bool ExecutePaletteItem(TPaletteItem* item, bool value) override;
};

// The parameters of a call: one line without tabs.
class TCallParametersField : public TTextorElement
{
    QV_CLASS(TCallParametersField, TTextorElement)

    explicit TCallParametersField(TScheme* scheme);

    // "Wait for Closing" of the call.
    void GetPaletteItemState(TPaletteItem* item, TPaletteItemState& state) override;
    bool ExecutePaletteItem(TPaletteItem* item, bool value) override;
};

// Starts a program or opens a document ("Call"). Parts: the file name ("FileName"), the parameters
// ("Parameters") and a description. "Wait" (the attribute "Wait"="1", only when set) makes the
// batch file wait until the program closes.
class TElement_Call : public TTitledElement
{
    QV_CLASS(TElement_Call, TTitledElement)

    explicit TElement_Call(TScheme* scheme);

    TCallFileNameField* FileNameField() const { return FFileName; }
    TCallParametersField* ParametersField() const { return FParameters; }
    bool Wait() const { return FWait; }
    // Not undoable.
    void SetWait(bool value);
    // Posts a TCallWaitOperation when the value differs.
    void SetWaitUndoable(bool value);

    // A new call gets a file name element in its file name field.
    void InitializeNew(TPaletteItem* item) override;
    void BuildTitle(TTitleWriter& writer) override;
    QString GetPartKnotName(TElement* part, uint8_t filerMode) override;
    void GetPartHint(TElement* part, QString& text) override;
    void GetHint(QString& text) override;
    void LoadFromKnot(TSchemeLoader* filer, TKnot* knot) override;
    void SaveToKnot(TSchemeSaver* filer, TKnot* knot) override;
    // "Wait for Closing" on the call and on its fields.
    void GetPaletteItems(QList<TPaletteItem*>& list) override;
    void GetPartPaletteItems(TElement* part, QList<TPaletteItem*>& list) override;
    void GetPaletteItemState(TPaletteItem* item, TPaletteItemState& state) override;
    bool ExecutePaletteItem(TPaletteItem* item, bool value) override;

private:
    TCallFileNameField* FFileName = nullptr;     // a part
    TCallParametersField* FParameters = nullptr; // a part
    bool FWait = false;
};

// Sets "Wait" of a call; undoing sets the old value back.
class TCallWaitOperation : public TElementOperation
{
    QV_CLASS(TCallWaitOperation, TElementOperation)

    explicit TCallWaitOperation(TElement_Call* call = nullptr, bool value = false);

protected:
    void DoOnElement(TElement* element) override;
    void UndoOnElement(TElement* element) override;

private:
    bool FNewValue;
    bool FOldValue = false;
};

// The name of a label, the place a jump goes to.
class TLabelNameField : public TTitledNameField
{
    QV_CLASS(TLabelNameField, TTitledNameField)

    using TTitledNameField::TTitledNameField;
};

// A place in the command sequence ("Label"), named; always public.
class TElement_Label : public TNamedElement
{
    QV_CLASS(TElement_Label, TNamedElement)

    explicit TElement_Label(TScheme* scheme);

    void BuildTitle(TTitleWriter& writer) override;
    void GetHint(QString& text) override;
};

// The label a jump goes to: a reference that accepts labels only. Required.
class TJumpLabelField : public TReferenceField
{
    QV_CLASS(TJumpLabelField, TReferenceField)

    explicit TJumpLabelField(TScheme* scheme);

    bool AcceptsTarget(TNamespaceItem* item) override;
};

// Goes on after a label ("Jump"). Parts: the label ("Label") and a description.
class TElement_Jump : public TTitledElement
{
    QV_CLASS(TElement_Jump, TTitledElement)

    explicit TElement_Jump(TScheme* scheme);

    TJumpLabelField* LabelField() const { return FLabel; }

    void BuildTitle(TTitleWriter& writer) override;
    QString GetPartKnotName(TElement* part, uint8_t filerMode) override;
    void GetPartHint(TElement* part, QString& text) override;
    void GetHint(QString& text) override;

private:
    TJumpLabelField* FLabel = nullptr; // a part
};

// The text of a message: anything, on several lines. Required.
class TMessageTextField : public TTextorElement
{
    QV_CLASS(TMessageTextField, TTextorElement)

    explicit TMessageTextField(TScheme* scheme);
};

// Shows a text and waits for a key ("Message"). Parts: the text ("Message") and a description.
class TElement_Message : public TTitledElement
{
    QV_CLASS(TElement_Message, TTitledElement)

    explicit TElement_Message(TScheme* scheme);

    TMessageTextField* TextField() const { return FText; }

    void BuildTitle(TTitleWriter& writer) override;
    QString GetPartKnotName(TElement* part, uint8_t filerMode) override;
    void GetPartHint(TElement* part, QString& text) override;
    void GetHint(QString& text) override;

private:
    TMessageTextField* FText = nullptr; // a part
};

// "Wait for Closing", created by RegisterCommandElements (null before).
TSchemePaletteItem* CallWaitPaletteItem();

// Adds the four commands to the class group `group` (the Command File type's) and their items and
// "Wait for Closing" to the palette. Called once at start-up; later calls do nothing.
void RegisterCommandElements(int group);

} // namespace qv
