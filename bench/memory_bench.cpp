// The memory of loaded elements: the size of each kind of object a document is made of, the heap a
// text field takes empty and with one word, and the heap of whole documents against their files: a
// Plain Text document of many paragraphs and a Structured Data document imported from XML (about
// 1 MB by default, QV_MEMORY_BENCH_MB to change it). Numbers are for reports; nothing is asserted.
//
// Heap bytes are glibc's own count of the bytes in use (with each block's header); allocations are
// counted by this program's malloc, which forwards to glibc's.

#include "bench_main.h"
#include "catalogue_xml.h"
#include "core/knot.h"
#include "core/undo_redo.h"
#include "elements/element_messages.h"
#include "elements/scheme.h"
#include "fields/textor_element.h"
#include "library/comment_element.h"
#include "library/custom_described_element.h"
#include "library/expand_button.h"
#include "library/named_element.h"
#include "naming/namespace.h"
#include "naming/namespace_item.h"
#include "roots/root.h"
#include "schemes/plaintext/plain_text_scheme_descriptor.h"
#include "schemes/structured/structured_elements.h"
#include "schemes/structured/xml_importer.h"
#include "textor/measuring_context.h"

#include "support/fake_user_interface.h"
#include "support/fixed_metrics.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <malloc.h>

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* block);
}

namespace {
std::atomic<int64_t> allocations{0};
} // namespace

// Every allocation of the process passes here; the count is of blocks handed out.
extern "C" {
void* malloc(size_t size)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(size);
}
void* calloc(size_t count, size_t size)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_calloc(count, size);
}
void* realloc(void* block, size_t size)
{
    if (block == nullptr)
        allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_realloc(block, size);
}
void* memalign(size_t alignment, size_t size)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_memalign(alignment, size);
}
void* aligned_alloc(size_t alignment, size_t size)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_memalign(alignment, size);
}
int posix_memalign(void** block, size_t alignment, size_t size)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    *block = __libc_memalign(alignment, size);
    return *block != nullptr ? 0 : ENOMEM;
}
void free(void* block)
{
    if (block != nullptr)
        allocations.fetch_sub(1, std::memory_order_relaxed);
    __libc_free(block);
}
}

namespace qv {
namespace {

// Heap in use (bytes) and live blocks at one moment.
struct THeap
{
    double Bytes = 0;
    double Blocks = 0;

