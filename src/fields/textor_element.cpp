// The text field: options, the Textor hooks, text access, sizing and the embedded elements.

#include "fields/textor_element.h"

#include "core/update_guard.h"
#include "elements/classes_groups.h"
#include "elements/element_sheet.h"
#include "elements/scheme.h"
#include "fields/scheme_textor_interactive.h"
#include "textor/canvas.h"
#include "textor/inline_element.h"
#include "textor/measuring_context.h"
#include "textor/rich_text_attributes.h"
#include "textor/sheet_settings.h"
#include "textor/sheet_theme.h"
#include "textor/textor_canvas.h"

namespace qv {

QV_IMPLEMENT_CLASS(TTextorElement)

// ---------------------------------------------------------------------------------------------------
// Settings

namespace {

TSheetSettings* sheetSettings = nullptr;

// Holds an embedded element for the Textor. The element portion owns this link; freeing it frees the
// element unless the element is already going (its owner is being destroyed).
class TInlineElementLink : public IInlineElement
{
public:
    explicit TInlineElementLink(TVisualElement* element) : FElement(element) {}

    int InlineWidth() const override { return FElement->Width(); }
    int InlineHeight() const override { return FElement->Height(); }
    int InlineDescent() const override { return FElement->Descent(); }
    bool InlineShown() const override { return FElement->IsShown(); }
    void PlaceInline(int left, int top) override
    {
        FElement->SetBounds(left, top, FElement->Descent(), FElement->Height(), FElement->Width());
    }
    void MoveInlineBy(int dx, int dy) override { PlaceInline(FElement->Left() + dx, FElement->Top() + dy); }
    void PaintInline(ITextorCanvas& canvas, int flags) override
    {
        // Off the sheet (a measuring or printing canvas of the text alone) there is nothing to draw on.
        auto* sheetCanvas = dynamic_cast<TCanvas*>(&canvas);
        if (sheetCanvas != nullptr && FElement->VisualParent() != nullptr)
            FElement->VisualParent()->PaintChild(sheetCanvas, flags, FElement);
    }
    void SetInlinePortion(TElementPortion* portion) override { FElement->SetPortion(portion); }
    void FreeInline() override
    {
        TVisualElement* element = FElement;
        delete this;
        element->SetPortion(nullptr);
        if (!element->IsDestroying())
            element->Free();
    }

