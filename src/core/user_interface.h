#pragma once

#include "core/service_slot.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <cstdint>
#include <optional>

namespace qv {

// What the program asks of the person in front of it, and of the desktop it runs on. The window
// application installs its Qt implementation at start-up; until then, and in batch mode, a silent
// implementation answers (see TBatchUserInterface); tests install a recording fake.
//
// Only the user-interface thread calls these operations: a generation thread reaches the user
// through queued calls, never through this interface.

// The icon of a message box.
enum TMessageIcon : uint8_t
{
    miNone,
    miInformation,
    miWarning,
    miError,
    miQuestion,
};

// Buttons of a message box; a set of them is an or-ed TMessageButtons.
enum TMessageButton : uint8_t
{
    mbOk = 0x01,
    mbCancel = 0x02,
    mbYes = 0x04,
    mbNo = 0x08,
    mbAbort = 0x10,
    mbRetry = 0x20,
    mbIgnore = 0x40,
};
using TMessageButtons = uint8_t;

// How a started program's window is shown. Programs without windows ignore it.
enum TShowMode : uint8_t
{
    smHide,
    smNormal,
    smMinimized,
    smMaximized,
};

// The outcome of asking the desktop to open a file.
enum TOpenStatus : uint8_t
{
    osOpened,        // the program was started
    osNoAssociation, // no program is known for the file
    osFileNotFound,
    osPathNotFound, // a folder on the way does not exist
    osAccessDenied,
    osFailed, // anything else; TOpenResult::Code tells what
};

struct TOpenResult
{
    TOpenStatus Status = osFailed;
    // The system's error number (errno) or the opening program's exit code for osFailed; 0 when
    // none is known.
    int Code = 0;
};

class IUserInterface
{
public:
    virtual ~IUserInterface() = default;

    // A modal message box. `caption` empty: the application's title. `buttons` is never empty;
    // `defaultButton` is one of them. Returns the button pressed; closing the box counts as
    // mbCancel when it is offered, else as `defaultButton`.
    virtual TMessageButton MessageBox(const QString& text, const QString& caption, TMessageIcon icon,
                                      TMessageButtons buttons, TMessageButton defaultButton) = 0;

    // A question with buttons of its own (such as "Save" and "Do not Save") and always a Cancel
    // button. Returns the index of the chosen entry of `choices`, or -1 for Cancel.
    virtual int AskChoice(const QString& text, const QString& caption, TMessageIcon icon,
                          const QStringList& choices, int defaultChoice) = 0;

    // The application's error display for a failed user command (the text of an EQvError).
    virtual void ShowError(const QString& message) = 0;

    // File and folder dialogs. `filters` are in the form "Programs (*.exe *.com);;All files (*)".
    // An empty answer means the dialog was cancelled.
    // Existing files to open; with `multiSelect` false at most one.
    virtual QStringList ChooseOpenFiles(const QString& title, const QString& filters,
                                        const QString& initialFile, bool multiSelect) = 0;
    // A file to write; `defaultSuffix` (without the dot) is added to a name typed without one.
    virtual QString ChooseSaveFile(const QString& title, const QString& filters, const QString& initialFile,
                                   const QString& defaultSuffix) = 0;
    // A file name to read that need not exist here (a program of the system a generated file runs
    // on): a name typed in the dialog is answered as it is typed; no overwrite question.
    virtual QString ChooseFileName(const QString& title, const QString& filters,
                                   const QString& initialFile) = 0;
    // An existing folder; `startFolder` is shown selected when it exists.
    virtual QString ChooseFolder(const QString& title, const QString& startFolder) = 0;
    // A colour in the program's 32-bit encoding (red + green × 256 + blue × 65536); nothing when
    // cancelled.
    virtual std::optional<uint32_t> ChooseColor(uint32_t initial) = 0;

    virtual void Beep() = 0;

    // The wait cursor while something long runs; the calls nest. Use TWaitCursor.
    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;

