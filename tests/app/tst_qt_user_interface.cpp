#include "app/qt_user_interface.h"

#include "support/printers.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace qv {
namespace {

// Presses the button with `text` on the message box that is about to open.
void AnswerNextBox(const QString& text)
{
    QTimer::singleShot(0, [text] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        for (QAbstractButton* button : box->buttons()) {
            if (button->text().remove(u'&') == text) {
                button->click();
                return;
            }
        }
        ADD_FAILURE() << "no button " << text.toStdString();
        box->reject();
    });
}

TEST(QtUserInterface, MessageBoxesAnswerWithTheButtonPressed)
{
    TQtUserInterface ui;
    AnswerNextBox(QStringLiteral("No"));
    EXPECT_EQ(ui.MessageBox(QStringLiteral("Save?"), QString(), miQuestion, mbYes | mbNo | mbCancel, mbYes),
              mbNo);

    AnswerNextBox(QStringLiteral("Do not Save"));
    EXPECT_EQ(ui.AskChoice(QStringLiteral("Save?"), QString(), miQuestion,
                           {QStringLiteral("Save"), QStringLiteral("Do not Save")}, 0),
              1);
    AnswerNextBox(QStringLiteral("Cancel"));
    EXPECT_EQ(ui.AskChoice(QStringLiteral("Save?"), QString(), miQuestion, {QStringLiteral("Save")}, 0), -1);
}

TEST(QtUserInterface, WaitCursorsNestAndEndWithTheInterface)
{
    {
        TQtUserInterface ui;
        ui.BeginWaitCursor();
        ui.BeginWaitCursor();
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        ui.EndWaitCursor();
        EXPECT_NE(QApplication::overrideCursor(), nullptr);
        ui.EndWaitCursor();
        ui.EndWaitCursor(); // one too many is ignored
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        ui.BeginWaitCursor();
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "left on when the interface went";
}

} // namespace
} // namespace qv
