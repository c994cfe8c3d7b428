#include "library/table_element.h"

#include "core/knot.h"
#include "core/strings.h"
#include "core/update_guard.h"
#include "core/user_interface.h"
#include "elements/classes_groups.h"
#include "elements/element_sheet.h"
#include "elements/find_data.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "elements/scheme_images.h"
#include "library/table_edit_operation.h"
#include "textor/canvas.h"
#include "textor/sheet_settings.h"
#include "textor/sheet_theme.h"
#include "textor/textor_portion.h"

#include <algorithm>

namespace qv {

QV_IMPLEMENT_CLASS(TTableCellElement)
QV_IMPLEMENT_CLASS(TCustomTableElement)
QV_IMPLEMENT_CLASS(TElement_Table)
QV_IMPLEMENT_CLASS(TTableLinePaletteItem)

namespace {

const QString& RowName()
{
    static const QString name = QStringLiteral("Row");
    return name;
}

const QString& CellName()
{
    static const QString name = QStringLiteral("Cell");
    return name;
}

const QString& ColumnsName()
{
    static const QString name = QStringLiteral("Columns");
    return name;
}

const QString& ColumnName()
{
    static const QString name = QStringLiteral("Column");
    return name;
}

const QString& FloatingName()
{
    static const QString name = QStringLiteral("Floating");
    return name;
}

const QString tableImagesStrip = QStringLiteral("diTableElementLargeImages");

// The children of `knot` named `name`, in order, marked as read.
std::vector<TKnot*> NamedChildren(TKnot* knot, const QString& name)
{
    std::vector<TKnot*> list;
    if (knot == nullptr)
        return list;
    for (TNode* node = knot->FirstChild(); node != nullptr; node = node->NextSibling()) {
        auto* child = static_cast<TKnot*>(node);
        if (child->Name() == name) {
            child->SetRead(true);
            list.push_back(child);
        }
    }
    return list;
}

TElementPaletteItem* tableItem = nullptr;
TTableLinePaletteItem* columnItem = nullptr;
TTableLinePaletteItem* rowItem = nullptr;

} // namespace

// ---------------------------------------------------------------------------------------------------
// TTableCellElement

TTableCellElement::TTableCellElement(TScheme* scheme) : TTextorElement(scheme)
{
    SetBehaviourOptions(BehaviourOptions() | tboInPlace | tboMinWidth30);
}

TCustomTableElement* TTableCellElement::Table() const
{
    return dynamic_cast<TCustomTableElement*>(Parent());
}

TElement* TTableCellElement::EnclosingField()
{
    TCustomTableElement* table = Table();
    return table != nullptr ? table->ParentElement() : nullptr;
}

bool TTableCellElement::ContainsPoint(const QPoint& point)
{
    return BoundsRect().contains(point);
}

QMargins TTableCellElement::GetPadding()
{
    TSheetSettings* settings = SheetSettings();
    return settings != nullptr ? settings->SheetTheme().Element(steContainer).Padding : QMargins(2, 2, 2, 2);
}

void TTableCellElement::PaintFrame(TCanvas* canvas)
{
    canvas->DrawThemeFrame(steFrameSingle, GetClientRect());
}

void TTableCellElement::UpdateSize()
{
    TCustomTableElement* table = dynamic_cast<TCustomTableElement*>(VisualParent());
    if (table == nullptr) {
        inherited::UpdateSize();
        return;
    }
    if (Sheet() == nullptr || Textor()->LockCount() > 0)
        return;
    Invalidate();
    int descent = 0;
    const QSize size = ContentExtent(descent);
    if (size == FNaturalSize && descent == FNaturalDescent)
        return;
    const QSize old = FNaturalSize;
    FNaturalSize = size;
    FNaturalDescent = descent;
    table->CellSizeChanged(this, old);
}

void TTableCellElement::BoundsChanged(const QRect& oldBounds, int oldDescent)
{
    // Skips the text field's new layout on a width change: a cell wraps by what it is offered.
    TCustomDropDownElement::BoundsChanged(oldBounds, oldDescent);
}

void TTableCellElement::KeyDown(int& key, Qt::KeyboardModifiers shift)
{
    const bool horizontal = key == Qt::Key_Left || key == Qt::Key_Right;
    const bool vertical = key == Qt::Key_Up || key == Qt::Key_Down;
    const bool plain = (shift & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) == 0;
    TCustomTableElement* table = Table();
    if (table == nullptr || !plain || !IsFocused() || !(horizontal || vertical)) {
        inherited::KeyDown(key, shift);
        return;
    }
    const bool after = key == Qt::Key_Right || key == Qt::Key_Down;
    // The text keeps Left and Right at its edges; there they leave the cell.
    if (horizontal && Selection().Start == Selection().End) {
        const TTextorPosition edge = after ? Textor()->LastPosition() : Textor()->FirstPosition();
        if (Selection().End == Textor()->ToIndex(edge)) {
            table->FocusFromCell(this, true, after);
            key = 0;
            return;
        }
    }
    inherited::KeyDown(key, shift);
    if (vertical && key != 0 && IsFocused()) {
        table->FocusFromCell(this, false, after);
        key = 0;
    }
}

// ---------------------------------------------------------------------------------------------------
// TCustomTableElement

// Keeps the interactive alive while a call into it runs (a key may move the focus into a cell).
class TCustomTableElement::TInteractiveCall
{
public:
    explicit TInteractiveCall(TCustomTableElement* table) : FTable(table) { ++FTable->FInteractiveCalls; }
    ~TInteractiveCall()
    {
        if (--FTable->FInteractiveCalls == 0)
            FTable->FRetiredInteractive.reset();
    }
    TInteractiveCall(const TInteractiveCall&) = delete;
    TInteractiveCall& operator=(const TInteractiveCall&) = delete;

private:
    TCustomTableElement* FTable;
};

TCustomTableElement::TCustomTableElement(TScheme* scheme) : TVisualElement(scheme)
{
    SetOptions(Options() | eoTracked);
    SetVisualOptions(VisualOptions() | voFocusOnClick | voFocusTarget | voEditable | voSelectAll);
}

TCustomTableElement::~TCustomTableElement() = default;

void TCustomTableElement::BeforeDestruction()
{
    FreeInteractive();
    FRetiredInteractive.reset();
    inherited::BeforeDestruction();
    // Infos that are children go with the tree; the others are the table's alone.
    for (QList<TNode*>* list : {&FColumnInfos, &FRowInfos}) {
        for (TNode* info : *list) {
            if (info != nullptr && info->Parent() == nullptr)
                info->Free();
        }
        list->clear();
    }
    FCells.clear();
}

TVisualElement* TCustomTableElement::GetCell(int column, int row) const
{
    if (column < 0 || row < 0 || column >= ColumnCount() || row >= RowCount())
        return nullptr;
    const size_t index = size_t(column) + size_t(row) * size_t(ColumnCount());
    return index < FCells.size() ? FCells[index] : nullptr;
}

TNode* TCustomTableElement::CreateColumnInfo(int)
{
    return nullptr;
}

TNode* TCustomTableElement::CreateRowInfo(int)
{
    return nullptr;
}

int TCustomTableElement::GetColumnMinWidth(int)
{
    return 0;
}

int TCustomTableElement::GetRowMinHeight(int)
{
    return 0;
}

void TCustomTableElement::LoadColumnInfo(TNode*, TSchemeLoader*, TKnot*) {}

void TCustomTableElement::LoadRowInfo(TNode*, TSchemeLoader*, TKnot*) {}

void TCustomTableElement::SaveColumnInfo(TNode*, TSchemeSaver*, TKnot*) {}

void TCustomTableElement::SaveRowInfo(TNode*, TSchemeSaver*, TKnot*) {}

void TCustomTableElement::FreeInfo(TNode* info)
{
    if (info != nullptr)
        info->Free();
}

// --- Update bracket --------------------------------------------------------------------------------

void TCustomTableElement::BeginUpdate()
{
    ++FUpdateCount;
}

void TCustomTableElement::EndUpdate()
{
    if (FUpdateCount == 0 || --FUpdateCount > 0)
        return;
    const bool changed = std::exchange(FLinesChanged, false);
    if (FInteractive && (changed || FInteractive->HasPendingSelection())) {
        const TInteractiveCall call(this);
        FInteractive->ApplyPendingSelection();
        MarkCoveredCells();
    }
    if (changed)
        Changed();
    LayoutCells();
    if (Sheet() != nullptr) {
        Sheet()->UpdateCursor();
        if (IsFocused()) {
            Sheet()->UpdateCaret();
            Sheet()->RequestFocusedStateChanged();
        }
    }
}

// --- Lines -----------------------------------------------------------------------------------------

TTableLineRange TCustomTableElement::LoadLines(TSchemeLoader* loader, TKnot* knot, uint8_t direction,
                                               int index, bool withRowInfos, bool withColumnInfos)
{
    TUpdateGuard<TCustomTableElement> guard(this);
    const int oldColumns = ColumnCount();
    const int oldRows = RowCount();
    const bool empty = oldColumns == 0 || oldRows == 0;
    if (empty) {
        // A table without columns has no rows either, and the other way round.
        for (TNode* info : FColumnInfos)
            FreeInfo(info);
        for (TNode* info : FRowInfos)
            FreeInfo(info);
        FColumnInfos.clear();
        FRowInfos.clear();
        index = 0;
    }
    index = std::clamp(index, 0, LineCount(direction));
    const std::vector<TKnot*> rowKnots = NamedChildren(knot, RowName());

    int newColumns = 0;
    TKnot* columns = knot->FindKnot(ColumnsName());
    if (empty || direction == tdColumns) {
        if ((FTableFlags & tfColumnInfos) != 0 && withColumnInfos && columns != nullptr) {
            for (TKnot* column : NamedChildren(columns, ColumnName())) {
                TNode* info = CreateColumnInfo(index + newColumns);
                FColumnInfos.insert(index + newColumns, info);
                LoadColumnInfo(info, loader, column);
                ++newColumns;
            }
        } else {
            // Without column infos the first row tells the count; content without rows adds none.
            newColumns = rowKnots.empty() ? 0 : int(NamedChildren(rowKnots.front(), CellName()).size());
            for (int i = 0; i < newColumns; ++i)
                FColumnInfos.insert(index + i, CreateColumnInfo(index + i));
        }
    }
    if (columns != nullptr)
        columns->SetReadMarks(true); // a node the table has no use for is skipped

    int newRows = 0;
    if (empty || direction == tdRows) {
        for (TKnot* row : rowKnots) {
            TNode* info = CreateRowInfo(index + newRows);
            FRowInfos.insert(index + newRows, info);
            if ((FTableFlags & tfRowInfos) != 0 && withRowInfos)
                LoadRowInfo(info, loader, row);
            ++newRows;
        }
    }
    if (ColumnCount() == 0 || RowCount() == 0) {
        // Content that makes no cell leaves an empty table.
        for (TNode* info : FColumnInfos)
            FreeInfo(info);
        for (TNode* info : FRowInfos)
            FreeInfo(info);
        FColumnInfos.clear();
        FRowInfos.clear();
        FCells.clear();
        FLinesChanged = true;
        return {index, index};
    }

    // The new grid: old cells at their new places, null where a cell is made.
    const int columnCount = ColumnCount();
    const int rowCount = RowCount();
    std::vector<TVisualElement*> cells(size_t(columnCount) * size_t(rowCount), nullptr);
    // The content node of each new cell position: (row of the content, column of the content).
    auto sourceOf = [&](int column, int row, int& sourceRow, int& sourceColumn) {
        if (empty) {
            sourceRow = row;
            sourceColumn = column;
            return true;
        }
        if (direction == tdColumns) {
            if (column < index || column >= index + newColumns)
                return false;
            sourceRow = row;
            sourceColumn = column - index;
            return true;
        }
        if (row < index || row >= index + newRows)
            return false;
        sourceRow = row - index;
        sourceColumn = column;
        return true;
    };
    if (!empty) {
        for (int row = 0; row < rowCount; ++row) {
            for (int column = 0; column < columnCount; ++column) {
                int oldColumn = column;
                int oldRow = row;
                if (direction == tdColumns) {
                    if (column >= index && column < index + newColumns)
                        continue;
                    if (column >= index + newColumns)
                        oldColumn -= newColumns;
                } else {
                    if (row >= index && row < index + newRows)
                        continue;
                    if (row >= index + newRows)
                        oldRow -= newRows;
                }
                cells[size_t(column) + size_t(row) * size_t(columnCount)] =
                    FCells[size_t(oldColumn) + size_t(oldRow) * size_t(oldColumns)];
            }
        }
    }

    // Made from the last to the first, so that the cell after a new one is always in place.
    std::vector<std::vector<TKnot*>> cellKnots(rowKnots.size());
    TKnot emptyCell(CellName());
    const TElementClass* cellClass = CellClass();
    for (size_t i = cells.size(); i-- > 0;) {
        if (cells[i] != nullptr)
            continue;
        const int column = int(i % size_t(columnCount));
        const int row = int(i / size_t(columnCount));
        int sourceRow = 0;
        int sourceColumn = 0;
        sourceOf(column, row, sourceRow, sourceColumn);
        TKnot* source = &emptyCell;
        if (sourceRow < int(rowKnots.size())) {
            std::vector<TKnot*>& rowCells = cellKnots[size_t(sourceRow)];
            if (rowCells.empty())
                rowCells = NamedChildren(rowKnots[size_t(sourceRow)], CellName());
            if (sourceColumn < int(rowCells.size()))
                source = rowCells[size_t(sourceColumn)];
        }
        TVisualElement* next = i + 1 < cells.size() ? cells[i + 1] : nullptr;
        TNodePtr<TElement> created = cellClass->CreateElement(Scheme());
        auto* cell = static_cast<TVisualElement*>(created.get());
        created->SetParent(this, next);
        created.release(); // the table's now
        cells[i] = cell;
        cell->LoadFromKnot(loader, source);
        cell->SetVisualParent(this, next);
    }
    FCells = std::move(cells);
    FLinesChanged = true;
    if (direction == tdColumns)
        return {index, index + (empty ? columnCount : newColumns)};
    return {index, index + (empty ? rowCount : newRows)};
}

void TCustomTableElement::SaveLines(TSchemeSaver* saver, TKnot* knot, bool withRowInfos, bool withColumnInfos,
                                    const TTableLineRange* rows, const TTableLineRange* columns)
{
    const TTableLineRange rowRange =
        rows != nullptr ? TTableLineRange{std::max(0, rows->Start), std::min(rows->End, RowCount())}
                        : TTableLineRange{0, RowCount()};
    const TTableLineRange columnRange =
        columns != nullptr
            ? TTableLineRange{std::max(0, columns->Start), std::min(columns->End, ColumnCount())}
            : TTableLineRange{0, ColumnCount()};
    if ((FTableFlags & tfColumnInfos) != 0 && withColumnInfos) {
        TKnot* infos = knot->AddKnot(ColumnsName());
        for (int column = columnRange.Start; column < columnRange.End; ++column)
            SaveColumnInfo(FColumnInfos[column], saver, infos->AddKnot(ColumnName()));
    }
    for (int row = rowRange.Start; row < rowRange.End; ++row) {
        TKnot* rowKnot = knot->AddKnot(RowName());
        if ((FTableFlags & tfRowInfos) != 0 && withRowInfos)
            SaveRowInfo(FRowInfos[row], saver, rowKnot);
        for (int column = columnRange.Start; column < columnRange.End; ++column) {
            if (TVisualElement* cell = GetCell(column, row))
                cell->SaveToKnot(saver, rowKnot->AddKnot(CellName()));
        }
    }
}

void TCustomTableElement::DeleteLines(uint8_t direction, TTableLineRange range)
{
    range.Start = std::max(0, range.Start);
    range.End = std::min(range.End, LineCount(direction));
    if (range.IsEmpty())
        return;
    TUpdateGuard<TCustomTableElement> guard(this);
    const int columns = ColumnCount();
    std::vector<TVisualElement*> kept;
    std::vector<TVisualElement*> going;
    kept.reserve(FCells.size());
    for (size_t i = 0; i < FCells.size(); ++i) {
        const int line = direction == tdColumns ? int(i % size_t(columns)) : int(i / size_t(columns));
        (line >= range.Start && line < range.End ? going : kept).push_back(FCells[i]);
    }
    FCells = std::move(kept);
    for (TVisualElement* cell : going)
        cell->Free();
    QList<TNode*>& infos = direction == tdColumns ? FColumnInfos : FRowInfos;
    for (int i = range.Start; i < range.End; ++i)
        FreeInfo(infos[i]);
    infos.remove(range.Start, range.Length());
    if (ColumnCount() == 0 || RowCount() == 0) {
        for (TNode* info : FColumnInfos)
            FreeInfo(info);
        for (TNode* info : FRowInfos)
            FreeInfo(info);
        FColumnInfos.clear();
        FRowInfos.clear();
        for (TVisualElement* cell : FCells)
            cell->Free();
        FCells.clear();
    }
    FLinesChanged = true;
}

void TCustomTableElement::EditLines(int target, const TKnot* content, bool keepSelection,
                                    uint8_t contentFlags, uint8_t contentMode)
{
    const uint8_t direction = FInteractive ? FInteractive->Direction() : uint8_t(tdColumns);
    const int count = LineCount(direction);
    TNodePtr<TSchemeOperation> operation(new TTableEditOperation(this));
    auto* edit = static_cast<TTableEditOperation*>(operation.get());
    edit->SetDirection(direction);
    edit->SetInsertIndex(count);
    switch (target) {
    case tetLinesSelection:
        if (FInteractive) {
            if (FInteractive->HasSelection())
                edit->SetDeletedRange({FInteractive->SelectionStart(), FInteractive->SelectionEnd()});
            edit->SetInsertIndex(FInteractive->Caret());
        }
        break;
    case tetLinesAll:
        edit->SetDeletedRange({0, count});
        break;
    default:
        break;
    }
    if (content != nullptr) {
        auto copy = NewTableContentKnot();
        copy->Assign(*content);
        edit->SetContent(std::move(copy));
        edit->SetContentMode(contentMode);
        edit->SetContentFlags(contentFlags);
        edit->SetKeepSelection(keepSelection);
    }
    TSchemeOperation::Post(std::move(operation));
}

void TCustomTableElement::InsertEmptyLine()
{
    const uint8_t direction = FInteractive ? FInteractive->Direction() : uint8_t(tdColumns);
    auto content = NewTableContentKnot();
    if (direction == tdColumns) {
        for (int row = 0; row < std::max(1, RowCount()); ++row)
            content->AddKnot(RowName())->AddKnot(CellName());
    } else {
        TKnot* row = content->AddKnot(RowName());
        for (int column = 0; column < std::max(1, ColumnCount()); ++column)
            row->AddKnot(CellName());
    }
    EditLines(FInteractive ? tetLinesSelection : tetLinesAppend, content.get(), false, 0, fmFile);
}

// --- Layout ----------------------------------------------------------------------------------------

QSize TCustomTableElement::Spacing() const
{
    if (Sheet() != nullptr) {
        if (TCanvas* canvas = Sheet()->Canvas())
            return canvas->Theme().ElementSpacing();
    }
    return QSize(3, 3);
}

QMargins TCustomTableElement::GetPadding()
{
    return QMargins(4, 4, 4, 4);
}

QSize TCustomTableElement::MeasureCell(TVisualElement* cell)
{
    ++FMeasuredCells;
    int width = 0;
    int height = 0;
    GetCellSize(cell, width, height);
    return QSize(width, height);
}

bool TCustomTableElement::CanLayout() const
{
    return Sheet() != nullptr && IsShown() && FUpdateCount == 0 && FLayoutLock == 0 && !IsDestroying();
}

void TCustomTableElement::LayoutCells()
{
    if (!CanLayout()) {
        FLayoutPending = true;
        return;
    }
    FLayoutPending = false;
    ++FFullLayouts;
    const int columns = ColumnCount();
    const int rows = RowCount();
    FColumnWidths.assign(size_t(columns), 0);
    FRowHeights.assign(size_t(rows), 0);
    for (int column = 0; column < columns; ++column)
        FColumnWidths[size_t(column)] = GetColumnMinWidth(column);
    for (int row = 0; row < rows; ++row)
        FRowHeights[size_t(row)] = GetRowMinHeight(row);
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            const QSize size = MeasureCell(GetCell(column, row));
            FColumnWidths[size_t(column)] = std::max(FColumnWidths[size_t(column)], size.width());
            FRowHeights[size_t(row)] = std::max(FRowHeights[size_t(row)], size.height());
        }
    }
    PlaceCells();
}

