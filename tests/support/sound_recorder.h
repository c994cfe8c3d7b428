#pragma once

#include "elements/sounds_settings.h"

#include <QString>
#include <QStringList>

namespace qv {

// Records the names of the sounds played while it lives: it installs itself as the sound player and
// puts back the one before it when it goes.
class TSoundRecorder : public ISoundPlayer
{
public:
    void PlaySound(const QString& name) override { Played.append(name); }

    QStringList Played;

private:
    TScopedService<ISoundPlayer> FInstalled{this};
};

} // namespace qv
