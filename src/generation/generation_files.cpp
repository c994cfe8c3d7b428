#include "generation/generation_files.h"

#include "core/app_folders.h"
#include "core/paths.h"
#include "core/process_runner.h"
#include "core/safe_file.h"
#include "core/strings.h"
#include "elements/element_messages.h"
#include "elements/scheme_descriptor.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <optional>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {

namespace {

constexpr const char* manifestFileName = "generated.manifest";

QByteArray Encoded(const QString& path)
{
    return QFile::encodeName(path);
}

bool IsFolderEntry(const QString& path)
{
    return path.endsWith(u'/');
}

// The path cleaned of "//", "/./" and "x/../", keeping the trailing "/" of a folder entry.
QString CleanEntry(const QString& path)
{
    if (path.isEmpty())
        return path;
    QString clean = QDir::cleanPath(path);
    if (IsFolderEntry(path) && !clean.endsWith(u'/'))
        clean += u'/';
    return clean;
}

// The cleaned path without a trailing "/" (except for "/" itself): how entries are compared.
QString ComparedPath(const QString& path)
{
    return QDir::cleanPath(path);
}

struct TFileId
{
    uint64_t Device = 0;
    uint64_t Inode = 0;
    bool operator==(const TFileId&) const = default;
};

size_t qHash(const TFileId& id, size_t seed = 0)
{
    return ::qHash(id.Device, seed) ^ ::qHash(id.Inode, seed);
}

// The file `path` leads to, links followed; nothing when it does not exist.
std::optional<TFileId> FileIdOf(const QString& path)
{
    struct stat status;
    if (path.isEmpty() || ::stat(Encoded(ComparedPath(path)).constData(), &status) != 0)
        return std::nullopt;
    return TFileId{uint64_t(status.st_dev), uint64_t(status.st_ino)};
}

bool SameFile(const QString& a, const QString& b)
{
    const std::optional<TFileId> first = FileIdOf(a);
    return first && first == FileIdOf(b);
}

// lstat of the path itself (a link is not followed); false when there is nothing.
bool LinkStatus(const QString& path, struct stat& status)
{
    return ::lstat(Encoded(ComparedPath(path)).constData(), &status) == 0;
}

bool ExistsAsEntry(const QString& path)
{
    struct stat status;
    return LinkStatus(path, status);
}

bool IsInside(const QString& path, const QString& folder)
{
    const QString compared = ComparedPath(folder);
    return ComparedPath(path).startsWith(compared == u"/" ? compared : compared + u'/');
}

// Paths that are never written or deleted whatever a list says: "/", the home folder, the program's
// own per-user folders (settings, session, recent files, the manifest) and the given files, by name
// or as the same file.
bool IsForbidden(const QString& path, const QStringList& protectedFiles)
{
    if (!QDir::isAbsolutePath(path))
        return true;
    const QString compared = ComparedPath(path);
    const QString home = ComparedPath(QDir::homePath());
    if (compared == u"/" || compared == home || SameFile(compared, QStringLiteral("/")) ||
        SameFile(compared, home))
        return true;
    for (const TAppFolder own : {afUserConfig, afUserData}) {
        const QString folder = AppFolder(own);
        if (compared == ComparedPath(folder) || IsInside(compared, folder))
            return true;
    }
    for (const QString& file : protectedFiles) {
        if (!file.isEmpty() && (ComparedPath(file) == compared || SameFile(file, compared)))
            return true;
    }
    return false;
}

// A message whose link is the path; texts without "[" are a link as a whole. A path holding brackets
// cannot be split by them, so such a message is one link.
void AddPathMessage(TElementMessages* log, uint8_t kind, int id, const QString& path)
{
    if (log == nullptr)
        return;
    const QString shown = MessagePathText(path);
    const QString text = LoadStr(id, {shown});
    if (shown.contains(u'[') || shown.contains(u']'))
        log->AddWholeMessage(kind, mpFile, text, path);
    else
        log->AddFileMessage(kind, text, path);
}

// The SHA-256 and size of the regular file `path` (never a link); false when it cannot be read.
bool HashFile(const QString& path, QByteArray& hash, qint64& size)
{
    const int fd = ::open(Encoded(ComparedPath(path)).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat status;
    bool ok = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    QCryptographicHash sha(QCryptographicHash::Sha256);
    size = 0;
    char buffer[64 * 1024];
    while (ok) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            ok = false;
        if (got <= 0)
            break;
        sha.addData(QByteArrayView(buffer, got));
        size += got;
    }
    ::close(fd);
    if (ok)
        hash = sha.result().toHex();
    return ok;
}

// The time, size and inode of the stored manifest, to see whether another process saved it.
struct TStamp
{
    int64_t Seconds = -1;
    int64_t Nanoseconds = 0;
    int64_t Size = -1;
    uint64_t Inode = 0;
    bool operator==(const TStamp&) const = default;
};

TStamp StampOf(const QString& fileName)
{
    struct stat status;
    if (::stat(Encoded(fileName).constData(), &status) != 0)
        return TStamp();
    return TStamp{int64_t(status.st_mtim.tv_sec), int64_t(status.st_mtim.tv_nsec), int64_t(status.st_size),
                  uint64_t(status.st_ino)};
}

} // namespace

