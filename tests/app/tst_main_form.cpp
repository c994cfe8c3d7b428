#include "app/main_form.h"

#include "app/edit_form.h"

#include "app/find_replace.h"
#include "app/global.h"
#include "app/session_file.h"

#include "app/sheet_form.h"
#include "core/strings.h"
#include "core/undo_redo.h"
#include "documents/scheme_document.h"
#include "elements/element_messages.h"
#include "elements/palette.h"
#include "elements/scheme.h"
#include "elements/scheme_descriptor.h"
#include "elements/sheet.h"
#include "fields/textor_element.h"
#include "library/comment_element.h"
#include "library/expand_button.h"
#include "roots/log_root.h"
#include "roots/root.h"
#include "schemes/commands/command_file_scheme_descriptor.h"
#include "schemes/plaintext/plain_text_scheme_descriptor.h"
#include "textor/textor.h"

#include "support/earlier_session.h"
#include "support/fake_app_folders.h"
#include "support/fake_user_interface.h"
#include "support/printers.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QSet>
#include <QSplitter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace qv {
namespace {

// The window on a registry with the Plain Text type, answering the user through a recording fake.
class MainForm : public ::testing::Test, protected TLaterStartFolder
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Dir.isValid());
        Form.show();
    }

    TSchemeDocument* Shown() const { return Form.ShownDocument(); }
    QString Text() const { return static_cast<TPlainTextRoot*>(Shown()->Scheme()->Root())->GetText(); }
    QString Path(const QString& name) const { return Dir.filePath(name); }

    // Keys go to the editing window, as the user types them.
    void Type(const QString& text)
    {
        for (QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(Form.SheetForm(), &press);
            QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(Form.SheetForm(), &release);
        }
    }

    void NewPlainText()
    {
        ASSERT_EQ(Form.NewActions().size(), 1);
        Form.NewActions().first()->trigger();
        ASSERT_NE(Shown(), nullptr);
    }

    static TSchemeRegistry MakeRegistry()
    {
        TSchemeRegistry registry;
        registry.RegisterScheme(TPlainTextSchemeDescriptor::StaticClass());
        return registry;
    }

    TFakeUserInterface UI;
    TScopedUserInterface ScopedUI{&UI};
    TSchemeRegistry Registry = MakeRegistry();
    TGlobal Global{{}};
    TMainForm Form{Global, &Registry};
};

TEST_F(MainForm, OffersTheRegisteredTypesAndOnlyTheCommandsThatApply)
{
    TDescriptor plainText = TPlainTextSchemeDescriptor::StaticClass();
    ASSERT_EQ(Form.NewActions().size(), 1);
    EXPECT_EQ(QString(Form.NewActions().first()->text()).remove(u'&'), plainText->GetMenuCaption());
    EXPECT_EQ(Form.Documentor().OpenExtensions, QStringList{QStringLiteral("frt")});
    EXPECT_EQ(Form.Documentor().OpenFilters,
              plainText->GetTitle() + QStringLiteral(" (*.frt);;All Files (*)"));
    EXPECT_EQ(Form.windowTitle(), QStringLiteral("Quorvane"));
    EXPECT_FALSE(Form.SaveAction()->isEnabled());
    EXPECT_FALSE(Form.CloseAction()->isEnabled());
    EXPECT_FALSE(Form.FindAction()->isEnabled());
    // The Edit menu carries the editing window's own commands.
    EXPECT_TRUE(Form.EditMenu()->actions().contains(Form.SheetForm()->UndoAction()));
    EXPECT_TRUE(Form.EditMenu()->actions().contains(Form.SheetForm()->PasteAction()));

    Form.Documentor().CommandLine.clear();
    Form.Start();
    ASSERT_NE(Shown(), nullptr) << "no file named: a new document";
    EXPECT_EQ(Shown()->Descriptor(), plainText);
    EXPECT_TRUE(Form.SaveAction()->isEnabled());
    EXPECT_TRUE(Form.CloseAction()->isEnabled());
    EXPECT_TRUE(Form.ReplaceAction()->isEnabled());
}

