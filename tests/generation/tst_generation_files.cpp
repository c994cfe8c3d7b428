// The files of a generation run: outputs written safely, the manifest of what the program wrote, the
// obsolete entries of a generated list and their deletion, the numbered temporary folder and the
// compile step.

#include "generation/generation_files.h"

#include "core/app_folders.h"
#include "core/safe_file.h"
#include "core/strings.h"
#include "elements/element_messages.h"

#include "support/printers.h"
#include "support/scoped_environment.h"
#include "support/scoped_home.h"
#include "support/tool_runner.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <thread>

#include <sys/stat.h>

namespace qv {
namespace {

class GenerationFilesTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(QDir().mkpath(FHome.Work(QStringLiteral("out")))); }

    QString Out(const char* relative) const
    {
        return FHome.Work(QStringLiteral("out/") + QString::fromUtf8(relative));
    }

    static QByteArray Read(const QString& file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    // A message as Messages() shows it.
    static QString Message(int kind, int id, const QString& path)
    {
        return QString::number(kind) + u':' + LoadStr(id, {path}).remove(u'[').remove(u']');
    }

    static bool IsReadOnly(const QString& file)
    {
        return (QFileInfo(file).permissions() &
                (QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther)) == 0;
    }

    // Every message as "kind:text".
    QStringList Messages() const
    {
        QStringList texts;
        for (int i = 0; i < FLog.Count(); ++i)
            texts.append(QString::number(FLog.Items(i)->Kind()) + u':' + FLog.Items(i)->GetText());
        return texts;
    }

    // One run writing `files` (relative to "out/"; a name ending "/" is a folder): its generated list.
    QStringList Run(const QStringList& files, TGenerationOptions options = {})
    {
        TGenerationFiles run(&FLog, options, &FHome.Manifest);
        for (const QString& file : files) {
            const QString path = Out(file.toUtf8().constData());
            if (file.endsWith(u'/'))
                EXPECT_TRUE(run.EnsureFolder(path));
            else
                EXPECT_TRUE(run.WriteOutputFile(path, file.toUtf8()));
        }
        return run.CreatedFolders + run.CreatedFiles;
    }

    TScopedHome FHome;
    TElementMessages FLog;
};

// A generated list edited by hand, or from someone else, names files this program never wrote.
TEST_F(GenerationFilesTest, HostileGeneratedListsDeleteNothing)
{
    const QString home = QDir::homePath();
    WriteFile(home + QStringLiteral("/.bashrc"), "mine");
    WriteFile(Out("user.txt"), "mine");
    Run({QStringLiteral("changed.txt"), QStringLiteral("target.txt")});
    WriteFile(Out("changed.txt"), "edited by the user");
    QFile::link(Out("nowhere"), Out("dangling"));
    QFile::link(Out("target.txt"), Out("link"));
    const QStringList hostile = {QStringLiteral("/etc/passwd"),
                                 home + QStringLiteral("/.bashrc"),
                                 QStringLiteral("../../x"),
                                 QStringLiteral("~/.bashrc"),
                                 QStringLiteral("/"),
                                 home + u'/',
                                 home,
                                 Out("user.txt"),
                                 Out("changed.txt"),
                                 Out("dangling"),
                                 Out("link"),
                                 Out("../out/user.txt"),
                                 FHome.Work(),
                                 Out("protected.doc"),
                                 AppFolder(afUserConfig) + QStringLiteral("/quorvane.settings")};
    WriteFile(Out("protected.doc"), "the document");
    // A generator told to write the settings file may not, and its manifest entry deletes nothing.
    TGenerationFiles run(&FLog, {}, &FHome.Manifest);
    EXPECT_FALSE(run.WriteOutputFile(AppFolder(afUserConfig) + QStringLiteral("/quorvane.settings"), "x"));
    FHome.Manifest.RecordFile(AppFolder(afUserConfig) + QStringLiteral("/quorvane.settings"), "x");
    WriteFile(AppFolder(afUserConfig) + QStringLiteral("/quorvane.settings"), "x");
    for (const QString& entry : hostile) {
        SCOPED_TRACE(entry.toStdString());
        QStringList newList;
        EXPECT_EQ(FindObsoleteEntries({entry}, newList, {}, {Out("protected.doc")}, &FHome.Manifest),
                  QStringList());
        EXPECT_EQ(DeleteGeneratedEntries({entry}, &FLog, FHome.Manifest, {Out("protected.doc")}),
                  QStringList{entry});
    }
    EXPECT_EQ(FHome.Trashed(), QStringList());
    EXPECT_EQ(Read(home + QStringLiteral("/.bashrc")), "mine");
    EXPECT_EQ(Read(Out("changed.txt")), "edited by the user");
    EXPECT_EQ(Read(Out("link")), "target.txt");
    EXPECT_TRUE(QFileInfo(Out("dangling")).isSymLink());
}

// A user whose data folder does not exist yet: the trash is made there, and nothing lands below the
// current folder.
TEST_F(GenerationFilesTest, TheTrashIsMadeWhenTheUserHasNone)
{
    const QString dataHome = FHome.Root() + QStringLiteral("/fresh/share");
    TScopedEnvironment environment;
    environment.Set("XDG_DATA_HOME", QFile::encodeName(dataHome).constData());
    const QString current = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(FHome.Work()));
    const QStringList made = Run({QStringLiteral("old.txt")});
    EXPECT_EQ(DeleteGeneratedEntries(made, &FLog, FHome.Manifest, {}), QStringList());
    QDir::setCurrent(current);
    EXPECT_FALSE(QFileInfo::exists(Out("old.txt")));
    EXPECT_TRUE(QFileInfo::exists(dataHome + QStringLiteral("/Trash/files/old.txt")));
    EXPECT_FALSE(QFileInfo::exists(FHome.Work(QStringLiteral("files"))));
}

