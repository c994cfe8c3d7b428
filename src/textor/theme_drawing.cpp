#include "textor/theme_drawing.h"

#include <QPainter>

#include <cmath>

namespace qv {

void SplitZones(int size, int wantFirst, int wantSecond, int& first, int& second)
{
    size = qMax(0, size);
    wantFirst = qMax(0, wantFirst);
    wantSecond = qMax(0, wantSecond);
    if (wantFirst + wantSecond <= size) {
        first = wantFirst;
        second = wantSecond;
        return;
    }
    first = qMax(0, size - wantSecond);
    second = size - first;
}

QImage TintImage(const QImage& source, QRgb tint)
{
    QImage result = source.convertToFormat(QImage::Format_ARGB32);
    const int strength = qAlpha(tint);
    if (strength == 0)
        return result;
    const double a = strength / 255.0;
    auto mix = [a](int tintValue, int pixelValue) {
        const long value = std::lround(a * tintValue + (1.0 - a) * pixelValue);
        return int(qBound(0L, value, 255L));
    };
    for (int y = 0; y < result.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x) {
            const QRgb pixel = line[x];
            if (qAlpha(pixel) == 0)
                continue;
            line[x] = qRgba(mix(qRed(tint), qRed(pixel)), mix(qGreen(tint), qGreen(pixel)),
                            mix(qBlue(tint), qBlue(pixel)), qAlpha(pixel));
        }
    }
    return result;
}

void TileImage(QPainter& painter, const QImage& source, const QRect& sourceRect, const QRect& target)
{
    const int tileWidth = sourceRect.width();
    const int tileHeight = sourceRect.height();
    if (tileWidth <= 0 || tileHeight <= 0 || target.width() <= 0 || target.height() <= 0)
        return;
    const int right = target.left() + target.width();
    const int bottom = target.top() + target.height();
    for (int y = target.top(); y < bottom; y += tileHeight) {
        const int height = qMin(tileHeight, bottom - y);
        for (int x = target.left(); x < right; x += tileWidth) {
            const int width = qMin(tileWidth, right - x);
            painter.drawImage(QRect(x, y, width, height), source,
                              QRect(sourceRect.left(), sourceRect.top(), width, height));
        }
    }
}

namespace {

void FillCell(QPainter& painter, const QImage& source, const QRect& from, const QRect& to, uint8_t mode)
{
    if (from.width() <= 0 || from.height() <= 0 || to.width() <= 0 || to.height() <= 0)
        return;
    switch (mode) {
    case fmStretch:
        painter.drawImage(to, source, from);
        break;
    case fmTile:
        TileImage(painter, source, from, to);
        break;
    default:
        break;
    }
}

} // namespace

void DrawNineSlice(QPainter& painter, const QImage& source, const QRect& sourceRect, const QRect& target,
                   const QMargins& zone, const TFillModes& fillModes)
{
    if (sourceRect.width() <= 0 || sourceRect.height() <= 0 || target.width() <= 0 || target.height() <= 0)
        return;
    // Column and row edges of the source and the target.
    int sourceLeft = 0;
    int sourceRight = 0;
    int sourceTop = 0;
    int sourceBottom = 0;
    SplitZones(sourceRect.width(), zone.left(), zone.right(), sourceLeft, sourceRight);
    SplitZones(sourceRect.height(), zone.top(), zone.bottom(), sourceTop, sourceBottom);
    int targetLeft = 0;
    int targetRight = 0;
    int targetTop = 0;
    int targetBottom = 0;
    SplitZones(target.width(), zone.left(), zone.right(), targetLeft, targetRight);
    SplitZones(target.height(), zone.top(), zone.bottom(), targetTop, targetBottom);

    const int sx[4] = {sourceRect.left(), sourceRect.left() + sourceLeft,
                       sourceRect.left() + sourceRect.width() - sourceRight,
                       sourceRect.left() + sourceRect.width()};
    const int sy[4] = {sourceRect.top(), sourceRect.top() + sourceTop,
                       sourceRect.top() + sourceRect.height() - sourceBottom,
                       sourceRect.top() + sourceRect.height()};
    const int tx[4] = {target.left(), target.left() + targetLeft,
                       target.left() + target.width() - targetRight, target.left() + target.width()};
    const int ty[4] = {target.top(), target.top() + targetTop, target.top() + target.height() - targetBottom,
                       target.top() + target.height()};
    const uint8_t modes[3][3] = {
        {fmStretch, fillModes.Top, fmStretch},
        {fillModes.Left, fillModes.Client, fillModes.Right},
        {fmStretch, fillModes.Bottom, fmStretch},
    };
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            const QRect from(sx[column], sy[row], sx[column + 1] - sx[column], sy[row + 1] - sy[row]);
            const QRect to(tx[column], ty[row], tx[column + 1] - tx[column], ty[row + 1] - ty[row]);
            FillCell(painter, source, from, to, modes[row][column]);
        }
    }
}

} // namespace qv
