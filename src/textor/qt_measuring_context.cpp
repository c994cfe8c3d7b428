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
    FLatinGlyphs.fill(-1);
    FRawFont = QRawFont::fromFont(FFont);
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

quint32 TQtMeasuredFont::GlyphIndex(char32_t c) const
{
    if (c < 256 && FLatinGlyphs[c] >= 0)
        return quint32(FLatinGlyphs[c]);
    if (c >= 256) {
        auto it = FOtherGlyphs.constFind(c);
        if (it != FOtherGlyphs.cend())
            return it.value();
    }
    const char32_t ucs4[1] = {c};
    const QString text = QString::fromUcs4(ucs4, 1);
    quint32 indexes[2] = {0, 0};
    int count = 2;
    const bool found = FRawFont.glyphIndexesForChars(text.constData(), int(text.size()), indexes, &count);
    const quint32 index = found && count == 1 ? indexes[0] : 0;
    if (c < 256)
        FLatinGlyphs[c] = index;
    else
        FOtherGlyphs.insert(c, index);
    return index;
}

bool TQtMeasuredFont::GlyphRun(QStringView text, QGlyphRun& run) const
{
    if (!FRawFont.isValid())
        return false;
    QList<quint32> glyphs;
    QList<QPointF> positions;
    glyphs.reserve(text.size());
    positions.reserve(text.size());
    int x = 0;
    const qsizetype count = text.size();
    for (qsizetype i = 0; i < count; ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < count && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(char16_t(c), text[i + 1].unicode());
            ++i;
        } else if (QChar::isSurrogate(c)) {
            c = 0xFFFD;
        }
        c = MeasuredChar(c);
        const quint32 glyph = GlyphIndex(c);
        if (glyph == 0)
            return false;
        glyphs.append(glyph);
        positions.append(QPointF(x, 0));
        x += Advance(c);
    }
    run.setRawFont(FRawFont);
    run.setGlyphIndexes(glyphs);
    run.setPositions(positions);
    run.setOverline(false);
    run.setUnderline(FFont.underline());
    run.setStrikeOut(FFont.strikeOut());
    return true;
}

int TQtMeasuredFont::FitCount(QStringView text, int available, int& width) const
{
    // The common case inline, as in TextWidth; anything else through the general loop.
    width = 0;
    const qsizetype count = text.size();
    const QChar* chars = text.data();
    qsizetype i = 0;
    for (; i < count; ++i) {
        const char32_t c = chars[i].unicode();
        if (c < 0x20 || c >= 256)
            break;
        const int cached = FLatin[c];
        const int advance = cached >= 0 ? cached : Advance(c);
        if (width + advance > available)
            return int(i);
        width += advance;
    }
    if (i == count)
        return int(i);
    int rest = 0;
    const int fitted = IMeasuredFont::FitCount(text.mid(i), available - width, rest);
    width += rest;
    return int(i) + fitted;
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
