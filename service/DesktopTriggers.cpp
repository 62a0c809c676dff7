#include "DesktopTriggers.h"

#include "ServiceJournal.h"

#include "platform/input/PortalGlobalShortcut.h"
#include "platform/input/X11Connection.h"
#include "platform/input/X11GlobalHotKey.h"
#include "platform/input/X11HotCorners.h"
#include "platform/plist/PreferenceValue.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

#include <algorithm>
#include <array>
#include <utility>

namespace {

using Corner = platform::X11HotCorners::Corner;

const QString HotKeyKey = QStringLiteral("ShowHideHotKey");

constexpr std::array<std::pair<const char *, Corner>, 4> cornerRows{{
    {"TopLeftCorner", Corner::TopLeft},
    {"TopRightCorner", Corner::TopRight},
    {"BottomLeftCorner", Corner::BottomLeft},
    {"BottomRightCorner", Corner::BottomRight},
}};

bool isCornerKey(const QString &key)
{
    return std::any_of(cornerRows.begin(), cornerRows.end(), [&](const auto &row) { return key == QLatin1String(row.first); });
}

bool isWaylandSession()
{
    return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") || qgetenv("XDG_SESSION_TYPE") == "wayland";
}

const QString ShowRoute = QStringLiteral("bind a desktop shortcut to the Launcher interface's Show");

} // namespace

DesktopTriggers::DesktopTriggers(ServiceJournal &journal, QObject *parent)
    : QObject(parent)
    , m_journal(journal)
{
    if (isWaylandSession()) {
        m_journal.write(QStringLiteral("unavailable"), {QStringLiteral("hot corners"), QStringLiteral("a Wayland session")});
        m_portal = std::make_unique<platform::PortalGlobalShortcut>();
        connect(m_portal.get(), &platform::PortalGlobalShortcut::activated, this, &DesktopTriggers::hotKeyPressed);
        connect(m_portal.get(), &platform::PortalGlobalShortcut::bound, this, [this](bool ok, const QString &detail) {
            m_journal.write(ok ? QStringLiteral("hot-key") : QStringLiteral("unavailable"),
                            ok ? QStringList{QStringLiteral("bound through the portal"), detail}
                               : QStringList{QStringLiteral("hot key through the portal"), detail, ShowRoute});
        });
        return;
    }
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        m_journal.write(QStringLiteral("unavailable"), {QStringLiteral("hot key and hot corners"),
                                                        QStringLiteral("no X display (DISPLAY is not set)")});
        return;
    }
    m_connection = platform::X11Connection::open();
    if (!m_connection) {
        lose(QStringLiteral("the X display %1 does not answer").arg(qEnvironmentVariable("DISPLAY")));
        return;
    }
    m_hotKey = std::make_unique<platform::X11GlobalHotKey>(*m_connection);
    m_corners = std::make_unique<platform::X11HotCorners>(*m_connection);
    connect(m_hotKey.get(), &platform::X11GlobalHotKey::activated, this, &DesktopTriggers::hotKeyPressed);
    connect(m_corners.get(), &platform::X11HotCorners::entered, this, [this](Corner corner) {
        for (const auto &[key, value] : cornerRows) {
            if (value == corner)
                Q_EMIT cornerReached(QLatin1String(key));
        }
    });
    connect(m_connection.get(), &platform::X11Connection::disconnected, this,
            [this] { lose(QStringLiteral("the X display closed the connection")); });
}

DesktopTriggers::~DesktopTriggers() = default;

void DesktopTriggers::takeUp(const QString &key, const QString &value)
{
    if (key == HotKeyKey) {
        takeUpHotKey(value);
    } else if (isCornerKey(key)) {
        const bool on = platform::PreferenceValue::boolValue(value);
        if (on == m_enabledCorners.contains(key))
            return;
        on ? (void)m_enabledCorners.insert(key) : (void)m_enabledCorners.remove(key);
        // The four keys come one after another: lay the windows out once.
        if (!std::exchange(m_cornersPending, true))
            QMetaObject::invokeMethod(this, &DesktopTriggers::applyCorners, Qt::QueuedConnection);
    }
}

