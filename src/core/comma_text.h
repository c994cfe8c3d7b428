#pragma once

#include <QString>
#include <QStringList>

namespace qv {

// Comma lists as the settings and the command line store them ("processors", "ActualVersions", string
// lists kept on one line). Only commas separate items; spaces belong to the items. An item that starts
// with a double quote runs to the matching closing quote, doubled quotes inside standing for one, so
// it may hold commas; text between the closing quote and the next comma is kept as it is.
//
// "" is the empty list; a lone empty item is written as "" (two quotes) so that it survives.
QStringList SplitCommaText(const QString& text);

// The reverse: an item that holds a comma or a double quote, starts or ends with a space, or begins
// with a double quote is written in double quotes with its quotes doubled.
// SplitCommaText(JoinCommaText(list)) == list for every list.
QString JoinCommaText(const QStringList& items);

} // namespace qv
