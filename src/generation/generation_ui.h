#pragma once

#include <QString>
#include <QStringList>

namespace qv {

// What a generation run asks of the user. The window installs one that shows dialogs; batch mode and
// tests install one that answers without asking. Called on the user-interface thread only.
class IGenerationUi
{
public:
    virtual ~IGenerationUi() = default;

    virtual void Beep() = 0;
    // An information box ("There are no processors…").
    virtual void Info(const QString& text) = 0;
    // The obsolete files and folders of the last run ("Deleting Folders and Files"): returns the
    // entries the user checked, or nothing for "Do not Delete". Headless: nothing.
    virtual QStringList ChooseDeletions(const QStringList& candidates) = 0;
    // A run starts and ends (wait cursor; progress shown when it takes longer than a moment). While
    // a run goes on, Cancelled reports whether the user asked to stop it.
    virtual void RunStarted(const QString& caption) = 0;
    virtual void Progress(const QString& step) = 0;
    virtual bool Cancelled() = 0;
    virtual void RunFinished() = 0;
};

// The installed interface; never null (without an installed one, a silent headless one answers).
IGenerationUi& GenerationUi();
// Installs `ui` (null restores the headless one) and returns the previous one.
IGenerationUi* SetGenerationUi(IGenerationUi* ui);

} // namespace qv