void TCustomTableElement::PlaceCells()
{
    const int columns = ColumnCount();
    const int rows = RowCount();
    const QMargins padding = GetPadding();
    const QSize spacing = Spacing();
    auto descentOf = [](TVisualElement* cell) {
        auto* textCell = dynamic_cast<TTableCellElement*>(cell);
        return textCell != nullptr ? textCell->NaturalDescent() : cell->Descent();
    };
    ++FLayoutLock;
    int y = padding.top();
    for (int row = 0; row < rows; ++row) {
        int x = padding.left();
        for (int column = 0; column < columns; ++column) {
            TVisualElement* cell = GetCell(column, row);
            cell->SetBounds(x, y, descentOf(cell), FRowHeights[size_t(row)], FColumnWidths[size_t(column)]);
            x += FColumnWidths[size_t(column)] + spacing.width();
        }
        y += FRowHeights[size_t(row)] + spacing.height();
    }
    --FLayoutLock;
    int width = 20;
    int height = 20;
    int descent = padding.bottom();
    if (columns > 0 && rows > 0) {
        width = padding.left() + padding.right() + (columns - 1) * spacing.width();
        for (int w : FColumnWidths)
            width += w;
        height = padding.top() + padding.bottom() + (rows - 1) * spacing.height();
        for (int h : FRowHeights)
            height += h;
        descent += descentOf(GetCell(columns - 1, rows - 1));
    }
    // The text holding the table lays its line out again around a new size.
    SetBounds(Left(), Top(), descent, height, width);
}

