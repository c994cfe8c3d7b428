// Text layout benchmarks: our engine with fixed metrics (the algorithm's own cost) and with Qt
// metrics, and Qt's QTextLayout on the same paragraphs as the peer. Numbers are for reports; nothing
// here is asserted.

#include "textor/qt_measuring_context.h"
#include "textor/rich_text_attributes.h"
#include "textor/sheet_canvas.h"
#include "textor/textor.h"

#include "support/fixed_metrics.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTextLayout>

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

namespace qv {
namespace {

constexpr int wrapWidth = 480;
const QString faceName = QStringLiteral("DejaVu Sans");

class TBenchTextor : public TTextor
{
public:
    TBenchTextor() : TTextor(true) {}
    int GetWidth() const override { return wrapWidth; }
    bool AllowParagraphs() const override { return true; }
    bool AllowTabStops() const override { return true; }
};

// Paragraphs of about 80 characters: words of 2 to 9 letters.
const std::vector<QString>& Paragraphs(int count)
{
    static std::vector<QString> paragraphs;
    if (int(paragraphs.size()) < count) {
        std::mt19937 random(7);
        std::uniform_int_distribution<int> wordLength(2, 9);
        std::uniform_int_distribution<int> letter(0, 25);
        paragraphs.clear();
        for (int i = 0; i < count; ++i) {
            QString text;
            while (text.size() < 78) {
                if (!text.isEmpty())
                    text += QLatin1Char(' ');
                const int length = wordLength(random);
                for (int k = 0; k < length; ++k)
                    text += QChar(u'a' + letter(random));
            }
            paragraphs.push_back(text);
        }
    }
    return paragraphs;
}

// Metrics for a run: 0 the fixed fake, 1 Qt with DejaVu Sans.
void InstallMetrics(int kind)
{
    if (kind == 0)
        TDeviceContextManager::SetInstance(std::make_unique<TFixedMeasuringContext>());
    else
        TDeviceContextManager::SetInstance(std::make_unique<TQtMeasuringContext>(96));
}

TAttributesRef<TTextAttributes> BenchAttributes()
{
    TRichTextAttributes scratch;
    scratch.SetFontName(faceName);
    scratch.SetSize(8);
    return TAttributesRef<TTextAttributes>::Adopt(
        static_cast<TTextAttributes*>(TAttributesRegistry::InternRef(scratch)));
}

struct TLoaded
{
    std::unique_ptr<TBenchTextor> Textor;
    TAttributesRef<TTextAttributes> Attributes;
};

TLoaded LoadTextor(int paragraphs)
{
    TLoaded loaded;
    loaded.Attributes = BenchAttributes();
    loaded.Textor = std::make_unique<TBenchTextor>();
    QString text;
    for (int i = 0; i < paragraphs; ++i) {
        if (i > 0)
            text += QLatin1Char('\n');
        text += Paragraphs(paragraphs)[size_t(i)];
    }
    loaded.Textor->InsertText(loaded.Textor->LastPosition(), text, loaded.Attributes.get());
    loaded.Textor->FirstParagraph()->SetTextAttributes(loaded.Attributes.get());
    for (TParagraph* p = loaded.Textor->FirstParagraph(); p != nullptr; p = p->Next())
        p->SetTextAttributes(loaded.Attributes.get());
    loaded.Textor->Unlock();
    return loaded;
}

void BM_FullLayout(benchmark::State& state)
{
    InstallMetrics(int(state.range(1)));
    TLoaded loaded = LoadTextor(int(state.range(0)));
    for (auto _ : state)
        loaded.Textor->InvalidateLayout();
    state.counters["per_paragraph_us"] = benchmark::Counter(
        double(state.iterations()) * double(state.range(0)),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::OneK::kIs1000);
    state.counters["rows"] = loaded.Textor->LastParagraph()->LastRow()->Bottom() / 13.0;
}
BENCHMARK(BM_FullLayout)
    ->ArgsProduct({{1000, 10000}, {0, 1}})
    ->ArgNames({"paragraphs", "qt"})
    ->Unit(benchmark::kMillisecond);

QFont PeerFont()
{
    QFont font(faceName);
    font.setPixelSize(PointsToPixels(8, 96));
    TQtMeasuredFont::Configure(font);
    return font;
}

void BM_QTextLayoutPeer(benchmark::State& state)
{
    const std::vector<QString>& paragraphs = Paragraphs(int(state.range(0)));
    const QFont font = PeerFont();
    for (auto _ : state) {
        for (int i = 0; i < state.range(0); ++i) {
            QTextLayout layout(paragraphs[size_t(i)], font);
            layout.beginLayout();
            qreal y = 0;
            for (;;) {
                QTextLine line = layout.createLine();
                if (!line.isValid())
                    break;
                line.setLineWidth(wrapWidth);
                line.setPosition(QPointF(0, y));
                y += line.height();
            }
            layout.endLayout();
            benchmark::DoNotOptimize(y);
        }
    }
    state.counters["per_paragraph_us"] = benchmark::Counter(
        double(state.iterations()) * double(state.range(0)),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::OneK::kIs1000);
}
BENCHMARK(BM_QTextLayoutPeer)->Arg(1000)->Arg(10000)->ArgName("paragraphs")->Unit(benchmark::kMillisecond);

// A keystroke in the middle paragraph: insert a letter, then remove it (two edits, each re-arranged).
void BM_Keystroke(benchmark::State& state)
{
    InstallMetrics(int(state.range(0)));
    TLoaded loaded = LoadTextor(10000);
    TTextor& textor = *loaded.Textor;
    TTextorPosition at;
    for (auto _ : state) {
        textor.FromIndex({5000, 40}, at);
        const TTextorRange inserted = textor.InsertText(at, u"x", loaded.Attributes.get());
        textor.DeleteRange(inserted);
    }
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_Keystroke)->Arg(0)->Arg(1)->ArgName("qt")->Unit(benchmark::kMicrosecond);

void BM_EnterBackspace(benchmark::State& state)
{
    InstallMetrics(int(state.range(0)));
    TLoaded loaded = LoadTextor(10000);
    TTextor& textor = *loaded.Textor;
    TTextorPosition at;
    for (auto _ : state) {
        textor.FromIndex({5000, 40}, at);
        const TTextorRange broken = textor.InsertParagraphBreak(at, nullptr);
        textor.DeleteRange(broken);
    }
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_EnterBackspace)->Arg(0)->Arg(1)->ArgName("qt")->Unit(benchmark::kMicrosecond);

void BM_TypingAtTheEndOfALongParagraph(benchmark::State& state)
{
    InstallMetrics(int(state.range(0)));
    auto attributes = BenchAttributes();
    TBenchTextor textor;
    QString text;
    for (const QString& paragraph : Paragraphs(64)) {
        text += paragraph + QLatin1Char(' ');
        if (text.size() > 5000)
            break;
    }
    textor.InsertText(textor.LastPosition(), text.left(5000), attributes.get());
    textor.Unlock();
    for (auto _ : state) {
        const TTextorRange inserted = textor.InsertText(textor.LastPosition(), u"x", attributes.get());
        textor.DeleteRange(inserted);
    }
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_TypingAtTheEndOfALongParagraph)->Arg(0)->Arg(1)->ArgName("qt")->Unit(benchmark::kMicrosecond);

void BM_HitTestAndCaret(benchmark::State& state)
{
    InstallMetrics(int(state.range(0)));
    TLoaded loaded = LoadTextor(10000);
    TTextor& textor = *loaded.Textor;
    std::mt19937 random(3);
    std::uniform_int_distribution<int> xs(0, wrapWidth);
    std::uniform_int_distribution<int> ys(0, textor.ContentHeight() - 1);
    for (auto _ : state) {
        const TTextorHit hit = textor.PositionAtPoint(QPoint(xs(random), ys(random)), true, true);
        const QRect caret = textor.CaretRect(*textor.RowOf(hit.Position, true), hit.Position, 1);
        benchmark::DoNotOptimize(caret);
    }
}
BENCHMARK(BM_HitTestAndCaret)->Arg(0)->Arg(1)->ArgName("qt")->Unit(benchmark::kMicrosecond);

// One 1200 × 900 screen from the middle of the text, painted into a bitmap.
void BM_PaintScreen(benchmark::State& state)
{
    InstallMetrics(1);
    TLoaded loaded = LoadTextor(10000);
    TTextor& textor = *loaded.Textor;
    const int top = textor.ContentHeight() / 2;
    const QRect screen(0, top, 1200, 900);
    TSheetCanvas canvas;
    for (auto _ : state) {
        canvas.BeginPaint(screen);
        textor.Paint(canvas, 0, false, 0, textor.WholeRange());
        benchmark::DoNotOptimize(canvas.EndPaint());
    }
}
BENCHMARK(BM_PaintScreen)->Unit(benchmark::kMillisecond);

// The peer: the same visible lines, laid out once by QTextLayout, drawn with QTextLayout::draw.
void BM_PaintScreenQTextLayoutPeer(benchmark::State& state)
{
    InstallMetrics(1);
    TLoaded loaded = LoadTextor(10000);
    TTextor& textor = *loaded.Textor;
    const int top = textor.ContentHeight() / 2;
    const QFont font = PeerFont();
    std::vector<std::unique_ptr<QTextLayout>> layouts;
    std::vector<int> tops;
    for (TParagraph* p = textor.FirstParagraph(); p != nullptr; p = p->Next()) {
        if (p->Bottom() <= top || p->Top() >= top + 900)
            continue;
        auto layout = std::make_unique<QTextLayout>(textor.GetRangeText({p->Start(), p->End()}), font);
        layout->beginLayout();
        qreal y = 0;
        for (;;) {
            QTextLine line = layout->createLine();
            if (!line.isValid())
                break;
            line.setLineWidth(wrapWidth);
            line.setPosition(QPointF(0, y));
            y += line.height();
        }
        layout->endLayout();
        layouts.push_back(std::move(layout));
        tops.push_back(p->Top() - top);
    }
    QImage image(1200, 900, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setPen(Qt::black);
        for (size_t i = 0; i < layouts.size(); ++i)
            layouts[i]->draw(&painter, QPointF(0, tops[i]));
        painter.end();
        benchmark::DoNotOptimize(image);
    }
}
BENCHMARK(BM_PaintScreenQTextLayoutPeer)->Unit(benchmark::kMillisecond);

void BM_InternDistinctValues(benchmark::State& state)
{
    // 1000 link values are registered; each lookup finds one of them.
    std::vector<std::unique_ptr<TRichTextAttributes>> probes;
    std::vector<TAttributesRef<TTextAttributes>> keep;
    for (int i = 0; i < 1000; ++i) {
        auto scratch = std::make_unique<TRichTextAttributes>();
        scratch->SetIsLink(true);
        scratch->SetLinkTarget(QStringLiteral("https://example.org/page/%1").arg(i));
        keep.push_back(TAttributesRef<TTextAttributes>::Adopt(
            static_cast<TTextAttributes*>(TAttributesRegistry::InternRef(*scratch))));
        probes.push_back(std::move(scratch));
    }
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(probes[i]->GetShared());
        i = (i + 1) % probes.size();
    }
}
BENCHMARK(BM_InternDistinctValues)->Unit(benchmark::kMicrosecond);

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
