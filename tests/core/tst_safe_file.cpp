#include "core/safe_file.h"

#include "support/printers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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

// An existing "Rplc1.tmp" belongs to someone else: the next free number is used and the file stays.
TEST(SafeFile, LeavesAnExistingTemporaryNameAlone)
{
    QTemporaryDir dir;
    const QString foreign = dir.filePath(QStringLiteral("Rplc1.tmp"));
    ASSERT_TRUE(WriteFileSafely(foreign, "not ours"));
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

} // namespace
} // namespace qv
