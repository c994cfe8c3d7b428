#include "elements/scheme_images.h"

#include "core/errors.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPixmap>

namespace qv {

namespace {

QString StripFileName(const QString& resourceName)
{
    if (resourceName.contains(QLatin1Char('/')))
        return resourceName;
    return QStringLiteral(":/images/") + resourceName + QStringLiteral(".png");
}

// The companion of a strip's file drawn at twice the size: "name.png" -> "name@2x.png".
QString DoubleSizeFileName(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot <= fileName.lastIndexOf(QLatin1Char('/')))
        return fileName + QStringLiteral("@2x");
    return fileName.left(dot) + QStringLiteral("@2x") + fileName.mid(dot);
}

QImage DoubleSize(QImage image)
{
    image.setDevicePixelRatio(2);
    return image;
}

QImage Greyed(const QImage& image)
{
    QImage grey = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < grey.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(grey.scanLine(y));
        for (int x = 0; x < grey.width(); ++x) {
            const QRgb pixel = line[x];
            const int value = (61 * qRed(pixel) + 174 * qGreen(pixel) + 21 * qBlue(pixel)) / 256;
            const int alpha = (qAlpha(pixel) * 22 + 50) / 100;
            line[x] = qRgba(value, value, value, alpha);
        }
    }
    return grey;
}

} // namespace

TSchemeImages::TSchemeImages(int width, int height) : FWidth(width), FHeight(height) {}

QImage TSchemeImages::Image(int index) const
{
    if (index < 0 || index >= FImages.size())
        return QImage();
    return FImages[index];
}

QImage TSchemeImages::Image(int index, qreal devicePixelRatio) const
{
    return devicePixelRatio > 1 && HasDoubleSize(index) ? FDoubleImages[index] : Image(index);
}

bool TSchemeImages::HasDoubleSize(int index) const
{
    return index >= 0 && index < FDoubleImages.size() && !FDoubleImages[index].isNull();
}

QIcon TSchemeImages::Icon(int index) const
{
    const QImage image = Image(index);
    if (image.isNull())
        return QIcon();
    QIcon icon(QPixmap::fromImage(image));
    if (HasDoubleSize(index))
        icon.addPixmap(QPixmap::fromImage(Image(index, 2)));
    return icon;
}

int TSchemeImages::AddStrip(const QString& resourceName)
{
    if (const int first = FindStrip(resourceName); first >= 0)
        return first;
    const QString fileName = StripFileName(resourceName);
    if (!QFileInfo(fileName).isFile())
        RaiseStr(2334, {resourceName});
    QImageReader reader(fileName);
    const QImage strip = reader.read();
    // A strip with no whole picture in it is as useless as an undecodable one.
    if (strip.isNull() || strip.width() < FWidth || FWidth <= 0 || FHeight <= 0)
        RaiseStr(2327);
    const QImage argb = strip.convertToFormat(QImage::Format_ARGB32);
    const int first = Count();
    for (int left = 0; left + FWidth <= argb.width(); left += FWidth)
        FImages.append(argb.copy(left, 0, FWidth, FHeight));
    QImage twice;
    if (const QString twiceName = DoubleSizeFileName(fileName); QFileInfo(twiceName).isFile())
        twice = QImageReader(twiceName).read().convertToFormat(QImage::Format_ARGB32);
    if (twice.height() != 2 * FHeight)
        twice = QImage();
    for (int i = first; i < Count(); ++i) {
        const int left = 2 * FWidth * (i - first);
        FDoubleImages.append(left + 2 * FWidth <= twice.width()
                                 ? DoubleSize(twice.copy(left, 0, 2 * FWidth, 2 * FHeight))
                                 : QImage());
    }
    FStrips.insert(resourceName, first);
    return first;
}

int TSchemeImages::FindStrip(const QString& resourceName) const
{
    return FStrips.value(resourceName, -1);
}

int TSchemeImages::AddImage(const QImage& image)
{
    // copy() fills what lies outside the source with zero: transparent black.
    FImages.append(image.convertToFormat(QImage::Format_ARGB32).copy(0, 0, FWidth, FHeight));
    FDoubleImages.append(QImage());
    return Count() - 1;
}

TSchemeImages TSchemeImages::CreateDisabledCopy(const TSchemeImages& source)
{
    TSchemeImages result(source.FWidth, source.FHeight);
    result.FImages.reserve(source.FImages.size());
    for (const QImage& image : source.FImages)
        result.FImages.append(Greyed(image));
    for (const QImage& image : source.FDoubleImages)
        result.FDoubleImages.append(image.isNull() ? QImage() : DoubleSize(Greyed(image)));
    result.FStrips = source.FStrips;
    return result;
}

TSchemeImages& CharImages()
{
    static TSchemeImages images(12, 12);
    return images;
}

TSchemeImages& SmallImages()
{
    static TSchemeImages images(16, 16);
    return images;
}

TSchemeImages& LargeImages()
{
    static TSchemeImages images(32, 32);
    return images;
}

int StripImage(TSchemeImages& images, const QString& resourceName, int position)
{
    int first = images.FindStrip(resourceName);
    if (first < 0) {
        if (!QFileInfo(StripFileName(resourceName)).isFile())
            return -1;
        first = images.AddStrip(resourceName);
    }
    const int index = first + position;
    return index < images.Count() ? index : -1;
}

} // namespace qv
