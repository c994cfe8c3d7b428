#include "schemes/commands/command_elements.h"

#include "core/knot.h"
#include "core/strings.h"
#include "elements/classes_groups.h"
#include "elements/element_messages.h"
#include "elements/element_sheet.h"
#include "elements/palette.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "elements/scheme_images.h"
#include "elements/scheme_operation.h"
#include "generation/value_elements.h"
#include "library/path_element.h"

namespace qv {

QV_IMPLEMENT_CLASS(TCommandFileRoot)
QV_IMPLEMENT_CLASS(TCallFileNameField)
QV_IMPLEMENT_CLASS(TCallParametersField)
QV_IMPLEMENT_CLASS(TElement_Call)
QV_IMPLEMENT_CLASS(TCallWaitOperation)
QV_IMPLEMENT_CLASS(TLabelNameField)
QV_IMPLEMENT_CLASS(TElement_Label)
QV_IMPLEMENT_CLASS(TJumpLabelField)
QV_IMPLEMENT_CLASS(TElement_Jump)
QV_IMPLEMENT_CLASS(TMessageTextField)
QV_IMPLEMENT_CLASS(TElement_Message)

namespace {

// Framed one-line fields in the identifier word mode, wrapping at 480 pixels, holding elements.
constexpr uint32_t commandFieldBehaviour = 0x80821;
// A framed container with links and elements, wrapping at 720 pixels.
constexpr uint32_t messageFieldBehaviour = 0x109005;
// Characters allowed in paths.
constexpr uint32_t fileNameContent = 591;
// Text without tabs or line breaks.
constexpr uint32_t parametersContent = 79;

const QString waitName = QStringLiteral("Wait");

int CommandFileGroup = -1;
TSchemePaletteItem* WaitItem = nullptr;

// A field of a call answers "Wait for Closing" for the call.
bool WaitState(TElement* field, TPaletteItem* item, TPaletteItemState& state)
{
    auto* call = dynamic_cast<TElement_Call*>(field->ParentElement());
    if (item == nullptr || item != WaitItem || call == nullptr)
        return false;
    call->GetPaletteItemState(item, state);
    return true;
}

bool ExecuteWait(TElement* field, TPaletteItem* item, bool value)
{
    auto* call = dynamic_cast<TElement_Call*>(field->ParentElement());
    return item != nullptr && item == WaitItem && call != nullptr && call->ExecutePaletteItem(item, value);
}

} // namespace

// TCommandFileRoot

void TCommandFileRoot::GetAcceptedClasses(TElementClassList& list)
{
    TClassesGroups& groups = ApplicationClassesGroups();
    if (CommandFileGroup >= 0)
        groups.AddGroupTo(list, CommandFileGroup);
    if (ValueElementsGroup() >= 0)
        groups.AddGroupTo(list, ValueElementsGroup());
    inherited::GetAcceptedClasses(list);
}

// TCallFileNameField

TCallFileNameField::TCallFileNameField(TScheme* scheme) : TTextorElement(scheme)
{
    SetOptions(Options() | eoRequired);
    SetContentOptions(fileNameContent);
    SetBehaviourOptions(commandFieldBehaviour);
}

bool TCallFileNameField::ChildMessage(TElement* child, int msg, void* param, void* data)
{
    if (msg == tmFileFilters && param != nullptr) {
        auto* filters = static_cast<TFileDialogFilters*>(param);
        for (const char* extension : {"exe", "com", "bat", "pif"})
            filters->Add(LoadStr(4656), QString::fromLatin1(extension));
        return true;
    }
    if (msg == tmForeignFileName)
        return true;
    return inherited::ChildMessage(child, msg, param, data);
}

void TCallFileNameField::CheckContent()
{
    inherited::CheckContent();
    // Holding only an empty file name is holding nothing.
    QString text;
    AppendText(text);
    if (text.trimmed().isEmpty())
        GetMessages()->AddElementsMessage(mkValueMissing, LoadStr(2331), QString::number(ID()));
}

void TCallFileNameField::GetPaletteItemState(TPaletteItem* item, TPaletteItemState& state)
{
    if (!WaitState(this, item, state))
        inherited::GetPaletteItemState(item, state);
}

bool TCallFileNameField::ExecutePaletteItem(TPaletteItem* item, bool value)
{
    return ExecuteWait(this, item, value) || inherited::ExecutePaletteItem(item, value);
}

// TCallParametersField

TCallParametersField::TCallParametersField(TScheme* scheme) : TTextorElement(scheme)
{
    SetContentOptions(parametersContent);
    SetBehaviourOptions(commandFieldBehaviour);
}

void TCallParametersField::GetPaletteItemState(TPaletteItem* item, TPaletteItemState& state)
{
    if (!WaitState(this, item, state))
        inherited::GetPaletteItemState(item, state);
}

bool TCallParametersField::ExecutePaletteItem(TPaletteItem* item, bool value)
{
    return ExecuteWait(this, item, value) || inherited::ExecutePaletteItem(item, value);
}

// TElement_Call

TElement_Call::TElement_Call(TScheme* scheme) : TTitledElement(scheme)
{
    SetVisualOptions(VisualOptions() | voCanDisable);
    FFileName = CreatePart<TCallFileNameField>();
    FFileName->SetVisualParent(this);
    FParameters = CreatePart<TCallParametersField>();
    FParameters->SetVisualParent(this);
    CreateDescription();
}

void TElement_Call::SetWait(bool value)
{
    if (FWait == value)
        return;
    FWait = value;
    // The sign comes or goes, and the palette's check mark follows.
    LayoutTitle();
    Invalidate();
    if (IElementSheet* sheet = Sheet())
        sheet->RequestFocusedStateChanged();
}

void TElement_Call::SetWaitUndoable(bool value)
{
    if (FWait != value)
        TSchemeOperation::Post(TNodePtr<TSchemeOperation>(new TCallWaitOperation(this, value)));
}

void TElement_Call::InitializeNew(TPaletteItem* item)
{
    inherited::InitializeNew(item);
    if (FFileName->IsFilled())
        return;
    // Loaded as a file would hold it: the field's content is one file name element.
    TKnot content(QStringLiteral("FileName"));
    content.AddKnot(TElement_FileName::StaticClass()->XmlName());
    FFileName->LoadFrom(&content, fmFile, 0);
}

void TElement_Call::BuildTitle(TTitleWriter& writer)
{
    inherited::BuildTitle(writer);
    writer.AddText(LoadStr(4642));
    writer.AddGap(6);
    writer.AddElement(FFileName, tiaCentre);
    writer.AddGap(6);
    writer.AddElement(FParameters, tiaCentre);
    if (FWait) {
        // The sign of a call that waits for its program.
        writer.AddGap(6);
        writer.AddText(QStringLiteral("\u25F7"));
    }
}

QString TElement_Call::GetPartKnotName(TElement* part, uint8_t filerMode)
{
    if (part != nullptr && part == FFileName)
        return QStringLiteral("FileName");
    if (part != nullptr && part == FParameters)
        return QStringLiteral("Parameters");
    return inherited::GetPartKnotName(part, filerMode);
}

void TElement_Call::GetPartHint(TElement* part, QString& text)
{
    if (part != nullptr && part == FFileName) {
        text = LoadStr(4644);
        return;
    }
    if (part != nullptr && part == FParameters) {
        text = LoadStr(4645);
        return;
    }
    inherited::GetPartHint(part, text);
}

void TElement_Call::GetHint(QString& text)
{
    text = LoadStr(4643);
    inherited::GetHint(text);
}

void TElement_Call::LoadFromKnot(TSchemeLoader* filer, TKnot* knot)
{
    inherited::LoadFromKnot(filer, knot);
    SetWait(knot->ReadString(waitName) == QStringLiteral("1"));
}

void TElement_Call::SaveToKnot(TSchemeSaver* filer, TKnot* knot)
{
    inherited::SaveToKnot(filer, knot);
    if (FWait)
        knot->WriteString(waitName, QStringLiteral("1"));
}

void TElement_Call::GetPaletteItems(QList<TPaletteItem*>& list)
{
    if (WaitItem != nullptr)
        list.append(WaitItem);
    inherited::GetPaletteItems(list);
}

void TElement_Call::GetPartPaletteItems(TElement* part, QList<TPaletteItem*>& list)
{
    inherited::GetPartPaletteItems(part, list);
    if (WaitItem != nullptr && (part == FFileName || part == FParameters))
        list.append(WaitItem);
}

void TElement_Call::GetPaletteItemState(TPaletteItem* item, TPaletteItemState& state)
{
    inherited::GetPaletteItemState(item, state);
    if (item != nullptr && item == WaitItem)
        state.Checked = FWait;
}

bool TElement_Call::ExecutePaletteItem(TPaletteItem* item, bool value)
{
    if (item != nullptr && item == WaitItem) {
        SetWaitUndoable(value);
        return true;
    }
    return inherited::ExecutePaletteItem(item, value);
}

// TCallWaitOperation

TCallWaitOperation::TCallWaitOperation(TElement_Call* call, bool value)
    : TElementOperation(call), FNewValue(value)
{}

void TCallWaitOperation::DoOnElement(TElement* element)
{
    if (auto* call = dynamic_cast<TElement_Call*>(element)) {
        FOldValue = call->Wait();
        call->SetWait(FNewValue);
    }
}

void TCallWaitOperation::UndoOnElement(TElement* element)
{
    if (auto* call = dynamic_cast<TElement_Call*>(element))
        call->SetWait(FOldValue);
}

// TElement_Label

TElement_Label::TElement_Label(TScheme* scheme) : TNamedElement(scheme, 0, TLabelNameField::StaticClass())
{
    SetVisualOptions(VisualOptions() | voCanDisable);
    CreateDescription();
}

void TElement_Label::BuildTitle(TTitleWriter& writer)
{
    writer.AddText(LoadStr(4648));
    writer.AddGap(6);
    inherited::BuildTitle(writer);
}

void TElement_Label::GetHint(QString& text)
{
    text = LoadStr(4649);
    inherited::GetHint(text);
}

// TJumpLabelField

TJumpLabelField::TJumpLabelField(TScheme* scheme) : TReferenceField(scheme)
{
    SetOptions(Options() | eoRequired);
}

bool TJumpLabelField::AcceptsTarget(TNamespaceItem* item)
{
    return item != nullptr && dynamic_cast<TElement_Label*>(item->Element()) != nullptr;
}

// TElement_Jump

TElement_Jump::TElement_Jump(TScheme* scheme) : TTitledElement(scheme)
{
    SetVisualOptions(VisualOptions() | voCanDisable);
    FLabel = CreatePart<TJumpLabelField>();
    FLabel->SetVisualParent(this);
    CreateDescription();
}

void TElement_Jump::BuildTitle(TTitleWriter& writer)
{
    inherited::BuildTitle(writer);
    writer.AddText(LoadStr(4650));
    writer.AddGap(6);
    writer.AddElement(FLabel, tiaCentre);
}

QString TElement_Jump::GetPartKnotName(TElement* part, uint8_t filerMode)
{
    if (part != nullptr && part == FLabel)
        return QStringLiteral("Label");
    return inherited::GetPartKnotName(part, filerMode);
}

void TElement_Jump::GetPartHint(TElement* part, QString& text)
{
    if (part != nullptr && part == FLabel) {
        text = LoadStr(4651);
        return;
    }
    inherited::GetPartHint(part, text);
}

void TElement_Jump::GetHint(QString& text)
{
    text = LoadStr(4651);
    inherited::GetHint(text);
}

// TMessageTextField

TMessageTextField::TMessageTextField(TScheme* scheme) : TTextorElement(scheme)
{
    SetOptions(Options() | eoRequired);
    SetContentOptions(tcoAnything);
    SetBehaviourOptions(messageFieldBehaviour);
}

// TElement_Message

TElement_Message::TElement_Message(TScheme* scheme) : TTitledElement(scheme)
{
    SetVisualOptions(VisualOptions() | voCanDisable);
    FText = CreatePart<TMessageTextField>();
    FText->SetVisualParent(this);
    CreateDescription();
}

void TElement_Message::BuildTitle(TTitleWriter& writer)
{
    inherited::BuildTitle(writer);
    writer.AddText(LoadStr(4652));
    writer.AddGap(6);
    writer.AddElement(FText, tiaTop);
}

QString TElement_Message::GetPartKnotName(TElement* part, uint8_t filerMode)
{
    if (part != nullptr && part == FText)
        return QStringLiteral("Message");
    return inherited::GetPartKnotName(part, filerMode);
}

void TElement_Message::GetPartHint(TElement* part, QString& text)
{
    if (part != nullptr && part == FText) {
        text = LoadStr(4653);
        return;
    }
    inherited::GetPartHint(part, text);
}

void TElement_Message::GetHint(QString& text)
{
    text = LoadStr(4653);
    inherited::GetHint(text);
}

// Registration

TSchemePaletteItem* CallWaitPaletteItem()
{
    return WaitItem;
}

void RegisterCommandElements(int group)
{
    static const bool registered = [group] {
        CommandFileGroup = group;
        ApplicationClassesGroups().GetGroup(group).append(
            {TElement_Call::StaticClass(), TElement_Label::StaticClass(), TElement_Jump::StaticClass(),
             TElement_Message::StaticClass()});

        TPalette& palette = Palette();
        TPaletteGroup* insert = palette.InsertGroup();
        // The pictures of the call (0), the message (1), the label (2) and the jump (3).
        const auto image = [](int position) {
            return StripImage(SmallImages(), QStringLiteral("diCommandFileSmallImages"), position);
        };
        new TElementPaletteItem(insert, piBlock, image(0), QV_STR(4643), QV_STR(4642),
                                TElement_Call::StaticClass(), 200);
        new TElementPaletteItem(insert, piBlock, image(1), QV_STR(4653), QV_STR(4652),
                                TElement_Message::StaticClass(), 150);
        new TElementPaletteItem(insert, piBlock, image(2), QV_STR(4649), QV_STR(4648),
                                TElement_Label::StaticClass(), 30);
        new TElementPaletteItem(insert, piBlock, image(3), QV_STR(4651), QV_STR(4650),
                                TElement_Jump::StaticClass(), 29);
        WaitItem =
            new TSchemePaletteItem(palette.OptionsGroup(), piCheck, -1, QV_STR(4647), QV_STR(4646), 100);
        return true;
    }();
    (void)registered;
}

} // namespace qv