void TCustomTableElement::CellSizeChanged(TVisualElement* cell, QSize oldSize)
{
    const int columns = ColumnCount();
    const int rows = RowCount();
    if (!CanLayout() || FColumnWidths.size() != size_t(columns) || FRowHeights.size() != size_t(rows)) {
        LayoutCells();
        return;
    }
    const auto at = std::find(FCells.begin(), FCells.end(), cell);
    if (at == FCells.end())
        return;
    const int index = int(at - FCells.begin());
    const int column = index % columns;
    const int row = index / columns;
    const QSize size = MeasureCell(cell);
    // Only a cell that grew past its line, or one that set the line's size and shrank, changes it.
    int width = FColumnWidths[size_t(column)];
    if (size.width() > width) {
        width = size.width();
    } else if (size.width() < width && oldSize.width() >= width) {
        width = GetColumnMinWidth(column);
        for (int r = 0; r < rows; ++r)
            width = std::max(width, MeasureCell(GetCell(column, r)).width());
    }
    int height = FRowHeights[size_t(row)];
    if (size.height() > height) {
        height = size.height();
    } else if (size.height() < height && oldSize.height() >= height) {
        height = GetRowMinHeight(row);
        for (int c = 0; c < columns; ++c)
            height = std::max(height, MeasureCell(GetCell(c, row)).height());
    }
    FColumnWidths[size_t(column)] = width;
    FRowHeights[size_t(row)] = height;
    // Placing moves cells without measuring or laying out their text again.
    PlaceCells();
}

