#include "app/palette_layout.h"

#include <algorithm>

namespace qv {

namespace {

// A place in a panel's row: one large button or one column of up to three small buttons.
struct TSlot
{
    QList<int> Buttons;
    bool Large = false;
};

struct TButtonState
{
    bool Caption = false;
    bool Arrow = false;
};

struct TPanelState
{
    QList<TSlot> Slots;
    QList<TButtonState> Buttons;
    bool SpareRemoved = false;
};

QList<TSlot> MakeSlots(const TPalettePanelRequest& panel)
{
    QList<TSlot> slots;
    for (int i = 0; i < panel.Buttons.size(); ++i) {
        const TPaletteButtonRequest& button = panel.Buttons[i];
        const bool continues = !button.Large && !button.NewColumn && !slots.isEmpty() &&
                               !slots.last().Large && slots.last().Buttons.size() < 3;
        if (!continues)
            slots.append(TSlot{{}, button.Large});
        slots.last().Buttons.append(i);
    }
    return slots;
}

class TLayout
{
public:
    TLayout(const QList<TPalettePanelRequest>& panels, const TPaletteMetrics& metrics)
        : FRequests(panels), FMetrics(metrics)
    {
        for (const TPalettePanelRequest& request : panels) {
            TPanelState state;
            state.Slots = MakeSlots(request);
            for (const TPaletteButtonRequest& button : request.Buttons)
                state.Buttons.append(TButtonState{button.CaptionWidth > 0, button.Arrow});
            FPanels.append(state);
        }
    }

    int ButtonWidth(int panel, int button) const
    {
        const TPaletteButtonRequest& request = FRequests[panel].Buttons[button];
        const TButtonState& state = FPanels[panel].Buttons[button];
        const int pad = FMetrics.Padding;
        const int arrow = state.Arrow ? FMetrics.ArrowWidth : 0;
        const int caption = state.Caption ? request.CaptionWidth : 0;
        if (request.Large)
            return std::max(paletteLargeImage, caption) + 2 * pad + arrow;
        return pad + paletteSmallImage + (state.Caption ? pad + caption : 0) + arrow + pad;
    }

    int SlotWidth(int panel, const TSlot& slot) const
    {
        int width = 0;
        for (int button : slot.Buttons)
            width = std::max(width, ButtonWidth(panel, button));
        return width;
    }

    int ContentWidth(int panel) const
    {
        const QList<TSlot>& slots = FPanels[panel].Slots;
        int width = slots.isEmpty() ? 0 : FMetrics.ButtonGap * int(slots.size() - 1);
        for (const TSlot& slot : slots)
            width += SlotWidth(panel, slot);
        return width;
    }

    int PanelWidth(int panel) const
    {
        const int content = ContentWidth(panel);
        if (FPanels[panel].SpareRemoved)
            return content;
        const int header =
            FMetrics.HeaderHeight > 0 ? FRequests[panel].HeaderWidth + 2 * FMetrics.Padding : 0;
        return std::max(content, header) + FMetrics.PanelSpare;
    }

    int TotalWidth() const
    {
        int width = 2 * FMetrics.Margin;
        for (int i = 0; i < FPanels.size(); ++i)
            width += PanelWidth(i) + (i > 0 ? FMetrics.PanelGap : 0);
        return width;
    }

    // Runs the passes until the width fits; returns the number of passes used.
    int Narrow(int available, bool& fits)
    {
        fits = TotalWidth() <= available;
        if (fits)
            return 0;
        for (int pass = 1; pass <= 4; ++pass) {
            for (int panel = int(FPanels.size()) - 1; panel >= 0; --panel) {
                if (NarrowPanel(pass, panel, available)) {
                    fits = true;
                    return pass;
                }
            }
        }
        return 4;
    }

    TPaletteGeometry Place(int passes, bool fits) const;

private:
    // Applies one pass to one panel, step by step; true as soon as everything fits.
    bool NarrowPanel(int pass, int panel, int available)
    {
        TPanelState& state = FPanels[panel];
        const TPalettePanelRequest& request = FRequests[panel];
        if (pass == 1) {
            state.SpareRemoved = true;
            return TotalWidth() <= available;
        }
        if (pass == 2) {
            for (qsizetype s = state.Slots.size() - 1; s >= 0; --s) {
                if (state.Slots[s].Large)
                    continue;
                for (int button : state.Slots[s].Buttons)
                    state.Buttons[button].Caption = false;
                if (TotalWidth() <= available)
                    return true;
            }
            return false;
        }
        for (qsizetype b = request.Buttons.size() - 1; b >= 0; --b) {
            if (pass == 3 && request.Buttons[b].Large && state.Buttons[b].Caption)
                state.Buttons[b].Caption = false;
            else if (pass == 4 && state.Buttons[b].Arrow)
                state.Buttons[b].Arrow = false;
            else
                continue;
            if (TotalWidth() <= available)
                return true;
        }
        return false;
    }

    void PlaceButton(int panel, int button, const QRect& rect, TPaletteButtonGeometry& geometry) const;

