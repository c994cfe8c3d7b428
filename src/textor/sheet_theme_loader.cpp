// Reading a theme from its knot text and picture.

#include "textor/sheet_theme.h"

#include "core/app_folders.h"
#include "core/knot.h"

#include <QFile>

namespace qv {

namespace {

// Comma-separated integers; a missing or malformed value counts as 0, each value is clamped.
std::array<int, 4> ReadList(TKnot& knot, const QString& name, int min, int max)
{
    std::array<int, 4> values{0, 0, 0, 0};
    const QString text = knot.ReadString(name);
    const QStringList items = text.split(QLatin1Char(','));
    for (int i = 0; i < 4 && i < items.size(); ++i) {
        bool ok = false;
        const qlonglong value = items[i].trimmed().toLongLong(&ok);
        values[size_t(i)] = ok ? int(qBound(qlonglong(min), value, qlonglong(max))) : 0;
    }
    return values;
}

QMargins ReadMargins(TKnot& knot, const QString& name, int min, int max)
{
    const std::array<int, 4> values = ReadList(knot, name, min, max);
    return QMargins(values[0], values[1], values[2], values[3]);
}

// A colour given as the coordinates of a pixel of the picture, each clamped to the picture.
bool ReadPixel(TKnot& knot, const QString& name, const QImage& picture, QRgb& pixel)
{
    if (knot.FindParam(name) == nullptr)
        return false;
    const std::array<int, 4> values = ReadList(knot, name, 0, 10000);
    const int x = qBound(0, values[0], picture.width() - 1);
    const int y = qBound(0, values[1], picture.height() - 1);
    pixel = picture.pixel(x, y);
    return true;
}

TColor PixelColor(QRgb pixel)
{
    return MakeColor(uint8_t(qRed(pixel)), uint8_t(qGreen(pixel)), uint8_t(qBlue(pixel)));
}

} // namespace

void TSheetTheme::ReadFont(TKnot& root, TSheetThemeFont font)
{
    TSheetThemeFontData& data = FFonts[font];
    data = TSheetThemeFontData();
    data.Color = MakeColor(0, 0, 0);
    TKnot* knot = root.FindKnot(SheetThemeFontNode(font));
    if (knot == nullptr) {
        data.BaseSize = 8;
        return;
    }
    data.FontName = FirstInstalledFace(knot->ReadString(QStringLiteral("Name")));
    // A missing or zero size would make a font of no pixels: the default size instead.
    data.BaseSize = knot->ReadInt(QStringLiteral("Size"), 0);
    if (data.BaseSize <= 0)
        data.BaseSize = 8;
    if (knot->ReadBool(QStringLiteral("Bold"), false))
        data.Style |= 1;
    if (knot->ReadBool(QStringLiteral("Italic"), false))
        data.Style |= 2;
    if (knot->ReadBool(QStringLiteral("Underline"), false))
        data.Style |= 4;
    QRgb pixel = 0;
    if (ReadPixel(*knot, QStringLiteral("Color"), FPicture, pixel))
        data.Color = PixelColor(pixel);
    if (ReadPixel(*knot, QStringLiteral("SecondColor"), FPicture, pixel) && pixel != 0)
        data.SecondColor = PixelColor(pixel);
}

void TSheetTheme::ReadElement(TKnot& root, TSheetThemeElement element)
{
    TSheetThemeElementData& data = FElements[element];
    data = TSheetThemeElementData();
    // The node of the element, else the first node of its fallback chain that exists; without any,
    // an empty node: every value 0.
    TKnot empty;
    TKnot* knot = nullptr;
    for (TSheetThemeElement e = element; knot == nullptr;) {
        knot = root.FindKnot(SheetThemeElementNode(e));
        const TSheetThemeElement next = SheetThemeElementFallback(e);
        if (next == e)
            break;
        e = next;
    }
    if (knot == nullptr)
        knot = &empty;
    // Right and bottom are inclusive in the file; all four 0 stand for the whole picture.
    const std::array<int, 4> cut = ReadList(*knot, QStringLiteral("Cut"), 0, 10000);
    if (cut == std::array<int, 4>{0, 0, 0, 0})
        data.Cut = FPicture.rect();
    else
        data.Cut = QRect(QPoint(cut[0], cut[1]), QPoint(cut[2], cut[3])).intersected(FPicture.rect());
    QRgb pixel = 0;
    if (ReadPixel(*knot, QStringLiteral("ColorOver"), FPicture, pixel))
        data.ColorOver = pixel;
    data.MouseTransparent = ReadMargins(*knot, QStringLiteral("MouseTransparent"), 0, 10000);
    data.BaseMargins = ReadMargins(*knot, QStringLiteral("Margins"), -10000, 10000);
    data.BasePadding = ReadMargins(*knot, QStringLiteral("Padding"), 0, 10000);
    data.Margins = data.BaseMargins;
    data.Padding = data.BasePadding;
    if (IsSheetThemeFrame(element)) {
        data.Zone = ReadMargins(*knot, QStringLiteral("Zone"), 0, 10000);
        auto mode = [knot](const char* name) {
            return uint8_t(knot->ReadInt(QString::fromLatin1(name), fmStretch, fmLeaveOut, fmStretch));
        };
        data.FillModes.Left = mode("FillModeLeft");
        data.FillModes.Top = mode("FillModeTop");
        data.FillModes.Right = mode("FillModeRight");
        data.FillModes.Bottom = mode("FillModeBottom");
        data.FillModes.Client = mode("FillModeClient");
    }
}

bool TSheetTheme::LoadFromText(const QString& text, const QImage& picture)
{
    TKnot root;
    root.LoadFromText(text);
    return LoadFromKnot(root, picture);
}

bool TSheetTheme::LoadFromKnot(TKnot& root, const QImage& picture)
{
    if (picture.isNull() || root.Corrupt() || root.Name() != QStringLiteral("ThemeInfo"))
        return false;
    FPicture = picture.convertToFormat(QImage::Format_ARGB32);
    FDrawPicture = FPicture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QRgb pixel = 0;
    FDisableColor =
        ReadPixel(root, QStringLiteral("DisableColor"), FPicture, pixel) ? pixel : qRgba(220, 220, 220, 190);
    FSelectColor =
        ReadPixel(root, QStringLiteral("SelectColor"), FPicture, pixel) ? pixel : qRgba(95, 143, 216, 130);
    FSelectInactiveColor = ReadPixel(root, QStringLiteral("SelectInactiveColor"), FPicture, pixel)
                               ? pixel
                               : qRgba(237, 237, 230, 185);
    for (int font = 0; font < sheetThemeFontCount; ++font)
        ReadFont(root, TSheetThemeFont(font));
    for (int element = 0; element < sheetThemeElementCount; ++element)
        ReadElement(root, TSheetThemeElement(element));
    ComputeImageData();
    ApplyScale(FScaleDelta, FScalePercent);
    return true;
}

std::unique_ptr<TSheetTheme> TSheetTheme::LoadBuiltIn()
{
    auto theme = std::make_unique<TSheetTheme>();
    if (!theme->LoadFromText(BuiltInText(), BuiltInPicture()))
        qWarning("The built-in sheet theme cannot be read");
    return theme;
}

std::unique_ptr<TSheetTheme> TSheetTheme::LoadTheme(const QString& name, const QString& themesFolder)
{
    if (name.compare(QStringLiteral("Default"), Qt::CaseInsensitive) != 0) {
        const QString folder = themesFolder.isEmpty() ? AppFolder(afThemes) : themesFolder;
        QString textFile;
        QString pictureFile;
        if (ThemeFiles(folder, name, textFile, pictureFile)) {
            QFile file(textFile);
            const QImage picture(pictureFile, "PNG");
            if (file.open(QIODevice::ReadOnly) && !picture.isNull()) {
                TKnot root;
                root.LoadFromStream(file.readAll());
                auto theme = std::make_unique<TSheetTheme>();
                if (theme->LoadFromKnot(root, picture))
                    return theme;
            }
        }
    }
    return LoadBuiltIn();
}

} // namespace qv
