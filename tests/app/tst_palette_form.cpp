#include "app/palette_form.h"

#include "app/settings.h"
#include "core/knot.h"
#include "core/undo_redo.h"
#include "elements/palette.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "elements/scheme_images.h"
#include "elements/sheet.h"
#include "fields/textor_element.h"
#include "library/comment_element.h"
#include "roots/root.h"
#include "textor/sheet_settings.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>

#include <gtest/gtest.h>

namespace qv {
namespace {

// --- Layout --------------------------------------------------------------------------------------------

// Two panels: a large button and a column of two captioned small buttons; a large sub-list button
// with a caption and four small buttons (two columns).
QList<TPalettePanelRequest> TwoPanels()
{
    auto large = [](int caption, bool arrow = false) {
        return TPaletteButtonRequest{true, false, false, arrow, caption};
    };
    auto small = [](int caption) {
        return TPaletteButtonRequest{false, false, false, false, caption};
    };
    return {
        TPalettePanelRequest{100, {large(40), small(50), small(30)}},
        TPalettePanelRequest{30, {large(60, true), small(20), small(20), small(20), small(20)}},
    };
}

TEST(PaletteLayout, NarrowsPassByPassFromTheLastPanel)
{
    struct TRow
    {
        const char* Name;
        int Available;
        int Passes;
        int Width;
        int Captions;
        int Arrows;
    };
    const TRow rows[] = {
        {"everything fits", 400, 0, 346, 8, 1},
        {"spare space of the last panel", 340, 1, 334, 8, 1},
        {"spare space of both", 322, 1, 322, 8, 1},
        {"small captions of the last column", 300, 2, 298, 7, 1},
        {"small captions of every column", 250, 2, 220, 2, 1},
        {"large caption of the last panel", 200, 3, 192, 1, 1},
        {"every large caption", 185, 3, 184, 0, 1},
        {"arrows", 180, 4, 173, 0, 0},
        {"does not fit at all", 100, 4, 173, 0, 0},
    };
    const TPaletteMetrics metrics;
    for (const TRow& row : rows) {
        const TPaletteGeometry g = LayoutPalette(TwoPanels(), row.Available, metrics);
        int captions = 0;
        int arrows = 0;
        int right = 0;
        for (const TPalettePanelGeometry& panel : g.Panels) {
            EXPECT_GT(panel.Rect.left(), right) << row.Name << ": panels overlap";
            right = panel.Rect.right();
            for (const TPaletteButtonGeometry& button : panel.Buttons) {
                captions += button.Caption.isEmpty() ? 0 : 1;
                arrows += button.Arrow.isEmpty() ? 0 : 1;
                EXPECT_TRUE(panel.Rect.contains(button.Rect)) << row.Name;
            }
        }
        EXPECT_EQ(g.Passes, row.Passes) << row.Name;
        EXPECT_EQ(g.Size.width(), row.Width) << row.Name;
        EXPECT_EQ(g.Fits, row.Width <= row.Available) << row.Name;
        EXPECT_EQ(captions, row.Captions) << row.Name;
        EXPECT_EQ(arrows, row.Arrows) << row.Name;
    }
}

// --- Letters -------------------------------------------------------------------------------------------

TEST(PaletteLetters, NumbersNarrowingAndCancelling)
{
    // Steps: C Ctrl pressed, T the delay ran out, S Shift (cancel), R Ctrl released; anything else
    // is typed.
    struct TRow
    {
        const char* Name;
        const char* Steps;
        int Executed;
        bool Shown;
    };
    const TRow rows[] = {
        {"own letters at once", "CTL", 11, false},     {"lower case", "CTl", 11, false},
        {"1 still begins 10 and 11", "CT1", -1, true}, {"11 is the only one", "CT11", 10, false},
        {"a single number", "CT2", 1, false},          {"nothing before the delay", "C2", -1, false},
        {"Shift cancels", "CT1S1", -1, false},         {"a letter of no button is ignored", "CTX", -1, true},
        {"1 runs as Ctrl goes up", "CT1R", 0, false},  {"going up having typed nothing", "CTR", -1, false},
    };
    TPaletteLetters letters;
    QStringList own(11);
    own.append(QStringLiteral("L"));
    letters.Assign(own);
    ASSERT_EQ(letters.Letters().first(), QStringLiteral("1"));
    ASSERT_EQ(letters.Letters()[10], QStringLiteral("11"));
    for (const TRow& row : rows) {
        letters.Cancel();
        int executed = -1;
        for (const char* step = row.Steps; *step != 0; ++step) {
            if (*step == 'C')
                letters.CtrlPressed();
            else if (*step == 'T')
                letters.DelayElapsed();
            else if (*step == 'S')
                letters.Cancel();
            else if (*step == 'R')
                executed = letters.Released();
            else if (const int index = letters.Type(QString(QChar(*step))); index >= 0)
                executed = index;
        }
        EXPECT_EQ(executed, row.Executed) << row.Name;
        EXPECT_EQ(letters.Shown(), row.Shown) << row.Name;
    }
}

TEST(PaletteForm, HintShowsLettersAndIndentsTheText)
{
    const QString text = TPaletteForm::HintText(QStringLiteral("Comment"), QStringLiteral(" "),
                                                QStringLiteral("Inserts <a> comment."));
    EXPECT_EQ(text, QStringLiteral("Comment (Ctrl+Space)\r\nInserts <a> comment."));
    EXPECT_EQ(
        TPaletteForm::HintHtml(text),
        QStringLiteral("<qt><b>Comment </b>(Ctrl+Space)<div style=\"margin-left:12px\">Inserts &lt;a&gt; "
                       "comment.</div></qt>"));
}

// --- The window on a Plain Text document -------------------------------------------------------------------

class PaletteFormDocument : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterCommentElements();
        Scheme.SetUndoRedo(&Undo);
        Sheet.SetPageSize(QSize(800, 600));
        Root()->SetVisualParent(Sheet.TopElement());
        Root()->SetBounds(0, 0, 3, 600, 800);
        ASSERT_TRUE(Sheet.FocusFirst());
        Sheet.SetActive(true);
        Form.resize(700, Form.sizeHint().height());
        Form.SetSheet(&Sheet);
    }
    void TearDown() override
    {
        Form.SetSheet(nullptr);
        Undo.Clear();
        Root()->SetVisualParent(nullptr);
    }

