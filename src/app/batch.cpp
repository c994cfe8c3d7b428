#include "app/batch.h"

#include "app/command_line.h"
#include "core/comma_text.h"
#include "core/errors.h"
#include "core/service_slot.h"
#include "core/strings.h"
#include "core/user_interface.h"
#include "documents/documentor.h"
#include "documents/scheme_document.h"
#include "elements/element.h"
#include "elements/element_messages.h"
#include "elements/processing_service.h"
#include "elements/scheme.h"
#include "elements/scheme_descriptor.h"
#include "generation/scheme_processor.h"
#include "roots/log_root.h"

#include <QFileInfo>
#include <QTextStream>

#include <algorithm>
#include <utility>

namespace qv {

QString BatchMessageLine(const QString& fileName, int kind, const QString& text)
{
    QString flat = text;
    flat.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    flat.replace(u'\r', u' ');
    flat.replace(u'\n', u' ');
    return QStringLiteral("%1: %2: %3").arg(fileName).arg(kind).arg(flat);
}

namespace {

// What the program would show in a message box goes to the error stream as a message of the file
// being worked on: a pipeline reads one form of line only.
class TFileUserInterface : public TBatchUserInterface
{
public:
    explicit TFileUserInterface(QTextStream& errors) : FErrors(errors) {}

    QString FileName;

    TMessageButton MessageBox(const QString& text, const QString&, TMessageIcon icon, TMessageButtons,
                              TMessageButton defaultButton) override
    {
        if (icon == miError)
            Write(mkFatal, text);
        else if (icon == miWarning)
            Write(mkError, text);
        else if (icon == miInformation)
            Write(mkInformation, text);
        return defaultButton;
    }
    void ShowError(const QString& message) override { Write(mkFatal, message); }

    void Write(int kind, const QString& text)
    {
        FErrors << BatchMessageLine(FileName, kind, text) << '\n';
        FErrors.flush();
    }

private:
    QTextStream& FErrors;
};

struct TMessageSink
{
    QTextStream* Errors;
    QString FileName;
    bool Fatal = false;