void TCustomTableElement::BoundsChanged(const QRect& oldBounds, int oldDescent)
{
    inherited::BoundsChanged(oldBounds, oldDescent);
    if (Sheet() != nullptr && IsFocused())
        Sheet()->UpdateCaret();
}

void TCustomTableElement::ShownChanged()
{
    inherited::ShownChanged();
    if (IsShown())
        LayoutCells();
}

void TCustomTableElement::Relayout(bool all, bool force)
{
    ++FLayoutLock;
    struct TUnlock
    {
        TCustomTableElement* Table;
        ~TUnlock() { --Table->FLayoutLock; }
    };
    {
        const TUnlock unlock{this};
        inherited::Relayout(all, force);
    }
    LayoutCells();
}

int TCustomTableElement::BoundaryPosition(uint8_t direction, int index)
{
    const QMargins padding = GetPadding();
    const QSize spacing = Spacing();
    if (direction == tdColumns) {
        if (TVisualElement* cell = GetCell(index, 0))
            return cell->Left() - spacing.width() / 2;
        return index <= 0 && ColumnCount() == 0 ? padding.left()
                                                : Width() - padding.right() + spacing.width() / 2;
    }
    if (TVisualElement* cell = GetCell(0, index))
        return cell->Top() - spacing.height() / 2;
    return index <= 0 && RowCount() == 0 ? padding.top() : Height() - padding.bottom() + spacing.height() / 2;
}