TEST_F(MainForm, TypedTextIsSavedAndOpensAgain)
{
    NewPlainText();
    EXPECT_EQ(Form.SheetForm()->Sheet(), Shown()->Sheet());
    EXPECT_EQ(Form.LogForm()->Sheet(), Shown()->LogSheet());
    const QString untitled = Form.windowTitle();

    Type(QStringLiteral("Hello"));
    EXPECT_EQ(Text(), QStringLiteral("Hello"));
    EXPECT_TRUE(Shown()->Modified());
    EXPECT_TRUE(Form.isWindowModified()) << "the title marks unsaved changes";

    const QString file = Path(QStringLiteral("notes.frt"));
    UI.SaveFileAnswer = file;
    Form.SaveAction()->trigger();
    ASSERT_TRUE(QFile::exists(file)) << UI.Calls.join(u'\n').toStdString();
    EXPECT_FALSE(Shown()->Modified());
    EXPECT_EQ(Form.windowTitle(), QStringLiteral("notes[*] \u2014 Quorvane"));
    EXPECT_FALSE(Form.isWindowModified());
    EXPECT_NE(Form.windowTitle(), untitled);
    EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("notes.frt")})
        << "a new document's first save leaves no backup copy";

    // Closing lets go of the sheets before the document is freed.
    Form.CloseAction()->trigger();
    EXPECT_EQ(Form.Documentor().DocumentCount(), 0);
    EXPECT_EQ(Shown(), nullptr);
    EXPECT_EQ(Form.SheetForm()->Sheet(), nullptr);
    EXPECT_EQ(Form.LogForm()->Sheet(), nullptr);
    EXPECT_EQ(Form.windowTitle(), QStringLiteral("Quorvane"));
    Form.SheetForm()->repaint();

    Global.CommandLine.SetItems({file});
    Form.Start();
    ASSERT_NE(Shown(), nullptr);
    EXPECT_EQ(Shown()->FileName(), file);
    EXPECT_EQ(Text(), QStringLiteral("Hello"));
    EXPECT_EQ(Form.SheetForm()->Sheet(), Shown()->Sheet());
}

TEST_F(MainForm, ANewDocumentReplacesTheShownOne)
{
    NewPlainText();
    Form.NewActions().first()->trigger();
    EXPECT_EQ(Form.Documentor().DocumentCount(), 1) << "one document at a time";
    EXPECT_NE(Shown(), nullptr);
    EXPECT_EQ(Form.SheetForm()->Sheet(), Shown()->Sheet());
    Type(QStringLiteral("x"));
    EXPECT_EQ(Text(), QStringLiteral("x"));
}

TEST_F(MainForm, ClosingTheWindowAsksAboutChanges)
{
    struct TRow
    {
        const char* Name;
        int Choice; // AskChoice: -1 cancel, 0 save, 1 do not save
        QString SaveAnswer;
        bool Closed;
        bool FileWritten;
    };
    const QString file = Path(QStringLiteral("kept.frt"));
    const TRow rows[] = {
        {"cancel keeps the window", -1, QString(), false, false},
        {"save, dialog declined, keeps the window", 0, QString(), false, false},
        {"save writes and closes", 0, file, true, true},
        {"do not save closes", 1, QString(), true, false},
    };
    for (const TRow& row : rows) {
        QFile::remove(file);
        TMainForm form(Global, &Registry);
        form.show();
        form.NewActions().first()->trigger();
        ASSERT_NE(form.ShownDocument(), nullptr) << row.Name;
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QApplication::sendEvent(form.SheetForm(), &press);
        ASSERT_TRUE(form.ShownDocument()->Modified()) << row.Name;

        UI.ChoiceAnswer = row.Choice;
        UI.SaveFileAnswer = row.SaveAnswer;
        EXPECT_EQ(form.close(), row.Closed) << row.Name;
        EXPECT_EQ(form.isVisible(), !row.Closed) << row.Name;
        EXPECT_EQ(form.Documentor().DocumentCount(), row.Closed ? 0 : 1) << row.Name;
        EXPECT_EQ(QFile::exists(file), row.FileWritten) << row.Name;
    }
}

TEST_F(MainForm, AFailedSaveIsShownAndKeepsTheChanges)
{
    NewPlainText();
    Type(QStringLiteral("kept"));
    UI.SaveFileAnswer = Path(QStringLiteral("missing/folder/notes.frt"));
    UI.Calls.clear();
    Form.SaveAsAction()->trigger(); // must not raise through Qt
    EXPECT_TRUE(Shown()->Modified());
    EXPECT_EQ(Text(), QStringLiteral("kept"));
    ASSERT_FALSE(UI.Calls.isEmpty());
    EXPECT_TRUE(UI.Calls.last().startsWith(QStringLiteral("ShowError: ")))
        << UI.Calls.join(u'\n').toStdString();
}

TEST_F(MainForm, TheLogIsShownOnlyWhileItHasMessages)
{
    NewPlainText();
    EXPECT_FALSE(Form.LogForm()->isVisibleTo(&Form));
    TElementMessages& messages = Shown()->LogRoot()->LogMessages();
    messages.AddText(mkError, QStringLiteral("something failed"));
    EXPECT_TRUE(Form.LogForm()->isVisibleTo(&Form));
    messages.Clear();
    EXPECT_FALSE(Form.LogForm()->isVisibleTo(&Form));

    // A message left in the log of a document shows the log again when that document is shown.
    messages.AddText(mkHint, QStringLiteral("a hint"));
    UI.ChoiceAnswer = 1;
    Form.NewActions().first()->trigger();
    EXPECT_FALSE(Form.LogForm()->isVisibleTo(&Form)) << "the new document's log is empty";
}

