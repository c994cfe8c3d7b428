// Documents and the document manager: new, open, save, save as, close, backups, the recent-files
// list and view state, against real files in a temporary folder and a recording user interface.

#include "documents/document.h"
#include "documents/documentor.h"
#include "documents/recent_files.h"
#include "documents/scheme_document.h"

#include "core/errors.h"
#include "core/knot.h"
#include "core/safe_file.h"
#include "core/strings.h"
#include "core/undo_redo.h"
#include "elements/element_messages.h"
#include "elements/scheme.h"
#include "elements/scheme_descriptor.h"
#include "elements/sheet.h"
#include "fields/textor_element.h"
#include "roots/log_root.h"
#include "roots/root.h"

#include "support/fake_user_interface.h"
#include "support/printers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace qv {
namespace documents_test {

// A small text document type: a plain text root under the node "TestText", files "*.qvt".
class TTestTextDescriptor : public TSchemeDescriptor
{
    QV_CLASS(TTestTextDescriptor, TSchemeDescriptor)
    static QString GetTitle(TDescriptor) { return QStringLiteral("Test Text"); }
    static QString GetExtension(TDescriptor) { return QStringLiteral("qvt"); }
    static QString GetRootName(TDescriptor) { return QStringLiteral("TestText"); }
    static int GetSortValue(TDescriptor) { return 30; }
    static const TElementClass* GetRootClass(TDescriptor) { return TPlainTextRoot::StaticClass(); }
};
QV_IMPLEMENT_CLASS(TTestTextDescriptor)

// A second creatable type, registered after the first.
class TTestNotesDescriptor : public TTestTextDescriptor
{
    QV_CLASS(TTestNotesDescriptor, TTestTextDescriptor)
    static QString GetTitle(TDescriptor) { return QStringLiteral("Test Notes"); }
    static QString GetExtension(TDescriptor) { return QStringLiteral("qvn"); }
    static int GetSortValue(TDescriptor) { return 10; }
};
QV_IMPLEMENT_CLASS(TTestNotesDescriptor)

// A registered type that can be neither created nor opened.
class TTestClosedDescriptor : public TTestTextDescriptor
{
    QV_CLASS(TTestClosedDescriptor, TTestTextDescriptor)
    static QString GetExtension(TDescriptor) { return QStringLiteral("qvx"); }
    static bool CanCreate(TDescriptor) { return false; }
    static int GetSortValue(TDescriptor) { return 40; }
};
QV_IMPLEMENT_CLASS(TTestClosedDescriptor)

} // namespace documents_test

namespace {

using namespace documents_test;

QByteArray ReadFile(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

class Documents : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Dir.isValid());
        Registry.RegisterScheme(TTestTextDescriptor::StaticClass());
        Registry.RegisterScheme(TTestNotesDescriptor::StaticClass());
        Registry.RegisterScheme(TTestClosedDescriptor::StaticClass());
        ConnectSchemeDocuments(Manager, &Registry);
        Manager.ApplicationTitle = QStringLiteral("Quorvane");
        Manager.SetRecentFiles(&Recent);
        Manager.Notifier()->AddHandler(MakeNotifyEvent<&Documents::Record>(this));
    }
    void TearDown() override
    {
        FailNthFileWriteForTesting(0);
        Manager.Notifier()->RemoveHandler(MakeNotifyEvent<&Documents::Record>(this));
    }

    void Record(TItfObject*, int kind, intptr_t, intptr_t) { Kinds.append(kind); }

    QString Path(const QString& name) const { return Dir.filePath(name); }

    TSchemeDocument* Current() const { return dynamic_cast<TSchemeDocument*>(Manager.Current()); }
    TTextorElement* Text(TSchemeDocument* document = nullptr) const
    {
        return static_cast<TTextorElement*>((document != nullptr ? document : Current())->Scheme()->Root());
    }
    // An undoable edit: appends a line to the current document.
    void Type(const QString& text) { Text()->ReplaceWithText(tetAppend, nullptr, false, text); }

    // A document of the test type saved as `name` with `text`, then closed; returns its path.
    QString MakeFile(const QString& name, const QString& text)
    {
        EXPECT_TRUE(Manager.New(false, TTestTextDescriptor::StaticClass()));
        Type(text);
        UI.SaveFileAnswer = Path(name);
        EXPECT_TRUE(Manager.Save());
        EXPECT_TRUE(Manager.Close());
        Recent.RemoveFile(Path(name));
        UI.Calls.clear();
        Kinds.clear();
        return Path(name);
    }

    QTemporaryDir Dir;
    TFakeUserInterface UI;
    TScopedUserInterface Scope{&UI};
    TSchemeRegistry Registry;
    TKnot Session{QStringLiteral("session")};
    TRecentFiles Recent{&Session};
    TDocumentor Manager;
    QList<int> Kinds;
};

// --- New, titles and events --------------------------------------------------------------------------------

