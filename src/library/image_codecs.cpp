#include "library/image_codecs.h"

#include <QBuffer>
#include <QColor>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

#include <gif_lib.h>
#include <zlib.h>

#include <atomic>
#include <cstdlib>

namespace qv {

namespace {

struct TFormatInfo
{
    const char* Extension;
    const char* Name;
};

const TFormatInfo formats[dataFormatCount] = {
    {"", ""},          {"bmp", "Bitmap"},   {"ico", "Icon"},
    {"cur", "Cursor"}, {"emf", "Metafile"}, {"wmf", "Metafile"},
    {"jpeg", "JPEG"},  {"jpg", "JPEG"},     {"jpe", "JPEG"},
    {"jfif", "JPEG"},  {"gif", "GIF"},      {"png", "PNG"},
    {"tif", "TIFF"},   {"tiff", "TIFF"},    {"tga", "TGA"},
};

std::atomic<int> decodeCount{0};

// Bounds-checked little- and big-endian reads; a read past the end sets `ok` to false.
class TReader
{
public:
    explicit TReader(const QByteArray& data, qsizetype position = 0) : FData(data), FPos(position) {}

    bool Ok() const { return FOk; }
    qsizetype Position() const { return FPos; }
    qsizetype Remaining() const { return FData.size() - FPos; }
    void Skip(qint64 count)
    {
        if (count < 0 || count > Remaining()) {
            FOk = false;
            FPos = FData.size();
        } else {
            FPos += count;
        }
    }
    uint8_t U8()
    {
        if (FPos >= FData.size()) {
            FOk = false;
            return 0;
        }
        return static_cast<uint8_t>(FData[FPos++]);
    }
    uint16_t U16LE()
    {
        const uint16_t low = U8();
        return static_cast<uint16_t>(low | (U8() << 8));
    }
    uint16_t U16BE()
    {
        const uint16_t high = U8();
        return static_cast<uint16_t>((high << 8) | U8());
    }
    uint32_t U32LE()
    {
        const uint32_t low = U16LE();
        return low | (uint32_t(U16LE()) << 16);
    }
    uint32_t U32BE()
    {
        const uint32_t high = U16BE();
        return (high << 16) | U16BE();
    }

private:
    const QByteArray& FData;
    qsizetype FPos;
    bool FOk = true;
};

bool HasIconSignature(const QByteArray& data)
{
    if (data.size() < 4)
        return false;
    const auto* b = reinterpret_cast<const uint8_t*>(data.constData());
    const int type = b[2] | (b[3] << 8);
    return b[0] == 0 && b[1] == 0 && (type == 1 || type == 2);
}

// The codec name for a signature, or null.
const char* CodecOfSignature(const QByteArray& data)
{
    if (data.startsWith("BM"))
        return "bmp";
    if (data.startsWith("\xFF\xD8"))
        return "jpeg";
    if (data.startsWith("GIF8"))
        return "gif";
    if (data.startsWith("\x89PNG"))
        return "png";
    if (data.startsWith("II*") || data.startsWith(QByteArrayView("MM\0*", 4)))
        return "tiff";
    return nullptr;
}

// Decodes with one named Qt codec; content sniffing is off, so a TGA is never taken for an icon.
bool ReadWithCodec(const QByteArray& data, const char* codec, QImage& image)
{
    QByteArray copy = data; // QBuffer needs a non-const array; shares the bytes
    QBuffer buffer(&copy);
    if (!buffer.open(QIODevice::ReadOnly))
        return false;
    QImageReader reader(&buffer, codec);
    reader.setAutoDetectImageFormat(false);
    reader.setDecideFormatFromContent(false);
    QImage result;
    if (!reader.read(&result) || result.isNull())
        return false;
    image = result.convertToFormat(QImage::Format_ARGB32);
    return true;
}

bool ReadEmfSize(const QByteArray& data, int& width, int& height)
{
    TReader r(data);
    if (r.U32LE() != 1)
        return false;
    r.Skip(4);
    const auto left = static_cast<int32_t>(r.U32LE());
    const auto top = static_cast<int32_t>(r.U32LE());
    const auto right = static_cast<int32_t>(r.U32LE());
    const auto bottom = static_cast<int32_t>(r.U32LE());
    r.Skip(40 - r.Position());
    if (!r.Ok() || r.U32LE() != 0x464D4520u) // " EMF"
        return false;
    const int64_t w = int64_t(right) - left + 1;
    const int64_t h = int64_t(bottom) - top + 1;
    if (!r.Ok() || w <= 0 || h <= 0 || w > 1000000 || h > 1000000)
        return false;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

bool ReadWmfSize(const QByteArray& data, int& width, int& height)
{
    // Only a placeable metafile names its size.
    TReader r(data);
    if (r.U32LE() != 0x9AC6CDD7u)
        return false;
    r.Skip(2);
    const auto left = static_cast<int16_t>(r.U16LE());
    const auto top = static_cast<int16_t>(r.U16LE());
    const auto right = static_cast<int16_t>(r.U16LE());
    const auto bottom = static_cast<int16_t>(r.U16LE());
    const int inch = r.U16LE();
    if (!r.Ok() || inch == 0)
        return false;
    width = static_cast<int>(std::abs(int64_t(right) - left) * 96 / inch);
    height = static_cast<int>(std::abs(int64_t(bottom) - top) * 96 / inch);
    return true;
}

bool ReadJpegSize(const QByteArray& data, int& width, int& height)
{
    TReader r(data);
    if (r.U8() != 0xFF || r.U8() != 0xD8)
        return false;
    while (r.Ok()) {
        const uint16_t marker = r.U16BE();
        if (!r.Ok() || marker == 0xFFD9)
            return false;
        const uint16_t length = r.U16BE(); // unsigned: a corrupt length never runs backwards
        if (marker == 0xFFC0 || marker == 0xFFC2) {
            r.U8();
            height = r.U16BE();
            width = r.U16BE();
            return r.Ok();
        }
        if (length < 2)
            return false;
        r.Skip(length - 2);
    }
    return false;
}

QRgb Argb1555(uint16_t value, bool alpha)
{
    const int red = (value >> 10) & 0x1F;
    const int green = (value >> 5) & 0x1F;
    const int blue = value & 0x1F;
    const int a = !alpha || (value & 0x8000) != 0 ? 255 : 0;
    return qRgba((red << 3) | (red >> 2), (green << 3) | (green >> 2), (blue << 3) | (blue >> 2), a);
}

// One pixel of `depth` bits read as a colour value (not an index).
QRgb ReadTrueColour(TReader& r, int depth, bool alpha)
{
    switch (depth) {
    case 15:
    case 16:
        return Argb1555(r.U16LE(), alpha && depth == 16);
    case 24: {
        const int b = r.U8();
        const int g = r.U8();
        return qRgb(r.U8(), g, b);
    }
    case 32: {
        const int b = r.U8();
        const int g = r.U8();
        const int red = r.U8();
        const int a = r.U8();
        return qRgba(red, g, b, alpha ? a : 255);
    }
    default:
        r.Skip(-1);
        return 0;
    }
}

} // namespace

int FormatOfType(const QString& type)
{
    for (int i = 1; i < dataFormatCount; ++i) {
        if (type.compare(QLatin1String(formats[i].Extension), Qt::CaseInsensitive) == 0)
            return i;
    }
    return dfNone;
}

int FormatOfFileName(const QString& name)
{
    const qsizetype slash = name.lastIndexOf(u'/');
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0 || dot < slash)
        return dfNone;
    return FormatOfType(name.mid(dot + 1));
}

QString FormatExtension(int format)
{
    return format > 0 && format < dataFormatCount ? QString::fromLatin1(formats[format].Extension)
                                                  : QString();
}

QString FormatName(int format)
{
    return format > 0 && format < dataFormatCount ? QString::fromLatin1(formats[format].Name) : QString();
}

bool IsJpegFormat(int format)
{
    return format >= dfJpeg && format <= dfJfif;
}

bool ReadImageSize(const QByteArray& data, int format, int& width, int& height)
{
    width = height = 0;
    TReader r(data);
    switch (format) {
    case dfBmp:
        if (data.startsWith("BM")) {
            r.Skip(18);
            width = static_cast<int32_t>(r.U32LE());
            // 64 bits: the absolute value of INT_MIN does not fit.
            const int64_t h = std::abs(int64_t(static_cast<int32_t>(r.U32LE())));
            height = h > INT32_MAX ? 0 : static_cast<int>(h);
            if (!r.Ok())
                width = height = 0;
        }
        break;
    case dfIco:
    case dfCur: {
        r.Skip(2);
        const int type = r.U16LE();
        const int count = r.U16LE();
        if (r.Ok() && (type == 1 || type == 2)) {
            for (int i = 0; i < count && r.Ok(); ++i) {
                const int w = r.U8();
                const int h = r.U8();
                r.Skip(14);
                if (r.Ok() && w > width) {
                    width = w;
                    height = format == dfIco ? h : w;
                }
            }
        }
        if (!r.Ok())
            width = height = 0;
        break;
    }
    case dfEmf:
        ReadEmfSize(data, width, height);
        break;
    case dfWmf:
        ReadWmfSize(data, width, height);
        break;
    case dfJpeg:
    case dfJpg:
    case dfJpe:
    case dfJfif:
        if (!ReadJpegSize(data, width, height))
            width = height = 0;
        break;
    case dfGif:
        r.Skip(6);
        width = r.U16LE();
        height = r.U16LE();
        if (!r.Ok())
            width = height = 0;
        break;
    case dfPng: {
        r.Skip(16);
        const uint32_t w = r.U32BE();
        const uint32_t h = r.U32BE();
        if (r.Ok() && w <= INT32_MAX && h <= INT32_MAX) {
            width = static_cast<int>(w);
            height = static_cast<int>(h);
        }
        break;
    }
    default:
        break;
    }
    const bool result = width > 0 && height > 0;
    const bool icon = format == dfIco || format == dfCur;
    if (!result) {
        if (width <= 0)
            width = icon ? standardIconSize : 100;
        if (height <= 0)
            height = icon ? standardIconSize : 100;
    }
    return result;
}

bool IsValidTgaHeader(const QByteArray& data)
{
    if (data.size() < 22)
        return false;
    TReader r(data);
    r.U8(); // identification length
    const int colourMapType = r.U8();
    const int imageType = r.U8();
    r.Skip(4);
    const int entrySize = r.U8();
    const int x = r.U16LE();
    const int y = r.U16LE();
    const int width = r.U16LE();
    const int height = r.U16LE();
    return colourMapType <= 1 &&
           (entrySize == 0 || entrySize == 15 || entrySize == 16 || entrySize == 24 || entrySize == 32) &&
           (imageType <= 3 || (imageType >= 9 && imageType <= 11)) && x <= 1000 && y <= 1000 && width >= 1 &&
           width <= 1000 && height >= 1 && height <= 1000;
}

int DetectImageFormat(const QByteArray& data)
{
    if (data.size() < 4)
        return dfNone;
    int result = dfNone;
    if (data.startsWith("BM"))
        result = dfBmp;
    else if (data.startsWith("\xFF\xD8"))
        result = dfJpeg;
    else if (data.startsWith("GIF8"))
        result = dfGif;
    else if (data.startsWith("\x89PNG"))
        result = dfPng;
    if (IsValidTgaHeader(data)) {
        // Small classic icons pass the TGA header test too; their own reader decides.
        QImage ignored;
        result = HasIconSignature(data) && !ReadTarga(data, ignored) ? dfNone : dfTga;
    }
    if (result == dfNone)
        return dfNone;
    QImage image;
    return DecodeImage(data, image) ? result : dfNone;
}

bool DecodeImage(const QByteArray& data, QImage& image)
{
    ++decodeCount;
    const bool tga = IsValidTgaHeader(data);
    const bool icon = HasIconSignature(data);
    if (tga && ReadTarga(data, image))
        return true;
    if (icon)
        return ReadWithCodec(data, "ico", image);
    if (tga)
        return false;
    const char* codec = CodecOfSignature(data);
    return codec != nullptr && ReadWithCodec(data, codec, image);
}

int DecodeCount()
{
    return decodeCount.load();
}

bool ReadTarga(const QByteArray& data, QImage& image)
{
    TReader r(data);
    const int idLength = r.U8();
    const int colourMapType = r.U8();
    const int imageType = r.U8();
    const int mapFirst = r.U16LE();
    const int mapLength = r.U16LE();
    const int mapEntrySize = r.U8();
    r.Skip(4); // origin
    const int width = r.U16LE();
    const int height = r.U16LE();
    const int depth = r.U8();
    const int descriptor = r.U8();
    if (!r.Ok() || width <= 0 || height <= 0 || colourMapType > 1)
        return false;
    const bool alpha = (descriptor & 0x0F) != 0;
    const bool topDown = (descriptor & 0x20) != 0;
    const bool rightToLeft = (descriptor & 0x10) != 0;
    const int baseType = imageType & ~8;
    const bool rle = (imageType & 8) != 0;
    if (imageType == 0) {
        image = QImage(width, height, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        return true;
    }
    if (baseType < 1 || baseType > 3 || imageType > 11)
        return false;
    r.Skip(idLength);
    QList<QRgb> palette;
    if (colourMapType == 1) {
        if (mapEntrySize != 15 && mapEntrySize != 16 && mapEntrySize != 24 && mapEntrySize != 32)
            return false;
        palette.resize(mapFirst + mapLength, qRgb(0, 0, 0));
        for (int i = 0; i < mapLength && r.Ok(); ++i)
            palette[mapFirst + i] = ReadTrueColour(r, mapEntrySize, alpha || mapEntrySize == 32);
    }
    if (baseType == 1 && (colourMapType != 1 || (depth != 8 && depth != 16)))
        return false;
    if (baseType == 2 && depth != 15 && depth != 16 && depth != 24 && depth != 32)
        return false;
    if (baseType == 3 && depth != 8 && depth != 16)
        return false;
    const int bytesPerPixel = (depth + 7) / 8;
    // Every pixel needs at least one byte of run-length data, and plain data all its bytes.
    if (int64_t(width) * height > (rle ? r.Remaining() * 128 : r.Remaining() / bytesPerPixel) || !r.Ok())
        return false;

    auto readPixel = [&](TReader& in) -> QRgb {
        switch (baseType) {
        case 1: {
            const int index = depth == 8 ? in.U8() : in.U16LE();
            return index < palette.size() ? palette[index] : qRgb(0, 0, 0);
        }
        case 2:
            return ReadTrueColour(in, depth, alpha);
        default: {
            const int grey = in.U8();
            const int a = depth == 16 ? in.U8() : 255;
            return qRgba(grey, grey, grey, depth == 16 && alpha ? a : 255);
        }
        }
    };

    QImage result(width, height, QImage::Format_ARGB32);
    const int64_t total = int64_t(width) * height;
    int64_t done = 0;
    auto store = [&](QRgb pixel) {
        const int row = static_cast<int>(done / width);
        const int column = static_cast<int>(done % width);
        const int y = topDown ? row : height - 1 - row;
        const int x = rightToLeft ? width - 1 - column : column;
        reinterpret_cast<QRgb*>(result.scanLine(y))[x] = pixel;
        ++done;
    };
    while (done < total && r.Ok()) {
        if (!rle) {
            store(readPixel(r));
            continue;
        }
        const int packet = r.U8();
        const int count = (packet & 0x7F) + 1;
        if (count > total - done)
            return false;
        if ((packet & 0x80) != 0) {
            const QRgb pixel = readPixel(r);
            for (int i = 0; i < count; ++i)
                store(pixel);
        } else {
            for (int i = 0; i < count && r.Ok(); ++i)
                store(readPixel(r));
        }
    }
    if (!r.Ok() || done < total)
        return false;
    image = result;
    return true;
}

QByteArray WriteIconFile(const QImage& source, bool cursor, QPoint hotSpot)
{
    if (source.isNull() || source.width() > 256 || source.height() > 256)
        return QByteArray();
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const int width = image.width();
    const int height = image.height();
    const int maskStride = ((width + 31) / 32) * 4;
    const uint32_t pixelBytes = uint32_t(width) * height * 4;
    const uint32_t maskBytes = uint32_t(maskStride) * height;
    const uint32_t imageBytes = 40 + pixelBytes + maskBytes;

    QByteArray out;
    out.reserve(22 + imageBytes);
    auto u8 = [&out](int value) {
        out.append(static_cast<char>(value & 0xFF));
    };
    auto u16 = [&u8](int value) {
        u8(value);
        u8(value >> 8);
    };
    auto u32 = [&u16](uint32_t value) {
        u16(static_cast<int>(value & 0xFFFF));
        u16(static_cast<int>(value >> 16));
    };
    // Directory: reserved, type (1 icon, 2 cursor), one entry.
    u16(0);
    u16(cursor ? 2 : 1);
    u16(1);
    u8(width == 256 ? 0 : width);
    u8(height == 256 ? 0 : height);
    u8(0); // colour count
    u8(0);
    // Icons: planes and bits per pixel; cursors: the hot spot.
    u16(cursor ? hotSpot.x() : 1);
    u16(cursor ? hotSpot.y() : 32);
    u32(imageBytes);
    u32(22);
    // The picture's information header counts the colour picture and the mask as one double height.
    u32(40);
    u32(static_cast<uint32_t>(width));
    u32(static_cast<uint32_t>(height * 2));
    u16(1);
    u16(32);
    u32(0); // uncompressed
    u32(pixelBytes + maskBytes);
    u32(0);
    u32(0);
    u32(0);
    u32(0);
    for (int y = height - 1; y >= 0; --y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            u8(qBlue(line[x]));
            u8(qGreen(line[x]));
            u8(qRed(line[x]));
            u8(qAlpha(line[x]));
        }
    }
    out.append(QByteArray(static_cast<qsizetype>(maskBytes), '\0')); // every pixel opaque
    return out;
}

namespace {

int WriteToArray(GifFileType* gif, const GifByteType* bytes, int count)
{
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(bytes), count);
    return count;
}

} // namespace

