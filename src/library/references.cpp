#include "library/references.h"

#include "core/knot.h"
#include "core/strings.h"
#include "core/text_utils.h"
#include "core/undo_redo.h"
#include "elements/element_messages.h"
#include "elements/palette.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "textor/sheet_theme.h"

#include <QGuiApplication>
#include <QHash>

#include <atomic>

namespace qv {

QV_IMPLEMENT_CLASS(TCustomReferenceElement)
QV_IMPLEMENT_CLASS(TReferenceField)
QV_IMPLEMENT_CLASS(TReferenceElement)
QV_IMPLEMENT_CLASS(TReferenceOperation)
QV_IMPLEMENT_CLASS(TReferenceElementTextorEditOperation)
QV_IMPLEMENT_CLASS(TReferenceDropDownItem)

namespace {

std::atomic<int64_t> notifyCount = 0;

const QString linkName = QStringLiteral("Link");
const QString undoLinkName = QStringLiteral("ReferenceLink");

} // namespace

QString MapIdPath(TSchemeLoader* loader, const QString& path)
{
    if (loader == nullptr || path.isEmpty())
        return path;
    QStringList parts = path.split(u'.');
    for (QString& part : parts) {
        bool ok = false;
        const int32_t id = part.toInt(&ok, 10);
        if (ok)
            part = QString::number(loader->MappedID(id));
    }
    return parts.join(u'.');
}

// ---------------------------------------------------------------------------------------------------
// TReferenceIndex

// The reference fields of one namespace, by the text they hold. The index listens to the namespace
// once and hands each notification about an item only to the references of that item and to the
// fields whose text is its name, so a rename costs in proportion to the references of the name and
// not to the document. Exists while a field is registered; one thread's fields and namespaces only.
class TReferenceIndex
{
public:
    static TReferenceIndex* Register(TNamespace* ns, TCustomReferenceElement* field, const QString& text)
    {
        TReferenceIndex*& index = Indexes()[ns];
        if (index == nullptr)
            index = new TReferenceIndex(ns);
        index->FByText.insert(text, field);
        ++index->FCount;
        return index;
    }

    // The field has already let go of this index (its FIndex is null).
    void Unregister(TCustomReferenceElement* field, const QString& text)
    {
        FByText.remove(text, field);
        if (--FCount == 0) {
            Indexes().remove(FNamespace);
            delete this;
        }
    }

private:
    explicit TReferenceIndex(TNamespace* ns) : FNamespace(ns)
    {
        FNamespace->AddHandler(MakeNotifyEvent<&TReferenceIndex::Notify>(this));
    }
    ~TReferenceIndex() { FNamespace->RemoveHandler(MakeNotifyEvent<&TReferenceIndex::Notify>(this)); }

    // Per thread: a generation run loads its private copy of a document on its own thread.
    static QHash<TNamespace*, TReferenceIndex*>& Indexes()
    {
        static thread_local QHash<TNamespace*, TReferenceIndex*> indexes;
        return indexes;
    }

    void Notify(TItfObject*, int code, intptr_t param1, intptr_t)
    {
        if (code < nnItemAdded || code > nnItemRemoved || param1 == 0)
            return;
        auto* item = reinterpret_cast<TNamespaceItem*>(param1);
        QList<TCustomReferenceElement*> fields;
        for (TReference* reference : item->References()) {
            auto* own = dynamic_cast<TCustomReferenceElementReference*>(reference);
            if (own != nullptr && own->Field()->FIndex == this)
                fields.append(own->Field());
        }
        const QString name = item->Name();
        for (auto it = FByText.constFind(name); it != FByText.constEnd() && it.key() == name; ++it) {
            if (it.value()->Target() != item)
                fields.append(it.value());
        }
        if (fields.isEmpty())
            return;
        // A handler may rewrite texts (re-keying fields here) or unregister fields; handlers free no
        // elements. A field is asked only while it is still registered here.
        for (TCustomReferenceElement* field : std::as_const(fields)) {
            if (field->FIndex != this)
                continue;
            ++notifyCount;
            field->NamespaceNotify(code, item);
        }
    }

