#include "app/drop_down_form.h"

#include "app/sheet_form.h"
#include "core/undo_redo.h"
#include "elements/drop_down_list.h"
#include "elements/scheme.h"
#include "elements/sheet.h"
#include "fields/textor_element.h"
#include "textor/sheet_settings.h"

#include "support/printers.h"
#include "support/test_elements.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include <gtest/gtest.h>

namespace qv {

// A text field offering three colours.
class TColourField : public TTextorElement
{
    QV_CLASS(TColourField, TTextorElement)

    explicit TColourField(TScheme* scheme) : TTextorElement(scheme)
    {
        SetContentOptions(tcoAnything);
        SetVisualOptions(VisualOptions() | voHasDropDown);
    }

    TDropDownItem* FillDropDown(TDropDownItem* root) override
    {
        for (const char* value : {"red", "green", "blue"})
            TDropDownItem::AddItem(root, nullptr, -1, QString(), 0, QString::fromLatin1(value));
        return inherited::FillDropDown(root);
    }
};
QV_IMPLEMENT_CLASS(TColourField)

namespace {

TEST(DropDownForm, PlacesTheListUnderOrOverItsField)
{
    struct TRow
    {
        const char* Name;
        QRect Anchor;
        QRect Desktop;
        int Entries;
        int ListWidth;
        QRect Expected;
    };
    // Rows of 20 pixels, a scroll bar of 16, a frame of 1 on each side.
    const QRect desktop(0, 0, 1000, 800);
    const QRect field(100, 100, 200, 20);
    const TRow rows[] = {
        {"one entry", field, desktop, 1, 120, QRect(100, 120, 138, 22)},
        {"no entries, no width: one row 32 wide", field, desktop, 0, 0, QRect(100, 120, 50, 22)},
        {"40 entries show 17 rows", field, desktop, 40, 120, QRect(100, 120, 138, 342)},
        {"three quarters of the desktop at most, moved left to stay on it", QRect(600, 100, 200, 20), desktop,
         1, 900, QRect(250, 120, 750, 22)},
        {"moved left on a second screen", QRect(1900, 100, 50, 20), QRect(1000, 0, 1000, 800), 1, 120,
         QRect(1862, 120, 138, 22)},
        {"near the bottom it opens above", QRect(100, 700, 200, 20), desktop, 40, 120,
         QRect(100, 358, 138, 342)},
        {"fits below though there is more room above", QRect(100, 600, 200, 20), desktop, 3, 120,
         QRect(100, 620, 138, 62)},
        {"rows are dropped until it fits above", QRect(100, 200, 200, 20), QRect(0, 0, 1000, 400), 40, 120,
         QRect(100, 18, 138, 182)},
    };
    for (const TRow& row : rows)
        EXPECT_EQ(TDropDownForm::PlaceList(row.Anchor, row.Desktop, row.Entries, 20, row.ListWidth, 16),
                  row.Expected)
            << row.Name;
}

// A colour field on a sheet shown in its window; Enter opens its list in the pop-up.
class DropDownFormField : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Scheme.SetUndoRedo(&Undo);
        Root->SetVisualParent(Sheet.TopElement());
        Root->SetBounds(0, 0, 3, 400, 600);
        Field = new TColourField(&Scheme);
        Field->SetParent(Root);
        Field->SetVisualParent(Root);
        Field->SetText(QStringLiteral("red"));
        Undo.Clear();
        Form.resize(400, 300);
        Form.SetScheme(&Scheme, &Sheet);
        Form.show();
        Form.setFocus();
        Field->SetFocus();
    }
    void TearDown() override
    {
        Form.SetScheme(nullptr, nullptr);
        Root->SetVisualParent(nullptr);
        Undo.Clear();
    }
    static void Press(QWidget* widget, int key)
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(widget, &press);
    }
    static void Click(QWidget* widget, const QPoint& point, QEvent::Type type = QEvent::MouseButtonPress)
    {
        const QPointF global = widget->mapToGlobal(QPointF(point));
        const Qt::MouseButtons buttons = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
        QMouseEvent event(type, point, global, Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    }
    // The pop-ups of the window, the ones let go included until they are deleted.
    QList<TDropDownForm*> Popups() const
    {
        QList<TDropDownForm*> popups;
        for (QObject* child : Form.children()) {
            if (auto* popup = dynamic_cast<TDropDownForm*>(child))
                popups.append(popup);
        }
        return popups;
    }
    TDropDownForm* Open()
    {
        Press(&Form, Qt::Key_Return);
        const QList<TDropDownForm*> popups = Popups();
        if (popups.size() != 1 || Sheet.DropDown() == nullptr || popups[0]->List() != Sheet.DropDown() ||
            !popups[0]->isVisible())
            return nullptr;
        return popups[0];
    }
    // Once the pop-up has let go of the list it is hidden, and deleted when the events are run.
    void ExpectClosed()
    {
        EXPECT_EQ(Sheet.DropDown(), nullptr);
        for (TDropDownForm* popup : Popups()) {
            EXPECT_EQ(popup->List(), nullptr);
            EXPECT_FALSE(popup->isVisible());
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(Popups().isEmpty());
    }

    TUndoRedo Undo;
    TSheetSettings Settings;
    TScheme Scheme{test::TTestRoot::StaticClass()};
    TSheet Sheet{&Settings};
    test::TTestRoot* Root = static_cast<test::TTestRoot*>(Scheme.Root());
    TColourField* Field = nullptr;
    TSheetForm Form;
};

TEST_F(DropDownFormField, KeysChooseAnEntryThatOneUndoTakesBack)
{
    TDropDownForm* popup = Open();
    ASSERT_NE(popup, nullptr);
    const TDropDownList* list = Sheet.DropDown();
    EXPECT_EQ(list->Current()->Value(), QStringLiteral("red"));
    EXPECT_EQ(popup->height(), 3 * list->ItemHeight() + 2);
    const QRect owner = list->OwnerRect().translated(-Form.Origin());
    EXPECT_EQ(popup->geometry().topLeft(), Form.viewport()->mapToGlobal(owner.bottomLeft() + QPoint(0, 1)))
        << "under the field";

    Press(popup, Qt::Key_End);
    Press(popup, Qt::Key_Up);
    Press(popup, Qt::Key_Return);
    EXPECT_EQ(Field->GetText(), QStringLiteral("green"));
    ExpectClosed();
    Form.UndoAction()->trigger();
    EXPECT_EQ(Field->GetText(), QStringLiteral("red"));
}

TEST_F(DropDownFormField, AClickChoosesTheEntryUnderItAndOnlyAPressOnThePopupMakesAClick)
{
    TDropDownForm* popup = Open();
    ASSERT_NE(popup, nullptr);
    const QPoint third(10, Sheet.DropDown()->ItemHeight() * 5 / 2);
    Click(popup->viewport(), third, QEvent::MouseButtonRelease);
    EXPECT_NE(Sheet.DropDown(), nullptr) << "the release ending the opening click is not a click";
    Click(popup->viewport(), third);
    Click(popup->viewport(), third, QEvent::MouseButtonRelease);
    EXPECT_EQ(Field->GetText(), QStringLiteral("blue"));
    ExpectClosed();
}

TEST_F(DropDownFormField, EscapeAClickOutsideAndLeavingTheSheetCloseWithoutChoosing)
{
    struct TRow
    {
        const char* Name;
        void (*Close)(TSheetForm& form, TDropDownForm* popup);
    };
    const TRow rows[] = {
        {"Escape",
         [](TSheetForm&, TDropDownForm* popup) {
             Press(popup, Qt::Key_Escape);
         }},
        {"a click outside",
         [](TSheetForm&, TDropDownForm* popup) {
             Click(popup, QPoint(-20, popup->height() + 20));
         }},
        {"the window shows another sheet",
         [](TSheetForm& form, TDropDownForm*) {
             form.SetScheme(nullptr, nullptr);
         }},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        TDropDownForm* popup = Open();
        ASSERT_NE(popup, nullptr);
        Press(popup, Qt::Key_Down);
        row.Close(Form, popup);
        EXPECT_EQ(Field->GetText(), QStringLiteral("red"));
        ExpectClosed();
    }
    EXPECT_FALSE(Undo.CanUndo());
}

} // namespace
} // namespace qv
