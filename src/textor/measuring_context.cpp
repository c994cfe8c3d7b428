#include "textor/measuring_context.h"

#include "textor/attributes.h"
#include "textor/qt_measuring_context.h"

#include <QCoreApplication>
#include <QHashFunctions>

namespace qv {

size_t qHash(const TFontRequest& request, size_t seed) noexcept
{
    return qHashMulti(seed, request.Face, request.Size, request.Style, request.Charset, request.Pitch);
}

IMeasuredFont::~IMeasuredFont() = default;

int IMeasuredFont::TextWidth(QStringView text) const
{
    int width = 0;
    const qsizetype count = text.size();
    for (qsizetype i = 0; i < count; ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < count && QChar::isLowSurrogate(text[i + 1].unicode())) {
            c = QChar::surrogateToUcs4(char16_t(c), text[i + 1].unicode());
            ++i;
        } else if (QChar::isSurrogate(c)) {
            c = 0xFFFD;
        }
        width += Advance(MeasuredChar(c));
    }
    return width;
}

int IMeasuredFont::FitCount(QStringView text, int available, int& width) const
{
    width = 0;
    const qsizetype count = text.size();
    qsizetype i = 0;
    while (i < count) {
        char32_t c = text[i].unicode();
        qsizetype size = 1;
        if (QChar::isHighSurrogate(c) && i + 1 < count && QChar::isLowSurrogate(text[i + 1].unicode())) {
            c = QChar::surrogateToUcs4(char16_t(c), text[i + 1].unicode());
            size = 2;
        } else if (QChar::isSurrogate(c)) {
            c = 0xFFFD;
        }
        const int advance = Advance(MeasuredChar(c));
        if (width + advance > available)
            break;
        width += advance;
        i += size;
    }
    return int(i);
}

IMeasuringContext::~IMeasuringContext() = default;

int PointsToPixels(int points, int dpi)
{
    const qint64 pixels = (qint64(points) * dpi + 36) / 72;
    return pixels < 1 ? 1 : int(pixels);
}

namespace {

std::unique_ptr<IMeasuringContext>& Current()
{
    static std::unique_ptr<IMeasuringContext> context;
    return context;
}

} // namespace

IMeasuringContext& TDeviceContextManager::Instance()
{
    std::unique_ptr<IMeasuringContext>& context = Current();
    if (!context) {
        context = std::make_unique<TQtMeasuringContext>();
        // Qt fonts must go while the application object still exists, not with the static objects.
        if (QCoreApplication::instance() != nullptr)
            qAddPostRoutine([] { SetInstance(nullptr); });
    }
    return *context;
}

std::unique_ptr<IMeasuringContext>
TDeviceContextManager::SetInstance(std::unique_ptr<IMeasuringContext> context)
{
    // Interned attributes hold fonts of the old context: drop them before it goes.
    TAttributesRegistry::DropAllCaches();
    std::unique_ptr<IMeasuringContext> previous = std::move(Current());
    Current() = std::move(context);
    return previous;
}

} // namespace qv
