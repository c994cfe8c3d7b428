// The caret and the fields in the window: where the caret lands after an insert, Tab and the arrows
// between the fields, Select All widening, clicks beside an element, and typing that is refused.

#include "app/edit_form.h"
#include "app/global.h"
#include "app/main_form.h"
#include "app/palette_form.h"
#include "app/session_file.h"
#include "app/sheet_form.h"
#include "core/strings.h"
#include "documents/scheme_document.h"
#include "elements/palette.h"
#include "elements/scheme.h"
#include "elements/scheme_descriptor.h"
#include "elements/sheet.h"
#include "fields/textor_element.h"
#include "library/comment_element.h"
#include "library/simple_fields.h"
#include "schemes/commands/command_elements.h"
#include "schemes/commands/command_file_scheme_descriptor.h"
#include "schemes/structured/structured_elements.h"
#include "textor/textor.h"

#include "support/earlier_session.h"
#include "support/fake_app_folders.h"
#include "support/fake_user_interface.h"
#include "support/printers.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace qv {
namespace {

class KeyboardEditing : public ::testing::Test, protected TLaterStartFolder
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Dir.isValid());
        Form.show();
        Form.activateWindow();
        Form.SheetForm()->setFocus();
    }

    // The File › New item of the type titled `title`.
    void New(const QString& title)
    {
        for (QAction* action : Form.NewActions()) {
            if (action->text().remove(u'&').startsWith(title)) {
                action->trigger();
                QApplication::processEvents();
                ASSERT_NE(Shown(), nullptr);
                return;
            }
        }
        FAIL() << "no New item " << title.toStdString();
    }

    TSchemeDocument* Shown() const { return Form.ShownDocument(); }
    TSheet* Sheet() const { return Shown()->Sheet(); }
    TVisualElement* Focused() const { return Sheet()->FocusedElement(); }
    TTextorElement* Field() const { return dynamic_cast<TTextorElement*>(Focused()); }
    TPaletteForm* PaletteForm() const { return Form.EditForm()->PaletteForm(); }

    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString& text = QString())
    {
        QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
        QApplication::sendEvent(Form.SheetForm(), &press);
        QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
        QApplication::sendEvent(Form.SheetForm(), &release);
    }
    void Tab(Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const bool back = (modifiers & Qt::ShiftModifier) != 0;
        const bool ctrl = (modifiers & Qt::ControlModifier) != 0;
        Key(back ? Qt::Key_Backtab : Qt::Key_Tab, modifiers, ctrl ? QString() : QStringLiteral("\t"));
    }
    void Type(const QString& text)
    {
        for (QChar c : text)
            Key(0, Qt::NoModifier, QString(c));
    }
    // An element item of the palette, run as a click on its button runs it.
    TElement* Insert(const TElementClass* cls)
    {
        TPaletteItem* item = Palette().FindElementItem(cls);
        EXPECT_NE(item, nullptr);
        PaletteForm()->PostExecute(item, false);
        QApplication::processEvents();
        return Focused() != nullptr ? static_cast<TElement*>(Focused()->FindAncestor(cls)) : nullptr;
    }
    TTextorElement* Root() const { return dynamic_cast<TTextorElement*>(Shown()->Scheme()->Root()); }
    // Where the caret is in the focused field.
    TTextorIndexRange Selection() const
    {
        return Field() != nullptr ? Field()->Selection() : TTextorIndexRange{};
    }

    static TSchemeRegistry MakeRegistry()
    {
        RegisterCommentElements();
        RegisterSimpleFields();
        RegisterCommandFileScheme();
        RegisterStructuredScheme();
        TSchemeRegistry registry;
        registry.RegisterScheme(TCommandFileSchemeDescriptor::StaticClass());
        registry.RegisterScheme(TParametrizedStructureSchemeDescriptor::StaticClass());
        return registry;
    }
    TFakeUserInterface UI;
    TScopedUserInterface ScopedUI{&UI};
    TSchemeRegistry Registry = MakeRegistry();
    TGlobal Global{{}};
    TMainForm Form{Global, &Registry};
};