QByteArray WriteGifFile(const QImage& source)
{
    if (source.isNull() || source.width() > 0xFFFF || source.height() > 0xFFFF)
        return QByteArray();
    QImage flat(source.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    {
        QPainter painter(&flat);
        painter.drawImage(0, 0, source);
    }
    const QImage indexed = flat.convertToFormat(QImage::Format_Indexed8, Qt::DiffuseDither);
    QList<QRgb> colours = indexed.colorTable();
    if (colours.isEmpty())
        return QByteArray();
    // The colour table of a GIF has a power of two entries.
    int tableSize = 2;
    while (tableSize < colours.size())
        tableSize *= 2;
    colours.resize(tableSize, qRgb(0, 0, 0));

    QByteArray out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, WriteToArray, &error);
    if (gif == nullptr)
        return QByteArray();
    ColorMapObject* map = GifMakeMapObject(tableSize, nullptr);
    bool ok = map != nullptr;
    if (ok) {
        for (int i = 0; i < tableSize; ++i) {
            map->Colors[i].Red = static_cast<GifByteType>(qRed(colours[i]));
            map->Colors[i].Green = static_cast<GifByteType>(qGreen(colours[i]));
            map->Colors[i].Blue = static_cast<GifByteType>(qBlue(colours[i]));
        }
        EGifSetGifVersion(gif, true);
        ok = EGifPutScreenDesc(gif, indexed.width(), indexed.height(), 8, 0, map) == GIF_OK &&
             EGifPutImageDesc(gif, 0, 0, indexed.width(), indexed.height(), false, nullptr) == GIF_OK;
        for (int y = 0; ok && y < indexed.height(); ++y) {
            auto* line = const_cast<GifPixelType*>(indexed.constScanLine(y));
            ok = EGifPutLine(gif, line, indexed.width()) == GIF_OK;
        }
        GifFreeMapObject(map);
    }
    if (EGifCloseFile(gif, &error) != GIF_OK)
        ok = false;
    return ok ? out : QByteArray();
}

