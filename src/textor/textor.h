#pragma once

#include "textor/attributes.h"

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringView>

#include <cstdint>

namespace qv {

class IInlineElement;
class ITextorCanvas;
class TNode;
class TParagraph;
class TPortion;
class TRow;
class TTextor;

// A caret position: before character `Offset` of `Portion`. Positions are normalized: an offset equal
// to the portion's length is written as (next portion, 0), and the end of a paragraph is (paragraph,
// nullptr, 0).
//
// A position holds raw pointers: it is valid until the next edit of its Textor. Whatever must outlive
// an edit keeps the index form (TTextorIndex) and converts it back with FromIndex.
struct TTextorPosition
{
    TParagraph* Paragraph = nullptr;
    TPortion* Portion = nullptr;
    int Offset = 0;

    bool operator==(const TTextorPosition&) const = default;
};

struct TTextorRange
{
    TTextorPosition Start;
    TTextorPosition End;

    bool operator==(const TTextorRange&) const = default;
};

// The persistent form of a position: the paragraph's index from 0 and the offset in the paragraph, in
// caret steps (a UTF-16 unit, a tab or an embedded element each count 1).
struct TTextorIndex
{
    int Paragraph = 0;
    int Offset = 0;

    bool operator==(const TTextorIndex&) const = default;
    bool operator<(const TTextorIndex& other) const
    {
        return Paragraph != other.Paragraph ? Paragraph < other.Paragraph : Offset < other.Offset;
    }
};

struct TTextorIndexRange
{
    TTextorIndex Start;
    TTextorIndex End;

    bool operator==(const TTextorIndexRange&) const = default;
};

// A mouse drag for hit testing: where the button went down, where the pointer is, and the platform's
// drag threshold in pixels.
struct TTextorDrag
{
    QPoint From;
    QPoint To;
    int Threshold = 0;
};

// The result of PositionAtPoint.
struct TTextorHit
{
    bool Inside = false;
    TTextorPosition Position;
    TRow* Row = nullptr;
};

// Paint flags.
enum : int
{
    tpfSelected = 1,
    tpfInactive = 2,
    tpfNonPrinting = 4,
};

// Work counts of a Textor, for tests and benchmarks (layout must stay proportional to what changed).
struct TTextorCounters
{
    int Arranges = 0;          // Arrange calls that did work
    int ArrangeParagraphs = 0; // ArrangeParagraph calls (re-wraps and moves)
    int Wraps = 0;             // paragraphs broken into rows again
    int Moves = 0;             // paragraphs whose rows were only shifted
    int Changes = 0;           // Changed calls
    int64_t PortionSteps = 0;  // portions walked to turn offsets into positions and back
};

// Kinds of portions.
enum class TPortionKind : uint8_t
{
    Text,
    TabStops,
    Element
};

// State shared by the pieces of one painted row.
struct TTextorPaintState
{
    ITextorCanvas* Canvas = nullptr;
    QRect RowRect;
    int Baseline = 0;
    int Flags = 0;
    int ElementFlags = 0;
    bool Focused = true;
    QMargins Padding;
};

// A run of a paragraph: characters with one attributes value, tabs, or one embedded element. Lengths
// and offsets count caret steps (UTF-16 units for text). Owned by its paragraph.
class TPortion
{
public:
    TPortion(const TPortion&) = delete;
    TPortion& operator=(const TPortion&) = delete;
    virtual ~TPortion();

    TParagraph* Paragraph() const { return FParagraph; }
    TTextor* Textor() const;
    int Length() const { return FLength; }
    // The attributes value; nullptr means the Textor's default.
    TTextAttributes* Attributes() const { return FAttributes.get(); }
    // The attributes that measure and draw this portion (never null).
    TTextAttributes& EffectiveAttributes() const;
    TPortion* Next() const { return FNext; }
    TPortion* Prev() const { return FPrev; }

