#pragma once

#include "core/knot.h"

#include <QString>

namespace qv {

class TProperty;

// The options of the knot of a settings, recent-files or session file: unique attribute names, empty
// groups left out, values unquoted where possible and quotes doubled.
constexpr uint16_t settingsKnotOptions = koUniqueParams | koSkipEmpty | koUnquoted | koQuoteMode;

// How loading a settings file went. The numbers match the load states of the session files.
enum TSettingsLoadState : int
{
    slsMissing = 1, // no file: every setting took its default
    slsFailed = 2,  // the file exists but could not be read, or only partly: what was read is kept
    slsLoaded = 3,
};

// Builds the text form of a settings tree: `knot` is emptied, named `rootName` (the program file's
// name without extension), given settingsKnotOptions, and filled by settings.SaveToKnot.
void SaveSettingsToKnot(const TProperty& settings, TKnot& knot, const QString& rootName);

// Writes the settings file (UTF-8, no byte order mark) through a temporary file renamed over the old
// one. Throws EQvError when it cannot be written; the old file is then unchanged.
void SaveSettingsFile(const TProperty& settings, const QString& fileName, const QString& rootName);

// Loads a settings tree from its file. A missing file resets every setting to its default; an
// unreadable one does too; a corrupt one loads what was parsed (settings it lacks take their
// defaults). Never throws.
TSettingsLoadState LoadSettingsFile(TProperty& settings, const QString& fileName);

} // namespace qv