// Run 1 makes a.txt, d/b.txt and e/x.txt; the user adds e/user.txt; run 2 makes only d/b.txt.
TEST_F(GenerationFilesTest, EntriesTheLastRunDidNotMakeGoToTheTrash)
{
    const QStringList first =
        Run({QStringLiteral("a.txt"), QStringLiteral("d/b.txt"), QStringLiteral("e/x.txt")});
    WriteFile(Out("e/user.txt"), "mine");
    QStringList second = Run({QStringLiteral("d/b.txt")});

    const QStringList offered = FindObsoleteEntries(first, second, {}, {}, &FHome.Manifest);
    EXPECT_EQ(offered, QStringList({Out("e/"), Out("a.txt"), Out("e/x.txt")}));
    EXPECT_EQ(second, QStringList({Out("d/"), Out("d/b.txt")}));

    FLog.Clear();
    EXPECT_EQ(DeleteGeneratedEntries(offered, &FLog, FHome.Manifest, {}), QStringList{Out("e/")});
    EXPECT_EQ(Messages(), QStringList({Message(0, 4417, Out("e/x.txt")), Message(0, 4417, Out("a.txt")),
                                       Message(2, 4410, Out("e/"))}));
    EXPECT_EQ(FHome.Trashed(), QStringList({QStringLiteral("a.txt"), QStringLiteral("x.txt")}));
    EXPECT_EQ(Read(Out("e/user.txt")), "mine");

    // Once the user's file is gone, the folder goes too.
    QFile::remove(Out("e/user.txt"));
    EXPECT_EQ(DeleteGeneratedEntries({Out("e/")}, &FLog, FHome.Manifest, {}), QStringList());
    EXPECT_FALSE(QFileInfo::exists(Out("e")));
}

// An old entry that is what this run (any of its processors) made, under another spelling or as the
// same file through a linked folder, is never offered.
TEST_F(GenerationFilesTest, WhatTheRunMadeIsNeverOffered)
{
    const QStringList old = Run({QStringLiteral("p.txt"), QStringLiteral("q.txt")});
    QFile::link(Out(""), FHome.Work(QStringLiteral("alias")));
    // Written once through the linked folder: only the file's identity tells it apart.
    FHome.Manifest.RecordFile(FHome.Work(QStringLiteral("alias/q.txt")), "q.txt");
    const QStringList oldSpellings = {FHome.Work(QStringLiteral("alias/q.txt")), Out("./p.txt")};
    QStringList newList = {Out("q.txt")};
    EXPECT_EQ(FindObsoleteEntries(old + oldSpellings, newList, {Out("p.txt")}, {}, &FHome.Manifest),
              QStringList());
}