QByteArray EncodeImage(const QImage& image, int format)
{
    if (image.isNull())
        return QByteArray();
    const char* codec = nullptr;
    switch (format) {
    case dfIco:
    case dfCur:
        return WriteIconFile(image, format == dfCur);
    case dfGif:
        return WriteGifFile(image);
    case dfBmp:
        codec = "bmp";
        break;
    case dfJpeg:
    case dfJpg:
    case dfJpe:
    case dfJfif:
        codec = "jpeg";
        break;
    case dfPng:
        codec = "png";
        break;
    case dfTif:
    case dfTiff:
        codec = "tiff";
        break;
    default:
        return QByteArray();
    }
    QByteArray out;
    QBuffer buffer(&out);
    if (!buffer.open(QIODevice::WriteOnly))
        return QByteArray();
    QImageWriter writer(&buffer, codec);
    // JPEG and BMP keep no transparency: what shows through is white, as on the sheet.
    QImage source = image;
    if (codec == QByteArrayView("jpeg") || codec == QByteArrayView("bmp")) {
        source = QImage(image.size(), QImage::Format_RGB32);
        source.fill(Qt::white);
        QPainter painter(&source);
        painter.drawImage(0, 0, image);
    }
    if (!writer.write(source))
        return QByteArray();
    return out;
}

