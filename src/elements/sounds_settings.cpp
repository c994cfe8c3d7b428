#include "elements/sounds_settings.h"

namespace qv {

QV_IMPLEMENT_CLASS(TSoundsSettings)

namespace {

class TSilentSoundPlayer : public ISoundPlayer
{
public:
    void PlaySound(const QString&) override {}
};

ISoundPlayer& SilentSoundPlayer()
{
    static TSilentSoundPlayer player;
    return player;
}

TSoundsSettings* currentSettings = nullptr;

} // namespace

TSoundsSettings::TSoundsSettings(TProperty* parent)
    : TProperty(parent, QStringLiteral("Sounds")),
      FEnabled(new TBooleanProperty(this, QStringLiteral("Enabled"), true))
{}

TSoundsSettings::~TSoundsSettings()
{
    if (currentSettings == this)
        currentSettings = nullptr;
}

template <>
TServiceSlot<ISoundPlayer>& ServiceSlot<ISoundPlayer>()
{
    static constinit TServiceSlot<ISoundPlayer> slot(&SilentSoundPlayer);
    return slot;
}

TSoundsSettings* SoundsSettings()
{
    return currentSettings;
}

void SetSoundsSettings(TSoundsSettings* settings)
{
    currentSettings = settings;
}

void PlaySchemeSound(const QString& name)
{
    if (currentSettings != nullptr && !currentSettings->Enabled()->Value())
        return;
    SoundPlayer().PlaySound(name);
}

} // namespace qv