// A failed write keeps the old output; the document itself is never an output.
TEST_F(GenerationFilesTest, AFailedOutputKeepsTheOldFile)
{
    TGenerationFiles run(&FLog, {}, &FHome.Manifest);
    run.ProtectedFiles = {Out("doc.strucd")};
    ASSERT_TRUE(run.WriteOutputFile(Out("o.txt"), "old"));
    int failures = 0;
    for (const TSaveStep step : {ssOpen, ssWrite, ssSync, ssFlush, ssRename}) {
        FailSaveStepForTesting(step, 1);
        EXPECT_FALSE(run.WriteOutputFile(Out("o.txt"), QByteArray(100000, 'n'))) << int(step);
        EXPECT_EQ(Read(Out("o.txt")), "old") << int(step);
        EXPECT_EQ(run.Failures, ++failures) << "each failed output fails the run";
    }
    FailSaveStepForTesting(ssWrite, 0);
    WriteFile(Out("doc.strucd"), "doc");
    EXPECT_FALSE(run.WriteOutputFile(Out("doc.strucd"), "x"));
    EXPECT_EQ(Read(Out("doc.strucd")), "doc");
    EXPECT_EQ(Messages().last(), Message(2, 4412, Out("doc.strucd")));
    EXPECT_EQ(run.Failures, ++failures);
    EXPECT_EQ(run.CreatedFiles, QStringList{Out("o.txt")});
}

// Every output is recorded with the document that generated it: a generated list that names another
// document's outputs deletes none of them, nor what an older manifest recorded without a document.
TEST_F(GenerationFilesTest, OnlyTheDocumentsOwnOutputsAreDeleted)
{
    const QString mine = FHome.Work(QStringLiteral("mine.comd"));
    const QString theirs = FHome.Work(QStringLiteral("theirs.strucd"));
    TGenerationFiles run(&FLog, {}, &FHome.Manifest);
    run.Document = theirs;
    ASSERT_TRUE(run.WriteOutputFile(Out("theirs.xml"), "theirs"));
    ASSERT_TRUE(FHome.Manifest.Save());
    // An entry as stored before documents were recorded.
    WriteFile(Out("old.txt"), "old");
    QFile stored(FHome.Manifest.FileName());
    ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
    QByteArray text = stored.readAll();
    stored.close();
    const QByteArray entry = "{\"path\": \"" + Out("old.txt").toUtf8() + "\", \"size\": 3, \"sha256\": \"" +
                             QCryptographicHash::hash("old", QCryptographicHash::Sha256).toHex() + "\"},";
    const QByteArray entries = "\"entries\": [";
    text.replace(entries, QByteArray(entries + entry));
    WriteFile(FHome.Manifest.FileName(), text);
    TOutputManifest manifest(FHome.Manifest.FileName());
    ASSERT_TRUE(manifest.Matches(Out("old.txt")));

    const QStringList listed = {Out("theirs.xml"), Out("old.txt")};
    QStringList newList;
    EXPECT_EQ(FindObsoleteEntries(listed, newList, {}, {}, &manifest, mine), QStringList());
    int failures = 0;
    EXPECT_EQ(DeleteGeneratedEntries(listed, &FLog, manifest, {}, mine, &failures), listed);
    EXPECT_EQ(failures, 2);
    EXPECT_EQ(Read(Out("theirs.xml")), "theirs");
    EXPECT_EQ(Read(Out("old.txt")), "old");
    // The document that made it still can.
    EXPECT_EQ(DeleteGeneratedEntries({Out("theirs.xml")}, &FLog, manifest, {}, theirs), QStringList());
    EXPECT_FALSE(QFile::exists(Out("theirs.xml")));
}

// An output replaces a link at its name, never what the link points to; a file there that this
// program did not write is kept as a backup; a document of ours is never an output.
TEST_F(GenerationFilesTest, OutputsReplaceLinksAndKeepWhatTheyDidNotMake)
{
    WriteFile(FHome.Work(QStringLiteral("victim.txt")), "victim");
    ASSERT_TRUE(QFile::link(FHome.Work(QStringLiteral("victim.txt")), Out("link.txt")));
    WriteFile(Out("user.txt"), "the user's");
    ASSERT_TRUE(QFile::link(FHome.Work(QStringLiteral("victim.txt")), Out("user.~txt")));
    TGenerationFiles run(&FLog, {}, &FHome.Manifest);
    EXPECT_TRUE(run.WriteOutputFile(Out("link.txt"), "generated"));
    EXPECT_TRUE(run.WriteOutputFile(Out("user.txt"), "generated"));
    EXPECT_TRUE(run.WriteOutputFile(Out("user.txt"), "generated again")); // ours now: no second backup
    EXPECT_EQ(Read(FHome.Work(QStringLiteral("victim.txt"))), "victim");
    EXPECT_FALSE(QFileInfo(Out("link.txt")).isSymLink());
    EXPECT_EQ(Read(Out("link.txt")), "generated");
    EXPECT_EQ(Read(Out("user.txt")), "generated again");
    EXPECT_EQ(Read(Out("user.~txt")), "the user's");
    EXPECT_EQ(Messages().count(Message(2, 4461, Out("user.~txt"))), 1);
    EXPECT_EQ(run.Failures, 0);
}

