#include "library/file_manager.h"

#include "core/user_interface.h"

#include <QStringList>
#include <QUrl>

#ifdef QV_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusMessage>
#endif

namespace qv {

namespace {

IFileManager& DefaultFileManager()
{
    static TDesktopFileManager manager;
    return manager;
}

#ifdef QV_HAVE_DBUS
bool ShowItemsOverBus(const QString& file)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(file).toString()} << QString();
    // Milliseconds; a file manager that is started on demand answers well within it.
    const QDBusMessage reply = bus.call(call, QDBus::Block, 5000);
    return reply.type() == QDBusMessage::ReplyMessage;
}
#endif

} // namespace

template <>
TServiceSlot<IFileManager>& ServiceSlot<IFileManager>()
{
    static TServiceSlot<IFileManager> slot(&DefaultFileManager);
    return slot;
}

void TDesktopFileManager::ShowInFolder(const QString& file)
{
#ifdef QV_HAVE_DBUS
    if (ShowItemsOverBus(file))
        return;
#endif
    const qsizetype slash = file.lastIndexOf(u'/');
    const QString folder = slash >= 0 ? file.left(slash + 1) : file;
    UserInterface().OpenFile(folder, QString(), QStringLiteral("open"), smNormal);
}

} // namespace qv
