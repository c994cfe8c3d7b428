#pragma once

#include "elements/sounds_settings.h"

#include <QHash>
#include <QString>

class QSoundEffect;

namespace qv {

// The window application's sound player: the resources ":/sounds/<name>.wav" through QSoundEffect.
// Each sound is loaded the first time it is asked for and kept; playing is asynchronous. A sound is
// dropped while any other is still playing, and a name without a resource, or a desktop without an
// audio output, plays nothing. Needs a QGuiApplication; user-interface thread only.
class TQtSoundPlayer : public ISoundPlayer
{
public:
    TQtSoundPlayer();
    ~TQtSoundPlayer() override;
    TQtSoundPlayer(const TQtSoundPlayer&) = delete;
    TQtSoundPlayer& operator=(const TQtSoundPlayer&) = delete;

    void PlaySound(const QString& name) override;

    // How many sounds were loaded so far (each once).
    int LoadedCount() const;

private:
    // The effect of `name`, loaded on first use; null when there is no such resource.
    QSoundEffect* Effect(const QString& name);

    // Missing resources are remembered as null.
    QHash<QString, QSoundEffect*> FEffects;
};

} // namespace qv
