#pragma once

#include "elements/visual_element.h"

namespace qv {

// An element drawn as one icon of the small image list, at its top-left corner; its size is the
// list's icon size. It can be disabled.
class TCustomSmallImageElement : public TVisualElement
{
    QV_CLASS(TCustomSmallImageElement, TVisualElement)

    explicit TCustomSmallImageElement(TScheme* scheme);

    // The icon to draw: an index in the small image list; negative for none.
    virtual int ImageIndex();

    void Paint(TCanvas* canvas) override;
    void Relayout(bool all, bool force) override;
    // The visual parent's cursor at the same point.
    int GetCursor(const QPoint& point) override;
};

// An element with an action: a click, Enter or Space runs Press. It takes the focus on a click.
class TCustomButtonElement : public TVisualElement
{
    QV_CLASS(TCustomButtonElement, TVisualElement)

    explicit TCustomButtonElement(TScheme* scheme);

    // The button's action; nothing by default.
    virtual void Press();

    void Click() override;
    void KeyDown(int& key, Qt::KeyboardModifiers shift) override;
    void KeyPress(QChar& key) override;
};

} // namespace qv
