#include "app/qt_clipboard.h"

#include <QBuffer>
#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

namespace qv {

namespace {

// Named formats travel as MIME types of the program's own tree.
QString MimeType(const QString& format)
{
    return QStringLiteral("application/x-quorvane-") + QString::fromLatin1(QUrl::toPercentEncoding(format));
}

} // namespace

bool TQtClipboard::HasText()
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data != nullptr && data->hasText();
}

QString TQtClipboard::Text()
{
    return QGuiApplication::clipboard()->text();
}

void TQtClipboard::SetText(const QString& text)
{
    QGuiApplication::clipboard()->setText(text);
}

bool TQtClipboard::HasFormat(const QString& format)
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data != nullptr && data->hasFormat(MimeType(format));
}

QByteArray TQtClipboard::Data(const QString& format)
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data != nullptr ? data->data(MimeType(format)) : QByteArray();
}

void TQtClipboard::SetData(const QString& format, const QByteArray& data)
{
    auto* mime = new QMimeData;
    mime->setData(MimeType(format), data);
    QGuiApplication::clipboard()->setMimeData(mime);
}

bool TQtClipboard::HasImage()
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data != nullptr && data->hasImage();
}

QByteArray TQtClipboard::Image()
{
    const QImage image = QGuiApplication::clipboard()->image();
    if (image.isNull())
        return QByteArray();
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "png"))
        return QByteArray();
    return png;
}

void TQtClipboard::SetContent(const QList<QPair<QString, QByteArray>>& formats, const QByteArray& png)
{
    auto* mime = new QMimeData;
    for (const auto& format : formats)
        mime->setData(MimeType(format.first), format.second);
    if (!png.isEmpty()) {
        QImage image;
        if (image.loadFromData(png, "png"))
            mime->setImageData(image);
    }
    QGuiApplication::clipboard()->setMimeData(mime);
}

void TQtClipboard::SetTextAndData(const QString& text, const QString& format, const QByteArray& data)
{
    auto* mime = new QMimeData;
    mime->setText(text);
    mime->setData(MimeType(format), data);
    QGuiApplication::clipboard()->setMimeData(mime);
}

bool TQtUrlOpener::OpenUrl(const QUrl& url)
{
    static const QStringList schemes = {QStringLiteral("http"), QStringLiteral("https"),
                                        QStringLiteral("ftp"), QStringLiteral("file")};
    if (!url.isValid() || !schemes.contains(url.scheme().toLower()))
        return false;
    return QDesktopServices::openUrl(url);
}

} // namespace qv