    TVisualElement* Element() const { return FElement; }

private:
    TVisualElement* FElement;
};

} // namespace

TVisualElement* TTextorElement::EmbeddedElement(const TPortion* portion)
{
    if (portion == nullptr || portion->Kind() != TPortionKind::Element)
        return nullptr;
    auto* link = dynamic_cast<TInlineElementLink*>(static_cast<const TElementPortion*>(portion)->Element());
    return link != nullptr ? link->Element() : nullptr;
}

void SetTextorSheetSettings(TSheetSettings* settings)
{
    sheetSettings = settings;
}

TSheetSettings* TextorSheetSettings()
{
    return sheetSettings;
}

TSheetSettings* TTextorElement::SheetSettings() const
{
    if (Sheet() != nullptr) {
        if (TSheetSettings* settings = Sheet()->Settings())
            return settings;
    }
    return sheetSettings;
}

// ---------------------------------------------------------------------------------------------------
// TSchemeTextor

TSchemeTextor::TSchemeTextor(TTextorElement* element) : TTextor(true), FElement(element)
{
    SetOwner(element);
}

void TSchemeTextor::Changed()
{
    if (FElement != nullptr && (FElement->FieldState() & tfsNoChangeHandling) == 0)
        FElement->ContentChanged();
}

void TSchemeTextor::Arrange(bool notify)
{
    IElementSheet* sheet = FElement != nullptr ? FElement->Sheet() : nullptr;
    {
        TUpdateGuard<IElementSheet> guard(sheet);
        TTextor::Arrange(notify);
        if (FElement != nullptr)
            FElement->TextorArranged();
    }
}

TParagraphAttributes* TSchemeTextor::DefaultParagraphAttributes() const
{
    return TRichParagraphAttributes::Default();
}

TTextAttributes* TSchemeTextor::DefaultTextAttributes() const
{
    if (FElement != nullptr)
        return FElement->DefaultTextAttributes();
    return TRichTextAttributes::Default();
}

void TSchemeTextor::GetElementMargins(QMargins& margins) const
{
    const int vertical = AllowParagraphs() ? 1 : 0;
    margins = QMargins(1, vertical, 1, vertical);
}

void TSchemeTextor::GetPadding(QMargins& padding) const
{
    padding = FElement != nullptr ? FElement->GetPadding() : QMargins();
}

int TSchemeTextor::GetWidth() const
{
    if (FElement == nullptr)
        return 0;
    int minimumWidth = 0;
    int wrapWidth = 0;
    int minimumHeight = 0;
    FElement->GetSizeLimits(minimumWidth, wrapWidth, minimumHeight);
    if (wrapWidth <= 0 || wrapWidth >= maxAvailableExtent)
        return 0;
    const QMargins padding = FElement->GetPadding();
    return qMax(1, wrapWidth - padding.left() - padding.right());
}

const TAttributesMeta* TSchemeTextor::ParagraphAttributesClass() const
{
    return TRichParagraphAttributes::StaticClass();
}

bool TSchemeTextor::AllowParagraphs() const
{
    return FElement != nullptr && (FElement->ContentOptions() & tcoParagraphs) != 0;
}

bool TSchemeTextor::AllowTabStops() const
{
    return FElement != nullptr && (FElement->ContentOptions() & tcoTabStops) != 0;
}

const TAttributesMeta* TSchemeTextor::TextAttributesClass() const
{
    return TRichTextAttributes::StaticClass();
}

bool TSchemeTextor::SameWord(int a, int b) const
{
    if (FElement == nullptr || !FElement->HasBehaviour(tboIdentifierWords))
        return TTextor::SameWord(a, b);
    // Identifier words: runs of letters, digits and "_", or runs of other characters.
    auto identifier = [](int c) {
        return c >= 0 && (c == '_' || QChar::isLetterOrNumber(char32_t(c)));
    };
    if (a < 0 || b < 0)
        return false;
    return identifier(a) == identifier(b);
}

void TSchemeTextor::ArrangeParagraph(TParagraph& paragraph, int width, const QMargins& margins,
                                     const QMargins& padding)
{
    if (FElement != nullptr)
        FElement->ParagraphArranging(paragraph);
    TTextor::ArrangeParagraph(paragraph, width, margins, padding);
}

// ---------------------------------------------------------------------------------------------------
// TTextorElement

TSchemeTextor* TTextorElement::TLazyTextor::get() const
{
    if (!FTextor && FElement != nullptr) {
        FTextor = std::make_unique<TSchemeTextor>(FElement);
        // A Textor starts locked until its field is first laid out on a sheet (Relayout).
        if (FElement->FSheetUnlocked)
            FTextor->Unlock();
    }
    return FTextor.get();
}

TTextorElement::TTextorElement(TScheme* scheme) : TCustomDropDownElement(scheme)
{
    // A change of the content re-checks the element.
    SetOptions(Options() | eoTracked);
    SetVisualOptions(VisualOptions() | voFocusOnClick | voFocusTarget | voEditable | voSelectAll |
                     voRelayoutOnCovered);
}

TTextorElement::~TTextorElement() = default;

void TTextorElement::BeforeDestruction()
{
    inherited::BeforeDestruction();
    FreeInteractive();
    if (FInteraction)
        FInteraction->RetiredInteractive.reset();
    // The portions free the embedded elements: they must go while this element still exists.
    if (FTextor) {
        FTextor->DetachElement();
        FTextor->BeginUpdate();
        FTextor.reset();
    }
}

void TTextorElement::SetFieldState(uint8_t bits, bool on)
{
    if (on)
        FFieldState |= bits;
    else
        FFieldState &= uint8_t(~bits);
}

void TTextorElement::SetContentOptions(uint32_t value)
{
    if (value == FContentOptions)
        return;
    const uint32_t changed = value ^ FContentOptions;
    FContentOptions = value;
    if ((changed & (tcoTabStops | tcoParagraphs)) != 0)
        NormalizeContent();
    Update();
}

void TTextorElement::SetBehaviourOptions(uint32_t value)
{
    if (value == FBehaviourOptions)
        return;
    const uint32_t changed = value ^ FBehaviourOptions;
    FBehaviourOptions = value;
    // A Textor made later starts with its layout invalid.
    if ((changed & tboRelayoutMask) != 0 && FTextor)
        FTextor->InvalidateLayout();
    else if ((changed & tboRepaintMask) != 0)
        Invalidate();
}

void TTextorElement::NormalizeContent()
{
    if (!FTextor)
        return; // no content to split
    SetFieldState(tfsNoChangeHandling, true);
    struct TRestore
    {
        TTextorElement* Element;
        ~TRestore() { Element->SetFieldState(tfsNoChangeHandling, false); }
    } restore{this};
    // Re-splits every run of text by the current options, keeping each piece's attributes.
    FTextor->Normalize();
}

// --- Text access -----------------------------------------------------------------------------------

QString TTextorElement::GetText()
{
    if (!FTextor)
        return QString();
    return FTextor->GetText();
}

void TTextorElement::GetText(QString& text)
{
    text = GetText();
}

QString TTextorElement::GetValueText()
{
    QString text = GetText();
    if ((FContentOptions & tcoPercent) != 0 && text.endsWith(u'%'))
        text.chop(1);
    return text;
}

void TTextorElement::SetText(const QString& text)
{
    const QString storable = StorableText(text);
    if (!FTextor && storable.isEmpty())
        return;
    bool hasElements = false;
    for (TParagraph* p = FTextor->FirstParagraph(); p != nullptr && !hasElements; p = p->Next())
        hasElements = p->HasElements();
    if (!hasElements && GetText() == storable)
        return;
    TUpdateGuard<TScheme> schemeGuard(Scheme());
    FTextor->SetText(storable);
}

void TTextorElement::SetDefaultText(const QString& text)
{
    FDefaultText = text;
    SetText(text);
}

void TTextorElement::ReplaceSelection(const QString& text)
{
    ReplaceWithText(tetSelection, nullptr, true, text);
}

void TTextorElement::AppendText(QString& builder)
{
    if (!FTextor)
        return;
    // Embedded elements contribute their own text where they stand.
    for (TParagraph* p = FTextor->FirstParagraph(); p != nullptr; p = p->Next()) {
        if (p != FTextor->FirstParagraph())
            builder += QStringLiteral("\r\n");
        for (TPortion* portion = p->FirstPortion(); portion != nullptr; portion = portion->Next()) {
            if (TVisualElement* element = EmbeddedElement(portion)) {
                element->AppendText(builder);
            } else {
                QString chars(portion->Length(), Qt::Uninitialized);
                portion->CopyText(0, portion->Length(), chars.data());
                builder += chars;
            }
        }
    }
}

double TTextorElement::GetFloat()
{
    double value = 0;
    return TryGetFloat(GetValueText(), value) ? value : 0.0;
}

int32_t TTextorElement::GetInteger()
{
    int32_t value = 0;
    return TryGetInteger(GetValueText(), value) ? value : 0;
}

// --- Selection -------------------------------------------------------------------------------------

bool TTextorElement::SelectionRange(TTextorRange& range) const
{
    if (!FTextor->FromIndex(Selection(), range))
        return false;
    if (FTextor->Compare(range.Start, range.End) > 0)
        std::swap(range.Start, range.End);
    return true;
}

// --- Element state ---------------------------------------------------------------------------------

bool TTextorElement::IsFilled() const
{
    return FTextor && !FTextor->IsEmpty();
}

bool TTextorElement::IsDefault() const
{
    if (!FTextor)
        return FTextor.Released() || HasBehaviour(tboElements) || FDefaultText.isEmpty();
    if (HasBehaviour(tboElements) || FDefaultText.isNull())
        return FTextor->IsEmpty();
    return FTextor->GetText() == FDefaultText;
}

void TTextorElement::GetAcceptedClasses(TElementClassList& list)
{
    if (!HasBehaviour(tboElements))
        return;
    if (HasBehaviour(tboInPlace)) {
        if (TElement* enclosing = EnclosingField())
            enclosing->GetAcceptedClasses(list);
        return;
    }
    ApplicationClassesGroups().AddGroupTo(list, cgBlockClasses);
    if ((FContentOptions & tcoLetters) != 0)
        ApplicationClassesGroups().AddGroupTo(list, cgInlineClasses);
}

TElement* TTextorElement::EnclosingField()
{
    TElement* element = this;
    while (element != nullptr && (element->Options() & eoPart) != 0)
        element = element->ParentElement();
    return element != nullptr ? element->ParentElement() : nullptr;
}

void TTextorElement::ParentElementChanged()
{
    inherited::ParentElementChanged();
    if (!IsDestroying() && Parent() != nullptr && HasBehaviour(tboInPlace | tboInheritOptions))
        InheritOptions();
}

void TTextorElement::InheritOptions()
{
    const uint32_t mask =
        HasBehaviour(tboInPlace) ? uint32_t(tboInPlaceInheritMask) : uint32_t(tboInheritMask);
    auto* enclosing = dynamic_cast<TTextorElement*>(EnclosingField());
    if (enclosing != nullptr) {
        SetBehaviourOptions((FBehaviourOptions & ~mask) | (enclosing->BehaviourOptions() & mask));
        SetContentOptions(enclosing->ContentOptions());
    } else {
        SetBehaviourOptions(FBehaviourOptions & ~mask);
        SetContentOptions(tcoAnything);
    }
}

TAttributesRef<TTextAttributes> TTextorElement::LoadedTextAttributes(TKnot* knot)
{
    if (HasBehaviour(tboInPlace)) {
        if (auto* enclosing = dynamic_cast<TTextorElement*>(EnclosingField()))
            return enclosing->LoadedTextAttributes(knot);
    }
    return {};
}

void TTextorElement::ContentChanged()
{
    ContentChangedHook();
    if (HasBehaviour(tboDeferredCommit) && IsFocused()) {
        SetVisualStateBits(vsWantsFocusLost, true);
        return;
    }
    Changed();
}

void TTextorElement::RemoveVisualChild(TVisualElement* child)
{
    inherited::RemoveVisualChild(child);
    TElementPortion* portion = child->Portion();
    if (portion == nullptr || !child->IsDestroying() || IsDestroying() || !FTextor)
        return;
    for (TParagraph* p = FTextor->FirstParagraph(); p != nullptr; p = p->Next()) {
        int offset = 0;
        for (TPortion* piece = p->FirstPortion(); piece != nullptr; piece = piece->Next()) {
            if (piece == portion) {
                // The portion's link sees the element going and does not free it again.
                FTextor->DeleteRange({p->PositionAt(offset), p->PositionAt(offset + 1)});
                return;
            }
            offset += piece->Length();
        }
    }
}

void TTextorElement::FocusLost()
{
    inherited::FocusLost();
    CommitChange();
}

void TTextorElement::CommitChange()
{
    if ((VisualFlags() & vsWantsFocusLost) != 0) {
        SetVisualStateBits(vsWantsFocusLost, false);
        Changed();
    }
}

void TTextorElement::ContentChangedHook()
{
    if (HasBehaviour(tboInPlace)) {
        if (auto* enclosing = dynamic_cast<TTextorElement*>(EnclosingField()))
            enclosing->ContentChangedHook();
    }
}

void TTextorElement::ParagraphArranging(TParagraph& paragraph)
{
    if (HasBehaviour(tboInPlace)) {
        if (auto* enclosing = dynamic_cast<TTextorElement*>(EnclosingField()))
            enclosing->ParagraphArranging(paragraph);
    }
    if (HasBehaviour(tboLinks) && !paragraph.IsEmpty())
        DetectLinks(paragraph);
}

bool TTextorElement::AnswersQuery(int msg)
{
    return msg == tmDataElementClass || msg == tmDataElementPart || msg == tmReferenceTargets ||
           msg == tmFileFilters;
}

bool TTextorElement::HandleMessage(int msg, void* param, void* data)
{
    if (HasBehaviour(tboInPlace) && AnswersQuery(msg)) {
        if (TElement* enclosing = EnclosingField())
            return enclosing->HandleMessage(msg, param, data);
    }
    if (msg == tmFirstLineHeightQuery && data != nullptr) {
        *static_cast<int*>(data) = FFirstLineHeight;
        return true;
    }
    return inherited::HandleMessage(msg, param, data);
}

// --- Embedded elements -----------------------------------------------------------------------------

TTextorRange TTextorElement::InsertElementPortion(const TTextorPosition& position, TVisualElement* element)
{
    element->SetVisualParent(this);
    return FTextor->InsertElement(position, TInlineElementPtr(new TInlineElementLink(element)), nullptr);
}

TElement* TTextorElement::ElementAfter(const TTextorPosition& position)
{
    TParagraph* p = position.Paragraph;
    int local = 0;
    TPortion* portion = p->PortionAt(p->OffsetOf(position), local);
    if (portion != nullptr && local > 0)
        portion = portion->Next();
    for (;;) {
        for (; portion != nullptr; portion = portion->Next()) {
            if (TVisualElement* element = EmbeddedElement(portion))
                return element;
        }
        p = p->Next();
        if (p == nullptr)
            return nullptr;
        portion = p->FirstPortion();
    }
}

int TTextorElement::CountCheckedElements(int limit)
{
    int count = 0;
    for (TParagraph* p = FTextor->FirstParagraph(); p != nullptr; p = p->Next()) {
        for (TPortion* portion = p->FirstPortion(); portion != nullptr; portion = portion->Next()) {
            TVisualElement* element = EmbeddedElement(portion);
            if (element != nullptr && element->IsShown() && element->NeedsCheck() && ++count >= limit)
                return count;
        }
    }
    return count;
}

// --- Sizing ----------------------------------------------------------------------------------------

TTextAttributes* TTextorElement::DefaultTextAttributes()
{
    TSheetSettings* settings = SheetSettings();
    if (Sheet() != nullptr && settings != nullptr) {
        TSheetThemeFont font = stfValue;
        if (HasBehaviour(tboFixedFont))
            font = stfFixed;
        else if (HasBehaviour(tboArtFont))
            font = stfArt;
        else if (HasBehaviour(tboCommentFont))
            font = stfComment;
        if (TTextAttributes* attributes = settings->FontAttributes(font))
            return attributes;
    }
    return TRichTextAttributes::Default();
}

bool TTextorElement::GetFrameElement(int& element)
{
    const bool filled = (State() & esFilled) != 0;
    if (HasBehaviour(tboFieldFrame) || (HasBehaviour(tboFilledFrame) && !filled)) {
        element = steField;
        return true;
    }
    if (HasBehaviour(tboContainerFrame) || (HasBehaviour(tboFilledFrame) && filled)) {
        element = steContainer;
        return true;
    }
    return false;
}

QMargins TTextorElement::GetPadding()
{
    QMargins padding;
    int frame = 0;
    TSheetSettings* settings = SheetSettings();
    if (GetFrameElement(frame) && settings != nullptr)
        padding = settings->SheetTheme().Element(TSheetThemeElement(frame)).Padding;
    else
        padding = inherited::GetPadding();
    if (HasBehaviour(tboIndent)) {
        // 42 pixels, scaled with the sheet's font size (58 and 75 for the larger sizes).
        int indent = 42;
        if (settings != nullptr) {
            const int percent = settings->ScalePercent();
            indent = percent >= 180 ? 75 : percent >= 140 ? 58 : 42;
        }
        padding.setLeft(padding.left() + indent);
    }
    return padding;
}

void TTextorElement::GetAvailableSize(TVisualElement* child, QSize& size)
{
    if (child == nullptr || child == this) {
        inherited::GetAvailableSize(child, size);
        return;
    }
    // A text field offers its children its own offer less its padding and 2 more pixels. The offer
    // is asked of the ancestors once: asking twice at every level doubled the work with each level
    // of nested fields.
    QSize own = OfferedByParent();
    const QMargins padding = GetPadding();
    if (own.width() < maxAvailableExtent)
        own.setWidth(qMax(0, own.width() - padding.left() - padding.right() - 2));
    if (own.height() < maxAvailableExtent)
        own.setHeight(qMax(0, own.height() - padding.top() - padding.bottom()));
    size = own;
}

void TTextorElement::GetSizeLimits(int& minimumWidth, int& wrapWidth, int& minimumHeight)
{
    const QSize offer = OfferedByParent();
    int themeMinimum = 10;
    int frame = 0;
    TSheetSettings* settings = SheetSettings();
    if (GetFrameElement(frame) && settings != nullptr) {
        const QMargins zone = settings->SheetTheme().Element(TSheetThemeElement(frame)).Zone;
        themeMinimum = qMax(10, zone.left() + zone.right());
    }
    const uint32_t b = FBehaviourOptions;
    if (b & tboMinHeightOffer)
        minimumHeight = qMax(0, offer.height());
    else if (b & tboMinHeight240)
        minimumHeight = 240;
    else if (b & tboMinHeight120)
        minimumHeight = 120;
    else if (b & tboMinHeight60)
        minimumHeight = 60;
    else
        minimumHeight = 0;
    if (b & tboMinWidthOffer)
        minimumWidth = qMax(themeMinimum, offer.width());
    else if (b & tboMinWidth480)
        minimumWidth = 480;
    else if (b & tboMinWidth240)
        minimumWidth = 240;
    else if (b & tboMinWidth30)
        minimumWidth = 30;
    else
        minimumWidth = themeMinimum;
    const int offered = qMax(themeMinimum, offer.width());
    int fixedWrap = 0;
    if (b & tboWrap960)
        fixedWrap = 960;
    else if (b & tboWrap720)
        fixedWrap = 720;
    else if (b & tboWrap480)
        fixedWrap = 480;
    else if (b & tboWrap240)
        fixedWrap = 240;
    if (b & tboNoWrap) {
        wrapWidth = maxAvailableExtent;
    } else if (fixedWrap > 0) {
        // The fixed widths are for a 96 dpi screen and the normal font size: they grow with the
        // screen's resolution and the sheet's font scale, as the text does, and never reach past
        // what the parent offers (a narrow window).
        const int percent = settings != nullptr ? settings->ScalePercent() : 100;
        const int dpi = TDeviceContextManager::Instance().DpiY();
        const int scaled = int(qint64(fixedWrap) * percent * dpi / (100 * 96));
        wrapWidth = qMin(scaled, offered);
    } else {
        wrapWidth = offered;
    }
}

void TTextorElement::UpdateSize()
{
    if (Sheet() == nullptr || FTextor->LockCount() > 0)
        return;
    int minimumWidth = 0;
    int wrapWidth = 0;
    int minimumHeight = 0;
    GetSizeLimits(minimumWidth, wrapWidth, minimumHeight);
    const QMargins padding = GetPadding();
    const int contentHeight = FTextor->ContentHeight();
    int width = qMax(minimumWidth, FTextor->ContentWidth() + padding.left() + padding.right());
    if (FTextor->IsEmpty() && (HasBehaviour(tboEmptyWidth) || (Options() & eoRequired) != 0))
        width = qMax(width, contentHeight * 2 / 3);
    int height = qMax(minimumHeight, contentHeight + padding.top() + padding.bottom());
    TRow* lastRow = FTextor->LastParagraph()->LastRow();
    TSheetSettings* settings = SheetSettings();
    if (HasBehaviour(tboWorkspaceHeight) && settings != nullptr &&
        settings->IncreaseWorkspaceHeight().Value()) {
        const int extra =
            minimumHeight - (lastRow != nullptr ? lastRow->Height() : 0) - padding.top() - padding.bottom();
        if (extra >= 0)
            height += extra;
    }
    // A field embedded in another one sits with its last line on the outer line's baseline.
    const int descent = padding.bottom() + (lastRow != nullptr ? lastRow->Descent() : 0);
    SetFieldState(tfsArranging, true);
    struct TRestore
    {
        TTextorElement* Element;
        ~TRestore() { Element->SetFieldState(tfsArranging, false); }
    } restore{this};
    SetBounds(Left(), Top(), descent, height, width);
}

void TTextorElement::BoundsChanged(const QRect& oldBounds, int oldDescent)
{
    inherited::BoundsChanged(oldBounds, oldDescent);
    if ((FFieldState & tfsArranging) == 0 && oldBounds.width() != Width() && !HasBehaviour(tboNoWrap))
        FTextor->InvalidateLayout();
}

void TTextorElement::TextorArranged()
{
    // Called while the Textor's bracket may still be open: the layout is complete all the same.
    if (FInteractive) {
        SetFieldState(tfsRestoringSelection, true);
        struct TRestore
        {
            TTextorElement* Element;
            ~TRestore() { Element->SetFieldState(tfsRestoringSelection, false); }
        } restore{this};
        // The layout changed: rows and positions are converted again from the index form.
        if (!FlushPendingSelectionNow()) {
            ReapplySelection();
            if (Sheet() != nullptr && IsFocused())
                Sheet()->UpdateCaret();
        }
    }
    FArrangedWidth = FTextor->GetWidth();
    FArrangedFont = DefaultTextAttributes();
    UpdateSize();
    const QMargins padding = GetPadding();
    TRow* first = FTextor->FirstParagraph()->FirstRow();
    const int height = padding.top() + padding.bottom() + (first != nullptr ? first->Height() : 0);
    if (height != FFirstLineHeight) {
        FFirstLineHeight = height;
        if (TNode* parent = Parent())
            parent->SendMessage(tmFirstLineHeightChanged, this);
    }
    Invalidate();
}

void TTextorElement::PaintFrame(TCanvas* canvas)
{
    int frame = 0;
    if (GetFrameElement(frame))
        canvas->DrawThemeFrame(TSheetThemeElement(frame), GetClientRect());
}

void TTextorElement::Paint(TCanvas* canvas)
{
    if (canvas == nullptr || FTextor->LockCount() > 0)
        return;
    PaintFrame(canvas);
    const QMargins padding = GetPadding();
    canvas->OffsetOrigin(padding.left(), padding.top());
    TSheetSettings* settings = SheetSettings();
    const bool marks =
        settings != nullptr && settings->NonPrintingCharacters().Value() && !HasBehaviour(tboNoNonPrinting);
    const int flags = marks ? tpfNonPrinting : 0;
    // The selection of a sheet whose window lacks the input focus is shown in the inactive colour.
    const int inactive = Sheet() != nullptr && !Sheet()->IsActive() ? tpfInactive : 0;
    if (TSchemeTextorInteractive* interactive = IsFocused() ? ReadyInteractive() : nullptr)
        interactive->Paint(*canvas, 0, flags | tpfSelected | inactive);
    else
        FTextor->Paint(*canvas, 0, marks, flags, FTextor->WholeRange());
    canvas->OffsetOrigin(-padding.left(), -padding.top());
}

void TTextorElement::PaintChildren(TCanvas* canvas, int flags)
{
    // Embedded elements are painted with their rows; only children outside the text are painted here.
    if (FreeChildCount() == 0)
        return;
    const QRect clip = canvas->ClipRect();
    for (TVisualElement* child = FirstVisualChild(); child != nullptr; child = child->NextVisual()) {
        if (child->Portion() == nullptr && child->IsShown() && child->BoundsRect().intersects(clip))
            PaintChild(canvas, flags, child);
    }
}

QSize TTextorElement::ContentExtent(int& descent)
{
    int minimumWidth = 0;
    int wrapWidth = 0;
    int minimumHeight = 0;
    GetSizeLimits(minimumWidth, wrapWidth, minimumHeight);
    const QMargins padding = GetPadding();
    const TRow* lastRow = FTextor->LastParagraph()->LastRow();
    descent = padding.bottom() + (lastRow != nullptr ? lastRow->Descent() : 0);
    return QSize(std::max(minimumWidth, FTextor->ContentWidth() + padding.left() + padding.right()),
                 std::max(minimumHeight, FTextor->ContentHeight() + padding.top() + padding.bottom()));
}

void TTextorElement::ChildBoundsChanged(TVisualElement* child, const QRect& oldBounds, int oldDescent)
{
    inherited::ChildBoundsChanged(child, oldBounds, oldDescent);
    if (child->BoundsRect().size() == oldBounds.size() && child->Descent() == oldDescent)
        return;
    // While the text arranges its rows it sizes its elements itself.
    if (FTextor == nullptr || FTextor->Arranging())
        return;
    TElementPortion* portion = child->Portion();
    if (portion != nullptr && portion->Paragraph() != nullptr)
        FTextor->InvalidateParagraph(*portion->Paragraph());
}

void TTextorElement::Relayout(bool all, bool force)
{
    // The embedded elements are laid out while the Textor is locked: the paragraphs whose elements
    // changed size are arranged once, after all of them, not once for each element (which moved
    // every paragraph below it each time).
    struct TUnlock
    {
        TTextor* Textor;
        ~TUnlock() { Textor->Unlock(); }
    };
    // The Textor starts locked; it is first arranged once the field and its elements are on a sheet.
    if (Sheet() != nullptr && !FSheetUnlocked) {
        FTextor->InvalidateLayout(); // made locked here, if it was not yet
        FSheetUnlocked = true;
        TUnlock unlock{FTextor.get()};
        inherited::Relayout(all, force);
        return;
    }
    if (Sheet() != nullptr && FTextor->LockCount() == 0) {
        // The offer or the settings changed: a new wrap width or font wraps every paragraph again,
        // anything else only sizes the field anew.
        if (FTextor->GetWidth() != FArrangedWidth || DefaultTextAttributes() != FArrangedFont)
            FTextor->InvalidateLayout();
        else
            UpdateSize();
    }
    FTextor->Lock();
    TUnlock unlock{FTextor.get()};
    inherited::Relayout(all, force);
}

void TTextorElement::PageHeightChanged()
{
    if (Sheet() != nullptr && FSheetUnlocked && FTextor->LockCount() == 0)
        UpdateSize();
    inherited::PageHeightChanged();
}

void TTextorElement::SheetChanging()
{
    // Off its sheet the field has no focus.
    FreeInteractive();
    inherited::SheetChanging();
    if (FSheetUnlocked) {
        FTextor->Lock();
        FSheetUnlocked = false;
    }
}

} // namespace qv
