#include "textor/sheet_theme.h"

#include "textor/measuring_context.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <atomic>

namespace qv {

namespace {

struct TElementInfo
{
    const char* Node;
    TSheetThemeElement Fallback;
    bool Frame;
};

// In enumeration order.
const TElementInfo elementInfo[sheetThemeElementCount] = {
    {"Sheet", steSheet, true},
    {"Line", steLine, true},
    {"Unaccepted", steElement, true},
    {"Element", steElement, true},
    {"ElementCommand", steElement, true},
    {"ElementTechnical", steElement, true},
    {"ElementExpression", steElement, true},
    {"Description", steDescription, true},
    {"Collapsed", steCollapsed, false},
    {"CollapsedData", steCollapsed, false},
    {"Expanded", steExpanded, false},
    {"ExpandedData", steExpanded, false},
    {"LogicFrameCollapsed", steCollapsed, false},
    {"LogicFrameCollapsedData", steCollapsedData, false},
    {"LogicFrameExpanded", steExpanded, false},
    {"LogicFrameExpandedData", steExpandedData, false},
    {"Field", steField, true},
    {"Name", steField, true},
    {"NamePrivate", steName, true},
    {"NamePublic", steName, true},
    {"CheckBox", steCheckBox, true},
    {"CheckBoxChecked", steCheckBoxChecked, false},
    {"CheckBoxUnchecked", steCheckBoxUnchecked, false},
    {"Container", steField, true},
    {"ImageContainer", steContainer, true},
    {"Substitution", steSubstitution, true},
    {"SubstitutionHorzFirst", steSubstitutionHorzFirst, true},
    {"SubstitutionHorzNext", steSubstitutionHorzNext, true},
    {"SubstitutionVertFirst", steSubstitutionVertFirst, true},
    {"SubstitutionVertNext", steSubstitutionVertNext, true},
    {"Comment", steComment, true},
    {"Error", steErrorSign, false},
    {"NeedValue", steErrorSign, false},
    {"Referenced", steReferenceSign, false},
    {"FrameDot", steFrameDot, true},
    {"FrameSingle", steFrameSingle, true},
    {"Mark", steMark, true},
    {"ExternalEditingMode", steExternalEditingMode, true},
    {"LogicFrame", steElement, true},
    {"ImageChess", steImageChess, true},
};

const char* const fontNodes[sheetThemeFontCount] = {"ElementFont", "CodeFont", "NameFont",
                                                    "FixedFont",   "ArtFont",  "CommentFont"};

QMargins Scaled(const QMargins& base, int percent)
{
    return QMargins(base.left() * percent / 100, base.top() * percent / 100, base.right() * percent / 100,
                    base.bottom() * percent / 100);
}

// Resource names compare without case.
QString FindResource(const QString& name)
{
    QDirIterator it(QStringLiteral(":/"), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path.section(QLatin1Char('/'), -1).compare(name, Qt::CaseInsensitive) == 0)
            return path;
    }
    return QString();
}

} // namespace

QString SheetThemeFontNode(TSheetThemeFont font)
{
    return QString::fromLatin1(fontNodes[font]);
}

QString SheetThemeElementNode(TSheetThemeElement element)
{
    return QString::fromLatin1(elementInfo[element].Node);
}

TSheetThemeElement SheetThemeElementFallback(TSheetThemeElement element)
{
    return elementInfo[element].Fallback;
}

bool IsSheetThemeFrame(TSheetThemeElement element)
{
    return elementInfo[element].Frame;
}

TSheetTheme::TSheetTheme()
    : FDisableColor(qRgba(220, 220, 220, 190)), FSelectColor(qRgba(95, 143, 216, 130)),
      FSelectInactiveColor(qRgba(237, 237, 230, 185))
{
    ComputeImageData();
}