TEST_F(MainForm, MenusHaveMnemonicsAndTheUsualShortcuts)
{
    for (QMenu* menu :
         {Form.FileMenu(), Form.EditMenu(), Form.ToolsMenu(), Form.ViewMenu(), Form.HelpMenu()}) {
        QStringList keys;
        for (QAction* action : menu->actions()) {
            if (action->isSeparator() || action->menu() == Form.NewMenu())
                continue;
            // A text whose every letter is taken keeps none.
            const qsizetype amp = action->text().indexOf(u'&');
            if (amp >= 0)
                keys.append(action->text().mid(amp + 1, 1).toLower());
        }
        EXPECT_GE(keys.size(), menu->actions().size() / 2) << "most items have one";
        EXPECT_EQ(keys.size(), QSet<QString>(keys.begin(), keys.end()).size())
            << keys.join(u',').toStdString();
    }
    NewPlainText();
    QKeyEvent alt(QEvent::KeyPress, Qt::Key_X, Qt::AltModifier, QStringLiteral("x"));
    QApplication::sendEvent(Form.SheetForm(), &alt);
    EXPECT_EQ(Text(), QString()) << "Alt+letter types nothing";
    QKeyEvent backtab(QEvent::KeyPress, Qt::Key_Backtab, Qt::ShiftModifier, QStringLiteral("\t"));
    QApplication::sendEvent(Form.SheetForm(), &backtab);
    EXPECT_EQ(Text(), QString()) << "Shift+Tab types nothing";
    EXPECT_EQ(Form.SaveAsAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    EXPECT_EQ(Form.CloseAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_W));
    EXPECT_TRUE(Form.SheetForm()->RedoAction()->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_Y)));
}

// Find and Replace on a new Plain Text document holding `text`, the caret at its start (forward)
// or its end (backward).
class MainFormSearch : public MainForm
{
protected:
    TTextSearch Search(const QString& text, const QString& searched, bool forward, bool matchCase)
    {
        NewPlainText();
        Root()->SetText(text);
        Shown()->UndoRedo()->Clear();
        QApplication::processEvents();
        const TTextorIndex at =
            forward ? TTextorIndex{} : Root()->Textor()->ToIndex(Root()->Textor()->LastPosition());
        Root()->SetSelection({at, at});
        TTextSearch search(Shown()->Scheme(), Shown()->Sheet());
        search.Text = searched;
        search.MatchCase = matchCase;
        search.Forward = forward;
        return search;
    }
    TPlainTextRoot* Root() const { return static_cast<TPlainTextRoot*>(Shown()->Scheme()->Root()); }
    QString Selected() const
    {
        TTextorRange range;
        return Root()->Textor()->FromIndex(Root()->Selection(), range) ? Root()->Textor()->GetRangeText(range)
                                                                       : QString();
    }
};

TEST_F(MainFormSearch, FindSelectsEachMatchInTurnThenSaysItFoundNoMore)
{
    struct TRow
    {
        const char* Name;
        bool Forward;
        bool MatchCase;
        QStringList Found; // paragraph:offset of each match, in order
    };
    const TRow rows[] = {
        {"forward", true, false, {"0:0", "0:11", "1:3"}},
        {"forward, match case", true, true, {"1:3"}},
        {"backward", false, false, {"1:3", "0:11", "0:0"}},
        {"backward, match case", false, true, {"1:3"}},
    };
    for (const TRow& row : rows) {
        TTextSearch search = Search(QStringLiteral("Alpha beta ALPHA\r\nab\talpha"), QStringLiteral("alpha"),
                                    row.Forward, row.MatchCase);
        UI.Calls.clear();
        UI.MessageAnswers = {mbNo};
        QStringList found;
        while (search.FindNext()) {
            const TTextorIndex start = qMin(Root()->Selection().Start, Root()->Selection().End);
            found.append(QStringLiteral("%1:%2").arg(start.Paragraph).arg(start.Offset));
            EXPECT_EQ(Selected().toLower(), QStringLiteral("alpha")) << row.Name;
            if (found.size() > 5)
                break;
        }
        EXPECT_EQ(found, row.Found) << row.Name;
        EXPECT_EQ(UI.Calls, QStringList{QStringLiteral("MessageBox: %1||%2|%3|%4")
                                            .arg(LoadStr(row.Forward ? 4932 : 4933))
                                            .arg(int(miQuestion))
                                            .arg(int(mbYes | mbNo))
                                            .arg(int(mbYes))})
            << row.Name << ": past the end, the search offers to go on from the other end";
        // Going on from the other end finds the first match again.
        UI.MessageAnswers = {mbYes};
        EXPECT_TRUE(search.FindNext()) << row.Name;
        const TTextorIndex start = qMin(Root()->Selection().Start, Root()->Selection().End);
        EXPECT_EQ(QStringLiteral("%1:%2").arg(start.Paragraph).arg(start.Offset), row.Found.first())
            << row.Name;
        EXPECT_FALSE(Shown()->UndoRedo()->CanUndo()) << row.Name << ": a search changes nothing";
    }
}

