#include "core/strings.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QMutex>

#include <atomic>
#include <map>

namespace qv {

namespace {

using TStringTable = QHash<int, QString>;

QString Unescape(QStringView text)
{
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\\' || i + 1 == text.size()) {
            result += c;
            continue;
        }
        const QChar next = text[++i];
        switch (next.unicode()) {
        case u'n':
            result += u'\n';
            break;
        case u'r':
            result += u'\r';
            break;
        case u't':
            result += u'\t';
            break;
        default:
            result += next;
            break;
        }
    }
    return result;
}

TStringTable ParseTable(const QByteArray& bytes)
{
    TStringTable table;
    const QString text = QString::fromUtf8(bytes);
    for (QStringView line : QStringView(text).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        const qsizetype tab = line.indexOf(u'\t');
        if (tab <= 0 || line.startsWith(u'#'))
            continue;
        bool ok = false;
        const int id = line.left(tab).toInt(&ok);
        if (ok)
            table.insert(id, Unescape(line.mid(tab + 1)));
    }
    return table;
}

class TStringTables
{
public:
    static TStringTables& Instance()
    {
        static TStringTables tables;
        return tables;
    }

    const TStringTable& Table(int lcid)
    {
        QMutexLocker locker(&FLock);
        auto it = FTables.find(lcid);
        if (it == FTables.end()) {
            QFile file(QStringLiteral(":/strings/%1.txt").arg(lcid));
            TStringTable table;
            if (file.open(QIODevice::ReadOnly))
                table = ParseTable(file.readAll());
            it = FTables.emplace(lcid, std::move(table)).first;
        }
        return it->second; // std::map never moves its elements, so the reference stays valid
    }

    std::atomic<int> Language{lcidEnglish};

private:
    QMutex FLock;
    std::map<int, TStringTable> FTables;
};

QString PadTo(QString text, int width, bool left, QChar fill = u' ')
{
    if (text.size() >= width)
        return text;
    const QString padding(width - text.size(), fill);
    return left ? text + padding : padding + text;
}

} // namespace

QString LoadStr(int id)
{
    TStringTables& tables = TStringTables::Instance();
    const int language = tables.Language.load();
    if (language != lcidEnglish) {
        const QString text = tables.Table(language).value(id);
        if (!text.isEmpty())
            return text;
    }
    return tables.Table(lcidEnglish).value(id);
}

QString LoadStr(int id, std::initializer_list<QString> params)
{
    return ReplaceParams(LoadStr(id), params);
}

bool HasStr(int id)
{
    return TStringTables::Instance().Table(lcidEnglish).contains(id);
}

QString TableStr(int lcid, int id)
{
    return TStringTables::Instance().Table(lcid).value(id);
}

QList<int> StringIds(int lcid)
{
    QList<int> ids = TStringTables::Instance().Table(lcid).keys();
    std::sort(ids.begin(), ids.end());
    return ids;
}

QString ReplaceParams(QString text, std::initializer_list<QString> params)
{
    // Places are found in the original text, so a parameter that holds "%2" is never replaced again.
    struct TPlace
    {
        qsizetype At;
        qsizetype Length;
        const QString* Param;
    };
    std::vector<TPlace> places;
    int number = 1;
    for (const QString& param : params) {
        const QString placeholder = u'%' + QString::number(number++);
        for (qsizetype at = 0; (at = text.indexOf(placeholder, at)) >= 0; at += placeholder.size()) {
            const qsizetype end = at + placeholder.size();
            if (end < text.size() && text[end].isDigit())
                continue; // "%1" is not the start of "%10"
            places.push_back({at, placeholder.size(), &param});
            break;
        }
    }
    std::sort(places.begin(), places.end(), [](const TPlace& x, const TPlace& y) { return x.At > y.At; });
    for (const TPlace& place : places)
        text.replace(place.At, place.Length, *place.Param);
    return text;
}

QString FormatStr(const QString& format, std::initializer_list<TFormatArg> args)
{
    QString result;
    result.reserve(format.size() + 16);
    auto arg = args.begin();
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c != u'%' || i + 1 == format.size()) {
            result += c;
            continue;
        }
        qsizetype j = i + 1;
        if (format[j] == u'%') {
            result += u'%';
            i = j;
            continue;
        }
        bool left = false;
        bool zero = false;
        for (; j < format.size() && (format[j] == u'-' || format[j] == u'0'); ++j)
            (format[j] == u'-' ? left : zero) = true;
        int width = 0;
        for (; j < format.size() && format[j].isDigit(); ++j)
            width = width * 10 + format[j].digitValue();
        int precision = -1;
        if (j < format.size() && format[j] == u'.') {
            precision = 0;
            for (++j; j < format.size() && format[j].isDigit(); ++j)
                precision = precision * 10 + format[j].digitValue();
        }
        if (j == format.size()) {
            result += QStringView(format).mid(i);
            break;
        }
        const QChar type = format[j];
        const TFormatArg* value = arg != args.end() ? &*arg++ : nullptr;
        QString piece;
        if (value != nullptr) {
            const qint64* number = std::get_if<qint64>(&value->Value);
            const double* real = std::get_if<double>(&value->Value);
            const QString* text = std::get_if<QString>(&value->Value);
            switch (type.toLower().unicode()) {
            case u's':
                if (text != nullptr)
                    piece = precision >= 0 ? text->left(precision) : *text;
                else if (number != nullptr)
                    piece = QString::number(*number);
                break;
            case u'd':
            case u'u':
                if (number != nullptr) {
                    piece = QString::number(*number < 0 ? -*number : *number);
                    if (precision > 0)
                        piece = PadTo(piece, precision, false, u'0');
                    if (*number < 0)
                        piece.prepend(u'-');
                }
                break;
            case u'x':
                if (number != nullptr) {
                    piece = QString::number(quint64(*number), 16);
                    if (type == u'X')
                        piece = piece.toUpper();
                    if (precision > 0)
                        piece = PadTo(piece, precision, false, u'0');
                }
                break;
            case u'f':
                if (real != nullptr || number != nullptr)
                    piece = QString::number(real != nullptr ? *real : double(*number), 'f',
                                            precision >= 0 ? precision : 2);
                break;
            default:
                piece = QStringView(format).mid(i, j - i + 1).toString();
                break;
            }
        }
        result += PadTo(piece, width, left, zero && !left ? u'0' : u' ');
        i = j;
    }
    return result;
}

void SetInterfaceLanguage(int lcid)
{
    TStringTables::Instance().Language.store(lcid);
}

int InterfaceLanguage()
{
    return TStringTables::Instance().Language.load();
}

QList<int> InterfaceLanguages()
{
    QList<int> languages{lcidEnglish};
    const QStringList files = QDir(QStringLiteral(":/strings")).entryList({QStringLiteral("*.txt")});
    for (const QString& file : files) {
        bool ok = false;
        const int lcid = file.chopped(4).toInt(&ok);
        if (ok && lcid != lcidEnglish)
            languages.append(lcid);
    }
    return languages;
}

} // namespace qv