    virtual TPortionKind Kind() const = 0;
    // Advances x over `count` steps from `start`; x is relative to the row's left edge (tab stops count
    // from there).
    virtual void AddWidth(int& x, int start, int count) const = 0;
    virtual bool SameAttributes(const TTextAttributes* attributes) const;
    virtual void DeleteChars(int start, int count) = 0;
    // Moves everything from `start` on into the empty portion `tail` of the same kind.
    virtual void MoveTail(TPortion& tail, int start) = 0;
    // Prepends the content of `other`, a portion of the same kind, and empties it.
    virtual void TakeContent(TPortion& other) = 0;
    // The UTF-16 unit at i, 9 for a tab, -1 for an element.
    virtual int CharAt(int i) const = 0;
    // Hit test of the piece [start, start + count) whose left edge is at x. When targetX lies at or
    // beyond the piece's right edge, x is advanced past the piece and the result is false. Otherwise
    // `index` is the offset in the portion of the caret position hit and the result is true.
    virtual bool IndexAtX(int& x, int targetX, const TTextorDrag* drag, bool rounding, int start, int count,
                          int& index) const = 0;
    // Line breaking: x is the left edge of the piece [start, start + count). False when the whole piece
    // ends at or before `available` (x is then advanced past it); otherwise true with `index` the first
    // character whose right edge lies beyond `available`. Costs only what it scans.
    virtual bool FitIndex(int& x, int available, int start, int count, int& index) const;
    virtual void MoveBy(int dx, int dy);
    // Paints the piece at x (advanced past it); `selected` marks it as selected.
    virtual void Paint(TTextorPaintState& state, int& x, int start, int count, bool selected) = 0;
    // Appends the piece's characters (elements add nothing); returns how many were written.
    virtual int CopyText(int start, int count, QChar* dest) const = 0;
    virtual void PlaceElement(int x, int baseline, const QMargins& margins, const QMargins& padding);
    virtual void GetAscentDescent(int& ascent, int& descent) const;
    // A new empty portion of the same kind and attributes, linked into `paragraph` before `before`.
    virtual TPortion* CreateEmpty(TParagraph& paragraph, TPortion* before) const = 0;

    void SetAttributes(TTextAttributes* attributes);

protected:
    TPortion(TParagraph& paragraph, TPortion* before, TTextAttributes* attributes);
    // Changes the length and keeps the paragraph's length and layout flags up to date.
    void SetLength(int length);
    void Changed();

private:
    friend class TParagraph;
    friend class TTextor;
    void Link(TParagraph& paragraph, TPortion* before);
    void Unlink();

    TParagraph* FParagraph = nullptr;
    TPortion* FNext = nullptr;
    TPortion* FPrev = nullptr;
    TAttributesRef<TTextAttributes> FAttributes;
    int FLength = 0;
};

class TTextPortion : public TPortion
{
public:
    TTextPortion(TParagraph& paragraph, TPortion* before, TTextAttributes* attributes);

    QStringView Chars() const { return FChars; }
    void InsertChars(int index, QStringView chars);

    TPortionKind Kind() const override { return TPortionKind::Text; }
    void AddWidth(int& x, int start, int count) const override;
    void DeleteChars(int start, int count) override;
    void MoveTail(TPortion& tail, int start) override;
    void TakeContent(TPortion& other) override;
    int CharAt(int i) const override;
    bool IndexAtX(int& x, int targetX, const TTextorDrag* drag, bool rounding, int start, int count,
                  int& index) const override;
    bool FitIndex(int& x, int available, int start, int count, int& index) const override;
    void Paint(TTextorPaintState& state, int& x, int start, int count, bool selected) override;
    int CopyText(int start, int count, QChar* dest) const override;
    TPortion* CreateEmpty(TParagraph& paragraph, TPortion* before) const override;

private:
    // Width of [start, end), with an end that would split a surrogate pair moved past the pair.
    int PrefixWidth(int start, int end) const;

    QString FChars;
};

class TTabStopsPortion : public TPortion
{
public:
    TTabStopsPortion(TParagraph& paragraph, TPortion* before, TTextAttributes* attributes);

    void AddTabs(int count);

    TPortionKind Kind() const override { return TPortionKind::TabStops; }
    void AddWidth(int& x, int start, int count) const override;
    void DeleteChars(int start, int count) override;
    void MoveTail(TPortion& tail, int start) override;
    void TakeContent(TPortion& other) override;
    int CharAt(int i) const override;
    bool IndexAtX(int& x, int targetX, const TTextorDrag* drag, bool rounding, int start, int count,
                  int& index) const override;
    void Paint(TTextorPaintState& state, int& x, int start, int count, bool selected) override;
    int CopyText(int start, int count, QChar* dest) const override;
    TPortion* CreateEmpty(TParagraph& paragraph, TPortion* before) const override;

    // The x after one tab at x: the next multiple of tabWidth strictly greater than x.
    static int NextTabStop(int x, int tabWidth);
};

// One embedded element; its length is always 1. The portion owns the element.
class TElementPortion : public TPortion
{
public:
    TElementPortion(TParagraph& paragraph, TPortion* before, TTextAttributes* attributes,
                    IInlineElement* element);
    ~TElementPortion() override;

    IInlineElement* Element() const { return FElement; }
    // The element's width plus the element margins; 0 for a hidden element.
    int CellWidth() const;