TEST_F(MainFormSearch, WrappingFindsNothingWhereNothingMatchesAndLeavesTheCaret)
{
    TTextSearch search = Search(QStringLiteral("one\r\ntwo"), QStringLiteral("three"), true, false);
    Root()->SetSelection({{1, 1}, {1, 2}});
    UI.Calls.clear();
    EXPECT_FALSE(search.FindNext());
    ASSERT_EQ(UI.Calls.size(), 2);
    EXPECT_EQ(UI.Calls[1].section(u'|', 0, 0), QStringLiteral("MessageBox: ") + LoadStr(2334, {search.Text}));
    EXPECT_EQ(Shown()->Sheet()->FocusedElement(), Root());
    EXPECT_EQ(Selected(), QStringLiteral("w"));
}

// A comment embedded at the start of the text: the search goes through its text into the text after it.
TEST_F(MainFormSearch, FindGoesOnBesideAnEmbeddedElement)
{
    RegisterCommentElements();
    NewPlainText();
    Root()->InsertNewElement(TElement_Comment::StaticClass(), nullptr, nullptr);
    const auto comments = Root()->CollectAll<TElement_Comment>();
    ASSERT_EQ(comments.size(), 1u);
    TElement_Comment* comment = comments[0];
    comment->SetText(QStringLiteral("no dog"));
    Shown()->Sheet()->SetFocus(Root());
    QApplication::processEvents();
    Root()->SetSelection({{0, 1}, {0, 1}});
    Root()->ReplaceSelection(QStringLiteral("a cat"));
    Root()->SetSelection({});
    QApplication::processEvents();
    TTextSearch search(Shown()->Scheme(), Shown()->Sheet());
    search.Text = QStringLiteral("cat");
    EXPECT_TRUE(search.FindNext());
    EXPECT_EQ(Shown()->Sheet()->FocusedElement(), Root());
    EXPECT_EQ(Selected(), QStringLiteral("cat"));
}

TEST_F(MainFormSearch, ReplaceAllIsOneUndoStepAndReportsTheCount)
{
    const QString text = QStringLiteral("one cat, two Cat\r\ncat");
    struct TRow
    {
        const char* Name;
        bool Forward;
        QString Replacement;
        QString Expected;
    };
    const TRow rows[] = {
        {"forward", true, QStringLiteral("dog"), QStringLiteral("one dog, two dog\r\ndog")},
        {"backward, the replacement holding the text", false, QStringLiteral("a cat"),
         QStringLiteral("one a cat, two a cat\r\na cat")},
    };
    for (const TRow& row : rows) {
        TTextSearch search = Search(text, QStringLiteral("cat"), row.Forward, false);
        UI.Calls.clear();
        EXPECT_EQ(search.ReplaceAll(row.Replacement), 3) << row.Name;
        EXPECT_EQ(Root()->GetText(), row.Expected) << row.Name;
        ASSERT_EQ(UI.Calls.size(), 1) << row.Name;
        EXPECT_EQ(UI.Calls.first().section(u'|', 0, 0),
                  QStringLiteral("MessageBox: ") + LoadStr(2944, {QStringLiteral("3")}))
            << row.Name;
        EXPECT_TRUE(Shown()->UndoRedo()->Undo());
        EXPECT_EQ(Root()->GetText(), text) << row.Name;
        EXPECT_FALSE(Shown()->UndoRedo()->CanUndo()) << row.Name;
    }
}

TEST_F(MainFormSearch, ReplaceTakesTheSelectedMatchAndOnlyBeepsWhenReadOnly)
{
    TTextSearch search = Search(QStringLiteral("cat cat"), QStringLiteral("cat"), true, false);
    EXPECT_TRUE(search.Replace(QStringLiteral("dog"))) << "the first press finds";
    EXPECT_EQ(Root()->GetText(), QStringLiteral("cat cat"));
    EXPECT_TRUE(search.Replace(QStringLiteral("dog"))) << "the second replaces and finds the next";
    EXPECT_EQ(Root()->GetText(), QStringLiteral("dog cat"));
    EXPECT_EQ(Selected(), QStringLiteral("cat"));

    Shown()->Scheme()->SetReadOnlyLevel(rolReadOnly);
    UI.Calls.clear();
    search.Replace(QStringLiteral("dog"));
    EXPECT_EQ(search.ReplaceAll(QStringLiteral("dog")), 0);
    EXPECT_EQ(Root()->GetText(), QStringLiteral("dog cat"));
    ASSERT_EQ(UI.Calls.size(), 3);
    EXPECT_EQ(UI.Calls[0], QStringLiteral("Beep"));
    EXPECT_EQ(UI.Calls[1], QStringLiteral("Beep"));
    EXPECT_EQ(UI.Calls[2].section(u'|', 0, 0), QStringLiteral("MessageBox: ") + LoadStr(4934))
        << "Replace All says why nothing happened";
}