    const QList<TPalettePanelRequest>& FRequests;
    const TPaletteMetrics& FMetrics;
    QList<TPanelState> FPanels;
};

void TLayout::PlaceButton(int panel, int button, const QRect& rect, TPaletteButtonGeometry& g) const
{
    const TPaletteButtonRequest& request = FRequests[panel].Buttons[button];
    const TButtonState& state = FPanels[panel].Buttons[button];
    const int pad = FMetrics.Padding;
    const int arrow = state.Arrow ? FMetrics.ArrowWidth : 0;
    g.Rect = rect;
    if (request.Large) {
        const int imageLeft = rect.left() + (rect.width() - arrow - paletteLargeImage) / 2;
        g.Image = QRect(imageLeft, rect.top() + pad, paletteLargeImage, paletteLargeImage);
        if (state.Caption)
            g.Caption = QRect(rect.left() + pad, g.Image.bottom() + 3, rect.width() - 2 * pad - arrow,
                              FMetrics.TextHeight);
        if (state.Arrow)
            g.Arrow = QRect(rect.right() + 1 - arrow - pad / 2, g.Image.top(), arrow, paletteLargeImage);
        if (request.Split && state.Caption) {
            g.ImagePart = QRect(rect.left(), rect.top(), rect.width(), g.Image.bottom() + 2 - rect.top());
            g.CaptionPart = QRect(rect.left(), g.ImagePart.bottom() + 1, rect.width(),
                                  rect.bottom() - g.ImagePart.bottom());
        }
        return;
    }
    g.Image = QRect(rect.left() + pad, rect.top() + (rect.height() - paletteSmallImage) / 2,
                    paletteSmallImage, paletteSmallImage);
    if (state.Caption)
        g.Caption = QRect(g.Image.right() + 1 + pad, rect.top(), rect.right() - arrow - g.Image.right() - pad,
                          rect.height());
    if (state.Arrow)
        g.Arrow = QRect(rect.right() + 1 - arrow - pad / 2, rect.top(), arrow, rect.height());
    if (request.Split && state.Caption) {
        g.ImagePart =
            QRect(rect.left(), rect.top(), g.Image.right() + pad / 2 + 1 - rect.left(), rect.height());
        g.CaptionPart =
            QRect(g.ImagePart.right() + 1, rect.top(), rect.right() - g.ImagePart.right(), rect.height());
    }
}

TPaletteGeometry TLayout::Place(int passes, bool fits) const
{
    TPaletteGeometry geometry;
    geometry.Passes = passes;
    geometry.Fits = fits;
    const int contentHeight = PaletteContentHeight(FMetrics);
    const int rowHeight = contentHeight / 3;
    const int top = FMetrics.Margin;
    const int contentTop = top + FMetrics.HeaderHeight;
    int x = FMetrics.Margin;
    for (int panel = 0; panel < FPanels.size(); ++panel) {
        if (panel > 0)
            x += FMetrics.PanelGap;
        TPalettePanelGeometry panelGeometry;
        const int width = PanelWidth(panel);
        panelGeometry.Rect = QRect(x, top, width, FMetrics.HeaderHeight + contentHeight);
        if (FMetrics.HeaderHeight > 0)
            panelGeometry.Header = QRect(x, top, width, FMetrics.HeaderHeight);
        panelGeometry.Buttons.resize(FRequests[panel].Buttons.size());
        int slotLeft = x;
        for (const TSlot& slot : FPanels[panel].Slots) {
            const int slotWidth = SlotWidth(panel, slot);
            for (int row = 0; row < slot.Buttons.size(); ++row) {
                const int button = slot.Buttons[row];
                const QRect rect = slot.Large
                                       ? QRect(slotLeft, contentTop, slotWidth, contentHeight)
                                       : QRect(slotLeft, contentTop + row * rowHeight, slotWidth, rowHeight);
                PlaceButton(panel, button, rect, panelGeometry.Buttons[button]);
            }
            slotLeft += slotWidth + FMetrics.ButtonGap;
        }
        x += width;
        geometry.Panels.append(panelGeometry);
    }
    geometry.Size = QSize(x + FMetrics.Margin, PaletteHeight(FMetrics));
    return geometry;
}

} // namespace

int PaletteContentHeight(const TPaletteMetrics& metrics)
{
    const int large =
        2 * metrics.Padding + paletteLargeImage + (metrics.CaptionRow ? 3 + metrics.TextHeight : 0);
    // Without captions the small buttons stack tighter.
    const int smallRow = metrics.CaptionRow
                             ? std::max(paletteSmallImage, metrics.TextHeight) + metrics.Padding
                             : paletteSmallImage + 2;
    return std::max(large, 3 * smallRow);
}

int PaletteHeight(const TPaletteMetrics& metrics)
{
    return 2 * metrics.Margin + metrics.HeaderHeight + PaletteContentHeight(metrics);
}

TPaletteGeometry LayoutPalette(const QList<TPalettePanelRequest>& panels, int availableWidth,
                               const TPaletteMetrics& metrics)
{
    TLayout layout(panels, metrics);
    bool fits = true;
    const int passes = layout.Narrow(availableWidth, fits);
    return layout.Place(passes, fits);
}

} // namespace qv
