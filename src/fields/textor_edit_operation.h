#pragma once

#include "elements/element_operation.h"
#include "textor/attributes.h"
#include "textor/textor_position.h"

#include <cstdint>
#include <memory>

namespace qv {

class TKnot;
class TTextorElement;

// One edit of a text field: deletes DeletedRange, then inserts Content at InsertPoint. Positions are
// kept in index form, InsertPoint in the text before the deletion. The first run keeps what it
// deleted (DeletedContent) and rewrites Content as an exact snapshot, so redo and undo replay the
// very same elements with their IDs.
//
// Quick successive edits merge (MergeInto): typing and Backspace within 800 ms become one undo step;
// Delete never merges.
class TTextorEditOperation : public TElementOperation
{
    QV_CLASS(TTextorEditOperation, TElementOperation)

    explicit TTextorEditOperation(TTextorElement* element = nullptr);
    ~TTextorEditOperation() override;

    // The clock's monotonic milliseconds at the last run.
    int64_t TimeStamp() const { return FTimeStamp; }
    const TTextorIndexRange& DeletedRange() const { return FDeletedRange; }
    void SetDeletedRange(const TTextorIndexRange& range) { FDeletedRange = range; }
    const TTextorIndex& InsertPoint() const { return FInsertPoint; }
    void SetInsertPoint(const TTextorIndex& point) { FInsertPoint = point; }
    TTextAttributes* InsertAttributes() const { return FInsertAttributes.get(); }
    void SetInsertAttributes(TTextAttributes* attributes) { FInsertAttributes = attributes; }
    // What the edit inserts. Once an insertion of elements is done the edit holds nothing: redo needs
    // exactly what was inserted, elements with their IDs, and that is saved when the edit is undone
    // (the document then is as the edit left it), so an import or a large paste is not kept twice.
    TKnot* Content() const { return FContent.get(); }
    void SetContent(std::unique_ptr<TKnot> content);
    uint8_t ContentMode() const { return FContentMode; }
    void SetContentMode(uint8_t mode) { FContentMode = mode; }
    uint8_t ContentFlags() const { return FContentFlags; }
    void SetContentFlags(uint8_t flags) { FContentFlags = flags; }
    bool KeepSelection() const { return FKeepSelection; }
    void SetKeepSelection(bool value) { FKeepSelection = value; }
    TKnot* DeletedContent() const { return FDeletedContent.get(); }
    const TTextorIndexRange& InsertedRange() const { return FInsertedRange; }

    // Do and redo.
    virtual void ApplyEdit(TTextorElement* element);
    // Undo.
    virtual void RevertEdit(TTextorElement* element);
    bool MergeInto(TOperation* previous) override;

    // Quick edits closer together than this (milliseconds) merge.
    static constexpr int64_t mergeInterval = 800;

protected:
    void DoOnElement(TElement* element) override;
    void UndoOnElement(TElement* element) override;

private:
    struct TPendingSelectionFlush;

    // Saves the inserted range as the content redo inserts.
    void SaveInsertedForRedo(TTextorElement* element);

    int64_t FTimeStamp = 0;
    TTextorIndexRange FDeletedRange;
    TTextorIndex FInsertPoint;
    TAttributesRef<TTextAttributes> FInsertAttributes;
    std::unique_ptr<TKnot> FContent;
    uint8_t FContentMode = 0;
    uint8_t FContentFlags = 0;
    bool FKeepSelection = false;
    // The inserted range is saved for redo when the edit is undone (see Content).
    bool FRedoContentPending = false;
    std::unique_ptr<TKnot> FDeletedContent;
    TTextorIndexRange FInsertedRange;
};

// Appends the children of `source` to `target` (moving them); when the last node of `target` and
// the first moved node are both "Chars" with the same "Data", their values are joined.
void AppendContentNodes(TKnot* target, TKnot* source);

} // namespace qv
