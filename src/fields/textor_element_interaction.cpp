// The text field's caret, selection, keys and mouse: the interactive's life and the routing of the
// sheet's hooks to it.

#include "core/clock.h"
#include "core/strings.h"
#include "elements/element_sheet.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "fields/scheme_textor_interactive.h"
#include "fields/textor_element.h"
#include "textor/sheet_settings.h"

#include <QGuiApplication>
#include <QStringList>
#include <QStyleHints>

#include <limits>
#include <utility>

namespace qv {

// Counts the calls into the interactive that are running; FreeInteractive keeps an interactive
// alive until the outermost call returned (a key may move the focus away from its own field).
class TTextorElement::TInteractiveCall
{
public:
    explicit TInteractiveCall(TTextorElement* element) : FElement(element)
    {
        ++FElement->Interaction().InteractiveCalls;
    }
    ~TInteractiveCall()
    {
        if (--FElement->FInteraction->InteractiveCalls == 0)
            FElement->FInteraction->RetiredInteractive.reset();
    }
    TInteractiveCall(const TInteractiveCall&) = delete;
    TInteractiveCall& operator=(const TInteractiveCall&) = delete;

private:
    TTextorElement* FElement;
};

namespace {

int DoubleClickInterval()
{
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr)
        return QGuiApplication::styleHints()->mouseDoubleClickInterval();
    return 400;
}

int DragThreshold()
{
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr)
        return QGuiApplication::styleHints()->startDragDistance();
    return 4;
}

} // namespace

// --- Life of the interactive -----------------------------------------------------------------------

uint16_t TTextorElement::InteractiveOptionsFromFieldOptions()
{
    uint16_t options = tioDefault;
    if ((FContentOptions & (tcoTextMask | tcoTabStops)) != 0)
        options |= tioTakesText;
    if (HasBehaviour(tboElements))
        options |= tioTakesElements;
    if (HasDropDown())
        options |= tioDropDown;
    if ((FContentOptions & tcoParagraphs) != 0)
        options |= tioLineBreaks;
    return options;
}

void TTextorElement::ConfigureInteractive(uint16_t options)
{
    TSheetSettings* settings = SheetSettings();
    FInteractive->SetCaretWidth(settings != nullptr ? settings->CaretSize().Value() : 1);
    FInteractive->SetInteractiveOptions(options);
}

void TTextorElement::CreateInteractive()
{
    FInteractive = std::make_unique<TSchemeTextorInteractive>(FTextor.get(), this);
    FInteractive->SetCanEdit([this] { return CanEdit(); });
    FInteractive->SetDragThreshold(DragThreshold());
    if (Sheet() != nullptr)
        FInteractive->SetPageHeight(Sheet()->PageSize().height());
    ConfigureInteractive(InteractiveOptionsFromFieldOptions());
    FInteractive->AddHandler(MakeNotifyEvent<&TTextorElement::InteractiveNotify>(this));
    ApplyFocusPlacement();
}

void TTextorElement::FreeInteractive()
{
    if (!FInteractive)
        return;
    FInteractive->RemoveHandler(MakeNotifyEvent<&TTextorElement::InteractiveNotify>(this));
    if (Sheet() != nullptr && IsCaptured())
        Sheet()->SetCaptureElement(nullptr);
    if (!IsDestroying())
        MarkSelectedElements(true);
    if (FInteraction && FInteraction->InteractiveCalls > 0)
        FInteraction->RetiredInteractive = std::move(FInteractive);
    else
        FInteractive.reset();
    if (FInteraction)
        FInteraction->FocusPlacement = fpNone;
}

TSchemeTextorInteractive* TTextorElement::ReadyInteractive() const
{
    if (!FInteractive || FTextor->UpdateCount() > 0 || FTextor->LockCount() > 0 ||
        FTextor->ArrangePending() || FTextor->Arranging())
        return nullptr;
    return FInteractive.get();
}

