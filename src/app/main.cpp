#include "app/main_form.h"
#include "app/qt_clipboard.h"
#include "app/qt_user_interface.h"
#include "core/user_interface.h"
#include "library/comment_element.h"
#include "schemes/plaintext/plain_text_scheme_descriptor.h"

#include <QApplication>
#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

#include <cstring>

namespace {

// Without a display (and without a chosen Qt platform) no window can open; the program then only
// introduces itself, as it does for "--version".
bool HasDisplay()
{
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

bool AsksForVersion(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0)
            return true;
    }
    return false;
}

int PrintVersion(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quorvane"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QV_VERSION));
    QTextStream(stdout) << QCoreApplication::applicationName() << ' '
                        << QCoreApplication::applicationVersion() << '\n';
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    if (AsksForVersion(argc, argv) || !HasDisplay())
        return PrintVersion(argc, argv);

    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quorvane"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QV_VERSION));

    qv::TQtClipboard clipboard;
    qv::TQtUrlOpener urlOpener;
    qv::TScopedService<qv::IClipboard> installedClipboard(&clipboard);
    qv::TScopedService<qv::IUrlOpener> installedUrlOpener(&urlOpener);

    // The element families and document types that exist, each registered once.
    qv::RegisterCommentElements();
    qv::RegisterPlainTextScheme();

    int result = 0;
    {
        qv::TMainForm form;
        qv::TQtUserInterface userInterface(&form);
        qv::TScopedService<qv::IUserInterface> installedUserInterface(&userInterface);
        QStringList arguments = QCoreApplication::arguments();
        arguments.removeFirst();
        form.Documentor().CommandLine = arguments;
        form.show();
        form.Start();
        result = QApplication::exec();
    }
    return result;
}
