#include "app/batch.h"
#include "app/command_line.h"
#include "app/file_filters.h"
#include "app/global.h"
#include "app/session_file.h"
#include "core/settings_file.h"
#include "schemes/plaintext/plain_text_scheme_descriptor.h"

#include "support/fake_app_folders.h"
#include "support/fake_user_interface.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>
#include <QWidget>

#include <gtest/gtest.h>

namespace qv {
namespace {

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

TEST(CommandLine, LookupsFollowTheirCaseQuoteAndRemovalRules)
{
    struct TRow
    {
        const char* Name;
        QStringList Items;
        char Lookup; // 's' HasSwitch, 'v' GetSwitchValue, 'f' FindFile
        QString Argument;
        bool Found;
        QString Value;
        QStringList Left;
    };
    const TRow rows[] = {
        {"switch without case", {"a.frt", "-READONLY"}, 's', "-readonly", true, {}, {"a.frt"}},
        {"switch must be whole", {"-readonlyx"}, 's', "-readonly", false, {}, {"-readonlyx"}},
        {"value", {"-autocreate=2"}, 'v', "-AutoCreate", true, "2", {}},
        {"quoted value", {"-autocreate=\"2\""}, 'v', "-autocreate", true, "2", {}},
        {"a lone quote stays", {"x=\""}, 'v', "x", true, "\"", {}},
        {"no equals: empty value", {"-autocreate"}, 'v', "-autocreate", true, "", {}},
        {"value splits at the first equals", {"p=a=b"}, 'v', "p", true, "a=b", {}},
        {"file mask without case", {"-exit", "Notes.FRT"}, 'f', "*.frt", true, "Notes.FRT", {"-exit"}},
        {"*.* needs a dot",
         {"-exit", "processors=1,3", "dir/a.b"},
         'f',
         "*.*",
         true,
         "dir/a.b",
         {"-exit", "processors=1,3"}},
        {"*.* finds no switch", {"-save", "-readonly"}, 'f', "*.*", false, {}, {"-save", "-readonly"}},
    };
    for (const TRow& row : rows) {
        TCommandLine line(row.Items);
        QString value;
        bool found = false;
        switch (row.Lookup) {
        case 's':
            found = line.HasSwitch(row.Argument);
            break;
        case 'v':
            found = line.GetSwitchValue(row.Argument, value);
            break;
        default:
            found = line.FindFile(row.Argument, value);
        }
        EXPECT_EQ(found, row.Found) << row.Name;
        EXPECT_EQ(value, row.Value) << row.Name;
        EXPECT_EQ(line.Items(), row.Left) << row.Name;
    }
    TCommandLine files({"a.frt", "b.frt"});
    QString second;
    EXPECT_TRUE(files.FindFile(QStringLiteral("*.frt"), second, 1));
    EXPECT_EQ(second, QStringLiteral("b.frt")) << "skip counts matches";
}

TEST(FileFilters, DocumentTypesMergeIntoOneAllSupportedEntry)
{
    const QList<QPair<QString, QString>> types = {
        {"Resource", "rsr"}, {"Command File", "comd"}, {"Plain Text", "frt"}};
    const QList<TFileFilter> filters = DocumentTypeFilters(types, 4);
    EXPECT_EQ(OpenDialogFilters(filters),
              QStringLiteral("All Supported Files (*.rsr *.comd *.frt);;Resource (*.rsr);;"
                             "Command File (*.comd);;Plain Text (*.frt);;All Files (*)"));
    EXPECT_EQ(OpenDialogFilters(filters, osoNoMergeOpenFilters | osoOpenNoAllFiles).count(u'*'), 6);
    EXPECT_EQ(SaveDialogFilters(filters),
              QStringLiteral("Resource (*.rsr);;Command File (*.comd);;Plain Text (*.frt);;All Files (*)"));
    EXPECT_TRUE(
        OpenDialogFilters(filters, osoDefaultFilterAll).startsWith(QStringLiteral("All Files (*);;")));

    // One registered type needs no "All Supported Files"; a second type of the same extension adds
    // no second filter.
    EXPECT_EQ(OpenDialogFilters(DocumentTypeFilters({{"Plain Text", "frt"}}, 1)),
              QStringLiteral("Plain Text (*.frt);;All Files (*)"));
    EXPECT_EQ(DocumentTypeFilters({{"Wizard", "prm"}, {"Program Module", "prm"}}, 2).size(), 2);
}

class SessionFiles : public ::testing::Test
{
protected:
    QString Path(const QString& name) const { return Dir.filePath(name); }