void TTextorElement::FocusChanged()
{
    inherited::FocusChanged();
    if (IsDestroying())
        return;
    if (FInteraction)
        FInteraction->SelectedAll = false;
    if (IsFocused()) {
        if (!FInteractive)
            CreateInteractive();
    } else {
        FreeInteractive();
    }
}

// --- Selection -------------------------------------------------------------------------------------

const TTextorIndexRange& TTextorElement::Selection() const
{
    static const TTextorIndexRange none;
    return FInteraction ? FInteraction->Selection : none;
}

TTextorElement::TInteraction& TTextorElement::Interaction()
{
    if (!FInteraction)
        FInteraction = std::make_unique<TInteraction>();
    return *FInteraction;
}

void TTextorElement::SyncSelection()
{
    if (!FInteractive)
        return;
    Interaction().Selection = {FTextor->ToIndex(FInteractive->Anchor()),
                               FTextor->ToIndex(FInteractive->Caret())};
}

void TTextorElement::SetSelection(const TTextorIndexRange& selection)
{
    Interaction().Selection = selection;
    if (FInteractive) {
        const bool caretAtStart = selection.End < selection.Start;
        const TTextorIndexRange sorted =
            caretAtStart ? TTextorIndexRange{selection.End, selection.Start} : selection;
        if (ReadyInteractive() == nullptr) {
            FInteractive->SetPendingSelection(sorted, caretAtStart);
        } else {
            const TInteractiveCall call(this);
            FInteractive->ClearPendingSelection();
            TTextorRange range;
            if (FTextor->FromIndex(sorted, range))
                FInteractive->SetSelection(range, caretAtStart);
            else
                FInteractive->SetCaret(FTextor->FirstPosition());
            SyncSelection();
        }
    }
    if (Sheet() != nullptr && IsFocused())
        Sheet()->CaretMoved();
}

void TTextorElement::SetPendingSelection(const TTextorIndexRange& range)
{
    Interaction().Selection = range;
    if (FInteractive)
        FInteractive->SetPendingSelection(range, false);
}

bool TTextorElement::FlushPendingSelectionNow()
{
    if (!FInteractive || !FInteractive->HasPendingSelection())
        return false;
    {
        const TInteractiveCall call(this);
        FInteractive->ApplyPendingSelection();
        SyncSelection();
    }
    // An edit or a command placed the caret: it is shown where it went.
    if (Sheet() != nullptr && IsFocused())
        Sheet()->CaretMoved();
    return true;
}

void TTextorElement::FlushPendingSelection()
{
    if (ReadyInteractive() == nullptr || !FInteractive->HasPendingSelection())
        return;
    SetFieldState(tfsRestoringSelection, true);
    struct TRestore
    {
        TTextorElement* Element;
        ~TRestore() { Element->SetFieldState(tfsRestoringSelection, false); }
    } restore{this};
    FlushPendingSelectionNow();
}

void TTextorElement::ReapplySelection()
{
    // Clamped, so that a selection beyond a shortened content (SetText) stays inside it.
    auto clamp = [this](TTextorIndex index) {
        const int count = FTextor->ParagraphCount();
        index.Paragraph = qBound(0, index.Paragraph, count - 1);
        TTextorPosition position;
        FTextor->FromIndex({index.Paragraph, 0}, position);
        index.Offset = qBound(0, index.Offset, position.Paragraph->Length());
        FTextor->FromIndex(index, position);
        return position;
    };
    const TInteractiveCall call(this);
    const TTextorPosition anchor = clamp(Selection().Start);
    const TTextorPosition caret = clamp(Selection().End);
    const bool caretAtStart = FTextor->Compare(caret, anchor) < 0;
    FInteractive->SetSelection(caretAtStart ? TTextorRange{caret, anchor} : TTextorRange{anchor, caret},
                               caretAtStart);
    SyncSelection();
}

