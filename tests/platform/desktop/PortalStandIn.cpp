// A stand-in for the desktop portal, for tests only (Debian 12's real portal
// offers global shortcuts only with KDE's backend): it owns
// org.freedesktop.portal.Desktop on the session bus and, for a version above 0
// (its one argument), offers org.freedesktop.portal.GlobalShortcuts with that
// version. Prints "ready" once it owns the name.

#include <QCoreApplication>
#include <QDBusConnection>

#include <cstdio>

class GlobalShortcutsStandIn : public QObject
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

private:
    uint m_version;
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const uint version = argc > 1 ? QByteArray(argv[1]).toUInt() : 1;
    GlobalShortcutsStandIn portal(version);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (version > 0
        && !bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal,
                               QDBusConnection::ExportAllProperties))
        return 1;
    if (!bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop")))
        return 1;
    std::puts("ready");
    std::fflush(stdout);
    return QCoreApplication::exec();
}

#include "PortalStandIn.moc"
