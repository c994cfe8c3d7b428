#include "app/app_icon.h"
#include "app/batch.h"
#include "app/generation_dialogs.h"
#include "app/global.h"
#include "app/main_form.h"
#include "app/qt_clipboard.h"
#include "app/qt_user_interface.h"
#include "app/sound_player.h"
#include "core/strings.h"
#include "core/user_interface.h"
#include "elements/element_messages.h"
#include "generation/scheme_processor.h"
#include "generation/value_elements.h"
#include "library/comment_element.h"
#include "library/data_element.h"
#include "library/names.h"
#include "library/path_element.h"
#include "library/simple_fields.h"
#include "library/table_element.h"
#include "roots/application_namespace.h"
#include "roots/file_connection.h"
#include "schemes/commands/command_file_scheme_descriptor.h"
#include "schemes/plaintext/plain_text_scheme_descriptor.h"
#include "schemes/structured/structured_elements.h"

#include <QApplication>
#include <QGuiApplication>
#include <QStringList>
#include <QTextStream>
#include <QTimer>

#include <cstdio>
#include <cstring>

namespace {

// Every switch, one line each; the manual page lists the same.
constexpr const char* usage = R"(Usage: quorvane [OPTION...] [FILE...]
  FILE                 a document to open; in batch mode, each document to process in turn
  -readonly            open the document read-only
  -autocreate=N        without a file, create a new document of the N-th document type
  -exit                batch mode: process the files without a window, then exit
  -save                batch mode: save each file after its commands ran
  -process             batch mode: run the document's processors
  processors=N[,N...]  with -process: run only these processors (1-based, in document order)
  -delgenerated        batch mode: delete the files the document's processors generated
  NAME.settings        use this settings file instead of the per-user one
  NAME.recentfiles     use this recent-files file instead of the per-user one
  NAME.session         use this session file instead of the per-user one
  --help               print this help and exit
  --version            print the version and exit
Batch mode writes every message to standard error as one line "FILE: KIND: TEXT" (KIND 0 information,
1 hint, 2 warning or error, 3 fatal error, 4 missing value, 5 invalid content). Set the environment
variable QUORVANE_QT_MESSAGES=1 to see the platform library's own warnings there as well.
Exit status: 0 on success; 1 when a file was skipped, could not be loaded or saved, or a run failed
(an output, a deletion or the list of generated files could not be written); 2 when the command line
cannot be followed (an argument no file used, processors a document does not have).
)";

// The first line of the usage text: what batch mode prints after a command line it cannot follow.
constexpr const char* usageLine = "Usage: quorvane [OPTION...] [FILE...]\n";

bool HasArgument(int argc, char* argv[], const char* name)
{
    for (int i = 1; i < argc; ++i) {
        if (strcasecmp(argv[i], name) == 0)
            return true;
    }
    return false;
}

bool HasDisplay()
{
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

void Introduce()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Quorvane"));
    QCoreApplication::setApplicationName(QStringLiteral("Quorvane"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QV_VERSION));
}

// The element families and document types that exist, each registered once for the life of the
// guard. What registering made that holds elements (the application's names) goes when the guard
// does, while the classes those elements belong to still exist: left to the end of the process it
// would be freed after them.
class TRegisteredTypes
{
public:
    TRegisteredTypes();
    ~TRegisteredTypes() { qv::FreeApplicationNamespace(); }
    TRegisteredTypes(const TRegisteredTypes&) = delete;
    TRegisteredTypes& operator=(const TRegisteredTypes&) = delete;
};

TRegisteredTypes::TRegisteredTypes()
{
    qv::RegisterCommentElements();
    qv::RegisterNameElements();
    qv::RegisterTableElements();
    qv::RegisterSimpleFields();
    qv::RegisterPathElements();
    qv::RegisterDataElements();
    qv::RegisterRootElements();
    qv::RegisterValueElements();
    qv::RegisterPlainTextScheme();
    qv::RegisterCommandFileScheme();
    qv::RegisterStructuredScheme();
    qv::InstallGenerationService();
}