int TCustomTableElement::LineAt(const QPoint& point, bool exact, uint8_t direction)
{
    const int value = direction == tdColumns ? point.x() : point.y();
    if (value < 0)
        return exact ? -1 : 0;
    const int count = LineCount(direction);
    for (int i = 0; i < count; ++i) {
        TVisualElement* cell = direction == tdColumns ? GetCell(i, 0) : GetCell(0, i);
        if (cell == nullptr)
            break;
        const int lead = direction == tdColumns ? cell->Left() : cell->Top();
        const int extent = direction == tdColumns ? cell->Width() : cell->Height();
        if (value < lead)
            return i;
        if (value < lead + extent)
            return exact ? -1 : (value - lead >= extent / 2 ? i + 1 : i);
    }
    if (!exact || value < (direction == tdColumns ? Width() : Height()))
        return count;
    return -1;
}

// --- Storage ---------------------------------------------------------------------------------------

bool TCustomTableElement::IsFilled() const
{
    return ColumnCount() > 0 || RowCount() > 0;
}

void TCustomTableElement::InitializeNew(TPaletteItem* item)
{
    inherited::InitializeNew(item);
    auto content = NewTableContentKnot();
    for (int row = 0; row < 3; ++row) {
        TKnot* rowKnot = content->AddKnot(RowName());
        for (int column = 0; column < 4; ++column)
            rowKnot->AddKnot(CellName());
    }
    TSchemeLoader loader(Scheme(), nullptr, content.get(), 0, fmFile);
    LoadLines(&loader, content.get(), tdColumns, 0, false, false);
    loader.Finish();
}

void TCustomTableElement::LoadFromKnot(TSchemeLoader* filer, TKnot* knot)
{
    inherited::LoadFromKnot(filer, knot);
    TUpdateGuard<TCustomTableElement> guard(this);
    DeleteLines(tdColumns, {0, ColumnCount()});
    TKnot* source = knot;
    if (filer->Mode() == fmSnapshot) {
        if (TKnot* floating = knot->FindKnot(FloatingName()))
            source = floating;
    }
    LoadLines(filer, source, tdColumns, 0, true, true);
}

void TCustomTableElement::SaveToKnot(TSchemeSaver* filer, TKnot* knot)
{
    inherited::SaveToKnot(filer, knot);
    TKnot* target = filer->Mode() == fmSnapshot ? knot->AddKnot(FloatingName()) : knot;
    SaveLines(filer, target, true, true);
}

void TCustomTableElement::AppendText(QString& builder)
{
    inherited::AppendText(builder);
    for (int row = 0; row < RowCount(); ++row) {
        if (row > 0)
            builder += QStringLiteral("\r\n");
        for (int column = 0; column < ColumnCount(); ++column)
            GetCell(column, row)->AppendText(builder);
    }
}

// --- Focus and the interactive ---------------------------------------------------------------------

void TCustomTableElement::CreateInteractive()
{
    FInteractive = std::make_unique<TSchemeTableInteractive>();
    TSheetSettings* settings = Sheet() != nullptr ? Sheet()->Settings() : nullptr;
    if (settings == nullptr)
        settings = TextorSheetSettings();
    FInteractive->SetCaretWidth(settings != nullptr ? settings->CaretSize().Value() : 1);
    FInteractive->SetCanEdit([this] { return CanEdit(); });
    FInteractive->SetGetCell([this](int column, int row) { return GetCell(column, row); });
    FInteractive->SetLineRange([this](uint8_t direction) { return LineCount(direction); });
    FInteractive->SetLineAt([this](const QPoint& point, bool exact, uint8_t direction) {
        return LineAt(point, exact, direction);
    });
    FInteractive->AddHandler(MakeNotifyEvent<&TCustomTableElement::InteractiveNotify>(this));
}

