#include "generation/generation_settings.h"
#include "generation/generation_ui.h"
#include "generation/generator_worker.h"
#include "generation/processor_element.h"
#include "generation/scheme_processor.h"

#include "core/strings.h"
#include "elements/element_messages.h"
#include "elements/scheme.h"
#include "roots/root.h"
#include "roots/root_parts.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace qv {

namespace {

// Restores a scheme's read-only level when the run ends, however it ends.
class TBusyGuard
{
public:
    explicit TBusyGuard(TScheme* scheme) : FScheme(scheme), FOldLevel(scheme->ReadOnlyLevel())
    {
        FScheme->SetReadOnlyLevel(rolBusy);
    }
    ~TBusyGuard() { Restore(); }
    void Restore()
    {
        if (FScheme != nullptr)
            FScheme->SetReadOnlyLevel(FOldLevel);
        FScheme = nullptr;
    }

private:
    TScheme* FScheme;
    uint8_t FOldLevel;
};

// The user sees the run from RunStarted to RunFinished, however the run ends.
class TRunProgress
{
public:
    explicit TRunProgress(const QString& caption) { GenerationUi().RunStarted(caption); }
    ~TRunProgress() { Finish(); }
    void Finish()
    {
        if (FOpen)
            GenerationUi().RunFinished();
        FOpen = false;
    }

private:
    bool FOpen = true;
};

// What one generator of a run leaves for the generated lists.
struct TGeneratorResult
{
    TGeneratorElement* Generator = nullptr;
    QStringList Old;
    QStringList New;
    QStringList Candidates;
    bool Store = false;
};

bool IsEnabled(TElement* element)
{
    auto* visual = dynamic_cast<TVisualElement*>(element);
    return visual == nullptr || !visual->IsEffectivelyDisabled();
}

// The document of `root` when it may be worked on now; a busy document only beeps.
TScheme* IdleScheme(TElement* root)
{
    TScheme* scheme = root != nullptr ? root->Scheme() : nullptr;
    if (scheme != nullptr && scheme->ReadOnlyLevel() == rolBusy) {
        GenerationUi().Beep();
        return nullptr;
    }
    return scheme;
}

// Waits for the thread while the user-interface thread goes on handling events; polls the user's
// cancel request.
void RunThread(TSchemeProcessor& processor, TRunSync& sync, std::atomic<bool>& cancel)
{
    QEventLoop loop;
    QObject::connect(&processor, &QThread::finished, &loop, &QEventLoop::quit);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&cancel] {
        if (GenerationUi().Cancelled())
            cancel.store(true);
    });
    poll.start(50);
    processor.start();
    if (!processor.isFinished())
        loop.exec();
    // The loop also ends when the application quits: no blocking call may wait for us any more.
    if (!processor.isFinished()) {
        cancel.store(true);
        sync.Shutdown();
    }
    processor.wait();
    // Messages posted before the end arrive before the results are read.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    sync.Shutdown();
}

} // namespace

TGenerationService::TGenerationService() = default;

TGenerationService::~TGenerationService() = default;

QList<TElement*> TGenerationService::ProcessorElements(TElement* root)
{
    QList<TElement*> list;
    if (root == nullptr)
        return list;
    for (TProcessorElement* processor : root->CollectAll<TProcessorElement>())
        list.append(processor);
    return list;
}

