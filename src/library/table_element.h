#pragma once

#include "elements/palette.h"
#include "elements/visual_element.h"
#include "fields/textor_element.h"
#include "library/table_interactive.h"

#include <QList>

#include <cstdint>
#include <memory>
#include <vector>

namespace qv {

class TCustomTableElement;
class TTableEditOperation;

// TableFlags bits: which line information a table stores.
enum TTableFlag : uint8_t
{
    tfColumnInfos = 0x01, // a "Columns" node with one "Column" per column
    tfRowInfos = 0x02,    // attributes on each "Row"
};

// Targets of EditLines.
enum TTableEditTarget : int
{
    tetLinesSelection = 0, // the selected lines of the interactive's direction, content at the caret
    tetLinesAll = 1,       // every line of the direction, content at the end
    tetLinesAppend = 2,    // nothing deleted, content at the end
};

// The cursors the table shows over the gaps between its lines (cursor numbers of the program).
enum TTableCursor : int
{
    tcTableColumnsBeam = 30,
    tcTableRowsBeam = 31,
    tcTableDragMove = 32,
    tcTableDragCopy = 33,
};

// A half-open range of lines [Start, End).
struct TTableLineRange
{
    int Start = 0;
    int End = 0;

    bool IsEmpty() const { return Start >= End; }
    int Length() const { return End - Start; }
    bool operator==(const TTableLineRange&) const = default;
};

// One text cell of a table: an in-place field whose options, accepted classes and hooks come from
// the text field holding the table. It keeps its natural size for the table, which sets its bounds.
class TTableCellElement : public TTextorElement
{
    QV_CLASS(TTableCellElement, TTextorElement)

    explicit TTableCellElement(TScheme* scheme);

    // Content size plus padding, at least the minimum size; valid once laid out on a sheet.
    QSize NaturalSize() const { return FNaturalSize; }
    int NaturalDescent() const { return FNaturalDescent; }

    TElement* EnclosingField() override;
    // The whole framed rectangle is the cell's: only the gaps between cells belong to the table.
    bool ContainsPoint(const QPoint& point) override;
    QMargins GetPadding() override;
    void PaintFrame(TCanvas* canvas) override;
    void UpdateSize() override;
    // The table sets the bounds; the text wraps by the offer, not by them, so no new layout follows.
    void BoundsChanged(const QRect& oldBounds, int oldDescent) override;
    // An arrow that the text does not use leaves the cell onto the table's line beside it.
    void KeyDown(int& key, Qt::KeyboardModifiers shift) override;

private:
    TCustomTableElement* Table() const;

    QSize FNaturalSize;
    int FNaturalDescent = 0;
};

// A grid of cells edited by whole lines. The cells are the element and visual children in row-major
// order: cell (c, r) is visual child c + r × ColumnCount. The column and row counts are the lengths
// of the info lists, whose entries a subclass makes (CreateColumnInfo, CreateRowInfo; may be null).
// Infos are owned by the table: an info with a parent goes with that parent, any other is freed by
// the table.
class TCustomTableElement : public TVisualElement
{
    QV_CLASS(TCustomTableElement, TVisualElement)

    explicit TCustomTableElement(TScheme* scheme);
    ~TCustomTableElement() override;

    int ColumnCount() const { return int(FColumnInfos.size()); }
    int RowCount() const { return int(FRowInfos.size()); }
    int LineCount(uint8_t direction) const { return direction == tdColumns ? ColumnCount() : RowCount(); }
    TNode* ColumnInfo(int index) const { return FColumnInfos.value(index); }
    TNode* RowInfo(int index) const { return FRowInfos.value(index); }
    uint8_t TableFlags() const { return FTableFlags; }
    void SetTableFlags(uint8_t flags) { FTableFlags = flags; }
    // Null outside the grid.
    TVisualElement* GetCell(int column, int row) const;
    // Exists exactly while the table has the focus.
    TSchemeTableInteractive* Interactive() const { return FInteractive.get(); }
    int UpdateCount() const { return FUpdateCount; }

    // Work counters of the cell layout, for tests and benchmarks: full layouts run, and cells measured.
    int FullLayouts() const { return FFullLayouts; }
    int MeasuredCells() const { return FMeasuredCells; }

