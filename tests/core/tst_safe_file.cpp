#include "core/safe_file.h"

#include "core/property.h"
#include "core/settings_file.h"

#include "support/printers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {
namespace {

QByteArray ReadAll(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(SafeFile, ReplacesTheOldFileAndLeavesNoTemporaryBehind)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("settings"));
    ASSERT_TRUE(WriteFileSafely(target, "old"));
    ASSERT_TRUE(WriteFileSafely(target, "new\r\n"));
    EXPECT_EQ(ReadAll(target), QByteArray("new\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("settings")});
}

TEST(SafeFile, AFailedWriteKeepsTheOldFile)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("doc.frt"));
    ASSERT_TRUE(WriteFileSafely(target, "precious"));
    // A folder in the way of the target's name cannot be replaced by a file.
    QString error;
    EXPECT_FALSE(WriteFileSafely(dir.filePath(QStringLiteral("missing/doc.frt")), "x", &error));
    EXPECT_FALSE(error.isEmpty());
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    EXPECT_FALSE(WriteFileSafely(dir.filePath(QStringLiteral("sub")), "x"));
    EXPECT_EQ(ReadAll(target), QByteArray("precious"));
}

QStringList FilesIn(const QTemporaryDir& dir)
{
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// A read-only target is replaced and becomes writable; its other permission bits stay.
TEST(SafeFile, ReplacesAReadOnlyTargetAndMakesItWritable)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("doc.frt"));
    ASSERT_TRUE(WriteFileSafely(target, "old"));
    ASSERT_TRUE(QFile::setPermissions(target, QFile::ReadOwner | QFile::ReadGroup));
    ASSERT_TRUE(WriteFileSafely(target, "new"));
    EXPECT_EQ(ReadAll(target), QByteArray("new"));
    EXPECT_EQ(QFile::permissions(target) & (QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                            QFile::WriteGroup | QFile::ReadOther),
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    EXPECT_EQ(FilesIn(dir), QStringList{QStringLiteral("doc.frt")});
}

// An existing "Rplc1.tmp" that another save still holds: the next free number is used and the file
// stays.
TEST(SafeFile, LeavesAnExistingTemporaryNameAlone)
{
    QTemporaryDir dir;
    const QString foreign = dir.filePath(QStringLiteral("Rplc1.tmp"));
    ASSERT_TRUE(WriteFileSafely(foreign, "not ours"));
    QFile held(foreign);
    ASSERT_TRUE(held.open(QIODevice::ReadOnly));
    ASSERT_EQ(::flock(held.handle(), LOCK_EX | LOCK_NB), 0);
    const QString target = dir.filePath(QStringLiteral("doc.frt"));
    ASSERT_TRUE(WriteFileSafely(target, "content"));
    EXPECT_EQ(ReadAll(foreign), QByteArray("not ours"));
    EXPECT_EQ(ReadAll(target), QByteArray("content"));
    EXPECT_EQ(FilesIn(dir), (QStringList{QStringLiteral("Rplc1.tmp"), QStringLiteral("doc.frt")}));
}

// A write that fails part-way (a full disk) leaves the old file byte for byte and no temporary file.
TEST(SafeFile, AWriteFailingPartWayKeepsTheOldFile)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("doc.frt"));
    ASSERT_TRUE(WriteFileSafely(target, "precious"));
    const QByteArray big(200 * 1024, 'x'); // several pieces
    for (int n = 1; n <= 4; ++n) {
        FailNthFileWriteForTesting(n);
        QString error;
        EXPECT_FALSE(WriteFileSafely(target, big, &error)) << n;
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(ReadAll(target), QByteArray("precious"));
        EXPECT_EQ(FilesIn(dir), QStringList{QStringLiteral("doc.frt")});
    }
    FailNthFileWriteForTesting(0);
    EXPECT_TRUE(WriteFileSafely(target, big));
    EXPECT_EQ(ReadAll(target), big);
}

// A link is followed: the file it points to gets the new content and the link stays a link.
TEST(SafeFile, WritesThroughASymbolicLink)
{
    QTemporaryDir dir;
    const QString real = dir.filePath(QStringLiteral("real.frt"));
    const QString link = dir.filePath(QStringLiteral("link.frt"));
    ASSERT_TRUE(WriteFileSafely(real, "old"));
    ASSERT_TRUE(QFile::link(real, link));
    ASSERT_TRUE(WriteFileSafely(link, "new"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(ReadAll(real), QByteArray("new"));
}

// A chain of links is followed to the real file; a link that points nowhere or a loop is refused
// without a new file in place of a link.
TEST(SafeFile, FollowsAChainOfLinksAndRefusesBrokenOnes)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("real")));
    const QString real = dir.filePath(QStringLiteral("real/notes.frt"));
    ASSERT_TRUE(WriteFileSafely(real, "old"));
    // Relative links, as a user makes them.
    const QDir folder(dir.path());
    auto link = [&](const char* name, const char* to) {
        return ::symlink(to, QFile::encodeName(folder.filePath(QString::fromLatin1(name))).constData()) == 0;
    };
    ASSERT_TRUE(link("a.frt", "b.frt") && link("b.frt", "real/notes.frt"));
    ASSERT_TRUE(link("dangling.frt", "gone.frt"));
    ASSERT_TRUE(link("loop1.frt", "loop2.frt") && link("loop2.frt", "loop1.frt"));

    ASSERT_TRUE(WriteFileSafely(folder.filePath(QStringLiteral("a.frt")), "new"));
    EXPECT_EQ(ReadAll(real), QByteArray("new"));

    QString error;
    EXPECT_FALSE(WriteFileSafely(folder.filePath(QStringLiteral("dangling.frt")), "x", &error));
    EXPECT_TRUE(error.contains(folder.filePath(QStringLiteral("gone.frt")))) << error.toStdString();
    EXPECT_FALSE(WriteFileSafely(folder.filePath(QStringLiteral("loop1.frt")), "x", &error));
    EXPECT_EQ(error, qt_error_string(ELOOP));

    for (const char* name : {"a.frt", "b.frt", "dangling.frt", "loop1.frt", "loop2.frt"})
        EXPECT_TRUE(QFileInfo(folder.filePath(QString::fromLatin1(name))).isSymLink()) << name;
    EXPECT_EQ(FilesIn(dir), (QStringList{QStringLiteral("a.frt"), QStringLiteral("b.frt")}));
}

