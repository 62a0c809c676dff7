#pragma once

#include <QDBusObjectPath>
#include <QObject>
#include <QString>
#include <QVariantMap>

namespace platform {

/// One shortcut bound through the desktop portal's global shortcuts
/// (org.freedesktop.portal.GlobalShortcuts on the session bus): the way to a hot
/// key on Wayland, where no client may grab keys. bind() opens a session and
/// binds the shortcut with the trigger it prefers (the desktop may ask the user
/// to confirm or change it); activated() follows each press the desktop reports.
class PortalGlobalShortcut : public QObject
{
    Q_OBJECT
public:
    explicit PortalGlobalShortcut(QObject *parent = nullptr);
    /// Closes the session, which lets the shortcut go.
    ~PortalGlobalShortcut() override;

    /// Binds `id`, described as `description`, preferring the trigger of
    /// `keyCode` and `carbonModifiers`; a session opened before is closed first.
    /// Returns at once; bound() tells the outcome.
    void bind(const QString &id, const QString &description, quint16 keyCode, quint32 carbonModifiers);
    /// Closes the session: the desktop lets the shortcut go, nothing is announced.
    void release();

    /// The trigger as the shortcuts specification writes it ("CTRL+ALT+SHIFT+LOGO+space",
    /// the key by the symbol it types on a US layout); empty for a key without one.
    static QString trigger(quint16 keyCode, quint32 carbonModifiers);

Q_SIGNALS:
    /// The portal answered: `ok` with the preferred trigger as `detail`, or not,
    /// with why (no portal, no such interface, refused, cancelled).
    void bound(bool ok, const QString &detail);
    /// The desktop reports the shortcut pressed.
    void activated();

private Q_SLOTS:
    void sessionCreated(uint response, const QVariantMap &results);
    void shortcutsBound(uint response, const QVariantMap &results);
    void shortcutActivated(const QDBusObjectPath &session, const QString &id, qulonglong timestamp,
                           const QVariantMap &options);

private:
    bool request(const QString &method, const QVariantList &arguments, const QString &token, const char *slot);

    QString m_id;
    QString m_description;
    QString m_trigger;
    QString m_session;
    QString m_requestPath;
    const char *m_requestSlot = nullptr;
    uint m_tokens = 0;
};

} // namespace platform
