#include "core/languages.h"

#include "support/printers.h"

#include <gtest/gtest.h>

#include <QSet>

namespace qv {
namespace {

struct TLanguageRow
{
    const char* Abbreviation;
    uint16_t LanguageId;
    QLocale::Language Language;
    QLocale::Territory Territory;
    const char* EnglishName;
};

class LanguageRows : public ::testing::TestWithParam<TLanguageRow>
{
};

TEST_P(LanguageRows, AbbreviationIdentifierAndLocaleAgree)
{
    const TLanguageRow& row = GetParam();
    const TLanguageInfo* info = FindLanguage(QString::fromLatin1(row.Abbreviation));
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->LanguageId, row.LanguageId);
    EXPECT_EQ(FindLanguageById(row.LanguageId), info);
    EXPECT_EQ(info->Locale().language(), row.Language);
    EXPECT_EQ(info->Locale().territory(), row.Territory);
    EXPECT_EQ(info->EnglishDisplayName(), QString::fromUtf8(row.EnglishName));
    EXPECT_FALSE(info->NativeDisplayName().isEmpty());
    if (!info->Alias) {
        EXPECT_EQ(FindLanguageForLocale(info->Locale()), info);
    }
}

const TLanguageRow languageRows[] = {
    {"ENU", 1033, QLocale::English, QLocale::UnitedStates, "English (United States)"},
    {"ENG", 0x0809, QLocale::English, QLocale::UnitedKingdom, "English (United Kingdom)"},
    {"DEU", 0x0407, QLocale::German, QLocale::Germany, "German (Germany)"},
    {"DEA", 0x0C07, QLocale::German, QLocale::Austria, "German (Austria)"},
    {"RUS", 0x0419, QLocale::Russian, QLocale::Russia, "Russian (Russia)"},
    {"UKR", 0x0422, QLocale::Ukrainian, QLocale::Ukraine, "Ukrainian (Ukraine)"},
    {"FRA", 0x040C, QLocale::French, QLocale::France, "French (France)"},
    {"ITA", 0x0410, QLocale::Italian, QLocale::Italy, "Italian (Italy)"},
    {"ESN", 0x0C0A, QLocale::Spanish, QLocale::Spain, "Spanish (Spain)"},
    {"ESP", 0x040A, QLocale::Spanish, QLocale::Spain, "Spanish (Spain, Traditional Sort)"},
    {"PLK", 0x0415, QLocale::Polish, QLocale::Poland, "Polish (Poland)"},
    {"CSY", 0x0405, QLocale::Czech, QLocale::CzechRepublic, "Czech (Czech Republic)"},
    {"PTB", 0x0416, QLocale::Portuguese, QLocale::Brazil, "Portuguese (Brazil)"},
    {"PTG", 0x0816, QLocale::Portuguese, QLocale::Portugal, "Portuguese (Portugal)"},
    {"JPN", 0x0411, QLocale::Japanese, QLocale::Japan, "Japanese (Japan)"},
    {"CHS", 0x0804, QLocale::Chinese, QLocale::China, "Chinese (Simplified)"},
    {"CHT", 0x0404, QLocale::Chinese, QLocale::Taiwan, "Chinese (Traditional)"},
    {"NOR", 0x0414, QLocale::NorwegianBokmal, QLocale::Norway, "Norwegian Bokmål (Norway)"},
    {"NON", 0x0814, QLocale::NorwegianNynorsk, QLocale::Norway, "Norwegian Nynorsk (Norway)"},
    {"SRM", 0x241A, QLocale::Serbian, QLocale::Serbia, "Serbian (Latin, Serbia)"},
    {"SRO", 0x281A, QLocale::Serbian, QLocale::Serbia, "Serbian (Cyrillic, Serbia)"},
    {"TRK", 0x041F, QLocale::Turkish, QLocale::Turkey, "Turkish (Turkey)"},
    {"HEB", 0x040D, QLocale::Hebrew, QLocale::Israel, "Hebrew (Israel)"},
    {"KUR", 0x0492, QLocale::CentralKurdish, QLocale::Iraq, "Central Kurdish (Iraq)"},
};

INSTANTIATE_TEST_SUITE_P(Table, LanguageRows, ::testing::ValuesIn(languageRows),
                         [](const ::testing::TestParamInfo<TLanguageRow>& info) {
                             return std::string(info.param.Abbreviation);
                         });

TEST(Languages, TableIsConsistent)
{
    QSet<QString> abbreviations;
    QSet<uint16_t> ids;
    for (const TLanguageInfo& info : Languages()) {
        const QString abbreviation = info.AbbreviationText();
        SCOPED_TRACE(abbreviation.toStdString());
        EXPECT_EQ(abbreviation.size(), 3);
        for (const QChar c : abbreviation)
            EXPECT_TRUE(c >= u'A' && c <= u'Z');
        EXPECT_FALSE(abbreviations.contains(abbreviation));
        EXPECT_FALSE(ids.contains(info.LanguageId));
        abbreviations.insert(abbreviation);
        ids.insert(info.LanguageId);
        EXPECT_EQ(FindLanguage(abbreviation), &info);
        EXPECT_EQ(FindLanguageById(info.LanguageId), &info);
        EXPECT_NE(info.Locale().language(), QLocale::C);
        EXPECT_FALSE(info.EnglishDisplayName().isEmpty());
        EXPECT_FALSE(info.NativeDisplayName().isEmpty());
    }
    EXPECT_GE(abbreviations.size(), 200);
}

// Every entry that is not an alias is the one a lookup by its own locale finds, where Qt keeps the
// entry's territory.
TEST(Languages, EveryMainEntryIsFoundByItsLocale)
{
    for (const TLanguageInfo& info : Languages()) {
        const QLocale locale = info.Locale();
        if (info.Alias ||
            !QString::fromLatin1(info.LocaleName).endsWith(QLocale::territoryToCode(locale.territory())))
            continue;
        EXPECT_EQ(FindLanguageForLocale(locale), &info) << info.Abbreviation;
    }
}

TEST(Languages, LookupsThatFindNothing)
{
    EXPECT_EQ(FindLanguage(u"deu"), nullptr); // case matters
    EXPECT_EQ(FindLanguage(u"DE"), nullptr);
    EXPECT_EQ(FindLanguage(u""), nullptr);
    EXPECT_EQ(FindLanguage(u"ZZZ"), nullptr);
    EXPECT_EQ(FindLanguageById(0), nullptr);
    EXPECT_EQ(FindLanguageById(0x0009), nullptr); // a neutral language, not a locale
    EXPECT_EQ(FindLanguageForLocale(QLocale::c()), nullptr);
}

TEST(Languages, LocaleWithoutItsOwnEntryFallsBackToTheLanguagesMainEntry)
{
    EXPECT_EQ(FindLanguageForLocale(QLocale(QLocale::German, QLocale::Belgium)), FindLanguage(u"DEU"));
    EXPECT_EQ(FindLanguageForLocale(QLocale(QLocale::English, QLocale::Germany)), FindLanguage(u"ENU"));
    EXPECT_EQ(FindLanguageForLocale(QLocale(QLocale::Spanish, QLocale::Spain)), FindLanguage(u"ESN"));
    EXPECT_EQ(FindLanguageForLocale(QLocale(QLocale::Catalan, QLocale::Spain)), FindLanguage(u"CAT"));
    // The script decides between entries of one territory.
    EXPECT_EQ(FindLanguageForLocale(QLocale(QLocale::Serbian, QLocale::CyrillicScript, QLocale::Serbia)),
              FindLanguage(u"SRO"));
    EXPECT_EQ(FindLanguageForLocale(QLocale(QLocale::Serbian, QLocale::LatinScript, QLocale::Serbia)),
              FindLanguage(u"SRM"));
    EXPECT_NE(DefaultLanguage(), nullptr);
}

} // namespace
} // namespace qv