mode_t ModeOf(const QString& fileName)
{
    struct stat status;
    return ::stat(QFile::encodeName(fileName).constData(), &status) == 0 ? status.st_mode & 07777 : 0;
}

// New files, settings files among them, get 0666 less the umask.
TEST(SafeFile, NewFilesFollowTheUmask)
{
    QTemporaryDir dir;
    struct TUmask
    {
        mode_t Saved = ::umask(027);
        ~TUmask() { ::umask(Saved); }
    } umask;
    const QString file = dir.filePath(QStringLiteral("doc.frt"));
    ASSERT_TRUE(WriteFileSafely(file, "x"));
    TProperty& settings = *new TProperty(nullptr, QStringLiteral("Settings"));
    const QString settingsFile = dir.filePath(QStringLiteral("app.settings"));
    SaveSettingsFile(settings, settingsFile, QStringLiteral("app"));
    settings.Free();
    EXPECT_EQ(ModeOf(file), 0640u);
    EXPECT_EQ(ModeOf(settingsFile), 0640u);
}

// A privileged user saving another user's file, or copying it, keeps its owner, group and mode.
TEST(SafeFile, KeepsTheOwnerOfAnotherUsersFile)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "giving a file to another user needs administrator rights";
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("doc.frt"));
    const QString copy = dir.filePath(QStringLiteral("doc.~frt"));
    ASSERT_TRUE(WriteFileSafely(file, "old"));
    ASSERT_EQ(::chown(QFile::encodeName(file).constData(), 12345, 12346), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0640), 0);
    ASSERT_TRUE(WriteFileSafely(file, "new"));
    ASSERT_TRUE(CopyFileSafely(file, copy));
    for (const QString& name : {file, copy}) {
        struct stat status;
        ASSERT_EQ(::stat(QFile::encodeName(name).constData(), &status), 0);
        EXPECT_EQ(status.st_uid, 12345u) << name.toStdString();
        EXPECT_EQ(status.st_gid, 12346u) << name.toStdString();
        EXPECT_EQ(status.st_mode & 07777, 0640u) << name.toStdString();
    }
    EXPECT_EQ(ReadAll(copy), QByteArray("new"));
}

// The folder is synced once a save has renamed its file, and only then; a failing folder sync cannot
// take back a save that is already in place.
TEST(SafeFile, SyncsTheFolderAfterTheRename)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("doc.frt"));
    const int before = SaveStepCountForTesting(ssSyncFolder);
    ASSERT_TRUE(WriteFileSafely(target, "one"));
    EXPECT_EQ(SaveStepCountForTesting(ssSyncFolder), before + 1);
    FailSaveStepForTesting(ssRename, 1);
    EXPECT_FALSE(WriteFileSafely(target, "two"));
    EXPECT_EQ(SaveStepCountForTesting(ssSyncFolder), before + 1);
    FailSaveStepForTesting(ssSyncFolder, 1);
    EXPECT_TRUE(WriteFileSafely(target, "three"));
    FailSaveStepForTesting(ssSyncFolder, 0);
    EXPECT_EQ(ReadAll(target), QByteArray("three"));
}

// Temporaries of killed saves are removed by the next save into their folder: only names the save
// itself makes, older than the running save and not held by another save.
TEST(SafeFile, RemovesStaleTemporariesOfEarlierSaves)
{
    QTemporaryDir dir;
    const QDir folder(dir.path());
    auto make = [&](const char* name, qint64 age) {
        const QByteArray path = QFile::encodeName(folder.filePath(QString::fromLatin1(name)));
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        const struct timespec times[2] = {{::time(nullptr) - age, 0}, {::time(nullptr) - age, 0}};
        const bool made = fd >= 0 && ::futimens(fd, times) == 0;
        ::close(fd);
        return made;
    };
    for (const char* name : {"Rplc1.tmp", "Rplc3.tmp", "Rplc01.tmp", "Rplcx.tmp", "Rplc5.tmp~", "Rplc6.tmp"})
        ASSERT_TRUE(make(name, 3600)) << name;
    ASSERT_TRUE(make("Rplc7.tmp", -3600));
    QFile held(folder.filePath(QStringLiteral("Rplc6.tmp")));
    ASSERT_TRUE(held.open(QIODevice::ReadOnly));
    ASSERT_EQ(::flock(held.handle(), LOCK_EX | LOCK_NB), 0);

    ASSERT_TRUE(WriteFileSafely(folder.filePath(QStringLiteral("doc.frt")), "new"));
    EXPECT_EQ(
        folder.entryList(QDir::Files, QDir::Name),
        (QStringList{QStringLiteral("Rplc01.tmp"), QStringLiteral("Rplc5.tmp~"), QStringLiteral("Rplc6.tmp"),
                     QStringLiteral("Rplc7.tmp"), QStringLiteral("Rplcx.tmp"), QStringLiteral("doc.frt")}));
}

} // namespace
} // namespace qv