// Three commands made with the keyboard alone: each insert leaves the caret in the new command's
// first text field, Tab goes through every field in document order and Shift+Tab back through the
// same ones, and the keyboard never leaves the sheet.
TEST_F(KeyboardEditing, ThreeCommandsMadeWithTheKeyboardAlone)
{
    New(QStringLiteral("Command File"));
    QList<TElement_Call*> calls;
    for (const char* program : {"notepad.exe", "calc.exe", "write.exe"}) {
        auto* call = static_cast<TElement_Call*>(Insert(TElement_Call::StaticClass()));
        ASSERT_NE(call, nullptr) << program;
        ASSERT_EQ(Focused(), call->FileNameField()) << "the caret is in the new command's first field";
        Type(QString::fromLatin1(program));
        Tab();
        EXPECT_EQ(Focused(), call->ParametersField());
        Type(QStringLiteral("a.txt"));
        // On to the text holding the commands, beside the new one, where the next insert goes.
        for (int i = 0; i < 10 && Focused() != Root(); ++i)
            Tab();
        ASSERT_EQ(Focused(), Root());
        calls.append(call);
    }
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(calls[i]->ParametersField()->GetText(), QStringLiteral("a.txt"));
    EXPECT_EQ(calls[2]->FileNameField()->GetText(), QStringLiteral("write.exe"));
    EXPECT_FALSE(UI.Calls.contains(QStringLiteral("Beep")));

    // Round the document from the first command's program: every place once, Tab going round at the
    // end, and Shift+Tab back through the same fields.
    using TPlace = std::pair<TVisualElement*, TTextorIndexRange>;
    calls[0]->FileNameField()->FocusAtFirst();
    QList<TPlace> forward{{Focused(), Selection()}};
    for (int i = 0; i < 60 && (forward.size() < 2 || forward.last() != forward.first()); ++i) {
        Tab();
        ASSERT_NE(Focused(), nullptr);
        EXPECT_EQ(QApplication::focusWidget(), Form.SheetForm()) << "Tab never leaves the sheet";
        forward.append({Focused(), Selection()});
    }
    ASSERT_EQ(forward.last(), forward.first()) << "at the end Tab goes round to the start";
    QList<TVisualElement*> fields;
    for (const TPlace& place : forward)
        fields.append(place.first);
    const qsizetype second = fields.indexOf(calls[1]->FileNameField());
    EXPECT_LT(fields.indexOf(calls[0]->ParametersField()), second);
    EXPECT_LT(second, fields.indexOf(calls[2]->FileNameField()));
    EXPECT_GT(fields.count(Root()), 2) << "beside each command in the text holding them";
    QList<TVisualElement*> back{Focused()};
    for (qsizetype i = 1; i < fields.size(); ++i) {
        Tab(Qt::ShiftModifier);
        back.prepend(Focused());
    }
    EXPECT_EQ(back, fields) << "Shift+Tab goes back through the same fields";

    // The arrows step out of a field at its edges: Right from the last field of a command to just
    // after it, Left from a field's start to the end of the field before it.
    calls[1]->ParametersField()->FocusAtLast();
    Key(Qt::Key_Right);
    ASSERT_EQ(Focused(), Root());
    const TTextorIndexRange after = Selection();
    Root()->FocusBeside(calls[1], true);
    EXPECT_EQ(after, Selection());
    calls[1]->ParametersField()->FocusAtFirst();
    Key(Qt::Key_Left);
    ASSERT_EQ(Focused(), calls[1]->FileNameField());
    EXPECT_EQ(Selection().End, Field()->Textor()->ToIndex(Field()->Textor()->LastPosition()));
}

// A field that takes tabs types them; Ctrl+Tab and Ctrl+Shift+Tab move from it instead.
TEST_F(KeyboardEditing, CtrlTabMovesFromAFieldThatTakesTabs)
{
    New(QStringLiteral("Command File"));
    auto* message = static_cast<TElement_Message*>(Insert(TElement_Message::StaticClass()));
    ASSERT_NE(message, nullptr);
    TVisualElement* text = Focused();
    Type(QStringLiteral("a"));
    Tab();
    EXPECT_EQ(Focused(), text);
    EXPECT_EQ(Field()->GetText(), QStringLiteral("a\t"));
    Tab(Qt::ControlModifier);
    EXPECT_NE(Focused(), text);
    Tab(Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Focused(), text);
    EXPECT_EQ(Field()->GetText(), QStringLiteral("a\t")) << "no tab typed by the moves";
}

