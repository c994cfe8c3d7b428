#include "app/about_form.h"
#include "app/app_info.h"

#include "core/errors.h"
#include "core/strings.h"

#include "support/fake_user_interface.h"
#include "support/printers.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace qv {
namespace {

// A web server on 127.0.0.1 that answers every request with the fixture info file, or, when told to
// stay silent, takes the connection and never answers.
class TInfoServer
{
public:
    explicit TInfoServer(bool silent = false)
    {
        QFile file(QStringLiteral(TEST_DATA_DIR "/app_info.xml"));
        if (file.open(QIODevice::ReadOnly))
            FBody = file.readAll();
        QObject::connect(&FServer, &QTcpServer::newConnection, &FServer, [this, silent] {
            while (QTcpSocket* socket = FServer.nextPendingConnection()) {
                ++Requests;
                if (silent)
                    continue;
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    if (!socket->peek(1 << 16).contains("\r\n\r\n"))
                        return;
                    socket->readAll();
                    socket->write(
                        "HTTP/1.1 200 OK\r\nContent-Type: text/xml; charset=utf-8\r\nConnection: close\r\n"
                        "Content-Length: " +
                        QByteArray::number(FBody.size()) + "\r\n\r\n" + FBody);
                    socket->disconnectFromHost();
                });
            }
        });
        FServer.listen(QHostAddress::LocalHost);
    }

    QString Url() const
    {
        return QStringLiteral("http://127.0.0.1:%1/appinfo.xml").arg(FServer.serverPort());
    }
    bool Ready() const { return FServer.isListening() && !FBody.isEmpty(); }

    int Requests = 0;

private:
    QTcpServer FServer;
    QByteArray FBody;
};

// The address of the info file comes from the environment, as a user (or a test) overrides it.
class TScopedInfoUrl
{
public:
    explicit TScopedInfoUrl(const QString& url) { qputenv("QUORVANE_APP_INFO_URL", url.toUtf8()); }
    ~TScopedInfoUrl() { qunsetenv("QUORVANE_APP_INFO_URL"); }
};

struct TRun
{
    QString Text;   // the error, or the message box's text
    QString Opened; // the addresses opened, separated by spaces
};

// Runs `command` on a TAppInfo of the product "Quorvane Test" at `version` that reads the info file
// from `url`, answering message boxes with `answer`.
TRun RunCommand(const QString& url, const QString& version, const std::function<void(TAppInfo&)>& command,
                TMessageButton answer = mbOk, int timeoutMs = 6000)
{
    TFakeUserInterface ui;
    ui.MessageAnswers = {answer};
    TFakeUrlOpener opener;
    TScopedUserInterface installedUi(&ui);
    TScopedService<IUrlOpener> installedOpener(&opener);
    TScopedInfoUrl installedUrl(url);
    TAppInfo info;
    info.ProductName = QStringLiteral("Quorvane Test");
    info.ProductVersion = version;
    info.TimeoutMs = timeoutMs;
    TRun run;
    try {
        command(info);
    } catch (const EQvError& error) {
        run.Text = error.Message();
    }
    EXPECT_EQ(ui.WaitCursorDepth, 0);
    for (const QString& call : std::as_const(ui.Calls)) {
        if (call.startsWith(QStringLiteral("MessageBox: ")))
            run.Text = call.mid(12).section(u'|', 0, 0);
    }
    QStringList opened;
    for (const QUrl& address : std::as_const(opener.Opened))
        opened.append(address.toString());
    run.Opened = opened.join(u' ');
    return run;
}