TEST_F(Documents, NewDocumentTakesTheTypeTitleUntilSavedAndWiresItsLog)
{
    ASSERT_TRUE(Manager.New(false, TTestTextDescriptor::StaticClass()));
    EXPECT_EQ(Kinds, (QList<int>{dnDocumentListChanged, dnAppActions, dnTitleChanged, dnSwitched,
                                 dnAppActions, dnUndoRedoActions}));
    TSchemeDocument* document = Current();
    ASSERT_NE(document, nullptr);
    EXPECT_TRUE(document->Active());
    EXPECT_EQ(Manager.GetTitle(), QStringLiteral("Test Text \u2014 Quorvane"));
    EXPECT_EQ(document->Scheme()->Messages(), &document->LogRoot()->LogMessages());
    EXPECT_EQ(document->Scheme()->UndoRedo(), document->UndoRedo());
    EXPECT_EQ(document->LogScheme()->ReadOnlyLevel(), rolReadOnly);
    // The first activation created the views; the editing sheet shows the root.
    ASSERT_NE(document->Sheet(), nullptr);
    ASSERT_NE(document->LogSheet(), nullptr);
    EXPECT_EQ(document->Sheets(), QList<TSheet*>{document->Sheet()});
    EXPECT_EQ(static_cast<TVisualElement*>(document->Scheme()->Root())->Sheet(), document->Sheet());
    EXPECT_TRUE(document->LogSheet()->IsReadOnly());
    EXPECT_TRUE(Manager.CanSaveAll());

    Type(QStringLiteral("hello"));
    EXPECT_TRUE(document->Modified());
    UI.SaveFileAnswer = Path(QStringLiteral("notes.qvt"));
    ASSERT_TRUE(Manager.Save());
    EXPECT_EQ(UI.Calls.value(0), QStringLiteral("ChooseSaveFile: |Test Text (*.qvt)|Test Text|qvt"));
    EXPECT_EQ(Manager.GetTitle(), QStringLiteral("notes \u2014 Quorvane"));
    EXPECT_FALSE(document->Modified());
    EXPECT_FALSE(document->UndoRedo()->CanUndo()) << "the history goes with a save";
    EXPECT_FALSE(Manager.CanSaveAll());
    EXPECT_TRUE(ReadFile(Path(QStringLiteral("notes.qvt"))).contains("<Chars Value=\"hello\"/>"));
}

TEST_F(Documents, UndoAfterSaveKeepsTheHistory)
{
    Manager.SetOptions(Manager.Options() | doUndoAfterSave);
    ASSERT_TRUE(Manager.New(false, TTestTextDescriptor::StaticClass()));
    Type(QStringLiteral("x"));
    UI.SaveFileAnswer = Path(QStringLiteral("kept.qvt"));
    ASSERT_TRUE(Manager.Save());
    EXPECT_TRUE(Current()->UndoRedo()->CanUndo());
    EXPECT_FALSE(Current()->Modified());
    Type(QStringLiteral("y"));
    Current()->UndoRedo()->Undo();
    EXPECT_FALSE(Current()->Modified()) << "undone back to the saved state";
}

