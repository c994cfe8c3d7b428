#include "naming/naming_settings.h"

#include "core/strings.h"

#include <QLocale>
#include <QSet>

#include <limits>

namespace qv {

QV_IMPLEMENT_CLASS(TNamingSettings)

namespace {

TNamingSettings* installedSettings = nullptr;

TNamingSettings& BuiltInSettings()
{
    static TNamingSettings settings(nullptr);
    return settings;
}

// "_" before every word: an upper-case letter after a character that is not upper case, or the last
// upper-case letter of a run that is followed by more of the word ("ABCDef" → "ABC_Def").
QString SeparateWords(QString text)
{
    for (qsizetype i = text.size() - 1; i >= 1; --i) {
        if (!text.at(i).isUpper())
            continue;
        const bool previousUpper = text.at(i - 1).isUpper();
        bool separate = !previousUpper;
        if (previousUpper && i + 1 < text.size()) {
            const QChar next = text.at(i + 1);
            separate = !next.isUpper() && next != u'_';
        }
        if (separate)
            text.insert(i, u'_');
    }
    return text;
}

} // namespace

TNamingSettings::TNamingSettings(TProperty* parent)
    : TProperty(parent, QStringLiteral("Naming")),
      FFillEnabled(new TBooleanProperty(this, QStringLiteral("FillEnabled"), true)),
      FFillMode(new TEnumProperty(
          this, QStringLiteral("FillMode"),
          {QString(), QStringLiteral("Upper"), QStringLiteral("Lower"), QStringLiteral("Extra")})),
      FFillNumberFirst(new TBooleanProperty(this, QStringLiteral("FillNumberFirst"), true)),
      FFillUnderscore(new TBooleanProperty(this, QStringLiteral("FillUnderscore"), false)),
      FFillDigits(new TIntegerProperty(this, QStringLiteral("FillDigits"), 1, 1, 12))
{}

TNamingSettings::~TNamingSettings()
{
    if (installedSettings == this)
        installedSettings = nullptr;
}

QString TNamingSettings::GenerateName(const QString& baseName, bool numberFirst,
                                      const QStringList& takenNames) const
{
    const bool underscore = FFillUnderscore->Value();
    QString text = underscore ? SeparateWords(baseName) : baseName;
    switch (FFillMode->Value()) {
    case nfmUpper:
        text = QLocale().toUpper(text);
        break;
    case nfmLower:
        text = QLocale().toLower(text);
        break;
    case nfmExtra:
        if (!text.isEmpty() && !(text.size() > 1 && text.at(1).isUpper()))
            text = QLocale().toLower(text.left(1)) + text.mid(1);
        break;
    default:
        break;
    }

    const QSet<QString> taken(takenNames.cbegin(), takenNames.cend());
    const int digits = qBound(1, FFillDigits->Value(), 12);
    const QString numbered = underscore && !text.isEmpty() ? text + u'_' : text;
    for (int number = 1;; ++number) {
        const QString candidate = number == 1 && !numberFirst
                                      ? text
                                      : numbered + QString::number(number).rightJustified(digits, u'0');
        if (!taken.contains(candidate))
            return candidate;
        if (number == std::numeric_limits<int>::max())
            return QString();
    }
}

QStringList TNamingSettings::ExampleNames() const
{
    QStringList taken;
    for (int i = 0; i < 4; ++i)
        taken.append(GenerateName(QStringLiteral("NewElementName"), FFillNumberFirst->Value(), taken));
    return taken;
}

QStringList TNamingSettings::FillModeCaptions()
{
    return LoadStr(4195).split(QStringLiteral("\r\n"));
}

TNamingSettings* NamingSettings()
{
    return installedSettings != nullptr ? installedSettings : &BuiltInSettings();
}

void SetNamingSettings(TNamingSettings* settings)
{
    installedSettings = settings;
}

} // namespace qv
