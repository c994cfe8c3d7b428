// Writes the offline manual: one HTML page with the README's content (Markdown) and the manual page
// (the man macros the program's page uses), so that Help works without a network.
//
//   make_manual OUTPUT.html README.md quorvane.1
//
// Markdown goes through QTextDocument; the manual page through a small reader of the macros TH, SH,
// SS, PP/LP/P, TP, IP, B, I, the alternating-font macros (BI, IB, BR, RB, IR, RI), nf/fi and br, and the
// escapes \f[BIRP], \-, \e, \&, "\ " and \(xx. Anything else is passed on as text.

#include <QFile>
#include <QGuiApplication>
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

// The escapes of roff text as HTML, starting in `font` (B, I or R); fonts are closed at the end.
QString InlineHtml(const QString& text, QChar font = u'R')
{
    QString html;
    QString openFont;
    auto setFont = [&](QChar font) {
        if (!openFont.isEmpty())
            html += QStringLiteral("</") + openFont + u'>';
        openFont.clear();
        if (font == u'B')
            openFont = QStringLiteral("b");
        else if (font == u'I')
            openFont = QStringLiteral("i");
        if (!openFont.isEmpty())
            html += u'<' + openFont + u'>';
    };
    setFont(font);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\\' || i + 1 >= text.size()) {
            if (c == u'<')
                html += QStringLiteral("&lt;");
            else if (c == u'>')
                html += QStringLiteral("&gt;");
            else if (c == u'&')
                html += QStringLiteral("&amp;");
            else
                html += c;
            continue;
        }
        const QChar e = text[++i];
        if (e == u'f' && i + 1 < text.size()) {
            setFont(text[++i]);
        } else if (e == u'-') {
            html += u'-';
        } else if (e == u'e' || e == u'\\') {
            html += u'\\';
        } else if (e == u' ') {
            html += QStringLiteral("&nbsp;");
        } else if (e == u'(' && i + 2 < text.size()) {
            const QString name = text.mid(i + 1, 2);
            i += 2;
            if (name == QStringLiteral("em"))
                html += QChar(0x2014);
            else if (name == QStringLiteral("en"))
                html += QChar(0x2013);
            else if (name == QStringLiteral("bu"))
                html += QChar(0x2022);
            else if (name == QStringLiteral("co"))
                html += QChar(0x00A9);
        } else if (e != u'&') {
            html += e;
        }
    }
    setFont(u'R');
    return html;
}

// The arguments of a macro line: words, or double-quoted groups.
QStringList MacroArguments(const QString& rest)
{
    QStringList words;
    QString word;
    bool quoted = false;
    bool any = false;
    for (const QChar c : rest) {
        if (c == u'"') {
            quoted = !quoted;
            any = true;
        } else if (c == u' ' && !quoted) {
            if (any)
                words.append(word);
            word.clear();
            any = false;
        } else {
            word += c;
            any = true;
        }
    }
    if (any)
        words.append(word);
    return words;
}

class TManPage
{
public:
    QString Title;

