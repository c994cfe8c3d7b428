// Renders a few paragraphs with embedded elements in the built-in theme into a PNG and prints the
// rows, so that layout and theme can be looked at:
//
//     textor_sample sample.png [picture-x4.png]
//
// The optional second file gets the theme picture enlarged four times.

#include "core/update_guard.h"
#include "textor/inline_element.h"
#include "textor/rich_text_attributes.h"
#include "textor/sheet_canvas.h"
#include "textor/sheet_settings.h"
#include "textor/textor.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>

namespace qv {
namespace {

// An element drawn as a theme "Element" frame around a caption in the stone font.
class TSampleElement : public IInlineElement
{
public:
    TSampleElement(TSheetCanvas& canvas, const QString& caption) : FCanvas(canvas), FCaption(caption)
    {
        FWidth = canvas.ThemeTextWidth(stfStone, caption) + 16;
        FHeight = canvas.ThemeTextHeight(stfStone) + 8;
    }

    int InlineWidth() const override { return FWidth; }
    int InlineHeight() const override { return FHeight; }
    int InlineDescent() const override { return 3 + 4; }
    bool InlineShown() const override { return true; }
    void PlaceInline(int left, int top) override { FBounds.moveTo(left, top); }
    void MoveInlineBy(int dx, int dy) override { FBounds.translate(dx, dy); }
    void PaintInline(ITextorCanvas& canvas, int) override
    {
        auto& sheet = static_cast<TCanvas&>(canvas);
        const QRect rect(FBounds.topLeft(), QSize(FWidth, FHeight));
        sheet.DrawThemeFrame(steElementCommand, rect);
        sheet.DrawThemeText(stfStone, rect.left() + 8, rect.top() + 4, sheet.Theme().Font(stfStone).Color,
                            FCaption);
    }
    void SetInlinePortion(TElementPortion*) override {}
    void FreeInline() override { delete this; }

    QPoint Position() const { return FBounds.topLeft(); }

private:
    TSheetCanvas& FCanvas;
    QString FCaption;
    int FWidth = 0;
    int FHeight = 0;
    QRect FBounds;
};

class TSampleTextor : public TTextor
{
public:
    TSampleTextor(TSheetSettings& settings, int width) : TTextor(true), FSettings(settings), FWidth(width) {}

    int GetWidth() const override { return FWidth; }
    bool AllowParagraphs() const override { return true; }
    bool AllowTabStops() const override { return true; }
    TTextAttributes* DefaultTextAttributes() const override { return FSettings.FontAttributes(stfValue); }
    void GetElementMargins(QMargins& margins) const override { margins = QMargins(1, 1, 1, 1); }
    void GetPadding(QMargins& padding) const override
    {
        padding = FSettings.SheetTheme().Element(steField).Padding;
    }

private:
    TSheetSettings& FSettings;
    int FWidth;
};

} // namespace
} // namespace qv

int main(int argc, char** argv)
{
    using namespace qv;
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: textor_sample <sample.png> [picture-x4.png]\n");
        return 2;
    }
    TSheetSettings settings;
    TSheetCanvas canvas(&settings);
    TSheetTheme& theme = settings.SheetTheme();
    const int width = 360;
    TSampleTextor textor(settings, width);
    {
        TUpdateGuard guard(textor);
        textor.SetText(u"Every piece of text on a sheet is laid out by the engine: runs, tab stops\tand "
                       u"embedded elements, word-wrapped at the field's width.\n"
                       u"A command ");
        textor.InsertElement(textor.LastPosition(),
                             TInlineElementPtr(new TSampleElement(canvas, QStringLiteral("Assign"))),
                             nullptr);
        textor.InsertText(textor.LastPosition(), u" stands in the text like a word, and so does ", nullptr);
        textor.InsertElement(textor.LastPosition(),
                             TInlineElementPtr(new TSampleElement(canvas, QStringLiteral("Call procedure"))),
                             nullptr);
        textor.InsertText(textor.LastPosition(),
                          u"; rows grow to hold them.\nSelected text and marks:  two spaces.",
                          settings.FontAttributes(stfName));
    }
    textor.Unlock();

    const QMargins padding = theme.Element(steField).Padding;
    const QMargins margins = theme.Element(steField).Margins;
    const QRect field(margins.left(), margins.top(), width + padding.left() + padding.right(),
                      textor.ContentHeight() + padding.top() + padding.bottom());
    const QRect sheet(0, 0, field.right() + 1 + margins.right(), field.bottom() + 1 + margins.bottom());
    canvas.BeginPaint(sheet);
    canvas.DrawThemeFrame(steField, field);
    canvas.OffsetOrigin(field.left() + padding.left(), field.top() + padding.top());
    textor.PaintBackgrounds(canvas, 0);
    textor.Paint(canvas, 0, true, tpfNonPrinting, textor.WholeRange());
    TTextorRange selection;
    if (textor.FromIndex(TTextorIndexRange{{2, 0}, {2, 13}}, selection))
        textor.Paint(canvas, 0, true, tpfSelected, selection);
    canvas.OffsetOrigin(-(field.left() + padding.left()), -(field.top() + padding.top()));
    const QImage image = canvas.EndPaint();
    if (!image.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "textor_sample: cannot write %s\n", argv[1]);
        return 1;
    }
    std::printf("sheet %dx%d, text width %d, content %dx%d, value font \"%s\" %d pt\n", image.width(),
                image.height(), width, textor.ContentWidth(), textor.ContentHeight(),
                qPrintable(theme.Font(stfValue).FontName), theme.Font(stfValue).Size);
    for (TParagraph* p = textor.FirstParagraph(); p != nullptr; p = p->Next()) {
        for (TRow* row = p->FirstRow(); row != nullptr; row = row->Next()) {
            TTextorPosition start;
            TTextorPosition end;
            row->GetStart(start);
            row->GetEnd(end);
            std::printf("paragraph %d row top %3d height %2d left %2d width %3d: \"%s\"\n", p->Index(),
                        row->Top(), row->Height(), row->Left(), row->Width(),
                        qPrintable(textor.GetRangeText({start, end})));
        }
    }
    if (argc > 2) {
        QImage big(theme.Picture().size() * 4, QImage::Format_ARGB32);
        big.fill(QColor(200, 200, 200));
        QPainter painter(&big);
        painter.drawImage(big.rect(), theme.Picture());
        painter.end();
        big.save(QString::fromLocal8Bit(argv[2]), "PNG");
    }
    return 0;
}
