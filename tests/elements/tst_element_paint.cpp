#include "core/knot.h"
#include "elements/element_messages.h"
#include "elements/element_unaccepted.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "elements/visual_element.h"
#include "textor/qt_colors.h"
#include "textor/sheet_theme.h"

#include "support/fixed_metrics.h"
#include "support/printers.h"
#include "support/test_elements.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using namespace qv::test;

// Records what it is asked to paint, with the canvas origin at that moment.
class TPaintRecorder : public TPanelElement
{
public:
    TPaintRecorder(TScheme* scheme, QString name, QStringList* log)
        : TPanelElement(scheme), FName(std::move(name)), FLog(log)
    {}
    void Paint(TCanvas* canvas) override
    {
        FLog->append(
            QStringLiteral("%1 at %2,%3").arg(FName).arg(canvas->Origin().x()).arg(canvas->Origin().y()));
    }
    void PaintDisabled(TCanvas* canvas, int flags) override
    {
        FLog->append(FName + QStringLiteral(" disabled"));
        TPanelElement::PaintDisabled(canvas, flags);
    }

private:
    QString FName;
    QStringList* FLog;
};

// Every theme element used by the element family is a single-colour picture: a frame of one 3 × 3
// block (zones of 1) or an image of one 4 × 4 block.
class ElementPainting : public ::testing::Test
{
protected:
    static constexpr QRgb SheetColour = qRgb(10, 20, 30);
    static constexpr QRgb MarkColour = qRgb(200, 0, 0);
    static constexpr QRgb EditingColour = qRgb(0, 200, 0);
    static constexpr QRgb ErrorColour = qRgb(0, 0, 200);
    static constexpr QRgb NeedValueColour = qRgb(200, 200, 0);
    static constexpr QRgb UnacceptedColour = qRgb(0, 200, 200);
    static constexpr QRgb DisableColour = qRgba(255, 255, 255, 255);

    void SetUp() override
    {
        QImage picture(40, 4, QImage::Format_ARGB32);
        const QRgb colours[] = {SheetColour, MarkColour,      EditingColour,
                                ErrorColour, NeedValueColour, UnacceptedColour};
        for (int i = 0; i < 6; ++i) {
            for (int y = 0; y < 4; ++y) {
                for (int x = 0; x < 4; ++x)
                    picture.setPixel(i * 4 + x, y, colours[i]);
            }
        }
        picture.setPixel(39, 3, DisableColour);
        ASSERT_TRUE(Theme.LoadFromText(
            QStringLiteral("<ThemeInfo DisableColor=39,3>"
                           "<Sheet Cut=0,0,3,3 Zone=1,1,1,1/>"
                           "<Mark Cut=4,0,7,3 Zone=1,1,1,1/>"
                           "<ExternalEditingMode Cut=8,0,11,3 Zone=1,1,1,1/>"
                           "<Error Cut=12,0,16,4/>"
                           "<NeedValue Cut=16,0,20,4/>"
                           "<Unaccepted Cut=20,0,23,3 Zone=1,1,1,1 Padding=2,1,2,1/></ThemeInfo>"),
            picture));
        Sheet.SheetCanvas.SetTheme(&Theme);
        Root->SetVisualParent(Sheet.TopElement());
        Root->SetBounds(0, 0, 3, 100, 100);
    }
    void TearDown() override { Root->SetVisualParent(nullptr); }

    TPaintRecorder* Add(TVisualElement* parent, const QString& name, QRect bounds)
    {
        auto* element = new TPaintRecorder(&Scheme, name, &Log);
        element->SetParent(Root);
        element->SetVisualParent(parent);
        element->SetBounds(bounds.left(), bounds.top(), 3, bounds.height(), bounds.width());
        return element;
    }

    // Paints the top element over `rect` (sheet coordinates) the way the sheet does.
    QImage PaintSheet(const QRect& rect)
    {
        TCanvas& canvas = Sheet.SheetCanvas;
        canvas.BeginPaint(rect);
        Sheet.TopElement()->PaintTree(&canvas, 0);
        return canvas.EndPaint();
    }

    TSheetTheme Theme;
    TScheme Scheme{TTestRoot::StaticClass()};
    TFakeSheet Sheet;
    TTestRoot* Root = static_cast<TTestRoot*>(Scheme.Root());
    QStringList Log;
};

TEST_F(ElementPainting, ChildrenPaintInTheirOwnCoordinatesAndOnlyWhereTheClipReaches)
{
    TPaintRecorder* outer = Add(Root, QStringLiteral("outer"), QRect(10, 10, 40, 40));
    Add(outer, QStringLiteral("inner"), QRect(5, 6, 10, 10));
    Add(outer, QStringLiteral("far"), QRect(30, 30, 10, 10));
    TPaintRecorder* hidden = Add(outer, QStringLiteral("hidden"), QRect(0, 0, 5, 5));
    hidden->SetVisualStateBits(vsShown, false);
    ASSERT_FALSE(hidden->IsShown());

    // Origins add up through the tree.
    PaintSheet(QRect(0, 0, 40, 40));
    EXPECT_EQ(Log, QStringList({QStringLiteral("outer at 10,10"), QStringLiteral("inner at 15,16")}))
        << "'far' lies outside the painted rectangle and 'hidden' is not shown";

    Log.clear();
    PaintSheet(QRect(45, 45, 20, 20));
    EXPECT_EQ(Log, QStringList({QStringLiteral("outer at 10,10"), QStringLiteral("far at 40,40")}));
    EXPECT_EQ(Sheet.SheetCanvas.Origin(), QPoint(0, 0)) << "every offset is taken back";
}