void TCustomTableElement::FreeInteractive()
{
    if (!FInteractive)
        return;
    {
        const TInteractiveCall call(this);
        FInteractive->SetCaret(FInteractive->Caret(), false, false);
    }
    FInteractive->RemoveHandler(MakeNotifyEvent<&TCustomTableElement::InteractiveNotify>(this));
    if (Sheet() != nullptr && IsCaptured())
        Sheet()->SetCaptureElement(nullptr);
    if (FInteractiveCalls > 0)
        FRetiredInteractive = std::move(FInteractive);
    else
        FInteractive.reset();
    if (!IsDestroying()) {
        MarkCoveredCells();
        Invalidate();
    }
}

void TCustomTableElement::FocusChanged()
{
    inherited::FocusChanged();
    if (IsDestroying())
        return;
    if (IsFocused()) {
        if (!FInteractive) {
            CreateInteractive();
            ApplyEntry();
        }
    } else {
        FreeInteractive();
    }
}

void TCustomTableElement::ApplyEntry()
{
    const TEntry entry = std::exchange(FEntry, enStart);
    if (!FInteractive)
        return;
    const TInteractiveCall call(this);
    switch (entry) {
    case enPoint: {
        const int column = LineAt(FEntryPoint, true, tdColumns);
        if (column >= 0)
            FInteractive->SetDirection(tdColumns, column);
        else
            FInteractive->SetDirection(tdRows, std::max(0, LineAt(FEntryPoint, false, tdRows)));
        break;
    }
    case enCell:
        FInteractive->SetCrossIndex(FEntryCross);
        FInteractive->SetDirection(FEntryDirection, FEntryCaret);
        break;
    case enEnd:
        FInteractive->SetCrossIndex(std::max(0, RowCount() - 1));
        FInteractive->SetDirection(tdColumns, ColumnCount());
        break;
    default:
        FInteractive->SetCrossIndex(0);
        FInteractive->SetDirection(tdColumns, 0);
        break;
    }
    if (Sheet() != nullptr)
        Sheet()->CaretMoved();
}

void TCustomTableElement::SetFocus()
{
    TUpdateGuard<IElementSheet> guard(Sheet());
    // Focusing the focused table again (an edit giving the focus back) leaves the caret alone.
    if (IsFocused() && FInteractive) {
        if (FEntryRequested)
            ApplyEntry();
    } else {
        inherited::SetFocus();
    }
    FEntry = enStart;
    FEntryRequested = false;
}

void TCustomTableElement::FocusFromCell(TVisualElement* cell, bool horizontal, bool after)
{
    const auto at = std::find(FCells.begin(), FCells.end(), cell);
    if (at == FCells.end() || ColumnCount() == 0)
        return;
    const int index = int(at - FCells.begin());
    const int column = index % ColumnCount();
    const int row = index / ColumnCount();
    FEntry = enCell;
    FEntryRequested = true;
    FEntryDirection = horizontal ? tdColumns : tdRows;
    FEntryCross = horizontal ? row : column;
    FEntryCaret = (horizontal ? column : row) + (after ? 1 : 0);
    SetFocus();
}

void TCustomTableElement::Activate()
{
    if (TVisualElement* cell = GetCell(0, 0))
        cell->Activate();
    else
        inherited::Activate();
}

void TCustomTableElement::InteractiveNotify(TItfObject*, int notify, intptr_t param1, intptr_t)
{
    switch (notify) {
    case tinTableCaret:
        if (Sheet() != nullptr && IsFocused()) {
            if (param1 != 0)
                Sheet()->CaretMoved();
            else
                Sheet()->UpdateCaret();
        }
        break;
    case tinTableSelection:
    case tinTableDirection:
        MarkCoveredCells();
        Invalidate();
        if (Sheet() != nullptr) {
            Sheet()->RequestPaletteItemsChanged();
            Sheet()->RequestFocusedStateChanged();
        }
        break;
    case tinTableMouseState:
        if (Sheet() != nullptr && FInteractive) {
            if (FInteractive->MouseState() == ttmSelecting)
                Sheet()->SetCaptureElement(this);
            else if (IsCaptured())
                Sheet()->SetCaptureElement(nullptr);
        }
        break;
    case tinTableCursor:
        if (Sheet() != nullptr)
            Sheet()->UpdateCursor();
        break;
    case tinTableDelete:
        DeleteSelection();
        break;
    default:
        break;
    }
}

void TCustomTableElement::MarkCoveredCells()
{
    const bool any = FInteractive && FInteractive->HasSelection();
    const uint8_t direction = any ? FInteractive->Direction() : uint8_t(tdColumns);
    const int start = any ? FInteractive->SelectionStart() : 0;
    const int end = any ? FInteractive->SelectionEnd() : 0;
    const int columns = ColumnCount();
    for (size_t i = 0; i < FCells.size(); ++i) {
        const int line = direction == tdColumns ? int(i % size_t(columns)) : int(i / size_t(columns));
        FCells[i]->SetCovered(any && line >= start && line < end);
    }
}

void TCustomTableElement::DeleteSelection()
{
    if (!FInteractive || !FInteractive->HasSelection() || !CanEdit())
        return;
    EditLines(tetLinesSelection, nullptr, false, 0, fmFile);
}

void TCustomTableElement::GetCaret(int& kind, QRect& rect)
{
    if (!FInteractive || !IsFocused()) {
        inherited::GetCaret(kind, rect);
        return;
    }
    const QSize spacing = Spacing();
    const QMargins padding = GetPadding();
    const int width = std::max(1, FInteractive->CaretWidth());
    const bool columns = FInteractive->Direction() == tdColumns;
    const int at = BoundaryPosition(FInteractive->Direction(), FInteractive->Caret());
    // Across the table's inner extent, from half a spacing before the first line.
    const int from = columns ? padding.top() - spacing.height() / 2 : padding.left() - spacing.width() / 2;
    const int to = columns ? Height() - padding.bottom() : Width() - padding.right();
    kind = 3;
    rect = columns ? QRect(at - width / 2, from, width, std::max(1, to - from))
                   : QRect(from, at - width / 2, std::max(1, to - from), width);
}

