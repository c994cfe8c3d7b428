#include "library/expand_button.h"

#include "core/knot.h"
#include "core/strings.h"
#include "elements/element_sheet.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "elements/sounds_settings.h"
#include "textor/canvas.h"

namespace qv {

QV_IMPLEMENT_CLASS(TExpandButton)
QV_IMPLEMENT_CLASS(TExpandButtonOperation)

// TExpandButton

TExpandButton::TExpandButton(TScheme* scheme) : TCustomButtonElement(scheme)
{
    SetOptions(Options() | eoInline | eoTracked);
    SetVisualOptions(VisualOptions() | voFocusTarget);
}

TExpandButton* TExpandButton::Create(TElement* owner, bool defaultExpanded, TElement* before,
                                     TVisualElement* visualParent, TVisualElement* visualBefore)
{
    auto* button = static_cast<TExpandButton*>(TElement::CreatePart(StaticClass(), owner, before));
    if (defaultExpanded) {
        button->FButtonFlags |= ebfDefaultExpanded;
        button->FExpanded = true;
    }
    if (visualParent != nullptr)
        button->SetVisualParent(visualParent, visualBefore);
    return button;
}

void TExpandButton::SetButtonFlags(uint8_t value)
{
    if (value == FButtonFlags)
        return;
    FButtonFlags = value;
    UpdateSize();
    Invalidate();
}

bool TExpandButton::Controls(const TElement* element) const
{
    return element != nullptr && FControlled.contains(const_cast<TElement*>(element));
}

void TExpandButton::AddControlled(TElement* element)
{
    if (element == nullptr || Controls(element))
        return;
    FControlled.append(element);
    Update();
}

void TExpandButton::SetExpanded(bool value)
{
    if (value == FExpanded)
        return;
    FExpanded = value;
    SendMessage(tmExpandChanged, this);
    Invalidate();
}

void TExpandButton::SetExpandedUndoable(bool value)
{
    TSchemeOperation::Post(TNodePtr<TSchemeOperation>(new TExpandButtonOperation(this, value)));
}

void TExpandButton::Press()
{
    PlaySchemeSound(FExpanded ? QStringLiteral("diExpandButtonCollapseSound")
                              : QStringLiteral("diExpandButtonExpandSound"));
    SetExpandedUndoable(!FExpanded);
}

bool TExpandButton::IsDefault() const
{
    for (const TElement* element : FControlled) {
        if (!element->IsDestroying() && (element->Options() & eoTracked) != 0 &&
            (element->State() & esNotDefault) != 0)
            return false;
    }
    bool proposal = true;
    // The query runs through the parents' ChildMessage; it changes nothing.
    const_cast<TExpandButton*>(this)->SendMessage(tmExpandDefaultQuery, nullptr, &proposal);
    return proposal;
}

void TExpandButton::DefaultChanged()
{
    inherited::DefaultChanged();
    Invalidate();
}

void TExpandButton::GetHint(QString& text)
{
    text = LoadStr(2605);
}

int TExpandButton::GetCursor(const QPoint&)
{
    return expandButtonCursor;
}

void TExpandButton::GetCaret(int& kind, QRect& rect)
{
    kind = 1;
    rect = GetClientRect();
}

QMargins TExpandButton::GetMargins()
{
    if (Sheet() == nullptr)
        return inherited::GetMargins();
    return Sheet()->Canvas()->Theme().Element(steCollapsed).Margins;
}

void TExpandButton::Paint(TCanvas* canvas)
{
    TSheetThemeElement image;
    if ((FButtonFlags & ebfLogicFrameLook) != 0)
        image = FExpanded ? steLogicFrameExpanded : steLogicFrameCollapsed;
    else
        image = FExpanded ? steExpanded : steCollapsed;
    // The "Data" look follows each plain one in the theme's list.
    if ((State() & esNotDefault) != 0)
        image = TSheetThemeElement(image + 1);
    canvas->DrawThemeImage(image, QPoint(0, 0));
}

void TExpandButton::FocusChanged()
{
    inherited::FocusChanged();
    Invalidate();
}

void TExpandButton::ShownChanged()
{
    inherited::ShownChanged();
    if (IsShown())
        UpdateSize();
}

void TExpandButton::Relayout(bool all, bool force)
{
    inherited::Relayout(all, force);
    if (all)
        UpdateSize();
}

void TExpandButton::UpdateSize()
{
    if (Sheet() == nullptr)
        return;
    const QSize size = Sheet()->Canvas()->Theme().ImageSize(
        (FButtonFlags & ebfLogicFrameLook) != 0 ? steLogicFrameCollapsed : steCollapsed);
    SetBounds(Left(), Top(), Descent(), size.height(), size.width());
}

QString TExpandButton::StateName(TSchemeFiler* filer)
{
    return StoresInParentKnot(filer) ? GetKnotName(filer) : QStringLiteral("Value");
}

void TExpandButton::LoadFromKnot(TSchemeLoader* filer, TKnot* knot)
{
    inherited::LoadFromKnot(filer, knot);
    if ((filer->Flags() & ffNoPosition) == 0)
        SetExpanded(knot->ReadBool(StateName(filer), DefaultExpanded()));
}

void TExpandButton::SaveToKnot(TSchemeSaver* filer, TKnot* knot)
{
    inherited::SaveToKnot(filer, knot);
    if ((filer->Flags() & ffNoPosition) == 0 && FExpanded != DefaultExpanded())
        knot->WriteString(StateName(filer), FExpanded ? QStringLiteral("1") : QStringLiteral("0"));
}

// TExpandButtonOperation

TExpandButtonOperation::TExpandButtonOperation(TExpandButton* button, bool value)
    : TElementOperation(button), FNewValue(value)
{}

TOperationFlags TExpandButtonOperation::Flags() const
{
    // Collapsing is undoable but does not change the document.
    return inherited::Flags() & ~ofModifies;
}

void TExpandButtonOperation::Apply(TElement* element, bool value)
{
    auto* button = dynamic_cast<TExpandButton*>(element);
    if (button == nullptr)
        return;
    button->SetExpanded(value);
    if (button->IsFocused()) {
        if (IElementSheet* sheet = button->Sheet())
            sheet->RequestFocusedStateChanged();
    }
}

void TExpandButtonOperation::DoOnElement(TElement* element)
{
    if (auto* button = dynamic_cast<TExpandButton*>(element))
        FOldValue = button->Expanded();
    Apply(element, FNewValue);
}

void TExpandButtonOperation::UndoOnElement(TElement* element)
{
    Apply(element, FOldValue);
}

} // namespace qv
