// Portions, rows and paragraphs of the Textor.

#include "textor/textor.h"

#include "textor/inline_element.h"
#include "textor/textor_canvas.h"

#include <cstring>

namespace qv {

// ---------------------------------------------------------------------------------------------------
// TPortion

TPortion::TPortion(TTextAttributes* attributes) : FAttributes(attributes) {}

TPortion::~TPortion() = default;

TTextor* TPortion::Textor() const
{
    return FParagraph->Textor();
}

TTextAttributes& TPortion::EffectiveAttributes() const
{
    return FAttributes ? *FAttributes : FParagraph->Textor()->EffectiveTextAttributes(nullptr);
}

void TPortion::SetLength(int length)
{
    if (FParagraph != nullptr)
        FParagraph->FLength += length - FLength;
    FLength = length;
    Changed();
}

void TPortion::Changed()
{
    if (FParagraph != nullptr)
        FParagraph->Changed();
}

void TPortion::SetAttributes(TTextAttributes* attributes)
{
    if (FAttributes == attributes)
        return;
    FAttributes = attributes;
    Changed();
}

bool TPortion::SameAttributes(const TTextAttributes* attributes) const
{
    return FAttributes.get() == attributes;
}

bool TPortion::FitIndex(int& x, int available, int start, int count, int& index) const
{
    return IndexAtX(x, available, nullptr, false, start, count, index);
}

void TPortion::MoveBy(int, int) {}

void TPortion::PlaceElement(int, int, const QMargins&, const QMargins&) {}

void TPortion::GetAscentDescent(int& ascent, int& descent) const
{
    TTextAttributes& attributes = EffectiveAttributes();
    ascent = attributes.Ascent();
    descent = attributes.Descent();
}

// ---------------------------------------------------------------------------------------------------
// TTextPortion

TTextPortion::TTextPortion(TTextAttributes* attributes) : TPortion(attributes) {}

void TTextPortion::InsertChars(int index, QStringView chars)
{
    FChars.insert(index, chars.data(), chars.size());
    SetLength(int(FChars.size()));
}

int TTextPortion::PrefixWidth(int start, int end) const
{
    if (end > start && end < FChars.size() && FChars[end].isLowSurrogate() &&
        FChars[end - 1].isHighSurrogate())
        ++end;
    return EffectiveAttributes().TextWidth(QStringView(FChars).mid(start, end - start));
}

void TTextPortion::AddWidth(int& x, int start, int count) const
{
    if (count > 0)
        x += EffectiveAttributes().TextWidth(QStringView(FChars).mid(start, count));
}

void TTextPortion::DeleteChars(int start, int count)
{
    FChars.remove(start, count);
    SetLength(int(FChars.size()));
}

void TTextPortion::MoveTail(TPortion& tail, int start)
{
    auto& text = static_cast<TTextPortion&>(tail);
    text.InsertChars(text.Length(), QStringView(FChars).mid(start));
    FChars.truncate(start);
    SetLength(start);
}

void TTextPortion::TakeContent(TPortion& other)
{
    auto& text = static_cast<TTextPortion&>(other);
    FChars.prepend(text.FChars);
    text.FChars.clear();
    text.SetLength(0);
    SetLength(int(FChars.size()));
}

int TTextPortion::CharAt(int i) const
{
    return FChars[i].unicode();
}

bool TTextPortion::IndexAtX(int& x, int targetX, const TTextorDrag*, bool rounding, int start, int count,
                            int& index) const
{
    const int width = PrefixWidth(start, start + count);
    if (count <= 0 || targetX >= x + width) {
        x += width;
        return false;
    }
    const int target = targetX - x;
    if (target < 0) {
        index = start;
        return true;
    }
    // Guess proportionally, then correct with prefix widths. The loops stay inside [0, count - 1] so that
    // they end even if a font's widths were not monotonic.
    int i = width > 0 ? int(qint64(target) * count / width) : 0;
    if (i >= count)
        i = count - 1;
    int left = PrefixWidth(start, start + i);
    int right = PrefixWidth(start, start + i + 1);
    while (i > 0 && left > target) {
        --i;
        right = left;
        left = PrefixWidth(start, start + i);
    }
    while (i < count - 1 && target >= right) {
        ++i;
        left = right;
        right = PrefixWidth(start, start + i + 1);
    }
    int result = start + i;
    if (rounding && (left + right) / 2 < target)
        ++result;
    // Never inside a surrogate pair: the pair is one character.
    if (result > 0 && result < FChars.size() && FChars[result].isLowSurrogate() &&
        FChars[result - 1].isHighSurrogate())
        ++result;
    index = result;
    return true;
}

bool TTextPortion::FitIndex(int& x, int available, int start, int count, int& index) const
{
    int width = 0;
    const int fitted =
        EffectiveAttributes().FitCount(QStringView(FChars).mid(start, count), available - x, width);
    if (fitted >= count) {
        x += width;
        return false;
    }
    index = start + fitted;
    x += width;
    return true;
}

void TTextPortion::Paint(TTextorPaintState& state, int& x, int start, int count, bool selected)
{
    TTextAttributes& attributes = EffectiveAttributes();
    const QStringView chars = QStringView(FChars).mid(start, count);
    const int flags = (state.Flags & ~tpfSelected) | (selected ? tpfSelected : 0);
    int width = 0;
    attributes.DrawText(*state.Canvas, state.Focused, width, flags, chars, state.Baseline, x, state.RowRect);
    if ((state.Flags & tpfNonPrinting) != 0) {
        // Marks over spaces and no-break spaces, centred on the blank's cell.
        int left = x;
        for (qsizetype i = 0; i < chars.size(); ++i) {
            const QChar c = chars[i];
            int size = 1;
            if (c.isHighSurrogate() && i + 1 < chars.size() && chars[i + 1].isLowSurrogate())
                size = 2;
            const int charWidth = attributes.TextWidth(chars.mid(i, size));
            if (c == QChar(0x20) || c == QChar(0xA0)) {
                static const QString dot(QChar(0xB7));
                static const QString degree(QChar(0xB0));
                const QString& mark = c == QChar(0x20) ? dot : degree;
                const int markWidth = attributes.TextWidth(mark);
                int ignored = 0;
                attributes.DrawText(*state.Canvas, state.Focused, ignored, 0, mark, state.Baseline,
                                    left - (markWidth - charWidth) / 2, state.RowRect);
            }
            left += charWidth;
            i += size - 1;
        }
    }
    x += width;
}

int TTextPortion::CopyText(int start, int count, QChar* dest) const
{
    std::memcpy(static_cast<void*>(dest), FChars.constData() + start, size_t(count) * sizeof(QChar));
    return count;
}

std::unique_ptr<TPortion> TTextPortion::CreateEmpty() const
{
    return std::make_unique<TTextPortion>(Attributes());
}

// ---------------------------------------------------------------------------------------------------
// TTabStopsPortion

TTabStopsPortion::TTabStopsPortion(TTextAttributes* attributes) : TPortion(attributes) {}

int TTabStopsPortion::NextTabStop(int x, int tabWidth)
{
    if (tabWidth < 1)
        tabWidth = 1;
    // Floor division, so that a stop is strictly greater than x also left of the row's edge.
    const int q = x >= 0 ? x / tabWidth : -((-x + tabWidth - 1) / tabWidth);
    return tabWidth * (q + 1);
}

void TTabStopsPortion::AddTabs(int count)
{
    SetLength(Length() + count);
}

void TTabStopsPortion::AddWidth(int& x, int, int count) const
{
    if (count <= 0)
        return;
    const int tabWidth = EffectiveAttributes().TabWidth();
    for (int i = 0; i < count; ++i)
        x = NextTabStop(x, tabWidth);
}

void TTabStopsPortion::DeleteChars(int, int count)
{
    SetLength(Length() - count);
}

void TTabStopsPortion::MoveTail(TPortion& tail, int start)
{
    static_cast<TTabStopsPortion&>(tail).AddTabs(Length() - start);
    SetLength(start);
}

void TTabStopsPortion::TakeContent(TPortion& other)
{
    const int count = other.Length();
    static_cast<TTabStopsPortion&>(other).SetLength(0);
    SetLength(Length() + count);
}

int TTabStopsPortion::CharAt(int) const
{
    return 9;
}

bool TTabStopsPortion::IndexAtX(int& x, int targetX, const TTextorDrag*, bool rounding, int start, int count,
                                int& index) const
{
    const int tabWidth = EffectiveAttributes().TabWidth();
    for (int i = 0; i < count; ++i) {
        const int left = x;
        x = NextTabStop(x, tabWidth);
        if (targetX < x) {
            index = start + i + (rounding && (left + x) / 2 < targetX ? 1 : 0);
            return true;
        }
    }
    return false;
}

void TTabStopsPortion::Paint(TTextorPaintState& state, int& x, int, int count, bool selected)
{
    TTextAttributes& attributes = EffectiveAttributes();
    const int tabWidth = attributes.TabWidth();
    const int flags = (state.Flags & ~tpfSelected) | (selected ? tpfSelected : 0);
    // Tab cells are measured from the row's left edge, as in layout.
    const int rowLeft = state.RowRect.left();
    for (int i = 0; i < count; ++i) {
        const int next = rowLeft + NextTabStop(x - rowLeft, tabWidth);
        attributes.DrawBlank(*state.Canvas, state.Focused, flags, next - x, x, state.RowRect);
        if ((state.Flags & tpfNonPrinting) != 0) {
            static const QString mark(QChar(0xAC));
            int ignored = 0;
            attributes.DrawText(*state.Canvas, state.Focused, ignored, 0, mark, state.Baseline, x,
                                state.RowRect);
        }
        x = next;
    }
}

int TTabStopsPortion::CopyText(int, int count, QChar* dest) const
{
    for (int i = 0; i < count; ++i)
        dest[i] = QChar(9);
    return count;
}

std::unique_ptr<TPortion> TTabStopsPortion::CreateEmpty() const
{
    return std::make_unique<TTabStopsPortion>(Attributes());
}

// ---------------------------------------------------------------------------------------------------
// TElementPortion

TElementPortion::TElementPortion(TTextAttributes* attributes, TInlineElementPtr element)
    : TPortion(attributes), FElement(std::move(element))
{
    if (FElement != nullptr)
        FElement->SetInlinePortion(this);
    SetLength(1);
}

TElementPortion::~TElementPortion()
{
    if (FElement != nullptr) {
        FElement->SetInlinePortion(nullptr);
        FElement.reset(); // FreeInline, with the portion no longer holding the element
    }
}

int TElementPortion::CellWidth() const
{
    if (FElement == nullptr || !FElement->InlineShown())
        return 0;
    const QMargins& margins = Textor()->ElementMargins();
    return FElement->InlineWidth() + margins.left() + margins.right();
}

void TElementPortion::AddWidth(int& x, int, int count) const
{
    if (count > 0)
        x += CellWidth();
}

bool TElementPortion::SameAttributes(const TTextAttributes*) const
{
    return false;
}

void TElementPortion::DeleteChars(int, int) {}

void TElementPortion::MoveTail(TPortion&, int) {}

void TElementPortion::TakeContent(TPortion&) {}

int TElementPortion::CharAt(int) const
{
    return -1;
}

bool TElementPortion::IndexAtX(int& x, int targetX, const TTextorDrag* drag, bool rounding, int start,
                               int count, int& index) const
{
    const int cell = count > 0 ? CellWidth() : 0;
    if (targetX >= x + cell) {
        x += cell;
        return false;
    }
    index = start;
    if (rounding) {
        const int width = FElement->InlineWidth();
        int split = width / 2;
        if (drag != nullptr && (qAbs(drag->To.x() - drag->From.x()) > drag->Threshold ||
                                qAbs(drag->To.y() - drag->From.y()) > drag->Threshold)) {
            // While dragging, the element is taken as soon as the pointer is well into it.
            split = drag->To.x() >= drag->From.x() ? qMin(width / 2, 40) : qMax(width / 2, width - 40);
        }
        const int left = x + Textor()->ElementMargins().left();
        if (targetX > left + split)
            index = start + 1;
    }
    return true;
}

void TElementPortion::MoveBy(int dx, int dy)
{
    if (FElement != nullptr)
        FElement->MoveInlineBy(dx, dy);
}

void TElementPortion::Paint(TTextorPaintState& state, int& x, int, int count, bool selected)
{
    const int cell = count > 0 ? CellWidth() : 0;
    if (cell > 0) {
        const QRect cellRect(x, state.RowRect.top(), cell, state.RowRect.height());
        EffectiveAttributes().DrawBackground(*state.Canvas, state.Focused, state.Flags, cellRect,
                                             state.RowRect);
        // Elements are placed in the owner's coordinates, which are the text area's moved by the padding.
        state.Canvas->OffsetOrigin(-state.Padding.left(), -state.Padding.top());
        FElement->PaintInline(*state.Canvas, state.ElementFlags);
        state.Canvas->OffsetOrigin(state.Padding.left(), state.Padding.top());
        if (selected)
            state.Canvas->MarkSelected(cellRect, state.Focused);
    }
    x += cell;
}

int TElementPortion::CopyText(int, int, QChar*) const
{
    return 0;
}

void TElementPortion::PlaceElement(int x, int baseline, const QMargins& margins, const QMargins& padding)
{
    if (FElement == nullptr || !FElement->InlineShown())
        return;
    FElement->PlaceInline(x + padding.left() + margins.left(),
                          baseline + padding.top() - FElement->InlineHeight() + FElement->InlineDescent());
}

void TElementPortion::GetAscentDescent(int& ascent, int& descent) const
{
    if (FElement == nullptr || !FElement->InlineShown()) {
        ascent = 0;
        descent = 0;
        return;
    }
    const QMargins& margins = Textor()->ElementMargins();
    const int d = FElement->InlineDescent();
    ascent = FElement->InlineHeight() + margins.top() - d;
    descent = d + margins.bottom();
}

std::unique_ptr<TPortion> TElementPortion::CreateEmpty() const
{
    return std::make_unique<TElementPortion>(Attributes(), nullptr);
}

// ---------------------------------------------------------------------------------------------------
// Rows

TRow::TRow(TParagraph& paragraph) : FParagraph(&paragraph) {}

TRow::~TRow() = default;

int TRow::Top() const
{
    return FParagraph->Top() + FTop;
}

int TRow::Bottom() const
{
    return FParagraph->Top() + FBottom;
}

int TRow::ClampOffset(int offset) const
{
    return qBound(0, offset, FParagraph->Length());
}

void TRow::GetStart(TTextorPosition& position) const
{
    position = FParagraph->PositionAt(StartOffset());
}

void TRow::GetEnd(TTextorPosition& position) const
{
    position = FParagraph->PositionAt(EndOffset());
}

int TWholeParagraphRow::EndOffset() const
{
    return Paragraph()->Length();
}

int TWrappedParagraphLastRow::EndOffset() const
{
    return Paragraph()->Length();
}

// ---------------------------------------------------------------------------------------------------
// TParagraph

TParagraph::TParagraph(TTextor& textor) : FTextor(&textor) {}

TParagraph::~TParagraph() = default;

TPortion* TParagraph::InsertPortion(std::unique_ptr<TPortion> portion, TPortion* before)
{
    portion->FParagraph = this;
    FLength += portion->FLength;
    if (portion->Kind() == TPortionKind::Element && FElementCount++ == 0)
        ++FTextor->FElementParagraphs;
    return FPortions.Insert(std::move(portion), before);
}

std::unique_ptr<TPortion> TParagraph::RemovePortion(TPortion& portion)
{
    FLength -= portion.FLength;
    if (portion.Kind() == TPortionKind::Element && --FElementCount == 0)
        --FTextor->FElementParagraphs;
    portion.FParagraph = nullptr;
    return FPortions.Remove(&portion);
}

void TParagraph::SetParagraphAttributes(TParagraphAttributes* attributes)
{
    if (FParagraphAttributes == attributes)
        return;
    FParagraphAttributes = attributes;
    Changed();
}

void TParagraph::SetTextAttributes(TTextAttributes* attributes)
{
    if (FTextAttributes == attributes)
        return;
    FTextAttributes = attributes;
    Changed();
}

TTextAttributes& TParagraph::EffectiveTextAttributes() const
{
    return FTextor->EffectiveTextAttributes(FTextAttributes.get());
}

TParagraphAttributes& TParagraph::EffectiveParagraphAttributes() const
{
    return FTextor->EffectiveParagraphAttributes(FParagraphAttributes.get());
}

int TParagraph::Index() const
{
    return FTextor->IndexOf(*this);
}

TPortion* TParagraph::PortionAt(int offset, int& local) const
{
    local = 0;
    if (offset >= FLength)
        return nullptr;
    // Walk from the nearer end, so that work at either end of a long paragraph (appending while a
    // document loads) costs a few steps, not the whole paragraph.
    int steps = 0;
    TPortion* found = nullptr;
    if (offset < FLength - offset) {
        int start = 0;
        for (TPortion* portion = FPortions.First(); portion != nullptr; portion = portion->Next()) {
            ++steps;
            if (offset < start + portion->Length()) {
                local = qMax(0, offset - start);
                found = portion;
                break;
            }
            start += portion->Length();
        }
    } else {
        int end = FLength;
        for (TPortion* portion = FPortions.Last(); portion != nullptr; portion = portion->Prev()) {
            ++steps;
            const int start = end - portion->Length();
            if (offset >= start) {
                local = offset - start;
                found = portion;
                break;
            }
            end = start;
        }
    }
    FTextor->FCounters.PortionSteps += steps;
    return found;
}

TTextorPosition TParagraph::PositionAt(int offset) const
{
    int local = 0;
    TPortion* portion = PortionAt(offset, local);
    return {const_cast<TParagraph*>(this), portion, local};
}

int TParagraph::OffsetOf(const TTextorPosition& position) const
{
    const TPortion* at = position.Portion;
    // The end, or a position of another paragraph.
    if (at == nullptr || at->FParagraph != this)
        return FLength;
    // The portion's start: the lengths before it, or the paragraph's length less the lengths from
    // it on, whichever side is shorter (both sides are walked in step).
    int before = 0;
    int after = at->Length();
    const TPortion* back = at->Prev();
    const TPortion* forward = at->Next();
    int start = 0;
    int steps = 0;
    for (;;) {
        ++steps;
        if (back == nullptr) {
            start = before;
            break;
        }
        if (forward == nullptr) {
            start = FLength - after;
            break;
        }
        before += back->Length();
        back = back->Prev();
        after += forward->Length();
        forward = forward->Next();
    }
    FTextor->FCounters.PortionSteps += steps;
    return qBound(0, start + position.Offset, FLength);
}

int TParagraph::Top() const
{
    return FRows.First() != nullptr ? FTextor->TopOf(*this) : 0;
}

int TParagraph::Bottom() const
{
    return FRows.Last() != nullptr ? FTextor->TopOf(*this) + FRows.Last()->FBottom : 0;
}

bool TParagraph::HasElements() const
{
    return FElementCount > 0;
}

char32_t TParagraph::CodePointAt(int offset, int* size) const
{
    if (size != nullptr)
        *size = 1;
    int local = 0;
    const TPortion* portion = offset >= 0 ? PortionAt(offset, local) : nullptr;
    if (portion == nullptr)
        return char32_t(-2);
    const int c = portion->CharAt(local);
    if (c < 0)
        return char32_t(-1);
    if (QChar::isHighSurrogate(char32_t(c)) && local + 1 < portion->Length()) {
        const int low = portion->CharAt(local + 1);
        if (QChar::isLowSurrogate(char32_t(low))) {
            if (size != nullptr)
                *size = 2;
            return QChar::surrogateToUcs4(char16_t(c), char16_t(low));
        }
    }
    return char32_t(c);
}

int TParagraph::SnapOffset(int offset, bool forward) const
{
    if (offset <= 0 || offset >= FLength)
        return qBound(0, offset, FLength);
    int local = 0;
    const TPortion* portion = PortionAt(offset, local);
    if (portion != nullptr && local > 0 && portion->Kind() == TPortionKind::Text &&
        QChar::isLowSurrogate(char32_t(portion->CharAt(local))) &&
        QChar::isHighSurrogate(char32_t(portion->CharAt(local - 1))))
        return forward ? offset + 1 : offset - 1;
    return offset;
}

int TParagraph::NextOffset(int offset) const
{
    if (offset >= FLength)
        return FLength;
    return SnapOffset(offset + 1, true);
}

int TParagraph::PrevOffset(int offset) const
{
    if (offset <= 0)
        return 0;
    return SnapOffset(qMin(offset, FLength) - 1, false);
}

void TParagraph::MoveElements(int dy)
{
    if (dy == 0 || FElementCount == 0)
        return;
    for (TPortion* portion = FPortions.First(); portion != nullptr; portion = portion->Next())
        portion->MoveBy(0, dy);
}

void TParagraph::Changed()
{
    FTextor->ContentChanged(*this);
}

} // namespace qv
