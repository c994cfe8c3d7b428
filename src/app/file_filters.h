#pragma once

#include <QList>
#include <QString>

#include <cstdint>

namespace qv {

// One entry of the open and save dialogs: a text and an extension (without the dot).
struct TFileFilter
{
    QString FileExt = QStringLiteral("txt");
    QString Text;
    bool UseForOpen = true;
    bool UseForSave = true;
};

enum TOpenSaveOption : uint8_t
{
    osoOpenNoAllFiles = 0x01,     // the open dialog offers no "All Files"
    osoSaveNoAllFiles = 0x02,     // the save dialog offers no "All Files"
    osoNoMergeOpenFilters = 0x04, // filters with equal texts stay apart
    osoDefaultFilterAll = 0x08,   // "All Files" comes first in the open dialog
};
using TOpenSaveOptions = uint8_t;

// The dialog filters of the program, in the Qt form "Text (*.a *.b);;All Files (*)". Entries with
// the same text are merged into one that lists every extension, in order.
QString OpenDialogFilters(const QList<TFileFilter>& filters, TOpenSaveOptions options = 0);
// The filters used for saving, then "All Files" unless osoSaveNoAllFiles.
QString SaveDialogFilters(const QList<TFileFilter>& filters, TOpenSaveOptions options = 0);

// The program's file filters: for every document type that can be created, taken from the last
// registered to the first and each put at the top, its own filter when its extension has none yet
// and, when more than one document type is registered, an "All Supported Files" entry with the
// same extension (never used for saving). `types` are (title, extension) in registration order;
// `registeredCount` counts every registered type, creatable or not.
QList<TFileFilter> DocumentTypeFilters(const QList<QPair<QString, QString>>& types, int registeredCount);

} // namespace qv
