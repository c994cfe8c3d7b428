#include "library/comment_element.h"

#include <QCoreApplication>
#include <QTextStream>

// Until the main window exists the program only introduces itself.
int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    qv::RegisterCommentElements();
    QCoreApplication::setApplicationName(QStringLiteral("Quorvane"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QV_VERSION));
    QTextStream(stdout) << QCoreApplication::applicationName() << ' '
                        << QCoreApplication::applicationVersion() << '\n';
    return 0;
}
