#include "app/palette_letters.h"

namespace qv {

void TPaletteLetters::Assign(const QStringList& ownLetters)
{
    FLetters.clear();
    int number = 0;
    for (const QString& letters : ownLetters)
        FLetters.append(letters.isEmpty() ? QString::number(++number) : letters);
    Cancel();
}

void TPaletteLetters::CtrlPressed()
{
    if (FState == stIdle)
        FState = stWaiting;
}

void TPaletteLetters::DelayElapsed()
{
    if (FState == stWaiting) {
        FState = stShown;
        FTyped.clear();
    }
}

void TPaletteLetters::Cancel()
{
    FState = stIdle;
    FTyped.clear();
}

bool TPaletteLetters::IsCandidate(int index) const
{
    return index >= 0 && index < FLetters.size() && FLetters[index].startsWith(FTyped, Qt::CaseInsensitive);
}

int TPaletteLetters::Type(const QString& text)
{
    if (FState != stShown || text.isEmpty())
        return -1;
    const QString typed = FTyped + text;
    int found = -1;
    int count = 0;
    for (int i = 0; i < FLetters.size(); ++i) {
        if (FLetters[i].startsWith(typed, Qt::CaseInsensitive)) {
            found = i;
            ++count;
        }
    }
    if (count == 0)
        return -1;
    if (count == 1) {
        Cancel();
        return found;
    }
    FTyped = typed;
    return -1;
}

int TPaletteLetters::Released()
{
    int found = -1;
    for (int i = 0; FState == stShown && !FTyped.isEmpty() && i < FLetters.size() && found < 0; ++i) {
        if (FLetters[i].compare(FTyped, Qt::CaseInsensitive) == 0)
            found = i;
    }
    Cancel();
    return found;
}

QString TPaletteLetters::Display(const QString& letters)
{
    return letters == QStringLiteral(" ") ? QStringLiteral("Space") : letters;
}

} // namespace qv
