#include "core/safe_file.h"

#include "support/printers.h"

#include <QDir>
#include <QFile>
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
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("settings")});
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

} // namespace
} // namespace qv
