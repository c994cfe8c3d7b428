#include "app/property_assoc.h"

#include "core/property.h"

#include "support/printers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>

#include <gtest/gtest.h>

namespace qv {
namespace {

QString S(const char* text)
{
    return QString::fromUtf8(text);
}

// Each kind of binding shows its property's value when it is made, leaves the property alone while
// the control changes, and writes the control's value back on Store.
TEST(PropertyAssoc, EveryKindShowsWhenMadeAndStoresOnlyOnStore)
{
    TProperty group(nullptr, S("Group"));
    auto* flag = new TBooleanProperty(&group, S("Flag"), true);
    auto* mode = new TEnumProperty(&group, S("Mode"), {QString(), S("Large"), S("Great")});
    mode->SetValue(1);
    auto* count = new TIntegerProperty(&group, S("Count"), 5, 1, 20);
    auto* text = new TStringProperty(&group, S("Text"), S("abc"));
    auto* theme = new TStringProperty(&group, S("Theme"), S("Dark"));
    auto* choice = new TStringProperty(&group, S("Choice"), S("two"));
    auto* lines = new TStringListProperty(&group, S("Lines"));
    lines->SetValue({S("a"), S("b")});
    auto* custom = new TStringProperty(&group, S("Custom"), S("x"));

    QWidget window;
    auto* check = new QCheckBox(&window);
    auto* modeBox = new QComboBox(&window);
    modeBox->addItems({S("Normal"), S("Large"), S("Great")});
    auto* spin = new QSpinBox(&window);
    spin->setRange(1, 10);
    auto* edit = new QLineEdit(&window);
    auto* themeBox = new QComboBox(&window);
    themeBox->setEditable(true);
    themeBox->addItems({S("Default")});
    auto* choiceBox = new QComboBox(&window);
    choiceBox->addItems({S("one"), S("two")});
    auto* memo = new QPlainTextEdit(&window);
    auto* customEdit = new QLineEdit(&window);

    TPropertyAssociator associator;
    associator.Add<TPropertyAssocBoolInCheckBox>(flag, check);
    associator.Add<TPropertyAssocEnumInComboBox>(mode, modeBox);
    associator.Add<TPropertyAssocIntInIntegerEdit>(count, spin);
    associator.Add<TPropertyAssocStrInCustomEdit>(text, edit);
    associator.Add<TPropertyAssocStrInComboBox>(theme, themeBox);
    associator.Add<TPropertyAssocStrInComboBox>(choice, choiceBox);
    associator.Add<TPropertyAssocStringListInMemo>(lines, memo);
    associator.Add<TPropertyAssocEvents>(
        customEdit, [&] { customEdit->setText(custom->Value().toUpper()); },
        [&] { custom->SetValue(customEdit->text().toLower()); });

    struct TRow
    {
        const char* Name;
        std::function<QString()> Control;
        const char* Shown;
        std::function<void()> Edit;
        std::function<QString()> Property;
        const char* Stored;
    };
    const TRow rows[] = {
        {"bool", [&] { return S(check->isChecked() ? "1" : "0"); }, "1", [&] { check->setChecked(false); },
         [&] { return S(flag->Value() ? "1" : "0"); }, "0"},
        {"enum by index", [&] { return modeBox->currentText(); }, "Large",
         [&] { modeBox->setCurrentIndex(2); }, [&] { return mode->ValueName(); }, "Great"},
        {"integer", [&] { return spin->text(); }, "5", [&] { spin->setValue(8); },
         [&] { return QString::number(count->Value()); }, "8"},
        {"text in edit", [&] { return edit->text(); }, "abc", [&] { edit->setText(S("xyz")); },
         [&] { return text->Value(); }, "xyz"},
        {"text in editable list", [&] { return themeBox->currentText(); }, "Dark",
         [&] { themeBox->setEditText(S("Blue")); }, [&] { return theme->Value(); }, "Blue"},
        {"text in fixed list", [&] { return choiceBox->currentText(); }, "two",
         [&] { choiceBox->setCurrentIndex(0); }, [&] { return choice->Value(); }, "one"},
        {"list in memo", [&] { return memo->toPlainText(); }, "a\nb",
         [&] { memo->setPlainText(S("c\n\nd\n")); }, [&] { return lines->Value().join(u'|'); }, "c||d"},
        {"callbacks", [&] { return customEdit->text(); }, "X", [&] { customEdit->setText(S("YZ")); },
         [&] { return custom->Value(); }, "yz"},
    };
    ASSERT_EQ(associator.Count(), int(std::size(rows)));

    std::vector<QString> before;
    for (const TRow& row : rows) {
        EXPECT_EQ(row.Control(), S(row.Shown)) << row.Name;
        before.push_back(row.Property());
        row.Edit();
    }
    for (size_t i = 0; i < std::size(rows); ++i)
        EXPECT_EQ(rows[i].Property(), before[i]) << rows[i].Name << ": changed before Store";
    associator.StoreAll();
    for (const TRow& row : rows)
        EXPECT_EQ(row.Property(), S(row.Stored)) << row.Name;
}

} // namespace
} // namespace qv
