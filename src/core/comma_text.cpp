#include "core/comma_text.h"

namespace qv {

QStringList SplitCommaText(const QString& text)
{
    QStringList items;
    if (text.isEmpty())
        return items;
    const qsizetype size = text.size();
    qsizetype i = 0;
    while (true) {
        QString item;
        if (i < size && text[i] == u'"') {
            ++i;
            while (i < size) {
                if (text[i] == u'"') {
                    if (i + 1 < size && text[i + 1] == u'"') {
                        item += u'"';
                        i += 2;
                        continue;
                    }
                    ++i; // the closing quote
                    break;
                }
                item += text[i++];
            }
        }
        const qsizetype comma = text.indexOf(u',', i);
        const qsizetype stop = comma < 0 ? size : comma;
        item += QStringView(text).mid(i, stop - i);
        items.append(item);
        if (comma < 0)
            break;
        i = comma + 1;
    }
    return items;
}

namespace {

bool NeedsQuotes(const QString& item)
{
    if (item.isEmpty())
        return false;
    return item.contains(u',') || item.contains(u'"') || item.front() == u' ' || item.back() == u' ';
}

} // namespace

QString JoinCommaText(const QStringList& items)
{
    if (items.size() == 1 && items.front().isEmpty())
        return QStringLiteral("\"\"");
    QString text;
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (i > 0)
            text += u',';
        const QString& item = items[i];
        if (NeedsQuotes(item)) {
            QString quoted = item;
            quoted.replace(u'"', QStringLiteral("\"\""));
            text += u'"' + quoted + u'"';
        } else {
            text += item;
        }
    }
    return text;
}

} // namespace qv
