// What the palette window costs when the focus moves in a large Plain Text document: the sheet's focus
// change, its notification and the window's rebuild (collecting the items, asking their states,
// laying the panels out), and the rebuild alone. Both should stay flat from 1,000 to 150,000 elements.
// Numbers are for reports; nothing here is asserted.

#include "app/palette_form.h"
#include "bench_main.h"
#include "core/knot.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "elements/sheet.h"
#include "fields/textor_element.h"
#include "library/comment_element.h"
#include "roots/root.h"
#include "textor/measuring_context.h"
#include "textor/sheet_settings.h"

#include <QApplication>

#include <memory>

namespace qv {
namespace {

// `elements` signs and comments: two signs in every paragraph but one, which holds a comment.
std::unique_ptr<TScheme> LargeDocument(int elements)
{
    auto scheme = std::make_unique<TScheme>(TPlainTextRoot::StaticClass(), QStringLiteral("FreeText"));
    TKnot knot(QStringLiteral("FreeText"));
    knot.WriteString(QStringLiteral("FormatVersion"), QStringLiteral("1.2"));
    const int paragraphs = elements / 2;
    for (int i = 0; i < paragraphs; ++i) {
        if (i > 0)
            knot.AddKnot(QStringLiteral("Br"));
        knot.AddKnot(QStringLiteral("Chars"))
            ->WriteString(QStringLiteral("Value"), QStringLiteral("Paragraph %1 with ").arg(i));
        if (i == paragraphs / 2) {
            knot.AddKnot(QStringLiteral("Comment"))
                ->AddKnot(QStringLiteral("Chars"))
                ->WriteString(QStringLiteral("Value"), QStringLiteral("a remark"));
            continue;
        }
        knot.AddKnot(QStringLiteral("Star"));
        knot.AddKnot(QStringLiteral("Chars"))->WriteString(QStringLiteral("Value"), QStringLiteral(" and "));
        knot.AddKnot(QStringLiteral("Stop"));
    }
    scheme->LoadFromKnot(scheme->Root(), fmFile, &knot);
    return scheme;
}

TVisualElement* FindComment(TElement* root)
{
    for (TNode* node = root->FirstChild(); node != nullptr && root->IsAncestorOf(node);
         node = node->DocumentNext()) {
        if (IsInstanceOf(node, TElement_Comment::StaticClass()))
            return static_cast<TVisualElement*>(node);
    }
    return nullptr;
}

// A document on a sheet with the palette window following it.
struct TBenchDocument
{
    explicit TBenchDocument(int elements) : Scheme(LargeDocument(elements))
    {
        RegisterCommentElements();
        Sheet.SetPageSize(QSize(1280, 900));
        Root()->SetVisualParent(Sheet.TopElement());
        Root()->SetBounds(0, 0, 3, 900, 1280);
        Sheet.SetActive(true);
        Form.resize(1280, Form.sizeHint().height());
        Form.SetSheet(&Sheet);
        Comment = FindComment(Root());
    }
    ~TBenchDocument()
    {
        Form.SetSheet(nullptr);
        Root()->SetVisualParent(nullptr);
    }
    TPlainTextRoot* Root() const { return static_cast<TPlainTextRoot*>(Scheme->Root()); }

    std::unique_ptr<TScheme> Scheme;
    TSheetSettings Settings;
    TSheet Sheet{&Settings};
    TPaletteForm Form;
    TVisualElement* Comment = nullptr;
};

void BM_PaletteFocusChange(benchmark::State& state)
{
    RegisterCommentElements();
    TBenchDocument document(int(state.range(0)));
    if (document.Comment == nullptr) {
        state.SkipWithError("the document has no comment");
        return;
    }
    bool onComment = false;
    document.Form.ResetCounters();
    for (auto _ : state) {
        onComment = !onComment;
        document.Sheet.SetFocus(onComment ? document.Comment : document.Root());
    }
    state.counters["rebuilds/focus"] =
        benchmark::Counter(double(document.Form.Counters().Rebuilds) / double(state.iterations()));
    state.counters["buttons"] = document.Form.ButtonCount();
}
BENCHMARK(BM_PaletteFocusChange)->Arg(1000)->Arg(150000)->ArgName("elements")->Unit(benchmark::kMicrosecond);

void BM_PaletteRebuild(benchmark::State& state)
{
    RegisterCommentElements();
    TBenchDocument document(int(state.range(0)));
    document.Sheet.SetFocus(document.Root());
    for (auto _ : state)
        document.Form.Rebuild();
    state.counters["buttons"] = document.Form.ButtonCount();
}
BENCHMARK(BM_PaletteRebuild)->Arg(1000)->Arg(150000)->ArgName("elements")->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace qv

int main(int argc, char** argv)
{
    return qv::RunBenchmarks<QApplication>(argc, argv);
}