// --- Keys and mouse --------------------------------------------------------------------------------

void TCustomTableElement::KeyDown(int& key, Qt::KeyboardModifiers shift)
{
    inherited::KeyDown(key, shift);
    if (key == 0 || !FInteractive)
        return;
    const TInteractiveCall call(this);
    if ((key == Qt::Key_Tab || key == Qt::Key_Backtab) && FInteractive->MouseState() == ttmIdle) {
        const bool forward = key == Qt::Key_Tab && (shift & Qt::ShiftModifier) == 0;
        TVisualElement* target = nullptr;
        TVisualElement* cell = CellNextToCaret(forward);
        if (cell == nullptr || !cell->FindFocusTarget(forward, true, true, target) || target == nullptr)
            target = FindNextFocusTarget(forward, true, true);
        if (target != nullptr) {
            if (auto* field = dynamic_cast<TTextorElement*>(target))
                forward ? field->FocusAtFirst() : field->FocusAtLast();
            else
                target->SetFocus();
            key = 0;
        }
        return;
    }
    if (FInteractive->KeyDown(key, shift))
        key = 0;
}

void TCustomTableElement::KeyUp(int& key, Qt::KeyboardModifiers shift)
{
    inherited::KeyUp(key, shift);
}

void TCustomTableElement::MouseDown(const QPoint& point, Qt::KeyboardModifiers shift, bool doubleClick)
{
    if (Sheet() == nullptr) {
        inherited::MouseDown(point, shift, doubleClick);
        return;
    }
    if (!IsFocused()) {
        FEntry = enPoint;
        FEntryRequested = true;
        FEntryPoint = point;
        SetFocus();
    }
    if (!FInteractive)
        return;
    const TInteractiveCall call(this);
    FInteractive->MouseDown(point, shift);
}

void TCustomTableElement::MouseMove(const QPoint& point, Qt::KeyboardModifiers shift)
{
    if (!FInteractive) {
        inherited::MouseMove(point, shift);
        return;
    }
    const TInteractiveCall call(this);
    FInteractive->MouseMove(point);
}

void TCustomTableElement::MouseUp(const QPoint& point, bool released, Qt::KeyboardModifiers shift)
{
    if (!FInteractive) {
        inherited::MouseUp(point, released, shift);
        return;
    }
    const TInteractiveCall call(this);
    FInteractive->MouseUp(point);
}

void TCustomTableElement::CaptureCancelled()
{
    inherited::CaptureCancelled();
    if (FInteractive) {
        const TInteractiveCall call(this);
        FInteractive->CancelMouse();
    }
}

int TCustomTableElement::GetCursor(const QPoint& point)
{
    if (FInteractive) {
        switch (FInteractive->CursorKind()) {
        case tckColumnsBeam:
        case tckColumnsSelecting:
            return tcTableColumnsBeam;
        case tckRowsBeam:
        case tckRowsSelecting:
            return tcTableRowsBeam;
        default:
            return 0;
        }
    }
    if (LineAt(point, true, tdColumns) >= 0)
        return tcTableColumnsBeam;
    if (LineAt(point, true, tdRows) >= 0)
        return tcTableRowsBeam;
    return inherited::GetCursor(point);
}

// --- Clipboard and commands ------------------------------------------------------------------------

bool TCustomTableElement::HasSelection()
{
    return FInteractive && FInteractive->HasSelection();
}

bool TCustomTableElement::CanCopy()
{
    return HasSelection();
}

bool TCustomTableElement::CanCopyAsText()
{
    return HasSelection();
}

bool TCustomTableElement::CanCut()
{
    return HasSelection() && CanEdit();
}

void TCustomTableElement::Copy()
{
    if (!HasSelection())
        return;
    const TTableLineRange selected{FInteractive->SelectionStart(), FInteractive->SelectionEnd()};
    const bool columns = FInteractive->Direction() == tdColumns;
    TKnot content(QString::fromUtf16(textorContentName));
    TSchemeSaver saver(fmClipboard, &content, ffClipboard);
    SaveLines(&saver, &content, true, true, columns ? nullptr : &selected, columns ? &selected : nullptr);
    saver.WriteFormatVersion();
    CopyContentToClipboard(content, SelectionAsText());
}

QString TCustomTableElement::SelectionAsText()
{
    const bool columns = FInteractive->Direction() == tdColumns;
    const int start = FInteractive->SelectionStart();
    const int end = FInteractive->SelectionEnd();
    const TTableLineRange rows = columns ? TTableLineRange{0, RowCount()} : TTableLineRange{start, end};
    const TTableLineRange cols = columns ? TTableLineRange{start, end} : TTableLineRange{0, ColumnCount()};
    QString text;
    for (int row = rows.Start; row < rows.End; ++row) {
        if (row > rows.Start)
            text += QStringLiteral("\r\n");
        for (int column = cols.Start; column < cols.End; ++column)
            GetCell(column, row)->AppendText(text);
    }
    return text;
}

void TCustomTableElement::CopyAsText()
{
    if (HasSelection())
        Clipboard().SetText(SelectionAsText());
}

bool TCustomTableElement::Paste()
{
    TKnot knot;
    if (!CanEdit() || !ContentFromClipboard(knot))
        return false;
    // Content of text fields has no "Row": it is no table content, and pasting it would only delete.
    if (knot.FindKnot(RowName()) == nullptr)
        return false;
    EditLines(tetLinesSelection, &knot, false, ffClipboard, fmClipboard);
    return true;
}

void TCustomTableElement::SelectAll()
{
    if (FInteractive) {
        const TInteractiveCall call(this);
        FInteractive->SelectAll();
    }
}

