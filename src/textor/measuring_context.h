#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <memory>

class QFont;

namespace qv {

// Font styles of TFontRequest and of the text attributes (a bit set, stored in documents).
enum : uint8_t
{
    fsBold = 0x01,
    fsItalic = 0x02,
    fsUnderline = 0x04,
    fsStrikeOut = 0x08,
};

// Pitch values of TFontRequest.
enum : uint8_t
{
    fpDefault = 0,
    fpVariable = 1,
    fpFixed = 2,
};

// What a caller asks of a font. `Size` is in points; the context turns it into pixels with its DpiY.
// `Charset` takes part in the identity of the font but selects nothing on Linux.
struct TFontRequest
{
    QString Face;
    int Size = 8;
    uint8_t Style = 0;
    uint8_t Charset = 1;
    uint8_t Pitch = fpDefault;

    bool operator==(const TFontRequest&) const = default;
};

size_t qHash(const TFontRequest& request, size_t seed = 0) noexcept;

// Vertical metrics in pixels, and the average character width (at least 1).
struct TFontMetricsInfo
{
    int Ascent = 0;
    int Descent = 0;
    int AvgCharWidth = 1;
};

// A font the layout measures with. Every width is an integer number of pixels and widths add up: the
// width of a string is the sum of the advances of its characters, which hit testing and caret
// placement depend on.
class IMeasuredFont
{
public:
    virtual ~IMeasuredFont();

    virtual TFontMetricsInfo Metrics() const = 0;
    // The advance of one character in pixels. Callers map control characters (below U+0020) to U+FFFD
    // before asking.
    virtual int Advance(char32_t c) const = 0;
    // The width of UTF-16 text: the sum of the advances of its code points. A lone surrogate counts as
    // U+FFFD, control characters as U+FFFD.
    virtual int TextWidth(QStringView text) const;
    // How many leading UTF-16 units of `text` fit into `available` pixels when drawn from 0 (a
    // surrogate pair is taken whole or not at all); `width` gets their width.
    virtual int FitCount(QStringView text, int available, int& width) const;
    // The font to draw with, or nullptr when this font only measures (fakes).
    virtual const QFont* DrawingFont() const { return nullptr; }
};

// The process-wide context of text measuring: fonts from requests, the screen's vertical resolution and
// the installed faces. Used on the user-interface thread only.
class IMeasuringContext
{
public:
    virtual ~IMeasuringContext();

    // Dots per inch of the screen, vertically (96 in tests).
    virtual int DpiY() const = 0;
    // The same request gives the same font object as long as the context lives.
    virtual std::shared_ptr<IMeasuredFont> CreateFont(const TFontRequest& request) = 0;
    // Whether a face is installed; compares without case.
    virtual bool HasFamily(const QString& face) const = 0;
};

// Maps characters the way measuring and drawing see them: controls become U+FFFD.
constexpr char32_t MeasuredChar(char32_t c)
{
    return c < 0x20 ? char32_t(0xFFFD) : c;
}

// Points to pixels: size × dpi ÷ 72, rounded half up; never below 1 pixel.
int PointsToPixels(int points, int dpi);

// The process-wide measuring context (the one off-screen device every measurement shares). Created on
// first use as the Qt context (needs a QGuiApplication); tests install a fake. Replacing the context
// drops the fonts and metrics every interned attributes value has cached.
class TDeviceContextManager
{
public:
    static IMeasuringContext& Instance();
    // Installs `context` and returns the previous one (nullptr when none was created yet).
    static std::unique_ptr<IMeasuringContext> SetInstance(std::unique_ptr<IMeasuringContext> context);
};

} // namespace qv