bool TTextorElement::MarkSelectedElements(bool none)
{
    if (!HasBehaviour(tboElements))
        return false;
    TTextorRange selection;
    const bool any = !none && FInteractive && FInteractive->HasSelection();
    // Without a selection only covered elements would change: none, and the text is not walked.
    if (!any && CoveredChildCount() == 0)
        return false;
    if (any)
        selection = FInteractive->GetSelection();
    const TTextorIndex start = any ? FTextor->ToIndex(selection.Start) : TTextorIndex{};
    const TTextorIndex end = any ? FTextor->ToIndex(selection.End) : TTextorIndex{};
    bool changed = false;
    int coveredWalked = 0;
    // Marks the elements of the paragraphs first to last.
    const auto mark = [&](int first, int last) {
        TTextorPosition from;
        TParagraph* p = FTextor->FromIndex(TTextorIndex{first, 0}, from) ? from.Paragraph : nullptr;
        for (int index = first; p != nullptr && index <= last; p = p->Next(), ++index) {
            int offset = 0;
            for (TPortion* portion = p->FirstPortion(); portion != nullptr; portion = portion->Next()) {
                if (TVisualElement* element = EmbeddedElement(portion)) {
                    const TTextorIndex at{index, offset};
                    const bool covered = any && !(at < start) && at < end;
                    changed = changed || covered != element->IsCovered();
                    element->SetCovered(covered);
                    coveredWalked += covered ? 1 : 0;
                }
                offset += portion->Length();
            }
        }
    };
    // Only the paragraphs of this selection and of the last one marked can change. Elements covered
    // elsewhere (the text changed since) are found by walking it all.
    TSchemeTextorInteractive::TParagraphSpan last;
    if (FInteractive)
        last = FInteractive->CoveredParagraphs;
    int first = any ? start.Paragraph : std::numeric_limits<int>::max();
    int lastIndex = any ? end.Paragraph : -1;
    if (last.First <= last.Last) {
        first = qMin(first, last.First);
        lastIndex = qMax(lastIndex, last.Last);
    }
    if (first <= lastIndex)
        mark(first, lastIndex);
    if (coveredWalked != CoveredChildCount()) {
        coveredWalked = 0;
        mark(0, std::numeric_limits<int>::max());
    }
    if (FInteractive)
        FInteractive->CoveredParagraphs =
            any ? TSchemeTextorInteractive::TParagraphSpan{start.Paragraph, end.Paragraph}
                : TSchemeTextorInteractive::TParagraphSpan{};
    return changed;
}

bool TTextorElement::HasSelection()
{
    TSchemeTextorInteractive* interactive = ReadyInteractive();
    return interactive != nullptr && interactive->HasSelection();
}

bool TTextorElement::SelectionContains(const QPoint& point)
{
    TTextorRange range;
    if (ReadyInteractive() == nullptr || !SelectionRange(range) || range.Start == range.End)
        return false;
    const QMargins padding = GetPadding();
    const TTextorHit hit =
        FTextor->PositionAtPoint(point - QPoint(padding.left(), padding.top()), false, false);
    if (!hit.Inside)
        return false;
    // The character under the point: from the selection's start up to, not including, its end.
    return FTextor->Compare(hit.Position, range.Start) >= 0 && FTextor->Compare(hit.Position, range.End) < 0;
}

void TTextorElement::SelectAll()
{
    TSchemeTextorInteractive* interactive = ReadyInteractive();
    if (interactive == nullptr)
        return;
    const TTextorRange selection = interactive->GetSelection();
    const bool whole = FTextor->ToIndex(selection.Start) == FTextor->ToIndex(FTextor->FirstPosition()) &&
                       FTextor->ToIndex(selection.End) == FTextor->ToIndex(FTextor->LastPosition());
    if (!whole || !Interaction().SelectedAll) {
        {
            const TInteractiveCall call(this);
            interactive->SelectAll();
        }
        Interaction().SelectedAll = true;
        return;
    }
    // The whole content was selected by the last press: the next level out is the element this field
    // belongs to, selected in the text it floats in.
    for (TVisualElement* element = this; element != nullptr; element = element->VisualParent()) {
        auto* holder = dynamic_cast<TTextorElement*>(element->VisualParent());
        if (element->Portion() == nullptr || holder == nullptr)
            continue;
        holder->FocusBeside(element, false);
        if (!holder->IsFocused())
            return;
        TTextorIndex at = holder->Selection().End;
        holder->SetSelection({at, {at.Paragraph, at.Offset + 1}});
        holder->Interaction().SelectedAll = true;
        return;
    }
}

