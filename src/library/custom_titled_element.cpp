#include "library/custom_titled_element.h"

#include "core/strings.h"
#include "core/update_guard.h"
#include "elements/element_sheet.h"
#include "elements/scheme_images.h"
#include "fields/textor_element.h"
#include "library/expand_button.h"
#include "textor/attributes.h"
#include "textor/canvas.h"
#include "textor/rich_text_attributes.h"
#include "textor/sheet_settings.h"

#include <algorithm>

namespace qv {

QV_IMPLEMENT_CLASS(TCustomTitledElement)
QV_IMPLEMENT_CLASS(TTitledElement)
QV_IMPLEMENT_CLASS(TTitledElementWithContent)
QV_IMPLEMENT_CLASS(TTitledTextContainer)
QV_IMPLEMENT_CLASS(TCollapsedPaletteItem)

namespace {

// The gap two adjacent margins leave between their items.
int Collapse(int a, int b)
{
    return a >= 0 && b >= 0 ? std::max(a, b) : std::max(0, a + b);
}

TCanvas* SheetCanvas(const TVisualElement* element)
{
    return element->Sheet() != nullptr ? element->Sheet()->Canvas() : nullptr;
}

// An item's metrics for placing it: negative margins turned into positive ones that the item
// reaches into (Shift: how far it is placed left or up).
struct TItemMetrics
{
    int Width = 0;
    int Height = 0;
    int Ascent = 0;
    QMargins Margins;
    int ShiftX = 0;
    int ShiftY = 0;
};

TItemMetrics LayoutMetrics(const TTitleItem& item)
{
    TItemMetrics m;
    m.Width = item.Width;
    m.Height = item.Height;
    m.Ascent = item.Ascent;
    m.Margins = item.Margins;
    if (m.Margins.left() < 0) {
        const int k = -m.Margins.left();
        m.Margins.setLeft(k);
        m.Width -= k;
        m.ShiftX = k;
    }
    if (m.Margins.right() < 0) {
        const int k = -m.Margins.right();
        m.Margins.setRight(k);
        m.Width -= k;
    }
    if (m.Margins.top() < 0) {
        const int k = -m.Margins.top();
        m.Margins.setTop(k);
        m.Height -= k;
        m.Ascent -= k;
        m.ShiftY = k;
    }
    if (m.Margins.bottom() < 0) {
        const int k = -m.Margins.bottom();
        m.Margins.setBottom(k);
        m.Height -= k;
        m.Ascent -= k;
    }
    return m;
}

// The vertical offset of an item in its row, for the row's margins.
int RowOffset(const TTitleItem& item, const TItemMetrics& m, int rowAscent, int rowHeight)
{
    const int h = m.Height;
    if (h >= rowAscent)
        return 0;
    const int d = rowAscent - h;
    switch (item.Kind) {
    case tikText:
        return std::min(d, 1) + d / 2;
    case tikExpandButton:
    case tikElement:
        return item.Align == tiaCentre ? d / 2 : item.Align == tiaBottom ? rowHeight - h : 0;
    case tikContent:
        return 0;
    default:
        return d / 2;
    }
}

// Sets bit 1 of a titled element's layout lock for its lifetime and clears it on every way out
// (the bit is cleared, not restored: the lock does not nest).
class TTitleLayoutLock
{
public:
    explicit TTitleLayoutLock(uint8_t& lock) : FLock(lock) { FLock |= 1; }
    ~TTitleLayoutLock() { FLock &= ~uint8_t(1); }
    TTitleLayoutLock(const TTitleLayoutLock&) = delete;
    TTitleLayoutLock& operator=(const TTitleLayoutLock&) = delete;

private:
    uint8_t& FLock;
};

} // namespace

// TTitleWriter

TTitleWriter::TTitleWriter(TCustomTitledElement* owner, bool painting) : FOwner(owner), FPainting(painting) {}

TTitleItem& TTitleWriter::Append(uint8_t kind)
{
    // Titles are short: the array grows by ten items at a time.
    if (FItems.size() == FItems.capacity())
        FItems.reserve(FItems.capacity() + 10);
    FItems.append(TTitleItem());
    TTitleItem& item = FItems.last();
    item.Kind = kind;
    return item;
}

TTitleItem& TTitleWriter::Measured(int index)
{
    TTitleItem& item = FItems[index];
    if (!item.Measured) {
        Measure(item);
        item.Measured = true;
    }
    return item;
}

bool TTitleWriter::Contains(const TVisualElement* element) const
{
    for (const TTitleItem& item : FItems) {
        if (item.Element == element && element != nullptr)
            return true;
    }
    return false;
}

void TTitleWriter::AddText(const QString& text)
{
    Append(tikText).Text = text;
}

void TTitleWriter::AddExpandButton(TExpandButton* button)
{
    TTitleItem& item = Append(tikExpandButton);
    item.Element = button;
    item.Align = tiaCentre;
}

void TTitleWriter::AddContent(TVisualElement* container)
{
    TTitleItem& item = Append(tikContent);
    item.Element = container;
    item.EndsRow = true;
}

void TTitleWriter::AddElement(TVisualElement* element, uint8_t align)
{
    TTitleItem& item = Append(tikElement);
    item.Element = element;
    item.Align = align;
}

void TTitleWriter::AddGap(int width)
{
    Append(tikGap).Value = width;
}

void TTitleWriter::AddSmallImage(int index)
{
    Append(tikSmallImage).Value = index;
}

void TTitleWriter::AddLargeImage(int index)
{
    Append(tikLargeImage).Value = index;
}

void TTitleWriter::AddLine()
{
    Append(tikLine).EndsRow = true;
}

void TTitleWriter::EndRow()
{
    if (!FItems.isEmpty())
        FItems.last().EndsRow = true;
}

void TTitleWriter::Measure(TTitleItem& item)
{
    TCanvas* canvas = SheetCanvas(FOwner);
    const int stoneHeight = canvas != nullptr ? canvas->ThemeTextHeight(stfStone) : 0;
    auto elementAscent = [](TVisualElement* element, int height) {
        int firstLine = 0;
        if (element->SendMessage(tmFirstLineHeightQuery, nullptr, &firstLine) && firstLine > 0)
            return firstLine;
        return height;
    };
    auto imageMargins = [canvas](TSheetThemeImage image) {
        return canvas != nullptr ? canvas->Theme().Image(image).Margins : QMargins();
    };
    switch (item.Kind) {
    case tikText:
        item.Width = canvas != nullptr ? canvas->ThemeTextWidth(stfStone, item.Text) : 0;
        item.Height = stoneHeight;
        item.Ascent = item.Height;
        item.Margins = canvas != nullptr ? canvas->Theme().ElementInset() : QMargins();
        break;
    case tikExpandButton:
        item.Width = item.Element->Width();
        item.Height = std::max(item.Element->Height(), stoneHeight);
        item.Ascent = item.Height;
        item.Margins = item.Element->GetMargins();
        break;
    case tikContent: {
        auto* container = dynamic_cast<ITitledElementContainer*>(item.Element);
        if (!FPainting && container != nullptr) {
            container->GetNaturalSize(item.Width, item.Height);
        } else {
            item.Width = item.Element->Width();
            item.Height = item.Element->Height();
        }
        item.Ascent = elementAscent(item.Element, item.Height);
        item.Margins = item.Element->GetMargins();
        break;
    }
    case tikElement:
        item.Width = item.Element->Width();
        item.Height = item.Element->Height();
        item.Ascent = elementAscent(item.Element, item.Height);
        item.Margins = item.Element->GetMargins();
        break;
    case tikGap:
        item.Width = item.Value;
        item.Height = 0;
        item.Ascent = 0;
        break;
    case tikCharImage:
        item.Width = CharImages().Width();
        item.Height = CharImages().Height();
        item.Ascent = item.Height;
        item.Margins = imageMargins(stiChar);
        break;
    case tikSmallImage:
        item.Width = SmallImages().Width();
        item.Height = SmallImages().Height();
        item.Ascent = item.Height;
        item.Margins = imageMargins(stiSmall);
        break;
    case tikLargeImage:
        item.Width = LargeImages().Width();
        item.Height = LargeImages().Height();
        item.Ascent = item.Height;
        item.Margins = imageMargins(stiLarge);
        break;
    case tikLine:
        item.Width = 0;
        item.Height = canvas != nullptr ? canvas->Theme().Element(steLine).Cut.height() : 0;
        item.Ascent = item.Height;
        item.Margins = canvas != nullptr ? canvas->Theme().Element(steLine).Margins : QMargins();
        break;
    default:
        break;
    }
}

// TCustomTitledElement

TCustomTitledElement::TCustomTitledElement(TScheme* scheme) : TCustomDescribedElement(scheme) {}

void TCustomTitledElement::SetTitleFlags(uint8_t value)
{
    if (value == FTitleFlags)
        return;
    FTitleFlags = value;
    LayoutTitle();
    Invalidate();
}

void TCustomTitledElement::BuildTitle(TTitleWriter&) {}

void TCustomTitledElement::ExpandChanged(TExpandButton*)
{
    LayoutTitle();
}

TVisualElement* TCustomTitledElement::ContentContainer()
{
    return nullptr;
}

void TCustomTitledElement::GetMinSize(int& width, int& height)
{
    width = 0;
    height = 0;
}

void TCustomTitledElement::DrawFrame(TCanvas*, int, const QRect&) {}

QSize TCustomTitledElement::PlaceTitle(TTitleWriter& writer, const QSize* target, int extra,
                                       QList<TPlacedItem>* placed)
{
    const QMargins padding = GetPadding();
    TVisualElement* contentContainer = ContentContainer();
    int naturalWidth = 0;
    int y = 0;
    int previousBottom = padding.top();
    int first = 0;
    while (first < writer.Count()) {
        int last = first;
        while (last < writer.Count() - 1 && !writer.Item(last).EndsRow)
            ++last;
        // Row metrics.
        QList<TItemMetrics> metrics;
        int rowHeight = 0;
        int rowAscent = 0;
        for (int i = first; i <= last; ++i) {
            metrics.append(LayoutMetrics(writer.Measured(i)));
            rowHeight = std::max(rowHeight, metrics.last().Height);
            rowAscent = std::max(rowAscent, metrics.last().Ascent);
        }
        int rowTop = 0;
        int rowBottom = 0;
        for (int i = first; i <= last; ++i) {
            const TItemMetrics& m = metrics[i - first];
            const int o = RowOffset(writer.Item(i), m, rowAscent, rowHeight);
            rowTop = std::max(rowTop, m.Margins.top() - o);
            rowBottom = std::max(rowBottom, m.Height + o + m.Margins.bottom() - rowHeight);
        }
        y += Collapse(previousBottom, rowTop);
        int x = 0;
        int previousRight = padding.left();
        int grown = 0;
        for (int i = first; i <= last; ++i) {
            const TTitleItem& item = writer.Item(i);
            const TItemMetrics& m = metrics[i - first];
            x += Collapse(previousRight, m.Margins.left());
            if (placed != nullptr) {
                TPlacedItem place;
                place.Index = i;
                place.RowAscent = rowAscent;
                const int left = x - m.ShiftX;
                const int top = y - m.ShiftY;
                const int d = std::max(0, rowAscent - m.Height);
                switch (item.Kind) {
                case tikExpandButton:
                case tikElement: {
                    const int offset = item.Align == tiaCentre ? d / 2 : item.Align == tiaBottom ? d : 0;
                    place.Rect = QRect(left, top + offset, item.Width, item.Height);
                    break;
                }
                case tikContent: {
                    int height = item.Height;
                    if (item.Element == contentContainer && extra > 0) {
                        height += extra;
                        grown = std::max(grown, extra);
                    }
                    const int right = target != nullptr
                                          ? target->width() - Collapse(item.Margins.right(), padding.right())
                                          : left + item.Width;
                    place.Rect = QRect(left, top, std::max(0, right - left), height);
                    break;
                }
                default:
                    place.Rect = QRect(left, top + d / 2, item.Width, item.Height);
                    break;
                }
                placed->append(place);
            }
            x += m.Width;
            previousRight = m.Margins.right();
        }
        naturalWidth = std::max(naturalWidth, x + Collapse(previousRight, padding.right()));
        y += rowHeight + grown;
        previousBottom = rowBottom;
        first = last + 1;
    }
    return QSize(naturalWidth, y + Collapse(previousBottom, padding.bottom()));
}

void TCustomTitledElement::LayoutTitle()
{
    if (Sheet() == nullptr || (FLayoutLock & 1) != 0 || IsDestroying() || !IsShown())
        return;
    TUpdateGuard<IElementSheet> guard(Sheet());
    TTitleWriter writer(this);
    BuildTitle(writer);
    TTitleLayoutLock lock(FLayoutLock);

    FContained.clear();
    for (TVisualElement* child = FirstVisualChild(); child != nullptr; child = child->NextVisual()) {
        if (writer.Contains(child))
            FContained.append(child);
    }
    UpdateChildrenShown();

    const QSize natural = PlaceTitle(writer, nullptr, 0, nullptr);
    int minWidth = 0;
    int minHeight = 0;
    GetMinSize(minWidth, minHeight);
    const QSize size(std::max(natural.width(), minWidth), std::max(natural.height(), minHeight));
    QList<TPlacedItem> placed;
    PlaceTitle(writer, &size, std::max(0, minHeight - natural.height()), &placed);
    for (const TPlacedItem& place : placed) {
        const TTitleItem& item = writer.Item(place.Index);
        if (item.Element == nullptr)
            continue;
        if (item.Kind == tikContent) {
            auto* container = dynamic_cast<ITitledElementContainer*>(item.Element);
            const int descent = container != nullptr ? container->GetDescent() : item.Element->Descent();
            item.Element->SetBounds(place.Rect.left(), place.Rect.top(), descent, place.Rect.height(),
                                    place.Rect.width());
        } else if (item.Kind == tikExpandButton || item.Kind == tikElement) {
            item.Element->SetBounds(place.Rect.left(), place.Rect.top(), item.Element->Descent(),
                                    item.Element->Height(), item.Element->Width());
        }
    }

    // The descent: the default text's below the bottom padding, or the first shown child's when
    // that reaches lower.
    const QMargins padding = GetPadding();
    TTextAttributes* attributes = nullptr;
    if (TSheetSettings* settings = TextorSheetSettings())
        attributes = settings->FontAttributes(stfValue);
    if (attributes == nullptr)
        attributes = TRichTextAttributes::Default();
    int descent = attributes->Descent() + padding.bottom();
    for (TVisualElement* child = FirstVisualChild(); child != nullptr; child = child->NextVisual()) {
        if (child->IsShown()) {
            descent = std::max(descent,
                               Collapse(padding.bottom(), child->GetMargins().bottom()) + child->Descent());
            break;
        }
    }
    SetBounds(Left(), Top(), descent, size.height(), size.width());
}

void TCustomTitledElement::Paint(TCanvas* canvas)
{
    DrawFrame(canvas, 0, GetClientRect());
    TTitleWriter writer(this, true);
    BuildTitle(writer);
    QList<TPlacedItem> placed;
    const QSize size(Width(), Height());
    PlaceTitle(writer, &size, 0, &placed);
    const QMargins padding = GetPadding();
    TSheetTheme& theme = canvas->Theme();
    for (const TPlacedItem& place : placed) {
        const TTitleItem& item = writer.Item(place.Index);
        switch (item.Kind) {
        case tikText:
            canvas->DrawThemeText(stfStone, place.Rect.left(), place.Rect.top(), theme.Font(stfStone).Color,
                                  item.Text);
            break;
        case tikCharImage:
        case tikSmallImage:
        case tikLargeImage: {
            TSchemeImages& images = item.Kind == tikCharImage    ? CharImages()
                                    : item.Kind == tikSmallImage ? SmallImages()
                                                                 : LargeImages();
            const QImage image = images.Image(item.Value, canvas->DevicePixelRatio());
            if (!image.isNull())
                canvas->DrawImage(image, images.Width(), place.Rect.left(), place.Rect.top(), 0);
            break;
        }
        case tikLine:
            canvas->DrawThemeFrame(
                steLine, QRect(QPoint(place.Rect.left(), place.Rect.top()),
                               QPoint(Width() - padding.right() - 1, place.Rect.top() + item.Height - 1)));
            break;
        default:
            break;
        }
    }
}

void TCustomTitledElement::GetAvailableSize(TVisualElement* child, QSize& size)
{
    size = OfferedByParent();
    if (child == nullptr)
        return;
    const QMargins padding = GetPadding();
    const QMargins margins = child->GetMargins();
    size.setWidth(std::max(0, size.width() - std::max(padding.left(), margins.left()) -
                                  std::max(padding.right(), margins.right())));
    size.setHeight(std::max(0, size.height() - std::max(padding.top(), margins.top()) -
                                   std::max(padding.bottom(), margins.bottom())));
    if (size.width() >= maxAvailableExtent)
        return;
    // An element standing in a title row is offered what the items before it leave of the row, so
    // that a field after a caption wraps inside a narrow window. The items before it are texts, gaps,
    // pictures and elements at their present size: nothing here lays anything out.
    TTitleWriter writer(this);
    BuildTitle(writer);
    int used = 0;
    for (int i = 0; i < writer.Count(); ++i) {
        if (writer.Item(i).Element == child) {
            if (writer.Item(i).Kind == tikElement)
                size.setWidth(std::max(0, size.width() - used));
            return;
        }
        if (writer.Item(i).EndsRow || writer.Item(i).Kind == tikContent) {
            used = 0;
            continue;
        }
        const TTitleItem& item = writer.Measured(i);
        used += item.Width + std::max(0, item.Margins.left()) + std::max(0, item.Margins.right());
    }
}

void TCustomTitledElement::ShowChild(TVisualElement* child)
{
    inherited::ShowChild(child);
    for (TVisualElement* e = FirstVisualChild(); e != nullptr; e = e->NextVisual()) {
        auto* button = dynamic_cast<TExpandButton*>(e);
        if (button == nullptr || !button->Controls(child))
            continue;
        if (!button->Expanded())
            button->SetExpandedUndoable(true);
        if (!button->IsShown())
            ShowChild(button);
        break;
    }
}

void TCustomTitledElement::UpdateExpandButtons(TElement* controlled)
{
    for (TVisualElement* e = FirstVisualChild(); e != nullptr; e = e->NextVisual()) {
        auto* button = dynamic_cast<TExpandButton*>(e);
        if (button != nullptr && (controlled == nullptr || button->Controls(controlled)))
            button->Update();
    }
}

bool TCustomTitledElement::ChildVisualMessage(TVisualElement* child, int msg, void* param, void* data)
{
    switch (msg) {
    case tmFilledChanged:
    case tmFirstLineHeightChanged:
        LayoutTitle();
        break;
    case tmDefaultChanged:
        UpdateExpandButtons(child);
        break;
    case tmExpandChanged:
        if (auto* button = dynamic_cast<TExpandButton*>(child))
            ExpandChanged(button);
        break;
    default:
        break;
    }
    return inherited::ChildVisualMessage(child, msg, param, data);
}

bool TCustomTitledElement::HandleMessage(int msg, void* param, void* data)
{
    // A text field tells its parent element directly that its first line changed.
    if (msg == tmFirstLineHeightChanged && param != nullptr) {
        auto* child = static_cast<TVisualElement*>(param);
        if (child->VisualParent() == this)
            LayoutTitle();
    }
    return inherited::HandleMessage(msg, param, data);
}

void TCustomTitledElement::ChildBoundsChanged(TVisualElement* child, const QRect& oldBounds, int oldDescent)
{
    inherited::ChildBoundsChanged(child, oldBounds, oldDescent);
    if (!child->IsShown())
        return;
    bool firstShown = false;
    for (TVisualElement* e = FirstVisualChild(); e != nullptr; e = e->NextVisual()) {
        if (e->IsShown()) {
            firstShown = e == child;
            break;
        }
    }
    if (oldBounds.width() != child->Width() || oldBounds.height() != child->Height() ||
        (oldDescent != child->Descent() && firstShown))
        LayoutTitle();
}

void TCustomTitledElement::ChildShownChanged(TVisualElement* child)
{
    inherited::ChildShownChanged(child);
    LayoutTitle();
}

void TCustomTitledElement::ShownChanged()
{
    inherited::ShownChanged();
    LayoutTitle();
}

void TCustomTitledElement::FocusChanged()
{
    inherited::FocusChanged();
    Invalidate();
}

void TCustomTitledElement::GetCaret(int& kind, QRect& rect)
{
    kind = 1;
    rect = GetClientRect();
}

void TCustomTitledElement::Relayout(bool all, bool force)
{
    {
        TTitleLayoutLock lock(FLayoutLock);
        inherited::Relayout(all, force);
    }
    // The element cannot tell a new sheet, new settings and a new page width apart: each of them
    // lays out the whole tree, and each lays the title out again.
    if (all && Sheet() != nullptr) {
        UpdateExpandButtons(nullptr);
        LayoutTitle();
    }
}

bool TCustomTitledElement::IsChildVisible(TVisualElement* child)
{
    if ((FLayoutLock & 1) != 0)
        return FContained.contains(child);
    return inherited::IsChildVisible(child);
}

void TCustomTitledElement::RemoveVisualChild(TVisualElement* child)
{
    FContained.removeAll(child);
    inherited::RemoveVisualChild(child);
}

void TCustomTitledElement::ActivateFirstField()
{
    TVisualElement* target = nullptr;
    if (!FindFocusTarget(true, true, false, target))
        return;
    TVisualElement* field = target;
    while (field != nullptr && dynamic_cast<TExpandButton*>(field) != nullptr) {
        TVisualElement* next = field->FindNextFocusTarget(true, true, false);
        // Only targets inside this element count.
        TVisualElement* parent = next;
        while (parent != nullptr && parent != this)
            parent = parent->GetNavigationParent();
        field = parent == this ? next : nullptr;
    }
    (field != nullptr ? field : target)->SetFocus();
}

void TCustomTitledElement::Activate()
{
    ActivateFirstField();
}

// TTitledElement

TTitledElement::TTitledElement(TScheme* scheme) : TCustomTitledElement(scheme)
{
    SetVisualOptions(VisualOptions() | voCanDisable);
}

void TTitledElement::CreateExpandButton(bool defaultExpanded)
{
    if (FExpandButton != nullptr)
        return;
    FExpandButton = TExpandButton::Create(this, defaultExpanded, static_cast<TElement*>(FirstChild()), this,
                                          FirstVisualChild());
    if (TVisualElement* container = ContentContainer())
        FExpandButton->AddControlled(container);
}

bool TTitledElement::IsExpanded() const
{
    return FExpandButton == nullptr || FExpandButton->Expanded();
}

void TTitledElement::SetExpandedUndoable(bool value)
{
    if (FExpandButton != nullptr)
        FExpandButton->SetExpandedUndoable(value);
}

TSheetThemeElement TTitledElement::FrameElement()
{
    if ((TitleFlags() & tfCommandFrame) != 0)
        return steElementCommand;
    if ((TitleFlags() & tfTechnicalFrame) != 0)
        return steElementTechnical;
    if ((TitleFlags() & tfExpressionFrame) != 0)
        return steElementExpression;
    return steElement;
}

void TTitledElement::BuildTitle(TTitleWriter& writer)
{
    if (FExpandButton != nullptr)
        writer.AddExpandButton(FExpandButton);
}

void TTitledElement::ExpandChanged(TExpandButton* button)
{
    inherited::ExpandChanged(button);
    // The sheet scrolls only to the caret: the element comes into view when the focus is on it or
    // on its button.
    IElementSheet* sheet = Sheet();
    if (button == FExpandButton && sheet != nullptr &&
        (sheet->FocusedElement() == this || sheet->FocusedElement() == button))
        sheet->RequestCaretVisible();
}

void TTitledElement::GetMinSize(int& width, int& height)
{
    TCanvas* canvas = SheetCanvas(this);
    if (canvas == nullptr) {
        inherited::GetMinSize(width, height);
        return;
    }
    const QMargins zone = canvas->Theme().Element(FrameElement()).Zone;
    width = zone.left() + zone.right();
    height = zone.top() + zone.bottom();
}

QMargins TTitledElement::GetPadding()
{
    TCanvas* canvas = SheetCanvas(this);
    return canvas != nullptr ? canvas->Theme().Element(FrameElement()).Padding : inherited::GetPadding();
}

void TTitledElement::DrawFrame(TCanvas* canvas, int, const QRect& rect)
{
    canvas->DrawThemeFrame(FrameElement(), rect);
}

QString TTitledElement::GetPartKnotName(TElement* part, uint8_t filerMode)
{
    if (part != nullptr && part == FExpandButton)
        return QStringLiteral("Expanded");
    return inherited::GetPartKnotName(part, filerMode);
}

void TTitledElement::GetPaletteItems(QList<TPaletteItem*>& list)
{
    inherited::GetPaletteItems(list);
    if (FExpandButton != nullptr)
        list.append(CollapsedPaletteItem());
}

void TTitledElement::GetPaletteItemState(TPaletteItem* item, TPaletteItemState& state)
{
    inherited::GetPaletteItemState(item, state);
    if (item != nullptr && item == CollapsedPaletteItem())
        state.Checked = !IsExpanded();
}

bool TTitledElement::ExecutePaletteItem(TPaletteItem* item, bool value)
{
    if (item == nullptr || item != CollapsedPaletteItem())
        return inherited::ExecutePaletteItem(item, value);
    if (FExpandButton == nullptr)
        return false;
    if (value != !IsExpanded())
        SetExpandedUndoable(!value);
    return true;
}

// TTitledElementWithContent

TTitledElementWithContent::TTitledElementWithContent(TScheme* scheme)
    : TTitledElementWithContent(scheme, ContentContainerClass())
{}

TTitledElementWithContent::TTitledElementWithContent(TScheme* scheme, const TElementClass* containerClass)
    : TTitledElement(scheme)
{
    if (containerClass == nullptr || !containerClass->InheritsFrom(TVisualElement::StaticClass()))
        containerClass = TTitledTextContainer::StaticClass();
    FContainer = static_cast<TVisualElement*>(CreatePart(containerClass, this));
    FContainer->SetVisualParent(this);
}

const TElementClass* TTitledElementWithContent::ContentContainerClass()
{
    return TTitledTextContainer::StaticClass();
}

TVisualElement* TTitledElementWithContent::ContentContainer()
{
    return FContainer;
}

QString TTitledElementWithContent::GetPartKnotName(TElement* part, uint8_t filerMode)
{
    if (part != nullptr && part == FContainer)
        return QStringLiteral("Content");
    return inherited::GetPartKnotName(part, filerMode);
}

void TTitledElementWithContent::Activate()
{
    if (FContainer != nullptr && FContainer->HasVisualOption(voFocusTarget)) {
        FContainer->SetFocus();
        return;
    }
    inherited::Activate();
}

// TTitledTextContainer

TTitledTextContainer::TTitledTextContainer(TScheme* scheme) : TTextorElement(scheme)
{
    SetBehaviourOptions(BehaviourOptions() | tboContainerFrame);
}

void TTitledTextContainer::GetNaturalSize(int& width, int& height)
{
    width = FNaturalWidth;
    height = FNaturalHeight;
}

int TTitledTextContainer::GetDescent()
{
    return FDescent;
}

void TTitledTextContainer::UpdateSize()
{
    auto* titled = dynamic_cast<TCustomTitledElement*>(VisualParent());
    if (titled == nullptr) {
        inherited::UpdateSize();
        return;
    }
    if (Sheet() == nullptr || Textor()->LockCount() > 0)
        return;
    Invalidate();
    const QSize size = ContentExtent(FDescent);
    const int width = size.width();
    const int height = size.height();
    if (width == FNaturalWidth && height == FNaturalHeight)
        return;
    FNaturalWidth = width;
    FNaturalHeight = height;
    // The titled element sets the container's bounds.
    titled->LayoutTitle();
}

QMargins TTitledTextContainer::GetMargins()
{
    TCanvas* canvas = SheetCanvas(this);
    return canvas != nullptr ? canvas->Theme().Element(steContainer).Margins : inherited::GetMargins();
}

// TCollapsedPaletteItem

void TCollapsedPaletteItem::GetSound(bool value, QString& name)
{
    name =
        value ? QStringLiteral("diExpandButtonCollapseSound") : QStringLiteral("diExpandButtonExpandSound");
}

TCollapsedPaletteItem* CollapsedPaletteItem()
{
    static TCollapsedPaletteItem* const item = [] {
        auto* result =
            new TCollapsedPaletteItem(Palette().StateGroup(), piLarge | piCheck,
                                      StripImage(LargeImages(), QStringLiteral("diTitledLargeImages"), 0),
                                      QV_STR(2493), QV_STR(2492), 20);
        result->SetLetters(QStringLiteral("E"));
        return result;
    }();
    return item;
}

} // namespace qv
