#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>

namespace qv {

class TElementMessages;

// What a run copies from the "Generation" settings when it starts (the worker thread never reads the
// settings themselves).
struct TGenerationOptions
{
    bool MakeReadOnly = false;
    // Milliseconds an outside compiler may run before it is stopped; negative: no limit.
    int CompilerTimeLimitMs = 15 * 60 * 1000;
};

// Paths in generated lists use "/" and are absolute; a folder path ends with "/".

// The record of what this program wrote, kept per user outside any document ("generated.manifest" in
// the user's data folder): for each output, its path, size and content hash at the time it was
// written, and the document that generated it (its file name; empty for an unsaved document). Only a
// file whose entry still matches it, recorded for the same document, may be deleted as obsolete or by
// "Remove Generated", so that a document whose generated list was edited by hand (or comes from
// someone else, or names another document's outputs) cannot make the program delete a user's files.
// A folder is recorded when a run created it. Entries stored before documents were recorded have no
// document: they still prove that this program wrote the file, but no document may delete it.
//
// Thread-safe: a run's worker thread records while the user-interface thread may read. Several
// processes of the program share the file: Save merges this process's changes into what is stored,
// and a manifest re-reads the file when another process saved it since.
class TOutputManifest
{
public:
    // The manifest stored in `fileName`; empty: the default file in the user's data folder. The file
    // is read on first use.
    explicit TOutputManifest(const QString& fileName = QString());
    // Saves what was recorded and not saved yet.
    ~TOutputManifest();
    TOutputManifest(const TOutputManifest&) = delete;
    TOutputManifest& operator=(const TOutputManifest&) = delete;

    // Records `file` as written now with `content` (its full bytes) by a run of `document`.
    void RecordFile(const QString& file, const QByteArray& content, const QString& document = QString());
    // Records `file` as it is on the disk now (an outside tool wrote it); false when it is not a
    // regular file that can be read.
    bool RecordWrittenFile(const QString& file, const QString& document = QString());
    void RecordFolder(const QString& folder, const QString& document = QString());
    // Whether `path` is as this program left it: a recorded folder that is still a folder (not a
    // link), or a recorded regular file (not a link) whose size and hash still match. With `document`,
    // the entry must also have been recorded for that document.
    bool Matches(const QString& path, const std::optional<QString>& document = std::nullopt) const;
    // Forgets an entry (after it was deleted).
    void Forget(const QString& path);
    // Writes the manifest to its file (safely), leaving out entries whose paths exist no more;
    // returns false on failure. A run saves once at its end; deleting saves by itself.
    bool Save();
    QString FileName() const { return FFileName; }

    // The process-wide manifest (the default file); tests replace it with SetDefault.
    static TOutputManifest& Default();
    static void SetDefault(TOutputManifest* manifest);

private:
    struct TData;
    QString FFileName;
    std::unique_ptr<TData> FData;
};

// The files and folders one generator made in one run, and the file services its worker uses. Every
// outcome is a message in `Log` (never a dialog); messages with links name the path as the link.
class TGenerationFiles
{
public:
    // No log (messages are dropped), default options and the default manifest, until set.
    TGenerationFiles();
    // `manifest` null: the default manifest.
    TGenerationFiles(TElementMessages* log, const TGenerationOptions& options, TOutputManifest* manifest);

    // Folders this run created, parents first, spelled as requested; each ends with "/".
    QStringList CreatedFolders;
    // Files this run wrote; the main output is moved to the front.
    QStringList CreatedFiles;
    // Files that may never be written or deleted (the document's own file): an output with one of
    // these paths is refused with "Can not create file: %1".
    QStringList ProtectedFiles;
    // The document whose run this is (its file name; empty when unsaved), recorded with each output.
    QString Document;
    // Outputs and folders of this run that could not be made (each one reported): a run with any
    // has failed, even though it goes on with its other outputs.
    int Failures = 0;

    // Creates `path` and its missing parents: "Folder created: [%1]" (4409) for each one created,
    // "Can not create folder: %1" (4408, kind 2) on failure.
    bool EnsureFolder(const QString& path);
    // Makes the folder of `file` exist and checks it may be written (not protected, not a document).
    // A regular file there that the manifest does not know as this program's output is copied to its
    // "~" backup, replacing a link of that name, and the replacement is reported (4461, kind 2). Never
    // deletes the old file: WriteOutputFile (or the compile step's move) replaces it in one step.
    bool PrepareOutputFile(const QString& file);
    // Writes `bytes` to `file` through a temporary file and a rename (an old output survives a failed
    // write), records it in the manifest, and registers it (mode 0). A symbolic link at `file` is
    // replaced, never written through. A name with the extension of a document type is refused (4462,
    // kind 2). On failure: "Can not create file: %1" (4412, kind 2), a failure counted, and false.
    bool WriteOutputFile(const QString& file, const QByteArray& bytes);
    // Records a written file: mode 1 = silently (intermediate files), else "File created: [%1]" (4413)
    // or, when this run already wrote it, "File replaced: [%1]" (4414, kind 2); "MakeReadOnly" clears
    // the write bits (mode ≠ 1). A file registered with mode ≠ 1 joins the manifest as it is on the
    // disk now (a file written without WriteOutputFile). Returns the index in CreatedFiles.
    int RegisterFile(const QString& file, int mode = 0);
    void MoveToFront(const QString& file);
    void ReportCannotCreate(const QString& file);
    // A new folder under the system temporary folder, created exclusively with mode 0700 (the first
    // free "<prefix><N>" for N = 1, 2, …).
    bool CreateNumberedFolder(const QString& prefix, QString& path);
    // Removes a folder this run created and what the run put in it, never following links: "Folder
    // deleted: %1" (4411) or "Can not delete folder: [%1]" (4410, kind 2).
    bool RemoveFolderTree(const QString& path);
    // Appends another worker's created folders and files.
    void Merge(const TGenerationFiles& other);

