#include "elements/element.h"

#include "core/strings.h"
#include "elements/element_messages.h"
#include "elements/element_unaccepted.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"

#include <atomic>

namespace qv {

namespace {

// The process-wide ID counter: the last ID handed out. Generation threads create elements too.
std::atomic<int32_t> idCounter{0};

} // namespace

const TElementClass* TElementClass::ElementParent() const
{
    const TMetaClass* parent = ClassParent();
    if (parent == nullptr || !parent->InheritsFrom(TElement::StaticClass()))
        return nullptr;
    return static_cast<const TElementClass*>(parent);
}

const TElement::TMetaType* TElement::StaticClass() noexcept
{
    static const TMetaType meta("TElement", TNode::StaticClass());
    return &meta;
}

const TMetaClass* TElement::ClassType() const noexcept
{
    return StaticClass();
}

int32_t TElement::NextID()
{
    return idCounter.fetch_add(1, std::memory_order_relaxed) + 1;
}

void TElement::RaiseIDCounter(int32_t id)
{
    int32_t current = idCounter.load(std::memory_order_relaxed);
    while (current < id && !idCounter.compare_exchange_weak(current, id, std::memory_order_relaxed)) {
    }
}

TElement::TElement(TScheme* scheme) : FScheme(scheme)
{
    if (scheme != nullptr)
        FID = scheme->RegisterElement(this);
}

TElement::~TElement()
{
    if (FScheme != nullptr)
        FScheme->UnregisterElement(this);
}

TElement* TElement::ParentElement() const
{
    TNode* parent = Parent();
    return IsInstanceOf(parent, TElement::StaticClass()) ? static_cast<TElement*>(parent) : nullptr;
}

bool TElement::CanInsertInto(const TElementClass*, const TElement*)
{
    return true;
}

QString TElement::XmlName(const TElementClass* cls)
{
    // "TElement_Method" is stored as "Method".
    return cls->ClassName().mid(9);
}

const TElementClass* TElement::UnacceptedClass()
{
    return TElement_Unaccepted::StaticClass();
}

bool TElement::NeedsCheck() const
{
    return true;
}

void TElement::RestoreRedoState(TKnot*) {}

void TElement::RestoreUndoState(TKnot*) {}

void TElement::CheckContent() {}

void TElement::GetAcceptedClasses(TElementClassList& list)
{
    if ((FOptions & eoPart) != 0) {
        if (TElement* parent = ParentElement())
            parent->GetPartAcceptedClasses(this, list);
    }
}

bool TElement::IsFilled() const
{
    return false;
}

bool TElement::IsDefault() const
{
    return !IsFilled();
}

void TElement::InitializeNew(TPaletteItem*) {}

void TElement::OptionsChanged(uint8_t oldOptions)
{
    if (((oldOptions ^ FOptions) & (eoTracked | eoRequired)) != 0 && (FOptions & eoTracked) != 0)
        Update();
}

// The part questions go up to the owner of the part: a part that is itself a part passes them on.
void TElement::GetPartAcceptedClasses(TElement* part, TElementClassList& list)
{
    if ((FOptions & eoPart) != 0) {
        if (TElement* parent = ParentElement())
            parent->GetPartAcceptedClasses(part, list);
    }
}

void TElement::GetPartHint(TElement* part, QString& text)
{
    if ((FOptions & eoPart) != 0) {
        if (TElement* parent = ParentElement())
            parent->GetPartHint(part, text);
    }
}

void TElement::GetPartPaletteItems(TElement* part, QList<TPaletteItem*>& list)
{
    if ((FOptions & eoPart) != 0) {
        if (TElement* parent = ParentElement())
            parent->GetPartPaletteItems(part, list);
    }
}

QString TElement::GetPartKnotName(TElement* part, uint8_t filerMode)
{
    if ((FOptions & eoPart) != 0) {
        if (TElement* parent = ParentElement())
            return parent->GetPartKnotName(part, filerMode);
    }
    return QString();
}

void TElement::FilledChanged()
{
    SendMessage(tmFilledChanged);
}

void TElement::IDChanged(int32_t oldID)
{
    if (!FMessages)
        return;
    const QString oldText = QString::number(oldID);
    const QString newText = QString::number(FID);
    for (int i = 0; i < FMessages->Count(); ++i) {
        for (TElementMessagePart& part : FMessages->Items(i)->Parts()) {
            if (part.Kind == mpElements && part.Data == oldText)
                part.Data = newText;
        }
    }
}

void TElement::DefaultChanged()
{
    SendMessage(tmDefaultChanged);
}

void TElement::ValidityChanged() {}

void TElement::ParentElementChanged() {}

bool TElement::ShouldSavePart(TSchemeFiler* filer, TElement* part)
{
    if (filer->Mode() != fmSnapshot && (part->Options() & eoTransient) != 0)
        return false;
    if ((filer->Flags() & ffNoOptional) != 0 && (part->Options() & eoOptional) != 0)
        return false;
    return true;
}

bool TElement::ChildMessage(TElement*, int, void*, void*)
{
    return false;
}

void TElement::DeferredCheck()
{
    Check();
}

void TElement::PartPaletteCommand(TElement* part, TPaletteItem* item, intptr_t data)
{
    if ((FOptions & eoPart) != 0) {
        if (TElement* parent = ParentElement())
            parent->PartPaletteCommand(part, item, data);
    }
}

void TElement::Changed()
{
    Update();
    if (!IsDestroying())
        SendMessage(tmChanged);
}

void TElement::AppendText(QString& builder)
{
    for (TNode* node = FirstChild(); node != nullptr; node = node->NextSibling()) {
        if (IsInstanceOf(node, TElement::StaticClass())) {
            auto* child = static_cast<TElement*>(node);
            if ((child->Options() & eoPart) != 0)
                child->AppendText(builder);
        }
    }
}

bool TElement::SaveSubstitute(TSchemeSaver*, TKnot*)
{
    return false;
}

bool TElement::StoresInParentKnot(TSchemeFiler* filer) const
{
    return (FOptions & eoPart) != 0 && (FOptions & eoInline) != 0 && filer->Mode() != fmSnapshot;
}

QString TElement::GetKnotName(TSchemeFiler* filer)
{
    if (TElement* parent = ParentElement())
        return parent->GetPartKnotName(this, filer->Mode());
    return QString();
}

void TElement::SetOptions(uint8_t options)
{
    if (options == FOptions)
        return;
    const uint8_t old = FOptions;
    FOptions = options;
    OptionsChanged(old);
}

void TElement::Update()
{
    if (IsDestroying())
        return;
    const bool filled = IsFilled();
    if (filled != ((FState & esFilled) != 0)) {
        FState ^= esFilled;
        FilledChanged();
        if (IsDestroying())
            return;
    }
    const bool isDefault = IsDefault();
    if (isDefault == ((FState & esNotDefault) != 0)) {
        FState ^= esNotDefault;
        DefaultChanged();
        if (IsDestroying())
            return;
    }
    Check();
}

void TElement::Check()
{
    if (IsDestroying())
        return;
    if (FScheme != nullptr && FScheme->IsUpdating()) {
        FScheme->QueueCheck(this);
        return;
    }
    const bool wasValid = IsValid();
    if (FMessages)
        FMessages->Clear();
    if (NeedsCheck()) {
        if (IsFilled())
            CheckContent();
        else if ((FOptions & eoRequired) != 0)
            GetMessages()->AddElementsMessage(mkValueMissing, LoadStr(2331), QString::number(FID));
    }
    if (FMessages && FMessages->IsEmpty())
        FMessages.reset();
    if (wasValid != IsValid())
        ValidityChanged();
}

void TElement::InitializeNewTree(TPaletteItem* item)
{
    Broadcast(tmInitializeNew, item);
}

TElementClassList TElement::AcceptedClasses()
{
    TElementClassList list;
    GetAcceptedClasses(list);
    for (qsizetype i = list.size() - 1; i >= 0; --i) {
        if (!list[i]->CanInsertInto(this))
            list.removeAt(i);
    }
    return list;
}

TElement* TElement::PartOwner()
{
    TElement* element = this;
    while (element != nullptr && (element->FOptions & eoPart) != 0)
        element = element->ParentElement();
    return element;
}

TElementMessages* TElement::GetMessages()
{
    if (!FMessages)
        FMessages = std::make_unique<TElementMessages>();
    return FMessages.get();
}

bool TElement::IsValid() const
{
    constexpr uint32_t invalidKinds =
        (1u << mkError) | (1u << mkFatal) | (1u << mkValueMissing) | (1u << mkInvalidContent);
    return !FMessages || !FMessages->HasKinds(invalidKinds);
}

TElement* TElement::CreatePart(const TElementClass* cls, TElement* owner, TElement* before)
{
    TNodePtr<TElement> part = cls->CreateElement(owner->Scheme());
    part->FOptions |= eoPart;
    part->SetParent(owner, before);
    return part.release(); // the owner's now
}

void TElement::SetStateBits(uint8_t bits, bool on)
{
    if (on)
        FState |= bits;
    else
        FState &= static_cast<uint8_t>(~bits);
}

bool TElement::OfferMessage(int msg, void* param, void* data)
{
    if (TElement* parent = ParentElement())
        return parent->ChildMessage(this, msg, param, data);
    return false;
}

bool TElement::HandleMessage(int msg, void* param, void* data)
{
    // The destroying state is set whatever a parent answers: every later check depends on it.
    if (msg == tmDestroying)
        FState |= esDestroying;
    if (OfferMessage(msg, param, data))
        return true;
    switch (msg) {
    case tmParentElementChanged:
        ParentElementChanged();
        return true;
    case tmDestroying:
        return true;
    case tmInitializeNew:
        InitializeNew(static_cast<TPaletteItem*>(param));
        return true;
    default:
        return inherited::HandleMessage(msg, param, data);
    }
}

void TElement::BeforeDestruction()
{
    if (!IsDestroying())
        Broadcast(tmDestroying);
    inherited::BeforeDestruction();
}

void TElement::ParentChanged()
{
    inherited::ParentChanged();
    if (!IsDestroying())
        Broadcast(tmParentElementChanged);
}

} // namespace qv