// Select All takes the field's content first, then the element around it, then the whole text; so
// Select All and Backspace in a field erase that field only.
TEST_F(KeyboardEditing, SelectAllWidensOneLevelAPress)
{
    New(QStringLiteral("Command File"));
    auto* call = static_cast<TElement_Call*>(Insert(TElement_Call::StaticClass()));
    ASSERT_NE(call, nullptr);
    Type(QStringLiteral("notepad.exe"));
    QAction* selectAll = Form.SheetForm()->SelectAllAction();
    selectAll->trigger();
    EXPECT_EQ(Focused(), call->FileNameField());
    EXPECT_EQ(Selection().Start, Field()->Textor()->ToIndex(Field()->Textor()->FirstPosition()));
    EXPECT_EQ(Selection().End, Field()->Textor()->ToIndex(Field()->Textor()->LastPosition()));
    Key(Qt::Key_Backspace);
    EXPECT_EQ(call->FileNameField()->GetText(), QString());
    EXPECT_EQ(Shown()->Scheme()->FindElementByID(call->ID()), call) << "the command is still there";

    Type(QStringLiteral("calc.exe"));
    selectAll->trigger();
    selectAll->trigger();
    ASSERT_EQ(Focused(), Root()) << "the second press selects the command in the text holding it";
    ASSERT_TRUE(Root()->HasSelection());
    EXPECT_EQ(Selection().End.Offset - Selection().Start.Offset, 1);
    EXPECT_EQ(Selection().Start.Paragraph, Selection().End.Paragraph);
    selectAll->trigger();
    EXPECT_EQ(Selection().Start, Root()->Textor()->ToIndex(Root()->Textor()->FirstPosition()));
    EXPECT_EQ(Selection().End, Root()->Textor()->ToIndex(Root()->Textor()->LastPosition()));
}

// A click right of a command, on its row, puts the caret beside it, selecting nothing.
TEST_F(KeyboardEditing, AClickBesideAnElementPutsTheCaretBesideIt)
{
    New(QStringLiteral("Command File"));
    auto* message = static_cast<TElement_Message*>(Insert(TElement_Message::StaticClass()));
    ASSERT_NE(message, nullptr);
    Type(QStringLiteral("hello"));
    QApplication::processEvents();
    const QPoint beside = message->SheetOrigin() + QPoint(message->Width() + 30, message->Height() / 2) -
                          Form.SheetForm()->Origin();
    QWidget* view = Form.SheetForm()->viewport();
    const QPointF global = view->mapToGlobal(QPointF(beside));
    QMouseEvent press(QEvent::MouseButtonPress, beside, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(view, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, beside, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(view, &release);
    ASSERT_EQ(Focused(), Root());
    EXPECT_FALSE(Root()->HasSelection());
    const TTextorIndexRange clicked = Selection();
    Root()->FocusBeside(message, true);
    EXPECT_EQ(clicked, Selection()) << "just after the command";
}

// Typed text that nothing takes beeps and the palette's hint area says why; nothing changes.
TEST_F(KeyboardEditing, RefusedTypingBeepsAndSaysWhy)
{
    struct TRow
    {
        const char* Name;
        const char* Type;
        bool ReadOnly;
        int Reason;
    };
    const TRow rows[] = {
        {"a node's content", "Structured Data", false, 4853},
        {"commands only", "Command File", false, 4851},
        {"read-only", "Command File", true, 4850},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        New(QString::fromLatin1(row.Type));
        if (row.Reason == 4853) {
            TElement* node = Insert(TElement_Node::StaticClass());
            ASSERT_NE(node, nullptr);
            Type(QStringLiteral("settings"));
            EXPECT_EQ(Field()->GetText(), QStringLiteral("settings")) << "typing replaces the automatic name";
            for (int i = 0;
                 i < 10 && !IsInstanceOf(Focused(), TParametrizedStructureNodeContainer::StaticClass()); ++i)
                Tab();
            ASSERT_TRUE(IsInstanceOf(Focused(), TParametrizedStructureNodeContainer::StaticClass()));
        } else if (row.ReadOnly) {
            Insert(TElement_Message::StaticClass());
            Shown()->Scheme()->SetReadOnlyLevel(1);
        } else {
            Root()->FocusAtFirst();
        }
        const QByteArray before = Shown()->Scheme()->SaveToBytes();
        UI.Calls.clear();
        Type(QStringLiteral("x"));
        EXPECT_EQ(UI.Calls, QStringList{QStringLiteral("Beep")});
        EXPECT_EQ(PaletteForm()->Notice(), LoadStr(row.Reason));
        EXPECT_EQ(Shown()->Scheme()->SaveToBytes(), before);
        Shown()->Scheme()->SetReadOnlyLevel(0);
    }
}

} // namespace
} // namespace qv
