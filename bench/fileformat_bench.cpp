// Loading and saving a generated document of about 150,000 elements through the document file format:
// bytes → knots → elements, and elements → knots → bytes. Reports elements and bytes per second.

#include "bench_main.h"
#include "core/knot.h"
#include "elements/element_messages.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "elements/visual_element.h"

#include <QGuiApplication>

#include <malloc.h>

#include <ctime>
#include <memory>

namespace qv {
namespace {

// A value part stored as the attribute "Value" of its own node.
class TBenchField : public TVisualElement
{
    QV_CLASS(TBenchField, TVisualElement)

    explicit TBenchField(TScheme* scheme) : TVisualElement(scheme) {}
    QString Text;
    bool IsFilled() const override { return !Text.isEmpty(); }
    void LoadFromKnot(TSchemeLoader* filer, TKnot* knot) override
    {
        inherited::LoadFromKnot(filer, knot);
        Text = knot->ReadString(QStringLiteral("Value"));
    }
    void SaveToKnot(TSchemeSaver* filer, TKnot* knot) override
    {
        inherited::SaveToKnot(filer, knot);
        if (!Text.isEmpty())
            knot->WriteString(QStringLiteral("Value"), Text);
    }
};
QV_IMPLEMENT_CLASS(TBenchField)

// A container whose inserted children are stored as nodes of their own, after its parts.
class TBenchContainer : public TVisualElement
{
    QV_CLASS(TBenchContainer, TVisualElement)

    explicit TBenchContainer(TScheme* scheme) : TVisualElement(scheme) {}
    void LoadFromKnot(TSchemeLoader* filer, TKnot* knot) override;
    void SaveToKnot(TSchemeSaver* filer, TKnot* knot) override
    {
        inherited::SaveToKnot(filer, knot);
        for (TNode* node = FirstChild(); node != nullptr; node = node->NextSibling()) {
            auto* child = static_cast<TElement*>(node);
            if ((child->Options() & eoPart) == 0)
                SaveChildToKnot(child, filer, knot);
        }
    }
};
QV_IMPLEMENT_CLASS(TBenchContainer)

class TElement_Leaf : public TVisualElement
{
    QV_CLASS(TElement_Leaf, TVisualElement)

    explicit TElement_Leaf(TScheme* scheme) : TVisualElement(scheme) { SetVisualOptions(voCanDisable); }
};
QV_IMPLEMENT_CLASS(TElement_Leaf)

// An item: a tracked name part, a disableable leaf inside.
class TElement_Item : public TBenchContainer
{
    QV_CLASS(TElement_Item, TBenchContainer)

    explicit TElement_Item(TScheme* scheme) : TBenchContainer(scheme)
    {
        Name = CreatePart<TBenchField>();
        Name->SetOptions(Name->Options() | eoTracked | eoRequired);
    }
    QString GetPartKnotName(TElement* part, uint8_t mode) override
    {
        return part == Name ? QStringLiteral("Name") : inherited::GetPartKnotName(part, mode);
    }
    void GetAcceptedClasses(TElementClassList& list) override { list.append(TElement_Leaf::StaticClass()); }
    TBenchField* Name;
};
QV_IMPLEMENT_CLASS(TElement_Item)

class TBenchRoot : public TBenchContainer
{
    QV_CLASS(TBenchRoot, TBenchContainer)

