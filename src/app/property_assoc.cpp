#include "app/property_assoc.h"

#include "core/property.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>

namespace qv {

void TPropertyAssoc::Show()
{
    if (FControl != nullptr)
        DoShow();
}

void TPropertyAssoc::Store()
{
    if (FControl != nullptr)
        DoStore();
}

// --- Kinds --------------------------------------------------------------------------------------

TPropertyAssocBoolInCheckBox::TPropertyAssocBoolInCheckBox(TBooleanProperty* property, QCheckBox* control)
    : TPropertyAssoc(control), FProperty(property)
{}

void TPropertyAssocBoolInCheckBox::DoShow()
{
    static_cast<QCheckBox*>(Control())->setChecked(FProperty->Value());
}

void TPropertyAssocBoolInCheckBox::DoStore()
{
    FProperty->SetValue(static_cast<QCheckBox*>(Control())->isChecked());
}

TPropertyAssocEnumInComboBox::TPropertyAssocEnumInComboBox(TEnumProperty* property, QComboBox* control)
    : TPropertyAssoc(control), FProperty(property)
{}

void TPropertyAssocEnumInComboBox::DoShow()
{
    static_cast<QComboBox*>(Control())->setCurrentIndex(FProperty->Value());
}

void TPropertyAssocEnumInComboBox::DoStore()
{
    const int index = static_cast<QComboBox*>(Control())->currentIndex();
    // Nothing selected leaves the value alone rather than clamping it to the first name.
    if (index >= 0)
        FProperty->SetValue(index);
}

TPropertyAssocIntInIntegerEdit::TPropertyAssocIntInIntegerEdit(TIntegerProperty* property, QSpinBox* control)
    : TPropertyAssoc(control), FProperty(property)
{}

void TPropertyAssocIntInIntegerEdit::DoShow()
{
    static_cast<QSpinBox*>(Control())->setValue(FProperty->Value());
}

void TPropertyAssocIntInIntegerEdit::DoStore()
{
    auto* spin = static_cast<QSpinBox*>(Control());
    // A half-typed number counts as what the spin box would make of it on leaving.
    spin->interpretText();
    FProperty->SetValue(spin->value());
}

TPropertyAssocStrInCustomEdit::TPropertyAssocStrInCustomEdit(TStringProperty* property, QLineEdit* control)
    : TPropertyAssoc(control), FProperty(property)
{}

void TPropertyAssocStrInCustomEdit::DoShow()
{
    static_cast<QLineEdit*>(Control())->setText(FProperty->Value());
}

void TPropertyAssocStrInCustomEdit::DoStore()
{
    FProperty->SetValue(static_cast<QLineEdit*>(Control())->text());
}

TPropertyAssocStrInComboBox::TPropertyAssocStrInComboBox(TStringProperty* property, QComboBox* control)
    : TPropertyAssoc(control), FProperty(property)
{}

void TPropertyAssocStrInComboBox::DoShow()
{
    auto* combo = static_cast<QComboBox*>(Control());
    if (combo->isEditable())
        combo->setEditText(FProperty->Value());
    else
        combo->setCurrentIndex(combo->findText(FProperty->Value()));
}

void TPropertyAssocStrInComboBox::DoStore()
{
    FProperty->SetValue(static_cast<QComboBox*>(Control())->currentText());
}

TPropertyAssocStringListInMemo::TPropertyAssocStringListInMemo(TStringListProperty* property,
                                                               QPlainTextEdit* control)
    : TPropertyAssoc(control), FProperty(property)
{}

void TPropertyAssocStringListInMemo::DoShow()
{
    static_cast<QPlainTextEdit*>(Control())->setPlainText(FProperty->Value().join(QLatin1Char('\n')));
}

void TPropertyAssocStringListInMemo::DoStore()
{
    const QString text = static_cast<QPlainTextEdit*>(Control())->toPlainText();
    QStringList lines = text.split(QLatin1Char('\n'));
    if (text.isEmpty() || text.endsWith(QLatin1Char('\n')))
        lines.removeLast();
    FProperty->SetValue(lines);
}

TPropertyAssocEvents::TPropertyAssocEvents(QWidget* control, std::function<void()> onShow,
                                           std::function<void()> onStore)
    : TPropertyAssoc(control), FOnShow(std::move(onShow)), FOnStore(std::move(onStore))
{}

void TPropertyAssocEvents::DoShow()
{
    if (FOnShow)
        FOnShow();
}

void TPropertyAssocEvents::DoStore()
{
    if (FOnStore)
        FOnStore();
}

// --- TPropertyAssociator ------------------------------------------------------------------------

void TPropertyAssociator::StoreAll()
{
    for (const auto& item : FItems)
        item->Store();
}

void TPropertyAssociator::ShowAll()
{
    for (const auto& item : FItems)
        item->Show();
}

} // namespace qv