    void Line(const QString& line)
    {
        if (line.startsWith(QStringLiteral(".\\\"")) || line.startsWith(QStringLiteral("'\\\"")))
            return;
        if (!line.startsWith(u'.')) {
            Text(InlineHtml(line));
            return;
        }
        const qsizetype space = line.indexOf(u' ');
        const QString macro = line.mid(1, space < 0 ? -1 : space - 1);
        const QStringList args = MacroArguments(space < 0 ? QString() : line.mid(space + 1));
        if (macro == QStringLiteral("TH")) {
            Title = args.value(0).toLower() + u'(' + args.value(1) + u')';
        } else if (macro == QStringLiteral("SH") || macro == QStringLiteral("SS")) {
            Close();
            const QString tag = macro == QStringLiteral("SH") ? QStringLiteral("h2") : QStringLiteral("h3");
            FHtml += u'<' + tag + u'>' + InlineHtml(args.join(u' ')) + QStringLiteral("</") + tag +
                     QStringLiteral(">\n");
        } else if (macro == QStringLiteral("PP") || macro == QStringLiteral("LP") ||
                   macro == QStringLiteral("P")) {
            Close();
        } else if (macro == QStringLiteral("TP")) {
            CloseParagraph();
            if (!FInList)
                FHtml += QStringLiteral("<dl>\n");
            FInList = true;
            FTerm = true;
        } else if (macro == QStringLiteral("IP")) {
            Close();
            FHtml += QStringLiteral("<blockquote>");
            FOpen = QStringLiteral("blockquote");
            FEmpty = true;
        } else if (macro == QStringLiteral("nf")) {
            Close();
            FHtml += QStringLiteral("<pre>");
            FOpen = QStringLiteral("pre");
        } else if (macro == QStringLiteral("fi")) {
            Close();
        } else if (macro == QStringLiteral("br")) {
            FHtml += QStringLiteral("<br>");
        } else if (macro == QStringLiteral("B") || macro == QStringLiteral("I")) {
            Text(InlineHtml(args.join(u' '), macro[0]));
        } else if (macro.size() == 2 && QStringLiteral("BIR").contains(macro[0]) &&
                   QStringLiteral("BIR").contains(macro[1])) {
            QString html;
            for (qsizetype i = 0; i < args.size(); ++i)
                html += InlineHtml(args[i], macro[i % 2]);
            Text(html);
        } else if (!args.isEmpty()) {
            Text(InlineHtml(args.join(u' ')));
        }
    }

    QString Html()
    {
        Close();
        return FHtml;
    }

private:
    // Text goes into the open block, or starts a paragraph (a term, after TP).
    void Text(const QString& html)
    {
        if (FTerm) {
            FHtml += QStringLiteral("<dt>") + html + QStringLiteral("</dt>\n<dd>");
            FTerm = false;
            FOpen = QStringLiteral("dd");
            FEmpty = true;
            return;
        }
        if (FOpen.isEmpty()) {
            FHtml += QStringLiteral("<p>");
            FOpen = QStringLiteral("p");
        } else if (FOpen != QStringLiteral("pre") && !FEmpty) {
            FHtml += u' ';
        }
        FEmpty = false;
        FHtml += html;
        if (FOpen == QStringLiteral("pre"))
            FHtml += u'\n';
    }
    void CloseParagraph()
    {
        if (!FOpen.isEmpty())
            FHtml += QStringLiteral("</") + FOpen + QStringLiteral(">\n");
        FOpen.clear();
    }
    void Close()
    {
        CloseParagraph();
        if (FInList)
            FHtml += QStringLiteral("</dl>\n");
        FInList = false;
        FTerm = false;
    }

    QString FHtml;
    QString FOpen;       // the open block's tag, if any
    bool FEmpty = false; // the open block has no text yet
    bool FInList = false;
    bool FTerm = false;
};

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
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: make_manual OUTPUT.html README.md MANPAGE\n");
        return 2;
    }
    bool readmeRead = false;
    bool manRead = false;
    const QString readme = ReadUtf8(args[2], readmeRead);
    const QString man = ReadUtf8(args[3], manRead);
    if (!readmeRead || !manRead) {
        std::fprintf(stderr, "make_manual: cannot read %s\n", qPrintable(readmeRead ? args[3] : args[2]));
        return 1;
    }
    QTextDocument markdown;
    markdown.setMarkdown(readme);
    TManPage page;
    for (const QString& line : man.split(u'\n'))
        page.Line(QString(line).remove(u'\r'));
    const QString manHtml = page.Html();

    const QString html =
        QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<title>Quorvane</title>\n<style>\n"
                       "body { max-width: 52em; margin: 2em auto; padding: 0 1em; font-family: sans-serif; "
                       "line-height: 1.45; }\n"
                       "dt { font-weight: normal; margin-top: 0.6em; } dd { margin-left: 2.5em; }\n"
                       "pre, code { font-family: monospace; }\n"
                       "</style>\n</head>\n<body>\n"
                       "<p><a href=\"#manual-page\">") +
        page.Title + QStringLiteral("</a></p>\n<section id=\"readme\">\n") + BodyOf(markdown.toHtml()) +
        QStringLiteral("\n</section>\n<hr>\n<section id=\"manual-page\">\n<h1>") + page.Title +
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
