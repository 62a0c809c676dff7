#include "KdeGlobalShortcuts.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
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

} // namespace

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