    TNamespace* FNamespace;
    QMultiHash<QString, TCustomReferenceElement*> FByText;
    int FCount = 0;
};

// ---------------------------------------------------------------------------------------------------
// TCustomReferenceElementReference

void TCustomReferenceElementReference::TargetChanged()
{
    if (FField->IsDestroying())
        return;
    FField->Update();
    if ((FField->ReferenceOptions() & roShowTargetImage) != 0)
        FField->Invalidate();
}

void TCustomReferenceElementReference::CyclicChanged()
{
    if (!FField->IsDestroying())
        FField->Check();
}

// ---------------------------------------------------------------------------------------------------
// TCustomReferenceElement

TCustomReferenceElement::TCustomReferenceElement(TScheme* scheme)
    : TTextorElement(scheme), FReference(std::make_unique<TCustomReferenceElementReference>(this))
{
    SetContentOptions(tcoLetters | tcoDigits | tcoUnderscore | tcoSpecial);
    SetBehaviourOptions(BehaviourOptions() | tboIdentifierWords);
    SetVisualOptions(VisualOptions() | voHasDropDown | voCaseSensitiveMatch);
}

TCustomReferenceElement::~TCustomReferenceElement() = default;

int64_t TCustomReferenceElement::NotifyCount()
{
    return notifyCount;
}

std::function<Qt::KeyboardModifiers()>& TCustomReferenceElement::KeyboardModifiers()
{
    static std::function<Qt::KeyboardModifiers()> source = [] {
        return QGuiApplication::instance() != nullptr ? QGuiApplication::queryKeyboardModifiers()
                                                      : Qt::NoModifier;
    };
    return source;
}

void TCustomReferenceElement::SetReferenceOptions(TReferenceOptions value)
{
    if (value == FReferenceOptions)
        return;
    FReferenceOptions = value;
    Invalidate();
    Check();
}

void TCustomReferenceElement::SetNamespace(TNamespace* ns)
{
    if (ns == FNamespace)
        return;
    SetTarget(nullptr);
    if (FIndex != nullptr) {
        TReferenceIndex* index = FIndex;
        FIndex = nullptr;
        index->Unregister(this, FIndexedText);
    }
    FNamespace = ns;
    if (FNamespace != nullptr) {
        Resolve();
        UpdateListening();
    }
    Check();
}

void TCustomReferenceElement::UpdateListening()
{
    // Listens while it has content, under the text it holds.
    const bool live = FNamespace != nullptr && !IsDestroying();
    const QString text = live ? GetText() : QString();
    const bool wanted = live && (!text.isEmpty() || HasEmbeddedElement());
    if (FIndex != nullptr && wanted && text == FIndexedText)
        return;
    TReferenceIndex* old = FIndex;
    const QString oldText = FIndexedText;
    FIndex = nullptr;
    // The new key first: the index must not go while the field moves within it.
    if (wanted) {
        FIndexedText = text;
        FIndex = TReferenceIndex::Register(FNamespace, this, text);
    }
    if (old != nullptr)
        old->Unregister(this, oldText);
}

bool TCustomReferenceElement::HasEmbeddedElement()
{
    for (TParagraph* p = Textor()->FirstParagraph(); p != nullptr; p = p->Next()) {
        if (p->HasElements())
            return true;
    }
    return false;
}

void TCustomReferenceElement::Resolve()
{
    const QString text = GetText();
    if (FNamespace == nullptr || IsDestroying() || text.isEmpty() || HasEmbeddedElement()) {
        SetTarget(nullptr);
        return;
    }
    struct TAccept
    {
        TCustomReferenceElement* Field;
        void Filter(TNamespace*, TNamespaceItem* item, bool& accept) { accept = Field->Accepts(item); }
    } accept{this};
    SetTarget(FNamespace->FindByName(text, MakeNameFilter<&TAccept::Filter>(&accept)));
}

void TCustomReferenceElement::SetTarget(TNamespaceItem* item)
{
    FReference->SetTarget(item);
}

bool TCustomReferenceElement::Accepts(TNamespaceItem* item)
{
    bool answer = AcceptsTarget(item);
    SendMessage(tmReferenceTargets, item, &answer);
    return answer;
}

TNamespace* TCustomReferenceElement::GetNamespace()
{
    return FindGeneralElementsNamespace(PartOwner());
}

int TCustomReferenceElement::TargetImageIndex()
{
    if ((FReferenceOptions & roShowTargetImage) != 0 && Target() != nullptr)
        return Target()->ImageIndex();
    return -1;
}

bool TCustomReferenceElement::AcceptsTarget(TNamespaceItem*)
{
    return false;
}

void TCustomReferenceElement::TryBind(TNamespaceItem* item)
{
    if (Target() != nullptr || HasEmbeddedElement())
        return;
    const QString text = GetText();
    if (!text.isEmpty() && item->Name() == text && Accepts(item))
        SetTarget(item);
}

void TCustomReferenceElement::NamespaceNotify(int code, TNamespaceItem* item)
{
    const bool isTarget = item == Target();
    switch (code) {
    case nnItemAdded:
        TryBind(item);
        break;
    case nnItemChanged:
        if (isTarget) {
            if (!Accepts(item)) {
                RecordUndoLink();
                Resolve();
            }
        } else {
            TryBind(item);
        }
        break;
    case nnItemImageChanged:
        if (isTarget && (FReferenceOptions & roShowTargetImage) != 0)
            Invalidate();
        break;
    case nnItemEnabledChanged:
    case nnItemStateChanged:
        if (isTarget)
            Check();
        break;
    case nnItemRenamed:
        if (isTarget)
            SetTextRebinding(item->Name());
        else
            TryBind(item);
        break;
    case nnItemRemoved:
        if (isTarget) {
            RecordUndoLink();
            SetTarget(nullptr);
            Resolve();
        }
        break;
    default:
        break;
    }
}

void TCustomReferenceElement::SetTextRebinding(const QString& text)
{
    const bool old = FRebinding;
    FRebinding = true;
    SetText(text);
    FRebinding = old;
    UpdateListening();
}

void TCustomReferenceElement::RecordUndoLink()
{
    if (Target() == nullptr || Scheme() == nullptr || Scheme()->UndoRedo() == nullptr)
        return;
    const std::vector<TOperation*>& running = Scheme()->UndoRedo()->Running();
    for (auto it = running.rbegin(); it != running.rend(); ++it) {
        auto* operation = dynamic_cast<TElementOperation*>(*it);
        if (operation == nullptr)
            continue;
        // Only the first run records: redo and undo replay the same data.
        if (operation->State() != osDoing)
            return;
        auto knot = std::make_unique<TKnot>(undoLinkName);
        knot->WriteString(linkName, Target()->IdPath());
        operation->Dependents().Add(TElementOperationDependents::dlUndo, ID(), std::move(knot));
        return;
    }
}

void TCustomReferenceElement::BindLink(const QString& path)
{
    TNamespaceItem* item = FNamespace != nullptr ? FNamespace->FindByIdPath(path) : nullptr;
    SetTarget(item);
}

void TCustomReferenceElement::RestoreUndoState(TKnot* knot)
{
    inherited::RestoreUndoState(knot);
    if (knot != nullptr && knot->Name() == undoLinkName)
        BindLink(knot->ReadString(linkName));
}

void TCustomReferenceElement::RestoreRedoState(TKnot* knot)
{
    inherited::RestoreRedoState(knot);
    if (knot != nullptr && knot->Name() == undoLinkName)
        BindLink(knot->ReadString(linkName));
}

void TCustomReferenceElement::Rebind(TNamespaceItem* item)
{
    TSchemeOperation::Post(TNodePtr<TSchemeOperation>(new TReferenceOperation(this, item)));
}

bool TCustomReferenceElement::IsFilled() const
{
    return inherited::IsFilled() || Target() != nullptr;
}

void TCustomReferenceElement::ContentChangedHook()
{
    inherited::ContentChangedHook();
    // A target whose name is the text stays: undo data may have bound one of several items of
    // that name.
    if (!FRebinding && !(Target() != nullptr && Target()->Name() == GetText() && !HasEmbeddedElement()))
        Resolve();
    UpdateListening();
}

void TCustomReferenceElement::CheckContent()
{
    inherited::CheckContent();
    TNamespaceItem* target = Target();
    const QString ids = QString::number(ID());
    auto error = [&](const QString& text) {
        GetMessages()->AddElementsMessage(mkInvalidContent, text, ids);
    };
    if (target != nullptr) {
        if (target->Name().isEmpty())
            error(LoadStr(2729));
        if (target->State() == nsDuplicate || target->State() == nsReserved)
            error(LoadStr(2730));
        if (!target->IsEnabled())
            error(LoadStr(2725));
        if (FReference->Cyclic())
            error(LoadStr(2728));
        return;
    }
    const QString text = GetText();
    if ((FReferenceOptions & roAllowText) == 0 && !text.isEmpty())
        error(LoadStr(2724, {MessageValueText(text)}));
}

void TCustomReferenceElement::ParentElementChanged()
{
    inherited::ParentElementChanged();
    SetNamespace(IsDestroying() ? nullptr : GetNamespace());
}

bool TCustomReferenceElement::HandleMessage(int msg, void* param, void* data)
{
    const bool handled = inherited::HandleMessage(msg, param, data);
    if (msg == tmDestroying)
        SetNamespace(nullptr); // the namespace may go before this field
    return handled;
}

void TCustomReferenceElement::BeforeDestruction()
{
    inherited::BeforeDestruction();
    SetNamespace(nullptr);
    FReference->SetTarget(nullptr);
}

void TCustomReferenceElement::LoadFromKnot(TSchemeLoader* filer, TKnot* knot)
{
    {
        const bool old = FRebinding;
        FRebinding = filer->Mode() == fmSnapshot;
        inherited::LoadFromKnot(filer, knot);
        FRebinding = old;
    }
    UpdateListening();
    if (filer->Mode() != fmSnapshot) {
        if (!(Target() != nullptr && Target()->Name() == GetText()))
            Resolve();
        return;
    }
    // A snapshot binds the very item it saved, once everything is loaded.
    TKnotParam* link = knot->FindParam(linkName);
    if (link != nullptr)
        link->SetRead(true);
    SetTarget(nullptr);
    if (link == nullptr)
        return;
    filer->AddLoadedProc(
        knot,
        [](TElement* element, TSchemeLoader* loader, TKnot* node) {
            static_cast<TCustomReferenceElement*>(element)->BindLink(
                MapIdPath(loader, node->ReadString(linkName)));
        },
        this);
}

void TCustomReferenceElement::SaveToKnot(TSchemeSaver* filer, TKnot* knot)
{
    inherited::SaveToKnot(filer, knot);
    if (filer->Mode() == fmSnapshot && Target() != nullptr)
        knot->WriteString(linkName, Target()->IdPath());
}

TNodePtr<TTextorEditOperation> TCustomReferenceElement::CreateEditOperation(int)
{
    return TNodePtr<TTextorEditOperation>(new TReferenceElementTextorEditOperation(this));
}

TDropDownItem* TCustomReferenceElement::FillDropDown(TDropDownItem* root)
{
    if (FNamespace == nullptr)
        return inherited::FillDropDown(root);
    auto addCommand = [&](TReferenceDropDownItem::TKind kind, int caption) {
        auto* entry = static_cast<TReferenceDropDownItem*>(
            TDropDownItem::AddItem(root, TReferenceDropDownItem::StaticClass()));
        entry->SetKind(kind);
        entry->SetCaption(LoadStr(caption));
    };
    if (FCreateItem != nullptr) {
        TElement* place = FNamespace->CreationContainer();
        if (place == nullptr && Scheme() != nullptr)
            place = dynamic_cast<TTextorElement*>(Scheme()->Root());
        if (place != nullptr)
            addCommand(TReferenceDropDownItem::rdkCreate, 2733);
    }
    if (FCreateHereItem != nullptr)
        addCommand(TReferenceDropDownItem::rdkCreateHere, 2734);

    struct TAccept
    {
        TCustomReferenceElement* Field;
        void Filter(TNamespace*, TNamespaceItem* item, bool& accept) { accept = Field->Accepts(item); }
    } accept{this};
    TNameList names;
    FNamespace->CollectNames(names, true, MakeNameFilter<&TAccept::Filter>(&accept), false);
    SortNames(names);
    const bool showHidden = (KeyboardModifiers()() & Qt::ShiftModifier) != 0;
    TDropDownItem* current = nullptr;
    for (const TNameEntry& entry : std::as_const(names)) {
        if ((entry.Item->Flags() & nfHidden) != 0 && !showHidden)
            continue;
        const QStringList parts = entry.Name.split(u'.');
        // Groups merge only with the last entry of each level.
        TDropDownItem* level = root;
        qsizetype part = 0;
        for (; part + 1 < parts.size(); ++part) {
            auto* last = static_cast<TDropDownItem*>(level->LastChild());
            if (last == nullptr || last->Selectable() || last->Caption() != parts[part])
                break;
            level = last;
        }
        for (; part + 1 < parts.size(); ++part) {
            TDropDownItem* group = TDropDownItem::AddItem(level, TReferenceDropDownItem::StaticClass());
            group->SetCaption(parts[part]);
            group->SetSelectable(false);
            level = group;
        }
        auto* item = static_cast<TReferenceDropDownItem*>(
            TDropDownItem::AddItem(level, TReferenceDropDownItem::StaticClass()));
        item->SetCaption(parts.last());
        item->SetValue(entry.Name);
        item->SetItemPath(entry.Item->IdPath());
        item->SetImageIndex(entry.Item->ImageIndex());
        item->SetHint(entry.Item->Description());
        item->SetComment(entry.Item->TypeName());
        item->SetEnabled(entry.Item->IsEnabled());
        if (entry.Item == Target() && current == nullptr)
            current = item;
    }
    if (current == nullptr && TextAllowed())
        return inherited::FillDropDown(root);
    return current;
}

bool TCustomReferenceElement::SelectItem(TDropDownItem* item)
{
    auto* entry = dynamic_cast<TReferenceDropDownItem*>(item);
    if (entry == nullptr)
        return inherited::SelectItem(item);
    switch (entry->Kind()) {
    case TReferenceDropDownItem::rdkCreate:
        CreateAndBind();
        return true;
    case TReferenceDropDownItem::rdkCreateHere:
        CreateHere();
        return true;
    case TReferenceDropDownItem::rdkItem:
        break;
    }
    if (!entry->Selectable() || FNamespace == nullptr)
        return false;
    TNamespaceItem* target = FNamespace->FindByIdPath(entry->ItemPath());
    if (target == nullptr)
        return false;
    Rebind(target);
    return true;
}

void TCustomReferenceElement::CreateAndBind()
{
    if (FNamespace == nullptr || FCreateItem == nullptr || FCreateItem->ElementClass() == nullptr)
        return;
    TElement* container = FNamespace->CreationContainer();
    if (container == nullptr && Scheme() != nullptr)
        container = Scheme()->Root();
    auto* place = dynamic_cast<TTextorElement*>(container);
    if (place == nullptr)
        return;
    const int32_t fieldID = ID();
    TNamespace* ns = FNamespace;
    TSchemeGroupGuard group(Scheme(), QString(), false);
    // The new element is the one the insert returns (not a guess by ids).
    TElement* created = place->InsertNewElement(FCreateItem->ElementClass(), FCreateItem, nullptr);
    if (created == nullptr || Scheme()->FindElementByID(fieldID) != this)
        return;
    TNamespaceItem* found = nullptr;
    ns->ForEachItem(
        [&](TNamespaceItem* item, bool& stop) {
            if (item->Element() == created) {
                found = item;
                stop = true;
            }
        },
        false);
    if (found != nullptr)
        Rebind(found);
}

void TCustomReferenceElement::CreateHere()
{
    if (FCreateHereItem == nullptr || FCreateHereItem->ElementClass() == nullptr)
        return;
    TSchemeGroupGuard group(Scheme(), QString(), false);
    ReplaceWithText(tetAll, nullptr, false, QString());
    InsertNewElement(FCreateHereItem->ElementClass(), FCreateHereItem, nullptr);
}

// ---------------------------------------------------------------------------------------------------
// TReferenceField, TReferenceElement

TReferenceField::TReferenceField(TScheme* scheme) : TCustomReferenceElement(scheme)
{
    SetBehaviourOptions(BehaviourOptions() | tboFieldFrame);
}

TReferenceElement::TReferenceElement(TScheme* scheme) : TCustomReferenceElement(scheme) {}

bool TReferenceElement::GetFrameElement(int& element)
{
    element = steSubstitution;
    return true;
}

// ---------------------------------------------------------------------------------------------------
// TReferenceOperation

TReferenceOperation::TReferenceOperation(TCustomReferenceElement* field, TNamespaceItem* item)
    : TElementOperation(field)
{
    if (item != nullptr) {
        FNewTargetPath = item->IdPath();
        FNewTargetName = item->Name();
    }
}

TReferenceOperation::~TReferenceOperation() = default;

void TReferenceOperation::DoOnElement(TElement* element)
{
    auto* field = dynamic_cast<TCustomReferenceElement*>(element);
    if (field == nullptr)
        return;
    if (!FExecuted) {
        FExecuted = true;
        if (field->Target() != nullptr)
            FOldTargetPath = field->Target()->IdPath();
        FOldContent = std::make_unique<TKnot>(QString::fromUtf16(textorContentName));
        TSchemeSaver saver(fmSnapshot, FOldContent.get(), 0);
        field->SaveContent(&saver, FOldContent.get(), nullptr);
    }
    field->SetTextRebinding(FNewTargetName);
    field->BindLink(FNewTargetPath);
}

void TReferenceOperation::UndoOnElement(TElement* element)
{
    auto* field = dynamic_cast<TCustomReferenceElement*>(element);
    if (field == nullptr || !FOldContent)
        return;
    const bool old = field->FRebinding;
    field->FRebinding = true;
    QString text;
    if (TTextorElement::ContentAsText(FOldContent.get(), text)) {
        field->SetText(text);
    } else {
        field->Textor()->Clear();
        TSchemeLoader loader(field->Scheme(), nullptr, FOldContent.get(), 0, fmSnapshot);
        field->LoadContent(&loader, FOldContent.get(), nullptr);
        loader.Finish();
    }
    field->FRebinding = old;
    field->UpdateListening();
    field->BindLink(FOldTargetPath);
}

// ---------------------------------------------------------------------------------------------------
// TReferenceElementTextorEditOperation

TReferenceElementTextorEditOperation::TReferenceElementTextorEditOperation(TTextorElement* element)
    : TTextorEditOperation(element)
{}

void TReferenceElementTextorEditOperation::DoOnElement(TElement* element)
{
    if (!FSaved) {
        FSaved = true;
        auto* field = dynamic_cast<TCustomReferenceElement*>(element);
        if (field != nullptr && field->Target() != nullptr)
            FSavedTargetPath = field->Target()->IdPath();
    }
    inherited::DoOnElement(element);
}

void TReferenceElementTextorEditOperation::RevertEdit(TTextorElement* element)
{
    auto* field = dynamic_cast<TCustomReferenceElement*>(element);
    if (field == nullptr) {
        inherited::RevertEdit(element);
        return;
    }
    const bool old = field->FRebinding;
    field->FRebinding = true;
    inherited::RevertEdit(element);
    field->FRebinding = old;
    field->UpdateListening();
    if (FSavedTargetPath.isEmpty())
        field->Resolve();
    else
        field->BindLink(FSavedTargetPath);
}

} // namespace qv