    using TBenchContainer::TBenchContainer;
    void GetAcceptedClasses(TElementClassList& list) override
    {
        list.append(TElement_Leaf::StaticClass());
        list.append(TElement_Item::StaticClass());
    }
};
QV_IMPLEMENT_CLASS(TBenchRoot)

void TBenchContainer::LoadFromKnot(TSchemeLoader* filer, TKnot* knot)
{
    inherited::LoadFromKnot(filer, knot);
    const TElementClassList classes = AcceptedClasses();
    for (TNode* node = knot->FirstChild(); node != nullptr; node = node->NextSibling()) {
        auto* child = static_cast<TKnot*>(node);
        if (!child->Read())
            CreateChildFromKnot(filer, child, nullptr, classes);
    }
}

constexpr int itemCount = 50000; // 1 root + 50,000 × (item, name, leaf) = 150,001 elements

std::unique_ptr<TScheme> MakeDocument(int items = itemCount)
{
    auto scheme = std::make_unique<TScheme>(TBenchRoot::StaticClass(), QStringLiteral("FreeText"));
    scheme->BeginUpdate();
    for (int i = 0; i < items; ++i) {
        auto* item = new TElement_Item(scheme.get());
        item->Name->Text = QStringLiteral("Item number %1 \u00E9").arg(i);
        item->SetParent(scheme->Root());
        auto* leaf = new TElement_Leaf(scheme.get());
        leaf->SetParent(item);
        if (i % 7 == 0)
            leaf->SetDisabled(true);
    }
    scheme->EndUpdate();
    return scheme;
}

QByteArray SaveDocument(TScheme& scheme)
{
    return scheme.SaveToBytes();
}

void BM_SaveDocument(benchmark::State& state)
{
    std::unique_ptr<TScheme> scheme = MakeDocument();
    const int elements = scheme->ElementCount();
    qint64 bytes = 0;
    for (auto _ : state) {
        QByteArray data = SaveDocument(*scheme);
        bytes = data.size();
        benchmark::DoNotOptimize(data);
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["elements/s"] =
        benchmark::Counter(double(elements), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["bytes"] = double(bytes);
    state.counters["elements"] = elements;
}
BENCHMARK(BM_SaveDocument)->Unit(benchmark::kMillisecond);

void BM_LoadDocument(benchmark::State& state)
{
    QByteArray data;
    {
        std::unique_ptr<TScheme> source = MakeDocument();
        data = SaveDocument(*source);
    }
    int elements = 0;
    TElementMessages messages;
    for (auto _ : state) {
        auto scheme = std::make_unique<TScheme>(TBenchRoot::StaticClass(), QStringLiteral("FreeText"));
        scheme->SetMessages(&messages);
        auto knot = std::make_unique<TKnot>();
        knot->LoadFromStream(data);
        scheme->LoadFromKnot(scheme->Root(), fmFile, knot.get());
        elements = scheme->ElementCount();
        if (messages.Count() != 0)
            state.SkipWithError("the document reported unread content");
        state.PauseTiming(); // freeing the tree is not loading
        knot.reset();
        scheme.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * data.size());
    state.counters["elements/s"] =
        benchmark::Counter(double(elements), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["elements"] = elements;
}
BENCHMARK(BM_LoadDocument)->Unit(benchmark::kMillisecond);

double ThreadSeconds()
{
    timespec time{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &time);
    return double(time.tv_sec) + double(time.tv_nsec) / 1e9;
}

// The same load from 1,000 to 1,000,000 elements: the time per element should stay flat. Reports the
// knots' part of it (bytes → knots) separately.
void BM_LoadDocumentOfSize(benchmark::State& state)
{
    QByteArray data;
    {
        std::unique_ptr<TScheme> source = MakeDocument(int(state.range(0) / 3));
        data = SaveDocument(*source);
    }
    int elements = 0;
    double knotSeconds = 0;
    TElementMessages messages;
    for (auto _ : state) {
        const double start = ThreadSeconds();
        auto scheme = std::make_unique<TScheme>(TBenchRoot::StaticClass(), QStringLiteral("FreeText"));
        scheme->SetMessages(&messages);
        auto knot = std::make_unique<TKnot>();
        knot->LoadFromStream(data);
        knotSeconds += ThreadSeconds() - start;
        scheme->LoadFromKnot(scheme->Root(), fmFile, knot.get());
        elements = scheme->ElementCount();
        if (messages.Count() != 0)
            state.SkipWithError("the document reported unread content");
        state.PauseTiming(); // freeing the tree is not loading
        knot.reset();
        scheme.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * data.size());
    state.counters["elements"] = elements;
    // Microseconds per element: the whole load and the knots alone, in processor time.
    state.counters["us_per_element"] = benchmark::Counter(
        double(elements) / 1e6, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["knot_us_per_element"] = 1e6 * knotSeconds / double(state.iterations()) / double(elements);
}
BENCHMARK(BM_LoadDocumentOfSize)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);

// The knot layer alone, on the same document: bytes → knots and knots → bytes.
void BM_ParseKnots(benchmark::State& state)
{
    QByteArray data;
    {
        std::unique_ptr<TScheme> source = MakeDocument();
        data = SaveDocument(*source);
    }
    for (auto _ : state) {
        auto knot = std::make_unique<TKnot>();
        knot->LoadFromStream(data);
        benchmark::DoNotOptimize(knot.get());
        state.PauseTiming();
        knot.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * data.size());
}
BENCHMARK(BM_ParseKnots)->Unit(benchmark::kMillisecond);

void BM_WriteKnots(benchmark::State& state)
{
    std::unique_ptr<TScheme> scheme = MakeDocument();
    TKnot knot;
    scheme->SaveToKnot(scheme->Root(), fmFile, &knot, ffFileSave);
    qint64 bytes = 0;
    for (auto _ : state) {
        QByteArray data;
        knot.SaveToStream(data, keUtf8);
        bytes = data.size();
        benchmark::DoNotOptimize(data);
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_WriteKnots)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace qv

int main(int argc, char** argv)
{
    // Freed memory stays with the process, so that a document of a million elements, loaded once per
    // iteration, measures loading rather than the first touch of fresh pages.
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    return qv::RunBenchmarks(argc, argv);
}
