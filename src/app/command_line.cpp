#include "app/command_line.h"

#include <fnmatch.h>

namespace qv {

QString TCommandLine::NamePart(const QString& argument)
{
    const qsizetype equals = argument.indexOf(u'=');
    return equals < 0 ? argument : argument.left(equals);
}

QString TCommandLine::ValuePart(const QString& argument)
{
    const qsizetype equals = argument.indexOf(u'=');
    if (equals < 0)
        return QString();
    QString value = argument.mid(equals + 1);
    if (value.size() > 1 && value.startsWith(u'"') && value.endsWith(u'"'))
        value = value.mid(1, value.size() - 2);
    return value;
}

bool TCommandLine::FindFile(const QString& mask, QString& fileName, int skip)
{
    const QByteArray pattern = mask.toUtf8();
    for (qsizetype i = 0; i < FItems.size(); ++i) {
        const QByteArray argument = FItems.at(i).toUtf8();
        if (fnmatch(pattern.constData(), argument.constData(), FNM_CASEFOLD) != 0)
            continue;
        if (skip > 0) {
            --skip;
            continue;
        }
        fileName = FItems.takeAt(i);
        return true;
    }
    return false;
}

bool TCommandLine::HasSwitch(const QString& name)
{
    for (qsizetype i = 0; i < FItems.size(); ++i) {
        if (FItems.at(i).compare(name, Qt::CaseInsensitive) == 0) {
            FItems.removeAt(i);
            return true;
        }
    }
    return false;
}

bool TCommandLine::GetSwitchValue(const QString& name, QString& value)
{
    for (qsizetype i = 0; i < FItems.size(); ++i) {
        if (NamePart(FItems.at(i)).compare(name, Qt::CaseInsensitive) == 0) {
            value = ValuePart(FItems.takeAt(i));
            return true;
        }
    }
    return false;
}

} // namespace qv