    // Reads the lines of a content node ("Columns", "Row", "Cell") in at boundary `index` of the
    // direction; an empty table takes both its columns and its rows from it. Returns the new lines.
    TTableLineRange LoadLines(TSchemeLoader* loader, TKnot* knot, uint8_t direction, int index,
                              bool withRowInfos, bool withColumnInfos);
    // Writes the lines in the ranges (null: all) as "Columns" (with infos wanted and stored) and "Row"
    // nodes holding one "Cell" per column.
    void SaveLines(TSchemeSaver* saver, TKnot* knot, bool withRowInfos, bool withColumnInfos,
                   const TTableLineRange* rows = nullptr, const TTableLineRange* columns = nullptr);
    // Frees the cells and infos of the lines; a table left without columns loses its rows, and the
    // other way round.
    void DeleteLines(uint8_t direction, TTableLineRange range);
    // The one entry point of line edits: posts one undoable TTableEditOperation (see TTableEditTarget).
    // `content` (may be null) is copied.
    void EditLines(int target, const TKnot* content, bool keepSelection, uint8_t contentFlags,
                   uint8_t contentMode);
    // Inserts one empty column or row: at the caret over the selection when focused, else appended.
    void InsertEmptyLine();

    // The update bracket of line edits: cells are not laid out while it is open; closing the outermost
    // applies the pending selection, runs Changed when lines changed, lays the cells out and tells
    // the sheet.
    void BeginUpdate();
    void EndUpdate();

    // A cell's natural size changed from `oldSize`: lays out again as far as needed.
    void CellSizeChanged(TVisualElement* cell, QSize oldSize);
    // The focus comes from `cell` by an arrow key: the caret goes to the boundary beside it.
    void FocusFromCell(TVisualElement* cell, bool horizontal, bool after);

    // Virtual operations of tables.
    virtual TNode* CreateColumnInfo(int index);
    virtual TNode* CreateRowInfo(int index);
    virtual const TElementClass* CellClass() = 0;
    virtual void GetCellSize(TVisualElement* cell, int& width, int& height) = 0;
    virtual int GetColumnMinWidth(int index);
    virtual int GetRowMinHeight(int index);
    virtual void LoadColumnInfo(TNode* info, TSchemeLoader* loader, TKnot* knot);
    virtual void LoadRowInfo(TNode* info, TSchemeLoader* loader, TKnot* knot);
    // Sizes the columns and rows and places the cells (the table's size update).
    virtual void LayoutCells();
    virtual void SaveColumnInfo(TNode* info, TSchemeSaver* saver, TKnot* knot);
    virtual void SaveRowInfo(TNode* info, TSchemeSaver* saver, TKnot* knot);

    // Element operations.
    bool IsFilled() const override;
    void InitializeNew(TPaletteItem* item) override;
    void LoadFromKnot(TSchemeLoader* filer, TKnot* knot) override;
    void SaveToKnot(TSchemeSaver* filer, TKnot* knot) override;
    void AppendText(QString& builder) override;
    void FocusChanged() override;
    void Activate() override;
    void SetFocus() override;
    void GetCaret(int& kind, QRect& rect) override;
    QMargins GetPadding() override;
    void KeyDown(int& key, Qt::KeyboardModifiers shift) override;
    void KeyUp(int& key, Qt::KeyboardModifiers shift) override;
    void MouseDown(const QPoint& point, Qt::KeyboardModifiers shift, bool doubleClick) override;
    void MouseMove(const QPoint& point, Qt::KeyboardModifiers shift) override;
    void MouseUp(const QPoint& point, bool released, Qt::KeyboardModifiers shift) override;
    void CaptureCancelled() override;
    int GetCursor(const QPoint& point) override;
    bool HasSelection() override;
    bool CanCopy() override;
    bool CanCopyAsText() override;
    bool CanCut() override;
    void Copy() override;
    void CopyAsText() override;
    bool Paste() override;
    void SelectAll() override;
    void GetPaletteItems(QList<TPaletteItem*>& list) override;
    bool ExecutePaletteItem(TPaletteItem* item, bool value) override;
    void BoundsChanged(const QRect& oldBounds, int oldDescent) override;
    void ShownChanged() override;
    void Relayout(bool all, bool force) override;
    void PaintChildren(TCanvas* canvas, int flags) override;
    bool FindFocusTarget(bool forward, bool shownOnly, bool enabledOnly, TVisualElement*& target) override;
    bool FindText(int mode, TFindData& findData, int& position, TVisualElement*& next, bool forward) override;

