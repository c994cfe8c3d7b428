#include "core/safe_file.h"

#include "core/strings.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {

namespace {

// Writes are cut into pieces so that a failure part-way (a full disk) is seen and tested.
constexpr qsizetype writePieceSize = 64 * 1024;

// As many links as the system follows in one path before it reports a loop.
constexpr int maxLinkHops = 40;

std::atomic<int> faultStep{-1};
std::atomic<int> faultCountdown{0};
std::array<std::atomic<int>, ssStepCount> stepCounts{};

// Counts the step; true when this is the occurrence the test seam chose to fail.
bool FaultInjected(TSaveStep step)
{
    stepCounts[step].fetch_add(1);
    if (faultStep.load() != step)
        return false;
    int left = faultCountdown.load();
    while (left > 0) {
        if (faultCountdown.compare_exchange_weak(left, left - 1)) {
            if (left != 1)
                return false;
            faultStep.store(-1);
            return true;
        }
    }
    return false;
}

QString SystemError(int code)
{
    return qt_error_string(code);
}

// A reason for `error`; the result is what the caller returns.
bool Fail(QString* error, const QString& reason)
{
    if (error != nullptr)
        *error = reason;
    return false;
}

// One piece; the fault seam makes the chosen call write half and fail with ENOSPC.
ssize_t WritePiece(int fd, const char* data, size_t size)
{
    if (FaultInjected(ssWrite)) {
        if (size > 1 && ::write(fd, data, size / 2) < 0) {
            // The fault is reported below either way.
        }
        errno = ENOSPC;
        return -1;
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

QByteArray FolderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

// The file that a write to `fileName` really replaces: the end of its chain of symbolic links, as an
// absolute path. `exists` tells whether it exists, `status` is then its status. An unresolvable chain
// gives false with the reason in `error`.
bool ResolveTarget(const QString& fileName, QByteArray& path, bool& exists, struct stat& status,
                   QString* error)
{
    path = QFile::encodeName(fileName);
    if (!path.startsWith('/'))
        path = QFile::encodeName(QDir::currentPath()) + '/' + path;
    for (int hop = 0;; ++hop) {
        if (::lstat(path.constData(), &status) != 0) {
            if (errno != ENOENT)
                return Fail(error, SystemError(errno));
            if (hop > 0) // a link that points nowhere
                return Fail(error, LoadStr(2077, {QFile::decodeName(path)}));
            exists = false;
            return true;
        }
        if (!S_ISLNK(status.st_mode)) {
            exists = true;
            return true;
        }
        if (hop == maxLinkHops)
            return Fail(error, SystemError(ELOOP));
        QByteArray link(static_cast<qsizetype>(std::max<off_t>(status.st_size, 255)) + 1, '\0');
        const ssize_t size = ::readlink(path.constData(), link.data(), static_cast<size_t>(link.size()));
        if (size < 0)
            return Fail(error, SystemError(errno));
        if (size >= link.size()) // the link changed while it was read
            return Fail(error, SystemError(EAGAIN));
        link.truncate(size);
        // A relative link is relative to the folder holding it; the path is not cleaned, so that ".."
        // after a linked folder means what the system takes it to mean.
        path = link.startsWith('/') ? link : FolderOf(path) + '/' + link;
    }
}

bool IsOurTemporaryName(const char* name)
{
    const QByteArray text(name);
    if (!text.startsWith("Rplc") || !text.endsWith(".tmp"))
        return false;
    const QByteArray number = text.mid(4, text.size() - 8);
    if (number.isEmpty() || number.startsWith('0'))
        return false;
    return std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool Older(const struct timespec& a, const struct timespec& b)
{
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

// Removes the temporary files that earlier saves into `folder` left behind (see WriteFileSafely).
// `own` is the status of the running save's temporary file. Best effort: nothing here fails a save.
void RemoveStaleTemporaries(const QByteArray& folder, const struct stat& own)
{
    DIR* dir = ::opendir(folder.constData());
    if (dir == nullptr)
        return;
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        if (!IsOurTemporaryName(entry->d_name))
            continue;
        struct stat status;
        if (::fstatat(dirFd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(status.st_mode) ||
            status.st_uid != ::geteuid() || !Older(status.st_mtim, own.st_mtim))
            continue;
        const int fd = ::openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat opened;
        // A running save holds its file locked; the file must still be the one looked at.
        if (::fstat(fd, &opened) == 0 && opened.st_ino == status.st_ino && opened.st_dev == status.st_dev &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlinkat(dirFd, entry->d_name, 0);
        ::close(fd);
    }
    ::closedir(dir);
}

// Best effort, see WriteFileSafely.
void SyncFolder(const QByteArray& folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    if (!FaultInjected(ssSyncFolder))
        ::fsync(fd);
    ::close(fd);
}

// WriteFileSafely; `like`, when given, is the status of the file whose permissions, owner and group
// the new file takes.
bool WriteReplacing(const QString& fileName, const QByteArray& data, const struct stat* like, QString* error,
                    TLinkMode links = lmFollow)
{
    QByteArray targetPath;
    bool targetExists = false;
    struct stat targetStat;
    if (links == lmFollow) {
        if (!ResolveTarget(fileName, targetPath, targetExists, targetStat, error))
            return false;
    } else {
        targetPath = QFile::encodeName(QDir(fileName).absolutePath());
        if (::lstat(targetPath.constData(), &targetStat) == 0)
            targetExists = !S_ISLNK(targetStat.st_mode); // a link is replaced like a new file
        else if (errno != ENOENT)
            return Fail(error, SystemError(errno));
    }
    if (targetExists && S_ISDIR(targetStat.st_mode))
        return Fail(error, SystemError(EISDIR));
    const QByteArray folder = FolderOf(targetPath);

    // The new file takes the permissions and owners of the given file or of the file it replaces.
    // A new file is created with 0666 and `open` applies the umask (or the folder's default access
    // list); otherwise it is private until its permissions are set.
    const struct stat* keep = like != nullptr ? like : targetExists ? &targetStat : nullptr;

    // "Rplc<n>.tmp", created exclusively: an existing file of that name is never touched.
    int fd = -1;
    QByteArray tempPath;
    if (FaultInjected(ssOpen))
        return Fail(error, SystemError(EACCES));
    for (int n = 1; fd < 0; ++n) {
        tempPath = folder + '/' + QByteArray("Rplc") + QByteArray::number(n) + QByteArray(".tmp");
        fd = ::open(tempPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                    keep != nullptr ? 0600 : 0666);
        if (fd < 0 && (errno != EEXIST || n == 1000000))
            return Fail(error, SystemError(errno));
    }

    auto abandon = [&](int code) {
        if (fd >= 0)
            ::close(fd);
        ::unlink(tempPath.constData());
        return Fail(error, SystemError(code));
    };

    // The lock tells other saves that this file is not stale while this save runs. A lock that cannot
    // be taken (a file system without locks) only loses that guard (see RemoveStaleTemporaries).
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        // Saving goes on without it.
    }
    struct stat tempStat;
    if (::fstat(fd, &tempStat) != 0)
        return abandon(errno);

    if (!WriteAll(fd, data))
        return abandon(errno);
    if (keep != nullptr) {
        // Owner first: a change of owner clears the set-id bits that the mode sets again. Where the
        // process may not give the file away, it may still keep a group it is a member of; what cannot
        // be kept belongs to whoever saves, and then loses its set-id bit.
        bool ownerKept = keep->st_uid == tempStat.st_uid;
        bool groupKept = keep->st_gid == tempStat.st_gid;
        if (!ownerKept || !groupKept) {
            if (::fchown(fd, keep->st_uid, keep->st_gid) == 0)
                ownerKept = groupKept = true;
            else if (!groupKept && ::fchown(fd, static_cast<uid_t>(-1), keep->st_gid) == 0)
                groupKept = true;
        }
        mode_t mode = keep->st_mode & 07777;
        if (!ownerKept)
            mode &= ~S_ISUID;
        if (!groupKept)
            mode &= ~S_ISGID;
        if (like == nullptr)
            mode |= S_IWUSR; // saving clears the read-only state
        if (::fchmod(fd, mode) != 0)
            return abandon(errno);
    }
    if (FaultInjected(ssSync))
        return abandon(EIO);
    if (::fsync(fd) != 0)
        return abandon(errno);
    const bool flushFault = FaultInjected(ssFlush);
    const int closed = ::close(fd);
    fd = -1;
    if (flushFault)
        return abandon(EIO);
    if (closed != 0)
        return abandon(errno);
    if (FaultInjected(ssRename))
        return abandon(EIO);
    if (::rename(tempPath.constData(), targetPath.constData()) != 0)
        return abandon(errno);
    SyncFolder(folder);
    RemoveStaleTemporaries(folder, tempStat);
    return true;
}

} // namespace

void FailSaveStepForTesting(TSaveStep step, int n)
{
    faultStep.store(-1);
    if (n <= 0 || step >= ssStepCount)
        return;
    faultCountdown.store(n);
    faultStep.store(step);
}

void FailNthFileWriteForTesting(int n)
{
    FailSaveStepForTesting(ssWrite, n);
}

int SaveStepCountForTesting(TSaveStep step)
{
    return step < ssStepCount ? stepCounts[step].load() : 0;
}

bool WriteFileSafely(const QString& fileName, const QByteArray& data, QString* error, TLinkMode links)
{
    return WriteReplacing(fileName, data, nullptr, error, links);
}

bool CopyFileSafely(const QString& source, const QString& copyName, QString* error, TLinkMode links)
{
    if (FaultInjected(ssBackup))
        return Fail(error, SystemError(EIO));
    const QByteArray sourcePath = QFile::encodeName(source);
    const int fd = ::open(sourcePath.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? true : Fail(error, SystemError(errno));
    struct stat status;
    QByteArray data;
    bool read = ::fstat(fd, &status) == 0;
    if (read && S_ISDIR(status.st_mode)) {
        errno = EISDIR;
        read = false;
    }
    if (read) {
        data.reserve(static_cast<qsizetype>(status.st_size));
        char buffer[writePieceSize];
        for (;;) {
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0) {
                read = got == 0;
                break;
            }
            data.append(buffer, got);
        }
    }
    const int code = errno;
    ::close(fd);
    if (!read)
        return Fail(error, SystemError(code));
    return WriteReplacing(copyName, data, &status, error, links);
}

} // namespace qv
