// A document with 100 embedded pictures of about 1 MB each: loading it from its file text (nothing is
// decoded), the memory that costs, and showing one picture (one decode, reduced for display).

#include "bench_main.h"
#include "core/knot.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "elements/sheet.h"
#include "library/comment_element.h"
#include "library/data_element.h"
#include "library/image_codecs.h"
#include "roots/root.h"
#include "textor/sheet_settings.h"

#include <QFile>
#include <QGuiApplication>
#include <QRandomGenerator>

#include <malloc.h>

namespace qv {
namespace {

constexpr int pictureCount = 100;

// Noise does not compress: a 600 × 560 PNG of it is about 1 MB.
QByteArray NoisePng(quint32 seed)
{
    QImage image(600, 560, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = random.generate() | 0xFF000000u;
    }
    return EncodeImage(image, dfPng);
}

QString DocumentText(qint64& embedded)
{
    TKnot root(QStringLiteral("FreeText"));
    TKnot* comment = root.AddKnot(QStringLiteral("Comment"));
    embedded = 0;
    for (int i = 0; i < pictureCount; ++i) {
        const QByteArray png = NoisePng(static_cast<quint32>(i + 1));
        embedded += png.size();
        TKnot* image = comment->AddKnot(QStringLiteral("Image"));
        image->WriteString(QStringLiteral("Type"), QStringLiteral("png"));
        image->WriteStream(QStringLiteral("Value"), png);
    }
    return root.SaveToText();
}

// The resident set of the process, in bytes.
qint64 ResidentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * 4096 : 0;
}

void BM_LoadPictures(benchmark::State& state)
{
    RegisterCommentElements();
    RegisterDataElements();
    qint64 embedded = 0;
    QString text = DocumentText(embedded);
    const int decodes = DecodeCount();
    qint64 growth = 0;
    for (auto _ : state) {
        malloc_trim(0);
        const qint64 before = ResidentBytes();
        TScheme scheme(TPlainTextRoot::StaticClass(), QStringLiteral("FreeText"));
        {
            TKnot knot;
            knot.LoadFromText(text);
            scheme.LoadFromKnot(scheme.Root(), fmFile, &knot);
        }
        // What stays once the file's text and knots are gone: the elements and their bytes.
        malloc_trim(0);
        growth = ResidentBytes() - before;
        benchmark::DoNotOptimize(scheme.Root());
    }
    state.counters["embedded_MB"] = double(embedded) / 1e6;
    state.counters["rss_growth_MB"] = double(growth) / 1e6;
    state.counters["growth_per_embedded"] = double(growth) / double(embedded);
    state.counters["decodes"] = DecodeCount() - decodes;
}
BENCHMARK(BM_LoadPictures)->Unit(benchmark::kMillisecond)->Iterations(1);

// The same document shown on a sheet: every picture is decoded once and kept at display size.
void BM_ShowDocument(benchmark::State& state)
{
    RegisterCommentElements();
    RegisterDataElements();
    qint64 embedded = 0;
    const QString text = DocumentText(embedded);
    const int decodes = DecodeCount();
    qint64 growth = 0;
    for (auto _ : state) {
        malloc_trim(0);
        const qint64 before = ResidentBytes();
        TSheetSettings settings;
        TSheet sheet(&settings);
        sheet.SetPageSize(QSize(1000, 800));
        TScheme scheme(TPlainTextRoot::StaticClass(), QStringLiteral("FreeText"));
        {
            TKnot knot;
            knot.LoadFromText(text);
            scheme.LoadFromKnot(scheme.Root(), fmFile, &knot);
        }
        auto* root = static_cast<TVisualElement*>(scheme.Root());
        root->SetVisualParent(sheet.TopElement());
        malloc_trim(0);
        growth = ResidentBytes() - before;
        root->SetVisualParent(nullptr);
    }
    state.counters["embedded_MB"] = double(embedded) / 1e6;
    state.counters["rss_growth_MB"] = double(growth) / 1e6;
    state.counters["growth_per_embedded"] = double(growth) / double(embedded);
    state.counters["decodes"] = DecodeCount() - decodes;
}
BENCHMARK(BM_ShowDocument)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ShowPicture(benchmark::State& state)
{
    RegisterDataElements();
    TScheme scheme(TPlainTextRoot::StaticClass(), QStringLiteral("FreeText"));
    TElement_Image image(&scheme);
    const QByteArray png = NoisePng(7);
    for (auto _ : state) {
        image.SetData(png, QStringLiteral("png"));
        benchmark::DoNotOptimize(image.GetImage());
    }
    state.SetBytesProcessed(state.iterations() * png.size());
}
BENCHMARK(BM_ShowPicture)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace qv

int main(int argc, char** argv)
{
    return qv::RunBenchmarks(argc, argv);
}
