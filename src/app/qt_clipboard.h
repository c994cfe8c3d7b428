#pragma once

#include "core/user_interface.h"

namespace qv {

// The desktop clipboard through QGuiApplication's clipboard. Needs a QGuiApplication.
class TQtClipboard : public IClipboard
{
public:
    bool HasText() override;
    QString Text() override;
    void SetText(const QString& text) override;
    bool HasFormat(const QString& format) override;
    QByteArray Data(const QString& format) override;
    void SetData(const QString& format, const QByteArray& data) override;
    bool HasImage() override;
    QByteArray Image() override;
    void SetContent(const QList<QPair<QString, QByteArray>>& formats, const QByteArray& png) override;
    void SetTextAndData(const QString& text, const QString& format, const QByteArray& data) override;
};

// Opens links with QDesktopServices: only http, https, ftp and file URLs that parse strictly.
class TQtUrlOpener : public IUrlOpener
{
public:
    bool OpenUrl(const QUrl& url) override;
};

} // namespace qv