    TPortionKind Kind() const override { return TPortionKind::Element; }
    void AddWidth(int& x, int start, int count) const override;
    bool SameAttributes(const TTextAttributes* attributes) const override;
    void DeleteChars(int start, int count) override;
    void MoveTail(TPortion& tail, int start) override;
    void TakeContent(TPortion& other) override;
    int CharAt(int i) const override;
    bool IndexAtX(int& x, int targetX, const TTextorDrag* drag, bool rounding, int start, int count,
                  int& index) const override;
    void MoveBy(int dx, int dy) override;
    void Paint(TTextorPaintState& state, int& x, int start, int count, bool selected) override;
    int CopyText(int start, int count, QChar* dest) const override;
    void PlaceElement(int x, int baseline, const QMargins& margins, const QMargins& padding) override;
    void GetAscentDescent(int& ascent, int& descent) const override;
    TPortion* CreateEmpty(TParagraph& paragraph, TPortion* before) const override;

private:
    IInlineElement* FElement;
};

// One laid-out line. Geometry is in pixels of the Textor's text area. Rows keep their boundaries as
// offsets into the paragraph, never as portion pointers, so a row read between an edit and the next
// Arrange is stale but never dangles (offsets are clamped to the paragraph).
class TRow
{
public:
    TRow(const TRow&) = delete;
    TRow& operator=(const TRow&) = delete;
    virtual ~TRow();

    TParagraph* Paragraph() const { return FParagraph; }
    // Rows of the same paragraph; nullptr at its ends.
    TRow* Next() const { return FNext; }
    TRow* Prev() const { return FPrev; }

    int Descent() const { return FDescent; }
    int Bottom() const { return FBottom; }
    int Top() const { return FTop; }
    int Height() const { return FBottom - FTop; }
    int Baseline() const { return FBottom - FDescent; }
    // Content width, trailing blanks included.
    int Width() const { return FWidth; }
    // The row's left edge, from alignment and indents.
    int Left() const { return FLeft; }

    virtual int StartOffset() const = 0;
    virtual int EndOffset() const = 0;
    void GetStart(TTextorPosition& position) const;
    void GetEnd(TTextorPosition& position) const;

protected:
    explicit TRow(TParagraph& paragraph);
    int ClampOffset(int offset) const;

private:
    friend class TParagraph;
    friend class TTextor;
    TParagraph* FParagraph;
    TRow* FNext = nullptr;
    TRow* FPrev = nullptr;
    int FDescent = 0;
    int FTop = 0;
    int FBottom = 0;
    int FWidth = 0;
    int FLeft = 0;
};

// A paragraph laid out on a single row.
class TWholeParagraphRow : public TRow
{
public:
    explicit TWholeParagraphRow(TParagraph& paragraph) : TRow(paragraph) {}
    int StartOffset() const override { return 0; }
    int EndOffset() const override;
};

class TWrappedParagraphRow : public TRow
{
protected:
    using TRow::TRow;
};

class TWrappedParagraphFirstRow : public TWrappedParagraphRow
{
public:
    TWrappedParagraphFirstRow(TParagraph& paragraph, int endOffset)
        : TWrappedParagraphRow(paragraph), FEndOffset(endOffset)
    {}
    int StartOffset() const override { return 0; }
    int EndOffset() const override { return ClampOffset(FEndOffset); }

private:
    int FEndOffset;
};

class TWrappedParagraphFollowRow : public TWrappedParagraphRow
{
public:
    int StartOffset() const override { return ClampOffset(FStartOffset); }

protected:
    TWrappedParagraphFollowRow(TParagraph& paragraph, int startOffset)
        : TWrappedParagraphRow(paragraph), FStartOffset(startOffset)
    {}

private:
    int FStartOffset;
};

class TWrappedParagraphInnerRow : public TWrappedParagraphFollowRow
{
public:
    TWrappedParagraphInnerRow(TParagraph& paragraph, int startOffset, int endOffset)
        : TWrappedParagraphFollowRow(paragraph, startOffset), FEndOffset(endOffset)
    {}
    int EndOffset() const override { return ClampOffset(FEndOffset); }

private:
    int FEndOffset;
};

class TWrappedParagraphLastRow : public TWrappedParagraphFollowRow
{
public:
    TWrappedParagraphLastRow(TParagraph& paragraph, int startOffset)
        : TWrappedParagraphFollowRow(paragraph, startOffset)
    {}
    int EndOffset() const override;
};

// A paragraph: a list of portions and, once laid out, its rows. Owned by its Textor.
class TParagraph
{
public:
    TParagraph(const TParagraph&) = delete;
    TParagraph& operator=(const TParagraph&) = delete;
    ~TParagraph();

    TTextor* Textor() const { return FTextor; }
    TParagraph* Next() const { return FNext; }
    TParagraph* Prev() const { return FPrev; }
    TPortion* FirstPortion() const { return FFirstPortion; }
    TPortion* LastPortion() const { return FLastPortion; }
    TRow* FirstRow() const { return FFirstRow; }
    TRow* LastRow() const { return FLastRow; }
    bool LayoutValid() const { return FLayoutValid; }
    bool PositionValid() const { return FPositionValid; }

