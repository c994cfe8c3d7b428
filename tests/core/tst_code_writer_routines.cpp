// The routines generators share: starting a program and waiting for it, opening a document, and
// the user-interface seam they go through.

#include "core/errors.h"
#include "core/processes.h"
#include "core/user_interface.h"

#include "support/fake_user_interface.h"
#include "support/printers.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace qv {
namespace {

QString U(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

class RoutinesTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(FDir.isValid()); }

    QString Path(const QString& name) const { return FDir.filePath(name); }

    // An executable shell script in the temporary folder.
    QString Script(const QString& name, const QByteArray& body)
    {
        const QString fileName = Path(name);
        QDir().mkpath(QFileInfo(fileName).absolutePath());
        QFile file(fileName);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n" + body);
        file.close();
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeUser);
        return fileName;
    }

    QByteArray Read(const QString& name) const
    {
        QFile file(Path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    QTemporaryDir FDir;
};

// ---------------------------------------------------------------------------------------------
// RunAndWait

TEST_F(RoutinesTest, RunAndWaitRunsInTheProgramsFolderWithOutputToAFile)
{
    const QString program = Script(U("tools dir/print.sh"), "pwd\n"
                                                            "for a in \"$@\"; do echo \"[$a]\"; done\n"
                                                            "echo error >&2\n"
                                                            "exit 3\n");
    ASSERT_TRUE(RunAndWait(program, U("\"a file.rc\" -x two"), smHide, -1, Path(U("out.txt"))));
    const QString folder = QFileInfo(Path(U("tools dir"))).canonicalFilePath();
    EXPECT_EQ(Read(U("out.txt")), (folder + U("\n[a file.rc]\n[-x]\n[two]\n")).toUtf8());
}

TEST_F(RoutinesTest, RunAndWaitReplacesTheOutputFile)
{
    const QString program = Script(U("echo.sh"), "echo new\n");
    QFile old(Path(U("out.txt")));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old content that is longer\n");
    old.close();
    ASSERT_TRUE(RunAndWait(program, QString(), smHide, -1, Path(U("out.txt"))));
    EXPECT_EQ(Read(U("out.txt")), QByteArray("new\n"));
}

TEST_F(RoutinesTest, RunAndWaitFindsProgramsOnThePath)
{
    const QString shell = QStandardPaths::findExecutable(U("sh"));
    if (shell.isEmpty())
        GTEST_SKIP() << "no sh on PATH";
    ASSERT_TRUE(RunAndWait(U("sh"), U("-c pwd"), smHide, -1, Path(U("out.txt"))));
    EXPECT_EQ(Read(U("out.txt")),
              (QFileInfo(QFileInfo(shell).absolutePath()).canonicalFilePath() + u'\n').toUtf8());
}

TEST_F(RoutinesTest, RunAndWaitReportsAProgramThatCannotStart)
{
    EXPECT_FALSE(RunAndWait(Path(U("missing.sh")), QString(), smHide));
    QFile plain(Path(U("plain.txt")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    EXPECT_FALSE(RunAndWait(Path(U("plain.txt")), QString(), smHide));
}

// A program still running when the time is up is ended; the call still counts as started.
TEST_F(RoutinesTest, RunAndWaitEndsAProgramAfterTheTimeout)
{
    const QString program = Script(U("slow.sh"), "echo begun\nexec sleep 60\n");
    EXPECT_TRUE(RunAndWait(program, QString(), smHide, 1000, Path(U("out.txt"))));
    EXPECT_EQ(Read(U("out.txt")), QByteArray("begun\n"));
}

// ---------------------------------------------------------------------------------------------
// OpenDocument through the seam

class OpenDocumentTest : public RoutinesTest
{
protected:
    void SetUp() override
    {
        RoutinesTest::SetUp();
        QFile file(Path(U("doc.txt")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }

    QString ErrorOf(const QString& file)
    {
        try {
            OpenDocument(file, QString(), QString(), true);
        } catch (const EQvError& error) {
            return error.Message();
        }
        return U("<no error>");
    }

    TFakeUserInterface FUi;
    TScopedUserInterface FInstalled{&FUi};
};

TEST_F(OpenDocumentTest, AnExistingFileIsHandedToTheDesktop)
{
    EXPECT_TRUE(OpenDocument(Path(U("doc.txt")), U("-p"), U("edit"), true, smMaximized));
    EXPECT_EQ(FUi.Calls, QStringList{U("OpenFile: ") + Path(U("doc.txt")) + U("|-p|edit|3")});
}

TEST_F(OpenDocumentTest, MissingFilesAndFoldersRaiseTheirTexts)
{
    const QString missingFile = Path(U("none.txt"));
    const QString missingFolder = Path(U("no folder/none.txt"));
    const QString folderName = Path(U("no folder/"));
    EXPECT_EQ(ErrorOf(missingFile), U("File not found: ") + missingFile);
    EXPECT_EQ(ErrorOf(missingFolder), U("Path not found: ") + missingFolder);
    EXPECT_EQ(ErrorOf(folderName), U("Path not found: ") + folderName);
    EXPECT_EQ(ErrorOf(U("no-such-program-here")), U("File not found: no-such-program-here"));
    // Nothing that does not exist reaches the desktop.
    EXPECT_TRUE(FUi.Calls.isEmpty());
    EXPECT_FALSE(OpenDocument(missingFile, QString(), QString(), false));
}

TEST_F(OpenDocumentTest, FailuresReportedByTheDesktopRaiseTheirTexts)
{
    const QString doc = Path(U("doc.txt"));
    FUi.OpenFileAnswer = {osAccessDenied, 13};
    EXPECT_EQ(ErrorOf(doc), U("File not found: ") + doc);
    FUi.OpenFileAnswer = {osPathNotFound, 2};
    EXPECT_EQ(ErrorOf(doc), U("Path not found: ") + doc);
    FUi.OpenFileAnswer = {osFileNotFound, 2};
    EXPECT_EQ(ErrorOf(FDir.path() + u'/'), U("Path not found: ") + FDir.path() + u'/');
    FUi.OpenFileAnswer = {osFailed, 5};
    EXPECT_EQ(ErrorOf(doc), U("ShellExecute error (5) to launch \"") + doc + u'"');
    EXPECT_FALSE(OpenDocument(doc, QString(), QString(), false));
}

TEST_F(OpenDocumentTest, WithoutAnAssociatedProgramTheUserChoosesOne)
{
    const QString doc = Path(U("doc.txt"));
    FUi.OpenFileAnswer = {osNoAssociation, 0};
    FUi.OpenFileWithAnswer = true;
    EXPECT_TRUE(OpenDocument(doc, QString(), QString(), true));
    FUi.OpenFileWithAnswer = false; // cancelled: no error
    EXPECT_FALSE(OpenDocument(doc, QString(), QString(), true));
    EXPECT_EQ(FUi.Calls.filter(U("OpenFileWith: ")).size(), 2);
}

// ---------------------------------------------------------------------------------------------
// The seam itself

TEST(UserInterface, TheInstalledOneAnswersAndTheBatchOneComesBack)
{
    IUserInterface* batch = &UserInterface();
    EXPECT_NE(dynamic_cast<TBatchUserInterface*>(batch), nullptr);
    {
        TFakeUserInterface fake;
        TScopedUserInterface installed(&fake);
        EXPECT_EQ(&UserInterface(), &fake);
        fake.MessageAnswers = {mbNo};
        EXPECT_EQ(
            UserInterface().MessageBox(U("Save?"), U("Warning"), miWarning, mbYes | mbNo | mbCancel, mbYes),
            mbNo);
        EXPECT_EQ(UserInterface().MessageBox(U("Again?"), QString(), miQuestion, mbYes | mbNo, mbYes), mbYes);
        {
            TWaitCursor outer;
            TWaitCursor inner;
            EXPECT_EQ(fake.WaitCursorDepth, 2);
        }
        EXPECT_EQ(fake.WaitCursorDepth, 0);
        UserInterface().Beep();
        EXPECT_EQ(fake.Calls, QStringList({U("MessageBox: Save?|Warning|2|14|4"),
                                           U("MessageBox: Again?||4|12|4"), U("Beep")}));
    }
    EXPECT_EQ(&UserInterface(), batch);
    EXPECT_EQ(ServiceSlot<IUserInterface>().Install(nullptr), nullptr) << "nothing is left installed";
    EXPECT_EQ(&UserInterface(), batch);
}

TEST(UserInterface, BatchModeTakesDefaultsAndCancelsDialogs)
{
    TBatchUserInterface batch;
    EXPECT_EQ(batch.MessageBox(U("Save?"), QString(), miWarning, mbYes | mbNo | mbCancel, mbNo), mbNo);
    EXPECT_EQ(batch.AskChoice(U("Save?"), QString(), miWarning, {U("Save"), U("Do not Save")}, 0), 0);
    EXPECT_TRUE(batch.ChooseOpenFiles(U("Open"), U("All files (*)"), QString(), true).isEmpty());
    EXPECT_TRUE(batch.ChooseSaveFile(U("Save"), U("All files (*)"), QString(), U("txt")).isEmpty());
    EXPECT_TRUE(batch.ChooseFolder(U("Choosing Path"), U("/")).isEmpty());
    EXPECT_FALSE(batch.ChooseColor(0x0000FF).has_value());
    EXPECT_FALSE(batch.OpenFileWith(U("/")));
}

TEST_F(RoutinesTest, BatchModeStartsAnExecutableWithItsParameters)
{
    const QString program = Script(U("run me.sh"), "pwd > started.txt\necho \"$1\" >> started.txt\n");
    TBatchUserInterface batch;
    const TOpenResult result = batch.OpenFile(program, U("\"one two\""), U("open"), smNormal);
    ASSERT_EQ(result.Status, osOpened);
    // Started without waiting: look for its trace for a while.
    QDeadlineTimer deadline(10000);
    QByteArray trace;
    while (!deadline.hasExpired()) {
        trace = Read(U("started.txt"));
        if (trace.endsWith('\n') && trace.count('\n') == 2)
            break;
        QThread::msleep(20);
    }
    EXPECT_EQ(trace, (QFileInfo(FDir.path()).canonicalFilePath() + U("\none two\n")).toUtf8());
}

} // namespace
} // namespace qv