void TGenerationService::RunProcessors(TElement* root, const QList<TElement*>* processors)
{
    TScheme* scheme = IdleScheme(root);
    if (scheme == nullptr)
        return;
    FLastRunCount = 0;
    FLastFailures = 0;
    if (RefusePartialDocument(scheme)) {
        FLastFailures = 1;
        return;
    }
    QList<TProcessorElement*> list;
    if (processors != nullptr) {
        for (TElement* element : *processors) {
            if (auto* processor = dynamic_cast<TProcessorElement*>(element))
                list.append(processor);
        }
    } else {
        for (TElement* element : ProcessorElements(root)) {
            if (IsEnabled(element))
                list.append(static_cast<TProcessorElement*>(element));
        }
    }
    if (list.isEmpty()) {
        GenerationUi().Info(LoadStr(4329));
        return;
    }

    TBusyGuard busy(scheme);
    TElementMessages* log = scheme->Messages();
    if (log != nullptr)
        log->Clear();
    auto* typedRoot = dynamic_cast<TRoot*>(root);
    const QString sourceName =
        typedRoot != nullptr ? typedRoot->SourceNameValue()->Value() : QStringLiteral("Unsaved");
    const TRunSettings settings = Settings ? Settings() : GenerationSettings().Snapshot();
    TOutputManifest& manifest = Manifest != nullptr ? *Manifest : TOutputManifest::Default();
    const QStringList protectedFiles = ProtectedFilesOf(scheme);

    QStringList runList;
    QStringList runOutputs;
    std::atomic<bool> cancel{false};
    QList<TGeneratorResult> results;
    TRunProgress progress(LoadStr(4328));
    for (TProcessorElement* processorElement : list) {
        if (cancel.load())
            break;
        GenerationUi().Progress(LoadStr(4446, {processorElement->TitleCaption()}));
        auto* generatorElement = dynamic_cast<TGeneratorElement*>(processorElement);
        TGeneratorResult result;
        result.Generator = generatorElement;
        if (generatorElement != nullptr)
            result.Old = generatorElement->GeneratedPaths();
        std::unique_ptr<TSchemeProcessor> processor = processorElement->CreateProcessor();
        ++FLastRunCount;
        if (!processor) {
            ++FLastFailures;
            ++FTotalFailures;
            if (log != nullptr)
                log->AddElementsMessage(mkFatal, LoadStr(4445), QString::number(processorElement->ID()));
            continue;
        }
        processor->SourceName = sourceName;
        processor->Settings = settings;
        processor->Cancel = &cancel;
        auto* generator = dynamic_cast<TSchemeGenerator*>(processor.get());
        if (generator != nullptr) {
            generator->RunList = &runList;
            generator->Manifest = &manifest;
            generator->ProtectedFiles = protectedFiles;
        }
        TRunSync sync;
        processor->Prepare(processorElement, &sync, log);
        if (RunMode == rmInline) {
            processor->RunHere();
            sync.Shutdown();
        } else {
            RunThread(*processor, sync, cancel);
        }
        const bool succeeded = processor->Succeeded();
        if (!succeeded || processor->FatalCount() > 0) {
            ++FLastFailures;
            ++FTotalFailures;
        }
        if (generator == nullptr || generatorElement == nullptr)
            continue;
        const QStringList created = generator->CreatedFolders + generator->CreatedFiles;
        runOutputs += created;
        if (succeeded && generator->FatalCount() == 0) {
            result.New = created;
            result.Store = true;
        } else if (!created.isEmpty()) {
            // A failed run offers nothing: what it made joins the old list.
            result.New = created;
            for (const QString& path : std::as_const(result.Old)) {
                if (!result.New.contains(path))
                    result.New.append(path);
            }
            result.Store = true;
            result.Old.clear();
        }
        results.append(result);
    }

    // The run is over before anything is asked: the progress goes first.
    progress.Finish();
    // One offer for the whole run: nothing any processor of this run made is offered.
    QStringList candidates;
    for (TGeneratorResult& result : results) {
        if (!result.Store || result.Old.isEmpty())
            continue;
        result.Candidates = FindObsoleteEntries(result.Old, result.New, runOutputs, protectedFiles, &manifest,
                                                scheme->FileName());
        candidates += result.Candidates;
    }
    // What this run wrote is on record before anything is offered for deletion. Without the record
    // the run's files could never be deleted: the run has failed.
    if (!ReportManifestSaved(manifest, log)) {
        ++FLastFailures;
        ++FTotalFailures;
    }
    QStringList kept = candidates;
    if (!candidates.isEmpty()) {
        const QStringList chosen = GenerationUi().ChooseDeletions(candidates);
        if (!chosen.isEmpty()) {
            int failures = 0;
            const QStringList remaining =
                DeleteGeneratedEntries(chosen, log, manifest, protectedFiles, scheme->FileName(), &failures);
            FTotalFailures += failures;
            for (const QString& path : chosen) {
                if (!remaining.contains(path))
                    kept.removeAll(path);
            }
        }
    }
    busy.Restore();
    {
        TSchemeGroupGuard group(scheme, LoadStr(4328), false);
        for (TGeneratorResult& result : results) {
            if (!result.Store)
                continue;
            // Entries the user did not delete stay listed, so that they can still be removed later.
            for (const QString& path : std::as_const(result.Candidates)) {
                if (kept.contains(path) && !result.New.contains(path))
                    result.New.append(path);
            }
            result.Generator->SetGeneratedPaths(result.New);
        }
    }
}

void TGenerationService::RemoveGenerated(TElement* root)
{
    TScheme* scheme = IdleScheme(root);
    if (scheme == nullptr || RefusePartialDocument(scheme))
        return;
    TOutputManifest& manifest = Manifest != nullptr ? *Manifest : TOutputManifest::Default();
    const QStringList protectedFiles = ProtectedFilesOf(scheme);
    const QList<TElement*> processors = ProcessorElements(root);
    for (qsizetype i = processors.size() - 1; i >= 0; --i) {
        auto* generator = dynamic_cast<TGeneratorElement*>(processors[i]);
        if (generator == nullptr || !IsEnabled(generator))
            continue;
        const QStringList entries = generator->GeneratedPaths();
        if (entries.isEmpty())
            continue;
        int failures = 0;
        generator->SetGeneratedPaths(DeleteGeneratedEntries(entries, scheme->Messages(), manifest,
                                                            protectedFiles, scheme->FileName(), &failures));
        FTotalFailures += failures;
    }
}

bool TGenerationService::RefusePartialDocument(TScheme* scheme)
{
    // What could not be read would be missing from the outputs and the generated lists; the load's
    // messages stay in the log to say why.
    if (!scheme->LoadedInPart())
        return false;
    ++FTotalFailures;
    if (TElementMessages* log = scheme->Messages())
        log->AddText(mkFatal, LoadStr(4463));
    GenerationUi().Beep();
    return true;
}

QStringList TGenerationService::ProtectedFilesOf(TScheme* scheme) const
{
    QStringList files = ProtectedFiles;
    if (!scheme->FileName().isEmpty())
        files.append(scheme->FileName());
    return files;
}

TGenerationService& GenerationService()
{
    static TGenerationService service;
    return service;
}

void InstallGenerationService()
{
    RegisterProcessorElements();
    SetProcessingService(&GenerationService());
}

} // namespace qv
