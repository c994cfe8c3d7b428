#include "generation/scheme_processor.h"

#include "core/clock.h"
#include "core/errors.h"
#include "core/knot.h"
#include "core/strings.h"
#include "elements/element_messages.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "generation/generator_worker.h"
#include "generation/processor_element.h"
#include "library/simple_fields.h"
#include "naming/namespace_connection.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QObject>

#include <utility>
#include <vector>

namespace qv {

// TRunSync

struct TRunSync::TState
{
    std::mutex Mutex;
    bool ShutDown = false;
    QThread* Thread = nullptr; // the user-interface thread
};

namespace {

// One blocking call: the caller waits until it finished, or until the sync shut down before it
// started (a started call always runs to its end: it may write into the caller's variables).
struct TCallState
{
    bool Started = false;
    bool Finished = false;
};

// Orders every queued call of a run after what its posting thread did before queuing it.
std::mutex& HandOverMutex()
{
    static std::mutex mutex;
    return mutex;
}

} // namespace

TRunSync::TRunSync() : FState(std::make_shared<TState>()), FReceiver(std::make_unique<QObject>())
{
    FState->Thread = QThread::currentThread();
}

TRunSync::~TRunSync()
{
    Shutdown();
}

void TRunSync::Post(std::function<void()> call)
{
    if (QThread::currentThread() == FState->Thread) {
        if (!IsShutDown())
            call();
        return;
    }
    std::shared_ptr<TState> state = FState;
    // Held while the call is queued and taken by the call before it reads anything: what this thread
    // wrote, the queued call itself included, is handed over in a way thread checkers see (the event
    // queue's own lock is invisible to them).
    std::lock_guard handOver(HandOverMutex());
    QMetaObject::invokeMethod(
        FReceiver.get(),
        [state, call = std::move(call)] {
            {
                std::lock_guard received(HandOverMutex());
            }
            {
                std::lock_guard lock(state->Mutex);
                if (state->ShutDown)
                    return;
            }
            call();
        },
        Qt::QueuedConnection);
}

bool TRunSync::Call(const std::function<void()>& call)
{
    if (QThread::currentThread() == FState->Thread) {
        if (IsShutDown())
            return false;
        call();
        return true;
    }
    std::shared_ptr<TState> state = FState;
    auto callState = std::make_shared<TCallState>();
    {
        std::lock_guard lock(state->Mutex);
        if (state->ShutDown)
            return false;
    }
    std::unique_lock handOver(HandOverMutex());
    QMetaObject::invokeMethod(
        FReceiver.get(),
        [state, callState, call] {
            {
                std::lock_guard received(HandOverMutex());
            }
            {
                std::lock_guard lock(state->Mutex);
                if (state->ShutDown)
                    return;
                callState->Started = true;
            }
            try {
                call();
            } catch (...) {
                // Counted as no result; the caller cannot receive an error across threads.
            }
            std::lock_guard lock(state->Mutex);
            callState->Finished = true;
        },
        Qt::QueuedConnection);
    handOver.unlock();
    // Polled rather than waited for with a condition variable: calls are rare (a connected document
    // is opened once per run), and a plain mutex is a hand-over thread checkers always see.
    for (;;) {
        {
            std::lock_guard lock(state->Mutex);
            if (callState->Finished || (state->ShutDown && !callState->Started))
                return callState->Finished;
        }
        QThread::msleep(1);
    }
}

void TRunSync::Shutdown()
{
    std::lock_guard lock(FState->Mutex);
    FState->ShutDown = true;
}

bool TRunSync::IsShutDown() const
{
    std::lock_guard lock(FState->Mutex);
    return FState->ShutDown;
}

// TSchemeProcessor

namespace {

// Removes the nodes of disabled elements from a snapshot, except the element `keepId`.
void PruneDisabled(TKnot* knot, int32_t keepId)
{
    static const QString disabled = QStringLiteral("Disabled");
    static const QString id = QStringLiteral("ID");
    TKnot* child = knot->FirstKnot();
    while (child != nullptr) {
        TKnot* next = child->NextKnot();
        const TKnotParam* param = child->FindParam(disabled);
        if (param != nullptr && param->Text() == QStringLiteral("1") && child->ReadInt(id, 0) != keepId) {
            child->Free();
        } else {
            PruneDisabled(child, keepId);
        }
        child = next;
    }
}

TDocumentSnapshot TakeSnapshot(TScheme* scheme, uint8_t flags, int32_t keepId)
{
    TDocumentSnapshot snapshot;
    if (scheme == nullptr || scheme->Root() == nullptr)
        return snapshot;
    snapshot.FileName = scheme->FileName();
    snapshot.RootName = scheme->RootName();
    snapshot.RootClass = scheme->RootClass();
    snapshot.Knot = std::make_shared<TKnot>(QStringLiteral("Generation"));
    scheme->SaveToKnot(scheme->Root(), fmSnapshot, snapshot.Knot.get(), flags);
    if (keepId != 0)
        PruneDisabled(snapshot.Knot.get(), keepId);
    return snapshot;
}

QString FileKey(const QString& fileName)
{
    return fileName.isEmpty() ? QString() : QDir::cleanPath(QFileInfo(fileName).absoluteFilePath());
}

constexpr uint8_t snapshotSaveFlags = 0xFD;
constexpr uint8_t snapshotLoadFlags = ffGenerationCopy | ffNoPosition | ffNoDisabled;

} // namespace

// The run's private copies of documents, by file name; an entry without a scheme records a file that
// could not be had, so that it is not asked for again.
struct TSchemeProcessor::TCopies
{
    struct TEntry
    {
        QString Key;
        std::unique_ptr<TScheme> Scheme;
    };
    std::vector<TEntry> Entries;