    void Write(const TElementMessages& messages)
    {
        for (int i = 0; i < messages.Count(); ++i) {
            const TElementMessage* message = messages.Items(i);
            Fatal = Fatal || message->Kind() == mkFatal;
            *Errors << BatchMessageLine(FileName, message->Kind(), message->GetText()) << '\n';
        }
    }
};

void WriteElementMessages(TNode* node, void* data, void*)
{
    auto* element = dynamic_cast<TElement*>(node);
    if (element != nullptr && element->Messages() != nullptr)
        static_cast<TMessageSink*>(data)->Write(*element->Messages());
}

// Why the value of "processors" cannot be followed for a document of `count` processors: every
// number must name one of them. Empty when it can.
QString BadProcessorNumbers(const QString& value, int count)
{
    const QStringList entries = SplitCommaText(value);
    bool good = !entries.isEmpty();
    for (const QString& entry : entries) {
        bool ok = false;
        const int number = entry.trimmed().toInt(&ok);
        good = good && ok && number >= 1 && number <= count;
    }
    return good ? QString() : LoadStr(4464, {value, QString::number(count)});
}

// Runs the command-line verbs of the document's type whose switches are present. The switches hold
// for every file, so they are read from a copy; what the copy used is added to `used`. Returns why
// the command line cannot be followed for this document (nothing ran then), or an empty text.
QString RunVerbs(const TCommandLine& arguments, TSchemeDocument& document, QStringList& used)
{
    TCommandLine commandLine(arguments.Items());
    TDescriptor descriptor = document.Descriptor();
    TCommandLineVerbs verbs;
    descriptor->GetCommandLineVerbs(verbs);
    TElement* root = document.Scheme()->Root();
    QList<std::pair<int, QStringList>> calls;
    QString refusal;
    for (const auto& [name, index] : std::as_const(verbs)) {
        if (!commandLine.HasSwitch(u'-' + name))
            continue;
        QStringList names;
        descriptor->GetVerbParameters(index, names);
        QStringList parameters;
        for (const QString& parameter : std::as_const(names)) {
            QString value;
            if (!commandLine.GetSwitchValue(parameter, value))
                continue;
            // Numbers that name no processor would run nothing, or less than was asked for.
            if (parameter == u"processors" && ProcessingService() != nullptr) {
                const QString bad =
                    BadProcessorNumbers(value, int(ProcessingService()->ProcessorElements(root).size()));
                if (!bad.isEmpty() && refusal.isEmpty())
                    refusal = bad;
            }
            parameters.append(parameter + u'=' + value);
        }
        calls.append({index, parameters});
    }
    if (refusal.isEmpty()) {
        for (const auto& [index, parameters] : std::as_const(calls))
            descriptor->ExecuteVerb(root, index, parameters.isEmpty() ? nullptr : &parameters);
    }
    QStringList left = commandLine.Items();
    for (const QString& item : arguments.Items()) {
        if (!left.removeOne(item) && !used.contains(item))
            used.append(item);
    }
    return refusal;
}

} // namespace

int RunBatch(TCommandLine& commandLine, const TBatchOptions& options, QTextStream& errors,
             TSchemeRegistry* registry)
{
    TSchemeRegistry& types = registry != nullptr ? *registry : SchemeRegistry();
    TFileUserInterface userInterface(errors);
    const TScopedService<IUserInterface> installed(&userInterface);
    TDocumentor documentor;
    documentor.SetOptions(doSingleDoc | (options.Backup ? doBackupFiles : 0));
    ConnectSchemeDocuments(documentor, &types);

    int status = 0;
    QStringList used;
    QString argument;
    while (commandLine.FindFile(QStringLiteral("*.*"), argument)) {
        const QString fileName = QFileInfo(argument).absoluteFilePath();
        userInterface.FileName = argument;
        TDescriptor descriptor = types.FindDescriptorByExtension(fileName);
        if (descriptor == nullptr || !descriptor->CanCreate()) {
            userInterface.Write(mkFatal, LoadStr(4006, {argument}));
            status = std::max(status, 1);
            continue;
        }
        // OpenFile shows its own failures through the user interface, which writes them to the
        // error stream here.
        if (!documentor.OpenFile(fileName)) {
            status = std::max(status, 1);
            continue;
        }
        auto* document = static_cast<TSchemeDocument*>(documentor.Current());
        TMessageSink sink{&errors, argument};
        // A corrupt file, or one of a newer format, loads only in part: it counts as not loaded, is
        // never processed (the processing commands refuse it, and the load's messages stay in the
        // log) and never saved, since that would drop what could not be read.
        const bool partial = document->Scheme()->LoadedInPart();
        if (partial)
            status = std::max(status, 1);
        try {
            const int failuresBefore = GenerationService().TotalFailures();
            const QString refused = RunVerbs(commandLine, *document, used);
            if (!refused.isEmpty()) {
                userInterface.Write(mkFatal, refused);
                status = 2;
            }
            // A processor that failed without a fatal message (an output that could not be written), a
            // refused deletion or an unsaved manifest fails the file too.
            if (GenerationService().TotalFailures() != failuresBefore)
                status = std::max(status, 1);
            sink.Write(document->LogRoot()->LogMessages());
            if (document->Scheme()->Root() != nullptr)
                document->Scheme()->Root()->ForEach(&WriteElementMessages, &sink);
            if (sink.Fatal)
                status = std::max(status, 1);
            if (options.Save && !partial && refused.isEmpty() && !documentor.Save())
                status = std::max(status, 1);
        } catch (const EQvError& error) {
            userInterface.Write(mkFatal, error.Message());
            status = std::max(status, 1);
        }
        // Whatever was not saved is dropped: batch mode never asks.
        documentor.CloseDocument(document);
        ReleaseReferencedDocuments();
    }
    QStringList left = commandLine.Items();
    for (const QString& item : std::as_const(used))
        left.removeAll(item);
    commandLine.SetItems(left);
    errors.flush();
    return status;
}

} // namespace qv
