#include "core/languages.h"

#include "core/strings.h"

#include <QHash>
#include <QStringList>

#include <vector>

namespace qv {

namespace {

// Abbreviations and identifiers are those of the Windows locale table; names are the CLDR ones, with a
// few older Windows names for entries that CLDR does not have (aliases, Sami variants).
constexpr TLanguageInfo languageTable[] = {
    {"ARA", 0x0401, "ar_SA", "Arabic (Saudi Arabia)", "العربية (المملكة العربية السعودية)", false},
    {"BGR", 0x0402, "bg_BG", "Bulgarian (Bulgaria)", "български (България)", false},
    {"CAT", 0x0403, "ca_ES", "Catalan (Spain)", "català (Espanya)", false},
    {"CHT", 0x0404, "zh_TW", "Chinese (Traditional)", "中文 (台湾)", false},
    {"CSY", 0x0405, "cs_CZ", "Czech (Czech Republic)", "čeština (Česká republika)", false},
    {"DAN", 0x0406, "da_DK", "Danish (Denmark)", "dansk (Danmark)", false},
    {"DEU", 0x0407, "de_DE", "German (Germany)", "Deutsch (Deutschland)", false},
    {"ELL", 0x0408, "el_GR", "Greek (Greece)", "Ελληνικά (Ελλάδα)", false},
    {"ENU", 0x0409, "en_US", "English (United States)", "English (United States)", false},
    {"ESP", 0x040A, "es_ES", "Spanish (Spain, Traditional Sort)",
     "español (España, alfabetización tradicional)", true},
    {"FIN", 0x040B, "fi_FI", "Finnish (Finland)", "suomi (Suomi)", false},
    {"FRA", 0x040C, "fr_FR", "French (France)", "français (France)", false},
    {"HEB", 0x040D, "he_IL", "Hebrew (Israel)", "עברית (ישראל)", false},
    {"HUN", 0x040E, "hu_HU", "Hungarian (Hungary)", "magyar (Magyarország)", false},
    {"ISL", 0x040F, "is_IS", "Icelandic (Iceland)", "íslenska (Ísland)", false},
    {"ITA", 0x0410, "it_IT", "Italian (Italy)", "italiano (Italia)", false},
    {"JPN", 0x0411, "ja_JP", "Japanese (Japan)", "日本語 (日本)", false},
    {"KOR", 0x0412, "ko_KR", "Korean (South Korea)", "한국어 (대한민국)", false},
    {"NLD", 0x0413, "nl_NL", "Dutch (Netherlands)", "Nederlands (Nederland)", false},
    {"NOR", 0x0414, "nb_NO", "Norwegian Bokmål (Norway)", "norsk bokmål (Norge)", false},
    {"PLK", 0x0415, "pl_PL", "Polish (Poland)", "polski (Polska)", false},
    {"PTB", 0x0416, "pt_BR", "Portuguese (Brazil)", "português (Brasil)", false},
    {"RMC", 0x0417, "rm_CH", "Romansh (Switzerland)", "rumantsch (Svizra)", false},
    {"ROM", 0x0418, "ro_RO", "Romanian (Romania)", "română (România)", false},
    {"RUS", 0x0419, "ru_RU", "Russian (Russia)", "русский (Россия)", false},
    {"HRV", 0x041A, "hr_HR", "Croatian (Croatia)", "hrvatski (Hrvatska)", false},
    {"SKY", 0x041B, "sk_SK", "Slovak (Slovakia)", "slovenčina (Slovensko)", false},
    {"SQI", 0x041C, "sq_AL", "Albanian (Albania)", "shqip (Shqipëri)", false},
    {"SVE", 0x041D, "sv_SE", "Swedish (Sweden)", "svenska (Sverige)", false},
    {"THA", 0x041E, "th_TH", "Thai (Thailand)", "ไทย (ไทย)", false},
    {"TRK", 0x041F, "tr_TR", "Turkish (Turkey)", "Türkçe (Türkiye)", false},
    {"URD", 0x0420, "ur_PK", "Urdu (Pakistan)", "اردو (پاکستان)", false},
    {"IND", 0x0421, "id_ID", "Indonesian (Indonesia)", "Indonesia (Indonesia)", false},
    {"UKR", 0x0422, "uk_UA", "Ukrainian (Ukraine)", "українська (Україна)", false},
    {"BEL", 0x0423, "be_BY", "Belarusian (Belarus)", "беларуская (Беларусь)", false},
    {"SLV", 0x0424, "sl_SI", "Slovenian (Slovenia)", "slovenščina (Slovenija)", false},
    {"ETI", 0x0425, "et_EE", "Estonian (Estonia)", "eesti (Eesti)", false},
    {"LVI", 0x0426, "lv_LV", "Latvian (Latvia)", "latviešu (Latvija)", false},
    {"LTH", 0x0427, "lt_LT", "Lithuanian (Lithuania)", "lietuvių (Lietuva)", false},
    {"TAJ", 0x0428, "tg_Cyrl_TJ", "Tajik (Cyrillic, Tajikistan)", "Тоҷикӣ (Тоҷикистон)", false},
    {"FAR", 0x0429, "fa_IR", "Persian (Iran)", "فارسی (ایران)", false},
    {"VIT", 0x042A, "vi_VN", "Vietnamese (Vietnam)", "Tiếng Việt (Việt Nam)", false},
    {"HYE", 0x042B, "hy_AM", "Armenian (Armenia)", "հայերեն (Հայաստան)", false},
    {"AZE", 0x042C, "az_Latn_AZ", "Azerbaijani (Latin, Azerbaijan)", "azərbaycan (Azərbaycan)", false},
    {"EUQ", 0x042D, "eu_ES", "Basque (Spain)", "euskara (Espainia)", false},
    {"HSB", 0x042E, "hsb_DE", "Upper Sorbian (Germany)", "hornjoserbšćina (Němska)", false},
    {"MKI", 0x042F, "mk_MK", "Macedonian (Macedonia)", "македонски (Македонија)", false},
    {"SOT", 0x0430, "st_ZA", "Southern Sotho (South Africa)", "Sesotho", false},
    {"TSO", 0x0431, "ts_ZA", "Tsonga (South Africa)", "Xitsonga", false},
    {"TSN", 0x0432, "tn_ZA", "Tswana (South Africa)", "Setswana", false},
    {"XHO", 0x0434, "xh_ZA", "Xhosa (South Africa)", "isiXhosa", false},
    {"ZUL", 0x0435, "zu_ZA", "Zulu (South Africa)", "isiZulu (i-South Africa)", false},
    {"AFK", 0x0436, "af_ZA", "Afrikaans (South Africa)", "Afrikaans (Suid-Afrika)", false},
    {"KAT", 0x0437, "ka_GE", "Georgian (Georgia)", "ქართული (საქართველო)", false},
    {"FOS", 0x0438, "fo_FO", "Faroese (Faroe Islands)", "føroyskt (Føroyar)", false},
    {"HIN", 0x0439, "hi_IN", "Hindi (India)", "हिन्दी (भारत)", false},
    {"MLT", 0x043A, "mt_MT", "Maltese (Malta)", "Malti (Malta)", false},
    {"SME", 0x043B, "se_NO", "Northern Sami (Norway)", "davvisámegiella (Norga)", false},
    {"MSL", 0x043E, "ms_MY", "Malay (Malaysia)", "Bahasa Melayu (Malaysia)", false},
    {"KKZ", 0x043F, "kk_KZ", "Kazakh (Kazakhstan)", "қазақ тілі (Қазақстан)", false},
    {"KYR", 0x0440, "ky_KG", "Kyrgyz (Kyrgyzstan)", "кыргызча (Кыргызстан)", false},
    {"SWK", 0x0441, "sw_KE", "Swahili (Kenya)", "Kiswahili (Kenya)", false},
    {"TUK", 0x0442, "tk_TM", "Turkmen (Turkmenistan)", "türkmençe (Türkmenistan)", false},
    {"UZB", 0x0443, "uz_Latn_UZ", "Uzbek (Latin, Uzbekistan)", "o‘zbek (Oʻzbekiston)", false},
    {"TTT", 0x0444, "tt_RU", "Tatar (Russia)", "татар (Россия)", false},
    {"BNG", 0x0445, "bn_IN", "Bangla (India)", "বাংলা (ভারত)", false},
    {"PAN", 0x0446, "pa_Guru_IN", "Punjabi (India)", "ਪੰਜਾਬੀ (ਭਾਰਤ)", false},
    {"GUJ", 0x0447, "gu_IN", "Gujarati (India)", "ગુજરાતી (ભારત)", false},
    {"ORI", 0x0448, "or_IN", "Odia (India)", "ଓଡ଼ିଆ (ଭାରତ)", false},
    {"TAI", 0x0449, "ta_IN", "Tamil (India)", "தமிழ் (இந்தியா)", false},
    {"TEL", 0x044A, "te_IN", "Telugu (India)", "తెలుగు (భారత దేశం)", false},
    {"KDI", 0x044B, "kn_IN", "Kannada (India)", "ಕನ್ನಡ (ಭಾರತ)", false},
    {"MYM", 0x044C, "ml_IN", "Malayalam (India)", "മലയാളം (ഇന്ത്യ)", false},
    {"ASM", 0x044D, "as_IN", "Assamese (India)", "অসমীয়া (ভাৰত)", false},
    {"MAR", 0x044E, "mr_IN", "Marathi (India)", "मराठी (भारत)", false},
    {"SAN", 0x044F, "sa_IN", "Sanskrit (India)", "संस्कृत भाषा (भारतः)", false},
    {"MNN", 0x0450, "mn_MN", "Mongolian (Mongolia)", "монгол (Монгол)", false},
    {"BOB", 0x0451, "bo_CN", "Tibetan (China)", "བོད་སྐད་ (རྒྱ་ནག)", false},
    {"CYM", 0x0452, "cy_GB", "Welsh (United Kingdom)", "Cymraeg (Y Deyrnas Unedig)", false},
    {"KHM", 0x0453, "km_KH", "Khmer (Cambodia)", "ខ្មែរ (កម្ពុជា)", false},
    {"LAO", 0x0454, "lo_LA", "Lao (Laos)", "ລາວ (ລາວ)", false},
    {"MYA", 0x0455, "my_MM", "Burmese (Myanmar (Burma))", "မြန်မာ (မြန်မာ)", false},
    {"GLC", 0x0456, "gl_ES", "Galician (Spain)", "galego (España)", false},
    {"KNK", 0x0457, "kok_IN", "Konkani (India)", "कोंकणी (भारत)", false},
    {"SYR", 0x045A, "syr_SY", "Syriac (Syria)", "Syriac (Syria)", false},
    {"SIN", 0x045B, "si_LK", "Sinhala (Sri Lanka)", "සිංහල (ශ්‍රී ලංකාව)",
     false},
    {"CRE", 0x045C, "chr_Cher_US", "Cherokee (Cherokee, United States)", "ᏣᎳᎩ (ᏌᏊ ᎢᏳᎾᎵᏍᏔᏅ ᏍᎦᏚᎩ)", false},
    {"IUS", 0x045D, "iu_Cans_CA", "Inuktitut (Syllabics, Canada)", "Inuktitut (Syllabics, Canada)", false},
    {"AMH", 0x045E, "am_ET", "Amharic (Ethiopia)", "አማርኛ (ኢትዮጵያ)", false},
    {"NEP", 0x0461, "ne_NP", "Nepali (Nepal)", "नेपाली (नेपाल)", false},
    {"FYN", 0x0462, "fy_NL", "Western Frisian (Netherlands)", "West-Frysk (Nederlân)", false},
    {"PAS", 0x0463, "ps_AF", "Pashto (Afghanistan)", "پښتو (افغانستان)", false},
    {"FPO", 0x0464, "fil_PH", "Filipino (Philippines)", "Filipino (Pilipinas)", false},
    {"DIV", 0x0465, "dv_MV", "Divehi (Maldives)", "Divehi (Maldives)", false},
    {"HAU", 0x0468, "ha_Latn_NG", "Hausa (Latin, Nigeria)", "Hausa (Najeriya)", false},
    {"YOR", 0x046A, "yo_NG", "Yoruba (Nigeria)", "Èdè Yorùbá (Orílẹ́ède Nàìjíríà)", false},
    {"QUB", 0x046B, "qu_BO", "Quechua (Bolivia)", "Runasimi (Bolivia)", false},
    {"NSO", 0x046C, "nso_ZA", "Northern Sotho (South Africa)", "Sesotho sa Leboa", false},
    {"BAS", 0x046D, "ba_RU", "Bashkir (Russia)", "Bashkir (Russia)", false},
    {"LBX", 0x046E, "lb_LU", "Luxembourgish (Luxembourg)", "Lëtzebuergesch (Lëtzebuerg)", false},
    {"KAL", 0x046F, "kl_GL", "Kalaallisut (Greenland)", "kalaallisut (Kalaallit Nunaat)", false},
    {"IBO", 0x0470, "ig_NG", "Igbo (Nigeria)", "Igbo (Nigeria)", false},
    {"ORM", 0x0472, "om_ET", "Oromo (Ethiopia)", "Oromoo (Itoophiyaa)", false},
    {"TIE", 0x0473, "ti_ET", "Tigrinya (Ethiopia)", "ትግርኛ (ኢትዮጵያ)", false},
    {"GRN", 0x0474, "gn_PY", "Guarani (Paraguay)", "Guarani (Paraguay)", false},
    {"HAW", 0x0475, "haw_US", "Hawaiian (United States)", "ʻŌlelo Hawaiʻi (ʻAmelika Hui Pū ʻIa)", false},
    {"SOM", 0x0477, "so_SO", "Somali (Somalia)", "Soomaali (Soomaaliya)", false},
    {"III", 0x0478, "ii_CN", "Sichuan Yi (China)", "ꆈꌠꉙ (ꍏꇩ)", false},
    {"MPD", 0x047A, "arn_CL", "Mapudungun (Chile)", "Mapudungun (Chile)", false},
    {"MWK", 0x047C, "moh_CA", "Mohawk (Canada)", "Mohawk (Canada)", false},
    {"BRE", 0x047E, "br_FR", "Breton (France)", "brezhoneg (Frañs)", false},
    {"UIG", 0x0480, "ug_CN", "Uyghur (China)", "ئۇيغۇرچە (جۇڭگو)", false},
    {"MRI", 0x0481, "mi_NZ", "Maori (New Zealand)", "te reo Māori (Aotearoa)", false},
    {"OCI", 0x0482, "oc_FR", "Occitan (France)", "Occitan (France)", false},
    {"COS", 0x0483, "co_FR", "Corsican (France)", "Corsican (France)", false},
    {"GSW", 0x0484, "gsw_FR", "Swiss German (France)", "Schwiizertüütsch (Frankriich)", false},
    {"SAH", 0x0485, "sah_RU", "Sakha (Russia)", "саха тыла (Арассыыйа)", false},
    {"KIN", 0x0487, "rw_RW", "Kinyarwanda (Rwanda)", "Kinyarwanda (Rwanda)", false},
    {"WOL", 0x0488, "wo_SN", "Wolof (Senegal)", "Wolof (Senegaal)", false},
    {"PRS", 0x048C, "fa_AF", "Dari (Afghanistan)", "دری (افغانستان)", false},
    {"GLA", 0x0491, "gd_GB", "Scottish Gaelic (United Kingdom)", "Gàidhlig (An Rìoghachd Aonaichte)", false},
    {"KUR", 0x0492, "ckb_IQ", "Central Kurdish (Iraq)", "کوردیی ناوەندی (عێراق)", false},
    {"ARI", 0x0801, "ar_IQ", "Arabic (Iraq)", "العربية (العراق)", false},
    {"VAL", 0x0803, "ca_ES", "Valencian (Spain)", "valencià (Espanya)", true},
    {"CHS", 0x0804, "zh_CN", "Chinese (Simplified)", "中文 (中国)", false},
    {"DES", 0x0807, "de_CH", "German (Switzerland)", "Deutsch (Schweiz)", false},
    {"ENG", 0x0809, "en_GB", "English (United Kingdom)", "English (United Kingdom)", false},
    {"ESM", 0x080A, "es_MX", "Spanish (Mexico)", "español (México)", false},
    {"FRB", 0x080C, "fr_BE", "French (Belgium)", "français (Belgique)", false},
    {"ITS", 0x0810, "it_CH", "Italian (Switzerland)", "italiano (Svizzera)", false},
    {"NLB", 0x0813, "nl_BE", "Dutch (Belgium)", "Nederlands (België)", false},
    {"NON", 0x0814, "nn_NO", "Norwegian Nynorsk (Norway)", "nynorsk (Noreg)", false},
    {"PTG", 0x0816, "pt_PT", "Portuguese (Portugal)", "português (Portugal)", false},
    {"ROD", 0x0818, "ro_MD", "Romanian (Moldova)", "română (Republica Moldova)", false},
    {"RUM", 0x0819, "ru_MD", "Russian (Moldova)", "русский (Молдова)", false},
    {"SRL", 0x081A, "sr_Latn_RS", "Serbian (Latin, Serbia and Montenegro (Former))", "srpski (Srbija)", true},
    {"SVF", 0x081D, "sv_FI", "Swedish (Finland)", "svenska (Finland)", false},
    {"URI", 0x0820, "ur_IN", "Urdu (India)", "اردو (بھارت)", false},
    {"AZC", 0x082C, "az_Cyrl_AZ", "Azerbaijani (Cyrillic, Azerbaijan)", "azərbaycan (Azərbaycan)", false},
    {"DSB", 0x082E, "dsb_DE", "Lower Sorbian (Germany)", "dolnoserbšćina (Nimska)", false},
    {"TSB", 0x0832, "tn_BW", "Tswana (Botswana)", "Setswana", false},
    {"SMF", 0x083B, "se_SE", "Northern Sami (Sweden)", "davvisámegiella (Ruoŧŧa)", false},
    {"IRE", 0x083C, "ga_IE", "Irish (Ireland)", "Gaeilge (Éire)", false},
    {"MSB", 0x083E, "ms_BN", "Malay (Brunei)", "Bahasa Melayu (Brunei)", false},
    {"UZC", 0x0843, "uz_Cyrl_UZ", "Uzbek (Cyrillic, Uzbekistan)", "o‘zbek (Oʻzbekiston)", false},
    {"BNB", 0x0845, "bn_BD", "Bangla (Bangladesh)", "বাংলা (বাংলাদেশ)", false},
    {"PAP", 0x0846, "pa_Arab_PK", "Punjabi (Arabic, Pakistan)", "ਪੰਜਾਬੀ (ਪਾਕਿਸਤਾਨ)", false},
    {"TAM", 0x0849, "ta_LK", "Tamil (Sri Lanka)", "தமிழ் (இலங்கை)", false},
    {"SIP", 0x0859, "sd_Arab_PK", "Sindhi (Pakistan)", "سنڌي (پاڪستان)", false},
    {"IUK", 0x085D, "iu_Latn_CA", "Inuktitut (Latin, Canada)", "Inuktitut (Latin, Canada)", false},
    {"TZA", 0x085F, "tzm_Latn_DZ", "Central Atlas Tamazight (Latin, Algeria)", "Tamaziɣt n laṭlaṣ", false},
    {"NEI", 0x0861, "ne_IN", "Nepali (India)", "नेपाली (भारत)", false},
    {"FUL", 0x0867, "ff_Latn_SN", "Fulah (Latin, Senegal)", "Pulaar (Senegaal)", false},
    {"QUE", 0x086B, "qu_EC", "Quichua (Ecuador)", "Runasimi (Ecuador)", false},
    {"TIR", 0x0873, "ti_ER", "Tigrinya (Eritrea)", "ትግርኛ (ኤርትራ)", false},
    {"ARE", 0x0C01, "ar_EG", "Arabic (Egypt)", "العربية (مصر)", false},
    {"ZHH", 0x0C04, "zh_HK", "Chinese (Traditional, Hong Kong SAR China)", "中文 (中国香港特别行政区)",
     false},
    {"DEA", 0x0C07, "de_AT", "German (Austria)", "Deutsch (Österreich)", false},
    {"ENA", 0x0C09, "en_AU", "English (Australia)", "English (Australia)", false},
    {"ESN", 0x0C0A, "es_ES", "Spanish (Spain)", "español (España)", false},
    {"FRC", 0x0C0C, "fr_CA", "French (Canada)", "français (Canada)", false},
    {"SRB", 0x0C1A, "sr_Cyrl_RS", "Serbian (Cyrillic, Serbia and Montenegro (Former))", "српски (Србија)",
     true},
    {"SMG", 0x0C3B, "se_FI", "Northern Sami (Finland)", "davvisámegiella (Suopma)", false},
    {"MNM", 0x0C50, "mn_Mong_MN", "Mongolian (Traditional Mongolian, Mongolia)",
     "Mongolian (Traditional Mongolian, Mongolia)", false},
    {"QUP", 0x0C6B, "qu_PE", "Quechua (Peru)", "Runasimi (Perú)", false},
    {"ARL", 0x1001, "ar_LY", "Arabic (Libya)", "العربية (ليبيا)", false},
    {"ZHI", 0x1004, "zh_SG", "Chinese (Simplified, Singapore)", "中文 (新加坡)", false},
    {"DEL", 0x1007, "de_LU", "German (Luxembourg)", "Deutsch (Luxemburg)", false},
    {"ENC", 0x1009, "en_CA", "English (Canada)", "English (Canada)", false},
    {"ESG", 0x100A, "es_GT", "Spanish (Guatemala)", "español (Guatemala)", false},
    {"FRS", 0x100C, "fr_CH", "French (Switzerland)", "français (Suisse)", false},
    {"HRB", 0x101A, "hr_BA", "Croatian (Bosnia & Herzegovina)", "hrvatski (Bosna i Hercegovina)", false},
    {"SMJ", 0x103B, "smj_NO", "Sami, Lule (Norway)", "Sami, Lule (Norway)", false},
    {"ARG", 0x1401, "ar_DZ", "Arabic (Algeria)", "العربية (الجزائر)", false},
    {"ZHM", 0x1404, "zh_MO", "Chinese (Traditional, Macau SAR China)", "中文 (中国澳门特别行政区)", false},
    {"DEC", 0x1407, "de_LI", "German (Liechtenstein)", "Deutsch (Liechtenstein)", false},
    {"ENZ", 0x1409, "en_NZ", "English (New Zealand)", "English (New Zealand)", false},
    {"ESC", 0x140A, "es_CR", "Spanish (Costa Rica)", "español (Costa Rica)", false},
    {"FRL", 0x140C, "fr_LU", "French (Luxembourg)", "français (Luxembourg)", false},
    {"BSB", 0x141A, "bs_Latn_BA", "Bosnian (Latin, Bosnia & Herzegovina)", "bosanski (Bosna i Hercegovina)",
     false},
    {"SMK", 0x143B, "smj_SE", "Sami, Lule (Sweden)", "Sami, Lule (Sweden)", false},
    {"ARM", 0x1801, "ar_MA", "Arabic (Morocco)", "العربية (المغرب)", false},
    {"ENI", 0x1809, "en_IE", "English (Ireland)", "English (Ireland)", false},
    {"ESA", 0x180A, "es_PA", "Spanish (Panama)", "español (Panamá)", false},
    {"FRM", 0x180C, "fr_MC", "French (Monaco)", "français (Monaco)", false},
    {"SRS", 0x181A, "sr_Latn_BA", "Serbian (Latin, Bosnia & Herzegovina)", "српски (Босна и Херцеговина)",
     false},
    {"SMA", 0x183B, "sma_NO", "Sami, Southern (Norway)", "Sami, Southern (Norway)", false},
    {"ART", 0x1C01, "ar_TN", "Arabic (Tunisia)", "العربية (تونس)", false},
    {"ENS", 0x1C09, "en_ZA", "English (South Africa)", "English (South Africa)", false},
    {"ESD", 0x1C0A, "es_DO", "Spanish (Dominican Republic)", "español (República Dominicana)", false},
    {"SRN", 0x1C1A, "sr_Cyrl_BA", "Serbian (Cyrillic, Bosnia & Herzegovina)", "српски (Босна и Херцеговина)",
     false},
    {"SMB", 0x1C3B, "sma_SE", "Sami, Southern (Sweden)", "Sami, Southern (Sweden)", false},
    {"ARO", 0x2001, "ar_OM", "Arabic (Oman)", "العربية (عُمان)", false},
    {"ENJ", 0x2009, "en_JM", "English (Jamaica)", "English (Jamaica)", false},
    {"ESV", 0x200A, "es_VE", "Spanish (Venezuela)", "español (Venezuela)", false},
    {"FRR", 0x200C, "fr_RE", "French (Réunion)", "français (La Réunion)", false},
    {"BSC", 0x201A, "bs_Cyrl_BA", "Bosnian (Cyrillic, Bosnia & Herzegovina)",
     "bosanski (Bosna i Hercegovina)", false},
    {"SMS", 0x203B, "sms_FI", "Sami, Skolt (Finland)", "Sami, Skolt (Finland)", false},
    {"ARY", 0x2401, "ar_YE", "Arabic (Yemen)", "العربية (اليمن)", false},
    {"ESO", 0x240A, "es_CO", "Spanish (Colombia)", "español (Colombia)", false},
    {"FRD", 0x240C, "fr_CD", "French (Congo - Kinshasa)", "français (Congo-Kinshasa)", false},
    {"SRM", 0x241A, "sr_Latn_RS", "Serbian (Latin, Serbia)", "српски (Србија)", false},
    {"SMN", 0x243B, "smn_FI", "Inari Sami (Finland)", "anarâškielâ (Suomâ)", false},
    {"ARS", 0x2801, "ar_SY", "Arabic (Syria)", "العربية (سوريا)", false},
    {"ENL", 0x2809, "en_BZ", "English (Belize)", "English (Belize)", false},
    {"ESR", 0x280A, "es_PE", "Spanish (Peru)", "español (Perú)", false},
    {"FRN", 0x280C, "fr_SN", "French (Senegal)", "français (Sénégal)", false},
    {"SRO", 0x281A, "sr_Cyrl_RS", "Serbian (Cyrillic, Serbia)", "српски (Србија)", false},
    {"ARJ", 0x2C01, "ar_JO", "Arabic (Jordan)", "العربية (الأردن)", false},
    {"ENT", 0x2C09, "en_TT", "English (Trinidad & Tobago)", "English (Trinidad & Tobago)", false},
    {"ESS", 0x2C0A, "es_AR", "Spanish (Argentina)", "español (Argentina)", false},
    {"FRE", 0x2C0C, "fr_CM", "French (Cameroon)", "français (Cameroun)", false},
    {"SRP", 0x2C1A, "sr_Latn_ME", "Serbian (Latin, Montenegro)", "српски (Црна Гора)", false},
    {"ARB", 0x3001, "ar_LB", "Arabic (Lebanon)", "العربية (لبنان)", false},
    {"ENW", 0x3009, "en_ZW", "English (Zimbabwe)", "English (Zimbabwe)", false},
    {"ESF", 0x300A, "es_EC", "Spanish (Ecuador)", "español (Ecuador)", false},
    {"FRI", 0x300C, "fr_CI", "French (Côte d’Ivoire)", "français (Côte d’Ivoire)", false},
    {"SRQ", 0x301A, "sr_Cyrl_ME", "Serbian (Cyrillic, Montenegro)", "српски (Црна Гора)", false},
    {"ARK", 0x3401, "ar_KW", "Arabic (Kuwait)", "العربية (الكويت)", false},
    {"ENP", 0x3409, "en_PH", "English (Philippines)", "English (Philippines)", false},
    {"ESL", 0x340A, "es_CL", "Spanish (Chile)", "español (Chile)", false},
    {"FRF", 0x340C, "fr_ML", "French (Mali)", "français (Mali)", false},
    {"ARU", 0x3801, "ar_AE", "Arabic (United Arab Emirates)", "العربية (الإمارات العربية المتحدة)", false},
    {"ESY", 0x380A, "es_UY", "Spanish (Uruguay)", "español (Uruguay)", false},
    {"FRO", 0x380C, "fr_MA", "French (Morocco)", "français (Maroc)", false},
    {"ARH", 0x3C01, "ar_BH", "Arabic (Bahrain)", "العربية (البحرين)", false},
    {"ENH", 0x3C09, "en_HK", "English (Hong Kong SAR China)", "English (Hong Kong SAR China)", false},
    {"ESZ", 0x3C0A, "es_PY", "Spanish (Paraguay)", "español (Paraguay)", false},
    {"FRH", 0x3C0C, "fr_HT", "French (Haiti)", "français (Haïti)", false},
    {"ARQ", 0x4001, "ar_QA", "Arabic (Qatar)", "العربية (قطر)", false},
    {"ENN", 0x4009, "en_IN", "English (India)", "English (India)", false},
    {"ESB", 0x400A, "es_BO", "Spanish (Bolivia)", "español (Bolivia)", false},
    {"ENM", 0x4409, "en_MY", "English (Malaysia)", "English (Malaysia)", false},
    {"ESE", 0x440A, "es_SV", "Spanish (El Salvador)", "español (El Salvador)", false},
    {"ENE", 0x4809, "en_SG", "English (Singapore)", "English (Singapore)", false},
    {"ESH", 0x480A, "es_HN", "Spanish (Honduras)", "español (Honduras)", false},
    {"ESI", 0x4C0A, "es_NI", "Spanish (Nicaragua)", "español (Nicaragua)", false},
    {"ESU", 0x500A, "es_PR", "Spanish (Puerto Rico)", "español (Puerto Rico)", false},
    {"EST", 0x540A, "es_US", "Spanish (United States)", "español (Estados Unidos)", false},
    {"ESK", 0x5C0A, "es_CU", "Spanish (Cuba)", "español (Cuba)", false},
};

// The language, script and territory an entry names, parsed from its locale name.
struct TLocaleCodes
{
    QLocale::Language Language = QLocale::AnyLanguage;
    QLocale::Script Script = QLocale::AnyScript;
    QLocale::Territory Territory = QLocale::AnyTerritory;
};

TLocaleCodes ParseLocaleName(const char* name)
{
    TLocaleCodes codes;
    const QStringList parts = QString::fromLatin1(name).split(u'_');
    codes.Language = QLocale::codeToLanguage(parts.value(0));
    for (qsizetype i = 1; i < parts.size(); ++i) {
        if (parts[i].size() == 4)
            codes.Script = QLocale::codeToScript(parts[i]);
        else
            codes.Territory = QLocale::codeToTerritory(parts[i]);
    }
    return codes;
}

struct TLanguageIndex
{
    QHash<QString, const TLanguageInfo*> ByAbbreviation;
    QHash<uint16_t, const TLanguageInfo*> ById;
    std::vector<TLocaleCodes> Codes; // parallel to languageTable

