#include "library/comment_element.h"

#include "core/strings.h"
#include "elements/classes_groups.h"
#include "elements/palette.h"
#include "elements/scheme_images.h"
#include "library/expand_button.h"
#include "textor/sheet_canvas.h"

#include <algorithm>

namespace qv {

QV_IMPLEMENT_CLASS(TElement_Comment)
QV_IMPLEMENT_CLASS(TLogicFrameCaptionField)
QV_IMPLEMENT_CLASS(TLogicFrameContentContainer)
QV_IMPLEMENT_CLASS(TElement_LogicFrame)
QV_IMPLEMENT_CLASS(TCustomSignElement)
QV_IMPLEMENT_CLASS(TElement_Star)
QV_IMPLEMENT_CLASS(TElement_Information)
QV_IMPLEMENT_CLASS(TElement_Question)
QV_IMPLEMENT_CLASS(TElement_Important)
QV_IMPLEMENT_CLASS(TElement_Stop)
QV_IMPLEMENT_CLASS(TElement_Ready)

namespace {

const QString commonImagesStrip = QStringLiteral("diCommonElementsSmallImages");

} // namespace

// TElement_Comment

TElement_Comment::TElement_Comment(TScheme* scheme) : TCustomCommentElement(scheme)
{
    SetVisualOptions(VisualOptions() | voCanDisable);
    // An empty comment stays at least two thirds of its height wide; text wraps at 720 pixels.
    SetBehaviourOptions(BehaviourOptions() | tboEmptyWidth | tboWrap720);
}

// TLogicFrameCaptionField

TLogicFrameCaptionField::TLogicFrameCaptionField(TScheme* scheme) : TCustomCommentElement(scheme) {}

QMargins TLogicFrameCaptionField::GetMargins()
{
    return QMargins();
}

void TLogicFrameCaptionField::PaintFrame(TCanvas*) {}

// TLogicFrameContentContainer

TLogicFrameContentContainer::TLogicFrameContentContainer(TScheme* scheme) : TTitledTextContainer(scheme)
{
    SetBehaviourOptions(BehaviourOptions() | tboInPlace);
}

void TLogicFrameContentContainer::PaintFrame(TCanvas*) {}

// TElement_LogicFrame

TElement_LogicFrame::TElement_LogicFrame(TScheme* scheme)
    : TTitledElementWithContent(scheme, ContentContainerClass())
{
    CreateExpandButton(true);
    ExpandButton()->SetButtonFlags(ExpandButton()->ButtonFlags() | ebfLogicFrameLook);
    // The caption stands before the content in the tree and among the visual children.
    FCaption = static_cast<TLogicFrameCaptionField*>(
        CreatePart(TLogicFrameCaptionField::StaticClass(), this, Container()));
    FCaption->SetVisualParent(this, Container());
    FCaption->SetBehaviourOptions(FCaption->BehaviourOptions() | tboEmptyWidth | tboWrap480);
}

TLogicFrameContentContainer* TElement_LogicFrame::Content() const
{
    return static_cast<TLogicFrameContentContainer*>(Container());
}

const TElementClass* TElement_LogicFrame::ContentContainerClass()
{
    return TLogicFrameContentContainer::StaticClass();
}

void TElement_LogicFrame::BuildTitle(TTitleWriter& writer)
{
    writer.AddGap(2);
    inherited::BuildTitle(writer);
    writer.AddElement(FCaption, tiaCentre);
    if (IsExpanded()) {
        writer.AddGap(8);
        writer.EndRow();
        writer.AddContent(Container());
    }
}

TSheetThemeElement TElement_LogicFrame::FrameElement()
{
    return steLogicFrame;
}

void TElement_LogicFrame::DrawFrame(TCanvas*, int, const QRect&) {}

QMargins TElement_LogicFrame::GetPadding()
{
    return IsExpanded() ? inherited::GetPadding() : QMargins();
}

void TElement_LogicFrame::Paint(TCanvas* canvas)
{
    inherited::Paint(canvas);
    if (canvas == nullptr || FCaption == nullptr)
        return;
    if (IsExpanded()) {
        // The frame's top edge runs through the middle of the caption's first line.
        QRect rect = GetClientRect();
        rect.setTop(FCaption->Top() + FCaption->FirstLineHeight() / 2);
        canvas->DrawThemeFrame(steLogicFrame, rect);
    }
    // The band under the button and the caption hides the frame line behind them.
    TExpandButton* button = ExpandButton();
    const int left = button != nullptr ? button->Left() : FCaption->Left();
    const int top = button != nullptr ? std::min(button->Top(), FCaption->Top()) : FCaption->Top();
    const int bottom = button != nullptr
                           ? std::max(button->Top() + button->Height(), FCaption->Top() + FCaption->Height())
                           : FCaption->Top() + FCaption->Height();
    canvas->DrawThemeFrame(
        steComment, QRect(QPoint(left, top), QPoint(FCaption->Left() + FCaption->Width() - 1, bottom - 1)));
}

QString TElement_LogicFrame::GetPartKnotName(TElement* part, uint8_t filerMode)
{
    if (part != nullptr && part == FCaption)
        return QStringLiteral("Caption");
    return inherited::GetPartKnotName(part, filerMode);
}

void TElement_LogicFrame::GetPartHint(TElement* part, QString& text)
{
    if (part != nullptr && part == FCaption) {
        text = LoadStr(2824);
        return;
    }
    inherited::GetPartHint(part, text);
}

bool TElement_LogicFrame::SaveSubstitute(TSchemeSaver* filer, TKnot* knot)
{
    Content()->SaveContent(filer, knot, nullptr);
    return true;
}

// TCustomSignElement

TCustomSignElement::TCustomSignElement(TScheme* scheme) : TCustomSmallImageElement(scheme)
{
    SetVisualOptions(VisualOptions() & ~voCanDisable);
}

int TCustomSignElement::CommonImage(int position)
{
    return StripImage(SmallImages(), commonImagesStrip, position);
}

int TElement_Star::ImageIndex()
{
    return CommonImage(2);
}

int TElement_Information::ImageIndex()
{
    return CommonImage(3);
}

int TElement_Question::ImageIndex()
{
    return CommonImage(4);
}

int TElement_Important::ImageIndex()
{
    return CommonImage(5);
}

int TElement_Ready::ImageIndex()
{
    return CommonImage(6);
}

int TElement_Stop::ImageIndex()
{
    return CommonImage(7);
}

// Registration

void RegisterCommentElements()
{
    static const bool registered = [] {
        const TElementClassList signs = {
            TElement_Information::StaticClass(), TElement_Question::StaticClass(),
            TElement_Star::StaticClass(),        TElement_Important::StaticClass(),
            TElement_Stop::StaticClass(),        TElement_Ready::StaticClass()};
        TClassesGroups& groups = ApplicationClassesGroups();
        groups.GetGroup(cgBlockClasses).append(TElement_Comment::StaticClass());
        groups.GetGroup(cgBlockClasses).append(TElement_LogicFrame::StaticClass());
        groups.GetGroup(cgCommentContentClasses).append(TElement_LogicFrame::StaticClass());
        groups.GetGroup(cgCommentContentClasses).append(signs);
        groups.GetGroup(cgSignClasses).append(signs);

        TPalette& palette = Palette();
        auto image = [](int position) {
            return StripImage(SmallImages(), commonImagesStrip, position);
        };
        new TElementPaletteItem(palette.AdditionalGroup(), 0, image(0), QV_STR(2821), QV_STR(2820),
                                TElement_Comment::StaticClass(), 1000);
        auto* frame = new TElementPaletteItem(palette.AdditionalGroup(), piBlock, image(1), QV_STR(2823),
                                              QV_STR(2822), TElement_LogicFrame::StaticClass(), 900);
        frame->SetLetters(QStringLiteral("L"));

        auto* group = new TPaletteGroup(&palette, QV_STR(2825), 1500);
        struct TSignItem
        {
            const TElementClass* Class;
            int32_t Caption;
            int32_t Hint;
            int Image;
            int32_t Order;
        };
        const TSignItem items[] = {
            {TElement_Information::StaticClass(), QV_STR(2828), QV_STR(2829), 3, 40},
            {TElement_Question::StaticClass(), QV_STR(2830), QV_STR(2831), 4, 35},
            {TElement_Star::StaticClass(), QV_STR(2826), QV_STR(2827), 2, 32},
            {TElement_Important::StaticClass(), QV_STR(2832), QV_STR(2833), 5, 30},
            {TElement_Stop::StaticClass(), QV_STR(2834), QV_STR(2835), 7, 20},
            {TElement_Ready::StaticClass(), QV_STR(2836), QV_STR(2837), 6, 10},
        };
        for (const TSignItem& item : items)
            new TElementPaletteItem(group, piNoCaption, image(item.Image), item.Hint, item.Caption,
                                    item.Class, item.Order);
        return true;
    }();
    (void)registered;
}

} // namespace qv