// The arguments without the program and without the switches Qt took for itself.
QStringList ProgramArguments()
{
    QStringList arguments = QCoreApplication::arguments();
    if (!arguments.isEmpty())
        arguments.removeFirst();
    return arguments;
}

// Batch mode's standard error holds message lines only: the platform library's own warnings (a
// missing runtime folder, fonts) are dropped unless asked for. Fatal ones are always written, as the
// program ends with them.
void BatchQtMessage(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    static const bool shown = !qEnvironmentVariableIsEmpty("QUORVANE_QT_MESSAGES");
    if (!shown && type != QtFatalMsg)
        return;
    const int kind = type == QtFatalMsg ? qv::mkFatal : type == QtInfoMsg || type == QtDebugMsg ? 0 : 2;
    std::fprintf(stderr, "%s\n",
                 qv::BatchMessageLine(QStringLiteral("quorvane"), kind, text).toLocal8Bit().constData());
}

int RunWithoutWindow(int argc, char* argv[])
{
    qInstallMessageHandler(&BatchQtMessage);
    // Text is still measured in batch mode, which needs fonts but no screen.
    if (!HasDisplay())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    Introduce();
    const TRegisteredTypes types;
    qv::TGlobal global(ProgramArguments());
    global.CommandLine.HasSwitch(QStringLiteral("-exit"));
    qv::TBatchOptions options;
    options.Save = global.CommandLine.HasSwitch(QStringLiteral("-save"));
    options.Backup = global.BackupOnSave();
    QTextStream errors(stderr);
    int status = qv::RunBatch(global.CommandLine, options, errors);
    // An argument no file used is a switch the program does not know, or one that did nothing.
    for (const QString& argument : global.CommandLine.Items()) {
        errors << qv::BatchMessageLine(QStringLiteral("quorvane"), qv::mkFatal,
                                       qv::LoadStr(QV_STR(4027), {argument}))
               << '\n';
        status = 2;
    }
    if (status == 2)
        errors << usageLine;
    return status;
}

} // namespace

int main(int argc, char* argv[])
{
    if (HasArgument(argc, argv, "--help")) {
        std::fputs(usage, stdout);
        return 0;
    }
    if (HasArgument(argc, argv, "--version")) {
        std::printf("Quorvane %s\n", QV_VERSION);
        return 0;
    }
    if (HasArgument(argc, argv, "-exit"))
        return RunWithoutWindow(argc, argv);
    if (!HasDisplay()) {
        std::fputs("quorvane: no display to show the window on (DISPLAY is not set).\n"
                   "Use -exit to process files without a window; --help lists the switches.\n",
                   stderr);
        return 1;
    }

    QApplication app(argc, argv);
    Introduce();
    QApplication::setWindowIcon(qv::ApplicationIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("quorvane"));

    qv::TQtClipboard clipboard;
    qv::TQtUrlOpener urlOpener;
    qv::TScopedService<qv::IClipboard> installedClipboard(&clipboard);
    qv::TScopedService<qv::IUrlOpener> installedUrlOpener(&urlOpener);
    const TRegisteredTypes types;

    int result = 0;
    {
        qv::TGlobal global(ProgramArguments());
        qv::TMainForm form(global);
        qv::TQtUserInterface userInterface(&form);
        qv::TScopedService<qv::IUserInterface> installedUserInterface(&userInterface);
        qv::TQtSoundPlayer soundPlayer;
        qv::TScopedService<qv::ISoundPlayer> installedSoundPlayer(&soundPlayer);
        qv::TQtGenerationUi generationUi(&form);
        qv::IGenerationUi* const formerGenerationUi = qv::SetGenerationUi(&generationUi);
        form.RestorePlacement();
        form.show();
        // The documents open once the window is on screen, so that it paints first.
        QTimer::singleShot(0, &form, [&form] { form.Start(); });
        result = QApplication::exec();
        qv::SetGenerationUi(formerGenerationUi);
    }
    return result;
}