    static THeap Now()
    {
        const struct mallinfo2 info = mallinfo2();
        return {double(info.uordblks + info.hblkhd), double(allocations.load())};
    }
    THeap operator-(const THeap& other) const { return {Bytes - other.Bytes, Blocks - other.Blocks}; }
};

// The size of every kind of object a loaded document is made of (bytes, without the heap each
// allocates).
void BM_ObjectSizes(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(sizeof(TElement));
    state.counters["TNode"] = sizeof(TNode);
    state.counters["TElement"] = sizeof(TElement);
    state.counters["TVisualElement"] = sizeof(TVisualElement);
    state.counters["TTextorElement"] = sizeof(TTextorElement);
    state.counters["TNameField"] = sizeof(TTitledNameField);
    state.counters["TDescriptionField"] = sizeof(TDescriptionField);
    state.counters["TExpandButton"] = sizeof(TExpandButton);
    state.counters["TNamespace"] = sizeof(TNamespace);
    state.counters["TNamespaceOwnItem"] = sizeof(TNamespaceOwnItem);
    state.counters["TElement_Node"] = sizeof(TElement_Node);
    state.counters["TElement_Attribute"] = sizeof(TElement_Attribute);
    state.counters["TTextor"] = sizeof(TTextor);
    state.counters["TSchemeTextor"] = sizeof(TSchemeTextor);
    state.counters["TParagraph"] = sizeof(TParagraph);
    state.counters["TRow"] = sizeof(TWrappedParagraphInnerRow);
    state.counters["TTextPortion"] = sizeof(TTextPortion);
    state.counters["TElementPortion"] = sizeof(TElementPortion);
    state.counters["TTextAttributes"] = sizeof(TTextAttributes);
    state.counters["TKnot"] = sizeof(TKnot);
}
BENCHMARK(BM_ObjectSizes)->Iterations(1);

// The heap of one detached element of each kind, empty and (for text fields) holding one word;
// argument 0: empty, 1: one word.
template <class C>
void BM_ElementHeap(benchmark::State& state)
{
    constexpr int count = 2000;
    TScheme scheme(TPlainTextRoot::StaticClass(), QStringLiteral("FreeText"));
    std::vector<C*> elements;
    elements.reserve(count);
    THeap heap;
    for (auto _ : state) {
        const THeap before = THeap::Now();
        for (int i = 0; i < count; ++i) {
            auto* element = static_cast<C*>(C::StaticClass()->CreateElement(&scheme).release());
            if constexpr (std::is_base_of_v<TTextorElement, C>) {
                if (state.range(0) != 0)
                    element->SetText(QStringLiteral("word%1").arg(i % 10));
            }
            elements.push_back(element);
        }
        heap = THeap::Now() - before;
        for (C* element : elements)
            element->Free();
        elements.clear();
    }
    state.counters["bytes"] = heap.Bytes / count;
    state.counters["allocations"] = heap.Blocks / count;
}
BENCHMARK_TEMPLATE(BM_ElementHeap, TTextorElement)->Arg(0)->Arg(1)->Iterations(1);
BENCHMARK_TEMPLATE(BM_ElementHeap, TElement_Attribute)->Arg(0)->Iterations(1);
BENCHMARK_TEMPLATE(BM_ElementHeap, TElement_Node)->Arg(0)->Iterations(1);

// The loaded document's heap against its file, per element and per file byte.
void ReportDocument(benchmark::State& state, const THeap& heap, double fileBytes, int elements)
{
    state.counters["file_MB"] = fileBytes / 1048576.0;
    state.counters["elements"] = elements;
    state.counters["bytes_per_element"] = heap.Bytes / elements;
    state.counters["allocations_per_element"] = heap.Blocks / elements;
    state.counters["heap_per_file_byte"] = heap.Bytes / fileBytes;
}

// A Plain Text document of 100,000 lines of about 60 characters, loaded as its file is.
void BM_PlainTextMemory(benchmark::State& state)
{
    const int lines = int(state.range(0));
    TKnot knot(QStringLiteral("FreeText"));
    knot.WriteString(QStringLiteral("FormatVersion"), QStringLiteral("1.2"));
    double fileBytes = 0;
    for (int i = 0; i < lines; ++i) {
        if (i > 0)
            knot.AddKnot(QStringLiteral("Br"));
        const QString line =
            QStringLiteral("Paragraph %1 of the document, with\ta tab and some words.").arg(i);
        knot.AddKnot(QStringLiteral("Chars"))->WriteString(QStringLiteral("Value"), line);
        fileBytes += double(line.toUtf8().size() + 1);
    }
    THeap heap;
    int elements = 0;
    for (auto _ : state) {
        const THeap before = THeap::Now();
        auto scheme = std::make_unique<TScheme>(TPlainTextRoot::StaticClass(), QStringLiteral("FreeText"));
        scheme->LoadFromKnot(scheme->Root(), 0, &knot);
        heap = THeap::Now() - before;
        elements = scheme->ElementCount();
    }
    ReportDocument(state, heap, fileBytes, elements);
}
BENCHMARK(BM_PlainTextMemory)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);

// The catalogue of structured_bench imported into a Structured Data document; `undo_per_file_byte`
// is the part the import's undo step holds.
void BM_StructuredMemory(benchmark::State& state)
{
    const double megabytes = qEnvironmentVariableIsSet("QV_MEMORY_BENCH_MB")
                                 ? qEnvironmentVariable("QV_MEMORY_BENCH_MB").toDouble()
                                 : 1.0;
    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("catalogue.xml"));
    {
        QFile file(input);
        if (!file.open(QIODevice::WriteOnly) || file.write(CatalogueXml(qint64(megabytes * 1048576))) < 0) {
            state.SkipWithError("cannot write the input file");
            return;
        }
    }
    const double fileBytes = double(QFileInfo(input).size());
    TFakeUserInterface ui;
    const TScopedUserInterface installed(&ui);
    THeap heap, undoHeap;
    int elements = 0;
    for (auto _ : state) {
        const THeap before = THeap::Now();
        TUndoRedo undo;
        TElementMessages log;
        std::unique_ptr<TScheme> scheme = CreateScheme(TParametrizedStructureSchemeDescriptor::StaticClass());
        scheme->SetUndoRedo(&undo);
        scheme->SetMessages(&log);
        ui.OpenFilesAnswer = {input};
        RunImporter(TXmlImporter::StaticClass(), scheme->Root(), QStringLiteral("Import"));
        heap = THeap::Now() - before;
        elements = scheme->ElementCount();
        const THeap withUndo = THeap::Now();
        undo.Clear();
        undoHeap = withUndo - THeap::Now();
        if (log.HasKinds(1u << mkFatal)) {
            state.SkipWithError("the import failed");
            break;
        }
        scheme.reset();
    }
    ReportDocument(state, heap, fileBytes, elements);
    state.counters["undo_per_file_byte"] = undoHeap.Bytes / fileBytes;
}
BENCHMARK(BM_StructuredMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace qv

int main(int argc, char** argv)
{
    return qv::RunBenchmarks(argc, argv, [] {
        qv::TDeviceContextManager::SetInstance(std::make_unique<qv::TFixedMeasuringContext>());
        qv::RegisterCommentElements();
        qv::RegisterStructuredScheme();
    });
}
