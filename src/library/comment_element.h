#pragma once

#include "library/custom_button_element.h"
#include "library/custom_titled_element.h"

namespace qv {

// A comment: free rich text in the comment font with links, signs, images, tables and logic frames,
// stored as child nodes of its "Comment" node. It can be disabled.
class TElement_Comment : public TCustomCommentElement
{
    QV_CLASS(TElement_Comment, TCustomCommentElement)

    explicit TElement_Comment(TScheme* scheme);
};

// The caption of a logic frame: comment text without margins that draws no frame; the comment frame
// still gives its padding, because the logic frame paints the band under it.
class TLogicFrameCaptionField : public TCustomCommentElement
{
    QV_CLASS(TLogicFrameCaptionField, TCustomCommentElement)

    explicit TLogicFrameCaptionField(TScheme* scheme);

    QMargins GetMargins() override;
    void PaintFrame(TCanvas* canvas) override;
};

// The content of a logic frame. It is an in-place field: options, accepted classes and the rest of
// its field behaviour come from the text field that holds the logic frame.
class TLogicFrameContentContainer : public TTitledTextContainer
{
    QV_CLASS(TLogicFrameContentContainer, TTitledTextContainer)

    explicit TLogicFrameContentContainer(TScheme* scheme);

    void PaintFrame(TCanvas* canvas) override;
};

// A collapsible frame grouping content under a caption. Parts in tree order: the expand button
// ("Expanded", expanded by default), the caption ("Caption"), the content ("Content").
class TElement_LogicFrame : public TTitledElementWithContent
{
    QV_CLASS(TElement_LogicFrame, TTitledElementWithContent)

    explicit TElement_LogicFrame(TScheme* scheme);

    TLogicFrameCaptionField* Caption() const { return FCaption; }
    TLogicFrameContentContainer* Content() const;

    static const TElementClass* ContentContainerClass();

    void BuildTitle(TTitleWriter& writer) override;
    TSheetThemeElement FrameElement() override;
    // The frame is drawn by Paint, around the caption band.
    void DrawFrame(TCanvas* canvas, int flags, const QRect& rect) override;
    // Zero while collapsed: only the button and caption band remain.
    QMargins GetPadding() override;
    void Paint(TCanvas* canvas) override;
    QString GetPartKnotName(TElement* part, uint8_t filerMode) override;
    void GetPartHint(TElement* part, QString& text) override;
    // Writes the content in place of the frame: for such a saver the frame is transparent.
    bool SaveSubstitute(TSchemeSaver* filer, TKnot* knot) override;

private:
    TLogicFrameCaptionField* FCaption = nullptr; // a part
};

// The base of the signs: a small icon of "diCommonElementsSmallImages" that cannot be disabled.
// Signs have no parts and no attributes.
class TCustomSignElement : public TCustomSmallImageElement
{
    QV_CLASS(TCustomSignElement, TCustomSmallImageElement)

    explicit TCustomSignElement(TScheme* scheme);

protected:
    // The index in the small image list of picture `position` of the common elements strip; -1
    // when the program has no such picture.
    static int CommonImage(int position);
};

class TElement_Star : public TCustomSignElement
{
    QV_CLASS(TElement_Star, TCustomSignElement)
    using TCustomSignElement::TCustomSignElement;
    int ImageIndex() override;
};

class TElement_Information : public TCustomSignElement
{
    QV_CLASS(TElement_Information, TCustomSignElement)
    using TCustomSignElement::TCustomSignElement;
    int ImageIndex() override;
};

class TElement_Question : public TCustomSignElement
{
    QV_CLASS(TElement_Question, TCustomSignElement)
    using TCustomSignElement::TCustomSignElement;
    int ImageIndex() override;
};

class TElement_Important : public TCustomSignElement
{
    QV_CLASS(TElement_Important, TCustomSignElement)
    using TCustomSignElement::TCustomSignElement;
    int ImageIndex() override;
};

class TElement_Stop : public TCustomSignElement
{
    QV_CLASS(TElement_Stop, TCustomSignElement)
    using TCustomSignElement::TCustomSignElement;
    int ImageIndex() override;
};

class TElement_Ready : public TCustomSignElement
{
    QV_CLASS(TElement_Ready, TCustomSignElement)
    using TCustomSignElement::TCustomSignElement;
    int ImageIndex() override;
};

// Adds the comment, the logic frame and the signs to their class groups and their items to the
// palette (with the "Signs" group). Called once at start-up, before any document exists; later calls
// do nothing. User-interface thread only.
void RegisterCommentElements();

} // namespace qv
