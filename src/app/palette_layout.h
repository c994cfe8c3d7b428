#pragma once

#include <QList>
#include <QRect>
#include <QSize>

namespace qv {

// The measures the palette layout works with, in pixels. The window fills them from its font; tests
// use fixed numbers.
struct TPaletteMetrics
{
    int TextHeight = 15;    // a caption's line height
    int HeaderHeight = 18;  // the group header above a panel; 0: no headers
    bool CaptionRow = true; // large buttons keep a row for their caption below the image
    int Padding = 4;        // inside a button, around its image and caption
    int ArrowWidth = 11;    // the drop-down arrow of a sub-list button
    int PanelSpare = 12;    // spare space at a panel's right end
    int PanelGap = 9;       // between two panels (a separator line in its middle)
    int Margin = 3;         // around the whole palette
    int ButtonGap = 2;      // between the buttons and columns of a panel
};

// One button as the layout sees it. CaptionWidth is the caption's text width; 0 means the button
// shows no caption at all.
struct TPaletteButtonRequest
{
    bool Large = false;
    bool NewColumn = false; // a small button that starts a new column
    bool Split = false;     // an image part and a caption part
    bool Arrow = false;     // a sub-list button with its drop-down arrow
    int CaptionWidth = 0;
};

// One group: HeaderWidth is the width of its caption's text (ignored without headers).
struct TPalettePanelRequest
{
    int HeaderWidth = 0;
    QList<TPaletteButtonRequest> Buttons;
};

struct TPaletteButtonGeometry
{
    QRect Rect;
    QRect Image;     // where the 16 × 16 or 32 × 32 picture goes
    QRect Caption;   // empty when the caption is not shown
    QRect Arrow;     // empty when the arrow is not shown
    QRect ImagePart; // for split buttons that show their caption: the two halves; else empty
    QRect CaptionPart;
};

struct TPalettePanelGeometry
{
    QRect Rect;                            // the whole panel, header included
    QRect Header;                          // empty without headers
    QList<TPaletteButtonGeometry> Buttons; // in the order of the panel's requests
};

struct TPaletteGeometry
{
    QList<TPalettePanelGeometry> Panels;
    QSize Size;       // what the panels take after narrowing
    int Passes = 0;   // how many narrowing passes were needed (0: everything fit as it is; at most 4)
    bool Fits = true; // false when even after the four passes the panels are wider than available
};

// Where everything goes for `availableWidth` pixels. When the panels are wider than that, they are
// narrowed from the last panel to the first, in up to four passes that stop as soon as everything
// fits: (1) the spare space at a panel's right end goes; (2) the captions of small buttons go, a column
// at a time; (3) the captions of large buttons go; (4) the drop-down arrows go.
TPaletteGeometry LayoutPalette(const QList<TPalettePanelRequest>& panels, int availableWidth,
                               const TPaletteMetrics& metrics);

// The height of the panels' content and the whole palette for `metrics` (it does not depend on the
// buttons).
int PaletteContentHeight(const TPaletteMetrics& metrics);
int PaletteHeight(const TPaletteMetrics& metrics);

// Large and small picture sizes.
constexpr int paletteLargeImage = 32;
constexpr int paletteSmallImage = 16;

} // namespace qv
