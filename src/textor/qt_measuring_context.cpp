#include "textor/qt_measuring_context.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>

namespace qv {

TQtMeasuredFont::TQtMeasuredFont(const QFont& font) : FFont(font), FFontMetrics(FFont)
{
    FMetrics.Ascent = FFontMetrics.ascent();
    FMetrics.Descent = FFontMetrics.descent();
    FMetrics.AvgCharWidth = qMax(1, FFontMetrics.averageCharWidth());
    FLatin.fill(-1);
}

void TQtMeasuredFont::Configure(QFont& font)
{
    font.setKerning(false);
    font.setStyleStrategy(QFont::PreferNoShaping);
    font.setHintingPreference(QFont::PreferFullHinting);
}

int TQtMeasuredFont::MeasureAdvance(char32_t c) const
{
    if (c < 0x10000)
        return FFontMetrics.horizontalAdvance(QChar(char16_t(c)));
    const char16_t pair[2] = {QChar::highSurrogate(c), QChar::lowSurrogate(c)};
    return FFontMetrics.horizontalAdvance(QString(reinterpret_cast<const QChar*>(pair), 2));
}

int TQtMeasuredFont::Advance(char32_t c) const
{
    if (c < 256) {
        int& cached = FLatin[c];
        if (cached < 0)
            cached = MeasureAdvance(c);
        return cached;
    }
    auto it = FOthers.constFind(c);
    if (it != FOthers.cend())
        return it.value();
    const int advance = MeasureAdvance(c);
    FOthers.insert(c, advance);
    return advance;
}

int TQtMeasuredFont::TextWidth(QStringView text) const
{
    // The common case inline: Latin-1 characters straight from the table.
    int width = 0;
    const qsizetype count = text.size();
    const QChar* chars = text.data();
    for (qsizetype i = 0; i < count; ++i) {
        char32_t c = chars[i].unicode();
        if (c >= 0x20 && c < 256) {
            const int cached = FLatin[c];
            width += cached >= 0 ? cached : Advance(c);
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < count && chars[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(char16_t(c), chars[i + 1].unicode());
            ++i;
        } else if (QChar::isSurrogate(c)) {
            c = 0xFFFD;
        }
        width += Advance(MeasuredChar(c));
    }
    return width;
}

namespace {

int ScreenDpiY()
{
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            return qRound(screen->logicalDotsPerInchY());
    }
    return 96;
}

} // namespace

TQtMeasuringContext::TQtMeasuringContext(int dpiY) : FDpiY(dpiY > 0 ? dpiY : ScreenDpiY()) {}

QFont TQtMeasuringContext::MakeFont(const TFontRequest& request) const
{
    QFont font;
    if (!request.Face.isEmpty())
        font.setFamilies({request.Face});
    font.setPixelSize(PointsToPixels(request.Size > 0 ? request.Size : 8, FDpiY));
    font.setWeight((request.Style & fsBold) != 0 ? QFont::Bold : QFont::Normal);
    font.setItalic((request.Style & fsItalic) != 0);
    font.setUnderline((request.Style & fsUnderline) != 0);
    font.setStrikeOut((request.Style & fsStrikeOut) != 0);
    if (request.Pitch == fpFixed) {
        font.setFixedPitch(true);
        font.setStyleHint(QFont::Monospace);
    }
    TQtMeasuredFont::Configure(font);
    return font;
}

std::shared_ptr<IMeasuredFont> TQtMeasuringContext::CreateFont(const TFontRequest& request)
{
    auto it = FFonts.constFind(request);
    if (it != FFonts.cend())
        return it.value();
    auto font = std::make_shared<TQtMeasuredFont>(MakeFont(request));
    FFonts.insert(request, font);
    return font;
}

bool TQtMeasuringContext::HasFamily(const QString& face) const
{
    return !face.isEmpty() && QFontDatabase::hasFamily(face);
}

} // namespace qv