void TTextorElement::FocusEntering(bool forward)
{
    if (forward)
        FocusAtFirst();
    else
        FocusAtLast();
}

bool TTextorElement::FocusBesideEmbedded(TVisualElement* embedded, bool after)
{
    if (embedded == nullptr || embedded->VisualParent() != this || embedded->Portion() == nullptr)
        return false;
    FocusBeside(embedded, after);
    return IsFocused();
}

TVisualElement* TTextorElement::EmbeddedFocusTarget(bool forward)
{
    TSchemeTextorInteractive* interactive = ReadyInteractive();
    if (interactive == nullptr || !HasBehaviour(tboElements))
        return nullptr;
    const TTextorRange selection = interactive->GetSelection();
    const TTextorIndex from = FTextor->ToIndex(forward ? selection.End : selection.Start);
    TTextorPosition start;
    if (!FTextor->FromIndex({from.Paragraph, 0}, start))
        return nullptr;
    QList<std::pair<int, TVisualElement*>> elements; // one paragraph's, by offset
    for (TParagraph* p = start.Paragraph; p != nullptr; p = forward ? p->Next() : p->Prev()) {
        elements.clear();
        int offset = 0;
        for (TPortion* portion = p->FirstPortion(); portion != nullptr; portion = portion->Next()) {
            if (TVisualElement* element = EmbeddedElement(portion))
                elements.append({offset, element});
            offset += portion->Length();
        }
        const bool first = p == start.Paragraph;
        for (int i = 0; i < elements.size(); ++i) {
            const auto& [at, element] = elements[forward ? i : elements.size() - 1 - i];
            if (first && (forward ? at < from.Offset : at >= from.Offset))
                continue;
            TVisualElement* target = nullptr;
            if (element->FindFocusTarget(forward, true, true, target) && target != nullptr)
                return target;
        }
    }
    return nullptr;
}

QString TTextorElement::InputRefusedHint()
{
    if (!IsReadOnly() && CanEdit() && !TextAllowed())
        return LoadStr(4851);
    return inherited::InputRefusedHint();
}

bool TTextorElement::CanCut()
{
    return CanCopy() && CanEdit();
}

void TTextorElement::Cut()
{
    if (!CanCut())
        return;
    Copy();
    Replace(tetSelection, nullptr, false, 0, fmFile, nullptr);
}

// --- Notifications ---------------------------------------------------------------------------------

void TTextorElement::InteractiveNotify(TItfObject*, int notify, intptr_t param1, intptr_t)
{
    switch (notify) {
    case tinCaret:
        SyncSelection();
        if ((FFieldState & tfsRestoringSelection) == 0 && Sheet() != nullptr && IsFocused())
            Sheet()->CaretMoved();
        break;
    case tinSelection:
        SyncSelection();
        // The palette offers the commands of the covered elements: it follows when they change.
        if ((MarkSelectedElements(false) || HasBehaviour(tboFormatItems)) && Sheet() != nullptr)
            Sheet()->RequestPaletteItemsChanged();
        Invalidate();
        break;
    case tinMouseState:
        if (Sheet() != nullptr) {
            if (FInteractive && FInteractive->MouseState() == tmsSelecting)
                Sheet()->SetCaptureElement(this);
            else if (IsCaptured())
                Sheet()->SetCaptureElement(nullptr);
        }
        break;
    case tinCursor:
        if (Sheet() != nullptr)
            Sheet()->UpdateCursor();
        break;
    case tinLink:
        if (const auto* position = reinterpret_cast<const TTextorPosition*>(param1))
            LinkClicked(position->Portion);
        break;
    case tinReplace: {
        const auto* text = reinterpret_cast<const QString*>(param1);
        ReplaceWithText(tetSelection, nullptr, false, text != nullptr ? *text : QString());
        break;
    }
    default:
        break;
    }
}