    // Where boundary `index` of the direction lies (x for columns, y for rows; table coordinates).
    int BoundaryPosition(uint8_t direction, int index);
    // The boundary at a point (table coordinates), or -1 (see the class comment of the interactive).
    int LineAt(const QPoint& point, bool exact, uint8_t direction);

protected:
    void BeforeDestruction() override;

private:
    friend class TTableEditOperation;

    enum TEntry : uint8_t
    {
        enStart,
        enEnd,
        enPoint,
        enCell,
    };
    class TInteractiveCall;

    void CreateInteractive();
    void FreeInteractive();
    // The selected lines' cells as text: cells of a row run together, rows end with CR LF.
    QString SelectionAsText();
    void InteractiveNotify(TItfObject* sender, int notify, intptr_t param1, intptr_t param2);
    void ApplyEntry();
    void MarkCoveredCells();
    void DeleteSelection();
    QSize Spacing() const;
    QSize MeasureCell(TVisualElement* cell);
    // Places every cell by the column widths and row heights and sizes the table.
    void PlaceCells();
    bool CanLayout() const;
    // The cells of a search from the caret: the cell after (before) it in the line of CrossIndex,
    // wrapping to the next (previous) line.
    TVisualElement* CellNextToCaret(bool forward);
    void FreeInfo(TNode* info);

    QList<TNode*> FColumnInfos;
    QList<TNode*> FRowInfos;
    uint8_t FTableFlags = 0;
    // Row-major, the same order as the visual children.
    std::vector<TVisualElement*> FCells;
    std::unique_ptr<TSchemeTableInteractive> FInteractive;
    std::unique_ptr<TSchemeTableInteractive> FRetiredInteractive;
    int FInteractiveCalls = 0;
    int FUpdateCount = 0;
    bool FLinesChanged = false;
    bool FLayoutPending = false;
    int FLayoutLock = 0;
    // Column widths and row heights of the last layout (pixels).
    std::vector<int> FColumnWidths;
    std::vector<int> FRowHeights;
    int FFullLayouts = 0;
    int FMeasuredCells = 0;
    // How the focus entered the table (SetFocus).
    TEntry FEntry = enStart;
    bool FEntryRequested = false;
    QPoint FEntryPoint;
    uint8_t FEntryDirection = tdColumns;
    int FEntryCaret = 0;
    int FEntryCross = 0;
};

// The general table of comments and text fields: "Table" nodes, cells of TTableCellElement, no
// infos. It can be disabled.
class TElement_Table : public TCustomTableElement
{
    QV_CLASS(TElement_Table, TCustomTableElement)

    explicit TElement_Table(TScheme* scheme);

    const TElementClass* CellClass() override;
    void GetCellSize(TVisualElement* cell, int& width, int& height) override;
    void Paint(TCanvas* canvas) override;
};

// The palette's "Series" items: insert one column or one row into the focused table.
class TTableLinePaletteItem : public TSchemePaletteItem
{
    QV_CLASS(TTableLinePaletteItem, TSchemePaletteItem)

    TTableLinePaletteItem(TNode* parent = nullptr, uint16_t flags = 0, int32_t image = -1, int32_t hint = 0,
                          int32_t caption = 0, int32_t order = 0, uint8_t direction = tdColumns);

    uint8_t Direction() const { return FDirection; }

private:
    uint8_t FDirection;
};

// The palette items of the table: the table itself and the two line items, created by
// RegisterTableElements.
TElementPaletteItem* TablePaletteItem();
TTableLinePaletteItem* TableLinePaletteItem(uint8_t direction);

// Adds the table to the comment content group and its items to the palette's "Insert" group. Called
// once at start-up, before any document exists; later calls do nothing. User-interface thread only.
void RegisterTableElements();

} // namespace qv
