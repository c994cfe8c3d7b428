#include "library/names.h"

#include "core/strings.h"
#include "elements/element_sheet.h"
#include "elements/palette.h"
#include "elements/visual_element.h"
#include "textor/canvas.h"
#include "textor/sheet_theme.h"

namespace qv {

QV_IMPLEMENT_CLASS(TNameElement)
QV_IMPLEMENT_CLASS(TNameField)
QV_IMPLEMENT_CLASS(TReferenceSignElement)

// ---------------------------------------------------------------------------------------------------
// TNameElementNamespaceItem

TNameElementNamespaceItem::TNameElementNamespaceItem(TNamespace* ns, TNameElement* owner)
    : TNamespaceOwnItem(ns, owner)
{}

TNameElement* TNameElementNamespaceItem::Holder() const
{
    return static_cast<TNameElement*>(Owner());
}

int TNameElementNamespaceItem::ImageIndex() const
{
    return Holder()->ImageIndex();
}

QString TNameElementNamespaceItem::Description() const
{
    return Holder()->Description();
}

QString TNameElementNamespaceItem::TypeName() const
{
    return Holder()->TypeName();
}

bool TNameElementNamespaceItem::IsEnabled() const
{
    return Holder()->IsEnabled();
}

QString TNameElementNamespaceItem::Name() const
{
    return Holder()->Name();
}

TNameFlags TNameElementNamespaceItem::Flags() const
{
    return Holder()->Flags();
}

bool TNameElementNamespaceItem::MustBeUnique() const
{
    return Holder()->MustBeUnique();
}

void TNameElementNamespaceItem::CollectDependencies(QList<TReference*>& list)
{
    Holder()->CollectDependencies(list);
}

TNameVisibility TNameElementNamespaceItem::Visibility() const
{
    return Holder()->Visibility();
}

// ---------------------------------------------------------------------------------------------------
// TNameElement

TNameElement::TNameElement(TScheme* scheme) : TElement(scheme) {}

void TNameElement::SetRegistered(bool value)
{
    if (value == FRegistered)
        return;
    FRegistered = value;
    NamespaceChanged();
}

void TNameElement::SetNamespace(TNamespace* ns)
{
    if (ns == FNamespace)
        return;
    FItem.reset();
    FNamespace = ns;
    NamespaceChanged();
}

TNamespace* TNameElement::GetNamespace()
{
    if (auto* ns = dynamic_cast<TNamespace*>(Parent()))
        return ns;
    return FindGeneralElementsNamespace(this);
}

void TNameElement::NamespaceChanged()
{
    const bool wanted = FNamespace != nullptr && FRegistered && !IsDestroying();
    if (wanted && !FItem) {
        // Kept before it registers: the check during the registration asks for it.
        FItem.reset(new TNameElementNamespaceItem(FNamespace, this));
        FItem->Register();
        ItemCreated();
    } else if (!wanted && FItem) {
        ItemDestroying();
        FItem.reset();
    }
}

void TNameElement::UpdateNamespace()
{
    SetNamespace(IsDestroying() ? nullptr : GetNamespace());
}

void TNameElement::ParentElementChanged()
{
    inherited::ParentElementChanged();
    UpdateNamespace();
}

bool TNameElement::HandleMessage(int msg, void* param, void* data)
{
    const bool handled = inherited::HandleMessage(msg, param, data);
    if (msg == tmDestroying)
        SetNamespace(nullptr); // the namespace may go before this element
    return handled;
}

void TNameElement::BeforeDestruction()
{
    inherited::BeforeDestruction();
    SetNamespace(nullptr);
}

namespace {

// The "Autoname" command of name fields, made on first use.
TSchemePaletteItem* AutoNamePaletteItem()
{
    static TSchemePaletteItem* const item =
        new TSchemePaletteItem(Palette().ActionsGroup(), 0, -1, QV_STR(2732), QV_STR(2731), 30);
    return item;
}

} // namespace

// ---------------------------------------------------------------------------------------------------
// TNameFieldNamespaceItem

TNameFieldNamespaceItem::TNameFieldNamespaceItem(TNamespace* ns, TNameField* field)
    : TNamespaceOwnItem(ns, field)
{}

TNameField* TNameFieldNamespaceItem::Field() const
{
    return static_cast<TNameField*>(Owner());
}

TElement* TNameFieldNamespaceItem::Element() const
{
    return Field()->NamedElement();
}

int TNameFieldNamespaceItem::ImageIndex() const
{
    return Field()->ImageIndex();
}

QString TNameFieldNamespaceItem::Description() const
{
    return Field()->Description();
}

QString TNameFieldNamespaceItem::TypeName() const
{
    return Field()->TypeName();
}

bool TNameFieldNamespaceItem::IsEnabled() const
{
    return Field()->IsEnabled();
}

QString TNameFieldNamespaceItem::Name() const
{
    return Field()->Name();
}

TNameFlags TNameFieldNamespaceItem::Flags() const
{
    return Field()->Flags();
}

bool TNameFieldNamespaceItem::MustBeUnique() const
{
    return Field()->MustBeUnique();
}

void TNameFieldNamespaceItem::CollectDependencies(QList<TReference*>& list)
{
    Field()->CollectDependencies(list);
}

TNameVisibility TNameFieldNamespaceItem::Visibility() const
{
    return Field()->Visibility();
}

void TNameFieldNamespaceItem::StateChanged()
{
    TNamespaceOwnItem::StateChanged();
    Field()->Check();
}

void TNameFieldNamespaceItem::AddReference(TReference* reference)
{
    TNamespaceOwnItem::AddReference(reference);
    Field()->UpdateSign();
}

void TNameFieldNamespaceItem::RemoveReference(TReference* reference)
{
    TNamespaceOwnItem::RemoveReference(reference);
    Field()->UpdateSign();
}

// ---------------------------------------------------------------------------------------------------
// TNameField

TNameField::TNameField(TScheme* scheme) : TTextorElement(scheme)
{
    SetContentOptions(tcoLetters | tcoDigits | tcoUnderscore | tcoSpecial);
    SetBehaviourOptions(BehaviourOptions() | tboIdentifierWords | tboFieldFrame);
}

void TNameField::SetNameOptions(TNameFieldOptions value)
{
    if (value == FNameOptions)
        return;
    const TNameFieldOptions changed = value ^ FNameOptions;
    FNameOptions = value;
    if ((changed & nfoMustBeUnique) != 0 && FItem)
        FItem->CheckNames();
    if ((changed & nfoImageWithTextOnly) != 0)
        Invalidate();
    UpdateItem();
}

void TNameField::SetImageIndex(int value)
{
    if (value == FImageIndex)
        return;
    FImageIndex = value;
    Invalidate();
    if (FItem)
        FItem->NotifyImageChanged();
}

void TNameField::SetNamespace(TNamespace* ns)
{
    if (ns == FNamespace)
        return;
    if (FItem) {
        ItemDestroying();
        FItem.reset();
    }
    FNamespace = ns;
    UpdateItem();
}

TNamespace* TNameField::GetNamespace()
{
    return FindGeneralElementsNamespace(NamedElement());
}

TElement* TNameField::NamedElement()
{
    if ((Options() & eoPart) != 0 && ParentElement() != nullptr)
        return ParentElement();
    return this;
}

bool TNameField::IsEnabled() const
{
    return !IsEffectivelyDisabled();
}

QString TNameField::Name() const
{
    return const_cast<TNameField*>(this)->GetText();
}

void TNameField::VisibilityChanged()
{
    if (FItem)
        FItem->NotifyChanged();
}

void TNameField::UpdateItem()
{
    const bool wanted =
        FNamespace != nullptr && (FNameOptions & nfoNamed) != 0 && !IsDestroying() && !Name().isEmpty();
    if (wanted && !FItem) {
        FLastText = Name();
        FItem.reset(new TNameFieldNamespaceItem(FNamespace, this));
        FItem->Register();
        ItemCreated();
        Check();
    } else if (!wanted && FItem) {
        ItemDestroying();
        FItem.reset();
        UpdateSign();
        Check();
    }
}

void TNameField::UpdateNamespace()
{
    SetNamespace(IsDestroying() ? nullptr : GetNamespace());
}

bool TNameField::GetFrameElement(int& element)
{
    element = steName;
    return true;
}

void TNameField::ContentChangedHook()
{
    inherited::ContentChangedHook();
    const QString text = Name();
    if (text == FLastText && FItem)
        return;
    FLastText = text;
    if (FItem && !text.isEmpty())
        FItem->NotifyRenamed();
    else
        UpdateItem();
    if ((FNameOptions & nfoImageWithTextOnly) != 0)
        Invalidate();
}

void TNameField::CheckContent()
{
    inherited::CheckContent();
    AddNameStateMessage(this, FItem.get());
}

void TNameField::IDChanged(int32_t oldID)
{
    inherited::IDChanged(oldID);
    if (FItem)
        FItem->NotifyIdChanged();
}

void TNameField::EffectiveDisabledChanged()
{
    inherited::EffectiveDisabledChanged();
    if (FItem)
        FItem->NotifyEnabledChanged();
}

void TNameField::ParentElementChanged()
{
    inherited::ParentElementChanged();
    UpdateNamespace();
}

bool TNameField::HandleMessage(int msg, void* param, void* data)
{
    const bool handled = inherited::HandleMessage(msg, param, data);
    if (msg == tmDestroying)
        SetNamespace(nullptr); // the namespace may go before this field
    return handled;
}

void TNameField::GetHint(QString& text)
{
    QString own;
    inherited::GetHint(own);
    text = LoadStr(2720);
    if (!own.isEmpty())
        text += u'\n' + own;
    if (MustBeUnique())
        text += u'\n' + LoadStr(2721);
    text += u'\n' + LoadStr(2722);
}

void TNameField::ShownChanged()
{
    inherited::ShownChanged();
    UpdateSign();
}

void TNameField::SheetChanging()
{
    inherited::SheetChanging();
    if (FSign != nullptr) {
        TReferenceSignElement* sign = FSign;
        FSign = nullptr;
        sign->Free();
    }
}

void TNameField::BoundsChanged(const QRect& oldBounds, int oldDescent)
{
    inherited::BoundsChanged(oldBounds, oldDescent);
    PlaceSign();
}

void TNameField::PositionChanged()
{
    inherited::PositionChanged();
    PlaceSign();
}

void TNameField::LoadFromKnot(TSchemeLoader* filer, TKnot* knot)
{
    inherited::LoadFromKnot(filer, knot);
    ContentChangedHook();
}

void TNameField::GetPaletteItems(QList<TPaletteItem*>& list)
{
    inherited::GetPaletteItems(list);
    if ((FNameOptions & nfoOfferAutoName) != 0)
        list.append(AutoNamePaletteItem());
}

void TNameField::GetPaletteItemState(TPaletteItem* item, TPaletteItemState& state)
{
    inherited::GetPaletteItemState(item, state);
    if (item != nullptr && item == AutoNamePaletteItem())
        state.Enabled = state.Enabled && CanAutoName();
}

bool TNameField::ExecutePaletteItem(TPaletteItem* item, bool value)
{
    if (item == nullptr || item != AutoNamePaletteItem())
        return inherited::ExecutePaletteItem(item, value);
    if (!CanAutoName())
        return false;
    ReplaceWithText(tetAll, nullptr, false, GetAutoName());
    return true;
}

void TNameField::BeforeDestruction()
{
    inherited::BeforeDestruction();
    SetNamespace(nullptr);
    if (FSign != nullptr) {
        TReferenceSignElement* sign = FSign;
        FSign = nullptr;
        sign->Free();
    }
}

void TNameField::UpdateSign()
{
    const bool wanted =
        FItem && FItem->ReferenceCount() > 0 && !IsDestroying() && IsShown() && Sheet() != nullptr;
    if (wanted && FSign == nullptr) {
        auto sign = TReferenceSignElement::StaticClass()->CreateElement(Scheme());
        FSign = static_cast<TReferenceSignElement*>(sign.release());
        FSign->SetField(this);
        FSign->SetVisualParent(Sheet()->TopElement());
        PlaceSign();
    } else if (!wanted && FSign != nullptr) {
        TReferenceSignElement* sign = FSign;
        FSign = nullptr;
        sign->Free();
    } else if (FSign != nullptr) {
        FSign->Invalidate();
    }
}

void TNameField::PlaceSign()
{
    if (FSign == nullptr || FSign->VisualParent() == nullptr)
        return;
    // 3 pixels inside the field's left edge, bottom-aligned with it (sheet coordinates).
    const QPoint origin = SheetOrigin() - FSign->VisualParent()->SheetOrigin();
    const int size = 6;
    FSign->SetBounds(origin.x() + 3, origin.y() + Height() - size, 0, size, size);
}

// ---------------------------------------------------------------------------------------------------
// TReferenceSignElement

TReferenceSignElement::TReferenceSignElement(TScheme* scheme) : TVisualElement(scheme)
{
    SetOptions(Options() | eoTransient);
}

void TReferenceSignElement::Paint(TCanvas* canvas)
{
    if (canvas != nullptr)
        canvas->DrawThemeFrame(steReferenceSign, GetClientRect());
}

void TReferenceSignElement::GetHint(QString& text)
{
    inherited::GetHint(text);
    const int count = FField != nullptr && FField->Item() != nullptr ? FField->Item()->ReferenceCount() : 0;
    if (!text.isEmpty())
        text += u'\n';
    text += LoadStr(2723, {QString::number(count)});
}

void RegisterNameElements()
{
    static const bool registered = [] {
        return true;
    }();
    (void)registered;
}

} // namespace qv