// ---- TOutputManifest ----

struct TOutputManifest::TData
{
    struct TEntry
    {
        qint64 Size = -1;  // -1 for a folder
        QByteArray Sha256; // hex; empty for a folder
        // The document whose run wrote it; none in entries stored before documents were recorded.
        std::optional<QString> Document;
    };

    std::mutex Lock;
    bool Loaded = false;
    TStamp Stamp;
    QHash<QString, TEntry> Entries;
    // What this process changed since the file was last read or written: an entry, or nothing for a
    // forgotten path. Applied again over what another process stored.
    QHash<QString, std::optional<TEntry>> Changes;

    void Apply(const QString& key, const std::optional<TEntry>& entry)
    {
        if (entry)
            Entries.insert(key, *entry);
        else
            Entries.remove(key);
    }

    void Change(const QString& key, const std::optional<TEntry>& entry)
    {
        Apply(key, entry);
        Changes.insert(key, entry);
    }

    // Reads the file (when not read yet, or another process saved it since) and applies the changes
    // of this process over it. Called with the lock held.
    void Refresh(const QString& fileName)
    {
        const TStamp stamp = StampOf(fileName);
        if (Loaded && stamp == Stamp)
            return;
        Loaded = true;
        Stamp = stamp;
        Entries.clear();
        QFile file(fileName);
        if (file.open(QIODevice::ReadOnly)) {
            const QJsonArray entries =
                QJsonDocument::fromJson(file.readAll()).object().value(u"entries").toArray();
            for (const QJsonValue& value : entries) {
                const QJsonObject object = value.toObject();
                const QString path = object.value(u"path").toString();
                if (!QDir::isAbsolutePath(path))
                    continue;
                TEntry entry;
                if (!IsFolderEntry(path)) {
                    entry.Size = qint64(object.value(u"size").toDouble(-1));
                    entry.Sha256 = object.value(u"sha256").toString().toLatin1();
                }
                if (const QJsonValue document = object.value(u"document"); document.isString())
                    entry.Document = document.toString();
                Entries.insert(path, entry);
            }
        }
        for (auto change = Changes.cbegin(); change != Changes.cend(); ++change)
            Apply(change.key(), change.value());
    }
};

TOutputManifest::TOutputManifest(const QString& fileName)
    : FFileName(fileName), FData(std::make_unique<TData>())
{
    if (FFileName.isEmpty())
        FFileName = AppFolder(afUserData) + u'/' + QLatin1String(manifestFileName);
}

TOutputManifest::~TOutputManifest()
{
    // What a run recorded must outlive the process even when nobody saved since: it is the only
    // proof that lets the files be deleted later.
    Save();
}

