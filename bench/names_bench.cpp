// Opening a document of 20,000 named things and 100,000 references to them, against the same
// document whose 100,000 uses hold no reference: the cost the references add to opening. And one
// rename in the referenced document, which should cost in proportion to the references of that
// name. Numbers are for reports; nothing here is asserted.

#include "bench_main.h"
#include "core/knot.h"
#include "core/undo_redo.h"
#include "textor/qt_measuring_context.h"

#include "support/fixed_metrics.h"
#include "support/names_document.h"

#include <QGuiApplication>

#include <memory>

namespace qv {
namespace {

constexpr int thingCount = 20000;
constexpr int useCount = 100000;

const QString& DocumentText(bool withReferences)
{
    static const QString with = test::NamesDocumentText(thingCount, useCount, true);
    static const QString without = test::NamesDocumentText(thingCount, useCount, false);
    return withReferences ? with : without;
}

void Open(benchmark::State& state, bool withReferences)
{
    RegisterNameElements();
    TKnot knot;
    knot.LoadFromText(DocumentText(withReferences));
    for (auto _ : state) {
        auto scheme = std::make_unique<TScheme>(test::TNamesTestRoot::StaticClass(), QStringLiteral("Names"));
        scheme->LoadFromKnot(scheme->Root(), fmFile, &knot);
        benchmark::DoNotOptimize(scheme->Root());
        state.PauseTiming(); // freeing is not opening
        scheme.reset();
        state.ResumeTiming();
    }
}

void BM_OpenWithReferences(benchmark::State& state)
{
    Open(state, true);
}
void BM_OpenWithoutReferences(benchmark::State& state)
{
    Open(state, false);
}
BENCHMARK(BM_OpenWithoutReferences)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OpenWithReferences)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_RenameReferencedName(benchmark::State& state)
{
    RegisterNameElements();
    TKnot knot;
    knot.LoadFromText(DocumentText(true));
    TScheme scheme(test::TNamesTestRoot::StaticClass(), QStringLiteral("Names"));
    scheme.LoadFromKnot(scheme.Root(), fmFile, &knot);
    auto things = scheme.Root()->CollectAll<test::TElement_Thing>();
    int round = 0;
    const int64_t before = TCustomReferenceElement::NotifyCount();
    for (auto _ : state)
        things[7]->Name->SetText(QStringLiteral("Renamed") + QString::number(round++));
    state.counters["notifications_per_rename"] =
        double(TCustomReferenceElement::NotifyCount() - before) / double(std::max(round, 1));
}
BENCHMARK(BM_RenameReferencedName)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace qv

int main(int argc, char** argv)
{
    return qv::RunBenchmarks(argc, argv, [] {
        qv::TDeviceContextManager::SetInstance(std::make_unique<qv::TFixedMeasuringContext>());
    });
}