void TSheetTheme::ComputeImageData()
{
    // Icons take the vertical margins of text fields, and a gap after them that grows with the field's
    // padding.
    const TSheetThemeElementData& field = FElements[steField];
    const int sides[sheetThemeImageCount] = {3, 4, 5};
    for (int i = 0; i < sheetThemeImageCount; ++i) {
        TSheetThemeImageData& image = FImages[i];
        image.BaseMargins = QMargins(sides[i], field.BaseMargins.top(), sides[i], field.BaseMargins.bottom());
        image.BaseSpacing = qMax(2, field.BasePadding.left() * 2 / 5);
        image.Margins = Scaled(image.BaseMargins, FScalePercent);
        image.Spacing = image.BaseSpacing * FScalePercent / 100;
    }
}

void TSheetTheme::ApplyScale(int delta, int percent)
{
    FScaleDelta = delta;
    FScalePercent = percent;
    for (TSheetThemeFontData& font : FFonts)
        font.Size = font.BaseSize + delta;
    for (TSheetThemeElementData& element : FElements) {
        element.Margins = Scaled(element.BaseMargins, percent);
        element.Padding = Scaled(element.BasePadding, percent);
    }
    for (TSheetThemeImageData& image : FImages) {
        image.Margins = Scaled(image.BaseMargins, percent);
        image.Spacing = image.BaseSpacing * percent / 100;
    }
    FElementSpacing =
        QSize(FBaseElementSpacing.width() * percent / 100, FBaseElementSpacing.height() * percent / 100);
    FElementInset = Scaled(FBaseElementInset, percent);
    // Unique across themes, so that a cache never mistakes a new theme for the one it was made for.
    static std::atomic<int> generations{0};
    FGeneration = ++generations;
}

const QImage& TSheetTheme::Source(TSheetThemeElement element, QRgb tint, QRect& sourceRect)
{
    TSheetThemeElementData& data = FElements[element];
    if (tint == 0) {
        sourceRect = data.Cut;
        return FDrawPicture;
    }
    for (const TColorOverImage& copy : data.TintedCopies) {
        if (copy.Color == tint) {
            sourceRect = copy.Image.rect();
            return copy.Image;
        }
    }
    TColorOverImage copy;
    copy.Color = tint;
    copy.Image =
        TintImage(FPicture.copy(data.Cut), tint).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    data.TintedCopies.push_back(std::move(copy));
    sourceRect = data.TintedCopies.back().Image.rect();
    return data.TintedCopies.back().Image;
}

QSize TSheetTheme::FrameMinSize(TSheetThemeElement element) const
{
    const QMargins& zone = FElements[element].Zone;
    return QSize(zone.left() + zone.right(), zone.top() + zone.bottom());
}

QSize TSheetTheme::ImageSize(TSheetThemeElement element) const
{
    return FElements[element].Cut.size();
}

QString TSheetTheme::FirstInstalledFace(const QString& faces)
{
    IMeasuringContext& context = TDeviceContextManager::Instance();
    for (const QString& item : faces.split(QLatin1Char(','))) {
        const QString face = item.trimmed();
        if (!face.isEmpty() && context.HasFamily(face))
            return face;
    }
    return QString();
}

QString TSheetTheme::BuiltInText()
{
    QFile file(FindResource(QStringLiteral("ZivorEredadDefaultThemeInfo")));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

QImage TSheetTheme::BuiltInPicture()
{
    return QImage(FindResource(QStringLiteral("ZivorEredadDefaultThemeImage")), "PNG");
}

bool TSheetTheme::ThemeFiles(const QString& themesFolder, const QString& name, QString& textFile,
                             QString& pictureFile)
{
    textFile.clear();
    pictureFile.clear();
    // The name comes from the settings file: it must not reach outside the folder.
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) ||
        name.contains(QStringLiteral("..")) || name.contains(QChar(0)))
        return false;
    textFile = themesFolder + QLatin1Char('/') + name + QStringLiteral(".txt");
    pictureFile = themesFolder + QLatin1Char('/') + name + QStringLiteral(".png");
    return true;
}

} // namespace qv
