#pragma once

// The Textor, the text layout engine. Its pieces have headers of their own (positions, portions, rows,
// paragraphs); they come with this header because whoever uses a Textor walks them. A header that
// needs only positions includes textor_position.h.

#include "textor/textor_paragraph.h"
#include "textor/textor_portion.h"
#include "textor/textor_position.h"
#include "textor/textor_row.h"

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <map>
#include <type_traits>
#include <vector>

namespace qv {

class ITextorCanvas;
class TNode;

// Work counts of a Textor, for tests and benchmarks (layout must stay proportional to what changed).
struct TTextorCounters
{
    int Arranges = 0;          // Arrange calls that did work
    int ArrangeParagraphs = 0; // ArrangeParagraph calls (re-wraps and moves)
    int Wraps = 0;             // paragraphs broken into rows again
    // Paragraphs moved without being broken again: the ones queued for their place, and the ones whose
    // embedded elements follow a height change above them (rows move with their paragraph unvisited).
    int Moves = 0;
    int Changes = 0;          // Changed calls
    int64_t PortionSteps = 0; // portions walked to turn offsets into positions and back
    // Paragraphs visited by arranging, numbering and measuring the whole: an edit of one paragraph
    // must visit a number of them that does not grow with the document.
    int64_t ParagraphSteps = 0;
    // Paragraphs painting looked at: a screen deep in a long text must cost what the first one does.
    int64_t PaintSteps = 0;
};

// The layout engine of editable text: paragraphs of text runs, tab runs and embedded elements,
// word-wrapped at GetWidth(), with hit tests, caret rectangles, word boundaries, primitive edits and
// painting. Every edit runs in an update bracket; layout is deferred while the Textor is locked, so k
// edits in one bracket cost one Arrange and one Changed.
//
// Used on the user-interface thread only (documents loaded on the generation thread build their own
// Textors there and never share them).
class TTextor
{
public:
    // `locked`: the Textor starts locked (LockCount 1) and arranges nothing until its owner unlocks it.
    explicit TTextor(bool locked = false);
    TTextor(const TTextor&) = delete;
    TTextor& operator=(const TTextor&) = delete;
    virtual ~TTextor();

    TParagraph* FirstParagraph() const { return FParagraphs.First(); }
    TParagraph* LastParagraph() const { return FParagraphs.Last(); }
    int ParagraphCount() const;
    // The owning element; nullptr for a free-standing Textor. Not owned.
    TNode* Owner() const { return FOwner; }
    void SetOwner(TNode* owner) { FOwner = owner; }

    void BeginUpdate();
    void EndUpdate();
    void Lock();
    void Unlock();
    int UpdateCount() const { return FUpdateCount; }
    int LockCount() const { return FLockCount; }
    bool ChangePending() const { return FChangePending; }
    bool ArrangePending() const { return FArrangePending; }
    bool Arranging() const { return FArranging; }

    const TTextorCounters& Counters() const { return FCounters; }
    void ResetCounters() { FCounters = {}; }

    // Hooks.
    virtual bool CanBreakAfter(int c, int nextChar) const;
    virtual void Changed();
    virtual void Arrange(bool notify);
    virtual TParagraphAttributes* DefaultParagraphAttributes() const;
    virtual TTextAttributes* DefaultTextAttributes() const;
    virtual void GetElementMargins(QMargins& margins) const;
    // The owner element's inner padding: elements are placed in the owner's coordinates.
    virtual void GetPadding(QMargins& padding) const;
    // The wrap width in pixels; 0 or less: no wrapping.
    virtual int GetWidth() const;
    virtual const TAttributesMeta* ParagraphAttributesClass() const;
    virtual bool AllowParagraphs() const;
    virtual bool AllowTabStops() const;
    virtual const TAttributesMeta* TextAttributesClass() const;
    virtual bool SameWord(int a, int b) const;
    // The character classes of word boundaries: "_", letters and decimal digits; and white space
    // (space, U+0009 to U+000D, U+00A0, U+0085 and the Unicode space, line and paragraph separators).
    static bool IsWordCharacter(int c);
    static bool IsWhiteCharacter(int c);
    virtual void ArrangeParagraph(TParagraph& paragraph, int width, const QMargins& margins,
                                  const QMargins& padding);

    // Never-null forms of attributes: the value, else the Textor's default, else the process default.
    TTextAttributes& EffectiveTextAttributes(TTextAttributes* attributes) const;
    TParagraphAttributes& EffectiveParagraphAttributes(TParagraphAttributes* attributes) const;
    // The element margins of the last Arrange (asked once per Arrange).
    const QMargins& ElementMargins() const;