TEST_F(Documents, CancelledSaveAsWritesNothingAndKeepsTheChanges)
{
    ASSERT_TRUE(Manager.New(false, TTestTextDescriptor::StaticClass()));
    Type(QStringLiteral("x"));
    UI.SaveFileAnswer.clear();
    EXPECT_FALSE(Manager.Save());
    EXPECT_TRUE(Current()->Modified());
    EXPECT_TRUE(Current()->FileName().isEmpty());
    EXPECT_TRUE(QDir(Dir.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(Documents, AutomaticNewPicksTheCreatableTypeByNumber)
{
    struct TRow
    {
        int Index;
        TDescriptor Expected;
    };
    const TRow rows[] = {{0, TTestTextDescriptor::StaticClass()},
                         {1, TTestTextDescriptor::StaticClass()},
                         {2, TTestNotesDescriptor::StaticClass()},
                         {3, TTestTextDescriptor::StaticClass()}};
    for (const TRow& row : rows) {
        TDocumentor manager;
        ConnectSchemeDocuments(manager, &Registry, nullptr, row.Index);
        manager.SetOptions(doAutoCreateDoc);
        manager.Start();
        ASSERT_EQ(manager.DocumentCount(), 1) << row.Index;
        EXPECT_EQ(static_cast<TSchemeDocument*>(manager.Current())->Descriptor(), row.Expected) << row.Index;
    }
}

// --- Open ------------------------------------------------------------------------------------------------

TEST_F(Documents, OpenLoadsTheFileAndFailuresOpenNothing)
{
    const QString notes = MakeFile(QStringLiteral("notes.qvt"), QStringLiteral("line"));
    ASSERT_TRUE(Manager.OpenFile(notes));
    EXPECT_EQ(Text()->GetText(), QStringLiteral("line"));
    EXPECT_EQ(Current()->FileName(), notes);
    EXPECT_FALSE(Current()->Modified());
    EXPECT_EQ(Manager.GetTitle(), QStringLiteral("notes \u2014 Quorvane"));

    struct TRow
    {
        const char* Name;
        QString Expected;
    };
    const QString text = Path(QStringLiteral("a.txt"));
    const QString closed = Path(QStringLiteral("b.qvx"));
    const QString missing = Path(QStringLiteral("missing.qvt"));
    QFile(text).open(QIODevice::WriteOnly);
    const TRow rows[] = {
        {"txt", QStringLiteral("ShowError: Unsupported file type: ") + text},
        {"type that cannot open", QStringLiteral("ShowError: Unsupported file type: ") + closed},
        {"missing", QStringLiteral("ShowError: File not found: ") + missing}};
    const QString files[] = {text, closed, missing};
    for (int i = 0; i < 3; ++i) {
        UI.Calls.clear();
        Kinds.clear();
        EXPECT_FALSE(Manager.OpenFile(files[i])) << rows[i].Name;
        EXPECT_EQ(UI.Calls, QStringList{rows[i].Expected}) << rows[i].Name;
        EXPECT_EQ(Manager.DocumentCount(), 1) << rows[i].Name;
        EXPECT_EQ(Manager.Current()->FileName(), notes) << rows[i].Name;
        EXPECT_TRUE(Kinds.isEmpty()) << rows[i].Name;
        EXPECT_EQ(UI.WaitCursorDepth, 0);
    }
}

TEST_F(Documents, OpeningAnOpenFileSwitchesToItsDocument)
{
    const QString first = MakeFile(QStringLiteral("first.qvt"), QStringLiteral("1"));
    const QString second = MakeFile(QStringLiteral("second.qvt"), QStringLiteral("2"));
    ASSERT_TRUE(Manager.OpenFile(first));
    TDocument* firstDocument = Manager.Current();
    Type(QStringLiteral("unsaved"));
    ASSERT_TRUE(Manager.OpenFile(second));
    ASSERT_TRUE(Manager.OpenFile(Dir.path() + QStringLiteral("/./first.qvt")));
    EXPECT_EQ(Manager.DocumentCount(), 2);
    EXPECT_EQ(Manager.Current(), firstDocument);
    EXPECT_EQ(Text()->GetText(), QStringLiteral("1unsaved")) << "the edits are still there";
}

TEST_F(Documents, SingleDocumentCancelKeepsTheFirstAndOpensNothing)
{
    Manager.SetOptions(Manager.Options() | doSingleDoc);
    const QString first = MakeFile(QStringLiteral("first.qvt"), QStringLiteral("1"));
    const QString second = MakeFile(QStringLiteral("second.qvt"), QStringLiteral("2"));
    ASSERT_TRUE(Manager.OpenFile(first));
    Type(QStringLiteral("x"));
    UI.ChoiceAnswer = -1;
    EXPECT_FALSE(Manager.OpenFile(second));
    EXPECT_EQ(Manager.DocumentCount(), 1);
    EXPECT_EQ(Manager.Current()->FileName(), first);
    // "Do not Save" replaces the first document by the second.
    UI.ChoiceAnswer = 1;
    EXPECT_TRUE(Manager.OpenFile(second));
    EXPECT_EQ(Manager.DocumentCount(), 1);
    EXPECT_EQ(Manager.Current()->FileName(), second);
    EXPECT_EQ(ReadFile(first), ReadFile(first)); // untouched: nothing was saved
    EXPECT_EQ(Recent.FileNames(), QStringList{first});
}

TEST_F(Documents, CommandLineOpensFilesOfKnownTypesAndReportsTheRest)
{
    const QString notes = MakeFile(QStringLiteral("notes.qvt"), QStringLiteral("n"));
    Manager.OpenExtensions = {QStringLiteral("qvt"), QStringLiteral("qvn")};
    Manager.CommandLine = {QStringLiteral("-readonly"), notes, QStringLiteral("other.txt")};
    Manager.SetOptions(doOpenFilesFromCommandLine | doAutoCreateDoc);
    Manager.Start();
    EXPECT_EQ(Manager.DocumentCount(), 1);
    EXPECT_EQ(Manager.Current()->FileName(), notes);
    EXPECT_EQ(UI.Calls,
              QStringList{QStringLiteral("MessageBox: Unknown type of file: other.txt|Error|%1|%2|%2")
                              .arg(int(miError))
                              .arg(int(mbOk))});
    EXPECT_EQ(Manager.CommandLine, (QStringList{QStringLiteral("-readonly"), QStringLiteral("other.txt")}));
}

// --- Closing -------------------------------------------------------------------------------------------

struct TCloseRow
{
    const char* Name;
    bool TaskDialog;
    int Choice;
    TMessageButton Button;
    bool Closed;
    bool Saved;
};

class DocumentsClose : public Documents, public ::testing::WithParamInterface<TCloseRow>
{
};

TEST_P(DocumentsClose, AnswersDecideWhetherAModifiedDocumentIsSavedAndClosed)
{
    const TCloseRow& row = GetParam();
    const QString notes = MakeFile(QStringLiteral("notes.qvt"), QStringLiteral("old"));
    ASSERT_TRUE(Manager.OpenFile(notes));
    Type(QStringLiteral("new"));
    Manager.UseTaskDialogs = row.TaskDialog;
    UI.ChoiceAnswer = row.Choice;
    UI.MessageAnswers = {row.Button};
    EXPECT_EQ(Manager.Close(), row.Closed);
    EXPECT_EQ(Manager.DocumentCount(), row.Closed ? 0 : 1);
    EXPECT_EQ(ReadFile(notes).contains("oldnew"), row.Saved);
    ASSERT_FALSE(UI.Calls.isEmpty());
    if (row.TaskDialog)
        EXPECT_EQ(UI.Calls.first(), QStringLiteral("AskChoice: %1|Quorvane|%2|%3,%4|0")
                                        .arg(LoadStr(2073, {QStringLiteral("notes")}))
                                        .arg(int(miWarning))
                                        .arg(LoadStr(2028), LoadStr(2029)));
    else
        EXPECT_EQ(UI.Calls.first(), QStringLiteral("MessageBox: %1|%2|%3|%4|%5")
                                        .arg(LoadStr(2073, {QStringLiteral("notes")}), LoadStr(2032))
                                        .arg(int(miWarning))
                                        .arg(int(mbYes | mbNo | mbCancel))
                                        .arg(int(mbYes)));
    if (!row.Closed) {
        EXPECT_TRUE(Manager.Current()->Modified());
        EXPECT_TRUE(Recent.FileNames().isEmpty()) << "an open file is not in the list";
    } else {
        EXPECT_EQ(Recent.FileNames(), QStringList{notes});
        EXPECT_EQ(Manager.Current(), nullptr);
        EXPECT_EQ(Manager.GetTitle(), QStringLiteral("Quorvane"));
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, DocumentsClose,
                         ::testing::Values(TCloseRow{"Save", true, 0, mbCancel, true, true},
                                           TCloseRow{"DoNotSave", true, 1, mbCancel, true, false},
                                           TCloseRow{"CancelChoice", true, -1, mbCancel, false, false},
                                           TCloseRow{"Yes", false, -1, mbYes, true, true},
                                           TCloseRow{"No", false, -1, mbNo, true, false},
                                           TCloseRow{"Cancel", false, -1, mbCancel, false, false}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(Documents, CloseMovesToTheNextDocumentAndCloseAllStopsAtARefusal)
{
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(Manager.New(false, TTestTextDescriptor::StaticClass()));
    TDocument* first = Manager.GetDocuments(0);
    TDocument* second = Manager.GetDocuments(1);
    TDocument* third = Manager.GetDocuments(2);
    Manager.SetCurrent(second);
    EXPECT_TRUE(Manager.Close());
    EXPECT_EQ(Manager.Current(), third);
    EXPECT_TRUE(Manager.Close());
    EXPECT_EQ(Manager.Current(), first);
    Type(QStringLiteral("x"));
    UI.ChoiceAnswer = -1;
    EXPECT_FALSE(Manager.CloseAll());
    EXPECT_EQ(Manager.DocumentCount(), 1);
    // A busy document refuses with a beep, without a question.
    Current()->Scheme()->SetReadOnlyLevel(rolBusy);
    UI.Calls.clear();
    EXPECT_FALSE(Manager.Close());
    EXPECT_EQ(UI.Calls, QStringList{QStringLiteral("Beep")});
    Current()->Scheme()->SetReadOnlyLevel(rolEditable);
    UI.ChoiceAnswer = 1;
    EXPECT_TRUE(Manager.CloseAll());
    EXPECT_EQ(Manager.DocumentCount(), 0);
    EXPECT_FALSE(Manager.CanClose());
}

TEST_F(Documents, SaveAllStopsAtTheFirstDocumentStillModified)
{
    const QString notes = MakeFile(QStringLiteral("notes.qvt"), QStringLiteral("a"));
    ASSERT_TRUE(Manager.New(false, TTestTextDescriptor::StaticClass()));
    Type(QStringLiteral("new"));
    TDocument* unsaved = Manager.Current();
    ASSERT_TRUE(Manager.OpenFile(notes));
    Type(QStringLiteral("b"));
    TDocument* opened = Manager.Current();
    UI.SaveFileAnswer.clear(); // the Save As of the new document is cancelled
    EXPECT_FALSE(Manager.SaveAll());
    EXPECT_EQ(Manager.Current(), unsaved);
    EXPECT_TRUE(opened->Modified()) << "documents after the refusal are left alone";
    UI.SaveFileAnswer = Path(QStringLiteral("new.qvt"));
    EXPECT_TRUE(Manager.SaveAll());
    EXPECT_FALSE(unsaved->Modified());
    EXPECT_FALSE(opened->Modified());
    EXPECT_TRUE(ReadFile(notes).contains("ab"));
}

TEST_F(Documents, ReadOnlyStateOfTheSchemeReachesTheSheets)
{
    ASSERT_TRUE(Manager.New(false, TTestTextDescriptor::StaticClass()));
    EXPECT_FALSE(Current()->Sheet()->IsReadOnly());
    Current()->Scheme()->SetReadOnlyLevel(rolReadOnly);
    EXPECT_TRUE(Current()->Sheet()->IsReadOnly());
    Current()->Scheme()->SetReadOnlyLevel(rolEditable);
    EXPECT_FALSE(Current()->Sheet()->IsReadOnly());
}

TEST_F(Documents, ModifiedChangesOfTheCurrentDocumentAreForwarded)
{
    int modified = 0;
    int undoActions = 0;
    Manager.OnModifiedChange = [&] {
        ++modified;
    };
    Manager.OnUpdateUndoRedoActions = [&] {
        ++undoActions;
    };
    ASSERT_TRUE(Manager.New(false, TTestTextDescriptor::StaticClass()));
    modified = undoActions = 0;
    Type(QStringLiteral("x"));
    EXPECT_EQ(modified, 1);
    EXPECT_EQ(undoActions, 1);
    Current()->UndoRedo()->Undo();
    EXPECT_EQ(undoActions, 2);
}

// --- Saving: backups and failures -----------------------------------------------------------------------

TEST_F(Documents, BackupIsMadeOncePerOpeningBeforeTheFirstSave)
{
    Manager.SetOptions(Manager.Options() | doBackupFiles);
    const QString notes = MakeFile(QStringLiteral("notes.qvt"), QStringLiteral("one"));
    const QString backup = Path(QStringLiteral("notes.~qvt"));
    EXPECT_EQ(TDocumentor::BackupFileName(notes), backup);
    EXPECT_FALSE(QFile::exists(backup)) << "a new document has no file to back up";
    const QByteArray original = ReadFile(notes);

    ASSERT_TRUE(Manager.OpenFile(notes));
    Type(QStringLiteral("two"));
    ASSERT_TRUE(Manager.Save());
    EXPECT_EQ(ReadFile(backup), original);
    EXPECT_TRUE(Current()->BackupMade());
    Type(QStringLiteral("three"));
    ASSERT_TRUE(Manager.Save());
    EXPECT_EQ(ReadFile(backup), original) << "the second save keeps the backup of the opened file";
    const QByteArray saved = ReadFile(notes);
    ASSERT_TRUE(Manager.Close());

    ASSERT_TRUE(Manager.OpenFile(notes));
    Type(QStringLiteral("four"));
    ASSERT_TRUE(Manager.Save());
    EXPECT_EQ(ReadFile(backup), saved) << "a new opening makes a new backup";
}

TEST_F(Documents, BackupNamesKeepTheFolderAndMarkTheExtension)
{
    EXPECT_EQ(TDocumentor::BackupFileName(QStringLiteral("/a/b.c/notes.frt")),
              QStringLiteral("/a/b.c/notes.~frt"));
    EXPECT_EQ(TDocumentor::BackupFileName(QStringLiteral("/a/b.c/notes")), QStringLiteral("/a/b.c/notes.~"));
    EXPECT_EQ(TDocumentor::BackupFileName(QStringLiteral("/a/x.tar.qvt")), QStringLiteral("/a/x.tar.~qvt"));
}

TEST_F(Documents, FailedBackupStopsTheSaveAndKeepsTheChanges)
{
    Manager.SetOptions(Manager.Options() | doBackupFiles);
    const QString notes = MakeFile(QStringLiteral("notes.qvt"), QStringLiteral("one"));
    const QByteArray original = ReadFile(notes);
    // A folder where the backup would go: it cannot be replaced by a file.
    ASSERT_TRUE(QDir(Dir.path()).mkdir(QStringLiteral("notes.~qvt")));
    ASSERT_TRUE(Manager.OpenFile(notes));
    Type(QStringLiteral("two"));
    EXPECT_THROW(Manager.Save(), EQvError);
    EXPECT_EQ(ReadFile(notes), original);
    EXPECT_TRUE(Current()->Modified());
    EXPECT_FALSE(Current()->BackupMade());
    EXPECT_EQ(UI.WaitCursorDepth, 0);
}

// A backup whose need cannot be decided (the file's status cannot be read: here a loop of links) stops
// the save; nothing replaces the links.
TEST_F(Documents, BackupThatCannotBeDecidedStopsTheSave)
{
    Manager.SetOptions(Manager.Options() | doBackupFiles);
    const QString notes = MakeFile(QStringLiteral("notes.qvt"), QStringLiteral("one"));
    ASSERT_TRUE(Manager.OpenFile(notes));
    Type(QStringLiteral("two"));
    ASSERT_TRUE(QFile::remove(notes));
    ASSERT_TRUE(QFile::link(Path(QStringLiteral("loop.qvt")), notes));
    ASSERT_TRUE(QFile::link(notes, Path(QStringLiteral("loop.qvt"))));
    try {
        Manager.Save();
        ADD_FAILURE() << "the save reported success";
    } catch (const EQvError& error) {
        EXPECT_TRUE(error.Message().contains(QStringLiteral("notes.~qvt"))) << error.Message().toStdString();
    }
    EXPECT_FALSE(Current()->BackupMade());
    EXPECT_TRUE(Current()->Modified());
    EXPECT_TRUE(QFileInfo(notes).isSymLink());
    EXPECT_TRUE(QFileInfo(Path(QStringLiteral("loop.qvt"))).isSymLink());
}

// A backup gets the permissions of the file it copies, whatever the umask.
TEST_F(Documents, BackupTakesThePermissionsOfTheFile)
{
    Manager.SetOptions(Manager.Options() | doBackupFiles);
    const QString notes = MakeFile(QStringLiteral("notes.qvt"), QStringLiteral("one"));
    ASSERT_TRUE(QFile::setPermissions(notes, QFile::ReadOwner | QFile::WriteOwner));
    ASSERT_TRUE(Manager.OpenFile(notes));
    Type(QStringLiteral("two"));
    ASSERT_TRUE(Manager.Save());
    const QFile::Permissions mask = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                    QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
    EXPECT_EQ(QFile::permissions(Path(QStringLiteral("notes.~qvt"))) & mask,
              QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(QFile::permissions(notes) & mask, QFile::ReadOwner | QFile::WriteOwner);
}

// A failure at any step of a save, injected at the step's first occurrence (in the backup copy) or its
// second (in the document's own file), leaves every file byte for byte, no temporary file and the
// changes unsaved.
TEST_F(Documents, FailureAtAnyStepOfASaveKeepsTheFile)
{
    struct TRow
    {
        const char* Name;
        TSaveStep Step;
        int N;
    };
    const TRow rows[] = {
        {"backup", ssBackup, 1},        {"open backup", ssOpen, 1}, {"open", ssOpen, 2},
        {"write backup", ssWrite, 1},   {"write", ssWrite, 2},      {"flush backup", ssFlush, 1},
        {"flush", ssFlush, 2},          {"sync backup", ssSync, 1}, {"sync", ssSync, 2},
        {"rename backup", ssRename, 1}, {"rename", ssRename, 2},
    };
    Manager.SetOptions(Manager.Options() | doBackupFiles);
    const QString notes = MakeFile(QStringLiteral("notes.qvt"), QStringLiteral("one"));
    const QByteArray original = ReadFile(notes);
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        ASSERT_TRUE(Manager.OpenFile(notes));
        Type(QStringLiteral("two"));
        FailSaveStepForTesting(row.Step, row.N);
        EXPECT_THROW(Manager.Save(), EQvError);
        FailSaveStepForTesting(row.Step, 0);
        EXPECT_TRUE(Current()->Modified());
        const QStringList files = QDir(Dir.path()).entryList(QDir::Files | QDir::Hidden);
        EXPECT_TRUE(files.filter(QStringLiteral("Rplc")).isEmpty()) << files.join(u' ').toStdString();
        for (const QString& name : files)
            EXPECT_EQ(ReadFile(Path(name)), original) << name.toStdString();
        UI.ChoiceAnswer = 1; // "Do not Save"
        ASSERT_TRUE(Manager.Close());
    }
}

TEST_F(Documents, FailedWriteLeavesFileAndModifiedStateIntact)
{
    const QString notes = MakeFile(QStringLiteral("notes.qvt"), QStringLiteral("one"));
    const QByteArray original = ReadFile(notes);
    ASSERT_TRUE(Manager.OpenFile(notes));
    Type(QStringLiteral("two"));
    int saved = 0;
    Current()->OnChanged = {}; // the title event would count as a save
    Manager.OnUpdateAppActions = [&] {
        ++saved;
    };
    FailNthFileWriteForTesting(1);
    try {
        Manager.Save();
        ADD_FAILURE() << "the save reported success";
    } catch (const EQvError& error) {
        EXPECT_TRUE(error.Message().contains(notes)) << error.Message().toStdString();
    }
    FailNthFileWriteForTesting(0);
    EXPECT_EQ(ReadFile(notes), original);
    EXPECT_TRUE(Current()->Modified());
    EXPECT_TRUE(Current()->UndoRedo()->CanUndo());
    EXPECT_EQ(Current()->FileName(), notes);
    EXPECT_EQ(saved, 0);
    EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("notes.qvt")});

    // Save As into a folder that does not exist fails the same way and keeps the old name.
    UI.SaveFileAnswer = Path(QStringLiteral("nowhere/notes.qvt"));
    EXPECT_THROW(Manager.SaveAs(), EQvError);
    EXPECT_EQ(Current()->FileName(), notes);
    EXPECT_TRUE(Current()->Modified());
}

TEST_F(Documents, SaveIntoAReadOnlyFolderFailsWithoutDamage)
{
    const QString folder = Path(QStringLiteral("locked"));
    ASSERT_TRUE(QDir().mkdir(folder));
    ASSERT_TRUE(Manager.New(false, TTestTextDescriptor::StaticClass()));
    Type(QStringLiteral("x"));
    UI.SaveFileAnswer = folder + QStringLiteral("/notes.qvt");
    ASSERT_TRUE(Manager.Save());
    const QByteArray original = ReadFile(UI.SaveFileAnswer);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    Type(QStringLiteral("y"));
    bool failed = false;
    try {
        Manager.Save();
    } catch (const EQvError&) {
        failed = true;
    }
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (!failed)
        GTEST_SKIP() << "the folder stays writable for this user (running with administrator rights)";
    EXPECT_EQ(ReadFile(UI.SaveFileAnswer), original);
    EXPECT_TRUE(Current()->Modified());
}

TEST_F(Documents, DeclinedCodeModeSaveIsNotASave)
{
    const QString notes = MakeFile(QStringLiteral("notes.qvt"), QStringLiteral("one"));
    const QByteArray original = ReadFile(notes);
    ASSERT_TRUE(Manager.OpenFile(notes));
    TScheme* scheme = Current()->Scheme();
    scheme->SetCodeMode(true);
    ASSERT_TRUE(scheme->CodeMode());
    // Right after the switch nothing was typed: no question.
    ASSERT_TRUE(Manager.Save());
    EXPECT_TRUE(UI.Calls.filter(QStringLiteral("MessageBox")).isEmpty());

    scheme->SetCodeMode(true);
    Type(QStringLiteral("<!-- -->"));
    ASSERT_TRUE(Current()->Modified());
    UI.Calls.clear();
    UI.MessageAnswers = {mbNo};
    EXPECT_FALSE(Manager.Save());
    ASSERT_EQ(UI.Calls.size(), 1);
    EXPECT_EQ(UI.Calls.first(), QStringLiteral("MessageBox: %1|Warning|%2|%3|%4")
                                    .arg(LoadStr(4005))
                                    .arg(int(miWarning))
                                    .arg(int(mbYes | mbNo))
                                    .arg(int(mbNo)));
    EXPECT_TRUE(UI.Calls.first().contains(QStringLiteral("data loss")));
    EXPECT_TRUE(Current()->Modified());
    EXPECT_TRUE(Current()->UndoRedo()->CanUndo());
    EXPECT_EQ(ReadFile(notes), original);

    UI.MessageAnswers = {mbYes};
    EXPECT_TRUE(Manager.Save());
    EXPECT_FALSE(Current()->Modified());
    EXPECT_TRUE(ReadFile(notes).contains("<!-- -->"));
}

TEST_F(Documents, CodeThatDoesNotParseIsRefusedAndUndoGoesBackToTheDocument)
{
    ASSERT_TRUE(Manager.New(false, TTestTextDescriptor::StaticClass()));
    Type(QStringLiteral("one"));
    TScheme* scheme = Current()->Scheme();
    scheme->SetCodeMode(true);
    const QString broken = QStringLiteral("<TestText FormatVersion=\"1.2>\r\n</TestText>\r\n");
    Text()->ReplaceWithText(tetAll, nullptr, false, broken);
    try {
        scheme->SetCodeMode(false);
        ADD_FAILURE() << "the broken code replaced the document";
    } catch (const ECodeModeSyntaxError& error) {
        EXPECT_EQ(error.Line(), 1);
        EXPECT_EQ(error.Column(), 25);
        EXPECT_TRUE(
            error.Message().contains(QStringLiteral("Line 1, column 25: this value has no closing quote")))
            << error.Message().toStdString();
    }
    EXPECT_TRUE(scheme->CodeMode());
    EXPECT_EQ(Text()->GetText().trimmed(), broken.trimmed());
    while (scheme->CodeMode() && Current()->UndoRedo()->Undo()) {
    }
    EXPECT_FALSE(scheme->CodeMode());
    EXPECT_EQ(Text()->GetText(), QStringLiteral("one"));
}

TEST_F(Documents, AFileReadInPartAsksBeforeItIsSavedOverAndSaveAsClearsTheMark)
{
    const QString notes = MakeFile(QStringLiteral("notes.qvt"), QStringLiteral("one"));
    QByteArray broken = ReadFile(notes);
    // A value whose closing quote is gone: its node is lost.
    broken.replace("Value=\"one\"", "Value=\"one");
    {
        QFile file(notes);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(broken);
    }
    ASSERT_TRUE(Manager.OpenFile(notes));
    TSchemeDocument* document = Current();
    EXPECT_TRUE(document->LoadedInPart());
    EXPECT_EQ(document->NodesNotRead(), 1);
    EXPECT_TRUE(
        document->LogRoot()->GetText().contains(QStringLiteral("File \"notes.qvt\": Line 2, column ")))
        << document->LogRoot()->GetText().toStdString();

    UI.ChoiceAnswer = -1;
    EXPECT_FALSE(Manager.Save());
    EXPECT_EQ(ReadFile(notes), broken);
    EXPECT_TRUE(
        UI.Calls.value(0).startsWith(QStringLiteral("AskChoice: \"notes.qvt\" was loaded in part: 1 nodes")))
        << UI.Calls.join(u'\n').toStdString();

    UI.ChoiceAnswer = 0; // Save As
    UI.SaveFileAnswer = Path(QStringLiteral("whole.qvt"));
    EXPECT_TRUE(Manager.Save());
    EXPECT_EQ(ReadFile(notes), broken);
    EXPECT_TRUE(QFile::exists(Path(QStringLiteral("whole.qvt"))));
    EXPECT_FALSE(document->LoadedInPart());
    UI.Calls.clear();
    EXPECT_TRUE(Manager.Save());
    EXPECT_TRUE(UI.Calls.filter(QStringLiteral("AskChoice")).isEmpty());
}

// --- Recent files and view state ----------------------------------------------------------------------

TEST(RecentFiles, MostRecentFirstWithinTheLimit)
{
    TKnot session(QStringLiteral("session"));
    TRecentFiles recent(&session, QStringLiteral("Reopen.Files"));
    int changes = 0;
    recent.OnReopenChange = [&] {
        ++changes;
    };
    recent.SetMaxStoredCount(3);
    for (const char* name : {"/a", "/b", "/c", "/d"})
        ASSERT_NE(recent.AddFile(QString::fromUtf8(name)), nullptr);
    EXPECT_EQ(recent.FileNames(), (QStringList{"/d", "/c", "/b"}));
    EXPECT_EQ(changes, 4);
    TKnot* entry = recent.AddFile(QStringLiteral("/b"));
    EXPECT_EQ(recent.FileNames(), (QStringList{"/b", "/d", "/c"}));
    EXPECT_EQ(entry, recent.GetFileKnot(QStringLiteral("/b")));
    EXPECT_NE(entry->FindKnot(QStringLiteral("SheetData")), nullptr);
    EXPECT_EQ(entry->ParentKnot(), session.KnotByPath(QStringLiteral("Reopen.Files"), false));
    EXPECT_EQ(recent.GetFileKnot(QStringLiteral("/B")), nullptr) << "file names keep their case here";
    recent.RemoveFile(QStringLiteral("/x"));
    EXPECT_EQ(changes, 5);
    recent.RemoveFile(QStringLiteral("/d"));
    EXPECT_EQ(recent.FileNames(), (QStringList{"/b", "/c"}));
    EXPECT_EQ(changes, 6);
    recent.SetMaxStoredCount(1);
    EXPECT_EQ(recent.FileNames(), QStringList{"/b"});
    EXPECT_EQ(changes, 7);
    recent.SetMaxStoredCount(5);
    EXPECT_EQ(changes, 7);
    recent.SetMaxStoredCount(0);
    EXPECT_EQ(recent.AddFile(QStringLiteral("/e")), nullptr);
    TRecentFiles none;
    EXPECT_EQ(none.AddFile(QStringLiteral("/e")), nullptr);
    EXPECT_TRUE(none.FileNames().isEmpty());
}

TEST_F(Documents, SaveAsPutsTheOldFileIntoTheRecentList)
{
    const QString first = MakeFile(QStringLiteral("first.qvt"), QStringLiteral("1"));
    const QString second = Path(QStringLiteral("second.qvt"));
    Recent.AddFile(second);
    ASSERT_TRUE(Manager.OpenFile(first));
    UI.SaveFileAnswer = second;
    ASSERT_TRUE(Manager.SaveAs());
    EXPECT_EQ(UI.Calls.value(0), QStringLiteral("ChooseSaveFile: |Test Text (*.qvt)|first|qvt"));
    EXPECT_EQ(Current()->FileName(), second);
    EXPECT_EQ(Recent.FileNames(), QStringList{first});
    EXPECT_EQ(ReadFile(first), ReadFile(second).replace("second", "first"));
}

TEST_F(Documents, ViewStateTravelsThroughTheRecentList)
{
    const QString notes = MakeFile(QStringLiteral("notes.qvt"), QStringLiteral("a long line"));
    ASSERT_TRUE(Manager.OpenFile(notes));
    TSheet* sheet = Current()->Sheet();
    ASSERT_NE(sheet, nullptr);
    sheet->SetPageSize(QSize(400, 300));
    sheet->SetScrollPos(QPoint(0, 7));
    ASSERT_TRUE(Manager.Close());
    TKnot* entry = Recent.GetFileKnot(notes);
    ASSERT_NE(entry, nullptr);
    TKnot* data = entry->FindKnot(QStringLiteral("SheetData"));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->ReadInt(QStringLiteral("ScreenPosY"), -1), 7);
    const QString stored = data->ReadString(QStringLiteral("FocusedElementType"));

    // A document opened in the background keeps the state until it is first shown.
    ASSERT_TRUE(Manager.New(false, TTestTextDescriptor::StaticClass()));
    TDocument* shown = Manager.Current();
    ASSERT_TRUE(Manager.OpenFile(notes));
    EXPECT_EQ(Recent.GetFileKnot(notes), nullptr) << "an open file leaves the list";
    TSchemeDocument* reopened = Current();
    EXPECT_EQ(reopened->Sheet()->ScrollPos(), QPoint(0, 7));
    if (!stored.isEmpty()) {
        ASSERT_NE(reopened->Sheet()->FocusedElement(), nullptr);
        EXPECT_EQ(reopened->Sheet()->FocusedElement()->ClassType()->ClassName(), stored);
    }
    Manager.SetCurrent(shown);
    ASSERT_TRUE(Manager.Close());
    EXPECT_TRUE(Manager.Close());
    EXPECT_EQ(Recent.FileNames(), QStringList{notes});
}

TEST_F(Documents, ClosingWithChangesDoesNotStoreAPosition)
{
    const QString notes = MakeFile(QStringLiteral("notes.qvt"), QStringLiteral("text"));
    ASSERT_TRUE(Manager.OpenFile(notes));
    Current()->Sheet()->SetScrollPos(QPoint(0, 9));
    Type(QStringLiteral("more"));
    UI.ChoiceAnswer = 1;
    ASSERT_TRUE(Manager.Close());
    TKnot* data = Recent.GetFileKnot(notes)->FindKnot(QStringLiteral("SheetData"));
    ASSERT_NE(data, nullptr);
    EXPECT_FALSE(data->HasParam(QStringLiteral("ScreenPosY")));
}

TEST_F(Documents, StateOfADocumentNeverShownIsKeptAsLoaded)
{
    const QString notes = MakeFile(QStringLiteral("notes.qvt"), QStringLiteral("text"));
    TKnot entry(QStringLiteral("File"));
    TKnot* data = entry.AddKnot(QStringLiteral("SheetData"));
    data->WriteInt(QStringLiteral("ScreenPosX"), 3);
    data->WriteInt(QStringLiteral("ScreenPosY"), 4);
    TSchemeDocument document(TTestTextDescriptor::StaticClass());
    document.LoadFromFile(notes);
    document.LoadState(&entry);
    TKnot copy(QStringLiteral("File"));
    document.SaveState(&copy);
    ASSERT_NE(copy.FindKnot(QStringLiteral("SheetData")), nullptr);
    EXPECT_EQ(copy.FindKnot(QStringLiteral("SheetData"))->ReadInt(QStringLiteral("ScreenPosY"), -1), 4);
    EXPECT_EQ(document.Sheet(), nullptr);
}

TEST_F(Documents, ReferencedDocumentsAreLoadedOnceAndReleasedWhenUnused)
{
    const QString notes = MakeFile(QStringLiteral("notes.qvt"), QStringLiteral("shared"));
    ReleaseReferencedDocuments();
    TScheme* scheme = ReferencedScheme(notes, &Registry);
    ASSERT_NE(scheme, nullptr);
    EXPECT_EQ(static_cast<TTextorElement*>(scheme->Root())->GetText(), QStringLiteral("shared"));
    EXPECT_EQ(ReferencedScheme(notes, &Registry), scheme);
    EXPECT_EQ(ReferencedScheme(Path(QStringLiteral("a.txt")), &Registry), nullptr);
    const QString missing = Path(QStringLiteral("missing.qvt"));
    EXPECT_THROW(ReferencedScheme(missing, &Registry), EQvError);
    EXPECT_EQ(ReferencedScheme(missing, &Registry), nullptr) << "remembered as giving nothing";
    EXPECT_EQ(ReferencedDocumentCount(), 3);
    // A change of the document list releases what nobody depends on.
    ASSERT_TRUE(Manager.New(false, TTestTextDescriptor::StaticClass()));
    EXPECT_EQ(ReferencedDocumentCount(), 0);
}

} // namespace
} // namespace qv
