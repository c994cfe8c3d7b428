#include "elements/drop_down_list.h"

#include "core/colors.h"
#include "elements/element_sheet.h"
#include "elements/scheme_images.h"
#include "elements/sounds_settings.h"
#include "textor/canvas.h"

#include <algorithm>

namespace qv {

QV_IMPLEMENT_CLASS(TDropDownItem)

namespace {

// Plain grey, for disabled entries.
constexpr TColor clDisabledGrey = 0x808080;
// The column of the expander icon, after the indent.
constexpr int expanderWidth = 24;

void CollectVisible(TDropDownItem* parent, QList<TDropDownItem*>& list)
{
    for (TDropDownItem* item = parent->FirstItem(); item != nullptr; item = item->NextItem()) {
        list.append(item);
        if (item->Expanded())
            CollectVisible(item, list);
    }
}

} // namespace

// TDropDownItem

int TDropDownItem::Depth() const
{
    int depth = 0;
    for (TDropDownItem* parent = ParentItem(); parent != nullptr && parent->ParentItem() != nullptr;
         parent = parent->ParentItem())
        ++depth;
    return depth;
}

void TDropDownItem::DrawImage(TCanvas* canvas, const QRect& row, int& x)
{
    if (FImageIndex < 0)
        return;
    TSchemeImages& images = CharImages();
    const QImage image = images.Image(FImageIndex, canvas->DevicePixelRatio());
    if (!image.isNull())
        canvas->DrawImage(image, images.Width(), x, row.top() + (row.height() - images.Height()) / 2, 0);
    x += images.Width() + 6;
}

void TDropDownItem::Paint(TCanvas* canvas, const QRect& row, bool selected)
{
    const int indent = Indent();
    const bool highlighted = selected && FSelectable;
    const TColor rest = highlighted ? clHighlight : clWindow;
    if (HasSubItems()) {
        canvas->FillRect(QRect(row.left(), row.top(), indent + expanderWidth, row.height()),
                         selected ? clHighlight : clWindow);
        canvas->FillRect(QRect(row.left() + indent + expanderWidth, row.top(),
                               std::max(0, row.width() - indent - expanderWidth), row.height()),
                         rest);
        const int expander =
            StripImage(CharImages(), QStringLiteral("diClassesCharImages"), FExpanded ? 1 : 0);
        if (expander >= 0) {
            TSchemeImages& images = CharImages();
            canvas->DrawImage(images.Image(expander, canvas->DevicePixelRatio()), images.Width(),
                              row.left() + indent + (expanderWidth - images.Width()) / 2,
                              row.top() + (row.height() - images.Height()) / 2, 0);
        }
    } else {
        canvas->FillRect(row, rest);
    }
    int x = row.left() + indent + expanderWidth;
    DrawImage(canvas, row, x);
    const int textHeight = canvas->ThemeTextHeight(stfValue);
    const int y = row.top() + (row.height() - textHeight) / 2;
    const TColor textColor = !FEnabled ? clDisabledGrey : highlighted ? clHighlightText : clWindowText;
    canvas->DrawThemeText(stfValue, x, y, textColor, ShownText());
    if (!FComment.isEmpty()) {
        const TColor commentColor = !FEnabled ? clDisabledGrey : highlighted ? clHighlightText : clGrayText;
        const int width = canvas->ThemeTextWidth(stfValue, FComment);
        canvas->DrawThemeText(stfValue, row.right() + 1 - 8 - width, y, commentColor, FComment);
    }
}

TDropDownItem* TDropDownItem::AddItem(TDropDownItem* parent, const TMetaClass* cls)
{
    TNodePtr<TNode> node;
    if (cls != nullptr && cls->InheritsFrom(StaticClass()))
        node = cls->CreateNode();
    if (node == nullptr)
        node.reset(new TDropDownItem());
    node->SetParent(parent);
    // The parent owns it now.
    return static_cast<TDropDownItem*>(node.release());
}

TDropDownItem* TDropDownItem::AddItem(TDropDownItem* parent, const TMetaClass* cls, int32_t imageIndex,
                                      const QString& caption, int32_t elementID, const QString& value)
{
    TDropDownItem* item = AddItem(parent, cls);
    item->FImageIndex = imageIndex;
    item->FCaption = caption;
    item->FElementID = elementID;
    item->FValue = value;
    return item;
}

// TDropDownList

TDropDownList::TDropDownList(IElementSheet* sheet) : FSheet(sheet), FRoot(new TDropDownItem()) {}

TDropDownList::~TDropDownList() = default;

void TDropDownList::SetCurrent(TDropDownItem* item)
{
    FCurrent = item;
    bool expanded = false;
    for (TDropDownItem* parent = item != nullptr ? item->ParentItem() : nullptr;
         parent != nullptr && parent != FRoot.get(); parent = parent->ParentItem()) {
        if (!parent->Expanded()) {
            SetItemExpanded(parent, true);
            expanded = true;
        }
    }
    if (!expanded && FShown && FUpdateCount == 0)
        EntriesChanged();
}

void TDropDownList::ToggleCurrent()
{
    if (FCurrent == nullptr)
        return;
    SetItemExpanded(FCurrent, !FCurrent->Expanded());
    PlaySchemeSound(QStringLiteral("diClassesDropDownSound"));
}

void TDropDownList::SetItemExpanded(TDropDownItem* item, bool value)
{
    if (item == nullptr || item == FRoot.get())
        return;
    item->SetExpanded(value);
    if (value) {
        for (TNode* sibling = item->Parent()->FirstChild(); sibling != nullptr;
             sibling = sibling->NextSibling()) {
            if (sibling != item)
                static_cast<TDropDownItem*>(sibling)->SetExpanded(false);
        }
    }
    // A collapsed branch cannot hold the current entry.
    if (FCurrent != nullptr && FCurrent != item && item->IsAncestorOf(FCurrent) && !value)
        FCurrent = item;
    UpdateWidth();
    if (FShown && FUpdateCount == 0)
        EntriesChanged();
}

int TDropDownList::ItemWidth(TDropDownItem* item)
{
    TCanvas* canvas = FSheet != nullptr ? FSheet->Canvas() : nullptr;
    const QString text = item->ShownText() + item->Comment();
    int width = item->Indent() + (canvas != nullptr ? canvas->ThemeTextWidth(stfValue, text) : 0) + 38;
    if (!item->Comment().isEmpty())
        width += 6;
    if (item->ImageIndex() >= 0)
        width += CharImages().Width() + 6;
    return width;
}

void TDropDownList::UpdateWidth()
{
    int width = 0;
    for (TDropDownItem* item : VisibleItems())
        width = std::max(width, ItemWidth(item));
    FWidth = width;
}

QList<TDropDownItem*> TDropDownList::VisibleItems() const
{
    QList<TDropDownItem*> list;
    CollectVisible(FRoot.get(), list);
    return list;
}

void TDropDownList::MoveCurrent(int delta)
{
    const QList<TDropDownItem*> items = VisibleItems();
    if (items.isEmpty())
        return;
    const int index = FCurrent != nullptr ? int(items.indexOf(FCurrent)) : -1;
    const int target = index < 0 ? (delta >= 0 ? 0 : int(items.size()) - 1)
                                 : std::clamp(index + delta, 0, int(items.size()) - 1);
    SetCurrent(items[target]);
}

TDropDownItem* TDropDownList::ItemAtY(int y) const
{
    if (y < 0 || FItemHeight <= 0)
        return nullptr;
    const QList<TDropDownItem*> items = VisibleItems();
    const int row = y / FItemHeight;
    return row < items.size() ? items[row] : nullptr;
}

QSize TDropDownList::ListSize() const
{
    return QSize(FWidth, int(VisibleItems().size()) * FItemHeight);
}

void TDropDownList::PaintList(TCanvas* canvas)
{
    int y = 0;
    for (TDropDownItem* item : VisibleItems()) {
        item->Paint(canvas, QRect(0, y, FWidth, FItemHeight), item == FCurrent);
        y += FItemHeight;
    }
}

void TDropDownList::MouseMoveAt(const QPoint& point)
{
    if (!FMouseMoved) {
        FMouseMoved = true;
        return;
    }
    if (point.x() < 0 || point.x() >= FWidth)
        return;
    if (TDropDownItem* item = ItemAtY(point.y()); item != nullptr && item != FCurrent)
        SetCurrent(item);
}

bool TDropDownList::MouseReleaseAt(const QPoint& point)
{
    TDropDownItem* item = ItemAtY(point.y());
    if (item != nullptr && item->HasSubItems() && point.x() >= 0 &&
        point.x() < item->Indent() + expanderWidth) {
        FCurrent = item;
        ToggleCurrent();
        return true;
    }
    if (FCurrent == nullptr || !FCurrent->Selectable() || FSheet == nullptr)
        return true;
    const bool inside = QRect(QPoint(0, 0), ListSize()).contains(point);
    // Closing frees the list.
    FSheet->CloseDropDown(inside);
    return false;
}

void TDropDownList::KeyDown(int& key, int pageRows)
{
    const int page = std::max(1, pageRows);
    switch (key) {
    case Qt::Key_Up:
        MoveCurrent(-1);
        break;
    case Qt::Key_Down:
        MoveCurrent(1);
        break;
    case Qt::Key_PageUp:
        MoveCurrent(-page);
        break;
    case Qt::Key_PageDown:
        MoveCurrent(page);
        break;
    case Qt::Key_Home:
        MoveCurrent(-int(VisibleItems().size()));
        break;
    case Qt::Key_End:
        MoveCurrent(int(VisibleItems().size()));
        break;
    case Qt::Key_Left:
    case Qt::Key_Right:
        if (FCurrent != nullptr && FCurrent->HasSubItems() && FCurrent->Expanded() != (key == Qt::Key_Right))
            ToggleCurrent();
        break;
    default:
        return;
    }
    key = 0;
}

void TDropDownList::EndUpdate()
{
    if (FUpdateCount > 0 && --FUpdateCount == 0 && FShown)
        EntriesChanged();
}

bool TDropDownList::HasCurrentEntry() const
{
    return FCurrent != nullptr;
}

bool TDropDownList::CanChooseCurrentEntry() const
{
    return FCurrent != nullptr && FCurrent->Selectable();
}

bool TDropDownList::CurrentEntryHasSubEntries() const
{
    return FCurrent != nullptr && FCurrent->HasSubItems();
}

void TDropDownList::OpenSubEntries()
{
    ToggleCurrent();
}

void TDropDownList::ApplyChosenEntry()
{
    // Choosing runs once, however often a handler asks again.
    if (FReentrance > 0 || !FOnChoose)
        return;
    ++FReentrance;
    const TItfNotifyEvent handler = FOnChoose;
    FOnChoose = TItfNotifyEvent();
    handler(this, 0, reinterpret_cast<intptr_t>(FCurrent), 0);
    --FReentrance;
}

} // namespace qv
