#include "library/check_box_field.h"

#include "core/knot.h"
#include "core/user_interface.h"
#include "elements/element_sheet.h"
#include "elements/scheme_filer.h"
#include "elements/sounds_settings.h"
#include "fields/textor_element.h"
#include "textor/canvas.h"
#include "textor/rich_text_attributes.h"
#include "textor/sheet_settings.h"

#include <QImage>

namespace qv {

QV_IMPLEMENT_CLASS(TCheckBoxField)
QV_IMPLEMENT_CLASS(TCheckBoxOperation)

// TCheckBoxField

TCheckBoxField::TCheckBoxField(TScheme* scheme) : TCustomButtonElement(scheme)
{
    SetOptions(Options() | eoInline | eoTracked);
    SetVisualOptions(VisualOptions() | voFocusTarget);
}

QString TCheckBoxField::ShownCaption() const
{
    if (!FChecked && (FCaptionFlags & cbfCaptionWhenChecked) != 0)
        return QString();
    return FCaption;
}

void TCheckBoxField::SetChecked(bool value)
{
    if (value == FChecked)
        return;
    FChecked = value;
    Changed();
    if ((FCaptionFlags & cbfCaptionWhenChecked) != 0)
        Remeasure();
    else
        Invalidate();
}

void TCheckBoxField::SetDefaultChecked(bool value)
{
    SetCaptionFlags(value ? FCaptionFlags | cbfDefaultChecked : FCaptionFlags & ~cbfDefaultChecked);
    SetChecked(value);
}

void TCheckBoxField::SetCaption(const QString& text)
{
    if (text == FCaption)
        return;
    FCaption = text;
    Remeasure();
}

void TCheckBoxField::SetCaptionFlags(uint8_t flags)
{
    if (flags == FCaptionFlags)
        return;
    FCaptionFlags = flags;
    // The default state is part of the flags.
    Update();
    Remeasure();
}

void TCheckBoxField::SetCheckedUndoable(bool value)
{
    TSchemeOperation::Post(TNodePtr<TSchemeOperation>(new TCheckBoxOperation(this, value)));
}

void TCheckBoxField::Press()
{
    if (IsReadOnly()) {
        UserInterface().Beep();
        return;
    }
    PlaySchemeSound(QStringLiteral("diClassesValueSound"));
    SetCheckedUndoable(!FChecked);
}

bool TCheckBoxField::IsDefault() const
{
    return FChecked == DefaultChecked();
}

QMargins TCheckBoxField::GetMargins()
{
    if (Sheet() == nullptr)
        return inherited::GetMargins();
    return Sheet()->Canvas()->Theme().Element(steCheckBox).Margins;
}

void TCheckBoxField::GetCaret(int& kind, QRect& rect)
{
    kind = 1;
    rect = GetClientRect();
}

void TCheckBoxField::Paint(TCanvas* canvas)
{
    if (canvas == nullptr)
        return;
    const TSheetThemeElement image = FChecked ? steCheckBoxChecked : steCheckBoxUnchecked;
    TSheetTheme& theme = canvas->Theme();
    const QRect rect = GetClientRect();
    canvas->DrawThemeFrame(steCheckBox, rect);
    // The caption is laid out around an empty icon of the image's size; the theme image then goes
    // where that icon stands, with the theme's tint.
    const QSize iconSize = theme.ImageSize(image);
    QImage placeholder(iconSize, QImage::Format_ARGB32_Premultiplied);
    placeholder.fill(Qt::transparent);
    canvas->DrawCaption(steCheckBox, rect, &placeholder, ShownCaption());
    if (iconSize.isEmpty())
        return;
    const int spacing = theme.Image(stiChar).Spacing;
    const int x = qMax(rect.left(), rect.left() + theme.Element(steCheckBox).Padding.left() - spacing);
    const int y = rect.top() + (rect.height() - iconSize.height()) / 2;
    canvas->DrawThemeImage(image, QPoint(x, y));
}

void TCheckBoxField::FocusChanged()
{
    inherited::FocusChanged();
    Invalidate();
}

void TCheckBoxField::ShownChanged()
{
    inherited::ShownChanged();
    if (IsShown())
        UpdateSize();
}

void TCheckBoxField::Relayout(bool all, bool force)
{
    inherited::Relayout(all, force);
    if (all)
        UpdateSize();
}

void TCheckBoxField::UpdateSize()
{
    if (Sheet() == nullptr)
        return;
    TCanvas* canvas = Sheet()->Canvas();
    const QSize iconSize = canvas->Theme().ImageSize(FChecked ? steCheckBoxChecked : steCheckBoxUnchecked);
    const QSize size = canvas->CaptionSize(steCheckBox, iconSize, ShownCaption());
    TTextAttributes* attributes = nullptr;
    TSheetSettings* settings = Sheet()->Settings();
    if (settings == nullptr)
        settings = TextorSheetSettings();
    if (settings != nullptr)
        attributes = settings->FontAttributes(stfValue);
    if (attributes == nullptr)
        attributes = TRichTextAttributes::Default();
    SetBounds(Left(), Top(), attributes->Descent(), size.height(), size.width());
}

void TCheckBoxField::Remeasure()
{
    UpdateSize();
    Invalidate();
    if (IsFocused()) {
        if (IElementSheet* sheet = Sheet())
            sheet->UpdateCaret();
    }
}

QString TCheckBoxField::StateName(TSchemeFiler* filer)
{
    return StoresInParentKnot(filer) ? GetKnotName(filer) : QStringLiteral("Value");
}

void TCheckBoxField::LoadFromKnot(TSchemeLoader* filer, TKnot* knot)
{
    inherited::LoadFromKnot(filer, knot);
    const QString name = StateName(filer);
    const TKnotParam* param = knot->FindParam(name);
    // An attribute written without a value means checked, whatever the default.
    if (param != nullptr && knot->ReadString(name).isEmpty())
        SetChecked(true);
    else
        SetChecked(knot->ReadBool(name, DefaultChecked()));
}

void TCheckBoxField::SaveToKnot(TSchemeSaver* filer, TKnot* knot)
{
    inherited::SaveToKnot(filer, knot);
    if (FChecked != DefaultChecked())
        knot->WriteString(StateName(filer), FChecked ? QStringLiteral("1") : QStringLiteral("0"));
}

// TCheckBoxOperation

TCheckBoxOperation::TCheckBoxOperation(TCheckBoxField* box, bool value)
    : TElementOperation(box), FNewValue(value)
{}

void TCheckBoxOperation::Apply(TElement* element, bool value)
{
    auto* box = dynamic_cast<TCheckBoxField*>(element);
    if (box == nullptr)
        return;
    box->SetChecked(value);
    if (box->IsFocused()) {
        if (IElementSheet* sheet = box->Sheet())
            sheet->RequestFocusedStateChanged();
    }
}

void TCheckBoxOperation::DoOnElement(TElement* element)
{
    if (auto* box = dynamic_cast<TCheckBoxField*>(element))
        FOldValue = box->Checked();
    Apply(element, FNewValue);
}

void TCheckBoxOperation::UndoOnElement(TElement* element)
{
    Apply(element, FOldValue);
}

} // namespace qv