TEST_F(ElementPainting, TheSheetBackgroundMarksAndTheExternalEditingLook)
{
    TPaintRecorder* marked = Add(Root, QStringLiteral("marked"), QRect(0, 0, 10, 10));
    TPaintRecorder* editing = Add(Root, QStringLiteral("editing"), QRect(20, 0, 10, 10));
    Add(Root, QStringLiteral("plain"), QRect(40, 0, 10, 10));
    marked->SetStateBits(esMultiSelected, true);
    editing->SetVisualStateBits(vsMark, true);

    const QImage image = PaintSheet(QRect(0, 0, 100, 30));
    EXPECT_EQ(image.pixel(2, 25), SheetColour) << "the top element paints the sheet background";
    EXPECT_EQ(image.pixel(5, 5), MarkColour);
    EXPECT_EQ(image.pixel(25, 5), EditingColour);
    EXPECT_EQ(image.pixel(45, 5), SheetColour);
}

// A disabled container shades itself once; its disabled children are not shaded a second time.
TEST_F(ElementPainting, DisabledSubtreesAreShadedOnceByTheirOutermostElement)
{
    TPaintRecorder* outer = Add(Root, QStringLiteral("outer"), QRect(0, 0, 40, 20));
    TPaintRecorder* inner = Add(outer, QStringLiteral("inner"), QRect(0, 0, 10, 10));
    TPaintRecorder* other = Add(Root, QStringLiteral("other"), QRect(50, 0, 10, 10));
    inner->SetDisabled(true);
    outer->SetDisabled(true);
    other->SetDisabled(true);

    const QImage image = PaintSheet(QRect(0, 0, 100, 40));
    EXPECT_EQ(Log.filter(QStringLiteral("disabled")),
              QStringList({QStringLiteral("outer disabled"), QStringLiteral("other disabled")}));
    EXPECT_EQ(image.pixel(5, 5), DisableColour);
    EXPECT_EQ(image.pixel(45, 30), SheetColour);

    outer->SetDisabled(false);
    Log.clear();
    PaintSheet(QRect(0, 0, 100, 40));
    EXPECT_EQ(Log.filter(QStringLiteral("disabled")),
              QStringList({QStringLiteral("inner disabled"), QStringLiteral("other disabled")}));
}

TEST_F(ElementPainting, MessageSignsShowTheirOwnersWorstProblem)
{
    auto* field = new TTestField(&Scheme);
    field->SetParent(Root);
    field->SetVisualParent(Root);
    field->SetBounds(20, 30, 3, 10, 40);
    field->SetOptions(field->Options() | eoTracked | eoRequired);
    TMessagesSignElement* sign = field->MessagesSign();
    ASSERT_NE(sign, nullptr);
    // The fake sheet's signs are 12 pixels; the image is drawn at its natural 4 × 4 size.
    const QPoint at = sign->SheetOrigin();
    EXPECT_EQ(at, QPoint(20, 30 - 6));
    QImage image = PaintSheet(QRect(0, 0, 100, 100));
    EXPECT_EQ(image.pixel(at + QPoint(1, 1)), NeedValueColour);

    field->GetMessages()->AddElementsMessage(mkInvalidContent, QStringLiteral("[Broken]"),
                                             QString::number(field->ID()));
    image = PaintSheet(QRect(0, 0, 100, 100));
    EXPECT_EQ(image.pixel(at + QPoint(1, 1)), ErrorColour);
}

// The placeholder shows the kept node in the fixed font, inside its frame's padding.
TEST_F(ElementPainting, UnacceptedElementsShowTheirKeptText)
{
    TScopedMeasuringContext metrics(std::make_unique<TFixedMeasuringContext>());
    TKnot knot;
    ASSERT_TRUE(knot.LoadFromText(QStringLiteral("<Method A=\"1\">\r\n\t<X/>\r\n</Method>")));
    auto* placeholder = new TElement_Unaccepted(&Scheme);
    placeholder->SetParent(Root);
    placeholder->LoadFrom(&knot, fmFile, 0);
    ASSERT_EQ(placeholder->DisplayLines().size(), 3);

    // Measured only once it is on a sheet; every character of the fake font is 10 pixels wide and a
    // line 13 high. The widest line is the node's first: <Method A="1">.
    TFakeSheet sheet;
    sheet.SheetCanvas.SetTheme(&Theme);
    placeholder->SetVisualParent(sheet.TopElement());
    const int widest = 14 * 10;
    EXPECT_EQ(placeholder->Width(), 2 + widest + 2);
    EXPECT_EQ(placeholder->Height(), 1 + 3 * 13 + 1);

    sheet.SheetCanvas.BeginPaint(QRect(0, 0, 200, 100));
    sheet.SheetCanvas.OffsetOrigin(placeholder->Left(), placeholder->Top());
    placeholder->PaintTree(&sheet.SheetCanvas, 0);
    sheet.SheetCanvas.OffsetOrigin(-placeholder->Left(), -placeholder->Top());
    const QImage image = sheet.SheetCanvas.EndPaint();
    EXPECT_EQ(image.pixel(placeholder->Left(), placeholder->Top()), UnacceptedColour);
    placeholder->SetVisualParent(nullptr);
}

} // namespace
} // namespace qv