TEST(AppInfo, ChecksVersionsAndOpensPagesInTheWebLanguage)
{
    TInfoServer server;
    ASSERT_TRUE(server.Ready());
    const QString latest = LoadStr(2068);
    const QString notFound = LoadStr(2066);
    // The list is written back as comma text; the program's version follows.
    const QString newer = LoadStr(2067, {QStringLiteral("1.0,\"1.1 \""), QStringLiteral("0.9")});
    struct
    {
        const char* Name;
        QString Version;
        std::function<void(TAppInfo&)> Command;
        TMessageButton Answer;
        QString Text;
        QString Opened;
    } rows[] = {
        {"the last entry, with a space, in another case", QStringLiteral("1.1"),
         [](TAppInfo& info) { info.CheckForUpdates(QStringLiteral("ENU")); }, mbOk, latest, QString()},
        {"an older version opens the download page", QStringLiteral("0.9"),
         [](TAppInfo& info) { info.CheckForUpdates(QStringLiteral("DEU")); }, mbOk, newer,
         QStringLiteral("https://example.org/download/?lang=de")},
        {"an older version, cancelled", QStringLiteral("0.9"),
         [](TAppInfo& info) { info.CheckForUpdates(QStringLiteral("DEU")); }, mbCancel, newer, QString()},
        {"every %lang% replaced", QStringLiteral("1.1"),
         [](TAppInfo& info) { info.OpenWebPage(QStringLiteral("HomePage"), QStringLiteral("DEU")); }, mbOk,
         QString(), QStringLiteral("https://example.org/de/home/?lang=de")},
        {"an unknown language takes the default", QStringLiteral("1.1"),
         [](TAppInfo& info) { info.OpenWebPage(QStringLiteral("HomePage"), QStringLiteral("deu")); }, mbOk,
         QString(), QStringLiteral("https://example.org/en/home/?lang=en")},
        {"a missing page", QStringLiteral("1.1"),
         [](TAppInfo& info) { info.OpenWebPage(QStringLiteral("ForumPage"), QStringLiteral("DEU")); }, mbOk,
         notFound, QString()},
        {"a resource page", QStringLiteral("1.1"),
         [](TAppInfo& info) { info.OpenWebResource(QStringLiteral("RUS"), QStringLiteral("ThemesPage")); },
         mbOk, QString(), QStringLiteral("https://example.org/themes/?lang=ru")},
        {"a missing resource", QStringLiteral("1.1"),
         [](TAppInfo& info) {
             info.OpenWebResource(QStringLiteral("RUS"), QStringLiteral("ChmCompilersPage"));
         },
         mbOk, notFound, QString()},
        {"another product's versions", QStringLiteral("1.1"),
         [](TAppInfo& info) {
             info.ProductName = QStringLiteral("Other Product");
             info.CheckForUpdates(QStringLiteral("ENU"));
         },
         mbCancel, LoadStr(2067, {QStringLiteral("9.9"), QStringLiteral("1.1")}), QString()},
        {"a product the file does not know", QStringLiteral("1.1"),
         [](TAppInfo& info) {
             info.ProductName = QStringLiteral("Unknown");
             info.CheckForUpdates(QStringLiteral("ENU"));
         },
         mbOk, notFound, QString()},
    };
    int requests = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        const TRun run = RunCommand(server.Url(), row.Version, row.Command, row.Answer);
        EXPECT_EQ(run.Text, row.Text);
        EXPECT_EQ(run.Opened, row.Opened);
        EXPECT_EQ(server.Requests, ++requests) << "every command downloads the file anew";
    }
}

TEST(AppInfo, DownloadFailuresAreRaisedWithTheAddress)
{
    TInfoServer silent(true);
    ASSERT_TRUE(silent.Ready());
    QString closedPort;
    {
        TInfoServer closed;
        closedPort = closed.Url();
    }
    for (const QString& url : {closedPort, silent.Url()}) {
        SCOPED_TRACE(url.toStdString());
        const TRun run = RunCommand(
            url, QStringLiteral("0.9"), [](TAppInfo& info) { info.CheckForUpdates({}); }, mbOk, 300);
        EXPECT_TRUE(run.Text.startsWith(
            LoadStr(4935, {QStringLiteral("Can't open URL: ") + url + QStringLiteral("\r\n")})))
            << run.Text.toStdString();
        EXPECT_GT(run.Text.size(), LoadStr(4935, {url}).size() + 18) << "the reason follows";
        EXPECT_EQ(run.Opened, QString());
    }
    EXPECT_EQ(silent.Requests, 1);
}

