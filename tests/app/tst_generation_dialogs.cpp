// The window's questions of a generation run.

#include "app/generation_dialogs.h"

#include "core/strings.h"

#include "support/printers.h"

#include <QAbstractButton>
#include <QApplication>
#include <QListWidget>
#include <QTimer>

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(GenerationDialogs, TheAnswerHoldsOnlyTheCheckedEntries)
{
    struct TRow
    {
        int Button; // the string number of the button pressed
        QStringList Answer;
    };
    const QStringList candidates = {QStringLiteral("/w/out/d/"), QStringLiteral("/w/out/a.txt"),
                                    QStringLiteral("/w/out/d/b.pas")};
    const TRow rows[] = {
        {4333, {candidates[0], candidates[2]}},
        {4334, {}},
    };
    TQtGenerationUi ui;
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Button);
        QTimer::singleShot(0, [&row] {
            auto* dialog = dynamic_cast<TDeletionDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            auto* list = dialog->findChild<QListWidget*>();
            ASSERT_EQ(list->count(), 3);
            list->item(1)->setCheckState(Qt::Unchecked);
            for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>()) {
                if (button->text() == LoadStr(row.Button)) {
                    button->click();
                    return;
                }
            }
            ADD_FAILURE() << "no button " << row.Button;
            dialog->reject();
        });
        EXPECT_EQ(ui.ChooseDeletions(candidates), row.Answer);
    }
}

} // namespace
} // namespace qv