    // Content.
    void Clear();
    void SetText(QStringView text);
    QString GetText() const;
    // Characters, one U+0009 per tab, nothing for elements, CR LF per paragraph end crossed.
    QString GetRangeText(const TTextorRange& range) const;
    TTextorRange InsertText(const TTextorPosition& position, QStringView chars, TTextAttributes* attributes);
    // The element's new portion owns it.
    TTextorRange InsertElement(const TTextorPosition& position, TInlineElementPtr element,
                               TTextAttributes* attributes);
    // The range from the old paragraph's new end to the new paragraph's start.
    TTextorRange InsertParagraphBreak(const TTextorPosition& position, TTextAttributes* attributes);
    TTextorPosition DeleteRange(const TTextorRange& range);
    TTextorRange SetRangeAttributes(const TTextorRange& range, bool includeParagraphEnds,
                                    TTextAttributes* attributes);
    // Calls callback(paragraph, portion, start, count) for each non-empty piece inside the range and
    // callback(paragraph, nullptr, 0, 0) for each paragraph end inside it (the last paragraph's only
    // with includeParagraphEnds). Returns false when the callback returned false (stop).
    template <class F>
    bool ForEachSegment(const TTextorRange& range, bool includeParagraphEnds, F&& callback) const
    {
        return ForEachSegmentImpl(
            range, includeParagraphEnds, &callback,
            [](void* data, TParagraph* p, TPortion* portion, int start, int count) {
                return bool((*static_cast<std::remove_reference_t<F>*>(data))(p, portion, start, count));
            });
    }
    // Attributes for text typed at a position (may be nullptr: the default).
    TTextAttributes* AttributesAt(const TTextorPosition& position) const;

    TTextorPosition FirstPosition() const;
    TTextorPosition LastPosition() const;
    TTextorRange WholeRange() const;
    bool IsEmpty() const;
    TTextorPosition NextPosition(const TTextorPosition& position) const;
    TTextorPosition PrevPosition(const TTextorPosition& position) const;
    TTextorPosition WordStart(const TTextorPosition& position) const;
    TTextorPosition WordEnd(const TTextorPosition& position) const;
    // -1, 0 or 1 by document order.
    int Compare(const TTextorPosition& a, const TTextorPosition& b) const;
    TTextorPosition Normalized(const TTextorPosition& position) const;

    // Geometry (valid after Arrange).
    TRow* RowOf(const TTextorPosition& position, bool preferNext) const;
    TRow* RowAt(int y, bool clamp) const;
    TTextorHit PositionAtPoint(QPoint point, bool clamp, bool rounding,
                               const TTextorDrag* drag = nullptr) const;
    int XOfPosition(const TRow& row, const TTextorPosition& position) const;
    QRect CaretRect(const TRow& row, const TTextorPosition& position, int caretWidth) const;
    int ContentWidth() const;
    int ContentHeight() const;

    TTextorIndex ToIndex(const TTextorPosition& position) const;
    TTextorIndexRange ToIndex(const TTextorRange& range) const;
    bool FromIndex(const TTextorIndex& index, TTextorPosition& position) const;
    bool FromIndex(const TTextorIndexRange& index, TTextorRange& range) const;

    void InvalidateLayout();
    // Lays out one paragraph again without a change notification: for an embedded element whose size
    // changed (its portion's paragraph).
    void InvalidateParagraph(TParagraph& paragraph);
    // Re-splits the text between embedded elements by the current tab and paragraph options; every
    // piece keeps its own character attributes.
    void Normalize();

