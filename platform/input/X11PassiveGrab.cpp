#include "X11PassiveGrab.h"

#include <memory>
#include <vector>

namespace platform {

namespace {

constexpr quint8 badAccess = 10;
constexpr xcb_keysym_t numLockSymbol = 0xff7f;
constexpr xcb_keysym_t scrollLockSymbol = 0xff14;

template<typename Reply> std::unique_ptr<Reply, decltype(&std::free)> owned(Reply *reply)
{
    return {reply, &std::free};
}

auto keyboardMapping(xcb_connection_t *connection)
{
    const xcb_setup_t *setup = xcb_get_setup(connection);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    return owned(xcb_get_keyboard_mapping_reply(
        connection, xcb_get_keyboard_mapping(connection, setup->min_keycode, quint8(count)), nullptr));
}

/// The mask of the modifier `keyCode` sets; 0 when it sets none.
quint16 modifierOf(xcb_connection_t *connection, xcb_keycode_t keyCode)
{
    const auto map = owned(xcb_get_modifier_mapping_reply(connection, xcb_get_modifier_mapping(connection), nullptr));
    if (!map || keyCode == 0)
        return 0;
    const xcb_keycode_t *codes = xcb_get_modifier_mapping_keycodes(map.get());
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int i = 0; i < map->keycodes_per_modifier; ++i) {
            if (codes[modifier * map->keycodes_per_modifier + i] == keyCode)
                return quint16(1u << modifier);
        }
    }
    return 0;
}

/// Every combination of the bits of `locks`, none first.
std::vector<quint16> subsetsOf(quint16 locks)
{
    std::vector<quint16> subsets{0};
    for (quint16 bit = 1; bit != 0 && bit <= locks; bit <<= 1) {
        if (!(locks & bit))
            continue;
        const auto count = subsets.size();
        for (std::size_t i = 0; i < count; ++i)
            subsets.push_back(subsets[i] | bit);
    }
    return subsets;
}

} // namespace

X11PassiveGrab::X11PassiveGrab(xcb_connection_t *connection, xcb_window_t root, xcb_keycode_t keyCode,
                               quint16 modifiers)
    : m_connection(connection)
    , m_root(root)
    , m_keyCode(keyCode)
    , m_modifiers(modifiers)
    , m_locks(lockModifiers(connection) & ~modifiers)
{
    // Every request first, then every answer: one round trip, not eight.
    std::vector<std::pair<quint16, xcb_void_cookie_t>> requests;
    for (const quint16 locks : subsetsOf(m_locks)) {
        const quint16 mask = modifiers | locks;
        requests.emplace_back(mask, xcb_grab_key_checked(connection, 1, root, mask, keyCode, XCB_GRAB_MODE_ASYNC,
                                                         XCB_GRAB_MODE_ASYNC));
    }
    m_result = Result::Grabbed;
    for (const auto &[mask, cookie] : requests) {
        const auto error = owned(xcb_request_check(connection, cookie));
        if (!error)
            m_held.append(mask);
        else if (error->error_code == badAccess)
            m_result = Result::Taken; // told before any other refusal: the user can act on it
        else if (m_result == Result::Grabbed)
            m_result = Result::Failed;
    }
    if (m_result != Result::Grabbed)
        release();
}

X11PassiveGrab::~X11PassiveGrab()
{
    release();
}

void X11PassiveGrab::release()
{
    if (m_held.isEmpty())
        return;
    for (const quint16 mask : std::as_const(m_held))
        xcb_ungrab_key(m_connection, m_keyCode, m_root, mask);
    m_held.clear();
    xcb_flush(m_connection);
}

bool X11PassiveGrab::matches(const xcb_key_press_event_t &event) const
{
    return m_result == Result::Grabbed && event.detail == m_keyCode
           && (event.state & ~m_locks & 0xff) == m_modifiers;
}

xcb_keycode_t X11PassiveGrab::keyCodeOf(xcb_connection_t *connection, xcb_keysym_t symbol)
{
    const auto mapping = keyboardMapping(connection);
    if (!mapping || mapping->keysyms_per_keycode == 0)
        return 0;
    const xcb_keysym_t *symbols = xcb_get_keyboard_mapping_keysyms(mapping.get());
    const int length = xcb_get_keyboard_mapping_keysyms_length(mapping.get());
    for (int i = 0; i < length; ++i) {
        if (symbols[i] == symbol)
            return xcb_keycode_t(xcb_get_setup(connection)->min_keycode + i / mapping->keysyms_per_keycode);
    }
    return 0;
}

xcb_keysym_t X11PassiveGrab::keySymbolOf(xcb_connection_t *connection, xcb_keycode_t keyCode)
{
    const auto mapping = keyboardMapping(connection);
    const int index = (keyCode - xcb_get_setup(connection)->min_keycode) * (mapping ? mapping->keysyms_per_keycode : 0);
    if (!mapping || keyCode < xcb_get_setup(connection)->min_keycode
        || index >= xcb_get_keyboard_mapping_keysyms_length(mapping.get()))
        return 0;
    return xcb_get_keyboard_mapping_keysyms(mapping.get())[index];
}

quint16 X11PassiveGrab::lockModifiers(xcb_connection_t *connection)
{
    return XCB_MOD_MASK_LOCK | modifierOf(connection, keyCodeOf(connection, numLockSymbol))
           | modifierOf(connection, keyCodeOf(connection, scrollLockSymbol));
}

} // namespace platform