void TOutputManifest::RecordFile(const QString& file, const QByteArray& content, const QString& document)
{
    TData::TEntry entry;
    entry.Document = document;
    entry.Size = content.size();
    entry.Sha256 = QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex();
    std::lock_guard guard(FData->Lock);
    FData->Refresh(FFileName);
    FData->Change(ComparedPath(file), entry);
}

bool TOutputManifest::RecordWrittenFile(const QString& file, const QString& document)
{
    TData::TEntry entry;
    entry.Document = document;
    if (!HashFile(file, entry.Sha256, entry.Size))
        return false;
    std::lock_guard guard(FData->Lock);
    FData->Refresh(FFileName);
    FData->Change(ComparedPath(file), entry);
    return true;
}

void TOutputManifest::RecordFolder(const QString& folder, const QString& document)
{
    TData::TEntry entry;
    entry.Document = document;
    std::lock_guard guard(FData->Lock);
    FData->Refresh(FFileName);
    FData->Change(CleanEntry(ComparedPath(folder) + u'/'), entry);
}

bool TOutputManifest::Matches(const QString& path, const std::optional<QString>& document) const
{
    if (!QDir::isAbsolutePath(path))
        return false;
    struct stat status;
    if (!LinkStatus(path, status))
        return false;
    const QString compared = ComparedPath(path);
    const bool folder = S_ISDIR(status.st_mode);
    const QString key = folder ? CleanEntry(compared + u'/') : compared;
    TData::TEntry entry;
    {
        std::lock_guard guard(FData->Lock);
        FData->Refresh(FFileName);
        const auto found = FData->Entries.constFind(key);
        if (found == FData->Entries.cend())
            return false;
        entry = found.value();
    }
    if (document && (!entry.Document || ComparedPath(*entry.Document) != ComparedPath(*document)))
        return false;
    if (folder)
        return true;
    if (!S_ISREG(status.st_mode) || qint64(status.st_size) != entry.Size)
        return false;
    QByteArray hash;
    qint64 size = 0;
    return HashFile(compared, hash, size) && size == entry.Size && hash == entry.Sha256;
}

void TOutputManifest::Forget(const QString& path)
{
    const QString compared = ComparedPath(path);
    std::lock_guard guard(FData->Lock);
    FData->Refresh(FFileName);
    FData->Change(compared, std::nullopt);
    FData->Change(CleanEntry(compared + u'/'), std::nullopt);
}

bool TOutputManifest::Save()
{
    std::lock_guard guard(FData->Lock);
    if (FData->Changes.isEmpty())
        return true;
    if (!QDir().mkpath(QFileInfo(FFileName).absolutePath()))
        return false;
    // Processes of the program take turns: each reads what the last one stored and adds its changes.
    const QByteArray lockName = Encoded(FFileName + QStringLiteral(".lock"));
    const int lockFd = ::open(lockName.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lockFd >= 0)
        ::flock(lockFd, LOCK_EX);
    FData->Loaded = false;
    FData->Refresh(FFileName);
    QJsonArray entries;
    QStringList paths = FData->Entries.keys();
    paths.sort();
    for (const QString& path : paths) {
        if (!ExistsAsEntry(path)) {
            FData->Entries.remove(path);
            continue;
        }
        const TData::TEntry& entry = FData->Entries[path];
        QJsonObject object{{QStringLiteral("path"), path}};
        if (!IsFolderEntry(path)) {
            object.insert(QStringLiteral("size"), double(entry.Size));
            object.insert(QStringLiteral("sha256"), QString::fromLatin1(entry.Sha256));
        }
        if (entry.Document)
            object.insert(QStringLiteral("document"), *entry.Document);
        entries.append(object);
    }
    const QJsonObject root{{QStringLiteral("version"), 1}, {QStringLiteral("entries"), entries}};
    const bool saved = WriteFileSafely(FFileName, QJsonDocument(root).toJson(QJsonDocument::Indented));
    if (saved) {
        FData->Changes.clear();
        FData->Stamp = StampOf(FFileName);
    }
    if (lockFd >= 0)
        ::close(lockFd);
    return saved;
}

namespace {

std::atomic<TOutputManifest*> defaultManifest{nullptr};

} // namespace

