#pragma once

#include <QByteArray>
#include <QObject>

#include <xcb/xcb.h>

#include <memory>

namespace platform {

/// A connection of our own to an X server, read as the event loop turns, for
/// headless code that needs X without Qt's GUI modules. Every event the server
/// sends is announced once, in order, through eventReceived.
class X11Connection : public QObject
{
    Q_OBJECT
public:
    /// Connects to `display` (DISPLAY when empty); null when no server accepts.
    static std::unique_ptr<X11Connection> open(const QByteArray &display = {});
    ~X11Connection() override;

    xcb_connection_t *get() const;
    /// The first screen: the root window the grabs and corner windows use.
    const xcb_screen_t &screen() const;
    /// False once the server has closed the connection.
    bool isValid() const;

    /// Reads what the server sent and announces every event, those a reply
    /// brought in too. The event loop calls it when the connection has data;
    /// events a reply brought in are announced before the loop waits.
    void dispatch();

Q_SIGNALS:
    /// One event, valid while the receivers run (connect directly).
    void eventReceived(const xcb_generic_event_t *event);
    /// The server closed the connection; nothing more will come.
    void disconnected();

private:
    explicit X11Connection(xcb_connection_t *connection);
    /// Announces each event `next` gives, then notices a lost connection.
    void announce(xcb_generic_event_t *(*next)(xcb_connection_t *));

    struct Private;
    std::unique_ptr<Private> const d;
};

} // namespace platform