// --- Focus placement -------------------------------------------------------------------------------

void TTextorElement::RequestFocus(TFocusPlacement placement)
{
    Interaction().FocusPlacement = placement;
    if (IsFocused() && FInteractive)
        ApplyFocusPlacement();
    else
        SetFocus();
    Interaction().FocusPlacement = fpNone;
}

void TTextorElement::FocusAtFirst()
{
    RequestFocus(fpFirst);
}

void TTextorElement::FocusAtLast()
{
    RequestFocus(fpLast);
}

void TTextorElement::FocusAtPoint(const QPoint& point)
{
    Interaction().FocusPoint = point;
    RequestFocus(fpPoint);
}

void TTextorElement::FocusBeside(TVisualElement* embedded, bool after)
{
    Interaction().FocusElementID = embedded != nullptr ? embedded->ID() : 0;
    RequestFocus(after ? fpAfter : fpBefore);
}

void TTextorElement::FocusWithData(const QString& focusData)
{
    TTextorIndexRange range;
    TTextorRange positions;
    if (ParseFocusData(focusData, range) && FTextor->FromIndex(range, positions)) {
        Interaction().Selection = range;
        RequestFocus(fpSelection);
    } else {
        RequestFocus(fpFirst);
    }
}

void TTextorElement::ApplyFocusPlacement()
{
    const TFocusPlacement placement = std::exchange(Interaction().FocusPlacement, fpNone);
    TTextorIndex caret = FTextor->ToIndex(FTextor->FirstPosition());
    switch (placement) {
    case fpLast:
        caret = FTextor->ToIndex(FTextor->LastPosition());
        break;
    case fpSelection:
        SetSelection(Selection());
        return;
    case fpPoint:
        if (ReadyInteractive() != nullptr) {
            const QMargins padding = GetPadding();
            const TTextorHit hit = FTextor->PositionAtPoint(
                Interaction().FocusPoint - QPoint(padding.left(), padding.top()), true, true);
            caret = FTextor->ToIndex(hit.Position);
        }
        break;
    case fpBefore:
    case fpAfter:
        for (TParagraph* p = FTextor->FirstParagraph(); p != nullptr; p = p->Next()) {
            int offset = 0;
            for (TPortion* portion = p->FirstPortion(); portion != nullptr; portion = portion->Next()) {
                TVisualElement* element = EmbeddedElement(portion);
                if (element != nullptr && element->ID() == Interaction().FocusElementID)
                    caret = {p->Index(), offset + (placement == fpAfter ? 1 : 0)};
                offset += portion->Length();
            }
        }
        break;
    default:
        break;
    }
    SetSelection({caret, caret});
}

QString TTextorElement::FocusData() const
{
    return QStringLiteral("%1,%2,%3,%4")
        .arg(Selection().Start.Paragraph)
        .arg(Selection().Start.Offset)
        .arg(Selection().End.Paragraph)
        .arg(Selection().End.Offset);
}

bool TTextorElement::ParseFocusData(const QString& text, TTextorIndexRange& range)
{
    const QStringList parts = text.split(u',');
    int values[4] = {0, 0, 0, 0};
    for (int i = 0; i < 4 && i < parts.size(); ++i) {
        bool ok = false;
        const int value = parts[i].trimmed().toInt(&ok);
        values[i] = ok ? value : 0;
    }
    range = {{values[0], values[1]}, {values[2], values[3]}};
    return !text.trimmed().isEmpty();
}

