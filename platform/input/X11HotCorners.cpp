#include "X11HotCorners.h"

#include "X11Connection.h"

#include <xcb/randr.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

namespace platform {

namespace {

template<typename Reply> std::unique_ptr<Reply, decltype(&std::free)> owned(Reply *reply)
{
    return {reply, &std::free};
}

/// The monitors RandR 1.5 lists; empty without RandR or monitors.
QList<QRect> randrMonitors(xcb_connection_t *connection, xcb_window_t root)
{
    const auto version = owned(xcb_randr_query_version_reply(connection, xcb_randr_query_version(connection, 1, 5), nullptr));
    if (!version || (version->major_version == 1 && version->minor_version < 5))
        return {};
    const auto reply = owned(xcb_randr_get_monitors_reply(connection, xcb_randr_get_monitors(connection, root, 1), nullptr));
    QList<QRect> monitors;
    if (!reply)
        return monitors;
    for (auto it = xcb_randr_get_monitors_monitors_iterator(reply.get()); it.rem; xcb_randr_monitor_info_next(&it))
        monitors.append(QRect(it.data->x, it.data->y, it.data->width, it.data->height));
    return monitors;
}

} // namespace

struct X11HotCorners::Private
{
    X11Connection &connection;
    Corners enabled;
    bool randr = false;
    quint8 randrEventBase = 0;
    std::vector<std::pair<xcb_window_t, Corner>> windows;

    xcb_connection_t *c() const { return connection.get(); }
    void watchScreen();
    QList<QRect> monitors() const;
    void layOut();
    void removeWindows();
    void raise();
    void handle(const xcb_generic_event_t *event, X11HotCorners &corners);
};

void X11HotCorners::Private::watchScreen()
{
    const xcb_window_t root = connection.screen().root;
    const xcb_query_extension_reply_t *extension = xcb_get_extension_data(c(), &xcb_randr_id);
    randr = extension && extension->present;
    if (randr) {
        randrEventBase = extension->first_event;
        xcb_randr_select_input(c(), root,
                               XCB_RANDR_NOTIFY_MASK_SCREEN_CHANGE | XCB_RANDR_NOTIFY_MASK_CRTC_CHANGE
                                   | XCB_RANDR_NOTIFY_MASK_OUTPUT_CHANGE);
    }
    xcb_flush(c());
}

QList<QRect> X11HotCorners::Private::monitors() const
{
    const QList<QRect> listed = randr ? randrMonitors(c(), connection.screen().root) : QList<QRect>();
    if (!listed.isEmpty())
        return listed;
    const auto geometry = owned(xcb_get_geometry_reply(c(), xcb_get_geometry(c(), connection.screen().root), nullptr));
    if (!geometry)
        return {QRect(0, 0, connection.screen().width_in_pixels, connection.screen().height_in_pixels)};
    return {QRect(0, 0, geometry->width, geometry->height)};
}

void X11HotCorners::Private::layOut()
{
    removeWindows();
    // The root's own size always; with corners shown, each top-level window
    // mapped too, which could cover one: they are raised above it.
    const quint32 mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | (enabled ? XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY : 0);
    xcb_change_window_attributes(c(), connection.screen().root, XCB_CW_EVENT_MASK, &mask);
    if (!enabled)
        return;
    const xcb_screen_t &screen = connection.screen();
    for (const auto &[place, corner] : outerCorners(monitors())) {
        if (!enabled.testFlag(corner))
            continue;
        const xcb_window_t window = xcb_generate_id(c());
        const quint32 values[] = {1, XCB_EVENT_MASK_ENTER_WINDOW}; // override-redirect, event mask
        xcb_create_window(c(), XCB_COPY_FROM_PARENT, window, screen.root, qint16(place.x()), qint16(place.y()), 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT,
                          XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
        xcb_map_window(c(), window);
        windows.emplace_back(window, corner);
    }
    xcb_flush(c());
}

void X11HotCorners::Private::removeWindows()
{
    for (const auto &[window, corner] : windows)
        xcb_destroy_window(c(), window);
    windows.clear();
    xcb_flush(c());
}

void X11HotCorners::Private::raise()
{
    const quint32 above = XCB_STACK_MODE_ABOVE;
    for (const auto &[window, corner] : windows)
        xcb_configure_window(c(), window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
    xcb_flush(c());
}

void X11HotCorners::Private::handle(const xcb_generic_event_t *event, X11HotCorners &corners)
{
    const quint8 type = event->response_type & 0x7f;
    const auto ours = [this](xcb_window_t window) {
        return std::find_if(windows.begin(), windows.end(), [window](const auto &w) { return w.first == window; });
    };
    if (type == XCB_ENTER_NOTIFY) {
        const auto *enter = reinterpret_cast<const xcb_enter_notify_event_t *>(event);
        // Crossings a grab starts or ends are not the pointer's own movement.
        const auto window = ours(enter->event);
        if (enter->mode == XCB_NOTIFY_MODE_NORMAL && window != windows.end())
            Q_EMIT corners.entered(window->second);
    } else if (type == XCB_MAP_NOTIFY) {
        const auto *map = reinterpret_cast<const xcb_map_notify_event_t *>(event);
        if (map->event == connection.screen().root && ours(map->window) == windows.end())
            raise();
    } else if (type == XCB_CONFIGURE_NOTIFY) {
        const auto *configure = reinterpret_cast<const xcb_configure_notify_event_t *>(event);
        if (configure->window == connection.screen().root)
            layOut();
    } else if (randr && type == randrEventBase + XCB_RANDR_SCREEN_CHANGE_NOTIFY) {
        layOut();
    } else if (randr && type == randrEventBase + XCB_RANDR_NOTIFY) {
        layOut();   // a monitor moved, came or went without a new screen size
    }
}

X11HotCorners::X11HotCorners(X11Connection &connection, QObject *parent)
    : QObject(parent)
    , d(std::make_unique<Private>(Private{connection, {}}))
{
    d->watchScreen();
    d->layOut();
    connect(&connection, &X11Connection::eventReceived, this,
            [this](const xcb_generic_event_t *event) { d->handle(event, *this); });
}

X11HotCorners::~X11HotCorners()
{
    d->removeWindows();
}

void X11HotCorners::setEnabled(Corners corners)
{
    if (corners == d->enabled)
        return;
    d->enabled = corners;
    d->layOut();
}

X11HotCorners::Corners X11HotCorners::enabled() const
{
    return d->enabled;
}

QList<std::pair<QPoint, X11HotCorners::Corner>> X11HotCorners::outerCorners(const QList<QRect> &monitors)
{
    // Mirrored monitors show one place: count it once.
    QList<QRect> distinct;
    for (const QRect &monitor : monitors) {
        if (!monitor.isEmpty() && !distinct.contains(monitor))
            distinct.append(monitor);
    }
    QList<std::pair<QPoint, Corner>> corners;
    for (const QRect &monitor : std::as_const(distinct)) {
        const std::pair<QPoint, Corner> candidates[] = {{monitor.topLeft(), TopLeft},
                                                        {monitor.topRight(), TopRight},
                                                        {monitor.bottomLeft(), BottomLeft},
                                                        {monitor.bottomRight(), BottomRight}};
        for (const auto &candidate : candidates) {
            // Touched: another monitor covers the pixel or one beside it, so the
            // pointer does not stop there.
            const bool touched = std::any_of(distinct.cbegin(), distinct.cend(), [&](const QRect &other) {
                return &other != &monitor && other.adjusted(-1, -1, 1, 1).contains(candidate.first);
            });
            if (!touched)
                corners.append(candidate);
        }
    }
    return corners;
}

} // namespace platform
