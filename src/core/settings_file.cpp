#include "core/settings_file.h"

#include "core/errors.h"
#include "core/property.h"

#include <QFileInfo>

namespace qv {

void SaveSettingsToKnot(const TProperty& settings, TKnot& knot, const QString& rootName)
{
    knot.Clear();
    knot.SetName(rootName);
    knot.SetOptions(settingsKnotOptions);
    settings.SaveToKnot(knot);
}

void SaveSettingsFile(const TProperty& settings, const QString& fileName, const QString& rootName)
{
    TKnot knot;
    SaveSettingsToKnot(settings, knot, rootName);
    knot.SaveToFile(fileName, keAnsi);
}

TSettingsLoadState LoadSettingsFile(TProperty& settings, const QString& fileName)
{
    if (!QFileInfo::exists(fileName)) {
        settings.Reset();
        return slsMissing;
    }
    TKnot knot;
    knot.SetOptions(settingsKnotOptions);
    try {
        knot.LoadFromFile(fileName);
    } catch (const EQvError&) {
        settings.Reset();
        return slsFailed;
    }
    settings.LoadFromKnot(knot);
    return knot.Corrupt() ? slsFailed : slsLoaded;
}

} // namespace qv
