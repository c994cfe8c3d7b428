#include "library/custom_button_element.h"

#include "elements/scheme_images.h"
#include "textor/canvas.h"

namespace qv {

QV_IMPLEMENT_CLASS(TCustomSmallImageElement)
QV_IMPLEMENT_CLASS(TCustomButtonElement)

// TCustomSmallImageElement

TCustomSmallImageElement::TCustomSmallImageElement(TScheme* scheme) : TVisualElement(scheme)
{
    SetVisualOptions(VisualOptions() | voCanDisable);
    SetBounds(Left(), Top(), Descent(), SmallImages().Height(), SmallImages().Width());
}

int TCustomSmallImageElement::ImageIndex()
{
    return -1;
}

void TCustomSmallImageElement::Paint(TCanvas* canvas)
{
    const int index = ImageIndex();
    if (index < 0)
        return;
    const QImage image = SmallImages().Image(index, canvas->DevicePixelRatio());
    if (!image.isNull())
        canvas->DrawImage(image, SmallImages().Width(), 0, 0, 0);
}

void TCustomSmallImageElement::Relayout(bool all, bool force)
{
    inherited::Relayout(all, force);
    SetBounds(Left(), Top(), Descent(), SmallImages().Height(), SmallImages().Width());
}

int TCustomSmallImageElement::GetCursor(const QPoint& point)
{
    if (VisualParent() != nullptr)
        return VisualParent()->GetCursor(point + QPoint(Left(), Top()));
    return inherited::GetCursor(point);
}

// TCustomButtonElement

TCustomButtonElement::TCustomButtonElement(TScheme* scheme) : TVisualElement(scheme)
{
    SetVisualOptions(VisualOptions() | voFocusOnClick);
}

void TCustomButtonElement::Press() {}

void TCustomButtonElement::Click()
{
    inherited::Click();
    Press();
}

void TCustomButtonElement::KeyDown(int& key, Qt::KeyboardModifiers shift)
{
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
        key = 0;
        Press();
        return;
    }
    inherited::KeyDown(key, shift);
}

void TCustomButtonElement::KeyPress(QChar& key)
{
    if (key == u'\r' || key == u' ') {
        key = QChar();
        return;
    }
    inherited::KeyPress(key);
}

} // namespace qv