TOutputManifest& TOutputManifest::Default()
{
    if (TOutputManifest* installed = defaultManifest.load(std::memory_order_acquire))
        return *installed;
    static TOutputManifest manifest;
    return manifest;
}

void TOutputManifest::SetDefault(TOutputManifest* manifest)
{
    defaultManifest.store(manifest, std::memory_order_release);
}

// ---- TGenerationFiles ----

TGenerationFiles::TGenerationFiles() : FManifest(&TOutputManifest::Default()) {}

TGenerationFiles::TGenerationFiles(TElementMessages* log, const TGenerationOptions& options,
                                   TOutputManifest* manifest)
    : FLog(log), FOptions(options), FManifest(manifest != nullptr ? manifest : &TOutputManifest::Default())
{}

void TGenerationFiles::SetManifest(TOutputManifest* manifest)
{
    FManifest = manifest != nullptr ? manifest : &TOutputManifest::Default();
}

void TGenerationFiles::Report(uint8_t kind, int id, const QString& path) const
{
    AddPathMessage(FLog, kind, id, path);
}

bool TGenerationFiles::IsProtected(const QString& file) const
{
    return IsForbidden(file, ProtectedFiles);
}

bool TGenerationFiles::EnsureFolder(const QString& path)
{
    QString folder = path;
    while (folder.size() > 1 && folder.endsWith(u'/'))
        folder.chop(1);
    if (!QDir::isAbsolutePath(folder)) {
        ++Failures;
        Report(mkError, QV_STR(4408), path);
        return false;
    }
    const QFileInfo info(folder);
    const QString parent = info.path();
    if (info.isDir() || parent == folder)
        return true;
    if (!EnsureFolder(parent))
        return false;
    if (!QDir().mkdir(folder)) {
        ++Failures;
        Report(mkError, QV_STR(4408), folder);
        return false;
    }
    Report(mkInformation, QV_STR(4409), folder);
    CreatedFolders.append(folder + u'/');
    FManifest->RecordFolder(folder, Document);
    return true;
}

bool TGenerationFiles::PrepareOutputFile(const QString& file)
{
    if (file.isEmpty() || IsFolderEntry(file) || IsProtected(file)) {
        ReportCannotCreate(file);
        return false;
    }
    // Another document of ours, written over, would lose its content to a generated text.
    if (FindDescriptorByExtension(file) != nullptr) {
        ++Failures;
        Report(mkError, QV_STR(4462), file);
        return false;
    }
    if (!EnsureFolder(QFileInfo(file).path()))
        return false;
    if (!KeepForeignFile(file)) {
        ReportCannotCreate(file);
        return false;
    }
    return true;
}

// A regular file at `file` that this program did not write (or that was changed since) is the
// user's: its content goes to the "~" backup first, as a save keeps a document's. False when the copy
// could not be made (the output is then not written).
bool TGenerationFiles::KeepForeignFile(const QString& file)
{
    struct stat status;
    if (!LinkStatus(file, status) || !S_ISREG(status.st_mode) || FManifest->Matches(file))
        return true;
    const QString source = ComparedPath(file);
    const QString backup = BackupFileName(source);
    if (IsProtected(backup) || !CopyFileSafely(source, backup, nullptr, lmReplace))
        return false;
    Report(mkError, QV_STR(4461), backup);
    return true;
}

bool TGenerationFiles::WriteOutputFile(const QString& file, const QByteArray& bytes)
{
    if (!PrepareOutputFile(file))
        return false;
    // A link at the output's name is replaced as a compiler replaces its output: the link goes, what it
    // points to is never touched.
    if (!WriteFileSafely(file, bytes, nullptr, lmReplace)) {
        ReportCannotCreate(file);
        return false;
    }
    FManifest->RecordFile(file, bytes, Document);
    Register(file, 0, true);
    return true;
}

int TGenerationFiles::RegisterFile(const QString& file, int mode)
{
    return Register(file, mode, false);
}