    // Counted references; nullptr means the Textor's defaults. The text attributes set the minimum
    // ascent and descent of every row and format text typed into the empty paragraph.
    TParagraphAttributes* ParagraphAttributes() const { return FParagraphAttributes.get(); }
    void SetParagraphAttributes(TParagraphAttributes* attributes);
    TTextAttributes* TextAttributes() const { return FTextAttributes.get(); }
    void SetTextAttributes(TTextAttributes* attributes);
    TTextAttributes& EffectiveTextAttributes() const;
    TParagraphAttributes& EffectiveParagraphAttributes() const;

    // Caret steps in the paragraph.
    int Length() const { return FLength; }
    bool IsEmpty() const { return FFirstPortion == nullptr; }
    // Counts from 0; walks the paragraphs before it.
    int Index() const;
    // The normalized position at `offset`, clamped to [0, Length].
    TTextorPosition PositionAt(int offset) const;
    // Offset of a position of this paragraph.
    int OffsetOf(const TTextorPosition& position) const;
    // The portion holding offset and the offset in it; nullptr at the paragraph end.
    TPortion* PortionAt(int offset, int& local) const;
    TTextorPosition Start() const { return {const_cast<TParagraph*>(this), FFirstPortion, 0}; }
    TTextorPosition End() const { return {const_cast<TParagraph*>(this), nullptr, 0}; }

    // Top of the first row and bottom of the last row (0 when not laid out).
    int Top() const;
    int Bottom() const;
    // The largest row left + width + right indent, from the last layout.
    int ContentWidth() const { return FContentWidth; }
    bool HasElements() const;

    // The character (code point) at an offset: -1 for an element, 9 for a tab, -2 past the end.
    char32_t CodePointAt(int offset, int* size = nullptr) const;
    // The offset one caret step forward or back; never splits a surrogate pair.
    int NextOffset(int offset) const;
    int PrevOffset(int offset) const;
    // Moves an offset that lies inside a surrogate pair to the pair's start (or end with `forward`).
    int SnapOffset(int offset, bool forward) const;

private:
    friend class TPortion;
    friend class TTextor;
    TParagraph(TTextor& textor, TParagraph* before);
    void FreeRows();
    void AppendRow(TRow* row);
    void MoveRows(int dy);
    void Changed();

    TTextor* FTextor;
    TParagraph* FNext = nullptr;
    TParagraph* FPrev = nullptr;
    TPortion* FFirstPortion = nullptr;
    TPortion* FLastPortion = nullptr;
    TRow* FFirstRow = nullptr;
    TRow* FLastRow = nullptr;
    TAttributesRef<TParagraphAttributes> FParagraphAttributes;
    TAttributesRef<TTextAttributes> FTextAttributes;
    int FLength = 0;
    int FContentWidth = 0;
    bool FLayoutValid = false;
    bool FPositionValid = false;
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

    TParagraph* FirstParagraph() const { return FFirstParagraph; }
    TParagraph* LastParagraph() const { return FLastParagraph; }
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
    // The portion takes ownership of `element`.
    TTextorRange InsertElement(const TTextorPosition& position, IInlineElement* element,
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
    // Lays out a paragraph whose layout is invalid: breaks it into rows starting at `top`.
    void BreakParagraph(TParagraph& paragraph, int width, int top);
    void PlaceElements(TParagraph& paragraph, const QMargins& margins, const QMargins& padding);

private:
    friend class TParagraph;
    friend class TPortion;
    // Line breaking (textor_layout.cpp): one paragraph's values, and a row's end.
    struct TRowLayout;
    struct TRowBreak;
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
    TParagraph* NewParagraph(TParagraph* before);
    void FreeParagraph(TParagraph* paragraph);
    // Edits on (paragraph, offset); they return the offset after what they inserted.
    int InsertRun(TParagraph& paragraph, int offset, TPortionKind kind, QStringView chars, int count,
                  TTextAttributes* attributes, IInlineElement* element);
    TParagraph* BreakAt(TParagraph& paragraph, int offset, TTextAttributes* attributes);
    // Splits the portion holding `offset` so that a portion starts there; returns it (nullptr: end).
    TPortion* SplitAt(TParagraph& paragraph, int offset);
    void DeleteInParagraph(TParagraph& paragraph, int from, int to);
    void PaintRow(TTextorPaintState& state, TRow& row, int from, int to, const QRect& clip);

    TParagraph* FFirstParagraph = nullptr;
    TParagraph* FLastParagraph = nullptr;
    TNode* FOwner = nullptr;
    int FUpdateCount = 0;
    int FLockCount = 0;
    bool FChangePending = false;
    bool FArrangePending = false;
    bool FArranging = false;
    mutable bool FMarginsValid = false;
    mutable QMargins FMargins;
    TTextorCounters FCounters;
};

} // namespace qv
