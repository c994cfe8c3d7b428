// A generation run on a document of about 150,000 elements — the snapshot, the private copy, the
// resolution of every embedded path and the written output — against loading the same document from
// its bytes. The report compares the two times (a run should cost at most three loads). Numbers are for
// reports; nothing here is asserted.

#include "bench_main.h"
#include "core/knot.h"
#include "elements/element_messages.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "fields/textor_element.h"
#include "generation/generation_files.h"
#include "generation/generator_worker.h"
#include "generation/processor_element.h"
#include "generation/scheme_processor.h"
#include "library/path_element.h"
#include "roots/application_namespace.h"
#include "roots/root.h"

#include "support/fixed_metrics.h"

#include <QGuiApplication>
#include <QTemporaryDir>

#include <memory>

namespace qv {
namespace {

// A line of text with embedded file names.
class TElement_BenchLine : public TTextorElement
{
    QV_CLASS(TElement_BenchLine, TTextorElement)

    explicit TElement_BenchLine(TScheme* scheme) : TTextorElement(scheme)
    {
        SetBehaviourOptions(BehaviourOptions() | tboElements);
        SetContentOptions(tcoLetters | tcoDigits | tcoUnderscore | tcoSpaces | tcoSpecial);
    }
    void GetAcceptedClasses(TElementClassList& list) override
    {
        list.append(TElement_FileName::StaticClass());
    }
};
QV_IMPLEMENT_CLASS(TElement_BenchLine)

// Writes the resolved text of every line.
class TBenchWorker : public TSchemeGeneratorWorker
{
public:
    void VisitOther(TElement* element) override
    {
        Resolve(element);
        FText += static_cast<TTextorElement*>(element)->GetText();
        FText += u'\n';
    }
    void Generate() override
    {
        FText = HeaderComment(QStringLiteral("# "));
        TSchemeGeneratorWorker::Generate();
        WriteMainOutput(EncodeText(FText));
    }

private:
    QString FText;
};

class TElement_BenchGenerator : public TGeneratorElement
{
    QV_CLASS(TElement_BenchGenerator, TGeneratorElement)

    explicit TElement_BenchGenerator(TScheme* scheme) : TGeneratorElement(scheme) {}
    std::unique_ptr<TSchemeGeneratorWorker> CreateWorker() override
    {
        return std::make_unique<TBenchWorker>();
    }
};
QV_IMPLEMENT_CLASS(TElement_BenchGenerator)

class TBenchProcessingRoot : public TRootWithProcessing
{
    QV_CLASS(TBenchProcessingRoot, TRootWithProcessing)

    using TRootWithProcessing::TRootWithProcessing;
    void GetAcceptedClasses(TElementClassList& list) override
    {
        list.append(TElement_BenchGenerator::StaticClass());
        list.append(TElement_BenchLine::StaticClass());
    }
};
QV_IMPLEMENT_CLASS(TBenchProcessingRoot)

constexpr int lineCount = 50000; // 50,000 × (line, two file names) ≈ 150,000 elements

const QString rootName = QStringLiteral("BenchProcessing");

// The document as its file holds it (building it through edits would measure the edits).
QByteArray DocumentBytes(const QString& folder)
{
    QByteArray bytes = "\xEF\xBB\xBF<BenchProcessing FormatVersion=\"1.2\">\r\n"
                       "<BenchGenerator><Output><Chars Value=\"" +
                       folder.toUtf8() + "/out.txt\"/></Output></BenchGenerator><Br/>\r\n";
    for (int i = 0; i < lineCount; ++i) {
        const QByteArray n = QByteArray::number(i);
        bytes += "<BenchLine><Chars Value=\"copy item " + n +
                 " from \"/>"
                 "<FileName Value=\"/srv/data/part0/file" +
                 n +
                 ".bin\"/>"
                 "<FileName Value=\"/srv/data/part1/file" +
                 n + ".bin\"/></BenchLine>";
        bytes += i + 1 < lineCount ? "<Br/>\r\n" : "\r\n";
    }
    bytes += "</BenchProcessing>\r\n";
    return bytes;
}

std::unique_ptr<TScheme> LoadDocument(const QByteArray& data, TElementMessages& messages)
{
    auto scheme = std::make_unique<TScheme>(TBenchProcessingRoot::StaticClass(), rootName);
    scheme->SetMessages(&messages);
    TKnot knot;
    knot.LoadFromStream(data);
    scheme->LoadFromKnot(scheme->Root(), fmFile, &knot);
    return scheme;
}

void BM_LoadDocument(benchmark::State& state)
{
    QTemporaryDir dir;
    const QByteArray data = DocumentBytes(dir.path());
    int elements = 0;
    TElementMessages messages;
    for (auto _ : state) {
        auto scheme = std::make_unique<TScheme>(TBenchProcessingRoot::StaticClass(), rootName);
        scheme->SetMessages(&messages);
        auto knot = std::make_unique<TKnot>();
        knot->LoadFromStream(data);
        scheme->LoadFromKnot(scheme->Root(), fmFile, knot.get());
        elements = scheme->ElementCount();
        state.PauseTiming();
        knot.reset();
        scheme.reset();
        state.ResumeTiming();
    }
    state.counters["elements"] = elements;
}
BENCHMARK(BM_LoadDocument)->Unit(benchmark::kMillisecond);

// The whole run through the processing service, on its own thread as in the window.
void BM_GenerationRun(benchmark::State& state)
{
    QTemporaryDir dir;
    TElementMessages log;
    std::unique_ptr<TScheme> scheme = LoadDocument(DocumentBytes(dir.path()), log);
    scheme->SetFileName(dir.filePath(QStringLiteral("bench.qvb")));
    TOutputManifest manifest(dir.filePath(QStringLiteral("generated.manifest")));
    TGenerationService service;
    service.Manifest = &manifest;
    service.RunMode = state.range(0) == 0 ? rmThread : rmInline;
    service.Settings = [] {
        return TRunSettings();
    };
    for (auto _ : state)
        service.RunProcessors(scheme->Root(), nullptr);
    if (service.LastFailures() != 0)
        state.SkipWithError("the run failed");
    state.counters["elements"] = scheme->ElementCount();
}
BENCHMARK(BM_GenerationRun)->Arg(0)->Arg(1)->ArgName("inline")->Unit(benchmark::kMillisecond);

} // namespace
} // namespace qv

int main(int argc, char** argv)
{
    return qv::RunBenchmarks(argc, argv, [] {
        qv::TDeviceContextManager::SetInstance(std::make_unique<qv::TFixedMeasuringContext>());
        qv::RegisterPathElements();
        qv::RegisterProcessorElements();
        qv::CreateApplicationNamespace();
    });
}