    // Opens `file` with its program: an executable file is started with `parameters` (one command
    // line, double quotes group words) in its own folder; any other file is opened with the program
    // the desktop associates with it, `verb` ("open", "edit", "print" or empty) naming the action
    // when the desktop knows such actions. Does not wait for the program.
    virtual TOpenResult OpenFile(const QString& file, const QString& parameters, const QString& verb,
                                 TShowMode showMode) = 0;
    // Lets the user choose a program for `file` and opens the file with it; false when nothing was
    // opened (cancelled, or no such chooser on this desktop).
    virtual bool OpenFileWith(const QString& file) = 0;
};

// The slot of the user interface; without an installed one, TBatchUserInterface answers.
template <>
TServiceSlot<IUserInterface>& ServiceSlot<IUserInterface>();

// The current implementation; never null.
inline IUserInterface& UserInterface()
{
    return ServiceSlot<IUserInterface>().Get();
}

// The wait cursor for the lifetime of a scope.
class TWaitCursor
{
public:
    TWaitCursor() { UserInterface().BeginWaitCursor(); }
    ~TWaitCursor() { UserInterface().EndWaitCursor(); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};

// Batch mode and start-up: nobody answers. Message boxes and questions take their default answer,
// dialogs are cancelled, errors are written to standard error, beeps and the wait cursor do
// nothing. Files are opened for real: an executable is started detached, any other file through
// the desktop's "xdg-open".
class TBatchUserInterface : public IUserInterface
{
public:
    TMessageButton MessageBox(const QString& text, const QString& caption, TMessageIcon icon,
                              TMessageButtons buttons, TMessageButton defaultButton) override;
    int AskChoice(const QString& text, const QString& caption, TMessageIcon icon, const QStringList& choices,
                  int defaultChoice) override;
    void ShowError(const QString& message) override;
    QStringList ChooseOpenFiles(const QString& title, const QString& filters, const QString& initialFile,
                                bool multiSelect) override;
    QString ChooseSaveFile(const QString& title, const QString& filters, const QString& initialFile,
                           const QString& defaultSuffix) override;
    QString ChooseFileName(const QString& title, const QString& filters, const QString& initialFile) override;
    QString ChooseFolder(const QString& title, const QString& startFolder) override;
    std::optional<uint32_t> ChooseColor(uint32_t initial) override;
    void Beep() override {}
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    TOpenResult OpenFile(const QString& file, const QString& parameters, const QString& verb,
                         TShowMode showMode) override;
    bool OpenFileWith(const QString& file) override;
};

// The desktop's clipboard: plain text, and data under format names the program registers. The
// window application installs the Qt clipboard; batch mode and start-up use a clipboard private to
// the process; tests install a fake. User-interface thread only.
class IClipboard
{
public:
    virtual ~IClipboard() = default;

    virtual bool HasText() = 0;
    // The text on the clipboard, or an empty text.
    virtual QString Text() = 0;
    // Replaces the whole clipboard content with `text`.
    virtual void SetText(const QString& text) = 0;
    virtual bool HasFormat(const QString& format) = 0;
    virtual QByteArray Data(const QString& format) = 0;
    // Replaces the whole clipboard content with the data of one named format.
    virtual void SetData(const QString& format, const QByteArray& data) = 0;

    // A picture on the clipboard, as a PNG file (the desktop's own picture formats are converted).
    virtual bool HasImage() { return false; }
    virtual QByteArray Image() { return QByteArray(); }
    // Replaces the whole clipboard content with several named formats at once and, when `png` is
    // not empty, the picture of that PNG file. Without support for several formats only the first
    // is kept.
    virtual void SetContent(const QList<QPair<QString, QByteArray>>& formats, const QByteArray& png)
    {
        (void)png;
        if (!formats.isEmpty())
            SetData(formats.first().first, formats.first().second);
    }
    // Replaces the whole clipboard content with `text` for other programs and the data of one named
    // format beside it for this one. Without support for several formats only the text is kept.
    virtual void SetTextAndData(const QString& text, const QString& format, const QByteArray& data)
    {
        (void)format;
        (void)data;
        SetText(text);
    }
};

// The slot of the clipboard; without an installed one, a clipboard private to the process answers.
template <>
TServiceSlot<IClipboard>& ServiceSlot<IClipboard>();

// The current clipboard; never null.
inline IClipboard& Clipboard()
{
    return ServiceSlot<IClipboard>().Get();
}

// Opens links of documents with the desktop's handler for their scheme. Callers pass only URLs they
// have checked; implementations never build a command line from them.
class IUrlOpener
{
public:
    virtual ~IUrlOpener() = default;

    // False when nothing could be opened.
    virtual bool OpenUrl(const QUrl& url) = 0;
};

// The slot of the URL opener; without an installed one, nothing is opened (batch mode).
template <>
TServiceSlot<IUrlOpener>& ServiceSlot<IUrlOpener>();

// The current opener; never null.
inline IUrlOpener& UrlOpener()
{
    return ServiceSlot<IUrlOpener>().Get();
}

} // namespace qv
