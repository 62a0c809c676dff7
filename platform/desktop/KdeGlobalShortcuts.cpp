#include "KdeGlobalShortcuts.h"

#include "platform/system/DesktopEntry.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QStandardPaths>
#include <QStringList>

namespace platform {

namespace {

const QString service = QStringLiteral("org.kde.kglobalaccel");

// One row of getGlobalShortcutsByKey, a(ssssssaiai): action, its friendly name,
// component, its friendly name, context, its friendly name, keys, default keys.
// Only the names are kept.
QStringList readShortcutInfo(const QDBusArgument &argument)
{
    QStringList names;
    argument.beginStructure();
    for (int i = 0; i < 6; ++i) {
        QString text;
        argument >> text;
        names << text;
    }
    QList<int> keys;
    QList<int> defaultKeys;
    argument >> keys >> defaultKeys;
    argument.endStructure();
    return names;
}

QString describe(const QStringList &names)
{
    const QString action = names.value(1).isEmpty() ? names.value(0) : names.value(1);
    const QString component = names.value(3).isEmpty() ? names.value(2) : names.value(3);
    return component.isEmpty() ? action : QStringLiteral("%1 (%2)").arg(action, component);
}

// KGlobalAccel's flags: the action is present, and the keys given win over
// any the service saved for it.
constexpr uint setPresent = 2;
constexpr uint noAutoloading = 4;

QDBusMessage callService(const QString &method, const QVariantList &arguments, std::chrono::milliseconds timeout)
{
    QDBusMessage call = QDBusMessage::createMethodCall(service, QStringLiteral("/kglobalaccel"),
                                                       QStringLiteral("org.kde.KGlobalAccel"), method);
    call.setAutoStartService(false);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call, QDBus::Block, int(timeout.count()));
}

// The service runs the entry's Exec when the keys are pressed (it finds the
// entry by its file name, the component's name).
bool writeLauncherEntry(const CommandShortcut &shortcut, const QString &fileName)
{
    const QString folder =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/applications");
    platform::DesktopEntry entry;
    entry.setValue(QStringLiteral("Type"), QStringLiteral("Application"));
    entry.setValue(QStringLiteral("Name"), shortcut.name);
    QStringList exec;
    for (const QString &argument : shortcut.command)
        exec << platform::DesktopEntry::quoteExecArgument(argument);
    entry.setValue(QStringLiteral("Exec"), exec.join(u' '));
    entry.setBoolean(QStringLiteral("NoDisplay"), true);
    return QDir().mkpath(folder) && entry.write(folder + u'/' + fileName);
}

} // namespace

QString KdeGlobalShortcuts::addCommandShortcut(const CommandShortcut &shortcut, std::chrono::milliseconds timeout)
{
    const QString component = shortcut.id + QStringLiteral(".desktop");
    if (!writeLauncherEntry(shortcut, component))
        return QStringLiteral("The shortcut's desktop entry could not be written.");
    const QStringList action{component, QStringLiteral("_launch"), shortcut.name, shortcut.name};
    if (callService(QStringLiteral("doRegister"), {action}, timeout).type() != QDBusMessage::ReplyMessage)
        return QStringLiteral("KDE's global shortcuts service did not answer.");
    const int keys = shortcut.keys.toCombined();
    const QDBusMessage set = callService(QStringLiteral("setShortcut"),
                                         {action, QVariant::fromValue(QList<int>{keys}), setPresent | noAutoloading},
                                         timeout);
    if (set.type() != QDBusMessage::ReplyMessage)
        return QStringLiteral("KDE's global shortcuts service did not answer.");
    // It answers with the keys it gave the action: none (0) when another holds them.
    if (qdbus_cast<QList<int>>(set.arguments().value(0)).value(0) != keys)
        return QStringLiteral("KDE kept these keys for another shortcut.");
    return {};
}

QString KdeGlobalShortcuts::owner(QKeyCombination combination, std::chrono::milliseconds timeout)
{
    QDBusMessage call = QDBusMessage::createMethodCall(service, QStringLiteral("/kglobalaccel"),
                                                       QStringLiteral("org.kde.KGlobalAccel"),
                                                       QStringLiteral("getGlobalShortcutsByKey"));
    call.setAutoStartService(false);
    call << combination.toCombined();
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, int(timeout.count()));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()
        || reply.signature() != QLatin1String("a(ssssssaiai)"))
        return {};
    const auto rows = reply.arguments().constFirst().value<QDBusArgument>();
    rows.beginArray();
    QString found;
    while (!rows.atEnd()) {
        const QStringList names = readShortcutInfo(rows);
        if (found.isEmpty())
            found = describe(names);
    }
    rows.endArray();
    return found;
}

} // namespace platform
