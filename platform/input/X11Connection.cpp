#include "X11Connection.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <cstdlib>

namespace platform {

struct X11Connection::Private
{
    struct Disconnect
    {
        void operator()(xcb_connection_t *connection) const { xcb_disconnect(connection); }
    };

    std::unique_ptr<xcb_connection_t, Disconnect> connection;
    std::unique_ptr<QSocketNotifier> notifier;
    bool lost = false;
};

std::unique_ptr<X11Connection> X11Connection::open(const QByteArray &display)
{
    xcb_connection_t *connection = xcb_connect(display.isEmpty() ? nullptr : display.constData(), nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return nullptr;
    }
    return std::unique_ptr<X11Connection>(new X11Connection(connection));
}

X11Connection::X11Connection(xcb_connection_t *connection)
    : d(std::make_unique<Private>())
{
    d->connection.reset(connection);
    d->notifier = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(connection), QSocketNotifier::Read);
    connect(d->notifier.get(), &QSocketNotifier::activated, this, &X11Connection::dispatch);
    // A reply read while waiting for it may bring events along, which leave
    // the socket drained: they would wait for the next unrelated event.
    if (auto *dispatcher = QCoreApplication::eventDispatcher())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] { announce(xcb_poll_for_queued_event); });
}

X11Connection::~X11Connection() = default;

xcb_connection_t *X11Connection::get() const
{
    return d->connection.get();
}

const xcb_screen_t &X11Connection::screen() const
{
    return *xcb_setup_roots_iterator(xcb_get_setup(d->connection.get())).data;
}

bool X11Connection::isValid() const
{
    return !d->lost;
}

void X11Connection::dispatch()
{
    announce(xcb_poll_for_event);
}

void X11Connection::announce(xcb_generic_event_t *(*next)(xcb_connection_t *))
{
    if (d->lost)
        return;
    while (xcb_generic_event_t *event = next(d->connection.get())) {
        const std::unique_ptr<xcb_generic_event_t, decltype(&std::free)> owned(event, &std::free);
        Q_EMIT eventReceived(event);
    }
    if (xcb_connection_has_error(d->connection.get())) {
        d->lost = true;
        d->notifier->setEnabled(false);
        Q_EMIT disconnected();
    }
}

} // namespace platform
