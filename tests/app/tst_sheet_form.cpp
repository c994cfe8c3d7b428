#include "app/sheet_form.h"

#include "core/undo_redo.h"
#include "elements/scheme.h"
#include "elements/sheet.h"
#include "library/expand_button.h"
#include "roots/root.h"
#include "textor/sheet_settings.h"
#include "textor/textor.h"
#include "textor/textor_interactive.h"
#include "textor/textor_paragraph.h"
#include "textor/textor_row.h"

#include "support/printers.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(SheetForm, ScrollsAsLittleAsPossibleToShowTheCaret)
{
    struct TRow
    {
        const char* Name;
        QRect Caret;
        int Margin;
        QPoint Expected;
    };
    // The view shows (100, 200) to (299, 349).
    const QRect visible(100, 200, 200, 150);
    const TRow rows[] = {
        {"already visible", QRect(150, 250, 1, 15), 0, QPoint(100, 200)},
        {"below: bottom edge meets", QRect(150, 400, 1, 15), 0, QPoint(100, 400 + 15 - 150)},
        {"above: top edge meets", QRect(150, 120, 1, 15), 0, QPoint(100, 120)},
        {"taller than the view, below", QRect(150, 300, 1, 400), 0, QPoint(100, 300)},
        {"taller than the view, above", QRect(150, 10, 1, 170), 0, QPoint(100, 10 + 170 - 150)},
        {"right with margin", QRect(320, 250, 1, 15), 30, QPoint(320 + 30 - 200 + 1, 200)},
        {"left with margin", QRect(110, 250, 1, 15), 30, QPoint(80, 200)},
        {"never before the sheet's start", QRect(5, 250, 1, 15), 30, QPoint(0, 200)},
    };
    for (const TRow& row : rows)
        EXPECT_EQ(TSheetForm::ScrollToShow(visible, row.Caret, row.Margin), row.Expected) << row.Name;
}

// A long document put on the sheet before the window knows its size: once shown it wraps to the view,
// in the theme's fixed font; the scroll range is the content's, and it wraps again when the window is
// resized.
// The program's own cursors are drawn pictures, each with its hot spot inside it.
TEST(SheetForm, DrawnCursorsHaveTheirHotSpotInside)
{
    for (int cursor : {int(crTextorFieldBeam), int(crTextorFieldElementsBeam), int(crTextorFieldDropDownBeam),
                       int(crTextorContainerBeam), int(crTextorContainerTextBeam), int(crTextorLeftZone),
                       int(crTextorDragMove), int(crTextorDragCopy), TExpandButton::expandButtonCursor}) {
        SCOPED_TRACE(cursor);
        const QCursor shape = TSheetForm::CursorFor(cursor);
        ASSERT_EQ(shape.shape(), Qt::BitmapCursor);
        const QSize size = shape.pixmap().deviceIndependentSize().toSize();
        EXPECT_FALSE(size.isEmpty());
        EXPECT_TRUE(QRect(QPoint(), size).contains(shape.hotSpot()))
            << shape.hotSpot().x() << "," << shape.hotSpot().y();
    }
}

TEST(SheetForm, WrapsTheDocumentToTheViewAndAgainOnResize)
{
    TSheetSettings settings;
    TScheme scheme{TPlainTextRoot::StaticClass()};
    TSheet sheet{&settings};
    auto* root = static_cast<TPlainTextRoot*>(scheme.Root());
    root->SetVisualParent(sheet.TopElement());
    const QMargins padding = sheet.TopElement()->GetPadding();
    root->SetBounds(padding.left(), padding.top(), root->Descent(), root->Height(), root->Width());
    QStringList paragraphs;
    for (int i = 0; i < 30; ++i)
        paragraphs.append(
            QStringLiteral("several words of a paragraph that is far too long for one row ").repeated(4));
    root->SetText(paragraphs.join(QStringLiteral("\r\n")));
    TSheetForm form;
    form.resize(300, 200);
    form.SetScheme(&scheme, &sheet);
    form.show();
    EXPECT_EQ(root->DefaultTextAttributes(), settings.FontAttributes(stfFixed))
        << "plain text is fixed-pitch";

    for (const QSize size : {QSize(300, 200), QSize(420, 260), QSize(180, 300)}) {
        form.resize(size);
        const int viewWidth = form.viewport()->width();
        int widest = 0;
        int rows = 0;
        const int left = root->SheetOrigin().x() + root->GetPadding().left();
        for (TParagraph* p = root->Textor()->FirstParagraph(); p != nullptr; p = p->Next()) {
            for (TRow* row = p->FirstRow(); row != nullptr; row = row->Next(), ++rows)
                widest = qMax(widest, left + row->Left() + row->Width());
        }
        EXPECT_LE(widest, viewWidth) << size.width();
        EXPECT_GT(rows, 30 * 2) << "the paragraphs wrap";
        EXPECT_EQ(form.horizontalScrollBar()->maximum(), 0) << size.width();
        const int contentHeight = root->Textor()->ContentHeight();
        EXPECT_GT(form.verticalScrollBar()->maximum(), 0);
        EXPECT_LE(form.verticalScrollBar()->maximum(), contentHeight) << "no empty space to scroll into";
    }
    form.SetScheme(nullptr, nullptr);
    root->SetVisualParent(nullptr);
}

