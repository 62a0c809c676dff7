#include "PortalGlobalShortcut.h"

#include "VirtualKeyCodes.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include <xkbcommon/xkbcommon.h>

#include <array>
#include <memory>

namespace platform {

namespace {

const QString PortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString PortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString Interface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

/// The shortcuts a(sa{sv}): each an id and its properties.
using Shortcuts = QList<QPair<QString, QVariantMap>>;

// In the order the specification's examples write them.
constexpr std::array<std::pair<quint32, const char *>, 4> modifierNames{{
    {0x1000, "CTRL"}, {0x0800, "ALT"}, {0x0200, "SHIFT"}, {0x0100, "LOGO"}}};

/// The portal's request object for `token`: its path is known before the call,
/// so the answer is listened for first.
QString requestPath(const QString &token)
{
    QString sender = QDBusConnection::sessionBus().baseService().mid(1);
    sender.replace(u'.', u'_');
    return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
}

QString keySymbolName(quint16 keyCode)
{
    const auto xkbKeycode = VirtualKeyCodes::toXkbKeycode(keyCode);
    const std::unique_ptr<xkb_context, decltype(&xkb_context_unref)> context(xkb_context_new(XKB_CONTEXT_NO_FLAGS),
                                                                           &xkb_context_unref);
    const xkb_rule_names us{nullptr, nullptr, "us", nullptr, nullptr};
    const std::unique_ptr<xkb_keymap, decltype(&xkb_keymap_unref)> keymap(
        context ? xkb_keymap_new_from_names(context.get(), &us, XKB_KEYMAP_COMPILE_NO_FLAGS) : nullptr, &xkb_keymap_unref);
    const xkb_keysym_t *symbols = nullptr;
    if (!xkbKeycode || !keymap || xkb_keymap_key_get_syms_by_level(keymap.get(), *xkbKeycode, 0, 0, &symbols) < 1)
        return {};
    std::array<char, 64> name{};
    return xkb_keysym_get_name(symbols[0], name.data(), name.size()) > 0 ? QString::fromLatin1(name.data()) : QString();
}

} // namespace

PortalGlobalShortcut::PortalGlobalShortcut(QObject *parent)
    : QObject(parent)
{
    qDBusRegisterMetaType<QPair<QString, QVariantMap>>();
    qDBusRegisterMetaType<Shortcuts>();
    qRegisterMetaType<QDBusObjectPath>(); // known by name, or the slot below is not found
    QDBusConnection::sessionBus().connect(PortalService, PortalPath, Interface, QStringLiteral("Activated"), this,
                                          SLOT(shortcutActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
}

PortalGlobalShortcut::~PortalGlobalShortcut()
{
    release();
}

QString PortalGlobalShortcut::trigger(quint16 keyCode, quint32 carbonModifiers)
{
    const QString key = keySymbolName(keyCode);
    if (key.isEmpty())
        return {};
    QString text;
    for (const auto &[mask, name] : modifierNames) {
        if (carbonModifiers & mask)
            text += QLatin1String(name) + u'+';
    }
    return text + key;
}

void PortalGlobalShortcut::bind(const QString &id, const QString &description, quint16 keyCode,
                                quint32 carbonModifiers)
{
    release();
    m_id = id;
    m_description = description;
    m_trigger = trigger(keyCode, carbonModifiers);
    const QString token = QStringLiteral("corvane%1").arg(++m_tokens);
    const QVariantMap options{{QStringLiteral("handle_token"), token},
                              {QStringLiteral("session_handle_token"), QStringLiteral("corvane_session%1").arg(m_tokens)}};
    request(QStringLiteral("CreateSession"), {options}, token, SLOT(sessionCreated(uint, QVariantMap)));
}

bool PortalGlobalShortcut::request(const QString &method, const QVariantList &arguments, const QString &token,
                                   const char *slot)
{
    auto bus = QDBusConnection::sessionBus();
    if (m_requestSlot)
        bus.disconnect(QString(), m_requestPath, QStringLiteral("org.freedesktop.portal.Request"),
                       QStringLiteral("Response"), this, m_requestSlot);
    m_requestPath = requestPath(token);
    m_requestSlot = slot;
    if (!bus.connect(QString(), m_requestPath, QStringLiteral("org.freedesktop.portal.Request"),
                     QStringLiteral("Response"), this, slot)) {
        Q_EMIT bound(false, QStringLiteral("no session bus"));
        return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(PortalService, PortalPath, Interface, method);
    call.setArguments(arguments);
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *finished) {
        finished->deleteLater();
        if (finished->isError())
            Q_EMIT bound(false, finished->error().message());
    });
    return true;
}

void PortalGlobalShortcut::sessionCreated(uint response, const QVariantMap &results)
{
    // An object path in the specification, a string from older portals.
    const QVariant handle = results.value(QStringLiteral("session_handle"));
    m_session = handle.metaType() == QMetaType::fromType<QDBusObjectPath>() ? handle.value<QDBusObjectPath>().path()
                                                                          : handle.toString();
    if (response != 0 || m_session.isEmpty()) {
        Q_EMIT bound(false, QStringLiteral("the portal refused a session"));
        return;
    }
    QVariantMap properties{{QStringLiteral("description"), m_description}};
    if (!m_trigger.isEmpty())
        properties.insert(QStringLiteral("preferred_trigger"), m_trigger);
    const QString token = QStringLiteral("corvane%1").arg(++m_tokens);
    request(QStringLiteral("BindShortcuts"),
            {QVariant::fromValue(QDBusObjectPath(m_session)), QVariant::fromValue(Shortcuts{{m_id, properties}}),
             QString(), QVariantMap{{QStringLiteral("handle_token"), token}}},
            token, SLOT(shortcutsBound(uint, QVariantMap)));
}

void PortalGlobalShortcut::shortcutsBound(uint response, const QVariantMap &)
{
    // 1: the user cancelled the desktop's dialog; 2: refused otherwise.
    if (response == 0)
        Q_EMIT bound(true, m_trigger);
    else
        Q_EMIT bound(false, response == 1 ? QStringLiteral("the user cancelled") : QStringLiteral("the portal refused"));
}

void PortalGlobalShortcut::shortcutActivated(const QDBusObjectPath &session, const QString &id, qulonglong,
                                             const QVariantMap &)
{
    if (!m_session.isEmpty() && session.path() == m_session && id == m_id)
        Q_EMIT activated();
}

void PortalGlobalShortcut::release()
{
    if (m_session.isEmpty())
        return;
    QDBusConnection::sessionBus().send(QDBusMessage::createMethodCall(
        PortalService, m_session, QStringLiteral("org.freedesktop.portal.Session"), QStringLiteral("Close")));
    m_session.clear();
}

} // namespace platform
