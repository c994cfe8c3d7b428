// Edits of text fields: Replace and its variants, and the undoable edit operation with its merging.

#include "fields/textor_edit_operation.h"

#include "core/clock.h"
#include "core/knot.h"
#include "core/update_guard.h"
#include "elements/classes_groups.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "fields/textor_element.h"
#include "textor/sheet_settings.h"

#include <cstdlib>

namespace qv {

QV_IMPLEMENT_CLASS(TTextorEditOperation)

namespace {

const QString& CharsName()
{
    static const QString name = QStringLiteral("Chars");
    return name;
}

bool IsChars(TKnot* knot)
{
    return knot != nullptr && knot->Name() == CharsName();
}

QString ParamText(TKnot* knot, const QString& name)
{
    TKnotParam* param = knot->FindParam(name);
    return param != nullptr ? param->ValueText() : QString();
}

bool IsEmptyRange(const TTextorIndexRange& range)
{
    return range.Start == range.End;
}

// Joins `second` onto `first` when both are "Chars" of the same "Data": first's value becomes
// first + second. Returns whether it joined.
bool JoinChars(TKnot* first, TKnot* second)
{
    static const QString value = QStringLiteral("Value");
    static const QString data = QStringLiteral("Data");
    if (!IsChars(first) || !IsChars(second) || ParamText(first, data) != ParamText(second, data))
        return false;
    const QString joined = ParamText(first, value) + ParamText(second, value);
    if (TKnotParam* param = first->FindParam(value))
        param->SetText(joined);
    else
        first->WriteString(value, joined);
    return true;
}

std::unique_ptr<TKnot> NewContentKnot()
{
    return std::make_unique<TKnot>(QString::fromUtf16(textorContentName));
}

// The index of a position, moved out of a surrogate pair to the pair's start (or its end with
// `forward`).
TTextorIndex SnappedIndex(const TTextorPosition& position, bool forward)
{
    TParagraph* p = position.Paragraph;
    return {p->Index(), p->SnapOffset(p->OffsetOf(position), forward)};
}

TTextorIndex SnappedInsertPoint(const TTextor& textor, const TTextorIndex& point)
{
    TTextorPosition position;
    return textor.FromIndex(point, position) ? SnappedIndex(position, false) : point;
}

bool IsBlockClass(const TElementClass* cls)
{
    return ApplicationClassesGroups().GetGroup(cgBlockClasses).contains(cls);
}

} // namespace

void AppendContentNodes(TKnot* target, TKnot* source)
{
    while (auto* node = static_cast<TKnot*>(source->FirstChild())) {
        auto* last = static_cast<TKnot*>(target->LastChild());
        if (JoinChars(last, node))
            node->Free();
        else
            node->SetParent(target);
    }
}

// ---------------------------------------------------------------------------------------------------
// Replace and its variants

TNodePtr<TTextorEditOperation> TTextorElement::CreateEditOperation(int)
{
    return TNodePtr<TTextorEditOperation>(new TTextorEditOperation(this));
}

void TTextorElement::Replace(int target, const TTextorRange* range, bool keepSelection, uint8_t contentFlags,
                             uint8_t contentMode, const TKnot* content)
{
    std::unique_ptr<TKnot> copy;
    if (content != nullptr) {
        copy = NewContentKnot();
        copy->Assign(*content);
    }
    ReplaceWithContent(target, range, keepSelection, contentFlags, contentMode, std::move(copy));
}

void TTextorElement::ReplaceWithContent(int target, const TTextorRange* range, bool keepSelection,
                                        uint8_t contentFlags, uint8_t contentMode,
                                        std::unique_ptr<TKnot> content)
{
    TNodePtr<TSchemeOperation> operation = CreateEditOperation(target);
    auto* edit = static_cast<TTextorEditOperation*>(operation.get());

    TTextorRange selection;
    const bool focused = IsFocused() && SelectionRange(selection);
    TTextorIndexRange deleted;
    switch (target) {
    case tetSelection:
        if (focused)
            deleted = FTextor->ToIndex(selection);
        break;
    case tetRange:
        if (range != nullptr)
            deleted = FTextor->ToIndex(*range);
        break;
    case tetAll:
        deleted = FTextor->ToIndex(FTextor->WholeRange());
        break;
    default:
        break;
    }
    edit->SetDeletedRange(deleted);

    if (content != nullptr) {
        TTextorPosition point = FTextor->LastPosition();
        TTextorPosition attributesAt = FTextor->LastPosition();
        switch (target) {
        case tetSelection: {
            TTextorPosition caret;
            if (focused && FTextor->FromIndex(Selection().End, caret))
                point = attributesAt = caret;
            break;
        }
        case tetRange:
            if (range != nullptr) {
                point = range->Start;
                attributesAt = range->End;
            }
            break;
        case tetAll:
            point = FTextor->FirstPosition();
            break;
        default:
            break;
        }
        edit->SetInsertPoint(FTextor->ToIndex(point));
        edit->SetInsertAttributes(FTextor->AttributesAt(attributesAt));
        edit->SetContent(std::move(content));
        edit->SetContentMode(contentMode);
        edit->SetContentFlags(contentFlags);
        edit->SetKeepSelection(keepSelection);
    }
    TSchemeOperation::Post(std::move(operation));
}

void TTextorElement::ReplaceWithText(int target, const TTextorRange* range, bool keepSelection,
                                     const QString& text)
{
    if (text.isEmpty()) {
        Replace(target, range, keepSelection, 0, fmFile, nullptr);
        return;
    }
    auto content = NewContentKnot();
    if (text == QStringLiteral("\r"))
        content->AddKnot(QStringLiteral("Br"));
    else
        content->AddKnot(CharsName())->WriteString(QStringLiteral("Value"), text);
    Replace(target, range, keepSelection, 0, fmFile, content.get());
}

void TTextorElement::ReplaceWithElements(int target, const TTextorRange* range,
                                         const QList<TElement*>& elements)
{
    if (elements.isEmpty())
        return;
    TTextorPosition point = FTextor->LastPosition();
    TTextorRange selection;
    if (target == tetRange && range != nullptr)
        point = range->Start;
    else if (target == tetSelection && IsFocused() && SelectionRange(selection))
        point = selection.Start;
    else if (target == tetAll)
        point = FTextor->FirstPosition();
    const bool paragraphs = FTextor->AllowParagraphs();
    auto content = NewContentKnot();
    TSchemeSaver saver(fmSnapshot, content.get(), 0);
    for (qsizetype i = 0; i < elements.size(); ++i) {
        TElement* element = elements[i];
        if (paragraphs) {
            const bool block = IsBlockClass(element->ElementClass()) || HasBehaviour(tboElementsOnOwnLine);
            if (i > 0 || (block && point.Paragraph->OffsetOf(point) > 0))
                content->AddKnot(QStringLiteral("Br"));
        }
        element->SaveToKnot(&saver, content->AddKnot(element->ElementClass()->XmlName()));
    }
    // The snapshot brings the elements back with their IDs.
    for (TElement* element : elements)
        element->Free();
    Replace(target, range, false, 0, fmSnapshot, content.get());
}

void TTextorElement::FocusFirstTextField(TVisualElement* element)
{
    // The first focus target inside the element that takes typed text gets the caret; an element
    // without one takes the focus as it would from a click.
    TVisualElement* target = nullptr;
    if (element->FindFocusTarget(true, true, true, target)) {
        while (target != nullptr) {
            bool inside = false;
            for (TVisualElement* e = target; e != nullptr && !inside; e = e->VisualParent())
                inside = e == element;
            if (!inside)
                break;
            auto* field = dynamic_cast<TTextorElement*>(target);
            if (field != nullptr && field->TextAllowed() && !field->IsReadOnly()) {
                // Selected, so that typing replaces an automatic name and an arrow key keeps it.
                field->FocusAtLast();
                const TTextorIndex first = field->Textor()->ToIndex(field->Textor()->FirstPosition());
                field->SetSelection({first, field->Selection().End});
                return;
            }
            target = target->FindNextFocusTarget(true, true, true);
        }
    }
    element->Focus();
}

TElement* TTextorElement::InsertNewElement(const TElementClass* cls, TPaletteItem* item,
                                           const TTextorPosition* position)
{
    const TTextorPosition at = position != nullptr ? *position : FTextor->LastPosition();
    TNodePtr<TElement> created = cls->CreateElement(Scheme());
    created->SetParent(this, ElementAfter(at));
    TElement* element = created.release(); // the field owns it now
    try {
        element->InitializeNewTree(item);
    } catch (...) {
        element->Free();
        throw;
    }
    const bool paragraphs = FTextor->AllowParagraphs();
    const bool block = paragraphs && (IsBlockClass(cls) || HasBehaviour(tboElementsOnOwnLine));
    auto isBlockElement = [](TPortion* portion) {
        TVisualElement* neighbour = EmbeddedElement(portion);
        return neighbour != nullptr && IsBlockClass(neighbour->ElementClass());
    };
    TParagraph* p = at.Paragraph;
    const int offset = p->OffsetOf(at);
    int local = 0;
    TPortion* after = p->PortionAt(offset, local);
    TPortion* before = nullptr;
    if (offset > 0) {
        int beforeLocal = 0;
        before = p->PortionAt(offset - 1, beforeLocal);
    }
    const bool breakBefore = paragraphs && ((block && offset > 0) || isBlockElement(before));
    const bool breakAfter = paragraphs && ((block && FTextor->Compare(at, FTextor->LastPosition()) < 0) ||
                                           (local == 0 && isBlockElement(after)));

    auto content = NewContentKnot();
    {
        TSchemeSaver saver(fmSnapshot, content.get(), 0);
        if (breakBefore)
            content->AddKnot(QStringLiteral("Br"));
        element->SaveToKnot(&saver, content->AddKnot(cls->XmlName()));
        if (breakAfter)
            content->AddKnot(QStringLiteral("Br"));
    }
    const int32_t id = element->ID();
    element->Free();
    const TTextorRange range{at, at};
    Replace(position != nullptr ? tetRange : tetAppend, &range, false, 0, fmSnapshot, content.get());

    TElement* inserted = Scheme() != nullptr ? Scheme()->FindElementByID(id) : nullptr;
    TSheetSettings* settings = SheetSettings();
    if (IsInstanceOf(inserted, TVisualElement::StaticClass()) && settings != nullptr &&
        settings->FocusNew().Value() && Sheet() != nullptr && IsShown()) {
        FocusFirstTextField(static_cast<TVisualElement*>(inserted));
    }
    if (breakAfter && IsFocused()) {
        // The caret stands at the end of the new element's line.
        TTextorPosition caret;
        if (FTextor->FromIndex(Selection().End, caret)) {
            caret = FTextor->PrevPosition(caret);
            const TTextorIndex index = FTextor->ToIndex(caret);
            SetSelection({index, index});
        }
    }
    return inserted;
}

// ---------------------------------------------------------------------------------------------------
// TTextorEditOperation

TTextorEditOperation::TTextorEditOperation(TTextorElement* element) : TElementOperation(element) {}

TTextorEditOperation::~TTextorEditOperation() = default;

void TTextorEditOperation::SetContent(std::unique_ptr<TKnot> content)
{
    FContent = std::move(content);
}

void TTextorEditOperation::DoOnElement(TElement* element)
{
    if (auto* field = dynamic_cast<TTextorElement*>(element))
        ApplyEdit(field);
}

void TTextorEditOperation::UndoOnElement(TElement* element)
{
    if (auto* field = dynamic_cast<TTextorElement*>(element))
        RevertEdit(field);
}

// Declared before the update guards, so it runs after they closed: an edit whose brackets ended
// without a layout (nothing changed) still shows its selection.
struct TTextorEditOperation::TPendingSelectionFlush
{
    TTextorElement* Element;
    ~TPendingSelectionFlush() { Element->FlushPendingSelection(); }
};

void TTextorEditOperation::ApplyEdit(TTextorElement* element)
{
    FTimeStamp = Clock().MonotonicMs();
    TSchemeTextor* textor = element->Textor();
    const TPendingSelectionFlush flush{element};
    TUpdateGuard<TScheme> schemeGuard(element->Scheme());
    TUpdateGuard<TTextor> textorGuard(textor);

    // Text goes in before a surrogate pair that the insertion point would cut, as the Textor
    // inserts it (the point is in the text before the deletion).
    if (State() == osDoing)
        FInsertPoint = SnappedInsertPoint(*textor, FInsertPoint);
    if (!IsEmptyRange(FDeletedRange)) {
        TTextorRange range;
        if (textor->FromIndex(FDeletedRange, range)) {
            if (textor->Compare(range.Start, range.End) > 0) {
                std::swap(range.Start, range.End);
                std::swap(FDeletedRange.Start, FDeletedRange.End);
            }
            if (State() == osDoing) {
                // A range that cuts a surrogate pair takes the whole character, as the caret never
                // stands inside one: what is kept for undo is exactly what goes.
                FDeletedRange = {SnappedIndex(range.Start, false), SnappedIndex(range.End, true)};
                textor->FromIndex(FDeletedRange, range);
            }
            if (State() == osDoing && !FDeletedContent) {
                FDeletedContent = NewContentKnot();
                TSchemeSaver saver(fmSnapshot, FDeletedContent.get(), 0);
                element->SaveContent(&saver, FDeletedContent.get(), &range);
            }
            textor->DeleteRange(range);
        }
        // The insertion point moves as the deletion moved the text after it; a redo finds it
        // already moved.
        if (State() == osDoing) {
            const TTextorIndex& start = FDeletedRange.Start;
            const TTextorIndex& end = FDeletedRange.End;
            if (FInsertPoint.Paragraph == end.Paragraph && FInsertPoint.Offset >= end.Offset)
                FInsertPoint = {start.Paragraph, FInsertPoint.Offset + (start.Offset - end.Offset)};
            else if (FInsertPoint.Paragraph > end.Paragraph)
                FInsertPoint.Paragraph -= end.Paragraph - start.Paragraph;
            else if (!(FInsertPoint < start))
                FInsertPoint = start; // inside the deleted range
        }
    }

    TTextorRange inserted;
    bool haveInserted = false;
    if (FContent) {
        TTextorPosition point;
        if (textor->FromIndex(FInsertPoint, point)) {
            FContent->SetReadMarks(false);
            TSchemeLoader loader(element->Scheme(),
                                 element->Scheme() != nullptr ? element->Scheme()->Messages() : nullptr,
                                 FContent.get(), FContentFlags, FContentMode);
            inserted = element->LoadContent(&loader, FContent.get(), &point);
            loader.Finish();
            haveInserted = true;
            FInsertedRange = textor->ToIndex(inserted);
            if (FContentMode != fmSnapshot) {
                // Redo replays exactly what was inserted, elements with their IDs. Text is saved
                // now (typing merges into it); elements when the edit is undone.
                QString text;
                if (TTextorElement::ContentAsText(FContent.get(), text)) {
                    SaveInsertedForRedo(element);
                } else {
                    FContent.reset();
                    FRedoContentPending = true;
                }
                FContentMode = fmSnapshot;
            }
        }
    } else {
        FInsertedRange = {FInsertPoint, FInsertPoint};
        if (!IsEmptyRange(FDeletedRange))
            FInsertedRange = {FDeletedRange.Start, FDeletedRange.Start};
    }

    if (element->IsFocused()) {
        TTextorIndexRange selection = FInsertedRange;
        if (!haveInserted || !FKeepSelection)
            selection.Start = selection.End;
        element->SetPendingSelection(selection);
    }
}

void TTextorEditOperation::RevertEdit(TTextorElement* element)
{
    TSchemeTextor* textor = element->Textor();
    const TPendingSelectionFlush flush{element};
    TUpdateGuard<TScheme> schemeGuard(element->Scheme());
    TUpdateGuard<TTextor> textorGuard(textor);
    if (FRedoContentPending)
        SaveInsertedForRedo(element);
    if (FContent && !IsEmptyRange(FInsertedRange)) {
        TTextorRange range;
        if (textor->FromIndex(FInsertedRange, range))
            textor->DeleteRange(range);
    }
    TTextorIndexRange selection{FDeletedRange.Start, FDeletedRange.Start};
    if (FDeletedContent) {
        TTextorPosition point;
        if (textor->FromIndex(FDeletedRange.Start, point)) {
            FDeletedContent->SetReadMarks(false);
            TSchemeLoader loader(element->Scheme(), nullptr, FDeletedContent.get(), 0, fmSnapshot);
            const TTextorRange restored = element->LoadContent(&loader, FDeletedContent.get(), &point);
            loader.Finish();
            selection = textor->ToIndex(restored);
        }
    }
    if (element->IsFocused())
        element->SetPendingSelection(selection);
}

void TTextorEditOperation::SaveInsertedForRedo(TTextorElement* element)
{
    FRedoContentPending = false;
    auto snapshot = NewContentKnot();
    TTextorRange range;
    if (element->Textor()->FromIndex(FInsertedRange, range)) {
        TSchemeSaver saver(fmSnapshot, snapshot.get(), 0);
        element->SaveContent(&saver, snapshot.get(), &range);
    }
    FContent = std::move(snapshot);
}

bool TTextorEditOperation::MergeInto(TOperation* previous)
{
    auto* prev = dynamic_cast<TTextorEditOperation*>(previous);
    if (prev == nullptr || prev->ElementID() != ElementID() || prev->Scheme() != Scheme())
        return false;
    if (std::abs(FTimeStamp - prev->FTimeStamp) >= mergeInterval)
        return false;
    // Text typed after inserted elements, or elements inserted after typed text, join the step: the
    // content of both is needed now. This edit inserted after the previous one's range, so that range
    // still holds what it inserted.
    const bool inserting = !FDeletedContent && !prev->FDeletedContent && (FContent || FRedoContentPending) &&
                           (prev->FContent || prev->FRedoContentPending) &&
                           prev->FInsertedRange.End == FInsertPoint &&
                           FInsertAttributes.get() == prev->FInsertAttributes.get();
    if (inserting && (FRedoContentPending || prev->FRedoContentPending)) {
        auto* field = dynamic_cast<TTextorElement*>(FindElement());
        if (field == nullptr)
            return false;
        if (FRedoContentPending)
            SaveInsertedForRedo(field);
        if (prev->FRedoContentPending)
            prev->SaveInsertedForRedo(field);
    }
    const bool typing = inserting && FContent && prev->FContent;
    const bool backspacing = FDeletedContent && prev->FDeletedContent && !FContent && !prev->FContent &&
                             !FRedoContentPending && !prev->FRedoContentPending &&
                             prev->FDeletedRange.Start == FDeletedRange.End;
    if (typing) {
        AppendContentNodes(prev->FContent.get(), FContent.get());
        prev->FInsertedRange.End = FInsertedRange.End;
    } else if (backspacing) {
        // The newly deleted text stood before what the previous edit deleted.
        AppendContentNodes(FDeletedContent.get(), prev->FDeletedContent.get());
        prev->FDeletedContent = std::move(FDeletedContent);
        prev->FDeletedRange.Start = FDeletedRange.Start;
        prev->FInsertedRange = {FDeletedRange.Start, FDeletedRange.Start};
    } else {
        return false;
    }
    prev->FTimeStamp = FTimeStamp;
    MoveDependentsTo(prev);
    return true;
}

} // namespace qv
