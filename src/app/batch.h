#pragma once

#include <QString>

class QTextStream;

namespace qv {

class TCommandLine;
class TSchemeRegistry;

// What the batch mode was asked for, read from the command line before any window exists.
struct TBatchOptions
{
    // Save each file after its commands ran.
    bool Save = false;
    // Keep a backup copy ("~" in the extension) of each file saved, as a save in the window does.
    bool Backup = true;
};

// Batch mode ("-exit"): every remaining argument that looks like a file ("*.*") is taken in order:
// its document type is found by extension, the file is loaded, the command-line verbs of its type
// whose switches are present run ("-delgenerated", "-process" with "processors=…"; a switch and its
// parameters are taken by the first file that finds them), and with "-save" the file is saved. Every
// message of each file is written to `errors`, one per line, as "FILE: KIND: TEXT": first the log's
// messages in order, then the messages the check left on elements, in document order. Questions
// take their default answers, deletion questions never delete (the batch user interface answers).
//
// Every line written is such a message line: what the program would show in a message box (a file
// that cannot be opened or saved, an unsupported type) is written the same way, as kind 3 for an
// error.
//
// Returns the exit status: 0 when every file was loaded, its commands ran without a fatal message,
// every output, deletion and the record of generated files succeeded, and it was saved when asked;
// 2 when the command line names processors a document does not have (nothing runs for that file,
// and it is not saved); 1 otherwise. A failure in one file does not stop the next.
int RunBatch(TCommandLine& commandLine, const TBatchOptions& options, QTextStream& errors,
             TSchemeRegistry* registry = nullptr);

// One message as batch mode prints it; line breaks in the text become spaces.
QString BatchMessageLine(const QString& fileName, int kind, const QString& text);

} // namespace qv
