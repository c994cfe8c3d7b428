#pragma once

// A recording IUserInterface for tests: every call is logged as one line of text, answers come
// from the public fields, and nothing is shown or started. Install it for a scope with
// TScopedUserInterface.

#include "core/user_interface.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace qv {

class TFakeUserInterface : public IUserInterface
{
public:
    // Every call, in order, as "Operation: argument|argument…".
    QStringList Calls;

    // Answers. A message box answers the next entry of MessageAnswers, or its default button.
    QList<TMessageButton> MessageAnswers;
    int ChoiceAnswer = -1;
    QStringList OpenFilesAnswer;
    QString SaveFileAnswer;
    QString FileNameAnswer;
    QString FolderAnswer;
    std::optional<uint32_t> ColorAnswer;
    TOpenResult OpenFileAnswer{osOpened, 0};
    bool OpenFileWithAnswer = false;
    int WaitCursorDepth = 0;

    TMessageButton MessageBox(const QString& text, const QString& caption, TMessageIcon icon,
                              TMessageButtons buttons, TMessageButton defaultButton) override
    {
        Calls.append(QStringLiteral("MessageBox: %1|%2|%3|%4|%5")
                         .arg(text, caption)
                         .arg(int(icon))
                         .arg(int(buttons))
                         .arg(int(defaultButton)));
        return MessageAnswers.isEmpty() ? defaultButton : MessageAnswers.takeFirst();
    }

    int AskChoice(const QString& text, const QString& caption, TMessageIcon icon, const QStringList& choices,
                  int defaultChoice) override
    {
        Calls.append(QStringLiteral("AskChoice: %1|%2|%3|%4|%5")
                         .arg(text, caption)
                         .arg(int(icon))
                         .arg(choices.join(u','))
                         .arg(defaultChoice));
        return ChoiceAnswer;
    }

    void ShowError(const QString& message) override { Calls.append(QStringLiteral("ShowError: ") + message); }

    QStringList ChooseOpenFiles(const QString& title, const QString& filters, const QString& initialFile,
                                bool multiSelect) override
    {
        Calls.append(QStringLiteral("ChooseOpenFiles: %1|%2|%3|%4")
                         .arg(title, filters, initialFile)
                         .arg(multiSelect ? 1 : 0));
        return OpenFilesAnswer;
    }

    QString ChooseSaveFile(const QString& title, const QString& filters, const QString& initialFile,
                           const QString& defaultSuffix) override
    {
        Calls.append(
            QStringLiteral("ChooseSaveFile: %1|%2|%3|%4").arg(title, filters, initialFile, defaultSuffix));
        return SaveFileAnswer;
    }

    QString ChooseFileName(const QString& title, const QString& filters, const QString& initialFile) override
    {
        Calls.append(QStringLiteral("ChooseFileName: %1|%2|%3").arg(title, filters, initialFile));
        return FileNameAnswer;
    }

    QString ChooseFolder(const QString& title, const QString& startFolder) override
    {
        Calls.append(QStringLiteral("ChooseFolder: %1|%2").arg(title, startFolder));
        return FolderAnswer;
    }

    std::optional<uint32_t> ChooseColor(uint32_t initial) override
    {
        Calls.append(QStringLiteral("ChooseColor: %1").arg(initial, 6, 16, QChar(u'0')));
        return ColorAnswer;
    }

    void Beep() override { Calls.append(QStringLiteral("Beep")); }
    void BeginWaitCursor() override { ++WaitCursorDepth; }
    void EndWaitCursor() override { --WaitCursorDepth; }

    TOpenResult OpenFile(const QString& file, const QString& parameters, const QString& verb,
                         TShowMode showMode) override
    {
        Calls.append(QStringLiteral("OpenFile: %1|%2|%3|%4").arg(file, parameters, verb).arg(int(showMode)));
        return OpenFileAnswer;
    }

    bool OpenFileWith(const QString& file) override
    {
        Calls.append(QStringLiteral("OpenFileWith: ") + file);
        return OpenFileWithAnswer;
    }
};

// Installs a user interface for the lifetime of a scope and restores the one before it.
using TScopedUserInterface = TScopedService<IUserInterface>;

// A clipboard held in the test: text, one named format, or both, like the desktop's.
class TFakeClipboard : public IClipboard
{
public:
    std::optional<QString> StoredText;
    QString Format;
    QByteArray StoredData;

    bool HasText() override { return StoredText.has_value(); }
    QString Text() override { return StoredText.value_or(QString()); }
    void SetText(const QString& text) override
    {
        StoredText = text;
        Format.clear();
        StoredData.clear();
        MoreFormats.clear();
        StoredImage.clear();
    }
    // Further formats and the picture, set together by SetContent.
    QList<QPair<QString, QByteArray>> MoreFormats;
    QByteArray StoredImage;

    bool HasFormat(const QString& format) override
    {
        if (!Format.isEmpty() && Format == format)
            return true;
        for (const auto& entry : MoreFormats) {
            if (entry.first == format)
                return true;
        }
        return false;
    }
    QByteArray Data(const QString& format) override
    {
        if (!Format.isEmpty() && Format == format)
            return StoredData;
        for (const auto& entry : MoreFormats) {
            if (entry.first == format)
                return entry.second;
        }
        return QByteArray();
    }
    void SetData(const QString& format, const QByteArray& data) override
    {
        StoredText.reset();
        Format = format;
        StoredData = data;
        MoreFormats.clear();
        StoredImage.clear();
    }
    void SetTextAndData(const QString& text, const QString& format, const QByteArray& data) override
    {
        SetData(format, data);
        StoredText = text;
    }
    bool HasImage() override { return !StoredImage.isEmpty(); }
    QByteArray Image() override { return StoredImage; }
    void SetContent(const QList<QPair<QString, QByteArray>>& formats, const QByteArray& png) override
    {
        StoredText.reset();
        Format.clear();
        StoredData.clear();
        MoreFormats = formats;
        StoredImage = png;
    }
};

// Records the URLs it is asked to open; answers OpenAnswer.
class TFakeUrlOpener : public IUrlOpener
{
public:
    QList<QUrl> Opened;
    bool OpenAnswer = true;
    bool OpenUrl(const QUrl& url) override
    {
        Opened.append(url);
        return OpenAnswer;
    }
};

// Installs a clipboard and a URL opener for the lifetime of a scope.
class TScopedDesktop
{
public:
    TScopedDesktop(IClipboard* clipboard, IUrlOpener* opener) : FClipboard(clipboard), FUrlOpener(opener) {}

private:
    TScopedService<IClipboard> FClipboard;
    TScopedService<IUrlOpener> FUrlOpener;
};

} // namespace qv
