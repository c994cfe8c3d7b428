// The end-to-end cost of one keystroke in a large Plain Text document: the edit operation through
// the undo manager, merging with the keystroke before it, the element check and the re-arranging of
// the changed paragraph; and the loading of one paragraph of many embedded elements, whose cost per
// element must not grow with their number. Numbers are for reports; nothing here is asserted.

#include "core/knot.h"
#include "core/undo_redo.h"
#include "elements/element_messages.h"
#include "elements/element_sheet.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "elements/visual_element.h"
#include "fields/textor_element.h"
#include "roots/root.h"
#include "textor/qt_measuring_context.h"
#include "textor/sheet_canvas.h"

#include "support/fake_clock.h"
#include "support/fixed_metrics.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <memory>

namespace qv {
namespace {

// The least a sheet must do: hold the focus and the top element.
class TBenchSheet : public IElementSheet
{
public:
    TBenchSheet() : FTop(new TSheetElement(nullptr)) { FTop->SetSheet(this); }
    ~TBenchSheet() override { FTop->Free(); }

    TSheetElement* TopElement() const override { return FTop; }
    bool IsReadOnly() const override { return false; }
    TVisualElement* FocusedElement() const override { return FFocused; }
    TVisualElement* HotElement() const override { return nullptr; }
    TVisualElement* CaptureElement() const override { return nullptr; }
    void SetFocusedElement(TVisualElement* element) override { FFocused = element; }
    void SetHotElement(TVisualElement*) override {}
    void SetCaptureElement(TVisualElement*) override {}
    void UpdateCaret() override {}
    void BeginUpdate() override {}
    void EndUpdate() override {}
    void InvalidateRect(const QRect&) override {}
    void TopElementBoundsChanged() override {}
    void ElementLeaving(TVisualElement* element) override
    {
        if (FFocused == element)
            FFocused = nullptr;
    }
    QSize PageSize() const override { return QSize(800, 600); }
    QMargins ElementMargins() const override { return QMargins(1, 1, 1, 1); }
    QSize MessagesSignSize() const override { return QSize(12, 12); }
    QMargins SheetPadding() const override { return QMargins(8, 8, 8, 8); }
    TCanvas* Canvas() override { return &FCanvas; }

private:
    TSheetElement* FTop;
    TVisualElement* FFocused = nullptr;
    TSheetCanvas FCanvas;
};

// A document of `paragraphs` paragraphs of about 60 characters, loaded as a file would be; with
// `elements`, each paragraph ends in an element of a class the document does not know.
std::unique_ptr<TScheme> LargeDocument(int paragraphs, bool elements)
{
    auto scheme = std::make_unique<TScheme>(TPlainTextRoot::StaticClass(), QStringLiteral("FreeText"));
    TKnot knot(QStringLiteral("FreeText"));
    knot.WriteString(QStringLiteral("FormatVersion"), QStringLiteral("1.2"));
    for (int i = 0; i < paragraphs; ++i) {
        if (i > 0)
            knot.AddKnot(QStringLiteral("Br"));
        // With an element the text is shorter, so that the paragraph still takes one row.
        knot.AddKnot(QStringLiteral("Chars"))
            ->WriteString(
                QStringLiteral("Value"),
                elements
                    ? QStringLiteral("Paragraph %1, with\ta tab.").arg(i)
                    : QStringLiteral("Paragraph %1 of the document, with\ta tab and some words.").arg(i));
        if (elements)
            knot.AddKnot(QStringLiteral("Remark"))
                ->WriteString(QStringLiteral("Kind"), QString::number(i % 3));
    }
    scheme->LoadFromKnot(scheme->Root(), 0, &knot);
    return scheme;
}

void Keystroke(benchmark::State& state, bool merge, bool elements = false)
{
    TFakeClock clock;
    std::unique_ptr<IMeasuringContext> previous =
        TDeviceContextManager::SetInstance(std::make_unique<TFixedMeasuringContext>());
    {
        const int paragraphs = int(state.range(0));
        TUndoRedo undo;
        std::unique_ptr<TScheme> scheme = LargeDocument(paragraphs, elements);
        scheme->SetUndoRedo(&undo);
        TBenchSheet sheet;
        auto* root = static_cast<TTextorElement*>(scheme->Root());
        root->SetVisualParent(sheet.TopElement());
        root->SetFocus();
        root->Textor()->ResetCounters();
        const int startHeight = root->Textor()->ContentHeight();
        // A word of 32 characters in one paragraph, then the next paragraph: the typed paragraphs stay
        // as long as a real document's, however many iterations run.
        int typed = 0;
        for (auto _ : state) {
            if (typed % 32 == 0) {
                state.PauseTiming();
                const int paragraph = paragraphs / 2 + (typed / 32) % (paragraphs / 2);
                root->SetSelection({{paragraph, 10}, {paragraph, 10}});
                state.ResumeTiming();
            }
            ++typed;
            // Typing merges within 800 ms; a pause starts a new undo step.
            clock.Advance(merge ? 100 : 1000);
            root->ReplaceWithText(tetSelection, nullptr, false, QStringLiteral("x"));
        }
        const TTextorCounters& counters = root->Textor()->Counters();
        state.counters["wraps/key"] = benchmark::Counter(double(counters.Wraps) / double(state.iterations()));
        state.counters["paragraphs/key"] =
            benchmark::Counter(double(counters.ParagraphSteps) / double(state.iterations()));
        // Above 0 when the typed paragraphs gained rows, which moves the text below them.
        state.counters["px/word"] = benchmark::Counter(double(root->Textor()->ContentHeight() - startHeight) /
                                                       double((state.iterations() + 31) / 32));
        root->SetVisualParent(nullptr);
        undo.Clear();
    }
    TDeviceContextManager::SetInstance(std::move(previous));
}

void BM_PlainTextKeystrokeMerged(benchmark::State& state)
{
    Keystroke(state, true);
}
BENCHMARK(BM_PlainTextKeystrokeMerged)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_PlainTextKeystrokeNewStep(benchmark::State& state)
{
    Keystroke(state, false);
}
BENCHMARK(BM_PlainTextKeystrokeNewStep)->Arg(10000)->Unit(benchmark::kMicrosecond);

// Typing in a document of as many embedded elements as paragraphs: a row gained or lost moves the
// elements below it.
void BM_PlainTextKeystrokeWithElements(benchmark::State& state)
{
    Keystroke(state, true, true);
}
BENCHMARK(BM_PlainTextKeystrokeWithElements)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// One paragraph of `count` elements of a class the document does not know (they are kept as read),
// loaded from bytes as a file would be. The time per element should stay flat from 1k to 100k.
void BM_PlainTextLoadInlineElements(benchmark::State& state)
{
    const int count = int(state.range(0));
    QByteArray data;
    {
        TKnot knot(QStringLiteral("FreeText"));
        knot.WriteString(QStringLiteral("FormatVersion"), QStringLiteral("1.2"));
        for (int i = 0; i < count; ++i)
            knot.AddKnot(QStringLiteral("Remark"))
                ->WriteString(QStringLiteral("Kind"), QString::number(i % 3));
        knot.SaveToStream(data);
    }
    TElementMessages messages;
    for (auto _ : state) {
        auto scheme = std::make_unique<TScheme>(TPlainTextRoot::StaticClass(), QStringLiteral("FreeText"));
        scheme->SetMessages(&messages);
        auto knot = std::make_unique<TKnot>();
        knot->LoadFromStream(data);
        scheme->LoadFromKnot(scheme->Root(), fmFile, knot.get());
        const int loaded = static_cast<TTextorElement*>(scheme->Root())->Textor()->FirstParagraph()->Length();
        if (loaded != count || messages.Count() != 0)
            state.SkipWithError("the paragraph did not load as written");
        state.PauseTiming(); // freeing the tree is not loading
        knot.reset();
        scheme.reset();
        state.ResumeTiming();
    }
    // Seconds per element.
    state.counters["per_element"] = benchmark::Counter(
        double(count), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_PlainTextLoadInlineElements)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// A document of paragraphs of 100 elements of a class the document does not know, loaded and then put
// on a sheet (which lays the text out and places every element). The time per element should stay
// flat with the number of elements.
void BM_PlainTextSheetManyElements(benchmark::State& state)
{
    const int count = int(state.range(0));
    TKnot knot(QStringLiteral("FreeText"));
    knot.WriteString(QStringLiteral("FormatVersion"), QStringLiteral("1.2"));
    for (int i = 0; i < count; ++i) {
        if (i > 0 && i % 100 == 0)
            knot.AddKnot(QStringLiteral("Br"));
        knot.AddKnot(QStringLiteral("Remark"))->WriteString(QStringLiteral("Kind"), QString::number(i % 3));
    }
    std::unique_ptr<IMeasuringContext> previous =
        TDeviceContextManager::SetInstance(std::make_unique<TFixedMeasuringContext>());
    TElementMessages messages;
    for (auto _ : state) {
        state.PauseTiming();
        auto scheme = std::make_unique<TScheme>(TPlainTextRoot::StaticClass(), QStringLiteral("FreeText"));
        scheme->SetMessages(&messages);
        scheme->LoadFromKnot(scheme->Root(), fmFile, &knot);
        auto sheet = std::make_unique<TBenchSheet>();
        state.ResumeTiming();
        auto* root = static_cast<TTextorElement*>(scheme->Root());
        root->SetVisualParent(sheet->TopElement());
        state.PauseTiming();
        root->SetVisualParent(nullptr);
        sheet.reset();
        scheme.reset();
        state.ResumeTiming();
    }
    state.counters["per_element"] = benchmark::Counter(
        double(count), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    TDeviceContextManager::SetInstance(std::move(previous));
}
BENCHMARK(BM_PlainTextSheetManyElements)->Arg(1000)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace qv

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    ::benchmark::Initialize(&argc, argv);
    ::benchmark::RunSpecifiedBenchmarks();
    ::benchmark::Shutdown();
    qv::TDeviceContextManager::SetInstance(nullptr);
    return 0;
}
