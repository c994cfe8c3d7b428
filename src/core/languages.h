#pragma once

#include <QLocale>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <span>

namespace qv {

// One language as documents, settings and generated files name it: by a three-letter abbreviation
// ("ENU", "DEU", "RUS", …), with its Windows language identifier (the low 16 bits of a locale
// identifier: 1033 for "ENU"), the locale Qt knows for it and its display names.
struct TLanguageInfo
{
    const char* Abbreviation; // upper case, ASCII
    uint16_t LanguageId;
    const char* LocaleName;  // language[_Script]_TERRITORY as QLocale reads it
    const char* EnglishName; // UTF-8
    const char* NativeName;  // UTF-8; the English name where Qt has no native one
    // A second abbreviation for a locale that has a preferred one (an old sort order or country, a
    // variant Qt does not tell apart): found by abbreviation and identifier, never chosen for a locale.
    bool Alias;

    QString AbbreviationText() const { return QString::fromLatin1(Abbreviation); }
    QString EnglishDisplayName() const { return QString::fromUtf8(EnglishName); }
    QString NativeDisplayName() const { return QString::fromUtf8(NativeName); }
    QLocale Locale() const { return QLocale(QString::fromLatin1(LocaleName)); }
};

// Every language with a three-letter abbreviation that Qt has a locale for, ordered by language
// identifier. Immutable; safe to read from any thread.
std::span<const TLanguageInfo> Languages();

// Lookups return nullptr when nothing matches; that is a normal outcome. The abbreviation must match
// exactly, case included ("deu" is not "DEU").
const TLanguageInfo* FindLanguage(QStringView abbreviation);
const TLanguageInfo* FindLanguageById(uint16_t languageId);
// The entry of the same language, script and territory; failing that, the first entry of the same
// language (and script, where the entry names one), which is the language's main territory.
const TLanguageInfo* FindLanguageForLocale(const QLocale& locale);

// The user's default language: the entry for QLocale::system(), else English (United States).
const TLanguageInfo* DefaultLanguage();

} // namespace qv