void DesktopTriggers::takeUpHotKey(const QString &value)
{
    if (!m_hotKey && !m_portal)
        return;
    const QStringList parts = value.split(u' ', Qt::SkipEmptyParts);
    bool codeOk = false;
    bool modifiersOk = false;
    const int keyCode = parts.value(0).toInt(&codeOk);
    const qint64 modifiers = parts.value(1).toLongLong(&modifiersOk);
    const bool valid = parts.size() == 2 && codeOk && modifiersOk && keyCode >= 0 && keyCode <= 0xffff && modifiers >= 0;
    // A held key stays held; one refused before is tried again, since its holder may have let go.
    if (value == m_hotKeyValue && (m_hotKeyHeld || !valid))
        return;
    m_hotKeyValue = value;
    m_hotKeyHeld = false;
    if (m_hotKey)
        m_hotKey->release();
    if (m_portal)
        m_portal->release();
    if (!valid) {
        m_journal.write(QStringLiteral("hot-key"), {QStringLiteral("none")});
        return;
    }
    if (m_portal) {
        m_hotKeyHeld = true;   // the desktop holds it from now on, or tells why not
        m_portal->bind(QStringLiteral("show-hide-launcher"), QStringLiteral("Show or hide the launcher"),
                       quint16(keyCode), quint32(modifiers));
        return;
    }
    grab(quint16(keyCode), quint32(modifiers), value);
}

void DesktopTriggers::grab(quint16 keyCode, quint32 modifiers, const QString &value)
{
    const QString name = m_hotKey->name(keyCode, modifiers);
    switch (m_hotKey->grab(keyCode, modifiers)) {
    case platform::X11GlobalHotKey::Result::Grabbed:
        m_hotKeyHeld = true;
        m_journal.write(QStringLiteral("hot-key"), {QStringLiteral("grabbed"), name});
        break;
    case platform::X11GlobalHotKey::Result::Taken:
        m_journal.write(QStringLiteral("error"), {QStringLiteral("hot key taken"), name});
        tellTaken(name);
        break;
    case platform::X11GlobalHotKey::Result::NoKey:
        m_journal.write(QStringLiteral("error"), {QStringLiteral("hot key not on this keyboard"), value});
        break;
    case platform::X11GlobalHotKey::Result::Failed:
        m_journal.write(QStringLiteral("error"), {QStringLiteral("hot key refused"), name});
        break;
    }
}

void DesktopTriggers::applyCorners()
{
    m_cornersPending = false;
    if (!m_corners)
        return;
    platform::X11HotCorners::Corners corners;
    QStringList names;
    for (const auto &[key, corner] : cornerRows) {
        if (m_enabledCorners.contains(QLatin1String(key))) {
            corners |= corner;
            names.append(QLatin1String(key));
        }
    }
    m_corners->setEnabled(corners);
    m_journal.write(QStringLiteral("hot-corners"), names.isEmpty() ? QStringList{QStringLiteral("none")} : names);
}

void DesktopTriggers::tellTaken(const QString &combination)
{
    if (m_told.contains(combination))
        return;
    m_told.insert(combination);
    // Sent, never waited for: a desktop without a notification service only
    // answers with an error nobody needs.
    QDBusMessage notify = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    notify << QStringLiteral("Corvane") << 0u << QString() << QStringLiteral("The launcher's hot key is taken")
           << QStringLiteral("Another program holds %1, so it cannot show the launcher. "
                             "Choose another hot key in Corvane's settings.")
                  .arg(combination)
           << QStringList() << QVariantMap() << -1;
    QDBusConnection::sessionBus().send(notify);
}

void DesktopTriggers::lose(const QString &why)
{
    m_journal.write(QStringLiteral("unavailable"), {QStringLiteral("hot key and hot corners"), why});
    if (m_connection)
        QMetaObject::invokeMethod(this, [this] {
            m_hotKey.reset();
            m_corners.reset();
            m_connection.reset();
        }, Qt::QueuedConnection);
}