TEST_F(MainForm, SaveAsKeepsTheTypesExtensionAndRecentFilesStayFew)
{
    NewPlainText();
    Type(QStringLiteral("t"));
    UI.SaveFileAnswer = Path(QStringLiteral("notes.txt"));
    Form.SaveAsAction()->trigger();
    EXPECT_EQ(Shown()->FileName(), Path(QStringLiteral("notes.txt.frt"))) << "reopenable as Plain Text";
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("notes.txt"))));

    // Eight files opened one after the other: the menu lists six, never the one that is open.
    for (int i = 0; i < 8; ++i) {
        const QString name = Path(QStringLiteral("f%1.frt").arg(i));
        QFile::copy(Path(QStringLiteral("notes.txt.frt")), name);
        ASSERT_TRUE(Form.Documentor().OpenFile(name));
    }
    ASSERT_EQ(Form.RecentActions().size(), 6);
    EXPECT_EQ(Form.RecentActions().first()->toolTip(), Path(QStringLiteral("f6.frt")));
    for (QAction* action : Form.RecentActions())
        EXPECT_NE(action->toolTip(), Shown()->FileName());
}

TEST_F(MainForm, CommandLineReadOnlyAndFurtherFiles)
{
    const QString a = Path(QStringLiteral("a.frt"));
    const QString b = Path(QStringLiteral("b.frt"));
    QFile::copy(QStringLiteral(QV_SOURCE_DIR "/tests/schemes/plaintext/data/worked_example.frt"), a);
    QFile::copy(a, b);
    QStringList started;
    Form.OnStartProcess = [&started](const QString& file) {
        started.append(file);
    };
    Global.CommandLine.SetItems({QStringLiteral("-readonly"), a, b});
    Form.Start();
    ASSERT_NE(Shown(), nullptr);
    EXPECT_EQ(Shown()->FileName(), a);
    EXPECT_EQ(Shown()->Scheme()->ReadOnlyLevel(), rolReadOnly);
    EXPECT_TRUE(Form.ReadOnlyAction()->isChecked());
    EXPECT_EQ(Form.windowTitle(), QStringLiteral("a (read-only)[*] \u2014 Quorvane"));
    Form.ReadOnlyAction()->trigger();
    EXPECT_EQ(Form.windowTitle(), QStringLiteral("a[*] \u2014 Quorvane"));
    EXPECT_EQ(started, QStringList{b}) << "one document per process";
    EXPECT_TRUE(UI.Calls.isEmpty()) << UI.Calls.join(u'\n').toStdString();

    // Dropped files: the first opens here, the others in processes of their own.
    started.clear();
    Form.DropFiles({b, a, Path(QStringLiteral("c.frt"))});
    EXPECT_EQ(Shown()->FileName(), b);
    EXPECT_EQ(started, (QStringList{a, Path(QStringLiteral("c.frt"))}));
}

TEST_F(MainForm, ClosingWritesThePlacementSessionAndSettings)
{
    Form.setGeometry(30, 40, 500, 400);
    Form.Start();
    ASSERT_TRUE(Form.close());
    TGlobal next({});
    TKnot* place = next.SessionFile.Knot.FindKnot(QStringLiteral("MainForm"));
    ASSERT_NE(place, nullptr);
    EXPECT_EQ(place->ReadInt(QStringLiteral("Width"), 0), 500);
    EXPECT_EQ(next.SettingsFile.LoadState, TSessionFile::lsLoaded) << "settings written at the first exit";
    TKnot* layout = place->FindKnot(QStringLiteral("EditForm"));
    ASSERT_NE(layout, nullptr);
    EXPECT_EQ(layout->ReadInt(QStringLiteral("LogHeight"), 0), 130);
    layout->WriteInt(QStringLiteral("LogHeight"), 200);
    TMainForm form(next, &Registry);
    form.RestorePlacement();
    EXPECT_EQ(form.LogHeight(), 200);
    EXPECT_EQ(form.geometry().width(), 500);
}

// The editing window's commands on logic frames in a Plain Text document: the first frame holds
// text, the second is empty.
class MainFormEditing : public MainForm
{
protected:
    void SetUp() override
    {
        MainForm::SetUp();
        RegisterCommentElements();
        NewPlainText();
        auto* root = static_cast<TPlainTextRoot*>(Shown()->Scheme()->Root());
        for (int i = 0; i < 2; ++i)
            Frames.append(static_cast<TElement_LogicFrame*>(
                root->InsertNewElement(TElement_LogicFrame::StaticClass(), nullptr, nullptr)));
        Frames[0]->Content()->SetText(QStringLiteral("inside"));
        Shown()->UndoRedo()->Clear();
        Shown()->UndoRedo()->SetModified(false);
        QApplication::processEvents();
    }
    QList<bool> Expanded() const
    {
        QList<bool> states;
        for (TElement_LogicFrame* frame : Frames)
            states.append(frame->ExpandButton()->Expanded());
        return states;
    }
    TEditForm& Edit() const { return *Form.EditForm(); }

