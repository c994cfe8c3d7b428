// Draws the picture of the built-in sheet theme: every frame and image in the rectangle the theme text
// cuts it from, plus the tint and font colour pixels. Run it to regenerate
// resources/themes/default_theme.png:
//
//     make_theme resources/themes/default_theme.png

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>

namespace {

// Rectangles are given as in the theme text: left, top, right, bottom, right and bottom inclusive.
QRect Cut(int left, int top, int right, int bottom)
{
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

void RoundedFrame(QPainter& painter, const QRect& rect, int radius, QColor border, QColor fill)
{
    painter.setPen(QPen(border, 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
}

void Sign(QPainter& painter, const QRect& rect, QColor fill, const QString& glyph)
{
    painter.setPen(QPen(fill.darker(140), 1));
    painter.setBrush(fill);
    painter.drawEllipse(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(rect.height() - 3);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(rect, Qt::AlignCenter, glyph);
}

// A square button with a plus or minus; `data` adds a dot in the corner (the element holds data).
void ToggleBox(QPainter& painter, QPoint at, bool expanded, bool data, QColor border, QColor fill)
{
    const QRect box(at.x() + 3, at.y() + 3, 15, 15);
    RoundedFrame(painter, box, 3, border, fill);
    painter.setPen(QPen(border.darker(130), 2));
    const QPointF centre = QRectF(box).center();
    painter.drawLine(QPointF(centre.x() - 4, centre.y()), QPointF(centre.x() + 4, centre.y()));
    if (!expanded)
        painter.drawLine(QPointF(centre.x(), centre.y() - 4), QPointF(centre.x(), centre.y() + 4));
    if (data) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(230, 140, 40));
        painter.drawEllipse(QRectF(at.x() + 15, at.y() + 15, 5, 5));
    }
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_theme <output.png>\n");
        return 2;
    }
    QImage picture(150, 129, QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing, true);

    // Element frames (all four variants share it; their tint pixels colour them).
    RoundedFrame(painter, Cut(0, 0, 22, 22), 6, QColor(150, 160, 178), QColor(246, 248, 251));
    // Field and name frames; containers use the same area inset by one pixel.
    RoundedFrame(painter, Cut(0, 29, 14, 43), 4, QColor(176, 188, 206), QColor(255, 255, 255));
    // Substitution: a frame with a tinted band on the left.
    RoundedFrame(painter, Cut(26, 29, 40, 49), 4, QColor(160, 150, 200), QColor(244, 242, 252));
    // Continuations of substitutions: a horizontal and a vertical separator.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(Cut(52, 28, 59, 28), QColor(160, 150, 200));
    painter.fillRect(Cut(61, 29, 61, 49), QColor(160, 150, 200));
    painter.setRenderHint(QPainter::Antialiasing, true);
    // Comment: a note with a folded corner.
    {
        const QRect rect = Cut(59, 0, 77, 13);
        QPainterPath path;
        path.moveTo(rect.left() + 0.5, rect.top() + 0.5);
        path.lineTo(rect.right() - 4.5, rect.top() + 0.5);
        path.lineTo(rect.right() + 0.5, rect.top() + 5.5);
        path.lineTo(rect.right() + 0.5, rect.bottom() + 0.5);
        path.lineTo(rect.left() + 0.5, rect.bottom() + 0.5);
        path.closeSubpath();
        painter.setPen(QPen(QColor(200, 180, 90), 1));
        painter.setBrush(QColor(255, 248, 210));
        painter.drawPath(path);
    }
    // Description: a speech bubble whose tail points up-left.
    {
        const QRect rect = Cut(80, 0, 108, 15);
        QPainterPath path;
        path.moveTo(rect.left() + 2.5, rect.top() + 0.5);
        path.lineTo(rect.left() + 9.5, rect.top() + 5.5);
        path.lineTo(rect.right() - 2.5, rect.top() + 5.5);
        path.quadTo(rect.right() + 0.5, rect.top() + 5.5, rect.right() + 0.5, rect.top() + 8.5);
        path.lineTo(rect.right() + 0.5, rect.bottom() - 2.5);
        path.quadTo(rect.right() + 0.5, rect.bottom() + 0.5, rect.right() - 2.5, rect.bottom() + 0.5);
        path.lineTo(rect.left() + 8.5, rect.bottom() + 0.5);
        path.quadTo(rect.left() + 5.5, rect.bottom() + 0.5, rect.left() + 5.5, rect.bottom() - 2.5);
        path.lineTo(rect.left() + 5.5, rect.top() + 7.5);
        path.closeSubpath();
        painter.setPen(QPen(QColor(170, 185, 160), 1));
        painter.setBrush(QColor(240, 248, 236));
        painter.drawPath(path);
    }
    painter.setRenderHint(QPainter::Antialiasing, false);
    // Line: one pixel high.
    painter.fillRect(Cut(64, 15, 78, 15), QColor(190, 196, 206));
    // External editing mode: a diagonal hatch that tiles.
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            if ((x + y) % 4 == 0)
                picture.setPixel(33 + x, y, qRgba(120, 120, 120, 120));
        }
    }
    // Mark: corner brackets.
    {
        const QRect rect = Cut(41, 0, 47, 6);
        const QColor red(220, 60, 40);
        painter.fillRect(QRect(rect.left(), rect.top(), 3, 1), red);
        painter.fillRect(QRect(rect.left(), rect.top(), 1, 3), red);
        painter.fillRect(QRect(rect.right() - 2, rect.top(), 3, 1), red);
        painter.fillRect(QRect(rect.right(), rect.top(), 1, 3), red);
        painter.fillRect(QRect(rect.left(), rect.bottom(), 3, 1), red);
        painter.fillRect(QRect(rect.left(), rect.bottom() - 2, 1, 3), red);
        painter.fillRect(QRect(rect.right() - 2, rect.bottom(), 3, 1), red);
        painter.fillRect(QRect(rect.right(), rect.bottom() - 2, 1, 3), red);
    }
    // Image chess: a checkerboard of 6-pixel squares behind transparent pictures.
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 12; ++x)
            picture.setPixel(30 + x, 16 + y,
                             ((x / 6 + y / 6) % 2 == 0) ? qRgb(255, 255, 255) : qRgb(214, 214, 214));
    }
    painter.setRenderHint(QPainter::Antialiasing, true);
    // Unaccepted: a reddish frame.
    RoundedFrame(painter, Cut(43, 16, 54, 26), 2, QColor(210, 110, 100), QColor(255, 236, 232));
    // Check boxes.
    for (int checked = 0; checked < 2; ++checked) {
        const QRect rect = checked != 0 ? Cut(26, 51, 39, 64) : Cut(41, 51, 54, 64);
        RoundedFrame(painter, rect.adjusted(1, 1, -1, -1), 2, QColor(120, 135, 160), QColor(255, 255, 255));
        if (checked != 0) {
            painter.setPen(QPen(QColor(40, 120, 60), 2));
            painter.drawLine(QPointF(rect.left() + 3.5, rect.top() + 7.5),
                             QPointF(rect.left() + 6, rect.top() + 10));
            painter.drawLine(QPointF(rect.left() + 6, rect.top() + 10),
                             QPointF(rect.left() + 11, rect.top() + 3.5));
        }
    }
    // Message signs.
    Sign(painter, Cut(56, 51, 69, 64), QColor(235, 170, 30), QStringLiteral("!"));
    Sign(painter, Cut(71, 51, 84, 64), QColor(215, 50, 40), QString(QChar(0xD7)));
    painter.setRenderHint(QPainter::Antialiasing, false);
    // Frames of one pixel: solid and dotted (the dotted edges tile).
    {
        const QRect single = Cut(29, 87, 33, 91);
        painter.setPen(QColor(90, 100, 120));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(single.adjusted(0, 0, -1, -1));
        const QRect dot = Cut(34, 87, 39, 92);
        for (int i = 0; i < 6; ++i) {
            if (i % 2 == 0) {
                picture.setPixel(dot.left() + i, dot.top(), qRgb(90, 100, 120));
                picture.setPixel(dot.left() + i, dot.bottom(), qRgb(90, 100, 120));
                picture.setPixel(dot.left(), dot.top() + i, qRgb(90, 100, 120));
                picture.setPixel(dot.right(), dot.top() + i, qRgb(90, 100, 120));
            }
        }
    }
    painter.setRenderHint(QPainter::Antialiasing, true);
    // Referenced: a small arrow.
    {
        const QRect rect = Cut(46, 89, 52, 95);
        QPainterPath path;
        path.moveTo(rect.left() + 0.5, rect.top() + 1.5);
        path.lineTo(rect.right() + 0.5, rect.center().y() + 0.5);
        path.lineTo(rect.left() + 0.5, rect.bottom() - 0.5);
        path.closeSubpath();
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(60, 130, 210));
        painter.drawPath(path);
    }
    // Logic frame: brackets in its corners, dashes along its edges (tiled).
    {
        const QRect rect = Cut(33, 97, 52, 117);
        painter.setRenderHint(QPainter::Antialiasing, false);
        const QColor colour(120, 150, 120);
        painter.fillRect(QRect(rect.left(), rect.top(), rect.width(), 1), colour);
        painter.fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), colour);
        painter.fillRect(QRect(rect.left(), rect.top(), 1, rect.height()), colour);
        painter.fillRect(QRect(rect.right(), rect.top(), 1, rect.height()), colour);
        painter.fillRect(QRect(rect.left() + 1, rect.top() + 1, 5, 5), QColor(230, 240, 230));
        painter.fillRect(QRect(rect.right() - 5, rect.top() + 1, 5, 5), QColor(230, 240, 230));
        painter.fillRect(QRect(rect.left() + 1, rect.bottom() - 6, 5, 6), QColor(230, 240, 230));
        painter.fillRect(QRect(rect.right() - 5, rect.bottom() - 6, 5, 6), QColor(230, 240, 230));
        painter.setRenderHint(QPainter::Antialiasing, true);
    }
    // Collapse and expand buttons: logic frames' on row 86, others on row 108.
    const int columns[4] = {54, 79, 104, 129};
    for (int row = 0; row < 2; ++row) {
        const bool logic = row == 0;
        const QColor border = logic ? QColor(110, 150, 110) : QColor(120, 135, 165);
        const QColor fill = logic ? QColor(236, 246, 236) : QColor(240, 244, 252);
        for (int i = 0; i < 4; ++i)
            ToggleBox(painter, QPoint(columns[i], logic ? 86 : 108), i % 2 == 1, i >= 2, border, fill);
    }
    painter.end();

    // Tints: Element, Expression, Technical, Command; then Field, Name, NamePrivate, NamePublic.
    picture.setPixel(24, 0, qRgba(110, 150, 215, 72));
    picture.setPixel(24, 1, qRgba(110, 190, 120, 80));
    picture.setPixel(24, 2, qRgba(150, 150, 150, 80));
    picture.setPixel(24, 3, qRgba(225, 160, 80, 80));
    picture.setPixel(16, 29, qRgba(250, 250, 235, 64));
    picture.setPixel(16, 30, qRgba(190, 220, 255, 96));
    picture.setPixel(16, 31, qRgba(255, 205, 200, 96));
    picture.setPixel(16, 32, qRgba(200, 245, 205, 96));
    // Font colours: Element, Name, Code, Fixed, Art, Comment.
    picture.setPixel(26, 0, qRgb(38, 48, 66));
    picture.setPixel(27, 0, qRgb(0, 72, 140));
    picture.setPixel(28, 0, qRgb(20, 20, 24));
    picture.setPixel(29, 0, qRgb(56, 56, 64));
    picture.setPixel(30, 0, qRgb(92, 40, 122));
    picture.setPixel(31, 0, qRgb(0, 112, 24));

    if (!picture.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "make_theme: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
