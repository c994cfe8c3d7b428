// What opening a large Plain Text document costs before the user sees it: (a) loading the file into a
// document (bytes → knots → elements), and (b) the same plus what the window does before its first
// paint — the sheets are created and the root placed on them, the sheet is given the window's size
// (laying the text out) and the first screen of 1280 × 900 pixels is painted into an image. Also the
// way to a first painted empty window: the document types registered, a new Plain Text document, its
// sheet and the first paint. Real fonts and the built-in theme, as the program uses them.
//
// Run with --breakdown for one timed pass through the steps instead of the benchmarks. Numbers are
// for reports; nothing here is asserted.

#include "core/knot.h"
#include "documents/scheme_document.h"
#include "elements/element_messages.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "elements/sheet.h"
#include "fields/textor_element.h"
#include "library/comment_element.h"
#include "roots/log_root.h"
#include "schemes/plaintext/plain_text_scheme_descriptor.h"
#include "textor/measuring_context.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <memory>

namespace qv {
namespace {

const QSize screenSize(1280, 900);

// Paragraphs of text with signs between the words, and a comment in every tenth paragraph: about
// 150,000 elements.
constexpr int paragraphCount = 75000;

const QString signNames[] = {QStringLiteral("Star"),     QStringLiteral("Information"),
                             QStringLiteral("Question"), QStringLiteral("Important"),
                             QStringLiteral("Stop"),     QStringLiteral("Ready")};

QTemporaryDir& TempDir()
{
    static QTemporaryDir dir;
    return dir;
}

// The generated document, saved by the program itself; made once.
const QString& DocumentFile()
{
    static const QString path = [] {
        TKnot knot(QStringLiteral("FreeText"));
        knot.WriteString(QStringLiteral("FormatVersion"), QStringLiteral("1.2"));
        for (int i = 0; i < paragraphCount; ++i) {
            if (i > 0)
                knot.AddKnot(QStringLiteral("Br"));
            knot.AddKnot(QStringLiteral("Chars"))
                ->WriteString(QStringLiteral("Value"),
                              QStringLiteral("Paragraph %1 of the document, with\ta tab and ").arg(i));
            knot.AddKnot(signNames[i % 6]);
            knot.AddKnot(QStringLiteral("Chars"))
                ->WriteString(QStringLiteral("Value"), QStringLiteral(" some words between "));
            if (i % 10 == 9) {
                knot.AddKnot(QStringLiteral("Comment"))
                    ->AddKnot(QStringLiteral("Chars"))
                    ->WriteString(QStringLiteral("Value"), QStringLiteral("a remark on the paragraph"));
            } else {
                knot.AddKnot(signNames[(i + 3) % 6]);
            }
            knot.AddKnot(QStringLiteral("Chars"))->WriteString(QStringLiteral("Value"), QStringLiteral("."));
        }
        std::unique_ptr<TScheme> scheme = CreateScheme(TPlainTextSchemeDescriptor::StaticClass());
        scheme->LoadFromKnot(scheme->Root(), fmFile, &knot);
        const QString file = TempDir().filePath(QStringLiteral("large.frt"));
        scheme->SaveToFile(file);
        return file;
    }();
    return path;
}

std::unique_ptr<TSchemeDocument> LoadDocument(const QString& file)
{
    auto document = std::make_unique<TSchemeDocument>(TPlainTextSchemeDescriptor::StaticClass());
    document->LoadFromFile(file);
    document->SetFileName(file);
    return document;
}

// What the window does with a document before its first paint: the document becomes active (its
// sheets are created, the root placed), the sheet gets the view's size and focus, and the visible
// part is painted.
QImage ShowAndPaint(TSchemeDocument& document, QElapsedTimer* timer = nullptr, qint64* steps = nullptr)
{
    // The window gives a document its size before it is shown, so that it is laid out once.
    document.SetViewSize(screenSize);
    document.BeforeActiveChange();
    document.SetActive(true);
    if (steps != nullptr)
        steps[0] = timer->nsecsElapsed();
    TSheet* sheet = document.Sheet();
    sheet->SetPageSize(screenSize);
    sheet->SetActive(true);
    if (steps != nullptr)
        steps[1] = timer->nsecsElapsed();
    QImage image(screenSize, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    sheet->PaintSheet(painter, QRect(QPoint(0, 0), screenSize));
    painter.end();
    if (steps != nullptr)
        steps[2] = timer->nsecsElapsed();
    return image;
}

// Paints the screen whose top is at `top` (clamped to the sheet), as the window does after a scroll.
QImage PaintScreenAt(TSheet& sheet, int top)
{
    top = qBound(0, top, qMax(0, sheet.TopElement()->Height() - screenSize.height()));
    sheet.SetScrollPos(QPoint(0, top));
    QImage image(screenSize, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.translate(0, -top);
    sheet.PaintSheet(painter, QRect(QPoint(0, top), screenSize));
    painter.end();
    return image;
}

// The top of the first (0), middle (1) or last (2) screen of text; the sheet goes on for a page below
// the text.
int ScreenTop(TSheet& sheet, int which)
{
    const int textBottom = sheet.TopElement()->Height() - screenSize.height();
    return int(which * qint64(textBottom - screenSize.height()) / 2);
}

void RegisterTypes()
{
    RegisterCommentElements();
    RegisterPlainTextScheme();
}

void CheckLoaded(benchmark::State& state, TSchemeDocument& document)
{
    if (document.LogRoot()->LogMessages().Count() != 0)
        state.SkipWithError("the document reported problems while loading");
}

void BM_LoadFile(benchmark::State& state)
{
    RegisterTypes();
    const QString& file = DocumentFile();
    int elements = 0;
    for (auto _ : state) {
        std::unique_ptr<TSchemeDocument> document = LoadDocument(file);
        elements = document->Scheme()->ElementCount();
        CheckLoaded(state, *document);
        state.PauseTiming(); // freeing the tree is not loading
        document.reset();
        state.ResumeTiming();
    }
    state.counters["elements"] = elements;
}
BENCHMARK(BM_LoadFile)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_LoadFileAndFirstPaint(benchmark::State& state)
{
    RegisterTypes();
    const QString& file = DocumentFile();
    for (auto _ : state) {
        std::unique_ptr<TSchemeDocument> document = LoadDocument(file);
        CheckLoaded(state, *document);
        benchmark::DoNotOptimize(ShowAndPaint(*document));
        state.PauseTiming();
        document.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LoadFileAndFirstPaint)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Painting one screen of the shown document, at its top (0), middle (1) or end (2): every screen should
// cost the same as the first.
void BM_PaintScreen(benchmark::State& state)
{
    RegisterTypes();
    static std::unique_ptr<TSchemeDocument> document = [] {
        std::unique_ptr<TSchemeDocument> loaded = LoadDocument(DocumentFile());
        ShowAndPaint(*loaded);
        return loaded;
    }();
    TSheet& sheet = *document->Sheet();
    const int top = ScreenTop(sheet, int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(PaintScreenAt(sheet, top));
    state.counters["top"] = top;
}
BENCHMARK(BM_PaintScreen)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// A new, empty Plain Text document as the program starts without a file, to its first paint.
void BM_NewDocumentFirstPaint(benchmark::State& state)
{
    for (auto _ : state) {
        RegisterTypes();
        auto document = std::make_unique<TSchemeDocument>(TPlainTextSchemeDescriptor::StaticClass());
        document->InitializeNew();
        benchmark::DoNotOptimize(ShowAndPaint(*document));
        state.PauseTiming();
        document.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_NewDocumentFirstPaint)->Unit(benchmark::kMicrosecond);

double Ms(qint64 nanoseconds)
{
    return double(nanoseconds) / 1e6;
}

// One pass through every step with its time; the first pass of a process also pays for what is
// made once (the application object, fonts, the theme, string tables, the document types).
int Breakdown(qint64 applicationNs)
{
    std::printf("application object (offscreen):      %8.1f ms\n", Ms(applicationNs));
    {
        QElapsedTimer timer;
        timer.start();
        RegisterTypes();
        const qint64 registered = timer.nsecsElapsed();
        auto document = std::make_unique<TSchemeDocument>(TPlainTextSchemeDescriptor::StaticClass());
        document->InitializeNew();
        const qint64 created = timer.nsecsElapsed();
        qint64 steps[3];
        ShowAndPaint(*document, &timer, steps);
        std::printf("cold new document to first paint:     %8.1f ms (types %.1f, document %.1f, sheets %.1f, "
                    "page size %.1f, paint %.1f)\n",
                    Ms(steps[2]), Ms(registered), Ms(created - registered), Ms(steps[0] - created),
                    Ms(steps[1] - steps[0]), Ms(steps[2] - steps[1]));
    }
    const QString& file = DocumentFile();
    for (int pass = 0; pass < 2; ++pass) {
        QElapsedTimer timer;
        timer.start();
        QByteArray bytes;
        {
            QFile input(file);
            if (!input.open(QIODevice::ReadOnly))
                return 1;
            bytes = input.readAll();
        }
        const qint64 read = timer.nsecsElapsed();
        TKnot knot;
        knot.LoadFromStream(bytes);
        const qint64 parsed = timer.nsecsElapsed();
        auto document = std::make_unique<TSchemeDocument>(TPlainTextSchemeDescriptor::StaticClass());
        document->Scheme()->LoadFromKnot(document->Scheme()->Root(), fmFile, &knot);
        const qint64 loaded = timer.nsecsElapsed();
        qint64 steps[3];
        ShowAndPaint(*document, &timer, steps);
        std::printf("pass %d, %d elements, %lld bytes: read %.1f, parse %.1f, elements %.1f = load %.1f ms; "
                    "sheets %.1f, page size %.1f, paint %.1f = first paint %.1f ms; ratio %.2f\n",
                    pass + 1, document->Scheme()->ElementCount(), static_cast<long long>(bytes.size()),
                    Ms(read), Ms(parsed - read), Ms(loaded - parsed), Ms(loaded), Ms(steps[0] - loaded),
                    Ms(steps[1] - steps[0]), Ms(steps[2] - steps[1]), Ms(steps[2]),
                    double(steps[2]) / double(loaded));
        // Scrolling: the first screen again, then the middle and the last one.
        qint64 screens[3];
        for (int i = 0; i < 3; ++i) {
            timer.restart();
            PaintScreenAt(*document->Sheet(), ScreenTop(*document->Sheet(), i));
            screens[i] = timer.nsecsElapsed();
        }
        std::printf("        screens: first %.2f, middle %.2f, last %.2f ms; last / first %.2f\n",
                    Ms(screens[0]), Ms(screens[1]), Ms(screens[2]), double(screens[2]) / double(screens[0]));
        timer.restart();
        document.reset();
        std::printf("        freeing the document:         %8.1f ms\n", Ms(timer.nsecsElapsed()));
    }
    return 0;
}

} // namespace
} // namespace qv

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QElapsedTimer timer;
    timer.start();
    QGuiApplication app(argc, argv);
    const qint64 applicationNs = timer.nsecsElapsed();
    int result = 0;
    if (argc > 1 && std::strcmp(argv[1], "--breakdown") == 0) {
        result = qv::Breakdown(applicationNs);
    } else {
        ::benchmark::Initialize(&argc, argv);
        ::benchmark::RunSpecifiedBenchmarks();
        ::benchmark::Shutdown();
    }
    qv::TDeviceContextManager::SetInstance(nullptr);
    return result;
}