int TGenerationFiles::Register(const QString& file, int mode, bool recorded)
{
    if (mode != 1 && !recorded)
        FManifest->RecordWrittenFile(file, Document);
    if (mode != 1 && FOptions.MakeReadOnly) {
        QFile::setPermissions(file, QFile::permissions(file) &
                                        ~(QFileDevice::WriteOwner | QFileDevice::WriteUser |
                                          QFileDevice::WriteGroup | QFileDevice::WriteOther));
    }
    const QString compared = ComparedPath(file);
    for (int i = 0; i < CreatedFiles.size(); ++i) {
        if (ComparedPath(CreatedFiles[i]) == compared) {
            if (mode != 1)
                Report(mkError, QV_STR(4414), file);
            return i;
        }
    }
    if (mode != 1)
        Report(mkInformation, QV_STR(4413), file);
    CreatedFiles.append(file);
    return int(CreatedFiles.size()) - 1;
}

void TGenerationFiles::MoveToFront(const QString& file)
{
    const QString compared = ComparedPath(file);
    for (int i = 0; i < CreatedFiles.size(); ++i) {
        if (ComparedPath(CreatedFiles[i]) == compared) {
            CreatedFiles.move(i, 0);
            return;
        }
    }
}

void TGenerationFiles::ReportCannotCreate(const QString& file)
{
    ++Failures;
    Report(mkError, QV_STR(4412), file);
}

bool TGenerationFiles::CreateNumberedFolder(const QString& prefix, QString& path)
{
    const QString base = ComparedPath(QDir::tempPath()) + u'/' + prefix;
    // Exclusive: a folder (or a link) someone else made under the shared temporary folder is never
    // used; the next number is tried instead.
    for (int n = 1; n < 100000; ++n) {
        const QString candidate = base + QString::number(n);
        if (::mkdir(Encoded(candidate).constData(), 0700) == 0) {
            struct stat status;
            if (::lstat(Encoded(candidate).constData(), &status) != 0 || !S_ISDIR(status.st_mode))
                break;
            FOwnedFolders.append(TOwnedFolder{candidate, uint64_t(status.st_dev), uint64_t(status.st_ino)});
            CreatedFolders.append(candidate + u'/');
            Report(mkInformation, QV_STR(4409), candidate);
            path = candidate + u'/';
            return true;
        }
        if (errno != EEXIST)
            break;
    }
    Report(mkError, QV_STR(4408), base);
    return false;
}

namespace {

// Removes everything inside the open folder `dirFd` without following a link (a link is removed, not
// what it points to). Returns false when something could not be removed.
bool RemoveContentAt(int dirFd)
{
    DIR* dir = ::fdopendir(dirFd);
    if (dir == nullptr) {
        ::close(dirFd);
        return false;
    }
    bool ok = true;
    QList<QByteArray> names;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.append(name);
    }
    const int fd = ::dirfd(dir);
    for (const QByteArray& name : names) {
        struct stat status;
        if (::fstatat(fd, name.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISDIR(status.st_mode)) {
            const int child = ::openat(fd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child < 0 || !RemoveContentAt(child) || ::unlinkat(fd, name.constData(), AT_REMOVEDIR) != 0)
                ok = false;
        } else if (::unlinkat(fd, name.constData(), 0) != 0) {
            ok = false;
        }
    }
    ::closedir(dir);
    return ok;
}

} // namespace

bool TGenerationFiles::RemoveCreatedContent(const QString& folder)
{
    // The files and folders this run registered below `folder`, deepest first.
    bool ok = true;
    for (int i = int(CreatedFiles.size()) - 1; i >= 0; --i) {
        if (!IsInside(CreatedFiles[i], folder))
            continue;
        struct stat status;
        if (LinkStatus(CreatedFiles[i], status) &&
            ::unlink(Encoded(ComparedPath(CreatedFiles[i])).constData()) != 0)
            ok = false;
        else
            CreatedFiles.removeAt(i);
    }
    for (int i = int(CreatedFolders.size()) - 1; i >= 0; --i) {
        if (!IsInside(CreatedFolders[i], folder))
            continue;
        struct stat status;
        if (LinkStatus(CreatedFolders[i], status) &&
            (!S_ISDIR(status.st_mode) || ::rmdir(Encoded(ComparedPath(CreatedFolders[i])).constData()) != 0))
            ok = false;
        else
            CreatedFolders.removeAt(i);
    }
    return ok;
}