bool TTextorElement::EnterEmbedded(TPortion* portion, bool atEnd)
{
    TVisualElement* element = EmbeddedElement(portion);
    if (element == nullptr)
        return false;
    TVisualElement* target = nullptr;
    if (!element->FindFocusTarget(!atEnd, true, true, target) || target == nullptr)
        return false;
    if (auto* field = dynamic_cast<TTextorElement*>(target)) {
        if (atEnd)
            field->FocusAtLast();
        else
            field->FocusAtFirst();
    } else {
        target->SetFocus();
    }
    return true;
}

// --- Caret and cursor ------------------------------------------------------------------------------

void TTextorElement::GetCaret(int& kind, QRect& rect)
{
    TSchemeTextorInteractive* interactive = IsFocused() ? ReadyInteractive() : nullptr;
    if (interactive == nullptr || interactive->CaretRow() == nullptr) {
        inherited::GetCaret(kind, rect);
        return;
    }
    const QMargins padding = GetPadding();
    kind = 3;
    rect = interactive->CaretRect().translated(padding.left(), padding.top());
}

int TTextorElement::GetCursor(const QPoint& point)
{
    TSchemeTextorInteractive* interactive = ReadyInteractive();
    if (interactive == nullptr)
        return TTextorInteractive::FieldCursor(InteractiveOptionsFromFieldOptions());
    const QMargins padding = GetPadding();
    return interactive->CursorAt(point - QPoint(padding.left(), padding.top()));
}

// --- Keys ------------------------------------------------------------------------------------------

void TTextorElement::KeyDown(int& key, Qt::KeyboardModifiers shift)
{
    Interaction().KeyShift = shift;
    // Enter belongs to the drop-down list (which consumes it in any case); the line break it types
    // arrives as a character.
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && (shift & Qt::ControlModifier) == 0) {
        inherited::KeyDown(key, shift);
        return;
    }
    TSchemeTextorInteractive* interactive = ReadyInteractive();
    if (interactive == nullptr || key == 0) {
        inherited::KeyDown(key, shift);
        return;
    }
    const TInteractiveCall call(this);
    const bool modifierOnly = key == Qt::Key_Control || key == Qt::Key_Shift || key == Qt::Key_Alt ||
                              key == Qt::Key_Meta || key == Qt::Key_AltGr;
    if (!modifierOnly && !((shift & Qt::ControlModifier) != 0 && key == Qt::Key_A))
        Interaction().SelectedAll = false;
    // A page is what the window shows now, not what it showed when the field took the focus.
    if ((key == Qt::Key_PageUp || key == Qt::Key_PageDown) && Sheet() != nullptr)
        interactive->SetPageHeight(Sheet()->PageSize().height());
    const bool ctrl = (shift & Qt::ControlModifier) != 0;
    const bool shiftOnly =
        (shift & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) == Qt::ShiftModifier;
    const bool idle = interactive->MouseState() == tmsIdle;
    if (idle && ((ctrl && key == Qt::Key_C) || (ctrl && key == Qt::Key_Insert))) {
        if (CanCopy())
            Copy();
        key = 0;
        return;
    }
    if (idle && ((ctrl && key == Qt::Key_X) || (shiftOnly && key == Qt::Key_Delete))) {
        if (CanCut())
            Cut();
        key = 0;
        return;
    }
    if (idle && ((ctrl && key == Qt::Key_V) || (shiftOnly && key == Qt::Key_Insert))) {
        if (CanEdit())
            Paste();
        key = 0;
        return;
    }
    if (idle && ctrl && key == Qt::Key_A) {
        SelectAll();
        key = 0;
        return;
    }
    // A field that takes tabs types them (the character follows); elsewhere, and with Ctrl, Tab is
    // left to the sheet, which moves between the fields.
    if (key == Qt::Key_Tab && !ctrl && (shift & Qt::ShiftModifier) == 0 && FTextor->AllowTabStops() &&
        CanEdit()) {
        key = 0;
        return;
    }
    if ((key == Qt::Key_Backspace || key == Qt::Key_Delete) && !CanEdit() && idle && Sheet() != nullptr) {
        Sheet()->RefuseInput(InputRefusedHint());
        key = 0;
        return;
    }
    if (interactive->KeyDown(key, shift))
        key = 0;
}