    QTemporaryDir Dir;
    TFakeAppFolders Folders{Dir.path()};
};

TEST_F(SessionFiles, LoadStatesAndTheCommandLineOverride)
{
    TCommandLine line({"a.frt", "Path(x)"});
    TSessionFile missing(QStringLiteral("session"), &line);
    missing.FileName = Path(QStringLiteral("none.session"));
    missing.Load();
    EXPECT_EQ(missing.LoadState, TSessionFile::lsMissing);

    WriteFile(Path(QStringLiteral("other.session")), "<other><Window Left=3/></other>");
    line.SetItems({"a.frt", Path(QStringLiteral("other.session"))});
    missing.Load();
    EXPECT_EQ(missing.LoadState, TSessionFile::lsLoaded);
    EXPECT_EQ(missing.FileName, Path(QStringLiteral("other.session")));
    EXPECT_EQ(line.Items(), QStringList{QStringLiteral("a.frt")}) << "the override is not a document";
    ASSERT_NE(missing.Knot.FindKnot(QStringLiteral("Window")), nullptr);

    // Saving names the knot after the file and writes no byte order mark.
    missing.FileName = Path(QStringLiteral("renamed.session"));
    ASSERT_TRUE(missing.Save());
    EXPECT_TRUE(ReadFile(missing.FileName).startsWith("<renamed>")) << ReadFile(missing.FileName).constData();

    WriteFile(Path(QStringLiteral("broken.session")), "<a><b></a>");
    missing.FileName = Path(QStringLiteral("broken.session"));
    missing.Load();
    EXPECT_EQ(missing.LoadState, TSessionFile::lsFailed);

    TSessionFile unwritable(QStringLiteral("session"), nullptr);
    unwritable.FileName = Path(QStringLiteral("no/such/folder/x.session"));
    EXPECT_FALSE(unwritable.Save()) << "a failed write is only reported, never raised";
}

TEST_F(SessionFiles, GlobalStartsWithDefaultsAndKeepsWhatItSaved)
{
    {
        TGlobal global({});
        EXPECT_TRUE(global.FirstRun());
        EXPECT_TRUE(global.SettingsChanged) << "no settings file: written at exit";
        EXPECT_TRUE(global.BackupOnSave());
        EXPECT_TRUE(global.SettingsFile.FileName.startsWith(Dir.path() + QStringLiteral("/config/")));
        global.RecentFiles.AddFile(QStringLiteral("/tmp/a.frt"));
        global.SessionFile.Knot.GetKnot(QStringLiteral("MainForm"))->WriteInt(QStringLiteral("Left"), 7);
        global.SaveSettings();
        global.SaveSessionFiles();
        EXPECT_FALSE(global.SettingsChanged);
    }
    TGlobal again({});
    EXPECT_FALSE(again.FirstRun());
    EXPECT_FALSE(again.SettingsChanged);
    EXPECT_EQ(again.SettingsFile.LoadState, TSessionFile::lsLoaded);
    EXPECT_EQ(again.RecentFiles.FileNames(), QStringList{QStringLiteral("/tmp/a.frt")});
    EXPECT_EQ(again.SessionFile.Knot.GetKnot(QStringLiteral("MainForm"))->ReadInt(QStringLiteral("Left"), 0),
              7);

    // A settings file named on the command line is used and is not left for the documents.
    const QString own = Path(QStringLiteral("own.settings"));
    TGlobal overridden({QStringLiteral("a.frt"), own});
    EXPECT_EQ(overridden.SettingsFile.FileName, own);
    EXPECT_EQ(overridden.CommandLine.Items(), QStringList{QStringLiteral("a.frt")});
}

TEST_F(SessionFiles, PlacementOutsideTheDesktopKeepsThePresentCoordinate)
{
    QWidget window;
    window.setObjectName(QStringLiteral("MainForm"));
    window.setGeometry(40, 50, 300, 200);
    TKnot session;
    session.SetOptions(settingsKnotOptions);
    EXPECT_FALSE(RestoreFormPlace(window, session)) << "nothing stored yet";
    StoreFormPlace(window, session);
    TKnot* place = session.FindKnot(QStringLiteral("MainForm"));
    ASSERT_NE(place, nullptr);
    EXPECT_EQ(place->ReadInt(QStringLiteral("Width"), 0), 300);

    place->WriteInt(QStringLiteral("Left"), 5000);
    place->WriteInt(QStringLiteral("Top"), 60);
    window.setGeometry(10, 20, 300, 200);
    ASSERT_TRUE(RestoreFormPlace(window, session));
    EXPECT_EQ(window.geometry().left(), 10) << "5000 lies beyond the desktop";
    EXPECT_EQ(window.geometry().top(), 60);
}

// Batch mode over real Plain Text files.
class Batch : public SessionFiles
{
protected:
    void SetUp() override { RegisterPlainTextScheme(); }

