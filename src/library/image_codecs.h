#pragma once

#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <QString>
#include <QStringList>

namespace qv {

// Picture formats of data elements: the position of an extension in the list of known types. Every
// other type, the empty one included, is dfNone.
enum TDataFormat : int
{
    dfNone = 0,
    dfBmp = 1,
    dfIco = 2,
    dfCur = 3,
    dfEmf = 4,
    dfWmf = 5,
    dfJpeg = 6, // "jpeg"; 7 "jpg", 8 "jpe", 9 "jfif" are JPEG too
    dfJpg = 7,
    dfJpe = 8,
    dfJfif = 9,
    dfGif = 10,
    dfPng = 11,
    dfTif = 12,
    dfTiff = 13,
    dfTga = 14,
};
inline constexpr int dataFormatCount = 15;

// The platform's standard icon size, in pixels.
inline constexpr int standardIconSize = 32;

// The format number of an extension (compared without case); dfNone when unknown.
int FormatOfType(const QString& type);
// FormatOfType of the name's extension.
int FormatOfFileName(const QString& name);
// The extension of a format ("" for dfNone).
QString FormatExtension(int format);
// The display name of a format ("Bitmap", "JPEG", …; "" for dfNone).
QString FormatName(int format);
bool IsJpegFormat(int format);

// The picture's size from the file's header; never decodes pixels and never fails loudly. False
// leaves the default: 100 by 100, or the standard icon size for ICO and CUR.
bool ReadImageSize(const QByteArray& data, int format, int& width, int& height);
// Whether the first bytes form a TGA header this program accepts (at least 22 bytes).
bool IsValidTgaHeader(const QByteArray& data);
// The format recognised from the content, only when the data decodes; dfNone otherwise.
int DetectImageFormat(const QByteArray& data);

// Decodes a picture to 32 bits with alpha. The decoder is chosen from the content, never by
// guessing: the TGA reader for a valid TGA header, the icon reader for an icon or cursor directory
// (each is tried when the other fails, since small icons pass the TGA header test), else the
// codec of the file's signature. False for anything else or when decoding fails. Counts its calls
// in DecodeCount.
bool DecodeImage(const QByteArray& data, QImage& image);
// How many times DecodeImage ran in this process (for tests that check decoding is lazy).
int DecodeCount();

// The TGA reader: colour-mapped, true-colour and grey pictures, plain or run-length encoded (image
// types 1 to 3 and 9 to 11); type 0 gives a transparent picture. False on a bad or short file.
bool ReadTarga(const QByteArray& data, QImage& image);

// An icon (or, with `cursor`, a cursor with the hot spot) file of one 32-bit picture with an
// all-opaque mask. Pictures above 256 pixels are not representable and give an empty result.
QByteArray WriteIconFile(const QImage& image, bool cursor, QPoint hotSpot = QPoint());
// A GIF89a file of the picture (at most 256 colours; transparency is flattened onto white).
QByteArray WriteGifFile(const QImage& image);
// The picture encoded in a format (BMP, JPEG, GIF, PNG, TIFF, ICO, CUR); empty on failure.
QByteArray EncodeImage(const QImage& image, int format);

// The image formats the platform codec must read and write for the formats above that this
// program does not code itself; the names of those that are missing.
QStringList MissingImageCodecs();

// zlib streams (RFC 1950) at the default level, used for undo records and the private clipboard
// format.
QByteArray CompressData(const QByteArray& data);
// Streaming decompression that never allocates more than `limit` bytes of output; false (and an
// empty result) for a bad, truncated or oversized stream. An empty input gives empty data.
bool DecompressData(const QByteArray& data, QByteArray& result, qint64 limit = qint64(1) << 31);

} // namespace qv