    QList<TElement_LogicFrame*> Frames;
};

TEST_F(MainFormEditing, ExpandCommandsAreOneUndoStepEach)
{
    struct TRow
    {
        QAction* Action;
        QList<bool> After;
    };
    const TRow rows[] = {
        {Edit().CollapseAllAction(), {false, false}},
        {Edit().ExpandAllAction(), {true, true}},
        {Edit().ExpandedNotEmptyAction(), {true, false}},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Action->text().toStdString());
        // Start from the opposite of what the command makes, so that every button changes.
        for (qsizetype i = 0; i < Frames.size(); ++i)
            Frames[i]->ExpandButton()->SetExpanded(!row.After[i]);
        const QList<bool> before = Expanded();
        row.Action->trigger();
        EXPECT_EQ(Expanded(), row.After);
        Form.SheetForm()->UndoAction()->trigger();
        EXPECT_EQ(Expanded(), before) << "one Undo restores every button";
    }
    EXPECT_FALSE(Shown()->Modified()) << "collapsing is not a change of the document";

    // The text holding the frames lays their lines out again as they change size.
    Edit().ExpandAllAction()->trigger();
    const int below = Frames[1]->Top();
    Edit().CollapseAllAction()->trigger();
    EXPECT_LT(Frames[1]->Top(), below);
}

TEST_F(MainFormEditing, AFramesContentOffersWhatTheTextAroundItAccepts)
{
    // The content takes its options from the text holding the frame once the frame is placed there.
    TElementClassList outer;
    TElementClassList inner;
    Shown()->Scheme()->Root()->GetAcceptedClasses(outer);
    Frames[0]->Content()->GetAcceptedClasses(inner);
    EXPECT_FALSE(inner.isEmpty());
    EXPECT_EQ(inner, outer);
    QList<TPaletteItem*> items;
    bool forSelection = false;
    CollectPaletteItems(Frames[0]->Content(), items, forSelection);
    EXPECT_TRUE(items.contains(Palette().FindElementItem(TElement_LogicFrame::StaticClass())));
}

TEST_F(MainFormEditing, ElementLinksMarkAndFocusWhatStillExists)
{
    const int frame = Frames[1]->ID();
    Edit().FollowElementsLink({frame, 987654});
    TSheet* sheet = Shown()->Sheet();
    EXPECT_EQ(sheet->Marked(), QList<TVisualElement*>{Frames[1]});
    EXPECT_EQ(sheet->FocusedElement(), Frames[1]);
    ASSERT_EQ(UI.Calls.size(), 1);
    EXPECT_TRUE(UI.Calls[0].contains(QStringLiteral("987654"))) << UI.Calls[0].toStdString();

    // Through the log: a message whose link names the frame.
    UI.Calls.clear();
    Shown()->LogRoot()->OnElementsLink({Frames[0]->ID()});
    EXPECT_EQ(sheet->Marked(), QList<TVisualElement*>{Frames[0]});
    EXPECT_TRUE(UI.Calls.isEmpty()) << UI.Calls.join(u'\n').toStdString();
}

TEST_F(MainFormEditing, OneClickOnAFileLinkOpensTheFileAndTheMenuShowsItsFolder)
{
    TFakeClipboard clipboard;
    TFakeUrlOpener opener;
    TScopedDesktop desktop(&clipboard, &opener);
    const QString file = Path(QStringLiteral("out.bat"));
    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::WriteOnly) && written.write("echo\r\n") > 0);
    written.close();
    TLogRoot* log = Shown()->LogRoot();
    log->LogMessages().AddFileMessage(mkInformation, QStringLiteral("Created [out.bat]"), file);
    QApplication::processEvents();
    QPoint link(-1, -1);
    for (int y = 0; y < log->BoundsRect().height() && link.x() < 0; y += 2) {
        for (int x = 0; x < log->BoundsRect().width() && link.x() < 0; x += 2) {
            if (!log->FileLinkAt({x, y}).isEmpty())
                link = {x, y};
        }
    }
    ASSERT_GE(link.x(), 0) << "the link is laid out";
    const QPoint sheetPoint = link + log->SheetOrigin();
    const QPoint view = sheetPoint - Form.LogForm()->Origin();
    QWidget* viewport = Form.LogForm()->viewport();
    const QPointF global = viewport->mapToGlobal(QPointF(view));
    QMouseEvent press(QEvent::MouseButtonPress, view, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &press);
    EXPECT_TRUE(opener.Opened.isEmpty()) << "a link follows when the button is released on it";
    QMouseEvent release(QEvent::MouseButtonRelease, view, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(viewport, &release);
    EXPECT_EQ(opener.Opened, QList<QUrl>{QUrl::fromLocalFile(file)});
    EXPECT_TRUE(UI.Calls.isEmpty()) << UI.Calls.join(u'\n').toStdString();

    QMenu menu;
    Edit().AddLogMenuItems(menu, sheetPoint);
    ASSERT_FALSE(menu.actions().isEmpty());
    EXPECT_EQ(menu.actions().last()->text(), LoadStr(4931));
    menu.actions().last()->trigger();
    EXPECT_EQ(opener.Opened.last(), QUrl::fromLocalFile(QFileInfo(file).absolutePath()));
    // Away from a link the menu has nothing to add.
    QMenu plain;
    Edit().AddLogMenuItems(plain, log->SheetOrigin() + QPoint(log->BoundsRect().width() - 1, 0));
    EXPECT_TRUE(plain.actions().isEmpty());
}

