#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace qv {

// The keyboard letters of the palette's buttons and what typing them with Ctrl held does. It knows no
// widget and no clock: the window calls DelayElapsed when Ctrl has been held alone for ShowDelay
// milliseconds and executes the button Type returns.
class TPaletteLetters
{
public:
    static constexpr int ShowDelay = 550; // milliseconds

    // The letters of the buttons in the order they were built: each button's own letters, or, when
    // they are empty, the next number ("1", "2", …). Cancels whatever was going on.
    void Assign(const QStringList& ownLetters);
    const QStringList& Letters() const { return FLetters; }

    // Ctrl went down with no other modifier: the window starts the delay.
    void CtrlPressed();
    // The delay ran out while Ctrl was still held alone: the letters are shown.
    void DelayElapsed();
    // Ctrl went up, or Shift, Alt or an arrow key came: back to idle.
    void Cancel();

    bool Waiting() const { return FState == stWaiting; }
    bool Shown() const { return FState == stShown; }
    const QString& Typed() const { return FTyped; }
    // Whether the button's letters are still shown: they begin with what was typed.
    bool IsCandidate(int index) const;

    // A letter typed while the letters are shown. Returns the button to execute when exactly one
    // remains (and goes back to idle), else -1. Text that begins no button's letters is ignored.
    // Returns -1 and does nothing when the letters are not shown.
    int Type(const QString& text);
    // Whether Type would take a key now.
    bool Accepting() const { return FState == stShown; }
    // Ctrl went up: the button whose letters are exactly what was typed, though they begin other
    // buttons' letters too ("1" beside "10"), else -1. Back to idle either way.
    int Released();

    // " " is shown as "Space".
    static QString Display(const QString& letters);

private:
    enum TState
    {
        stIdle,
        stWaiting,
        stShown
    };

    QStringList FLetters;
    TState FState = stIdle;
    QString FTyped;
};

} // namespace qv
