#include "generation/generation_ui.h"

#include "core/user_interface.h"

#include <utility>

namespace qv {

namespace {

// Batch mode and tests: nothing is asked, nothing is deleted.
class THeadlessGenerationUi : public IGenerationUi
{
public:
    void Beep() override {}
    // Through the user interface, which in batch mode writes it as one message line.
    void Info(const QString& text) override
    {
        UserInterface().MessageBox(text, QString(), miInformation, mbOk, mbOk);
    }
    QStringList ChooseDeletions(const QStringList&) override { return QStringList(); }
    void RunStarted(const QString&) override {}
    void Progress(const QString&) override {}
    bool Cancelled() override { return false; }
    void RunFinished() override {}
};

THeadlessGenerationUi headless;
IGenerationUi* installed = nullptr;

} // namespace

IGenerationUi& GenerationUi()
{
    return installed != nullptr ? *installed : headless;
}

IGenerationUi* SetGenerationUi(IGenerationUi* ui)
{
    return std::exchange(installed, ui);
}

} // namespace qv