TEST_F(MainFormEditing, TheLogButtonShowsTheSeverityAndClearsTheLog)
{
    TElementMessages& messages = Shown()->LogRoot()->LogMessages();
    EXPECT_FALSE(Edit().LogButton()->isVisibleTo(&Form));
    messages.AddText(mkHint, QStringLiteral("a hint"));
    EXPECT_EQ(Edit().LogButton()->Severity(), 1);
    messages.AddText(mkFatal, QStringLiteral("it stopped"));
    EXPECT_EQ(Edit().LogButton()->Severity(), 3);
    EXPECT_TRUE(Edit().LogButton()->isVisibleTo(&Form));
    QApplication::processEvents();
    const QWidget* handle = Edit().Splitter()->handle(1);
    const QRect splitter(handle->mapTo(&Edit(), QPoint()), handle->size());
    EXPECT_TRUE(splitter.contains(Edit().LogButton()->geometry().center()))
        << "the button sits on the splitter";
    EXPECT_TRUE(Edit().LogButton()->toolTip().endsWith(QStringLiteral("(Ctrl+F5)")))
        << Edit().LogButton()->toolTip().toStdString();
    EXPECT_TRUE(Form.ClearLogAction()->isEnabled());
    Edit().LogButton()->click();
    EXPECT_TRUE(messages.IsEmpty());
    EXPECT_FALSE(Form.LogForm()->isVisibleTo(&Form));
    EXPECT_FALSE(Form.ClearLogAction()->isEnabled());

    // F5 collects every element's messages into the log again (here: none).
    messages.AddText(mkError, QStringLiteral("stale"));
    Form.CheckAllAction()->trigger();
    EXPECT_TRUE(messages.IsEmpty()) << "Check All starts a fresh log";
}

TEST_F(MainForm, AnOpenedDocumentIsLaidOutOnceAtTheWindowsWidth)
{
    const QString file = Path(QStringLiteral("long.frt"));
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write("\xEF\xBB\xBF<FreeText FormatVersion=\"1.2\">");
        for (int i = 0; i < 30; ++i)
            out.write("<Chars Value=\"a paragraph long enough to wrap in a narrow window, and a little "
                      "more\"/><Br/>");
        out.write("</FreeText>");
    }
    Form.resize(500, 400);
    QApplication::processEvents();
    ASSERT_TRUE(Form.Documentor().OpenFile(file));
    auto* root = static_cast<TPlainTextRoot*>(Shown()->Scheme()->Root());
    EXPECT_LE(root->Textor()->Counters().Wraps, 31) << "each paragraph wrapped once";
    EXPECT_EQ(Shown()->Sheet()->PageSize(), Form.SheetForm()->viewport()->size());
}

TEST_F(MainForm, CodeThatDoesNotParseStaysInCodeModeWithTheCaretAtTheError)
{
    NewPlainText();
    Type(QStringLiteral("Hello"));
    Form.CodeAction()->trigger();
    TScheme* scheme = Shown()->Scheme();
    ASSERT_TRUE(scheme->CodeMode());
    auto* code = static_cast<TTextorElement*>(scheme->Root());
    code->ReplaceWithText(tetAll, nullptr, false,
                          QStringLiteral("<FreeText FormatVersion=\"1.2>\r\n</FreeText>"));
    UI.Calls.clear();

    Form.CodeAction()->trigger();
    ASSERT_TRUE(scheme->CodeMode()) << "the broken code must not replace the document";
    EXPECT_TRUE(Form.CodeAction()->isChecked());
    EXPECT_EQ(UI.Calls, QStringList{QStringLiteral("Beep")});
    QLabel* bar = Form.EditForm()->NoticeBar();
    EXPECT_TRUE(bar->isVisibleTo(&Form));
    EXPECT_TRUE(bar->text().contains(QStringLiteral("Line 1, column 25"))) << bar->text().toStdString();
    EXPECT_EQ(code->Selection().End, (TTextorIndex{0, 24}));

    Form.EditForm()->CancelCodeAction()->trigger();
    EXPECT_FALSE(scheme->CodeMode());
    EXPECT_EQ(Text(), QStringLiteral("Hello"));
    EXPECT_FALSE(bar->isVisibleTo(&Form));
}