    void Paint(ITextorCanvas& canvas, int elementFlags, bool markParagraphEnds, int flags,
               const TTextorRange& range);
    void PaintBackgrounds(ITextorCanvas& canvas, int elementFlags);

protected:
    // Called by every change of a paragraph's content or attributes.
    void ContentChanged(TParagraph& paragraph);
    // Reports a change of content: Changed now, or at the end of the outermost update bracket.
    void NoteChange();
    // Called when a paragraph before `paragraph` was removed.
    void PositionChanged(TParagraph& paragraph);
    void RequestArrange(bool notify);
    // Lays out a paragraph whose layout is invalid: breaks it into rows, placed below its top.
    void BreakParagraph(TParagraph& paragraph, int width);
    void PlaceElements(TParagraph& paragraph, const QMargins& margins, const QMargins& padding);

private:
    friend class TParagraph;
    friend class TPortion;
    // Line breaking (textor_layout.cpp): one paragraph's values, and a row's end.
    struct TRowLayout;
    struct TRowBreak;
    // Paragraph indexes (see FNumbered); `paragraph` is one of this Textor's.
    int IndexOf(const TParagraph& paragraph) const;
    TParagraph* ParagraphAt(int index) const;
    bool Numbered(const TParagraph& paragraph) const;
    // The first paragraph from `from` on whose bottom lies below y, found by halving the laid-out
    // paragraphs (which lie in order, top to bottom); nullptr when one on the way has no rows.
    TParagraph* FirstParagraphBelow(const TParagraph& from, int y) const;
    // Paragraph tops are shifted lazily: every paragraph from FShiftFrom on lies FShift pixels below
    // where its FTop says, so a height change moves the rest of the text without visiting it. TopOf is
    // a laid-out paragraph's real top.
    int TopOf(const TParagraph& paragraph) const;
    // Moves the tops of every paragraph from `from` on by dy (Arrange moves their embedded elements).
    void ShiftFrom(TParagraph* from, int dy);
    // Makes FTop exact for every paragraph up to `paragraph`, which is laid out next.
    void SettleThrough(TParagraph& paragraph);
    // Adds dy to FTop of the paragraphs from `from` up to before `end`.
    void ShiftTops(TParagraph* from, const TParagraph* end, int dy);
    // Notes that a paragraph's layout or position became invalid, for the next Arrange.
    void QueueArrange(TParagraph& paragraph);
    void DropFromQueue(TParagraph& paragraph);
    // Arranges the queued paragraphs in document order and shifts the ones between them.
    void ArrangeQueued();
    // The histogram of paragraph content widths, whose largest key is ContentWidth.
    void CountWidth(int width, int delta);
    // Scans one row from where `from` says the row starts, `available` pixels wide. Returns the best
    // break on the row, or the paragraph's end (Offset == the paragraph's length) when the rest fits.
    TRowBreak FindRowBreak(const TRowLayout& layout, const TRowBreak& from, int available) const;
    // The best break in [start, length) of a portion whose piece from `start` overflowed the row at
    // `fit` (`overflow`), or fitted; `quality` receives how good it is.
    int BreakCandidate(const TPortion& portion, int start, bool overflow, int fit, int& quality) const;
    // Appends the row that ends at `end` (of the kind its place asks for) and advances the layout.
    void CloseRow(TRowLayout& layout, const TRowBreak& end);
    using TSegmentProc = bool (*)(void* data, TParagraph* paragraph, TPortion* portion, int start, int count);
    bool ForEachSegmentImpl(const TTextorRange& range, bool includeParagraphEnds, void* data,
                            TSegmentProc proc) const;
    // A new empty paragraph, linked in before `before` (nullptr: at the end).
    TParagraph* NewParagraph(TParagraph* before);
    // Unlinks and frees a paragraph; the one after it is told that its position changed.
    void FreeParagraph(TParagraph* paragraph);
    // Edits on (paragraph, offset); they return the offset after what they inserted.
    int InsertRun(TParagraph& paragraph, int offset, TPortionKind kind, QStringView chars, int count,
                  TTextAttributes* attributes, TInlineElementPtr element);
    TParagraph* BreakAt(TParagraph& paragraph, int offset, TTextAttributes* attributes);
    // Splits the portion holding `offset` so that a portion starts there; returns it (nullptr: end).
    TPortion* SplitAt(TParagraph& paragraph, int offset);
    void DeleteInParagraph(TParagraph& paragraph, int from, int to);
    void PaintRow(TTextorPaintState& state, TRow& row, int from, int to, const QRect& clip);

    // Never empty: a Textor always holds at least one paragraph.
    TOwningList<TParagraph> FParagraphs;
    int FParagraphCount = 0;
    // The first paragraphs in order, each at its index; a paragraph's FIndex points into it. Edits cut
    // it back to before the first paragraph whose index they change, lookups extend it again: typing
    // in a paragraph keeps every index, so no lookup walks the document.
    mutable std::vector<TParagraph*> FNumbered;
    // Paragraphs whose layout or position is invalid, in no order. When too many are invalid at once
    // (a load, a new width), FArrangeAll makes Arrange walk every paragraph instead.
    std::vector<TParagraph*> FQueued;
    bool FArrangeAll = false;
    // The queue Arrange is working through; a paragraph freed meanwhile leaves a nullptr.
    std::vector<TParagraph*> FArrangeWork;
    // Content width -> number of paragraphs that wide.
    std::map<int, int> FWidths;
    // See TopOf; FShiftFrom is nullptr when every FTop is exact.
    TParagraph* FShiftFrom = nullptr;
    int FShift = 0;
    // Paragraphs holding embedded elements: a shift moves the elements of the ones below it.
    int FElementParagraphs = 0;
    TNode* FOwner = nullptr;
    int FUpdateCount = 0;
    int FLockCount = 0;
    bool FChangePending = false;
    bool FArrangePending = false;
    bool FArranging = false;
    // The default text attributes while an Arrange runs.
    TTextAttributes* FArrangeDefaultText = nullptr;
    mutable bool FMarginsValid = false;
    mutable QMargins FMargins;
    TTextorCounters FCounters;
};

} // namespace qv