void TCustomTableElement::GetPaletteItems(QList<TPaletteItem*>& list)
{
    inherited::GetPaletteItems(list);
    if (!FInteractive || !IsFocused())
        return;
    if (TPaletteItem* item = TableLinePaletteItem(FInteractive->Direction()))
        list.append(item);
}

bool TCustomTableElement::ExecutePaletteItem(TPaletteItem* item, bool value)
{
    if (IsInstanceOf(item, TTableLinePaletteItem::StaticClass())) {
        if (CanEdit())
            InsertEmptyLine();
        return true;
    }
    return inherited::ExecutePaletteItem(item, value);
}

// --- Painting and search ---------------------------------------------------------------------------

void TCustomTableElement::PaintChildren(TCanvas* canvas, int flags)
{
    inherited::PaintChildren(canvas, flags);
    if (!FInteractive || !FInteractive->HasSelection() || !IsFocused())
        return;
    const QSize spacing = Spacing();
    const QRect inner = GetClientRect()
                            .marginsRemoved(GetPadding())
                            .marginsAdded(QMargins(spacing.width() / 2, spacing.height() / 2,
                                                   spacing.width() / 2, spacing.height() / 2));
    const uint8_t direction = FInteractive->Direction();
    const int from = BoundaryPosition(direction, FInteractive->SelectionStart());
    const int to = BoundaryPosition(direction, FInteractive->SelectionEnd());
    const QRect band = direction == tdColumns ? QRect(from, inner.top(), to - from, inner.height())
                                              : QRect(inner.left(), from, inner.width(), to - from);
    const bool active = (flags & pfInactive) == 0 && (Sheet() == nullptr || Sheet()->IsActive());
    canvas->MarkSelected(band, active);
}

TVisualElement* TCustomTableElement::CellNextToCaret(bool forward)
{
    if (!FInteractive)
        return forward ? GetCell(0, 0) : GetCell(ColumnCount() - 1, RowCount() - 1);
    const bool columns = FInteractive->Direction() == tdColumns;
    const int count = LineCount(FInteractive->Direction());
    int line = forward ? FInteractive->Caret() : FInteractive->Caret() - 1;
    int cross = FInteractive->CrossIndex();
    if (line >= count) {
        line = 0;
        ++cross;
    } else if (line < 0) {
        line = count - 1;
        --cross;
    }
    return columns ? GetCell(line, cross) : GetCell(cross, line);
}

bool TCustomTableElement::FindFocusTarget(bool forward, bool shownOnly, bool enabledOnly,
                                          TVisualElement*& target)
{
    if (shownOnly && !IsShown())
        return false;
    if (enabledOnly && IsEffectivelyDisabled())
        return false;
    if (TVisualElement* cell = CellNextToCaret(forward)) {
        if (cell->FindFocusTarget(forward, shownOnly, enabledOnly, target) && target != nullptr)
            return true;
    }
    return inherited::FindFocusTarget(forward, shownOnly, enabledOnly, target);
}

bool TCustomTableElement::FindText(int mode, TFindData& findData, int& position, TVisualElement*& next,
                                   bool forward)
{
    if (TVisualElement* cell = CellNextToCaret(forward)) {
        TVisualElement* target = nullptr;
        if (cell->FindFocusTarget(forward, findData.ShownOnly(), findData.EnabledOnly(), target) &&
            target != nullptr) {
            next = target;
            position = 0;
            return false;
        }
    }
    return inherited::FindText(mode, findData, position, next, forward);
}

// ---------------------------------------------------------------------------------------------------
// TElement_Table

TElement_Table::TElement_Table(TScheme* scheme) : TCustomTableElement(scheme)
{
    SetVisualOptions(VisualOptions() | voCanDisable);
}

const TElementClass* TElement_Table::CellClass()
{
    return TTableCellElement::StaticClass();
}

void TElement_Table::GetCellSize(TVisualElement* cell, int& width, int& height)
{
    if (auto* textCell = dynamic_cast<TTableCellElement*>(cell)) {
        width = textCell->NaturalSize().width();
        height = textCell->NaturalSize().height();
        return;
    }
    width = cell->Width();
    height = cell->Height();
}

void TElement_Table::Paint(TCanvas* canvas)
{
    if (canvas != nullptr)
        canvas->DrawThemeFrame(steFrameSingle, GetClientRect());
}

// ---------------------------------------------------------------------------------------------------
// Palette and registration

TTableLinePaletteItem::TTableLinePaletteItem(TNode* parent, uint16_t flags, int32_t image, int32_t hint,
                                             int32_t caption, int32_t order, uint8_t direction)
    : TSchemePaletteItem(parent, flags, image, hint, caption, order), FDirection(direction)
{}

TElementPaletteItem* TablePaletteItem()
{
    return tableItem;
}

TTableLinePaletteItem* TableLinePaletteItem(uint8_t direction)
{
    return direction == tdColumns ? columnItem : rowItem;
}

void RegisterTableElements()
{
    static const bool registered = [] {
        ApplicationClassesGroups().GetGroup(cgCommentContentClasses).append(TElement_Table::StaticClass());
        TPalette& palette = Palette();
        auto image = [](int position) {
            return StripImage(LargeImages(), tableImagesStrip, position);
        };
        tableItem = new TElementPaletteItem(palette.InsertGroup(), piLarge, image(2), QV_STR(2483),
                                            QV_STR(2482), TElement_Table::StaticClass(), 110);
        columnItem = new TTableLinePaletteItem(palette.InsertGroup(), piLarge | piSplitButton, image(0),
                                               QV_STR(2481), QV_STR(2480), 20, tdColumns);
        rowItem = new TTableLinePaletteItem(palette.InsertGroup(), piLarge | piSplitButton, image(1),
                                            QV_STR(2481), QV_STR(2480), 10, tdRows);
        return true;
    }();
    (void)registered;
}

} // namespace qv
