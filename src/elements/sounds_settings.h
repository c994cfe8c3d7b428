#pragma once

#include "core/property.h"
#include "core/service_slot.h"

#include <QString>

namespace qv {

// The settings node "Sounds": whether the program plays its sounds.
class TSoundsSettings : public TProperty
{
    QV_CLASS(TSoundsSettings, TProperty)

public:
    explicit TSoundsSettings(TProperty* parent);
    // Uninstalls itself when it is the node PlaySchemeSound obeys.
    ~TSoundsSettings() override;

    TBooleanProperty* Enabled() const { return FEnabled; }

private:
    TBooleanProperty* FEnabled;
};

// Plays the program's sounds. The contract of PlaySound: the sound resource of that name is played
// asynchronously, without interrupting a sound that is already playing and without any system
// default sound; a name without a resource plays nothing. The window application installs a real
// player; until then, in batch mode and in tests, the silent one answers.
//
// User-interface thread only.
class ISoundPlayer
{
public:
    virtual ~ISoundPlayer() = default;

    virtual void PlaySound(const QString& name) = 0;
};

// The slot of the sound player; without an installed one, a silent player answers.
template <>
TServiceSlot<ISoundPlayer>& ServiceSlot<ISoundPlayer>();

// The current player; never null.
inline ISoundPlayer& SoundPlayer()
{
    return ServiceSlot<ISoundPlayer>().Get();
}

// The "Sounds" node PlaySchemeSound obeys (not owned); the application installs the one of its
// settings tree. Without one, sounds play, as the default of "Enabled" says.
TSoundsSettings* SoundsSettings();
void SetSoundsSettings(TSoundsSettings* settings);

// Plays the named sound through the current player when the sounds are enabled.
void PlaySchemeSound(const QString& name);

} // namespace qv
