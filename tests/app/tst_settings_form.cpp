#include "app/settings_form.h"

#include "app/settings.h"
#include "core/strings.h"
#include "elements/log_settings.h"

#include "support/printers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace qv {
namespace {

QCheckBox* FindCheckBox(const QWidget& form, int captionId)
{
    for (QCheckBox* box : form.findChildren<QCheckBox*>()) {
        if (box->text() == LoadStr(captionId))
            return box;
    }
    return nullptr;
}

// Unchecking an option and closing the window one way or another.
TEST(SettingsForm, OnlyApplyAndOkStoreTheControls)
{
    struct TRow
    {
        const char* Name;
        int CaptionId;
        std::function<TBooleanProperty*(TSettings&)> Property;
        std::function<QPushButton*(TSettingsForm&)> Button;
        bool Stored;
        int Applies;
        bool Open;
    };
    const TRow rows[] = {
        {"Apply", QV_STR(4205), [](TSettings& s) { return s.Log().WriteHints(); },
         [](TSettingsForm& f) { return f.ApplyButton(); }, false, 1, true},
        {"Cancel", QV_STR(4205), [](TSettings& s) { return s.Log().WriteHints(); },
         [](TSettingsForm& f) { return f.CancelButton(); }, true, 0, false},
        {"OK", QV_STR(4245), [](TSettings& s) { return s.Misc().BackupOnSave(); },
         [](TSettingsForm& f) { return f.OkButton(); }, false, 1, false},
    };
    for (const TRow& row : rows) {
        TSettings settings(QStringLiteral("ENU"));
        int applies = 0;
        TSettingsForm form(nullptr, settings, QString(), [&applies] { ++applies; });
        form.show();
        QCheckBox* box = FindCheckBox(form, row.CaptionId);
        ASSERT_NE(box, nullptr) << row.Name;
        ASSERT_TRUE(box->isChecked()) << row.Name;
        box->setChecked(false);
        row.Button(form)->click();
        EXPECT_EQ(row.Property(settings)->Value(), row.Stored) << row.Name;
        EXPECT_EQ(applies, row.Applies) << row.Name;
        EXPECT_EQ(form.isVisible(), row.Open) << row.Name;
    }
}

TEST(SettingsForm, OpensThePageLastClosedUnlessTheKeyNamesOne)
{
    TSettings settings(QStringLiteral("ENU"));
    {
        TSettingsForm form(nullptr, settings);
        form.show();
        form.SetCurrentPage(4);
        form.CancelButton()->click();
    }
    for (const char* key : {"", "rs", "zz"}) {
        TSettingsForm form(nullptr, settings, QString::fromLatin1(key));
        EXPECT_EQ(form.CurrentPage(), 4) << key;
        EXPECT_EQ(form.PageTree()->currentItem()->text(0), LoadStr(QV_STR(4203))) << key;
    }
    {
        TSettingsForm form(nullptr, settings);
        form.show();
        form.SetCurrentPage(6);
        form.OkButton()->click();
    }
    EXPECT_EQ(TSettingsForm(nullptr, settings).CurrentPage(), 6);
}

// A changed language rebuilds the window under the Apply button that was pressed.
TEST(SettingsForm, ApplyWithAnotherLanguageRebuildsAtTheSamePage)
{
    TSettings settings(QStringLiteral("ENU"));
    TSettingsForm form(nullptr, settings);
    form.show();
    form.SetCurrentPage(0);
    QWidget* oldPage = form.Page(0);
    const int bindings = form.Associator().Count();
    auto* language = oldPage->findChild<QComboBox*>();
    ASSERT_NE(language, nullptr);
    EXPECT_EQ(language->currentData().toString(), QStringLiteral("ENU"));
    language->setCurrentIndex(-1); // nothing selected stores an empty code, which keeps the interface
    form.ApplyButton()->click();

    EXPECT_EQ(settings.General().Language()->Value(), QString());
    EXPECT_EQ(InterfaceLanguage(), lcidEnglish);
    EXPECT_NE(form.Page(0), oldPage);
    EXPECT_EQ(form.CurrentPage(), 0);
    EXPECT_EQ(form.Associator().Count(), bindings);
    EXPECT_TRUE(form.isVisible());
}

} // namespace
} // namespace qv
