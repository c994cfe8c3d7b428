#pragma once

// The runs a paragraph is made of: text, tabs and embedded elements, and what painting a run needs.

#include "core/owning_list.h"
#include "textor/attributes.h"
#include "textor/inline_element.h"

#include <QMargins>
#include <QRect>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <memory>

namespace qv {

class ITextorCanvas;
class TParagraph;
class TTextor;
struct TTextorDrag;

// Paint flags.
enum : int
{
    tpfSelected = 1,
    tpfInactive = 2,
    tpfNonPrinting = 4,
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
// and offsets count caret steps (UTF-16 units for text). Owned by its paragraph, in its list of portions
// (Next and Prev walk it); a portion made by a factory belongs to no paragraph until one inserts it.
class TPortion : public TOwningListItem<TPortion>
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
    // A new empty portion of the same kind and attributes, in no paragraph yet.
    virtual std::unique_ptr<TPortion> CreateEmpty() const = 0;

    void SetAttributes(TTextAttributes* attributes);

protected:
    explicit TPortion(TTextAttributes* attributes);
    // Changes the length and keeps the paragraph's length and layout flags up to date.
    void SetLength(int length);
    void Changed();

private:
    friend class TParagraph;
    friend class TTextor;

    // Set while the portion is in a paragraph's list.
    TParagraph* FParagraph = nullptr;
    TAttributesRef<TTextAttributes> FAttributes;
    int FLength = 0;
};

class TTextPortion : public TPortion
{
public:
    explicit TTextPortion(TTextAttributes* attributes);

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
    std::unique_ptr<TPortion> CreateEmpty() const override;

private:
    // Width of [start, end), with an end that would split a surrogate pair moved past the pair.
    int PrefixWidth(int start, int end) const;

    QString FChars;
};

class TTabStopsPortion : public TPortion
{
public:
    explicit TTabStopsPortion(TTextAttributes* attributes);

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
    std::unique_ptr<TPortion> CreateEmpty() const override;

    // The x after one tab at x: the next multiple of tabWidth strictly greater than x.
    static int NextTabStop(int x, int tabWidth);
};

// One embedded element; its length is always 1. The portion owns the element.
class TElementPortion : public TPortion
{
public:
    TElementPortion(TTextAttributes* attributes, TInlineElementPtr element);
    ~TElementPortion() override;

    IInlineElement* Element() const { return FElement.get(); }
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
    std::unique_ptr<TPortion> CreateEmpty() const override;

private:
    TInlineElementPtr FElement;
};

} // namespace qv
