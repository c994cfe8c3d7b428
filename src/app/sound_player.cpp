#include "app/sound_player.h"

#include <QAudioDevice>
#include <QFile>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

namespace qv {

namespace {

// Interface sounds stay in the background of whatever else the desktop plays.
constexpr float soundVolume = 0.6f;

} // namespace

TQtSoundPlayer::TQtSoundPlayer() = default;

TQtSoundPlayer::~TQtSoundPlayer()
{
    qDeleteAll(FEffects);
}

int TQtSoundPlayer::LoadedCount() const
{
    int count = 0;
    for (const QSoundEffect* effect : FEffects)
        count += effect != nullptr ? 1 : 0;
    return count;
}

QSoundEffect* TQtSoundPlayer::Effect(const QString& name)
{
    const auto found = FEffects.constFind(name);
    if (found != FEffects.constEnd())
        return found.value();
    const QString resource = QStringLiteral(":/sounds/") + name + QStringLiteral(".wav");
    QSoundEffect* effect = nullptr;
    if (QFile::exists(resource)) {
        effect = new QSoundEffect;
        effect->setVolume(soundVolume);
        // Loads in the background; a play() before the end of loading plays once it is loaded.
        effect->setSource(QUrl(QStringLiteral("qrc") + resource));
    }
    FEffects.insert(name, effect);
    return effect;
}

void TQtSoundPlayer::PlaySound(const QString& name)
{
    QSoundEffect* effect = Effect(name);
    if (effect == nullptr || effect->status() == QSoundEffect::Error ||
        QMediaDevices::defaultAudioOutput().isNull())
        return;
    for (const QSoundEffect* other : std::as_const(FEffects)) {
        if (other != nullptr && other->isPlaying())
            return;
    }
    effect->play();
}

} // namespace qv
