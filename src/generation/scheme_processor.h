#pragma once

#include "elements/processing_service.h"
#include "generation/generation_files.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

class QObject;

namespace qv {

class TElement;
class TElementClass;
class TElementMessage;
class TElementMessages;
class TKnot;
class TProcessorElement;
class TScheme;
class TSchemeGeneratorWorker;

// Calls from a run's thread to the user-interface thread (the thread that created the object).
// Post queues a call (calls run in the order they were posted); Call runs one and waits for it.
// Both run the call at once when made on the user-interface thread. After Shutdown nothing runs any
// more: pending and later Calls return false at once, posts are dropped.
class TRunSync
{
public:
    TRunSync();
    ~TRunSync();
    TRunSync(const TRunSync&) = delete;
    TRunSync& operator=(const TRunSync&) = delete;

    void Post(std::function<void()> call);
    // True when the call ran; false after Shutdown.
    bool Call(const std::function<void()>& call);
    void Shutdown();
    bool IsShutDown() const;

private:
    struct TState;
    std::shared_ptr<TState> FState;
    std::unique_ptr<QObject> FReceiver; // lives on the user-interface thread
};

// The settings a run copies when it starts (the run's thread never reads the settings themselves).
struct TRunSettings
{
    TGenerationOptions Options;
    bool InsertWarning = true;
    bool InsertSourceName = true;
    bool InsertDate = true;
    bool InsertTime = false;
    QString ProgramName; // the executable's name without folder and extension
};

// A document another document connects to, as the user-interface thread hands it to a run: a mode-2
// snapshot and what is needed to build a private copy of it.
struct TDocumentSnapshot
{
    QString FileName;
    QString RootName;
    const TElementClass* RootClass = nullptr;
    std::shared_ptr<TKnot> Knot;
};

// The run of one processor: on its own thread, over a private copy of the document made from a
// snapshot taken on the user-interface thread (Prepare). Messages go to a run-local log; each one is
// mapped to the user's element ids, counted when fatal, and posted by value, in order, to the user's
// log on the user-interface thread. Documents the copy connects to are opened on the user-interface
// thread (a blocking call through the run's TRunSync) and copied from their snapshots; copies are
// freed inside the thread, connections first, so documents connected to each other never hang.
class TSchemeProcessor : public QThread
{
public:
    TSchemeProcessor();
    ~TSchemeProcessor() override;

    // Inputs, set on the user-interface thread before Prepare.
    QString SourceName; // "SourceName" of the user's document
    QString SourceFile; // its file name, empty when unsaved
    TRunSettings Settings;
    const std::atomic<bool>* Cancel = nullptr;

    // On the user-interface thread: takes the snapshot of `processor`'s document and remembers where
    // messages go (`userLog` on the user-interface thread through `sync`; null: nowhere) and how other
    // documents are opened (the scheme's OpenScheme, called on the user-interface thread).
    void Prepare(TProcessorElement* processor, TRunSync* sync, TElementMessages* userLog);
    // Runs the work on the calling thread (tests and runs without a thread).
    void RunHere();

    int32_t ProcessorID() const { return FProcessorID; }
    QDateTime StartTime() const { return FStartTime; }
    // Kind-3 messages of this processor's run.
    int FatalCount() const { return FFatalCount.load(); }
    virtual bool Succeeded() const;

    // During the work (the run's thread):
    TScheme* CopyScheme() const { return FCopyScheme; }
    TProcessorElement* CopyProcessor() const { return FCopyProcessor; }
    TElementMessages* Log() const { return FLog.get(); }
    // The private copy of the document `fileName` (opened once per run; null when it cannot be had).
    TScheme* OpenCopy(const QString& fileName);

    virtual std::unique_ptr<TSchemeGeneratorWorker> CreateWorker();
    virtual void PrepareWorker(TSchemeGeneratorWorker& worker);
    virtual void CollectResults(TSchemeGeneratorWorker& worker);
    virtual bool CanGenerate(TSchemeGeneratorWorker& worker);

protected:
    void run() override;

    // The work got as far as generating (the copy was made and CanGenerate agreed).
    bool FGenerated = false;

private:
    struct TCopies;
    void Work();
    void MessageAdded(TElementMessage* message);

    int32_t FProcessorID = 0;
    QDateTime FStartTime;
    TRunSync* FSync = nullptr;
    TElementMessages* FUserLog = nullptr;
    TDocumentSnapshot FSnapshot;
    std::function<TDocumentSnapshot(const QString&)> FOpenDocument; // called on the user-interface thread
    std::unique_ptr<TElementMessages> FLog;
    std::unique_ptr<TCopies> FCopies;
    TScheme* FCopyScheme = nullptr;
    TProcessorElement* FCopyProcessor = nullptr;
    std::atomic<int> FFatalCount{0};
    std::function<int32_t(int32_t)> FOriginalID; // the worker's id map while it lives
};

// The run of a generator: keeps the folders and files it made.
class TSchemeGenerator : public TSchemeProcessor
{
public:
    QStringList CreatedFolders;
    QStringList CreatedFiles;
    QStringList* RunList = nullptr;      // shared by the generators of one run
    TOutputManifest* Manifest = nullptr; // null: TOutputManifest::Default()
    QStringList ProtectedFiles;          // the document's own file
    int OutputFailures = 0;              // outputs and folders that could not be made

    // True when every output could be written and this generator wrote something or its run had no
    // fatal message.
    bool Succeeded() const override;
    void PrepareWorker(TSchemeGeneratorWorker& worker) override;
    void CollectResults(TSchemeGeneratorWorker& worker) override;
    bool CanGenerate(TSchemeGeneratorWorker& worker) override;
};

// How RunProcessors runs its threads; tests may run them on the calling thread.
enum TRunMode : uint8_t
{
    rmThread = 0, // a thread per processor, the user-interface thread keeps handling events
    rmInline = 1, // the processors' work on the calling thread
};

// The processing commands of the documents: runs processors, removes generated files. Installed at
// start-up; user-interface thread only.
class TGenerationService : public IProcessingService
{
public:
    TGenerationService();
    ~TGenerationService() override;

    QList<TElement*> ProcessorElements(TElement* root) override;
    void RunProcessors(TElement* root, const QList<TElement*>* processors) override;
    void RemoveGenerated(TElement* root) override;

    TRunMode RunMode = rmThread;
    // The manifest of written files (null: TOutputManifest::Default()).
    TOutputManifest* Manifest = nullptr;
    // The settings runs copy (tests set them; the application reads them from its settings).
    std::function<TRunSettings()> Settings;
    // Files no run may write or delete besides each document's own file (the settings, session and
    // recent-files files).
    QStringList ProtectedFiles;

    // Results of the last RunProcessors: the number of processors that ran and that failed.
    int LastRunCount() const { return FLastRunCount; }
    int LastFailures() const { return FLastFailures; }
    // Failed processors, refused deletions and manifests that could not be saved since the service
    // was made (batch mode compares it around each file).
    int TotalFailures() const { return FTotalFailures; }

private:
    // ProtectedFiles and the document's own file.
    QStringList ProtectedFilesOf(TScheme* scheme) const;
    // A document that was read only in part is not processed: true after reporting it (kind 3).
    bool RefusePartialDocument(TScheme* scheme);

    int FLastRunCount = 0;
    int FLastFailures = 0;
    int FTotalFailures = 0;
};

// The installed service (made on first use) and its installation as the processing service.
TGenerationService& GenerationService();
void InstallGenerationService();

} // namespace qv