    TPlainTextRoot* Root() const { return static_cast<TPlainTextRoot*>(Scheme.Root()); }
    int ButtonOf(const TPaletteItem* item) const
    {
        for (int i = 0; i < Form.ButtonCount(); ++i) {
            if (Form.ButtonItem(i) == item)
                return i;
        }
        return -1;
    }
    int CommentButton() const { return ButtonOf(Palette().FindElementItem(TElement_Comment::StaticClass())); }
    int Count(const TElementClass* cls) const
    {
        int count = 0;
        for (TNode* node = Root()->FirstChild(); node != nullptr && Root()->IsAncestorOf(node);
             node = node->DocumentNext())
            count += IsInstanceOf(node, cls) ? 1 : 0;
        return count;
    }
    int Comments() const { return Count(TElement_Comment::StaticClass()); }
    void Click(int button)
    {
        const QPoint point = Form.ButtonRect(button).topLeft() + QPoint(6, 6);
        const QPointF global = Form.mapToGlobal(QPointF(point));
        QMouseEvent press(QEvent::MouseButtonPress, point, global, Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(&Form, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, point, global, Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(&Form, &release);
    }
    void Save(const QString& name) { Form.grab().save(QDir::temp().filePath(name)); }

    TUndoRedo Undo;
    TSheetSettings Settings;
    TScheme Scheme{TPlainTextRoot::StaticClass(), QStringLiteral("FreeText")};
    TSheet Sheet{&Settings};
    TPaletteForm Form;
};

TEST_F(PaletteFormDocument, HeadersAndCaptionsFollowTheSettings)
{
    struct TRow
    {
        bool Headers;
        bool Captions;
    };
    TSettings settings(QStringLiteral("ENU"));
    Form.SetSettings(&settings.PaletteForm());
    int fullHeight = 0;
    for (const TRow row : {TRow{true, true}, TRow{false, true}, TRow{true, false}}) {
        settings.PaletteForm().ShowHeaders()->SetValue(row.Headers);
        settings.PaletteForm().ShowCaptions()->SetValue(row.Captions);
        Save(QStringLiteral("palette_%1%2.png").arg(row.Headers).arg(row.Captions));
        const int comment = CommentButton();
        ASSERT_GE(comment, 0) << "the text offers the comment";
        const TPaletteGeometry& g = Form.Geometry();
        EXPECT_EQ(!g.Panels.first().Header.isEmpty(), row.Headers);
        int captions = 0;
        for (const TPalettePanelGeometry& panel : g.Panels) {
            for (const TPaletteButtonGeometry& button : panel.Buttons)
                captions += button.Caption.isEmpty() ? 0 : 1;
        }
        EXPECT_EQ(captions > 0, row.Captions);
        if (row.Headers && row.Captions)
            fullHeight = Form.sizeHint().height();
        else
            EXPECT_LT(Form.sizeHint().height(), fullHeight) << row.Headers << row.Captions;
    }
    Form.SetSettings(nullptr);
}

// A disabled button draws its picture from the greyed copy.
TEST_F(PaletteFormDocument, DisabledItemIsGreyed)
{
    QImage red(paletteLargeImage, paletteLargeImage, QImage::Format_ARGB32);
    red.fill(QColor(220, 0, 0));
    TNodePtr<TPaletteGroup> group(new TPaletteGroup(&Palette(), 0, -1000));
    auto* item = new TElementPaletteItem(group.get(), piLarge, LargeImages().AddImage(red), 0, 0,
                                         TElement_Comment::StaticClass(), 0);
    Form.Rebuild();
    for (const bool readOnly : {false, true}) {
        Sheet.SetReadOnly(readOnly);
        const int button = ButtonOf(item);
        ASSERT_GE(button, 0);
        EXPECT_EQ(Form.ButtonEnabled(button), !readOnly);
        const QColor pixel = Form.grab().toImage().pixelColor(Form.ButtonRect(button).center().x(),
                                                              Form.ButtonRect(button).top() + 12);
        if (readOnly)
            EXPECT_LE(std::abs(pixel.red() - pixel.green()), 8) << "grey";
        else
            EXPECT_GT(pixel.red() - pixel.green(), 150) << "red";
    }
    Sheet.SetReadOnly(false);
    Form.SetSheet(nullptr); // before the items go
}

TEST_F(PaletteFormDocument, PostedClickInsertsACommentAndOneUndoRemovesIt)
{
    Save(QStringLiteral("palette_plain_text.png"));
    const int comment = CommentButton();
    ASSERT_GE(comment, 0);
    Click(comment);
    EXPECT_EQ(Comments(), 0) << "the execution is posted";
    QCoreApplication::processEvents();
    EXPECT_EQ(Comments(), 1);
    Undo.Undo();
    EXPECT_EQ(Comments(), 0);
}

// Between the click and the posted execution the focused element changes or goes: nothing happens.
TEST_F(PaletteFormDocument, PostedClickIsDroppedWhenTheElementWent)
{
    auto* inserted = static_cast<TElement_Comment*>(
        Root()->InsertNewElement(TElement_Comment::StaticClass(), nullptr, nullptr));
    Sheet.SetFocus(inserted);
    ASSERT_EQ(Sheet.FocusedElement(), inserted);
    Form.Rebuild();
    const int frame = ButtonOf(Palette().FindElementItem(TElement_LogicFrame::StaticClass()));
    ASSERT_GE(frame, 0) << "a comment takes logic frames";
    for (const bool freed : {false, true}) {
        Sheet.SetFocus(inserted);
        Form.Rebuild();
        Click(frame);
        if (freed)
            Undo.Undo(); // the comment goes
        else
            Sheet.SetFocus(Root());
        QCoreApplication::processEvents();
        EXPECT_EQ(Comments(), freed ? 0 : 1);
        EXPECT_EQ(Count(TElement_LogicFrame::StaticClass()), 0);
    }
}

// The keys come from the sheet window: Ctrl held shows the letters, Ctrl+L runs the logic frame's item.
TEST_F(PaletteFormDocument, CtrlHeldThenALetterInsertsItsElement)
{
    auto key = [this](int code) {
        QKeyEvent event(QEvent::KeyPress, code, Qt::ControlModifier);
        return Form.HandleLetterKey(&event);
    };
    key(Qt::Key_Control);
    EXPECT_FALSE(key(Qt::Key_L)) << "before the letters show, Ctrl+L belongs to the sheet";
    key(Qt::Key_Control);
    QEventLoop loop;
    QTimer::singleShot(TPaletteLetters::ShowDelay + 50, &loop, &QEventLoop::quit);
    loop.exec();
    ASSERT_TRUE(Form.Letters().Shown());
    EXPECT_TRUE(key(Qt::Key_L));
    QCoreApplication::processEvents();
    EXPECT_EQ(Count(TElement_LogicFrame::StaticClass()), 1);
}

// Rebuilding for a focus change asks the focused element, never the document: the work counted in the
// window and in the text's layout is the same for a small and a large document.
TEST(PaletteFormWork, RebuildDoesNotGrowWithTheDocument)
{
    RegisterCommentElements();
    auto work = [](int elements) {
        TSheetSettings settings;
        TScheme scheme{TPlainTextRoot::StaticClass(), QStringLiteral("FreeText")};
        TKnot knot(QStringLiteral("FreeText"));
        knot.WriteString(QStringLiteral("FormatVersion"), QStringLiteral("1.2"));
        // Two signs in every paragraph.
        for (int i = 0; i < elements / 2; ++i) {
            if (i > 0)
                knot.AddKnot(QStringLiteral("Br"));
            knot.AddKnot(QStringLiteral("Chars"))
                ->WriteString(QStringLiteral("Value"), QStringLiteral("Some words "));
            knot.AddKnot(QStringLiteral("Star"));
            knot.AddKnot(QStringLiteral("Chars"))
                ->WriteString(QStringLiteral("Value"), QStringLiteral(" and "));
            knot.AddKnot(QStringLiteral("Stop"));
        }
        scheme.LoadFromKnot(scheme.Root(), fmFile, &knot);
        auto* root = static_cast<TPlainTextRoot*>(scheme.Root());
        TSheet sheet{&settings};
        sheet.SetPageSize(QSize(800, 600));
        root->SetVisualParent(sheet.TopElement());
        root->SetBounds(0, 0, 3, 600, 800);
        TPaletteForm form;
        form.SetSheet(&sheet);
        sheet.SetFocus(root);
        root->Textor()->ResetCounters();
        form.ResetCounters();
        PaletteCounters() = {};
        for (int i = 0; i < 3; ++i)
            form.Rebuild();
        const TTextorCounters& text = root->Textor()->Counters();
        const TPaletteFormCounters& palette = form.Counters();
        const int64_t total = palette.Collects + palette.StateQueries + PaletteCounters().NodesWalked +
                              PaletteCounters().ChildrenWalked + text.PortionSteps + text.Wraps +
                              text.Arranges + text.Changes;
        EXPECT_GT(palette.StateQueries, 0) << elements;
        form.SetSheet(nullptr);
        root->SetVisualParent(nullptr);
        return total;
    };
    EXPECT_EQ(work(1000), work(150000));
}

} // namespace
} // namespace qv
