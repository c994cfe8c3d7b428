#pragma once

// Positions in a Textor's text: the pointer form that lives until the next edit, the index form that
// outlives edits, and the inputs and results of hit tests.

#include <QPoint>

namespace qv {

class TParagraph;
class TPortion;
class TRow;

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

} // namespace qv
