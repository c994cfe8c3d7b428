// Loading and saving a Plain Text document holding one table of 200 rows × 50 columns, against a
// Plain Text document of ordinary paragraphs of the same byte size: the ratio of the two times is the
// price of the cells (each a text field of its own). Numbers are for reports; nothing is asserted.

#include "bench_main.h"
#include "core/knot.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "library/table_element.h"
#include "schemes/plaintext/plain_text_scheme_descriptor.h"
#include "textor/measuring_context.h"

#include "support/fixed_metrics.h"

#include <QGuiApplication>

#include <memory>

namespace qv {
namespace {

constexpr int tableRows = 200;
constexpr int tableColumns = 50;

QByteArray TableDocument()
{
    TKnot knot(QStringLiteral("FreeText"));
    knot.WriteString(QStringLiteral("FormatVersion"), QStringLiteral("1.2"));
    TKnot* table = knot.AddKnot(QStringLiteral("Table"));
    for (int row = 0; row < tableRows; ++row) {
        TKnot* rowKnot = table->AddKnot(QStringLiteral("Row"));
        for (int column = 0; column < tableColumns; ++column)
            rowKnot->AddKnot(QStringLiteral("Cell"))
                ->AddKnot(QStringLiteral("Chars"))
                ->WriteString(QStringLiteral("Value"), QStringLiteral("r%1 c%2").arg(row).arg(column));
    }
    QByteArray bytes;
    knot.SaveToStream(bytes, keUtf8);
    return bytes;
}

// Paragraphs of about 60 characters until the document is at least `size` bytes long.
QByteArray TextDocument(qsizetype size)
{
    TKnot knot(QStringLiteral("FreeText"));
    knot.WriteString(QStringLiteral("FormatVersion"), QStringLiteral("1.2"));
    QByteArray bytes;
    for (int i = 0;; ++i) {
        if (i > 0)
            knot.AddKnot(QStringLiteral("Br"));
        knot.AddKnot(QStringLiteral("Chars"))
            ->WriteString(QStringLiteral("Value"),
                          QStringLiteral("Paragraph %1 of the document, with some words in it.").arg(i));
        // Measured every 100 paragraphs.
        if (i % 100 == 99) {
            bytes.clear();
            knot.SaveToStream(bytes, keUtf8);
            if (bytes.size() >= size)
                return bytes;
        }
    }
}

const QByteArray& Document(bool table)
{
    static const QByteArray tableBytes = TableDocument();
    static const QByteArray textBytes = TextDocument(tableBytes.size());
    return table ? tableBytes : textBytes;
}

std::unique_ptr<TScheme> Load(const QByteArray& bytes)
{
    auto scheme = CreateScheme(TPlainTextSchemeDescriptor::StaticClass());
    TKnot knot;
    knot.LoadFromStream(bytes);
    scheme->LoadFromKnot(scheme->Root(), fmFile, &knot);
    return scheme;
}

void LoadDocument(benchmark::State& state, bool table)
{
    const QByteArray& bytes = Document(table);
    for (auto _ : state) {
        std::unique_ptr<TScheme> scheme = Load(bytes);
        state.PauseTiming(); // freeing the tree is not loading
        scheme.reset();
        state.ResumeTiming();
    }
    state.counters["bytes"] = double(bytes.size());
}

void SaveDocument(benchmark::State& state, bool table)
{
    const QByteArray& bytes = Document(table);
    std::unique_ptr<TScheme> scheme = Load(bytes);
    if (table && scheme->Root()->CollectAll<TElement_Table>().size() != 1)
        state.SkipWithError("the table did not load");
    const QByteArray first = scheme->SaveToBytes();
    for (auto _ : state) {
        const QByteArray saved = scheme->SaveToBytes();
        if (saved.size() != first.size())
            state.SkipWithError("saving is not stable");
    }
    state.counters["bytes"] = double(bytes.size());
}

void BM_TableLoad(benchmark::State& state)
{
    LoadDocument(state, true);
}
BENCHMARK(BM_TableLoad)->Unit(benchmark::kMillisecond);

void BM_PlainTextLoadSameSize(benchmark::State& state)
{
    LoadDocument(state, false);
}
BENCHMARK(BM_PlainTextLoadSameSize)->Unit(benchmark::kMillisecond);

void BM_TableSave(benchmark::State& state)
{
    SaveDocument(state, true);
}
BENCHMARK(BM_TableSave)->Unit(benchmark::kMillisecond);

void BM_PlainTextSaveSameSize(benchmark::State& state)
{
    SaveDocument(state, false);
}
BENCHMARK(BM_PlainTextSaveSameSize)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace qv

int main(int argc, char** argv)
{
    return qv::RunBenchmarks(argc, argv, [] {
        qv::TDeviceContextManager::SetInstance(std::make_unique<qv::TFixedMeasuringContext>());
        qv::RegisterTableElements();
        qv::RegisterPlainTextScheme();
    });
}