TEST_F(GenerationFilesTest, ReadOnlyOutputsAreReplacedByTheNextRun)
{
    TGenerationOptions options;
    options.MakeReadOnly = true;
    Run({QStringLiteral("r.txt")}, options);
    EXPECT_TRUE(IsReadOnly(Out("r.txt")));
    FLog.Clear();
    TGenerationFiles run(&FLog, options, &FHome.Manifest);
    EXPECT_TRUE(run.WriteOutputFile(Out("r.txt"), "second"));
    EXPECT_TRUE(run.WriteOutputFile(Out("r.txt"), "third"));
    EXPECT_EQ(Read(Out("r.txt")), "third");
    EXPECT_TRUE(IsReadOnly(Out("r.txt")));
    EXPECT_EQ(Messages(), QStringList({Message(0, 4413, Out("r.txt")), Message(2, 4414, Out("r.txt"))}));
    // The manifest knows the last content, so the file can still be removed.
    EXPECT_EQ(DeleteGeneratedEntries({Out("r.txt")}, &FLog, FHome.Manifest, {}), QStringList());
}

// Another process of the program saves the same manifest in between.
TEST_F(GenerationFilesTest, TheManifestKeepsWhatAnotherProcessSaved)
{
    TOutputManifest other(FHome.Manifest.FileName());
    Run({QStringLiteral("mine.txt")});
    WriteFile(Out("theirs.txt"), "theirs");
    other.RecordFile(Out("theirs.txt"), "theirs");
    ASSERT_TRUE(other.Save());
    ASSERT_TRUE(FHome.Manifest.Save());
    TOutputManifest reread(FHome.Manifest.FileName());
    EXPECT_TRUE(reread.Matches(Out("mine.txt")));
    EXPECT_TRUE(reread.Matches(Out("theirs.txt")));
    EXPECT_TRUE(FHome.Manifest.Matches(Out("theirs.txt")));
}

// A run's worker thread records while the window's thread asks.
TEST_F(GenerationFilesTest, TheManifestIsSharedBetweenThreads)
{
    Run({QStringLiteral("w.txt")});
    std::thread worker([this] {
        for (int i = 0; i < 200; ++i)
            FHome.Manifest.RecordFile(Out("f") + QString::number(i), QByteArray::number(i));
    });
    int matched = 0;
    for (int i = 0; i < 200; ++i)
        matched += FHome.Manifest.Matches(Out("w.txt")) ? 1 : 0;
    worker.join();
    EXPECT_EQ(matched, 200);
}

