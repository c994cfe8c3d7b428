#pragma once

#include "elements/element_operation.h"
#include "library/table_element.h"

#include <cstdint>
#include <memory>

namespace qv {

class TKnot;

// One line edit of a table: deletes DeletedRange of the direction, then loads Content at InsertIndex
// (a boundary counted before the deletion). The first run keeps the deleted lines and rewrites
// Content as a snapshot, so redo and undo bring back the very same cells and embedded elements with
// their IDs. Line edits never merge.
class TTableEditOperation : public TElementOperation
{
    QV_CLASS(TTableEditOperation, TElementOperation)

    explicit TTableEditOperation(TCustomTableElement* table = nullptr);
    ~TTableEditOperation() override;

    uint8_t Direction() const { return FDirection; }
    void SetDirection(uint8_t value) { FDirection = value; }
    const TTableLineRange& DeletedRange() const { return FDeletedRange; }
    void SetDeletedRange(const TTableLineRange& range) { FDeletedRange = range; }
    int InsertIndex() const { return FInsertIndex; }
    void SetInsertIndex(int value) { FInsertIndex = value; }
    TKnot* Content() const { return FContent.get(); }
    void SetContent(std::unique_ptr<TKnot> content);
    uint8_t ContentMode() const { return FContentMode; }
    void SetContentMode(uint8_t mode) { FContentMode = mode; }
    uint8_t ContentFlags() const { return FContentFlags; }
    void SetContentFlags(uint8_t flags) { FContentFlags = flags; }
    bool KeepSelection() const { return FKeepSelection; }
    void SetKeepSelection(bool value) { FKeepSelection = value; }
    TKnot* DeletedContent() const { return FDeletedContent.get(); }
    const TTableLineRange& InsertedRange() const { return FInsertedRange; }

protected:
    void DoOnElement(TElement* element) override;
    void UndoOnElement(TElement* element) override;

private:
    uint8_t FDirection = tdColumns;
    TTableLineRange FDeletedRange;
    int FInsertIndex = 0;
    std::unique_ptr<TKnot> FContent;
    uint8_t FContentMode = 0;
    uint8_t FContentFlags = 0;
    bool FKeepSelection = false;
    std::unique_ptr<TKnot> FDeletedContent;
    TTableLineRange FInsertedRange;
};

// A new, empty "ZivorEredadContent" node.
std::unique_ptr<TKnot> NewTableContentKnot();

} // namespace qv
