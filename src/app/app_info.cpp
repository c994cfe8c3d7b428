#include "app/app_info.h"

#include "core/comma_text.h"
#include "core/errors.h"
#include "core/knot.h"
#include "core/strings.h"
#include "core/user_interface.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace qv {

namespace {

QString WithoutSpaces(QString text)
{
    return text.remove(u' ');
}

TKnot* Child(TKnot* knot, const QString& name)
{
    return knot != nullptr ? knot->FindKnot(name) : nullptr;
}

} // namespace

QUrl AppInfoUrl()
{
    const QString address = qEnvironmentVariable("QUORVANE_APP_INFO_URL");
    return QUrl(address.isEmpty() ? QStringLiteral(QV_APP_INFO_URL) : address);
}

QString InstalledManual(const QString& programFolder)
{
    const QDir folder(programFolder);
    for (const QString& relative : {QStringLiteral("../share/doc/quorvane/quorvane.html"),
                                    QStringLiteral("../desktop/quorvane.html")}) {
        const QFileInfo manual(folder.filePath(relative));
        if (manual.isFile())
            return manual.canonicalFilePath();
    }
    return QString();
}

TAppInfo::TAppInfo()
    : ProductName(QStringLiteral(QV_PRODUCT_NAME)), ProductVersion(QStringLiteral(QV_VERSION)),
      Url(AppInfoUrl())
{}

std::unique_ptr<TKnot> TAppInfo::Download() const
{
    TWaitCursor waitCursor;
    QNetworkAccessManager manager;
    manager.setTransferTimeout(TimeoutMs);
    QNetworkRequest request(Url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    std::unique_ptr<QNetworkReply> reply(manager.get(request));
    if (!reply->isFinished()) {
        QEventLoop loop;
        QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    // What went wrong, after a sentence that tells a user without a network what to do.
    if (reply->error() != QNetworkReply::NoError)
        RaiseStr(QV_STR(4935), {FormatStr(QStringLiteral("Can't open URL: %s\r\n%s"),
                                          {Url.toString(), reply->errorString()})});
    auto info = std::make_unique<TKnot>();
    info->LoadFromText(QString::fromUtf8(reply->readAll()));
    return info;
}

QString TAppInfo::LocalizedAddress(TKnot& info, const QString& address, const QString& language)
{
    if (!address.contains(QStringLiteral("%lang%")))
        return address;
    TKnot* languages = info.FindKnot(QStringLiteral("AppLangToWebLang"));
    QString webLanguage;
    if (languages != nullptr) {
        webLanguage = languages->ReadString(QStringLiteral("DefaultWebLang"));
        for (TKnot* entry = languages->FirstKnot(); entry != nullptr; entry = entry->NextKnot()) {
            if (entry->ReadString(QStringLiteral("AppLang")) == language) {
                webLanguage = entry->ReadString(QStringLiteral("WebLang"));
                break;
            }
        }
    }
    return QString(address).replace(QStringLiteral("%lang%"), webLanguage);
}

QString TAppInfo::ProductAddress(TKnot& info, const QString& key, const QString& language) const
{
    TKnot* product = Child(info.FindKnot(QStringLiteral("Applications")), WithoutSpaces(ProductName));
    const QString address = product != nullptr ? product->ReadString(key) : QString();
    if (address.isEmpty())
        RaiseStr(QV_STR(2066));
    return LocalizedAddress(info, address, language);
}

void TAppInfo::Open(const QString& address)
{
    UrlOpener().OpenUrl(QUrl(address));
}

void TAppInfo::OpenWebPage(const QString& key, const QString& language) const
{
    const std::unique_ptr<TKnot> info = Download();
    Open(ProductAddress(*info, key, language));
}

void TAppInfo::OpenHelp(const QString& language, const QString& programFolder) const
{
    const QString manual = InstalledManual(programFolder);
    if (manual.isEmpty())
        OpenWebPage(QStringLiteral("OnlineHelpPage"), language);
    else if (!UrlOpener().OpenUrl(QUrl::fromLocalFile(manual)))
        RaiseStr(QV_STR(4930), {manual});
}

void TAppInfo::OpenWebResource(const QString& language, const QString& key) const
{
    const std::unique_ptr<TKnot> info = Download();
    TKnot* resources = info->FindKnot(QStringLiteral("Resources"));
    const QString address = resources != nullptr ? resources->ReadString(key) : QString();
    if (address.isEmpty())
        RaiseStr(QV_STR(2066));
    Open(LocalizedAddress(*info, address, language));
}

void TAppInfo::CheckForUpdates(const QString& language) const
{
    if (ProductName.isEmpty() || ProductVersion.isEmpty())
        return;
    const std::unique_ptr<TKnot> info = Download();
    TKnot* product = Child(info->FindKnot(QStringLiteral("Applications")), WithoutSpaces(ProductName));
    const QStringList versions = SplitCommaText(
        product != nullptr ? product->ReadString(QStringLiteral("ActualVersions")) : QString());
    if (versions.isEmpty())
        RaiseStr(QV_STR(2066));
    for (const QString& version : versions) {
        if (version.trimmed().compare(ProductVersion, Qt::CaseInsensitive) == 0) {
            UserInterface().MessageBox(LoadStr(QV_STR(2068)), QString(), miInformation, mbOk, mbOk);
            return;
        }
    }
    if (UserInterface().MessageBox(LoadStr(QV_STR(2067), {JoinCommaText(versions), ProductVersion}),
                                   QString(), miInformation, mbOk | mbCancel, mbOk) == mbOk)
        Open(ProductAddress(*info, QStringLiteral("DownloadPage"), language));
}

} // namespace qv
