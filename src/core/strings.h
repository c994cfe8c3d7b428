#pragma once

#include <QList>
#include <QString>

#include <initializer_list>
#include <variant>

namespace qv {

// User-interface texts are numbered entries of string tables, one table per interface language (a
// Windows language identifier: English is 1033). The tables are data files ":/strings/<id>.txt",
// one "number<TAB>text" per line with the escapes \\, \t, \r and \n.
//
// Thread-safe: generation threads load texts too.

constexpr int lcidEnglish = 1033;

// Marks a string-table number kept in code for later lookup (tables of texts, defaults). A test
// checks that every number passed to LoadStr, RaiseStr or QV_STR exists in the English table, so
// numbers appear in code as literals inside one of these three.
#define QV_STR(id) (id)

// The text in the current interface language, falling back to English when it is missing or empty
// there; an empty string when English has no such text either.
QString LoadStr(int id);
// The same with "%1", "%2"… each replaced, at its first occurrence only, by the parameter of that
// number.
QString LoadStr(int id, std::initializer_list<QString> params);
// True when the English table has the text.
bool HasStr(int id);
// The text of one table alone, without falling back to English; empty when that table lacks it.
QString TableStr(int lcid, int id);
// Every number of a table, in ascending order.
QList<int> StringIds(int lcid = lcidEnglish);

// Replaces "%1", "%2"… at their first occurrence only; unlike QString::arg nothing is renumbered.
QString ReplaceParams(QString text, std::initializer_list<QString> params);

// An argument of FormatStr.
struct TFormatArg
{
    TFormatArg(int value) : Value(qint64(value)) {}
    TFormatArg(unsigned value) : Value(qint64(value)) {}
    TFormatArg(qint64 value) : Value(value) {}
    TFormatArg(double value) : Value(value) {}
    TFormatArg(const QString& value) : Value(value) {}
    TFormatArg(const char* value) : Value(QString::fromUtf8(value)) {}

    std::variant<qint64, double, QString> Value;
};

// printf-like formatting for the texts that use it: %s, %d, %u, %x, %X, %f and %%, with the flag "-"
// (left-justify), a width and a precision (minimum digits for integers, maximum characters for %s,
// decimals for %f). "%.2x" of 10 gives "0a". A missing or mismatched argument formats as empty.
QString FormatStr(const QString& format, std::initializer_list<TFormatArg> args);

// The interface language. Setting a language without a table is allowed: every text then falls back
// to English.
void SetInterfaceLanguage(int lcid);
int InterfaceLanguage();
// The languages that have a string table, English first.
QList<int> InterfaceLanguages();

} // namespace qv
