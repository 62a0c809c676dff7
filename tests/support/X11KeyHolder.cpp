#include "X11KeyHolder.h"

#include <xcb/xcb.h>

#include <cstdlib>

namespace corvane::test {

namespace {

constexpr xcb_keycode_t space = 65; // under Xvfb's evdev keymap

xcb_window_t rootOf(xcb_connection_t *connection)
{
    return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
}

} // namespace

X11KeyHolder::X11KeyHolder(const QByteArray &display)
    : m_connection(xcb_connect(display.constData(), nullptr))
{
}

X11KeyHolder::~X11KeyHolder()
{
    xcb_disconnect(m_connection);
}

bool X11KeyHolder::hold(quint16 modifiers)
{
    xcb_generic_error_t *error = xcb_request_check(
        m_connection, xcb_grab_key_checked(m_connection, 1, rootOf(m_connection), modifiers, space,
                                           XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    std::free(error);
    return !error;
}

void X11KeyHolder::release()
{
    xcb_ungrab_key(m_connection, XCB_GRAB_ANY, rootOf(m_connection), XCB_MOD_MASK_ANY);
    std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr)); // a round trip
}

} // namespace corvane::test
