// A stand-in for the desktop portal, for tests only (Debian 12's real portal
// offers global shortcuts only with KDE's backend): it owns
// org.freedesktop.portal.Desktop on the session bus and, for a version above 0
// (its one argument), offers org.freedesktop.portal.GlobalShortcuts with that
// version: sessions are granted, shortcuts bound as asked, and each bound
// shortcut is reported pressed once (Activated) right after. Prints "ready"
// once it owns the name.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QTimer>

#include <cstdio>

class GlobalShortcutsStandIn : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.GlobalShortcuts")
    Q_PROPERTY(uint version READ version CONSTANT)

public:
    explicit GlobalShortcutsStandIn(uint version)
        : m_version(version)
    {
    }
    uint version() const { return m_version; }

public Q_SLOTS:
    QDBusObjectPath CreateSession(const QVariantMap &options)
    {
        const QString session = QStringLiteral("/org/freedesktop/portal/desktop/session/")
                                + options.value(QStringLiteral("session_handle_token")).toString();
        return respond(options, {{QStringLiteral("session_handle"), session}});
    }
    QDBusObjectPath BindShortcuts(const QDBusObjectPath &session, const QList<QPair<QString, QVariantMap>> &shortcuts,
                                  const QString &, const QVariantMap &options)
    {
        const QDBusObjectPath handle = respond(options, {});
        for (const auto &shortcut : shortcuts) {
            QTimer::singleShot(0, this, [session, id = shortcut.first] {
                QDBusMessage activated = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/portal/desktop"),
                                                                    QStringLiteral("org.freedesktop.portal.GlobalShortcuts"),
                                                                    QStringLiteral("Activated"));
                activated << QVariant::fromValue(session) << id << qulonglong(0) << QVariantMap();
                QDBusConnection::sessionBus().send(activated);
            });
        }
        return handle;
    }

private:
    /// Answers a request on its own object, after the call's reply, as the portal does.
    QDBusObjectPath respond(const QVariantMap &options, const QVariantMap &results)
    {
        const QString sender = message().service().mid(1).replace(u'.', u'_');
        const QString path = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
                                 .arg(sender, options.value(QStringLiteral("handle_token")).toString());
        QTimer::singleShot(0, this, [path, results] {
            QDBusMessage response = QDBusMessage::createSignal(path, QStringLiteral("org.freedesktop.portal.Request"),
                                                               QStringLiteral("Response"));
            response << 0u << results;
            QDBusConnection::sessionBus().send(response);
        });
        return QDBusObjectPath(path);
    }

    uint m_version;
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const uint version = argc > 1 ? QByteArray(argv[1]).toUInt() : 1;
    qDBusRegisterMetaType<QPair<QString, QVariantMap>>();
    qDBusRegisterMetaType<QList<QPair<QString, QVariantMap>>>();
    GlobalShortcutsStandIn portal(version);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (version > 0
        && !bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal,
                               QDBusConnection::ExportAllProperties | QDBusConnection::ExportAllSlots))
        return 1;
    if (!bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop")))
        return 1;
    std::puts("ready");
    std::fflush(stdout);
    return QCoreApplication::exec();
}

#include "PortalStandIn.moc"