QStringList MissingImageCodecs()
{
    const QList<QByteArray> readable = QImageReader::supportedImageFormats();
    const QList<QByteArray> writable = QImageWriter::supportedImageFormats();
    QStringList missing;
    for (const char* name : {"bmp", "ico", "jpeg", "gif", "png", "tiff"}) {
        if (!readable.contains(QByteArray(name)))
            missing.append(QStringLiteral("read ") + QLatin1String(name));
    }
    for (const char* name : {"bmp", "jpeg", "png", "tiff"}) {
        if (!writable.contains(QByteArray(name)))
            missing.append(QStringLiteral("write ") + QLatin1String(name));
    }
    return missing;
}

QByteArray CompressData(const QByteArray& data)
{
    if (data.isEmpty())
        return QByteArray();
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    QByteArray out(static_cast<qsizetype>(size), Qt::Uninitialized);
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                  reinterpret_cast<const Bytef*>(data.constData()), static_cast<uLong>(data.size()),
                  Z_DEFAULT_COMPRESSION) != Z_OK)
        return QByteArray();
    out.resize(static_cast<qsizetype>(size));
    return out;
}

bool DecompressData(const QByteArray& data, QByteArray& result, qint64 limit)
{
    result.clear();
    if (data.isEmpty())
        return true;
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return false;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    stream.avail_in = static_cast<uInt>(data.size());
    QByteArray out;
    constexpr qsizetype chunk = 64 * 1024;
    int status = Z_OK;
    while (status == Z_OK) {
        const qsizetype before = out.size();
        out.resize(before + chunk);
        stream.next_out = reinterpret_cast<Bytef*>(out.data() + before);
        stream.avail_out = static_cast<uInt>(chunk);
        status = inflate(&stream, Z_NO_FLUSH);
        out.resize(before + chunk - static_cast<qsizetype>(stream.avail_out));
        if (status == Z_BUF_ERROR && stream.avail_in == 0)
            break; // truncated
        if (out.size() > limit)
            status = Z_MEM_ERROR;
    }
    inflateEnd(&stream);
    // Trailing bytes after the stream's end are foreign too.
    if (status != Z_STREAM_END || stream.avail_in != 0)
        return false;
    result = out;
    return true;
}

} // namespace qv
