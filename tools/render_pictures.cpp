// Renders the program's vector pictures (resources/pictures) into the PNGs it embeds, each at 1× and 2×.
// The build runs it; run it by hand for the application icon and to look at everything at once:
//
//     render_pictures strip  <folder of SVGs> <output folder>   <folder name>.png and <folder name>@2x.png
//     render_pictures cursor <SVG> <output folder>              <name>.png and <name>@2x.png
//     render_pictures icon   <SVG> <size> <output PNG>
//     render_pictures sheet  <pictures folder> <output PNG>     a contact sheet of every strip and cursor
//
// A strip is its folder's SVGs side by side, in the order of their file names; every SVG of a strip
// has the same size (its width and height, in 1× pixels). A cursor's SVG names its hot spot in 1×
// pixels on the root element, data-hotspot="x y"; the PNGs carry it as the text "HotSpot" ("x,y",
// 1× pixels, whatever the scale).

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QSvgRenderer>
#include <QXmlStreamReader>

#include <cstdio>
#include <optional>

namespace {

const char* const hotSpotKey = "HotSpot";

void Fail(const QString& message)
{
    std::fprintf(stderr, "render_pictures: %s\n", qPrintable(message));
    std::exit(1);
}

QImage Transparent(QSize size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// One SVG file, loaded and checked.
class TPicture
{
public:
    explicit TPicture(const QString& fileName) : FFileName(fileName), FRenderer(fileName)
    {
        if (!FRenderer.isValid() || FRenderer.defaultSize().isEmpty())
            Fail(QStringLiteral("%1 is not a picture").arg(fileName));
    }

    QSize Size() const { return FRenderer.defaultSize(); }
    QString Name() const { return QFileInfo(FFileName).completeBaseName(); }

    QImage Render(int scale) { return RenderAt(Size() * scale); }

    QImage RenderAt(QSize size)
    {
        QImage image = Transparent(size);
        QPainter painter(&image);
        FRenderer.render(&painter, QRectF(QPointF(), size));
        painter.end();
        return image;
    }

    // The hot spot named on the root element.
    QPoint HotSpot() const
    {
        QFile file(FFileName);
        if (!file.open(QIODevice::ReadOnly))
            Fail(QStringLiteral("cannot read %1").arg(FFileName));
        QXmlStreamReader xml(&file);
        while (!xml.atEnd() && !xml.isStartElement())
            xml.readNext();
        const QStringList parts =
            xml.attributes().value(QStringLiteral("data-hotspot")).toString().split(u' ');
        bool xOk = false;
        bool yOk = false;
        const QPoint spot(parts.value(0).toInt(&xOk), parts.value(1).toInt(&yOk));
        if (parts.size() != 2 || !xOk || !yOk || !QRect(QPoint(), Size()).contains(spot))
            Fail(QStringLiteral("%1 names no hot spot inside it (data-hotspot=\"x y\")").arg(FFileName));
        return spot;
    }

private:
    QString FFileName;
    QSvgRenderer FRenderer;
};

QStringList SvgFiles(const QString& folder)
{
    const QDir dir(folder);
    QStringList files;
    for (const QString& name : dir.entryList({QStringLiteral("*.svg")}, QDir::Files, QDir::Name))
        files.append(dir.filePath(name));
    if (files.isEmpty())
        Fail(QStringLiteral("no pictures in %1").arg(folder));
    return files;
}

QImage RenderStrip(const QString& folder, int scale)
{
    std::optional<QSize> size;
    QList<QImage> pictures;
    for (const QString& file : SvgFiles(folder)) {
        TPicture picture(file);
        if (size && picture.Size() != *size)
            Fail(QStringLiteral("%1 is not as large as the strip's other pictures").arg(file));
        size = picture.Size();
        pictures.append(picture.Render(scale));
    }
    const QSize one = *size * scale;
    QImage strip = Transparent(QSize(one.width() * int(pictures.size()), one.height()));
    QPainter painter(&strip);
    for (int i = 0; i < pictures.size(); ++i)
        painter.drawImage(i * one.width(), 0, pictures[i]);
    painter.end();
    return strip;
}

void Save(const QImage& image, const QString& fileName)
{
    QDir().mkpath(QFileInfo(fileName).absolutePath());
    if (!image.convertToFormat(QImage::Format_ARGB32).save(fileName, "PNG"))
        Fail(QStringLiteral("cannot write %1").arg(fileName));
}

void WriteStrip(const QString& folder, const QString& outFolder)
{
    const QString base = QDir(outFolder).filePath(QFileInfo(folder).fileName());
    Save(RenderStrip(folder, 1), base + QStringLiteral(".png"));
    Save(RenderStrip(folder, 2), base + QStringLiteral("@2x.png"));
}

void WriteCursor(const QString& file, const QString& outFolder)
{
    TPicture picture(file);
    const QPoint spot = picture.HotSpot();
    const QString text = QStringLiteral("%1,%2").arg(spot.x()).arg(spot.y());
    const QString base = QDir(outFolder).filePath(picture.Name());
    for (int scale : {1, 2}) {
        QImage image = picture.Render(scale).convertToFormat(QImage::Format_ARGB32);
        image.setText(QLatin1String(hotSpotKey), text);
        Save(image, base + (scale == 1 ? QStringLiteral(".png") : QStringLiteral("@2x.png")));
    }
}

void WriteIcon(const QString& file, int size, const QString& out)
{
    Save(TPicture(file).RenderAt(QSize(size, size)), out);
}

// Every strip at 1×, at 2× and the 1× pixels magnified, and every cursor with its hot spot marked,
// on white and on a dark band: for looking, not for the program.
void WriteSheet(const QString& root, const QString& out)
{
    const int zoom = 4;
    const int gap = 12;
    struct TRow
    {
        QString Name;
        QImage One;
        QImage Two;
    };
    QList<TRow> rows;
    const QDir dir(root);
    for (const QString& name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        if (name == QLatin1String("cursors"))
            continue;
        rows.append({name, RenderStrip(dir.filePath(name), 1), RenderStrip(dir.filePath(name), 2)});
    }
    if (dir.exists(QStringLiteral("cursors"))) {
        QImage one = Transparent(QSize(1, 1));
        QImage two = one;
        for (const QString& file : SvgFiles(dir.filePath(QStringLiteral("cursors")))) {
            TPicture picture(file);
            const QPoint spot = picture.HotSpot();
            QImage a = picture.Render(1);
            QImage b = picture.Render(2);
            a.setPixelColor(spot, Qt::red);
            b.setPixelColor(spot * 2, Qt::red);
            auto append = [](QImage& strip, const QImage& image) {
                QImage wider = Transparent(
                    QSize(strip.width() + image.width() + 4, qMax(strip.height(), image.height())));
                QPainter painter(&wider);
                painter.drawImage(0, 0, strip);
                painter.drawImage(strip.width() + 4, 0, image);
                painter.end();
                strip = wider;
            };
            append(one, a);
            append(two, b);
        }
        rows.append({QStringLiteral("cursors"), one, two});
    }
    int width = 0;
    int height = gap;
    for (const TRow& row : rows) {
        width = qMax(width, row.One.width() * (zoom + 1) + row.Two.width() + 4 * gap);
        height += 14 + 2 * (row.One.height() * zoom + gap);
    }
    QImage sheet(QSize(qMax(width, 200), height), QImage::Format_ARGB32_Premultiplied);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    int y = gap;
    for (const TRow& row : rows) {
        painter.setPen(Qt::black);
        painter.drawText(gap, y + 10, row.Name);
        y += 14;
        const int band = row.One.height() * zoom + gap;
        painter.fillRect(0, y + band - gap / 2, sheet.width(), band, QColor(0x2b, 0x2f, 0x36));
        for (int b = 0; b < 2; ++b) {
            const int top = y + b * band;
            int x = gap;
            painter.drawImage(x, top, row.One);
            x += row.One.width() + gap;
            painter.drawImage(x, top, row.Two);
            x += row.Two.width() + gap;
            painter.drawImage(x, top, row.One.scaled(row.One.size() * zoom));
        }
        y += 2 * band;
    }
    painter.end();
    Save(sheet, out);
}

// The offscreen platform's remarks about the session (no runtime folder in a build) are noise; what the
// SVG reader says about a picture is not.
void PrintMessage(QtMsgType, const QMessageLogContext&, const QString& message)
{
    if (!message.startsWith(QLatin1String("QStandardPaths:")))
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

int main(int argc, char* argv[])
{
    qInstallMessageHandler(PrintMessage);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const QString command = args.value(0);
    if (command == QLatin1String("strip") && args.size() == 3)
        WriteStrip(args[1], args[2]);
    else if (command == QLatin1String("cursor") && args.size() == 3)
        WriteCursor(args[1], args[2]);
    else if (command == QLatin1String("icon") && args.size() == 4 && args[2].toInt() > 0)
        WriteIcon(args[1], args[2].toInt(), args[3]);
    else if (command == QLatin1String("sheet") && args.size() == 3)
        WriteSheet(args[1], args[2]);
    else
        Fail(QStringLiteral("usage: render_pictures strip FOLDER OUT | cursor SVG OUT | icon SVG SIZE PNG | "
                            "sheet FOLDER PNG"));
    return 0;
}
