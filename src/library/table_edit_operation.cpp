#include "library/table_edit_operation.h"

#include "core/knot.h"
#include "core/update_guard.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"

namespace qv {

QV_IMPLEMENT_CLASS(TTableEditOperation)

std::unique_ptr<TKnot> NewTableContentKnot()
{
    return std::make_unique<TKnot>(QString::fromUtf16(textorContentName));
}

namespace {

// Which infos go with lines of `direction`: those of the direction always, those of the other one
// only when the table has (or had) no line of the direction left.
void InfoRule(TCustomTableElement* table, uint8_t direction, bool& withRowInfos, bool& withColumnInfos)
{
    withRowInfos = direction == tdRows || table->ColumnCount() == 0;
    withColumnInfos = direction == tdColumns || table->RowCount() == 0;
}

// Saves lines `range` of `direction` in snapshot mode.
std::unique_ptr<TKnot> SnapshotLines(TCustomTableElement* table, uint8_t direction, TTableLineRange range,
                                     bool withRowInfos, bool withColumnInfos)
{
    auto knot = NewTableContentKnot();
    TSchemeSaver saver(fmSnapshot, knot.get(), 0);
    if (direction == tdColumns)
        table->SaveLines(&saver, knot.get(), withRowInfos, withColumnInfos, nullptr, &range);
    else
        table->SaveLines(&saver, knot.get(), withRowInfos, withColumnInfos, &range, nullptr);
    return knot;
}

} // namespace

TTableEditOperation::TTableEditOperation(TCustomTableElement* table) : TElementOperation(table) {}

TTableEditOperation::~TTableEditOperation() = default;

void TTableEditOperation::SetContent(std::unique_ptr<TKnot> content)
{
    FContent = std::move(content);
}

void TTableEditOperation::DoOnElement(TElement* element)
{
    auto* table = dynamic_cast<TCustomTableElement*>(element);
    if (table == nullptr)
        return;
    TUpdateGuard<TScheme> schemeGuard(table->Scheme());
    TUpdateGuard<TCustomTableElement> tableGuard(table);
    table->FLinesChanged = true;

    TTableLineRange selection{FInsertIndex, FInsertIndex};
    int insertIndex = FInsertIndex;
    if (!FDeletedRange.IsEmpty()) {
        const int count = table->LineCount(FDirection);
        FDeletedRange.End = std::min(FDeletedRange.End, count);
        if (!FDeletedContent && State() == osDoing) {
            const bool all = FDeletedRange.Start == 0 && FDeletedRange.End == count;
            FDeletedContent = SnapshotLines(table, FDirection, FDeletedRange, FDirection == tdRows || all,
                                            FDirection == tdColumns || all);
        }
        table->DeleteLines(FDirection, FDeletedRange);
        if (insertIndex >= FDeletedRange.End)
            insertIndex -= FDeletedRange.Length();
        else if (insertIndex > FDeletedRange.Start)
            insertIndex = FDeletedRange.Start;
        selection = {FDeletedRange.Start, FDeletedRange.Start};
    }
    insertIndex = std::clamp(insertIndex, 0, table->LineCount(FDirection));

    bool inserted = false;
    if (FContent) {
        bool withRowInfos = false;
        bool withColumnInfos = false;
        InfoRule(table, FDirection, withRowInfos, withColumnInfos);
        FContent->SetReadMarks(false);
        TScheme* scheme = table->Scheme();
        TSchemeLoader loader(scheme,
                             FContentMode != fmSnapshot && scheme != nullptr ? scheme->Messages() : nullptr,
                             FContent.get(), FContentFlags, FContentMode);
        FInsertedRange =
            table->LoadLines(&loader, FContent.get(), FDirection, insertIndex, withRowInfos, withColumnInfos);
        loader.Finish();
        if (FContentMode != fmSnapshot) {
            FContent = SnapshotLines(table, FDirection, FInsertedRange, withRowInfos, withColumnInfos);
            FContentMode = fmSnapshot;
        }
        selection = FInsertedRange;
        inserted = true;
    } else {
        FInsertedRange = {insertIndex, insertIndex};
    }

    if (TSchemeTableInteractive* interactive = table->Interactive()) {
        const int anchor = inserted && FKeepSelection ? selection.Start : selection.End;
        interactive->SetPendingSelection(FDirection, anchor, selection.End);
    }
}

void TTableEditOperation::UndoOnElement(TElement* element)
{
    auto* table = dynamic_cast<TCustomTableElement*>(element);
    if (table == nullptr)
        return;
    TUpdateGuard<TScheme> schemeGuard(table->Scheme());
    TUpdateGuard<TCustomTableElement> tableGuard(table);
    table->FLinesChanged = true;

    TTableLineRange selection{FInsertedRange.Start, FInsertedRange.Start};
    if (!FInsertedRange.IsEmpty())
        table->DeleteLines(FDirection, FInsertedRange);
    if (FDeletedContent) {
        bool withRowInfos = false;
        bool withColumnInfos = false;
        InfoRule(table, FDirection, withRowInfos, withColumnInfos);
        FDeletedContent->SetReadMarks(false);
        TSchemeLoader loader(table->Scheme(), nullptr, FDeletedContent.get(), 0, fmSnapshot);
        selection = table->LoadLines(&loader, FDeletedContent.get(), FDirection,
                                     std::min(FDeletedRange.Start, table->LineCount(FDirection)),
                                     withRowInfos, withColumnInfos);
        loader.Finish();
    }
    if (TSchemeTableInteractive* interactive = table->Interactive())
        interactive->SetPendingSelection(FDirection, selection.Start, selection.End);
}

} // namespace qv