bool TGenerationFiles::RemoveFolderTree(const QString& path)
{
    const QString compared = ComparedPath(path);
    int created = -1;
    for (int i = 0; i < CreatedFolders.size(); ++i) {
        if (ComparedPath(CreatedFolders[i]) == compared)
            created = i;
    }
    bool ok = created >= 0 && !IsProtected(compared);
    if (ok) {
        const auto owned = std::find_if(FOwnedFolders.cbegin(), FOwnedFolders.cend(),
                                        [&](const TOwnedFolder& folder) { return folder.Path == compared; });
        struct stat status;
        if (owned != FOwnedFolders.cend()) {
            // A private numbered folder: all it holds was put there by this run (or the tools it ran).
            const int fd =
                ::open(Encoded(compared).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            ok = fd >= 0 && ::fstat(fd, &status) == 0 && uint64_t(status.st_dev) == owned->Device &&
                 uint64_t(status.st_ino) == owned->Inode;
            if (ok) {
                ok = RemoveContentAt(fd);
                // Whatever the run registered there is gone with it.
                for (int i = int(CreatedFiles.size()) - 1; i >= 0; --i) {
                    if (IsInside(CreatedFiles[i], compared))
                        CreatedFiles.removeAt(i);
                }
                for (int i = int(CreatedFolders.size()) - 1; i >= 0; --i) {
                    if (IsInside(CreatedFolders[i], compared))
                        CreatedFolders.removeAt(i);
                }
            } else if (fd >= 0) {
                ::close(fd);
            }
        } else {
            ok = RemoveCreatedContent(compared);
        }
        ok = ok && LinkStatus(compared, status) && S_ISDIR(status.st_mode) &&
             ::rmdir(Encoded(compared).constData()) == 0;
    }
    if (!ok) {
        Report(mkError, QV_STR(4410), path);
        return false;
    }
    FOwnedFolders.erase(std::remove_if(FOwnedFolders.begin(), FOwnedFolders.end(),
                                       [&](const TOwnedFolder& folder) { return folder.Path == compared; }),
                        FOwnedFolders.end());
    for (int i = int(CreatedFolders.size()) - 1; i >= 0; --i) {
        if (ComparedPath(CreatedFolders[i]) == compared)
            CreatedFolders.removeAt(i);
    }
    FManifest->Forget(compared);
    Report(mkInformation, QV_STR(4411), path);
    return true;
}

void TGenerationFiles::Merge(const TGenerationFiles& other)
{
    auto add = [](QStringList& list, const QStringList& more) {
        for (const QString& path : more) {
            const QString compared = ComparedPath(path);
            if (std::none_of(list.cbegin(), list.cend(),
                             [&](const QString& known) { return ComparedPath(known) == compared; }))
                list.append(path);
        }
    };
    add(CreatedFolders, other.CreatedFolders);
    add(CreatedFiles, other.CreatedFiles);
    FOwnedFolders.append(other.FOwnedFolders);
    Failures += other.Failures;
}

// ---- The compile step ----

bool RunCompileStep(TGenerationFiles& files, const TCompileRequest& request, const std::atomic<bool>* cancel)
{
    TElementMessages* log = files.Log();
    auto text = [log](uint8_t kind, const QString& message) {
        if (log != nullptr)
            log->AddText(kind, message);
    };

    TProcessRequest process;
    process.Program = request.Program;
    if (!request.Program.contains(u'/')) {
        const QString found = QStandardPaths::findExecutable(request.Program);
        if (!found.isEmpty())
            process.Program = found;
    }
    process.Arguments = request.Arguments;
    process.WorkingFolder =
        QDir::isAbsolutePath(process.Program) ? QFileInfo(process.Program).absolutePath() : QString();
    process.OutputFile = request.LogFile;
    process.CaptureErrors = true;
    process.TimeLimitMs = files.Options().CompilerTimeLimitMs;
    process.Cancel = cancel;
    const TProcessResult result = ProcessRunner().Run(process);

    // Intermediate files go whatever happened, permanently (they were never the user's).
    for (const QString& file : request.IntermediateFiles) {
        QFile::remove(file);
        const QString compared = ComparedPath(file);
        files.CreatedFiles.removeIf(
            [&](const QString& created) { return ComparedPath(created) == compared; });
    }

    if (!result.Started) {
        text(mkFatal, LoadStr(QV_STR(4418)));
        return false;
    }
    if (result.TimedOut) {
        const double seconds = files.Options().CompilerTimeLimitMs / 1000.0;
        text(mkFatal, LoadStr(QV_STR(4436), {QString::number(seconds, 'g', 6)}));
        return false;
    }
    if (result.Cancelled) {
        text(mkFatal, LoadStr(QV_STR(4437)));
        return false;
    }
    text(mkInformation, LoadStr(QV_STR(4419)));

    struct stat status;
    if (request.ExpectedResult.isEmpty() || !LinkStatus(request.ExpectedResult, status) ||
        !S_ISREG(status.st_mode)) {
        AddPathMessage(log, mkFatal, QV_STR(4420), request.ExpectedResult);
        return false;
    }
    QString output = request.ExpectedResult;
    if (!request.OutputFile.isEmpty() &&
        ComparedPath(request.OutputFile) != ComparedPath(request.ExpectedResult)) {
        output = request.OutputFile;
        if (!files.PrepareOutputFile(output))
            return false;
        // A rename keeps the file as the tool made it (an executable stays executable); across file
        // systems it is copied safely and the original removed.
        const QByteArray from = Encoded(ComparedPath(request.ExpectedResult));
        bool moved = ::rename(from.constData(), Encoded(ComparedPath(output)).constData()) == 0;
        if (!moved && errno == EXDEV && CopyFileSafely(request.ExpectedResult, output)) {
            ::unlink(from.constData());
            moved = true;
        }
        if (!moved) {
            ++files.Failures;
            AddPathMessage(log, mkError, QV_STR(4415), output);
            return false;
        }
    }
    files.RegisterFile(output, 0);
    files.MoveToFront(output);
    return true;
}

// ---- Obsolete entries and their deletion ----

QStringList FindObsoleteEntries(const QStringList& oldList, QStringList& newList,
                                const QStringList& runOutputs, const QStringList& protectedFiles,
                                const TOutputManifest* manifest, const QString& document)
{
    QSet<QString> made;
    QSet<TFileId> madeIds;
    QStringList madeCanonical;
    for (const QStringList* list : {const_cast<const QStringList*>(&newList), &runOutputs}) {
        for (const QString& path : *list) {
            made.insert(ComparedPath(path));
            if (const std::optional<TFileId> id = FileIdOf(path))
                madeIds.insert(*id);
            const QString canonical = QFileInfo(ComparedPath(path)).canonicalFilePath();
            if (!canonical.isEmpty())
                madeCanonical.append(canonical);
        }
    }
    const QStringList created = newList;

    QStringList candidates;
    for (qsizetype i = oldList.size() - 1; i >= 0; --i) {
        const QString entry = CleanEntry(oldList[i]);
        const QString compared = ComparedPath(entry);
        if (entry.isEmpty() || IsForbidden(entry, protectedFiles) || made.contains(compared))
            continue;
        struct stat status;
        if (!LinkStatus(entry, status) || S_ISLNK(status.st_mode))
            continue;
        if (const std::optional<TFileId> id = FileIdOf(entry); id && madeIds.contains(*id))
            continue;
        if (IsFolderEntry(entry)) {
            if (!S_ISDIR(status.st_mode))
                continue;
            const QString canonical = QFileInfo(compared).canonicalFilePath();
            const bool holdsNew =
                std::any_of(created.cbegin(), created.cend(),
                            [&](const QString& path) { return IsInside(path, compared); }) ||
                std::any_of(madeCanonical.cbegin(), madeCanonical.cend(), [&](const QString& path) {
                    return !canonical.isEmpty() && IsInside(path, canonical);
                });
            if (holdsNew) {
                newList.prepend(entry);
                continue;
            }
        } else if (!S_ISREG(status.st_mode)) {
            continue;
        }
        if (manifest == nullptr || manifest->Matches(entry, document))
            candidates.prepend(entry);
    }
    return candidates;
}

namespace {

// Moves a regular file to the user's trash. The trash folders are made first (mode 0700), because
// without them the system's trash call may fail to find a trash and put the file into a "files"
// folder below the current folder while reporting success; a result outside an absolute trash path
// is undone and counts as a failure, so the file is kept where it was.
bool MoveFileToTrash(const QString& path)
{
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataHome.isEmpty() || !QDir::isAbsolutePath(dataHome))
        return false;
    const QString trash = dataHome + QStringLiteral("/Trash");
    for (const QString& folder :
         QStringList{trash, trash + QStringLiteral("/files"), trash + QStringLiteral("/info")}) {
        if (!QDir().mkpath(folder))
            return false;
    }
    ::chmod(Encoded(trash).constData(), 0700);
    QString pathInTrash;
    if (!QFile::moveToTrash(path, &pathInTrash))
        return false;
    if (QDir::isAbsolutePath(pathInTrash) && QFileInfo::exists(pathInTrash) && !QFileInfo::exists(path))
        return true;
    // The call claimed success but the file did not reach a trash: put it back.
    const QString misplaced = QDir::current().absoluteFilePath(pathInTrash);
    if (!pathInTrash.isEmpty() && !QFileInfo::exists(path) && QFile::rename(misplaced, path)) {
        const QFileInfo moved(misplaced);
        QFile::remove(moved.dir().absoluteFilePath(QStringLiteral("../info/") + moved.fileName() +
                                                   QStringLiteral(".trashinfo")));
    }
    return false;
}

} // namespace

