// Knot text: reading and writing a large document, with an XML DOM library as the peer.
//
// The document is generated: about 150,000 nested knots in about 10 MB, shaped like a saved document
// (elements with IDs and names, descriptions made of text runs and line breaks, code lines), with
// values of 20-200 characters holding references (&quot; &amp; &lt; &gt; &#9;) and some non-ASCII.
// It is written in document mode (always quoted), so it is XML and the peer reads the same bytes.
//
// Besides the timings the program prints the memory the parsed tree holds (malloc'ed bytes,
// headers included, measured once on a fresh heap) and, at the end, our speed as a share of the
// peer's.

#include "core/knot.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>

#ifdef QV_HAVE_PUGIXML
#include <pugixml.hpp>
#endif

namespace {

using namespace qv;

QString RandomValue(std::mt19937& random)
{
    static const QString alphabet = QString::fromUtf8(
        "abcdefghijklmnopqrstuvwxyz abcdefghijklmnopqrstuvwxyz ABCDEFGHIJ 0123456789 .,;:-_()"
        "\"&<>\t\"&<>äöüß東京");
    // 20 to 200 characters, short ones more often (the mean is about 80).
    const double r = double(random() % 1000) / 1000.0;
    const int size = 20 + int(r * r * 181);
    QString text(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i) {
        // Mostly letters and spaces; about one character in twelve is one that needs a reference.
        const unsigned pick = random() % 96;
        text[i] = pick < 88 ? alphabet[pick % 84] : alphabet[84 + pick % 13];
    }
    return text;
}

// About 150,000 knots in about 10 MB.
TKnot* GenerateDocument()
{
    std::mt19937 random(20240601);
    auto* root = new TKnot(QStringLiteral("ProgramModule"));
    root->WriteString(QStringLiteral("FormatVersion"), QStringLiteral("1.2"));
    int id = 1;
    auto element = [&](TKnot* parent, const char* name) {
        TKnot* knot = parent->AddKnot(QString::fromLatin1(name));
        knot->WriteInt(QStringLiteral("ID"), id++);
        knot->WriteString(QStringLiteral("Name"),
                          QStringLiteral("Item") + QString::number(random() % 100000));
        return knot;
    };
    auto content = [&](TKnot* parent, int runs) {
        TKnot* text = parent->AddKnot(QStringLiteral("ZivorEredadContent"));
        for (int i = 0; i < runs; ++i) {
            text->AddKnot(QStringLiteral("Chars"))->WriteString(QStringLiteral("Value"), RandomValue(random));
            if (i + 1 < runs)
                text->AddKnot(QStringLiteral("Br"))->SetOptionsInclude(koSameLine);
        }
    };
    for (int unit = 0; unit < 150; ++unit) {
        TKnot* section = element(root, "Section");
        for (int object = 0; object < 40; ++object) {
            TKnot* item = element(section, "Object");
            content(item->AddKnot(QStringLiteral("Description")), 3 + int(random() % 3));
            for (int method = 0; method < 3; ++method) {
                TKnot* m = element(item, "Method");
                element(m, "Param")->WriteString(QStringLiteral("Type"), QStringLiteral("string"));
                element(m, "Param")->WriteString(QStringLiteral("Type"), QStringLiteral("integer"));
                TKnot* body = m->AddKnot(QStringLiteral("Body"));
                element(body, "Command")->WriteString(QStringLiteral("Code"), RandomValue(random));
            }
        }
    }
    return root;
}

struct TDocument
{
    TKnot* Tree = nullptr; // as generated: the line breaks kept on the same line are options
    QByteArray Bytes;      // UTF-8 with byte order mark, as documents are stored
    int Knots = 0;
};

int CountKnots(const TKnot& knot)
{
    int count = 1;
    for (const TNode* child = knot.FirstChild(); child != nullptr; child = child->NextSibling())
        count += CountKnots(*static_cast<const TKnot*>(child));
    return count;
}

const TDocument& Document()
{
    static const TDocument document = [] {
        TDocument result;
        result.Tree = GenerateDocument();
        result.Tree->SaveToStream(result.Bytes, keUtf8);
        result.Knots = CountKnots(*result.Tree);
        return result;
    }();
    return document;
}

size_t AllocatedBytes()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// mallinfo2 walks the heap and consolidates it, so memory is measured once, outside the timings.
template <class TLoad, class TFree>
size_t TreeBytes(TLoad load, TFree free)
{
    malloc_trim(0);
    const size_t before = AllocatedBytes();
    auto* tree = load();
    const size_t bytes = AllocatedBytes() - before;
    free(tree);
    return bytes;
}

void BM_KnotParse(benchmark::State& state)
{
    const TDocument& document = Document();
    // Once, before any parse has left free blocks behind.
    static const size_t treeBytes = TreeBytes(
        [&] {
            auto* knot = new TKnot();
            knot->LoadFromStream(document.Bytes);
            return knot;
        },
        [](TKnot* knot) { knot->Free(); });
    for (auto _ : state) {
        auto* knot = new TKnot();
        knot->LoadFromStream(document.Bytes);
        if (knot->Corrupt())
            state.SkipWithError("the document did not parse");
        state.PauseTiming();
        knot->Free();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * document.Bytes.size());
    state.counters["knots"] = document.Knots;
    state.counters["tree_MB"] = double(treeBytes) / 1e6;
    state.counters["tree_per_file"] = double(treeBytes) / double(document.Bytes.size());
}
BENCHMARK(BM_KnotParse)->Unit(benchmark::kMillisecond);

void BM_KnotWrite(benchmark::State& state)
{
    const TDocument& document = Document();
    for (auto _ : state) {
        QByteArray bytes;
        document.Tree->SaveToStream(bytes, keUtf8);
        benchmark::DoNotOptimize(bytes.data());
        if (bytes.size() != document.Bytes.size())
            state.SkipWithError("the document did not write back the same size");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * document.Bytes.size());
}
BENCHMARK(BM_KnotWrite)->Unit(benchmark::kMillisecond);

#ifdef QV_HAVE_PUGIXML

void BM_PeerParse(benchmark::State& state)
{
    const TDocument& document = Document();
    static const size_t treeBytes = TreeBytes(
        [&] {
            auto* xml = new pugi::xml_document();
            xml->load_buffer(document.Bytes.constData(), size_t(document.Bytes.size()));
            return xml;
        },
        [](pugi::xml_document* xml) { delete xml; });
    for (auto _ : state) {
        auto* xml = new pugi::xml_document();
        const pugi::xml_parse_result result =
            xml->load_buffer(document.Bytes.constData(), size_t(document.Bytes.size()));
        if (!result)
            state.SkipWithError(result.description());
        state.PauseTiming();
        delete xml;
        state.ResumeTiming();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * document.Bytes.size());
    state.counters["tree_MB"] = double(treeBytes) / 1e6;
    state.counters["tree_per_file"] = double(treeBytes) / double(document.Bytes.size());
}
BENCHMARK(BM_PeerParse)->Unit(benchmark::kMillisecond);

struct TStringWriter : pugi::xml_writer
{
    void write(const void* data, size_t size) override { Text.append(static_cast<const char*>(data), size); }
    std::string Text;
};

void BM_PeerSave(benchmark::State& state)
{
    const TDocument& document = Document();
    pugi::xml_document xml;
    xml.load_buffer(document.Bytes.constData(), size_t(document.Bytes.size()));
    for (auto _ : state) {
        TStringWriter writer;
        writer.Text.reserve(size_t(document.Bytes.size()) + 4096);
        xml.save(writer, "\t", pugi::format_default | pugi::format_write_bom, pugi::encoding_utf8);
        benchmark::DoNotOptimize(writer.Text.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * document.Bytes.size());
}
BENCHMARK(BM_PeerSave)->Unit(benchmark::kMillisecond);

#endif

// Keeps each benchmark's processor seconds per iteration so that the ratios can be printed at the
// end. Processor time, not wall time: these machines are shared, and a busy neighbour would decide
// the ratio otherwise.
class TRatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && run.iterations > 0 && !run.error_occurred)
                Seconds[run.run_name.function_name] = run.cpu_accumulated_time / double(run.iterations);
        }
        ConsoleReporter::ReportRuns(runs);
    }

    std::map<std::string, double> Seconds;
};

} // namespace

int main(int argc, char** argv)
{
    // Freed memory stays with the process (no trimming, no separate mappings for large blocks), so
    // that every iteration of every contender reuses memory instead of paying the first touch of
    // fresh pages, which on virtual machines costs more than the parsing itself.
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    benchmark::Initialize(&argc, argv);
    const TDocument& document = Document();
    std::printf("document: %.2f MB, %d knots\n", double(document.Bytes.size()) / 1e6, document.Knots);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto ratio = [&](const char* ours, const char* peer, double target) {
        const auto a = reporter.Seconds.find(ours);
        const auto b = reporter.Seconds.find(peer);
        if (a == reporter.Seconds.end() || b == reporter.Seconds.end())
            return;
        const double mb = double(document.Bytes.size()) / 1e6;
        std::printf("%s %.0f MB/s vs %s %.0f MB/s: ratio %.2f (target %.2f)\n", ours, mb / a->second, peer,
                    mb / b->second, b->second / a->second, target);
    };
    ratio("BM_KnotParse", "BM_PeerParse", 0.6);
    ratio("BM_KnotWrite", "BM_PeerSave", 0.8);
    benchmark::Shutdown();
    document.Tree->Free();
    return 0;
}