    TElementMessages* Log() const { return FLog; }
    void SetLog(TElementMessages* log) { FLog = log; }
    const TGenerationOptions& Options() const { return FOptions; }
    void SetOptions(const TGenerationOptions& options) { FOptions = options; }
    TOutputManifest& Manifest() const { return *FManifest; }
    void SetManifest(TOutputManifest* manifest);

private:
    // A numbered folder this run made: its spelling and the identity it was created with.
    struct TOwnedFolder
    {
        QString Path;
        uint64_t Device = 0;
        uint64_t Inode = 0;
    };

    void Report(uint8_t kind, int id, const QString& path) const;
    bool KeepForeignFile(const QString& file);
    bool IsProtected(const QString& file) const;
    int Register(const QString& file, int mode, bool recorded);
    bool RemoveCreatedContent(const QString& folder);

    TElementMessages* FLog = nullptr;
    TGenerationOptions FOptions;
    TOutputManifest* FManifest = nullptr;
    QList<TOwnedFolder> FOwnedFolders;
};

// One call of an outside compiler: the program with its arguments (never a shell command), run in the
// program's own folder with its standard output (and error) captured into `LogFile`.
struct TCompileRequest
{
    // A path, or a bare name looked up on PATH.
    QString Program;
    QStringList Arguments;
    QString LogFile;
    // The file the compiler must leave behind, and the name it is moved to (empty: stays where it is).
    QString ExpectedResult;
    QString OutputFile;
    // Intermediate files (registered with mode 1): deleted after the run and taken off CreatedFiles.
    QStringList IntermediateFiles;
};

// Runs the compiler through the installed process runner with the options' time limit: "Can not
// start compilation" (4418, kind 3) when it cannot start, a kind-3 message when the time limit is hit
// (4436) or `cancel` is set (4437), else "Compilation completed" (4419); the intermediate files are
// deleted in every case, and after a completed run the expected result is moved to the output name,
// recorded in the manifest and registered at the front ("Can not move file: [%1]" 4415 on failure),
// or "Compiler has not created the expected file: %1" (4420, kind 3). The exit code is not read.
// Returns whether the result was registered.
bool RunCompileStep(TGenerationFiles& files, const TCompileRequest& request, const std::atomic<bool>* cancel);

// An obsolete entry of a generated list: a path an earlier run made that the last run did not.
// Computed after a successful run; `newList` is the run's CreatedFolders ++ CreatedFiles, `runOutputs`
// every path any processor of the run created. Goes through `oldList` last to first, skipping entries
// in `newList` or `runOutputs`, entries that are the same file as one of them (device and inode),
// entries that are not absolute, "/", the home folder, and `protectedFiles`:
//  - a folder that still exists stays in the list (inserted at the front of `newList`) when some new
//    entry lies inside it; otherwise it is a candidate;
//  - a file that exists is a candidate;
//  - an entry that no longer exists is dropped.
// A symbolic link is dropped (this program never writes one). With `manifest`, only what it still
// matches for `document` is offered: a file this program never wrote, one another document generated
// or one changed since is dropped from the list (and stays on the disk). Without, such entries are
// offered and DeleteGeneratedEntries refuses them.
// Returns the candidates in their order in `oldList` (DeleteGeneratedEntries takes them last to
// first, so files go before the folders that hold them).
QStringList FindObsoleteEntries(const QStringList& oldList, QStringList& newList,
                                const QStringList& runOutputs, const QStringList& protectedFiles,
                                const TOutputManifest* manifest = nullptr,
                                const QString& document = QString());

// Deletes generated entries last to first: a file that the manifest still matches as an output of
// `document` goes to the trash, a folder only when the manifest knows it for `document` and it is empty
// (removed). An entry that does not exist any
// more counts as deleted. Anything else — a file changed since it was written, a file this program
// never wrote, a folder holding something, a failure of the trash — is reported ("Can not delete
// file: [%1]" 4416 / "Can not delete folder: [%1]" 4410, kind 2) and kept. Success: "File deleted:
// %1" (4417) / "Folder deleted: %1" (4411). Deleted entries leave the manifest, which is saved (a
// manifest that cannot be saved is reported by ReportManifestSaved). Returns the entries that remain
// (in their order); `failures`, when given, is increased by the number of them that still exist and
// by one when the manifest could not be saved. User-interface thread (or the batch run).
QStringList DeleteGeneratedEntries(const QStringList& entries, TElementMessages* log,
                                   TOutputManifest& manifest, const QStringList& protectedFiles,
                                   const QString& document = QString(), int* failures = nullptr);

// Saves the manifest; when it cannot be saved, "The list of generated files could not be saved: [%1]"
// (4460, kind 3, linked to the manifest) goes to `log`: the files just written could not be deleted
// later. Returns whether it was saved.
bool ReportManifestSaved(TOutputManifest& manifest, TElementMessages* log);

} // namespace qv