QStringList DeleteGeneratedEntries(const QStringList& entries, TElementMessages* log,
                                   TOutputManifest& manifest, const QStringList& protectedFiles,
                                   const QString& document, int* failures)
{
    QStringList remaining = entries;
    for (qsizetype i = entries.size() - 1; i >= 0; --i) {
        const QString entry = CleanEntry(entries[i]);
        const bool folder = IsFolderEntry(entry);
        const int failure = folder ? QV_STR(4410) : QV_STR(4416);
        if (entry.isEmpty() || IsForbidden(entry, protectedFiles)) {
            AddPathMessage(log, mkError, failure, entries[i]);
            if (failures != nullptr && ExistsAsEntry(entry))
                ++*failures;
            continue;
        }
        struct stat status;
        if (!LinkStatus(entry, status)) {
            // Gone already: counts as deleted.
            manifest.Forget(entry);
            remaining.removeAt(i);
            continue;
        }
        bool deleted = false;
        if (manifest.Matches(entry, document)) {
            if (folder)
                deleted = S_ISDIR(status.st_mode) && ::rmdir(Encoded(ComparedPath(entry)).constData()) == 0;
            else
                deleted = S_ISREG(status.st_mode) && MoveFileToTrash(ComparedPath(entry));
        }
        if (!deleted) {
            AddPathMessage(log, mkError, failure, entries[i]);
            if (failures != nullptr)
                ++*failures;
            continue;
        }
        manifest.Forget(entry);
        remaining.removeAt(i);
        AddPathMessage(log, mkInformation, folder ? QV_STR(4411) : QV_STR(4417), entries[i]);
    }
    if (!ReportManifestSaved(manifest, log) && failures != nullptr)
        ++*failures;
    return remaining;
}

bool ReportManifestSaved(TOutputManifest& manifest, TElementMessages* log)
{
    if (manifest.Save())
        return true;
    AddPathMessage(log, mkFatal, QV_STR(4460), manifest.FileName());
    return false;
}

} // namespace qv
