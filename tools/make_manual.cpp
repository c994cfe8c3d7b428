// Writes the offline manual: one HTML page with the README's content (Markdown) and the manual page,
// so that Help works without a network.
//
//   make_manual OUTPUT.html README.md MANPAGE MANDOC
//
// Markdown goes through QTextDocument; the manual page through mandoc's HTML output.

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringList>
#include <QTextDocument>

#include <cstdio>

namespace {

QString ReadUtf8(const QString& name, bool& ok)
{
    QFile file(name);
    ok = file.open(QIODevice::ReadOnly);
    return ok ? QString::fromUtf8(file.readAll()) : QString();
}

// The content of the body of a whole HTML document.
QString BodyOf(const QString& html)
{
    static const QRegularExpression body(QStringLiteral("<body[^>]*>(.*)</body>"),
                                         QRegularExpression::DotMatchesEverythingOption);
    // The blocks' zero margins would press headings and paragraphs together in a browser.
    static const QRegularExpression margins(QStringLiteral(" style=\" margin-top:[^\"]*\""));
    const QRegularExpressionMatch match = body.match(html);
    QString content = match.hasMatch() ? match.captured(1) : html;
    return content.remove(margins);
}

} // namespace

int main(int argc, char** argv)
{
    // Fonts for QTextDocument, without a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 5) {
        std::fprintf(stderr, "usage: make_manual OUTPUT.html README.md MANPAGE MANDOC\n");
        return 2;
    }
    bool readmeRead = false;
    const QString readme = ReadUtf8(args[2], readmeRead);
    if (!readmeRead) {
        std::fprintf(stderr, "make_manual: cannot read %s\n", qPrintable(args[2]));
        return 1;
    }
    QProcess mandoc;
    mandoc.start(args[4], {QStringLiteral("-T"), QStringLiteral("html"), QStringLiteral("-O"),
                           QStringLiteral("fragment"), args[3]});
    if (!mandoc.waitForFinished(60000) || mandoc.exitStatus() != QProcess::NormalExit ||
        mandoc.exitCode() != 0) {
        std::fprintf(stderr, "make_manual: %s could not render %s: %s\n", qPrintable(args[4]),
                     qPrintable(args[3]), mandoc.readAllStandardError().constData());
        return 1;
    }
    // mandoc's own heading table repeats the title in three cells: the page gives it once.
    static const QRegularExpression headTable(QStringLiteral("<table class=\"head\">.*?</table>"),
                                              QRegularExpression::DotMatchesEverythingOption);
    const QString manHtml = QString::fromUtf8(mandoc.readAllStandardOutput()).remove(headTable);
    const QFileInfo manFile(args[3]);
    const QString title = manFile.completeBaseName() + u'(' + manFile.suffix() + u')';
    QTextDocument markdown;
    markdown.setMarkdown(readme);

    const QString html =
        QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<title>Quorvane</title>\n<style>\n"
                       "body { max-width: 52em; margin: 2em auto; padding: 0 1em; font-family: sans-serif; "
                       "line-height: 1.45; }\n"
                       "dt { font-weight: normal; margin-top: 0.6em; } dd { margin-left: 2.5em; }\n"
                       "pre, code { font-family: monospace; }\n"
                       "</style>\n</head>\n<body>\n"
                       "<p><a href=\"#manual-page\">") +
        title + QStringLiteral("</a></p>\n<section id=\"readme\">\n") + BodyOf(markdown.toHtml()) +
        QStringLiteral("\n</section>\n<hr>\n<section id=\"manual-page\">\n<h1>") + title +
        QStringLiteral("</h1>\n") + manHtml + QStringLiteral("</section>\n</body>\n</html>\n");

    QSaveFile out(args[1]);
    // A write that failed on a full disk may still commit: every step is checked.
    const QByteArray bytes = html.toUtf8();
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.flush() ||
        !out.commit()) {
        std::fprintf(stderr, "make_manual: cannot write %s\n", qPrintable(args[1]));
        return 1;
    }
    return 0;
}
