#include "core/safe_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {

namespace {

// Writes are cut into pieces so that a failure part-way (a full disk) is seen and tested.
constexpr qsizetype writePieceSize = 64 * 1024;

std::atomic<int> failingWrite{0};

QString SystemError(int code)
{
    return qt_error_string(code);
}

// One piece; the fault seam makes the chosen call write half and fail with ENOSPC.
ssize_t WritePiece(int fd, const char* data, size_t size)
{
    int n = failingWrite.load();
    if (n > 0) {
        if (n == 1) {
            failingWrite.store(0);
            if (size > 1 && ::write(fd, data, size / 2) < 0) {
                // The fault is reported below either way.
            }
            errno = ENOSPC;
            return -1;
        }
        failingWrite.compare_exchange_strong(n, n - 1);
    }
    return ::write(fd, data, size);
}

bool WriteAll(int fd, const QByteArray& data)
{
    const char* p = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const size_t piece = static_cast<size_t>(std::min(left, writePieceSize));
        const ssize_t written = WritePiece(fd, p, piece);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (written == 0) {
            errno = ENOSPC;
            return false;
        }
        p += written;
        left -= written;
    }
    return true;
}

} // namespace

void FailNthFileWriteForTesting(int n)
{
    failingWrite.store(n > 0 ? n : 0);
}

bool WriteFileSafely(const QString& fileName, const QByteArray& data, QString* error)
{
    auto fail = [error](const QString& reason) {
        if (error != nullptr)
            *error = reason;
        return false;
    };

    // A link is followed: the file it points to is the one replaced.
    QString target = fileName;
    const QFileInfo info(fileName);
    if (info.isSymLink()) {
        const QString resolved = info.symLinkTarget();
        if (!resolved.isEmpty())
            target = resolved;
    }
    const QFileInfo targetInfo(target);
    const QByteArray targetPath = QFile::encodeName(targetInfo.absoluteFilePath());
    const QString folder = targetInfo.absolutePath();

    // The new file gets the target's permissions, made writable for the owner (saving clears the
    // read-only state); a new target gets the default permissions.
    mode_t mode = 0666;
    struct stat targetStat;
    const bool targetExists = ::stat(targetPath.constData(), &targetStat) == 0;
    if (targetExists) {
        if (S_ISDIR(targetStat.st_mode))
            return fail(SystemError(EISDIR));
        mode = (targetStat.st_mode & 07777) | S_IWUSR;
    }

    // "Rplc<n>.tmp", created exclusively: an existing file of that name is never touched.
    int fd = -1;
    QByteArray tempPath;
    for (int n = 1; fd < 0; ++n) {
        tempPath = QFile::encodeName(QDir(folder).filePath(QStringLiteral("Rplc%1.tmp").arg(n)));
        fd = ::open(tempPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && (errno != EEXIST || n == 1000000))
            return fail(SystemError(errno));
    }

    auto abandon = [&](int code) {
        if (fd >= 0)
            ::close(fd);
        ::unlink(tempPath.constData());
        return fail(SystemError(code));
    };

    if (!WriteAll(fd, data))
        return abandon(errno);
    if (::fchmod(fd, mode) != 0)
        return abandon(errno);
    if (::fsync(fd) != 0)
        return abandon(errno);
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0)
        return abandon(errno);
    if (::rename(tempPath.constData(), targetPath.constData()) != 0)
        return abandon(errno);
    return true;
}

} // namespace qv