// The numbered folder is private, and removing it never reaches through a link.
TEST_F(GenerationFilesTest, TheNumberedFolderIsRemovedWithoutFollowingLinks)
{
    TGenerationFiles run(&FLog, {}, &FHome.Manifest);
    QDir().mkpath(QDir::tempPath() + QStringLiteral("/qvc1"));
    QString folder;
    ASSERT_TRUE(run.CreateNumberedFolder(QStringLiteral("qvc"), folder));
    EXPECT_EQ(folder, QDir::tempPath() + QStringLiteral("/qvc2/"));
    struct stat status;
    ASSERT_EQ(::lstat(QFile::encodeName(folder).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0700u);
    WriteFile(Out("keep.txt"), "keep");
    QDir().mkpath(folder + QStringLiteral("sub"));
    QFile::link(Out(""), folder + QStringLiteral("sub/outside"));
    QFile::link(Out("keep.txt"), folder + QStringLiteral("keep"));
    EXPECT_TRUE(run.RemoveFolderTree(folder));
    EXPECT_FALSE(QFileInfo::exists(folder));
    EXPECT_EQ(Read(Out("keep.txt")), "keep");
    EXPECT_EQ(run.CreatedFolders, QStringList());
    // A folder this run did not create is left alone.
    EXPECT_FALSE(run.RemoveFolderTree(Out("")));
    EXPECT_TRUE(QFileInfo::exists(Out("keep.txt")));
}

class GenerationCompileStepTest : public GenerationFilesTest
{
protected:
    // A stand-in compiler: /bin/sh running `script` with the numbered folder as $1.
    TCompileRequest Compiler(const char* script)
    {
        EXPECT_TRUE(FFiles.CreateNumberedFolder(QStringLiteral("qvcompile"), FFolder));
        const QString program = FFolder + QStringLiteral("compiler");
        WriteFile(program, QByteArray("#!/bin/sh\ncd \"$1\"\n") + script + '\n');
        QFile::setPermissions(program, QFile::permissions(program) | QFile::ExeOwner);
        WriteFile(FFolder + QStringLiteral("input.tmp"), "input");
        FFiles.RegisterFile(FFolder + QStringLiteral("input.tmp"), 1);
        TCompileRequest request;
        request.Program = program;
        request.Arguments = {FFolder};
        request.LogFile = FFolder + QStringLiteral("compiler.log");
        request.ExpectedResult = FFolder + QStringLiteral("result.bin");
        request.OutputFile = Out("result.bin");
        request.IntermediateFiles = {FFolder + QStringLiteral("input.tmp")};
        return request;
    }

    TGenerationFiles FFiles{&FLog, {}, nullptr};
    QString FFolder;
};

TEST_F(GenerationCompileStepTest, StartedAndEndedWithOrWithoutItsResult)
{
    struct TRow
    {
        const char* Name;
        const char* Script;
        int TimeLimitMs;
        bool Cancel;
        bool Result;
        QList<int> Messages; // the string numbers of the messages after "Folder created"
        const char* Log;
    };
    const TRow rows[] = {
        {"result",
         "echo out; echo err >&2; echo made > result.bin",
         -1,
         false,
         true,
         {4419, 4413},
         "out\nerr\n"},
        {"no result", "echo out", -1, false, false, {4419, 4420}, "out\n"},
        {"timed out", "exec sleep 20", 200, false, false, {4436}, ""},
        {"cancelled", "exec sleep 20", -1, true, false, {4437}, ""},
        {"missing", nullptr, -1, false, false, {4418}, nullptr},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        FLog.Clear();
        FFiles.CreatedFiles.clear();
        QFile::remove(Out("result.bin"));
        TCompileRequest request = Compiler(row.Script != nullptr ? row.Script : "");
        if (row.Script == nullptr)
            request.Program = FFolder + QStringLiteral("missing");
        TGenerationOptions options;
        options.CompilerTimeLimitMs = row.TimeLimitMs;
        FFiles.SetOptions(options);
        const std::atomic<bool> cancel{row.Cancel};
        EXPECT_EQ(RunCompileStep(FFiles, request, &cancel), row.Result);
        QList<int> ids;
        for (int i = 1; i < FLog.Count(); ++i) {
            for (const int id : {4413, 4418, 4419, 4420, 4436, 4437}) {
                if (FLog.Items(i)->GetText().startsWith(LoadStr(id).section(u'%', 0, 0).remove(u'[')))
                    ids.append(id);
            }
        }
        EXPECT_EQ(ids, row.Messages);
        if (row.Log != nullptr) {
            EXPECT_EQ(Read(request.LogFile), row.Log);
        }
        EXPECT_FALSE(QFileInfo::exists(FFolder + QStringLiteral("input.tmp")));
        EXPECT_EQ(FFiles.CreatedFiles, row.Result ? QStringList{Out("result.bin")} : QStringList());
        EXPECT_EQ(Read(Out("result.bin")), row.Result ? "made\n" : "<missing>");
        EXPECT_TRUE(FFiles.RemoveFolderTree(FFolder));
    }
}

TEST_F(GenerationCompileStepTest, FreePascalCompilesAOneLineProgram)
{
    FIND_TOOL_OR_SKIP(fpc, "fpc");
    TCompileRequest request = Compiler("");
    WriteFile(FFolder + QStringLiteral("hello.pas"), "begin writeln('hello') end.\n");
    request.Program = QStringLiteral("fpc");
    request.Arguments = {QStringLiteral("-FE") + FFolder, FFolder + QStringLiteral("hello.pas")};
    request.ExpectedResult = FFolder + QStringLiteral("hello");
    request.OutputFile = Out("hello");
    ASSERT_TRUE(RunCompileStep(FFiles, request, nullptr)) << Read(request.LogFile).toStdString();
    EXPECT_EQ(RunTool(Out("hello"), {}, Out("")).Output, "hello\n");
    EXPECT_TRUE(FHome.Manifest.Matches(Out("hello")));
    EXPECT_TRUE(FFiles.RemoveFolderTree(FFolder));
}

} // namespace
} // namespace qv
