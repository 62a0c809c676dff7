#pragma once

#include <QObject>
#include <QSet>
#include <QString>

#include <memory>

class ServiceJournal;

namespace platform {
class X11Connection;
class X11GlobalHotKey;
class X11HotCorners;
class PortalGlobalShortcut;
}

/// The desktop's ways to the launcher besides the bus, on X11: the hot key
/// ("ShowHideHotKey", grabbed for the whole display) and the hot corners (the
/// four corner keys), taken up from the stored values as the service reads them
/// (see ServicePreferences). A hot key another program holds is journalled as
/// "error hot key taken <combination>" and told to the user through the
/// desktop's notification service once per combination. On Wayland the hot key
/// is bound through the portal's global shortcuts where the desktop offers them,
/// and the Launcher interface's Show is the way otherwise; without an X display
/// or on Wayland there are no hot corners. The journal says which.
class DesktopTriggers : public QObject
{
    Q_OBJECT
public:
    /// Connects to the X display of DISPLAY unless the session is Wayland's.
    explicit DesktopTriggers(ServiceJournal &journal, QObject *parent = nullptr);
    ~DesktopTriggers() override;

    /// Takes up the stored value of `key`: "ShowHideHotKey" as "<key code>
    /// <Carbon modifiers>" (-1 -1, "undecodable" or empty: no hot key), a corner
    /// key as the pane's flag ("true", "1", "YES"; empty: off). Other keys are
    /// ignored; a value that changes nothing does nothing.
    void takeUp(const QString &key, const QString &value);

Q_SIGNALS:
    /// The hot key was pressed.
    void hotKeyPressed();
    /// The pointer reached an enabled corner, named by its key ("TopLeftCorner").
    void cornerReached(const QString &cornerKey);

private:
    void takeUpHotKey(const QString &value);
    void grab(quint16 keyCode, quint32 modifiers, const QString &value);
    void applyCorners();
    void tellTaken(const QString &combination);
    void lose(const QString &why);

    ServiceJournal &m_journal;
    std::unique_ptr<platform::X11Connection> m_connection;
    std::unique_ptr<platform::X11GlobalHotKey> m_hotKey;
    std::unique_ptr<platform::X11HotCorners> m_corners;
    std::unique_ptr<platform::PortalGlobalShortcut> m_portal;
    QString m_hotKeyValue;
    bool m_hotKeyHeld = false;
    QSet<QString> m_enabledCorners;
    bool m_cornersPending = false;
    QSet<QString> m_told;
};
