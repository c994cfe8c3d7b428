#pragma once

#include <QString>
#include <QUrl>

#include <memory>

namespace qv {

class TKnot;

// The application info file on the program's web site: the addresses of the program's web pages
// and download pages, and the versions that are current, so that pages can move without a new
// program version. Every command downloads the file anew (blocking, with the wait cursor) and frees
// it afterwards.
//
// The file is knot text: a top node of any name holding "Applications" (one child per product, named
// after the product without spaces, with the attributes "ActualVersions" and the page addresses
// "DownloadPage", "OnlineHelpPage", "HomePage", "SamplesPage", "CommunityPage", "ForumPage"),
// "Resources" (attributes: download pages of themes, translators and compilers) and
// "AppLangToWebLang" (attribute "DefaultWebLang"; children with "AppLang" and "WebLang"). "%lang%" in
// an address becomes the web language of the interface language.
//
// Failures raise EQvError: string 4935 with "Can't open URL: …" when the download fails (no network,
// no answer within the timeout), string 2066 when the file lacks an entry. Pages open through the URL opener,
// messages go through the user interface. User-interface thread only.
class TAppInfo
{
public:
    // The compiled-in product name and version and the file's address (AppInfoUrl()).
    TAppInfo();

    QString ProductName;
    QString ProductVersion;
    QUrl Url;
    // How long the download may go without receiving anything, in milliseconds.
    int TimeoutMs = 6000;

    // Tells whether the program's version is among the current ones; otherwise offers to open the
    // download page. Nothing happens when the program's version is unknown.
    void CheckForUpdates(const QString& language) const;
    // Opens the product's page `key` ("OnlineHelpPage", "HomePage", …).
    void OpenWebPage(const QString& key, const QString& language) const;
    // Opens the offline manual beside the program in `programFolder` (InstalledManual) with the
    // desktop's browser (raising 4930 when the desktop cannot); only without one, the online help
    // page.
    void OpenHelp(const QString& language, const QString& programFolder) const;
    // Opens the download page `key` of "Resources" ("ThemesPage", "TranslatorsPage", …).
    void OpenWebResource(const QString& language, const QString& key) const;

    // Downloads and parses the file.
    std::unique_ptr<TKnot> Download() const;

private:
    // The product's address `key` with "%lang%" replaced; raises 2066 when it is missing or empty.
    QString ProductAddress(TKnot& info, const QString& key, const QString& language) const;
    static QString LocalizedAddress(TKnot& info, const QString& address, const QString& language);
    static void Open(const QString& address);
};

// The address of the application info file: the environment variable QUORVANE_APP_INFO_URL when set,
// else the address the program was built with.
QUrl AppInfoUrl();

// The offline manual of the program installed in `programFolder` (its "bin" folder):
// ../share/doc/quorvane/quorvane.html, or ../desktop/quorvane.html for a program in its build tree.
// Empty when neither exists.
QString InstalledManual(const QString& programFolder);

} // namespace qv
