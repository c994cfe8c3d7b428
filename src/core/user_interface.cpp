#include "core/user_interface.h"

#include <QHash>

#include "core/strings.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <cerrno>
#include <cstdio>

namespace qv {

namespace {

IUserInterface& BatchUserInterface()
{
    static TBatchUserInterface ui;
    return ui;
}

// Starts a program without waiting for it; errno is kept for the caller.
TOpenResult StartDetached(const QString& program, const QStringList& arguments, const QString& folder)
{
    errno = 0;
    if (QProcess::startDetached(program, arguments, folder))
        return {osOpened, 0};
    return {osFailed, errno};
}

// The clipboard of batch mode: private to the process.
class TProcessClipboard : public IClipboard
{
public:
    bool HasText() override { return FHasText; }
    QString Text() override { return FHasText ? FText : QString(); }
    void SetText(const QString& text) override
    {
        Clear();
        FText = text;
        FHasText = true;
    }
    bool HasFormat(const QString& format) override { return FFormats.contains(format); }
    QByteArray Data(const QString& format) override { return FFormats.value(format); }
    void SetData(const QString& format, const QByteArray& data) override { SetContent({{format, data}}, {}); }
    void SetTextAndData(const QString& text, const QString& format, const QByteArray& data) override
    {
        SetContent({{format, data}}, {});
        FText = text;
        FHasText = true;
    }
    bool HasImage() override { return !FImage.isEmpty(); }
    QByteArray Image() override { return FImage; }
    void SetContent(const QList<QPair<QString, QByteArray>>& formats, const QByteArray& png) override
    {
        Clear();
        for (const auto& format : formats)
            FFormats.insert(format.first, format.second);
        FImage = png;
    }

private:
    void Clear()
    {
        FText.clear();
        FFormats.clear();
        FImage.clear();
        FHasText = false;
    }

    QString FText;
    QHash<QString, QByteArray> FFormats;
    QByteArray FImage;
    bool FHasText = false;
};

class TBatchUrlOpener : public IUrlOpener
{
public:
    bool OpenUrl(const QUrl&) override { return false; }
};

IClipboard& ProcessClipboard()
{
    static TProcessClipboard clipboard;
    return clipboard;
}

IUrlOpener& BatchUrlOpener()
{
    static TBatchUrlOpener opener;
    return opener;
}

} // namespace

template <>
TServiceSlot<IUserInterface>& ServiceSlot<IUserInterface>()
{
    static constinit TServiceSlot<IUserInterface> slot(&BatchUserInterface);
    return slot;
}

template <>
TServiceSlot<IClipboard>& ServiceSlot<IClipboard>()
{
    static constinit TServiceSlot<IClipboard> slot(&ProcessClipboard);
    return slot;
}

template <>
TServiceSlot<IUrlOpener>& ServiceSlot<IUrlOpener>()
{
    static constinit TServiceSlot<IUrlOpener> slot(&BatchUrlOpener);
    return slot;
}

namespace {

void WriteToStandardError(const QString& caption, const QString& text)
{
    const QString line = caption.isEmpty() ? text : caption + QStringLiteral(": ") + text;
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
}

} // namespace

TMessageButton TBatchUserInterface::MessageBox(const QString& text, const QString& caption, TMessageIcon icon,
                                               TMessageButtons /*buttons*/, TMessageButton defaultButton)
{
    // Nobody reads a question here, but errors, warnings and information must not vanish.
    if (icon != miQuestion && icon != miNone)
        WriteToStandardError(caption, text);
    return defaultButton;
}

int TBatchUserInterface::AskChoice(const QString& /*text*/, const QString& /*caption*/, TMessageIcon /*icon*/,
                                   const QStringList& /*choices*/, int defaultChoice)
{
    return defaultChoice;
}

void TBatchUserInterface::ShowError(const QString& message)
{
    WriteToStandardError(LoadStr(QV_STR(2033)), message);
}

QStringList TBatchUserInterface::ChooseOpenFiles(const QString& /*title*/, const QString& /*filters*/,
                                                 const QString& /*initialFile*/, bool /*multiSelect*/)
{
    return {};
}

QString TBatchUserInterface::ChooseSaveFile(const QString& /*title*/, const QString& /*filters*/,
                                            const QString& /*initialFile*/, const QString& /*defaultSuffix*/)
{
    return {};
}

QString TBatchUserInterface::ChooseFileName(const QString& /*title*/, const QString& /*filters*/,
                                            const QString& /*initialFile*/)
{
    return {};
}

QString TBatchUserInterface::ChooseFolder(const QString& /*title*/, const QString& /*startFolder*/)
{
    return {};
}

std::optional<uint32_t> TBatchUserInterface::ChooseColor(uint32_t /*initial*/)
{
    return std::nullopt;
}

TOpenResult TBatchUserInterface::OpenFile(const QString& file, const QString& parameters,
                                          const QString& /*verb*/, TShowMode /*showMode*/)
{
    const QFileInfo info(file);
    if (info.isFile() && info.isExecutable())
        return StartDetached(info.absoluteFilePath(), QProcess::splitCommand(parameters),
                             info.absolutePath());
    if (!file.contains(u'/') && !info.exists()) {
        const QString program = QStandardPaths::findExecutable(file);
        if (!program.isEmpty())
            return StartDetached(program, QProcess::splitCommand(parameters),
                                 QFileInfo(program).absolutePath());
    }
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty())
        return {osNoAssociation, 0};
    return StartDetached(opener, {info.absoluteFilePath()}, info.absolutePath());
}

bool TBatchUserInterface::OpenFileWith(const QString& /*file*/)
{
    return false;
}

} // namespace qv