TEST(AppInfo, HelpOpensTheInstalledManualAndTheOnlinePageOnlyWithoutOne)
{
    TInfoServer server;
    ASSERT_TRUE(server.Ready());
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString bin = dir.filePath(QStringLiteral("bin"));
    QDir().mkpath(bin);
    const TRun online = RunCommand(server.Url(), QStringLiteral("1.1"),
                                   [&bin](TAppInfo& info) { info.OpenHelp(QStringLiteral("ENU"), bin); });
    EXPECT_EQ(online.Opened, QStringLiteral("https://example.org/help/")) << online.Text.toStdString();
    EXPECT_EQ(server.Requests, 1);

    struct TRow
    {
        const char* Name;
        const char* Manual; // relative to the program's folder
    };
    const TRow rows[] = {
        {"installed", "../share/doc/quorvane/quorvane.html"},
        {"in the build tree", "../desktop/quorvane.html"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        const QString manual = QDir::cleanPath(bin + u'/' + QString::fromLatin1(row.Manual));
        QDir().mkpath(QFileInfo(manual).absolutePath());
        QFile file(manual);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("<html/>") > 0);
        file.close();
        EXPECT_EQ(InstalledManual(bin), QFileInfo(manual).canonicalFilePath());
        const TRun run = RunCommand(server.Url(), QStringLiteral("1.1"),
                                    [&bin](TAppInfo& info) { info.OpenHelp(QStringLiteral("ENU"), bin); });
        EXPECT_EQ(run.Opened, QUrl::fromLocalFile(QFileInfo(manual).canonicalFilePath()).toString());
        // A manual the desktop cannot open is said so, not swapped for the web page.
        const TRun refused = RunCommand(server.Url(), QStringLiteral("1.1"), [&bin](TAppInfo& info) {
            TFakeUrlOpener refusing;
            refusing.OpenAnswer = false;
            TScopedService<IUrlOpener> installed(&refusing);
            info.OpenHelp(QStringLiteral("ENU"), bin);
        });
        EXPECT_EQ(refused.Text, LoadStr(4930, {QFileInfo(manual).canonicalFilePath()}));
        EXPECT_EQ(server.Requests, 1) << "no download with a manual";
        QFile::remove(manual);
    }
}

TEST(AboutForm, ShowsTheProductAndOpensTheLinkFromTheLogo)
{
    TFakeUrlOpener opener;
    TScopedService<IUrlOpener> installedOpener(&opener);
    TAboutForm form(QStringLiteral("Some text"), QStringLiteral("https://example.org/"));
    form.show();
    EXPECT_EQ(form.windowTitle(), LoadStr(2070, {QStringLiteral("Quorvane")}));
    EXPECT_EQ(form.ProductLabel()->text(), QStringLiteral("Quorvane " QV_VERSION));
    EXPECT_EQ(form.ProductLabel()->font().pointSizeF(),
              QApplication::font("QMessageBoxLabel").pointSizeF() + 10);
    EXPECT_EQ(form.TextBox()->toPlainText(), QStringLiteral("Some text"));
    EXPECT_TRUE(form.TextBox()->isReadOnly());
    const QPointF centre = form.LogoLabel()->rect().center();
    QMouseEvent release(QEvent::MouseButtonRelease, centre, form.LogoLabel()->mapToGlobal(centre),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(form.LogoLabel(), &release);
    ASSERT_EQ(opener.Opened.size(), 1);
    EXPECT_EQ(opener.Opened.first(), QUrl(QStringLiteral("https://example.org/")));
}

} // namespace
} // namespace qv
