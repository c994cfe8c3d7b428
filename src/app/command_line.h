#pragma once

#include <QString>
#include <QStringList>

namespace qv {

// The program's arguments, without the program itself, in order. Every lookup removes the argument
// it finds, so each switch and each file is taken once: by the first part of the program that asks.
//
// An argument's name part is the text before its first "="; its value part the text after it, with
// one pair of surrounding double quotes removed when the value is longer than one character and
// starts and ends with a quote. An argument without "=" has an empty value.
class TCommandLine
{
public:
    TCommandLine() = default;
    explicit TCommandLine(QStringList items) : FItems(std::move(items)) {}

    const QStringList& Items() const { return FItems; }
    void SetItems(QStringList items) { FItems = std::move(items); }

    // The first argument that matches the wildcard `mask` (case ignored; "*" and "?" also match "/")
    // after skipping `skip` matches. "*.*" needs a dot, so switches without one are never files.
    bool FindFile(const QString& mask, QString& fileName, int skip = 0);
    // An argument equal to `name`, case ignored.
    bool HasSwitch(const QString& name);
    // An argument whose name part equals `name`, case ignored; `value` gets its value part.
    bool GetSwitchValue(const QString& name, QString& value);

private:
    static QString NamePart(const QString& argument);
    static QString ValuePart(const QString& argument);

    QStringList FItems;
};

} // namespace qv