    int Run(const QStringList& arguments, bool save = true)
    {
        TCommandLine line(arguments);
        TBatchOptions options;
        options.Save = save;
        Errors.clear();
        QTextStream stream(&Errors);
        return RunBatch(line, options, stream);
    }

    QString Errors;
    TFakeUserInterface UI;
    TScopedService<IUserInterface> ScopedUI{&UI};
};

TEST_F(Batch, SavesEveryFileAndReportsEveryFailure)
{
    const QString source = QStringLiteral(QV_SOURCE_DIR "/tests/schemes/plaintext/data/worked_example.frt");
    const QString a = Path(QStringLiteral("a.frt"));
    const QString b = Path(QStringLiteral("b.frt"));
    ASSERT_TRUE(QFile::copy(source, a));
    ASSERT_TRUE(QFile::copy(source, b));
    const QByteArray original = ReadFile(a);
    EXPECT_EQ(Run({a, b}), 0) << Errors.toStdString();
    EXPECT_EQ(ReadFile(a), original);
    EXPECT_EQ(ReadFile(b), original);
    EXPECT_TRUE(QFile::exists(Path(QStringLiteral("a.~frt")))) << "a backup, as a save in the window makes";

    struct TRow
    {
        const char* Name;
        QStringList Arguments;
        QString Expected; // in the error output
    };
    WriteFile(Path(QStringLiteral("corrupt.frt")), "<FreeText><Chars>");
    const TRow rows[] = {
        {"unsupported type", {Path(QStringLiteral("x.doc"))}, QStringLiteral("Unsupported file type")},
        {"missing file", {Path(QStringLiteral("none.frt"))}, QStringLiteral("none.frt")},
        {"corrupt file", {Path(QStringLiteral("corrupt.frt"))}, QStringLiteral("corrupt")},
    };
    for (const TRow& row : rows) {
        UI.Calls.clear();
        EXPECT_EQ(Run(row.Arguments + QStringList{a}), 1) << row.Name;
        const QString output = Errors + UI.Calls.join(u'\n');
        EXPECT_TRUE(output.contains(row.Expected, Qt::CaseInsensitive))
            << row.Name << ": " << output.toStdString();
        // Whatever went wrong is a message line, as the log's messages are.
        for (const QString& line : Errors.split(u'\n', Qt::SkipEmptyParts))
            EXPECT_TRUE(QRegularExpression(QStringLiteral("^.+: [0-5]: ")).match(line).hasMatch())
                << row.Name << ": " << line.toStdString();
        EXPECT_EQ(ReadFile(a), original) << row.Name << ": the next file is still done";
    }
    EXPECT_EQ(ReadFile(Path(QStringLiteral("corrupt.frt"))), QByteArray("<FreeText><Chars>"))
        << "a file that did not load is never written";
}

TEST_F(Batch, PrintsTheLogOfEachFileOneMessageALine)
{
    const QString file = Path(QStringLiteral("unread.frt"));
    ASSERT_TRUE(QFile::copy(
        QStringLiteral(QV_SOURCE_DIR "/tests/schemes/plaintext/data/unread_attribute.frt"), file));
    EXPECT_EQ(Run({file}, false), 0) << Errors.toStdString();
    const QStringList lines = Errors.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    for (const QString& line : lines)
        EXPECT_TRUE(line.startsWith(file + QStringLiteral(": 2: "))) << line.toStdString();
    EXPECT_EQ(BatchMessageLine(QStringLiteral("f"), 2, QStringLiteral("a\r\nb")),
              QStringLiteral("f: 2: a b"));
}

} // namespace
} // namespace qv