    TEntry* Find(const QString& key)
    {
        for (TEntry& entry : Entries) {
            if (entry.Key == key)
                return &entry;
        }
        return nullptr;
    }

    // Connections first, so that documents connected to each other can be freed in any order.
    void Free()
    {
        for (TEntry& entry : Entries) {
            if (!entry.Scheme || entry.Scheme->Root() == nullptr)
                continue;
            for (TNamespaceConnection* connection : entry.Scheme->Root()->CollectAll<TNamespaceConnection>())
                connection->SetSource(nullptr);
        }
        while (!Entries.empty())
            Entries.pop_back();
    }
};

TSchemeProcessor::TSchemeProcessor() = default;

TSchemeProcessor::~TSchemeProcessor()
{
    // Never freed while running: the run waits for the thread first.
    wait();
}

void TSchemeProcessor::Prepare(TProcessorElement* processor, TRunSync* sync, TElementMessages* userLog)
{
    TScheme* scheme = processor != nullptr ? processor->Scheme() : nullptr;
    FProcessorID = processor != nullptr ? processor->ID() : 0;
    FSync = sync;
    FUserLog = userLog;
    FStartTime = Clock().Now();
    if (scheme == nullptr)
        return;
    if (SourceFile.isEmpty())
        SourceFile = scheme->FileName();
    // The processor that runs is kept even when it is disabled (it may be chosen by number).
    FSnapshot = TakeSnapshot(scheme, snapshotSaveFlags & ~ffNoDisabled, FProcessorID);
    FOpenDocument = [scheme](const QString& fileName) {
        const TOpenSchemeEvent& open = scheme->OpenScheme();
        if (!open)
            return TDocumentSnapshot();
        TScheme* other = nullptr;
        try {
            other = open(scheme, fileName);
        } catch (...) {
            other = nullptr;
        }
        return TakeSnapshot(other, snapshotSaveFlags, 0);
    };
}

void TSchemeProcessor::RunHere()
{
    Work();
}

bool TSchemeProcessor::Succeeded() const
{
    return FGenerated && FFatalCount.load() == 0;
}

void TSchemeProcessor::run()
{
    Work();
}

void TSchemeProcessor::MessageAdded(TElementMessage* message)
{
    if (message == nullptr)
        return;
    if (message->Kind() == mkFatal)
        ++FFatalCount;
    if (FUserLog == nullptr)
        return;
    // By value: the run's list lives on this thread.
    auto copy = std::make_shared<TElementMessage>(message->Kind());
    copy->Parts() = message->Parts();
    TElementMessages* log = FUserLog;
    auto add = [log, copy] {
        auto item = std::make_unique<TElementMessage>(copy->Kind());
        item->Parts() = copy->Parts();
        log->AddMessage(std::move(item));
    };
    if (FSync != nullptr)
        FSync->Post(add);
    else
        add();
}

TScheme* TSchemeProcessor::OpenCopy(const QString& fileName)
{
    const QString key = FileKey(fileName);
    if (key.isEmpty() || !FCopies)
        return nullptr;
    if (TCopies::TEntry* entry = FCopies->Find(key))
        return entry->Scheme.get();
    FCopies->Entries.push_back({key, nullptr});
    TDocumentSnapshot snapshot;
    if (FOpenDocument) {
        auto open = [&] {
            snapshot = FOpenDocument(fileName);
        };
        if (FSync != nullptr) {
            if (!FSync->Call(open))
                return nullptr;
        } else {
            open();
        }
    }
    if (!snapshot.Knot || snapshot.RootClass == nullptr)
        return nullptr;
    auto scheme = std::make_unique<TScheme>(snapshot.RootClass, snapshot.RootName);
    TScheme* result = scheme.get();
    result->SetFileName(snapshot.FileName);
    result->SetMessages(FLog.get());
    result->SetOpenScheme([this](TScheme*, const QString& name) { return OpenCopy(name); });
    // Registered before loading: a document that connects back to this one finds it.
    FCopies->Find(key)->Scheme = std::move(scheme);
    result->Root()->LoadFrom(snapshot.Knot.get(), fmSnapshot, snapshotLoadFlags);
    return result;
}

std::unique_ptr<TSchemeGeneratorWorker> TSchemeProcessor::CreateWorker()
{
    auto* generator = dynamic_cast<TGeneratorElement*>(FCopyProcessor);
    return generator != nullptr ? generator->CreateWorker() : nullptr;
}

void TSchemeProcessor::PrepareWorker(TSchemeGeneratorWorker&) {}

void TSchemeProcessor::CollectResults(TSchemeGeneratorWorker&) {}

bool TSchemeProcessor::CanGenerate(TSchemeGeneratorWorker&)
{
    return true;
}

void TSchemeProcessor::Work()
{
    FLog = std::make_unique<TElementMessages>();
    FLog->SetOnAdd([this](TElementMessage* message) { MessageAdded(message); });
    FCopies = std::make_unique<TCopies>();
    std::unique_ptr<TSchemeGeneratorWorker> worker;
    try {
        if (!FSnapshot.Knot || FSnapshot.RootClass == nullptr)
            throw EQvError(LoadStr(4445));
        const QString key = FileKey(FSnapshot.FileName);
        auto scheme = std::make_unique<TScheme>(FSnapshot.RootClass, FSnapshot.RootName);
        FCopyScheme = scheme.get();
        FCopyScheme->SetFileName(FSnapshot.FileName);
        FCopyScheme->SetMessages(FLog.get());
        FCopyScheme->SetOpenScheme([this](TScheme*, const QString& name) { return OpenCopy(name); });
        FCopies->Entries.push_back({key, std::move(scheme)});
        FCopyScheme->Root()->LoadFrom(FSnapshot.Knot.get(), fmSnapshot, snapshotLoadFlags);
        FSnapshot.Knot.reset();

        FCopyProcessor = dynamic_cast<TProcessorElement*>(FCopyScheme->FindElementByID(FProcessorID));
        if (FCopyProcessor == nullptr)
            throw EQvError(LoadStr(4445));
        worker = CreateWorker();
        if (!worker)
            throw EQvError(LoadStr(4445));
        worker->SourceName = SourceName;
        worker->SourceFile = SourceFile;
        worker->ProcessingTime = FStartTime;
        worker->Conditions = FCopyProcessor->Conditions();
        worker->Log = FLog.get();
        worker->Root = FCopyScheme->Root();
        worker->Cancel = Cancel;
        TSchemeGeneratorWorker* mapper = worker.get();
        FLog->SetOnPart([mapper](TElementMessage*, QString& data, QString&, uint8_t partKind) {
            if (partKind == mpElements)
                data = mapper->OriginalIDs(data);
        });
        worker->Initialize();

        // Collected before generating, which replaces the substitutions that use the names.
        QList<std::pair<QString, int32_t>> unused;
        std::vector<TNode*> nodes;
        worker->Root->CollectAll(nodes, TElement::StaticClass());
        for (TNode* node : nodes) {
            QString name;
            auto* element = static_cast<TElement*>(node);
            if (worker->UnusedName(element, name))
                unused.append({name, element->ID()});
        }

        PrepareWorker(*worker);
        if (CanGenerate(*worker)) {
            FGenerated = true;
            worker->Generate();
            if (worker->Cancelled()) {
                FLog->AddText(mkFatal, LoadStr(4444));
            } else {
                for (const auto& [name, id] : std::as_const(unused))
                    FLog->AddElementsMessage(mkHint, LoadStr(4422, {name}), QString::number(id));
            }
            CollectResults(*worker);
        }
    } catch (const EQvError& error) {
        FLog->AddText(mkFatal, error.Message());
    } catch (const std::exception& error) {
        FLog->AddText(mkFatal, QString::fromLocal8Bit(error.what()));
    } catch (...) {
        FLog->AddText(mkFatal, LoadStr(4445));
    }
    FLog->SetOnPart(nullptr);
    worker.reset();
    FCopyProcessor = nullptr;
    FCopyScheme = nullptr;
    FCopies->Free();
    FCopies.reset();
    FLog->SetOnAdd(nullptr);
}

// TSchemeGenerator

namespace {

// The output file or folder a field's text names: "\" as "/", relative to the document's folder.
QString OutputPath(const QString& text, const QString& sourceFile, bool folder)
{
    QString path = text.trimmed();
    path.replace(u'\\', u'/');
    if (path.isEmpty())
        return QString();
    if (!QDir::isAbsolutePath(path)) {
        const QString base = sourceFile.isEmpty() ? QDir::tempPath() : QFileInfo(sourceFile).absolutePath();
        path = base + u'/' + path;
    }
    path = QDir::cleanPath(path);
    if (folder && !path.endsWith(u'/'))
        path += u'/';
    return path;
}

} // namespace

bool TSchemeGenerator::Succeeded() const
{
    return FGenerated && OutputFailures == 0 && (!CreatedFiles.isEmpty() || FatalCount() == 0);
}

void TSchemeGenerator::PrepareWorker(TSchemeGeneratorWorker& worker)
{
    worker.RunList = RunList;
    worker.Files = TGenerationFiles(Log(), Settings.Options,
                                    Manifest != nullptr ? Manifest : &TOutputManifest::Default());
    worker.Files.ProtectedFiles = ProtectedFiles;
    worker.Files.Document = SourceFile;
    auto* generator = dynamic_cast<TGeneratorElement*>(CopyProcessor());
    if (generator == nullptr)
        return;
    if (TGeneratorElementOutputField* field = generator->OutputField()) {
        worker.Resolve(field);
        const bool folder = IsInstanceOf(field, TGeneratorElementOutputPathField::StaticClass());
        const QString path = OutputPath(field->GetText(), SourceFile, folder);
        if (folder)
            worker.OutputFolder = path;
        else
            worker.OutputFile = path;
    }
    worker.LanguageField = generator->LanguageField();
    if (auto* encoding = dynamic_cast<TEncodingField*>(generator->EncodingField())) {
        worker.Resolve(encoding);
        worker.Encoding = QString::fromLatin1(encoding->GetEncoding().Name());
    }
    QStringList& header = worker.HeaderLines;
    if (Settings.InsertWarning)
        header.append(QStringLiteral("This file is automatically generated by %1").arg(Settings.ProgramName));
    if (Settings.InsertSourceName && !SourceFile.isEmpty())
        header.append(QStringLiteral("Source: %1").arg(QFileInfo(SourceFile).fileName()));
    if (Settings.InsertDate) {
        const QLocale locale;
        const QString date = Settings.InsertTime ? locale.toString(StartTime(), QLocale::ShortFormat)
                                                 : locale.toString(StartTime().date(), QLocale::ShortFormat);
        header.append(QStringLiteral("Generation date: %1").arg(date));
    }
}

bool TSchemeGenerator::CanGenerate(TSchemeGeneratorWorker& worker)
{
    auto* generator = dynamic_cast<TGeneratorElement*>(CopyProcessor());
    if (generator == nullptr || generator->OutputField() == nullptr)
        return true;
    if (!generator->OutputField()->IsValid())
        return false;
    if (worker.OutputFile.isEmpty() && worker.OutputFolder.isEmpty()) {
        worker.ReportAt(mkError, LoadStr(4412, {QString()}), {generator->OutputField()});
        return false;
    }
    return true;
}

void TSchemeGenerator::CollectResults(TSchemeGeneratorWorker& worker)
{
    CreatedFolders += worker.Files.CreatedFolders;
    CreatedFiles += worker.Files.CreatedFiles;
    OutputFailures += worker.Files.Failures;
}

} // namespace qv