// A plain text document on a sheet shown in the window: typing reaches the focused text, the caret
// stays in view, undo comes back through the window's command.
class SheetFormDocument : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Scheme.SetUndoRedo(&Undo);
        static_cast<TVisualElement*>(Scheme.Root())->SetVisualParent(Sheet.TopElement());
        Form.resize(300, 200);
        Form.SetScheme(&Scheme, &Sheet);
        Form.show();
        Form.setFocus();
        ASSERT_TRUE(Sheet.FocusFirst());
    }
    void TearDown() override
    {
        Form.SetScheme(nullptr, nullptr);
        static_cast<TVisualElement*>(Scheme.Root())->SetVisualParent(nullptr);
        Undo.Clear();
    }
    void Type(int key, const QString& text)
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(&Form, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QApplication::sendEvent(&Form, &release);
    }
    void RightClick(const QPoint& point)
    {
        const QPointF global = Form.viewport()->mapToGlobal(QPointF(point));
        QMouseEvent press(QEvent::MouseButtonPress, point, global, Qt::RightButton, Qt::RightButton,
                          Qt::NoModifier);
        QApplication::sendEvent(Form.viewport(), &press);
        QMouseEvent release(QEvent::MouseButtonRelease, point, global, Qt::RightButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(Form.viewport(), &release);
    }
    QString Text() const { return static_cast<TPlainTextRoot*>(Scheme.Root())->GetText(); }

    TUndoRedo Undo;
    TSheetSettings Settings;
    TScheme Scheme{TPlainTextRoot::StaticClass()};
    TSheet Sheet{&Settings};
    TSheetForm Form;
};

TEST_F(SheetFormDocument, TypingReachesTheFocusedTextAndUndoTakesItBack)
{
    EXPECT_EQ(Sheet.PageSize(), Form.viewport()->size()) << "the view offers its size to the sheet";
    Type(Qt::Key_A, QStringLiteral("a"));
    Type(Qt::Key_B, QStringLiteral("b"));
    EXPECT_EQ(Text(), QStringLiteral("ab"));
    EXPECT_TRUE(Form.UndoAction()->isEnabled());
    Form.UndoAction()->trigger();
    EXPECT_EQ(Text(), QString());
    EXPECT_TRUE(Form.RedoAction()->isEnabled());

    // The window paints the sheet: the first letter leaves ink on the view.
    Type(Qt::Key_W, QStringLiteral("W"));
    const QImage image = Form.viewport()->grab().toImage();
    const QRgb background = image.pixel(image.width() - 1, image.height() - 1);
    int ink = 0;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 60; ++x)
            ink += image.pixel(x, y) != background ? 1 : 0;
    }
    EXPECT_GT(ink, 0);
}

TEST_F(SheetFormDocument, TheCaretStaysInViewAsTheTextGrows)
{
    for (int i = 0; i < 40; ++i) {
        Type(Qt::Key_X, QStringLiteral("x"));
        Type(Qt::Key_Return, QStringLiteral("\r"));
    }
    EXPECT_EQ(Text().count(QStringLiteral("\r\n")), 40);
    ASSERT_EQ(Sheet.CaretKind(), ckTextCaret);
    const QRect visible(Form.Origin(), Form.viewport()->size());
    EXPECT_GT(Form.verticalScrollBar()->value(), 0);
    EXPECT_TRUE(visible.contains(Sheet.CaretRect())) << Sheet.CaretRect().y() << " in " << visible.y();
    EXPECT_EQ(Sheet.ScrollPos(), Form.Origin()) << "the sheet knows where the view is";
}

TEST_F(SheetFormDocument, ARightClickOnTheSelectionKeepsItForTheContextMenu)
{
    for (QChar c : QStringLiteral("some words"))
        Type(0, QString(c));
    Form.SelectAllAction()->trigger();
    ASSERT_TRUE(Sheet.FocusedElement()->HasSelection());
    const QPoint onText = Sheet.CaretRect().topLeft() - Form.Origin() + QPoint(-8, 4);
    RightClick(onText);
    EXPECT_TRUE(Sheet.FocusedElement()->HasSelection());
    Form.UpdateCommands();
    EXPECT_TRUE(Form.CopyAction()->isEnabled());
    EXPECT_TRUE(Form.CutAction()->isEnabled());
    EXPECT_TRUE(Form.DeleteAction()->isEnabled());

    RightClick(QPoint(150, 150));
    EXPECT_FALSE(Sheet.FocusedElement()->HasSelection()) << "outside the selection the caret moves";
}

TEST_F(SheetFormDocument, PageDownMovesTheCaretAndTheViewByAboutAScreen)
{
    for (int i = 0; i < 60; ++i) {
        Type(Qt::Key_X, QStringLiteral("x"));
        Type(Qt::Key_Return, QStringLiteral("\r"));
    }
    QKeyEvent home(QEvent::KeyPress, Qt::Key_Home, Qt::ControlModifier);
    QApplication::sendEvent(&Form, &home);
    const int page = Form.viewport()->height();
    const int top = Sheet.CaretRect().top();
    const int inView = top - Form.Origin().y();
    ASSERT_LT(inView, 20);
    Type(Qt::Key_PageDown, QString());
    const int moved = Sheet.CaretRect().top() - top;
    EXPECT_GT(moved, page / 2);
    EXPECT_LE(moved, page);
    EXPECT_EQ(Sheet.CaretRect().top() - Form.Origin().y(), inView) << "the caret keeps its place in the view";
    Type(Qt::Key_PageUp, QString());
    EXPECT_EQ(Sheet.CaretRect().top(), top);
    EXPECT_EQ(Sheet.CaretRect().top() - Form.Origin().y(), inView);
}

} // namespace
} // namespace qv
