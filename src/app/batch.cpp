#include "app/batch.h"

#include "app/command_line.h"
#include "core/errors.h"
#include "core/strings.h"
#include "documents/documentor.h"
#include "documents/scheme_document.h"
#include "elements/element.h"
#include "elements/element_messages.h"
#include "elements/scheme.h"
#include "elements/scheme_descriptor.h"
#include "generation/scheme_processor.h"
#include "roots/log_root.h"

#include <QFileInfo>
#include <QTextStream>

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

// Runs the command-line verbs of the document's type whose switches are present. The switches hold
// for every file, so they are read from a copy; what the copy used is added to `used`.
void RunVerbs(const TCommandLine& arguments, TSchemeDocument& document, QStringList& used)
{
    TCommandLine commandLine(arguments.Items());
    TDescriptor descriptor = document.Descriptor();
    TCommandLineVerbs verbs;
    descriptor->GetCommandLineVerbs(verbs);
    for (const auto& [name, index] : std::as_const(verbs)) {
        if (!commandLine.HasSwitch(u'-' + name))
            continue;
        QStringList names;
        descriptor->GetVerbParameters(index, names);
        QStringList parameters;
        for (const QString& parameter : std::as_const(names)) {
            QString value;
            if (commandLine.GetSwitchValue(parameter, value) && !value.isEmpty())
                parameters.append(parameter + u'=' + value);
        }
        descriptor->ExecuteVerb(document.Scheme()->Root(), index,
                                parameters.isEmpty() ? nullptr : &parameters);
    }
    QStringList left = commandLine.Items();
    for (const QString& item : arguments.Items()) {
        if (!left.removeOne(item) && !used.contains(item))
            used.append(item);
    }
}

} // namespace

int RunBatch(TCommandLine& commandLine, const TBatchOptions& options, QTextStream& errors,
             TSchemeRegistry* registry)
{
    TSchemeRegistry& types = registry != nullptr ? *registry : SchemeRegistry();
    TDocumentor documentor;
    documentor.SetOptions(doSingleDoc | (options.Backup ? doBackupFiles : 0));
    ConnectSchemeDocuments(documentor, &types);

    int status = 0;
    QStringList used;
    QString argument;
    while (commandLine.FindFile(QStringLiteral("*.*"), argument)) {
        const QString fileName = QFileInfo(argument).absoluteFilePath();
        TDescriptor descriptor = types.FindDescriptorByExtension(fileName);
        if (descriptor == nullptr || !descriptor->CanCreate()) {
            errors << LoadStr(QV_STR(2033)) << ": " << LoadStr(4006, {argument}) << '\n';
            status = 1;
            continue;
        }
        // OpenFile shows its own failures through the user interface, which writes them to the
        // error stream here.
        if (!documentor.OpenFile(fileName)) {
            status = 1;
            continue;
        }
        auto* document = static_cast<TSchemeDocument*>(documentor.Current());
        TMessageSink sink{&errors, argument};
        // A corrupt file, or one of a newer format, loads only in part: it counts as not loaded
        // and is never saved, since that would drop what could not be read.
        const bool partial = document->Scheme()->LoadedInPart();
        if (partial)
            status = 1;
        try {
            const int failuresBefore = GenerationService().TotalFailures();
            RunVerbs(commandLine, *document, used);
            // A processor that failed without a fatal message (an output in error) fails the file too.
            if (GenerationService().TotalFailures() != failuresBefore)
                status = 1;
            sink.Write(document->LogRoot()->LogMessages());
            if (document->Scheme()->Root() != nullptr)
                document->Scheme()->Root()->ForEach(&WriteElementMessages, &sink);
            if (sink.Fatal)
                status = 1;
            if (options.Save && !partial && !documentor.Save())
                status = 1;
        } catch (const EQvError& error) {
            errors << LoadStr(QV_STR(2033)) << ": " << error.Message() << '\n';
            status = 1;
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
