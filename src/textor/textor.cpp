// The Textor: brackets, hooks and the primitive edits.

#include "textor/textor.h"

#include "core/update_guard.h"
#include "textor/inline_element.h"
#include "textor/rich_text_attributes.h"

#include <QChar>

#include <algorithm>
#include <memory>

namespace qv {

TTextor::TTextor(bool locked) : FLockCount(locked ? 1 : 0)
{
    NewParagraph(nullptr);
}

TTextor::~TTextor()
{
    // Nothing may arrange or notify while the paragraphs (and their elements) go.
    ++FUpdateCount;
    ++FLockCount;
    FParagraphs.Clear();
}

int TTextor::ParagraphCount() const
{
    return FParagraphCount;
}

// ---------------------------------------------------------------------------------------------------
// Brackets

void TTextor::BeginUpdate()
{
    ++FUpdateCount;
    Lock();
}

void TTextor::EndUpdate()
{
    // The counter goes down also when arranging throws, so the bracket always closes.
    struct TDecrement
    {
        TTextor* Textor;
        ~TDecrement() { --Textor->FUpdateCount; }
    };
    {
        TDecrement decrement{this};
        Unlock();
    }
    if (FUpdateCount == 0 && FChangePending) {
        FChangePending = false;
        ++FCounters.Changes;
        Changed();
    }
}

void TTextor::Lock()
{
    ++FLockCount;
}

void TTextor::Unlock()
{
    --FLockCount;
    if (FLockCount == 0 && FArrangePending) {
        FArrangePending = false;
        RequestArrange(FChangePending);
    }
}

void TTextor::RequestArrange(bool notify)
{
    if (FArranging)
        return;
    if (FLockCount <= 0)
        Arrange(notify);
    else
        FArrangePending = true;
}

void TTextor::ContentChanged(TParagraph& paragraph)
{
    paragraph.FLayoutValid = false;
    QueueArrange(paragraph);
    RequestArrange(true);
    NoteChange();
}

void TTextor::NoteChange()
{
    if (!FArranging) {
        if (FUpdateCount > 0) {
            FChangePending = true;
        } else {
            ++FCounters.Changes;
            Changed();
        }
    }
}

void TTextor::PositionChanged(TParagraph& paragraph)
{
    paragraph.FPositionValid = false;
    QueueArrange(paragraph);
    RequestArrange(false);
}

void TTextor::InvalidateLayout()
{
    Lock();
    struct TUnlock
    {
        TTextor* Textor;
        ~TUnlock() { Textor->Unlock(); }
    } unlock{this};
    FMarginsValid = false;
    for (TParagraph* p = FParagraphs.First(); p != nullptr; p = p->Next()) {
        p->FLayoutValid = false;
        ++FCounters.ParagraphSteps;
    }
    for (TParagraph* p : FQueued)
        p->FQueued = false;
    FQueued.clear();
    FArrangeAll = true;
    RequestArrange(false);
}

void TTextor::InvalidateParagraph(TParagraph& paragraph)
{
    paragraph.FLayoutValid = false;
    QueueArrange(paragraph);
    RequestArrange(false);
}

// ---------------------------------------------------------------------------------------------------
// Hooks

bool TTextor::CanBreakAfter(int c, int nextChar) const
{
    return !(c >= 0 && nextChar >= 0 && c != 0x20 && c != 0x09);
}

void TTextor::Changed() {}

TParagraphAttributes* TTextor::DefaultParagraphAttributes() const
{
    return nullptr;
}

TTextAttributes* TTextor::DefaultTextAttributes() const
{
    return nullptr;
}

void TTextor::GetElementMargins(QMargins& margins) const
{
    margins = QMargins();
}

void TTextor::GetPadding(QMargins& padding) const
{
    padding = QMargins();
}

int TTextor::GetWidth() const
{
    return 0;
}

const TAttributesMeta* TTextor::ParagraphAttributesClass() const
{
    return TParagraphAttributes::StaticClass();
}

bool TTextor::AllowParagraphs() const
{
    return false;
}

bool TTextor::AllowTabStops() const
{
    return false;
}

const TAttributesMeta* TTextor::TextAttributesClass() const
{
    return TTextAttributes::StaticClass();
}

bool TTextor::IsWordCharacter(int c)
{
    if (c == '_')
        return true;
    if (c < 0)
        return false;
    const char32_t u = char32_t(c);
    return QChar::isLetter(u) || QChar::category(u) == QChar::Number_DecimalDigit;
}

bool TTextor::IsWhiteCharacter(int c)
{
    if (c == 0x20 || (c >= 0x09 && c <= 0x0D) || c == 0xA0 || c == 0x85)
        return true;
    if (c < 0)
        return false;
    const QChar::Category category = QChar::category(char32_t(c));
    return category == QChar::Separator_Space || category == QChar::Separator_Line ||
           category == QChar::Separator_Paragraph;
}

bool TTextor::SameWord(int a, int b) const
{
    if (a < 0 || b < 0)
        return false;
    if (IsWhiteCharacter(b))
        return true;
    return IsWordCharacter(a) == IsWordCharacter(b) && !IsWhiteCharacter(a);
}

TTextAttributes& TTextor::EffectiveTextAttributes(TTextAttributes* attributes) const
{
    if (attributes != nullptr)
        return *attributes;
    // Asked for every portion and row while arranging: the answer of the Arrange's start holds.
    if (FArranging && FArrangeDefaultText != nullptr)
        return *FArrangeDefaultText;
    if (TTextAttributes* textorDefault = DefaultTextAttributes())
        return *textorDefault;
    return *TRichTextAttributes::Default();
}

TParagraphAttributes& TTextor::EffectiveParagraphAttributes(TParagraphAttributes* attributes) const
{
    if (attributes != nullptr)
        return *attributes;
    if (TParagraphAttributes* textorDefault = DefaultParagraphAttributes())
        return *textorDefault;
    return *TRichParagraphAttributes::Default();
}

const QMargins& TTextor::ElementMargins() const
{
    if (!FMarginsValid) {
        GetElementMargins(FMargins);
        FMarginsValid = true;
    }
    return FMargins;
}

// ---------------------------------------------------------------------------------------------------
// Paragraph list

TParagraph* TTextor::NewParagraph(TParagraph* before)
{
    TParagraph* created = FParagraphs.Insert(std::unique_ptr<TParagraph>(new TParagraph(*this)), before);
    ++FParagraphCount;
    // The paragraphs from the new one on have new indexes.
    const TParagraph* prev = created->Prev();
    const size_t kept = prev == nullptr ? 0 : Numbered(*prev) ? size_t(prev->FIndex) + 1 : FNumbered.size();
    FNumbered.resize(qMin(FNumbered.size(), kept));
    CountWidth(0, 1);
    QueueArrange(*created);
    return created;
}

void TTextor::FreeParagraph(TParagraph* paragraph)
{
    TParagraph* next = paragraph->Next();
    if (Numbered(*paragraph))
        FNumbered.resize(size_t(paragraph->FIndex));
    DropFromQueue(*paragraph);
    CountWidth(paragraph->FContentWidth, -1);
    if (paragraph->FElementCount > 0)
        --FElementParagraphs;
    if (FShiftFrom == paragraph) {
        FShiftFrom = next;
        if (next == nullptr)
            FShift = 0;
    }
    --FParagraphCount;
    FParagraphs.Remove(paragraph).reset();
    if (next != nullptr)
        PositionChanged(*next);
}

bool TTextor::Numbered(const TParagraph& paragraph) const
{
    return paragraph.FIndex >= 0 && size_t(paragraph.FIndex) < FNumbered.size() &&
           FNumbered[size_t(paragraph.FIndex)] == &paragraph;
}

int TTextor::IndexOf(const TParagraph& paragraph) const
{
    if (Numbered(paragraph))
        return paragraph.FIndex;
    TParagraph* p = FNumbered.empty() ? FParagraphs.First() : FNumbered.back()->Next();
    for (; p != nullptr; p = p->Next()) {
        ++const_cast<TTextor*>(this)->FCounters.ParagraphSteps;
        p->FIndex = int(FNumbered.size());
        FNumbered.push_back(p);
        if (p == &paragraph)
            return p->FIndex;
    }
    return -1;
}

TParagraph* TTextor::ParagraphAt(int index) const
{
    if (index < 0 || index >= FParagraphCount)
        return nullptr;
    if (size_t(index) < FNumbered.size())
        return FNumbered[size_t(index)];
    TParagraph* p = FNumbered.empty() ? FParagraphs.First() : FNumbered.back()->Next();
    for (; p != nullptr; p = p->Next()) {
        ++const_cast<TTextor*>(this)->FCounters.ParagraphSteps;
        p->FIndex = int(FNumbered.size());
        FNumbered.push_back(p);
        if (p->FIndex == index)
            return p;
    }
    return nullptr;
}

void TTextor::QueueArrange(TParagraph& paragraph)
{
    // Past this many, one walk over the paragraphs costs less than sorting the queue.
    constexpr size_t maxQueued = 64;
    if (FArrangeAll || paragraph.FQueued)
        return;
    if (FQueued.size() >= maxQueued) {
        for (TParagraph* p : FQueued)
            p->FQueued = false;
        FQueued.clear();
        FArrangeAll = true;
        return;
    }
    paragraph.FQueued = true;
    FQueued.push_back(&paragraph);
}

void TTextor::DropFromQueue(TParagraph& paragraph)
{
    if (paragraph.FQueued) {
        paragraph.FQueued = false;
        std::erase(FQueued, &paragraph);
    }
    std::replace(FArrangeWork.begin(), FArrangeWork.end(), &paragraph, static_cast<TParagraph*>(nullptr));
}

void TTextor::CountWidth(int width, int delta)
{
    auto it = FWidths.try_emplace(width, 0).first;
    it->second += delta;
    if (it->second == 0)
        FWidths.erase(it);
}

// ---------------------------------------------------------------------------------------------------
// Positions

TTextorPosition TTextor::FirstPosition() const
{
    return FParagraphs.First()->Start();
}

TTextorPosition TTextor::LastPosition() const
{
    return FParagraphs.Last()->End();
}

TTextorRange TTextor::WholeRange() const
{
    return {FirstPosition(), LastPosition()};
}

bool TTextor::IsEmpty() const
{
    return FParagraphs.First() == FParagraphs.Last() && FParagraphs.First()->IsEmpty();
}

TTextorPosition TTextor::Normalized(const TTextorPosition& position) const
{
    return position.Paragraph->PositionAt(position.Paragraph->OffsetOf(position));
}

int TTextor::Compare(const TTextorPosition& a, const TTextorPosition& b) const
{
    if (a.Paragraph != b.Paragraph) {
        for (const TParagraph* p = a.Paragraph->Next(); p != nullptr; p = p->Next()) {
            if (p == b.Paragraph)
                return -1;
        }
        return 1;
    }
    const int offsetA = a.Paragraph->OffsetOf(a);
    const int offsetB = b.Paragraph->OffsetOf(b);
    return offsetA < offsetB ? -1 : (offsetA > offsetB ? 1 : 0);
}

TTextorPosition TTextor::NextPosition(const TTextorPosition& position) const
{
    TParagraph* p = position.Paragraph;
    const int offset = p->OffsetOf(position);
    if (offset < p->Length())
        return p->PositionAt(p->NextOffset(offset));
    return p->Next() != nullptr ? p->Next()->Start() : position;
}

TTextorPosition TTextor::PrevPosition(const TTextorPosition& position) const
{
    TParagraph* p = position.Paragraph;
    const int offset = p->OffsetOf(position);
    if (offset > 0)
        return p->PositionAt(p->PrevOffset(offset));
    return p->Prev() != nullptr ? p->Prev()->End() : position;
}

TTextorPosition TTextor::WordEnd(const TTextorPosition& position) const
{
    TParagraph* p = position.Paragraph;
    int offset = p->OffsetOf(position);
    const int length = p->Length();
    if (offset >= length)
        return p->End();
    int size = 1;
    int c = int(p->CodePointAt(offset, &size));
    offset += size;
    while (offset < length) {
        const int next = int(p->CodePointAt(offset, &size));
        if (!SameWord(c, next))
            break;
        offset += size;
        c = next;
    }
    return p->PositionAt(offset);
}

TTextorPosition TTextor::WordStart(const TTextorPosition& position) const
{
    TParagraph* p = position.Paragraph;
    int offset = p->OffsetOf(position);
    if (offset >= p->Length()) {
        if (p->Next() != nullptr || p->Length() == 0)
            return position;
        offset = p->PrevOffset(offset);
    }
    int current = int(p->CodePointAt(offset));
    while (offset > 0) {
        const int before = p->PrevOffset(offset);
        const int c = int(p->CodePointAt(before));
        if (!SameWord(c, current))
            break;
        offset = before;
        current = c;
    }
    return p->PositionAt(offset);
}

TTextorIndex TTextor::ToIndex(const TTextorPosition& position) const
{
    return {position.Paragraph->Index(), position.Paragraph->OffsetOf(position)};
}

TTextorIndexRange TTextor::ToIndex(const TTextorRange& range) const
{
    return {ToIndex(range.Start), ToIndex(range.End)};
}

bool TTextor::FromIndex(const TTextorIndex& index, TTextorPosition& position) const
{
    if (index.Paragraph < 0 || index.Offset < 0)
        return false;
    TParagraph* p = ParagraphAt(index.Paragraph);
    if (p == nullptr || index.Offset > p->Length())
        return false;
    position = p->PositionAt(index.Offset);
    return true;
}

bool TTextor::FromIndex(const TTextorIndexRange& index, TTextorRange& range) const
{
    TTextorRange result;
    if (!FromIndex(index.Start, result.Start) || !FromIndex(index.End, result.End))
        return false;
    range = result;
    return true;
}

TTextAttributes* TTextor::AttributesAt(const TTextorPosition& position) const
{
    TParagraph* p = position.Paragraph;
    if (p->IsEmpty())
        return p->TextAttributes();
    const TTextorPosition at = Normalized(position);
    if (at.Portion == nullptr)
        return p->LastPortion()->Attributes();
    if (at.Offset > 0)
        return at.Portion->Attributes();
    return at.Portion->Prev() != nullptr ? at.Portion->Prev()->Attributes() : at.Portion->Attributes();
}

// ---------------------------------------------------------------------------------------------------
// Text

bool TTextor::ForEachSegmentImpl(const TTextorRange& range, bool includeParagraphEnds, void* data,
                                 TSegmentProc proc) const
{
    TParagraph* first = range.Start.Paragraph;
    TParagraph* last = range.End.Paragraph;
    const int startOffset = first->OffsetOf(range.Start);
    const int endOffset = last->OffsetOf(range.End);
    for (TParagraph* p = first; p != nullptr; p = p->Next()) {
        const int from = p == first ? startOffset : 0;
        const int to = p == last ? endOffset : p->Length();
        int portionStart = 0;
        for (TPortion* portion = p->FirstPortion(); portion != nullptr && portionStart < to;
             portion = portion->Next()) {
            const int length = portion->Length();
            const int pieceStart = qMax(from, portionStart);
            const int pieceEnd = qMin(to, portionStart + length);
            if (pieceEnd > pieceStart &&
                !proc(data, p, portion, pieceStart - portionStart, pieceEnd - pieceStart))
                return false;
            portionStart += length;
        }
        if ((p != last || includeParagraphEnds) && !proc(data, p, nullptr, 0, 0))
            return false;
        if (p == last)
            break;
    }
    return true;
}

QString TTextor::GetText() const
{
    TParagraph* p = FParagraphs.First();
    if (p == FParagraphs.Last() && p->FirstPortion() != nullptr && p->FirstPortion() == p->LastPortion() &&
        p->FirstPortion()->Kind() == TPortionKind::Text)
        return static_cast<TTextPortion*>(p->FirstPortion())->Chars().toString();
    return GetRangeText(WholeRange());
}

QString TTextor::GetRangeText(const TTextorRange& range) const
{
    qsizetype count = 0;
    ForEachSegment(range, false, [&count](TParagraph*, TPortion* portion, int, int length) {
        if (portion == nullptr)
            count += 2;
        else if (portion->Kind() != TPortionKind::Element)
            count += length;
        return true;
    });
    QString text(count, Qt::Uninitialized);
    QChar* dest = text.data();
    ForEachSegment(range, false, [&dest](TParagraph*, TPortion* portion, int start, int length) {
        if (portion == nullptr) {
            *dest++ = QChar(13);
            *dest++ = QChar(10);
        } else {
            dest += portion->CopyText(start, length, dest);
        }
        return true;
    });
    return text;
}

// ---------------------------------------------------------------------------------------------------
// Edits

void TTextor::Clear()
{
    TUpdateGuard guard(this);
    while (FParagraphs.Last() != FParagraphs.First())
        FreeParagraph(FParagraphs.Last());
    TParagraph* p = FParagraphs.First();
    while (TPortion* portion = p->FirstPortion())
        p->RemovePortion(*portion).reset();
    ContentChanged(*p);
}

void TTextor::SetText(QStringView text)
{
    TUpdateGuard guard(this);
    Clear();
    InsertText(LastPosition(), text, nullptr);
}

TPortion* TTextor::SplitAt(TParagraph& paragraph, int offset)
{
    int local = 0;
    TPortion* portion = paragraph.PortionAt(offset, local);
    if (portion == nullptr || local == 0)
        return portion;
    TPortion* tail = paragraph.InsertPortion(portion->CreateEmpty(), portion->Next());
    portion->MoveTail(*tail, local);
    return tail;
}

int TTextor::InsertRun(TParagraph& paragraph, int offset, TPortionKind kind, QStringView chars, int count,
                       TTextAttributes* attributes, TInlineElementPtr element)
{
    int local = 0;
    TPortion* portion = paragraph.PortionAt(offset, local);
    TPortion* target = nullptr;
    int at = 0;
    if (kind != TPortionKind::Element) {
        if (portion != nullptr && portion->Kind() == kind && portion->SameAttributes(attributes)) {
            target = portion;
            at = local;
        } else if (local == 0) {
            TPortion* prev = portion != nullptr ? portion->Prev() : paragraph.LastPortion();
            if (prev != nullptr && prev->Kind() == kind && prev->SameAttributes(attributes)) {
                target = prev;
                at = prev->Length();
            }
        }
    }
    if (target == nullptr) {
        TPortion* before = SplitAt(paragraph, offset);
        switch (kind) {
        case TPortionKind::Text:
            target = paragraph.InsertPortion(std::make_unique<TTextPortion>(attributes), before);
            break;
        case TPortionKind::TabStops:
            target = paragraph.InsertPortion(std::make_unique<TTabStopsPortion>(attributes), before);
            break;
        case TPortionKind::Element:
            paragraph.InsertPortion(std::make_unique<TElementPortion>(attributes, std::move(element)),
                                    before);
            paragraph.Changed();
            return offset + 1;
        }
    }
    if (kind == TPortionKind::Text)
        static_cast<TTextPortion*>(target)->InsertChars(at, chars);
    else
        static_cast<TTabStopsPortion*>(target)->AddTabs(count);
    return offset + count;
}

TParagraph* TTextor::BreakAt(TParagraph& paragraph, int offset, TTextAttributes* attributes)
{
    TParagraph* created = NewParagraph(paragraph.Next());
    TPortion* moved = SplitAt(paragraph, offset);
    const bool anything = moved != nullptr;
    while (moved != nullptr) {
        TPortion* next = moved->Next();
        created->InsertPortion(paragraph.RemovePortion(*moved), nullptr);
        moved = next;
    }
    created->FParagraphAttributes = paragraph.FParagraphAttributes;
    created->FTextAttributes =
        anything ? paragraph.FTextAttributes : TAttributesRef<TTextAttributes>(attributes);
    ContentChanged(paragraph);
    ContentChanged(*created);
    return created;
}

TTextorRange TTextor::InsertText(const TTextorPosition& position, QStringView chars,
                                 TTextAttributes* attributes)
{
    TUpdateGuard guard(this);
    TParagraph* first = position.Paragraph;
    const int startOffset = first->SnapOffset(first->OffsetOf(position), false);
    TParagraph* p = first;
    int offset = startOffset;
    const bool paragraphs = AllowParagraphs();
    const bool tabs = AllowTabStops();
    const qsizetype count = chars.size();
    qsizetype runStart = 0;
    auto flushText = [&](qsizetype end) {
        if (end > runStart)
            offset = InsertRun(*p, offset, TPortionKind::Text, chars.mid(runStart, end - runStart),
                               int(end - runStart), attributes, nullptr);
    };
    qsizetype i = 0;
    while (i < count) {
        const char16_t c = chars[i].unicode();
        if (paragraphs && (c == 13 || c == 10)) {
            flushText(i);
            p = BreakAt(*p, offset, attributes);
            offset = 0;
            // CR LF and LF CR are one break; CR CR is two.
            if (i + 1 < count && chars[i + 1].unicode() == (c == 13 ? 10 : 13))
                ++i;
            runStart = ++i;
        } else if (tabs && c == 9) {
            flushText(i);
            qsizetype end = i;
            while (end < count && chars[end].unicode() == 9)
                ++end;
            offset = InsertRun(*p, offset, TPortionKind::TabStops, {}, int(end - i), attributes, nullptr);
            runStart = i = end;
        } else {
            ++i;
        }
    }
    flushText(count);
    return {first->PositionAt(startOffset), p->PositionAt(offset)};
}

TTextorRange TTextor::InsertElement(const TTextorPosition& position, TInlineElementPtr element,
                                    TTextAttributes* attributes)
{
    TUpdateGuard guard(this);
    TParagraph* p = position.Paragraph;
    const int offset = p->SnapOffset(p->OffsetOf(position), false);
    InsertRun(*p, offset, TPortionKind::Element, {}, 1, attributes, std::move(element));
    return {p->PositionAt(offset), p->PositionAt(offset + 1)};
}

TTextorRange TTextor::InsertParagraphBreak(const TTextorPosition& position, TTextAttributes* attributes)
{
    TUpdateGuard guard(this);
    TParagraph* p = position.Paragraph;
    TParagraph* created = BreakAt(*p, p->SnapOffset(p->OffsetOf(position), false), attributes);
    return {p->End(), created->Start()};
}

void TTextor::DeleteInParagraph(TParagraph& paragraph, int from, int to)
{
    if (to <= from)
        return;
    int portionStart = 0;
    TPortion* portion = paragraph.FirstPortion();
    while (portion != nullptr && portionStart < to) {
        TPortion* next = portion->Next();
        const int length = portion->Length();
        const int pieceStart = qMax(from, portionStart);
        const int pieceEnd = qMin(to, portionStart + length);
        if (pieceEnd > pieceStart) {
            if (pieceStart == portionStart && pieceEnd == portionStart + length) {
                paragraph.RemovePortion(*portion).reset(); // elements go with their portion
                ContentChanged(paragraph);
            } else {
                portion->DeleteChars(pieceStart - portionStart, pieceEnd - pieceStart);
            }
        }
        portionStart += length;
        portion = next;
    }
}

TTextorPosition TTextor::DeleteRange(const TTextorRange& range)
{
    TUpdateGuard guard(this);
    TParagraph* first = range.Start.Paragraph;
    TParagraph* last = range.End.Paragraph;
    // Never leave half of a surrogate pair behind.
    const int from = first->SnapOffset(first->OffsetOf(range.Start), false);
    const int to = last->SnapOffset(last->OffsetOf(range.End), true);
    if (first == last) {
        DeleteInParagraph(*first, from, to);
        return first->PositionAt(from);
    }
    DeleteInParagraph(*first, from, first->Length());
    while (first->Next() != last)
        FreeParagraph(first->Next());
    DeleteInParagraph(*last, 0, to);
    // The first paragraph changes only when the last one's tail joins it: deleting whole paragraphs
    // after a paragraph end leaves its rows as they are.
    const bool joined = last->FirstPortion() != nullptr;
    while (TPortion* moved = last->FirstPortion())
        first->InsertPortion(last->RemovePortion(*moved), nullptr);
    FreeParagraph(last);
    if (joined)
        ContentChanged(*first);
    else
        NoteChange();
    return first->PositionAt(from);
}

TTextorRange TTextor::SetRangeAttributes(const TTextorRange& range, bool includeParagraphEnds,
                                         TTextAttributes* attributes)
{
    TUpdateGuard guard(this);
    TParagraph* first = range.Start.Paragraph;
    TParagraph* last = range.End.Paragraph;
    const int from = first->SnapOffset(first->OffsetOf(range.Start), false);
    const int to = last->SnapOffset(last->OffsetOf(range.End), true);
    // Split at the bounds first: the end, so the start's offsets stay valid.
    SplitAt(*last, to);
    SplitAt(*first, from);
    const TTextorRange split{first->PositionAt(from), last->PositionAt(to)};
    ForEachSegment(split, includeParagraphEnds, [&](TParagraph* p, TPortion* portion, int, int) {
        if (portion != nullptr)
            portion->SetAttributes(attributes);
        else if (includeParagraphEnds && (p != last || to == last->Length()))
            p->SetTextAttributes(attributes); // only ends the range really contains
        return true;
    });
    return {first->PositionAt(from), last->PositionAt(to)};
}

void TTextor::Normalize()
{
    TUpdateGuard guard(this);
    TParagraph* p = FParagraphs.First();
    int offset = 0;
    while (p != nullptr) {
        // Find the end of the run of non-element content that starts here (it may span paragraphs).
        TParagraph* endParagraph = p;
        int endOffset = offset;
        for (;;) {
            int local = 0;
            TPortion* portion = endParagraph->PortionAt(endOffset, local);
            while (portion != nullptr && portion->Kind() != TPortionKind::Element) {
                endOffset += portion->Length() - local;
                local = 0;
                portion = portion->Next();
            }
            if (portion != nullptr || endParagraph->Next() == nullptr)
                break;
            endParagraph = endParagraph->Next();
            endOffset = 0;
        }
        const TTextorRange run{p->PositionAt(offset), endParagraph->PositionAt(endOffset)};
        if (endParagraph != p || endOffset > offset) {
            // Each piece goes back with its own attributes, so re-splitting at tabs and line breaks
            // never loses character formatting.
            struct TPiece
            {
                QString Text;
                TAttributesRef<TTextAttributes> Attributes;
            };
            std::vector<TPiece> pieces;
            ForEachSegment(run, false, [&](TParagraph* paragraph, TPortion* portion, int start, int count) {
                if (portion == nullptr) {
                    pieces.push_back({QStringLiteral("\r\n"), paragraph->TextAttributes()});
                } else {
                    QString chars(count, Qt::Uninitialized);
                    portion->CopyText(start, count, chars.data());
                    pieces.push_back({chars, portion->Attributes()});
                }
                return true;
            });
            TTextorPosition at = DeleteRange(run);
            for (const TPiece& piece : pieces)
                at = InsertText(at, piece.Text, piece.Attributes.get()).End;
            p = at.Paragraph;
            offset = p->OffsetOf(at);
        }
        // Step over the element that ended the run, or stop at the end of the Textor.
        if (offset < p->Length()) {
            ++offset;
        } else if (p->Next() != nullptr) {
            p = p->Next();
            offset = 0;
        } else {
            break;
        }
    }
}

} // namespace qv