void TTextorElement::KeyPress(QChar& key)
{
    TSchemeTextorInteractive* interactive = ReadyInteractive();
    if (interactive == nullptr || key.isNull()) {
        inherited::KeyPress(key);
        return;
    }
    const TInteractiveCall call(this);
    Interaction().SelectedAll = false;
    if (key == u'\r' && !FTextor->AllowParagraphs()) {
        // A single-line field takes Enter as the end of the input.
        CommitChange();
        key = QChar();
        return;
    }
    if (!TextAllowed() && key != u'\r' && key != u'\t')
        return;
    if (interactive->KeyPress(key, Interaction().KeyShift))
        key = QChar();
}

// --- Mouse -----------------------------------------------------------------------------------------

int TTextorElement::ClickCount(const QPoint& point, bool doubleClick)
{
    const int64_t now = Clock().MonotonicMs();
    TInteraction& state = Interaction();
    const QPoint distance = point - state.LastClickPoint;
    const int threshold = DragThreshold();
    const bool near = qAbs(distance.x()) <= threshold && qAbs(distance.y()) <= threshold;
    const bool quick = now - state.LastClickTime < DoubleClickInterval();
    // The sheet reports the second press of a pair; further quick presses in place count on.
    if (quick && near && state.ClickCount >= 2)
        state.ClickCount += 1;
    else if (doubleClick)
        state.ClickCount = 2;
    else
        state.ClickCount = 1;
    state.LastClickTime = now;
    state.LastClickPoint = point;
    return state.ClickCount;
}

void TTextorElement::MouseDown(const QPoint& point, Qt::KeyboardModifiers shift, bool doubleClick)
{
    if (!HasVisualOption(voFocusOnClick) || Sheet() == nullptr) {
        inherited::MouseDown(point, shift, doubleClick);
        return;
    }
    const int count = ClickCount(point, doubleClick);
    Interaction().SelectedAll = false;
    if (!IsFocused())
        FocusAtPoint(point);
    TSchemeTextorInteractive* interactive = ReadyInteractive();
    if (interactive == nullptr)
        return;
    const TInteractiveCall call(this);
    const QMargins padding = GetPadding();
    interactive->MouseDown(point - QPoint(padding.left(), padding.top()), true, shift, count);
}

void TTextorElement::MouseMove(const QPoint& point, Qt::KeyboardModifiers shift)
{
    TSchemeTextorInteractive* interactive = ReadyInteractive();
    if (interactive == nullptr) {
        inherited::MouseMove(point, shift);
        return;
    }
    const TInteractiveCall call(this);
    const QMargins padding = GetPadding();
    interactive->MouseMove(point - QPoint(padding.left(), padding.top()));
}

void TTextorElement::MouseUp(const QPoint& point, bool released, Qt::KeyboardModifiers shift)
{
    TSchemeTextorInteractive* interactive = ReadyInteractive();
    if (interactive == nullptr) {
        inherited::MouseUp(point, released, shift);
        return;
    }
    const TInteractiveCall call(this);
    const QMargins padding = GetPadding();
    interactive->MouseUp(point - QPoint(padding.left(), padding.top()), true);
    if (Sheet() != nullptr && IsCaptured())
        Sheet()->SetCaptureElement(nullptr);
}

void TTextorElement::CaptureCancelled()
{
    inherited::CaptureCancelled();
    if (FInteractive) {
        const TInteractiveCall call(this);
        FInteractive->CancelMouse();
    }
}

} // namespace qv
