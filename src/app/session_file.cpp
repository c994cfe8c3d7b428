#include "app/session_file.h"

#include "app/command_line.h"
#include "core/app_folders.h"
#include "core/errors.h"
#include "core/settings_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace qv {

TSessionFile::TSessionFile(const QString& extension, TCommandLine* commandLine)
    : FExtension(extension), FCommandLine(commandLine)
{
    Knot.SetOptions(settingsKnotOptions);
}

void TSessionFile::Load()
{
    QString overrideName;
    if (FCommandLine != nullptr && FCommandLine->FindFile(QStringLiteral("*.") + FExtension, overrideName))
        FileName = QFileInfo(overrideName).absoluteFilePath();
    Knot.Clear();
    Knot.SetOptions(settingsKnotOptions);
    if (FileName.isEmpty() || !QFileInfo::exists(FileName)) {
        LoadState = lsMissing;
        return;
    }
    try {
        Knot.LoadFromFile(FileName);
        LoadState = Knot.Corrupt() ? lsFailed : lsLoaded;
    } catch (const EQvError&) {
        Knot.Clear();
        LoadState = lsFailed;
    }
}

bool TSessionFile::Save()
{
    if (FileName.isEmpty())
        return false;
    Knot.SetName(QFileInfo(FileName).completeBaseName());
    try {
        Knot.SaveToFile(FileName, keAnsi);
        return true;
    } catch (const EQvError&) {
        return false;
    }
}

QString SessionFolder()
{
    const QString folder = AppFolder(afUserConfig);
    if (QDir().mkpath(folder))
        return folder;
    return AppFolder(afProgram);
}

QString SessionBaseName()
{
    const QString program = QCoreApplication::applicationFilePath();
    const QString name = program.isEmpty() ? QString() : QFileInfo(program).completeBaseName();
    return name.isEmpty() ? QStringLiteral("quorvane") : name;
}

namespace {

TKnot* PlaceKnot(const QWidget& window, TKnot& sessionKnot, const QString& knotPath, bool create)
{
    TKnot* parent = knotPath.isEmpty() ? &sessionKnot : sessionKnot.KnotByPath(knotPath, create);
    if (parent == nullptr)
        return nullptr;
    const QString name = window.objectName().isEmpty() ? QStringLiteral("Window") : window.objectName();
    return create ? parent->GetKnot(name) : parent->FindKnot(name);
}

QRect Desktop(const QWidget& window)
{
    const QScreen* screen = window.screen() != nullptr ? window.screen() : QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableVirtualGeometry() : QRect(0, 0, 1024, 768);
}

} // namespace

void StoreFormPlace(const QWidget& window, TKnot& sessionKnot, const QString& knotPath)
{
    TKnot* knot = PlaceKnot(window, sessionKnot, knotPath, true);
    TFormPlacement place;
    place.Maximized = window.isMaximized();
    // The normal geometry is what the window returns to; a maximized window keeps it for later.
    const QRect frame = window.isMaximized() ? window.normalGeometry() : window.geometry();
    const QRect desktop = Desktop(window);
    place.Left = frame.left() - desktop.left();
    place.Top = frame.top() - desktop.top();
    place.Width = frame.width();
    place.Height = frame.height();
    knot->WriteFormPlace(place);
}

bool RestoreFormPlace(QWidget& window, TKnot& sessionKnot, const QString& knotPath)
{
    TKnot* knot = PlaceKnot(window, sessionKnot, knotPath, false);
    if (knot == nullptr)
        return false;
    const QRect desktop = Desktop(window);
    const QRect present = window.geometry();
    TFormPlacement place;
    place.Left = present.left() - desktop.left();
    place.Top = present.top() - desktop.top();
    place.Width = present.width();
    place.Height = present.height();
    if (!knot->ReadFormPlace(place, desktop.width(), desktop.height()))
        return false;
    if (place.Maximized) {
        window.setWindowState(window.windowState() | Qt::WindowMaximized);
        return true;
    }
    window.setGeometry(desktop.left() + place.Left, desktop.top() + place.Top, place.Width, place.Height);
    return true;
}

} // namespace qv