TEST_F(MainForm, AFileReadInPartIsMarkedInTheTitleAndTheBar)
{
    QFile source(QStringLiteral(QV_SOURCE_DIR "/tests/schemes/plaintext/data/worked_example.frt"));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    QByteArray bytes = source.readAll();
    bytes.replace("Value=\"world&#9;!\"", "Value=\"world&#9;!"); // the last value loses its closing quote
    const QString file = Path(QStringLiteral("a.frt"));
    {
        QFile target(file);
        ASSERT_TRUE(target.open(QIODevice::WriteOnly));
        target.write(bytes);
    }
    Global.CommandLine.SetItems({file});
    Form.Start();
    ASSERT_NE(Shown(), nullptr);
    EXPECT_EQ(Form.windowTitle(), QStringLiteral("a (loaded in part)[*] \u2014 Quorvane"));
    QLabel* bar = Form.EditForm()->NoticeBar();
    EXPECT_TRUE(bar->isVisibleTo(&Form));
    EXPECT_EQ(bar->text(), LoadStr(4823, {QStringLiteral("1")}));
}

TEST_F(MainForm, NoTwoCommandsShareAShortcut)
{
    // Qt fires neither of two actions on one key in one window.
    QHash<QString, QString> owners;
    const QList<QAction*> actions = Form.findChildren<QAction*>();
    for (QAction* action : actions) {
        // Widget shortcuts (the sheet windows' edit commands) are only seen by their widget.
        if (action->shortcutContext() != Qt::WindowShortcut)
            continue;
        for (const QKeySequence& key : action->shortcuts()) {
            const QString name = key.toString();
            EXPECT_FALSE(owners.contains(name) && owners.value(name) != action->text())
                << name.toStdString() << ": " << owners.value(name).toStdString() << " and "
                << action->text().toStdString();
            owners.insert(name, action->text());
        }
    }
    for (const char* key : {"F3", "F4", "F5", "F6", "Esc", "Ctrl+F5", "Ctrl+H", "Ctrl+R", "Ctrl+Shift+K"})
        EXPECT_TRUE(owners.contains(QString::fromLatin1(key))) << key;
}

TEST(MainFormFirstRun, TheFirstNewDocumentIsAnUntitledPlainTextWithTheWelcomeText)
{
    QTemporaryDir dir;
    TFakeAppFolders folders(dir.path());
    TFakeUserInterface ui;
    TScopedUserInterface scopedUI(&ui);
    RegisterCommentElements();
    // A type that sorts before Plain Text is not what a first start makes.
    TSchemeRegistry registry;
    registry.RegisterScheme(TCommandFileSchemeDescriptor::StaticClass());
    registry.RegisterScheme(TPlainTextSchemeDescriptor::StaticClass());
    TGlobal global({});
    ASSERT_TRUE(global.FirstRun());
    TMainForm form(global, &registry);
    form.Start();
    ASSERT_NE(form.ShownDocument(), nullptr);
    EXPECT_EQ(form.ShownDocument()->Descriptor(), TPlainTextSchemeDescriptor::StaticClass());
    EXPECT_EQ(form.ShownDocument()->GetTitle(), QStringLiteral("Untitled"));
    EXPECT_TRUE(form.windowTitle().startsWith(QStringLiteral("Untitled")))
        << form.windowTitle().toStdString();
    auto* root = static_cast<TPlainTextRoot*>(form.ShownDocument()->Scheme()->Root());
    const auto comments = root->CollectAll<TElement_Comment>();
    ASSERT_EQ(comments.size(), 1u);
    EXPECT_TRUE(comments[0]->GetText().startsWith(QStringLiteral("Welcome to Quorvane!")));
    EXPECT_FALSE(form.ShownDocument()->Modified());
    // What the user types first goes into the document below the welcome, not into the welcome.
    TSchemeDocument* shown = form.ShownDocument();
    EXPECT_EQ(static_cast<TElement*>(shown->Sheet()->FocusedElement()),
              static_cast<TElement*>(shown->Descriptor()->GetVisualRoot(shown->Scheme())));
    ui.ChoiceAnswer = 1;
    for (QAction* action : form.NewActions()) {
        if (QString(action->text()).remove(u'&') ==
            TPlainTextSchemeDescriptor::StaticClass()->GetMenuCaption())
            action->trigger();
    }
    EXPECT_TRUE(static_cast<TPlainTextRoot*>(form.ShownDocument()->Scheme()->Root())
                    ->CollectAll<TElement_Comment>()
                    .empty())
        << "only the first";
}

} // namespace
} // namespace qv