    TLanguageIndex()
    {
        for (const TLanguageInfo& info : languageTable) {
            Codes.push_back(ParseLocaleName(info.LocaleName));
            ByAbbreviation.insert(info.AbbreviationText(), &info);
            ById.insert(info.LanguageId, &info);
        }
    }
};

const TLanguageIndex& Index()
{
    static const TLanguageIndex index;
    return index;
}

} // namespace

std::span<const TLanguageInfo> Languages()
{
    return languageTable;
}

const TLanguageInfo* FindLanguage(QStringView abbreviation)
{
    return Index().ByAbbreviation.value(abbreviation.toString(), nullptr);
}

const TLanguageInfo* FindLanguageById(uint16_t languageId)
{
    return Index().ById.value(languageId, nullptr);
}

const TLanguageInfo* FindLanguageForLocale(const QLocale& locale)
{
    const TLanguageIndex& index = Index();
    const TLanguageInfo* sameLanguage = nullptr;
    for (size_t i = 0; i < std::size(languageTable); ++i) {
        const TLanguageInfo& info = languageTable[i];
        const TLocaleCodes& codes = index.Codes[i];
        if (info.Alias)
            continue;
        if (codes.Language != locale.language())
            continue;
        if (codes.Script != QLocale::AnyScript && codes.Script != locale.script())
            continue;
        if (codes.Territory == locale.territory())
            return &info;
        if (sameLanguage == nullptr)
            sameLanguage = &info;
    }
    return sameLanguage;
}

const TLanguageInfo* DefaultLanguage()
{
    if (const TLanguageInfo* info = FindLanguageForLocale(QLocale::system()))
        return info;
    return FindLanguageById(lcidEnglish);
}

} // namespace qv
