#include "app/settings.h"

#include "core/languages.h"
#include "core/strings.h"
#include "elements/log_settings.h"
#include "elements/sounds_settings.h"
#include "fields/textor_element.h"
#include "naming/naming_settings.h"
#include "textor/sheet_settings.h"

#include <algorithm>

namespace qv {

QV_IMPLEMENT_CLASS(TGeneralSettings)
QV_IMPLEMENT_CLASS(TMiscSettings)
QV_IMPLEMENT_CLASS(TSheetFormSettings)
QV_IMPLEMENT_CLASS(TPaletteFormSettings)
QV_IMPLEMENT_CLASS(TSettings)

namespace {

const QString englishCode = QStringLiteral("ENU");

// The code of a language the program may be translated into; empty for every other language.
QString TranslatableLanguageCode(const QLocale& locale)
{
    switch (locale.language()) {
    case QLocale::Arabic:
        return QStringLiteral("ARA");
    case QLocale::Bulgarian:
        return QStringLiteral("BGR");
    case QLocale::Chinese:
        return locale.territory() == QLocale::Taiwan ? QStringLiteral("CHT") : QStringLiteral("CHS");
    case QLocale::Danish:
        return QStringLiteral("DAN");
    case QLocale::German:
        return QStringLiteral("DEU");
    case QLocale::Spanish:
        return QStringLiteral("ESP");
    case QLocale::French:
        return QStringLiteral("FRA");
    case QLocale::Italian:
        return QStringLiteral("ITA");
    case QLocale::Japanese:
        return QStringLiteral("JPN");
    case QLocale::Dutch:
        return QStringLiteral("NLD");
    case QLocale::NorwegianBokmal:
    case QLocale::NorwegianNynorsk:
        return QStringLiteral("NOR");
    case QLocale::Polish:
        return QStringLiteral("PLK");
    case QLocale::Portuguese:
        return QStringLiteral("PTB");
    case QLocale::Romanian:
        return QStringLiteral("ROM");
    case QLocale::Russian:
        return QStringLiteral("RUS");
    case QLocale::Croatian:
        return QStringLiteral("HRV");
    case QLocale::Swedish:
        return QStringLiteral("SVE");
    case QLocale::Ukrainian:
        return QStringLiteral("UKR");
    case QLocale::Slovenian:
        return QStringLiteral("SLV");
    default:
        return QString();
    }
}

} // namespace

QString DefaultLanguageCode(const QLocale& locale, const QList<int>& available)
{
    const QString code = TranslatableLanguageCode(locale);
    const TLanguageInfo* language = code.isEmpty() ? nullptr : FindLanguage(code);
    if (language != nullptr && available.contains(language->LanguageId))
        return code;
    return englishCode;
}

QList<int> AvailableLanguages()
{
    QList<int> result;
    for (int lcid : InterfaceLanguages()) {
        if (!TableStr(lcid, QV_STR(4000)).isEmpty())
            result.append(lcid);
    }
    return result;
}

QString PlatformLanguageCode()
{
    return DefaultLanguageCode(QLocale::system(), AvailableLanguages());
}

// --- Groups -------------------------------------------------------------------------------------

TGeneralSettings::TGeneralSettings(TProperty* parent, const QString& defaultLanguage)
    : TProperty(parent, QStringLiteral("General")),
      FLanguage(new TStringProperty(this, QStringLiteral("Language"), defaultLanguage)),
      FApplied(FLanguage->Value())
{}

void TGeneralSettings::ApplyLanguage()
{
    FApplied = FLanguage->Value();
    if (const TLanguageInfo* language = FindLanguage(FApplied))
        SetInterfaceLanguage(language->LanguageId);
}

bool TGeneralSettings::HandleMessage(int msg, void* param, void* data)
{
    if (msg == pmChanged && FLanguage->Value() != FApplied)
        ApplyLanguage();
    return inherited::HandleMessage(msg, param, data);
}

TMiscSettings::TMiscSettings(TProperty* parent)
    : TProperty(parent, QStringLiteral("Misc")),
      FBackupOnSave(new TBooleanProperty(this, QStringLiteral("BackupOnSave"), true)),
      FNewDocumentType(new TStringProperty(this, QStringLiteral("NewDocumentType"), QStringLiteral("frt")))
{}

TSheetFormSettings::TSheetFormSettings(TProperty* parent)
    : TProperty(parent, QStringLiteral("SheetForm")),
      FShowHints(new TBooleanProperty(this, QStringLiteral("ShowHints"), true))
{}

TPaletteFormSettings::TPaletteFormSettings(TProperty* parent)
    : TProperty(parent, QStringLiteral("PaletteForm")),
      FShowHeaders(new TBooleanProperty(this, QStringLiteral("ShowHeaders"), true)),
      FShowCaptions(new TBooleanProperty(this, QStringLiteral("ShowCaptions"), true)),
      FShowHints(new TBooleanProperty(this, QStringLiteral("ShowHints"), true))
{}

// --- TSettings ----------------------------------------------------------------------------------

TSettings::TSettings(const QString& defaultLanguage)
    : TProperty(nullptr, QString()), FGeneral(new TGeneralSettings(this, defaultLanguage)),
      FSheet(new TSheetSettings(this)), FPrint(new TPrintSettings(this)), FMisc(new TMiscSettings(this)),
      FSounds(new TSoundsSettings(this)), FNaming(new TNamingSettings(this)),
      FSheetForm(new TSheetFormSettings(this)), FPaletteForm(new TPaletteFormSettings(this)),
      FLog(new TLogSettings(this))
{}

TSettings::~TSettings()
{
    Uninstall();
    // Attached groups belong to their owners: the tree must not free them with its own.
    while (!FAttached.isEmpty())
        Detach(FAttached.last());
}

const QStringList& TSettings::GroupOrder()
{
    static const QStringList order{
        QStringLiteral("General"),
        QStringLiteral("Sheet"),
        QStringLiteral("Print"),
        QStringLiteral("Misc"),
        QStringLiteral("Sounds"),
        QStringLiteral("Naming"),
        QStringLiteral("SheetForm"),
        QStringLiteral("PaletteForm"),
        QStringLiteral("Log"),
        QStringLiteral("Generation"),
        QStringLiteral("Localization"),
        QStringLiteral("Program"),
        QStringLiteral("ProgramModuleExeGenerator"),
        QStringLiteral("ResourceResThirdPartyGenerator"),
        QStringLiteral("TextChmGenerator"),
    };
    return order;
}

void TSettings::Attach(TProperty* group, TProperty* parent)
{
    Q_ASSERT(group != nullptr && !FAttached.contains(group));
    if (parent != nullptr) {
        group->SetParent(parent);
    } else {
        const QStringList& order = GroupOrder();
        auto rank = [&order](const QString& name) {
            const qsizetype index = order.indexOf(name);
            return index < 0 ? order.size() : index;
        };
        const qsizetype place = rank(group->Name());
        TNode* before = FirstChild();
        while (before != nullptr && rank(static_cast<TProperty*>(before)->Name()) <= place)
            before = before->NextSibling();
        group->SetParent(this, before);
    }
    FAttached.append(group);
}

void TSettings::Detach(TProperty* group)
{
    if (FAttached.removeOne(group))
        group->SetParent(nullptr);
}

void TSettings::Install()
{
    SetSoundsSettings(FSounds);
    SetNamingSettings(FNaming);
    SetTextorSheetSettings(FSheet);
    FGeneral->ApplyLanguage();
    FInstalled = true;
}

void TSettings::Uninstall()
{
    if (!FInstalled)
        return;
    FInstalled = false;
    if (SoundsSettings() == FSounds)
        SetSoundsSettings(nullptr);
    if (NamingSettings() == FNaming)
        SetNamingSettings(nullptr);
    if (TextorSheetSettings() == FSheet)
        SetTextorSheetSettings(nullptr);
}

} // namespace qv
