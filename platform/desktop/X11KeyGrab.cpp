#include "X11KeyGrab.h"

#include "KeySymbols_p.h"

#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-keysyms.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <vector>

namespace platform {

namespace {

constexpr quint8 badAccess = 10;

struct Disconnect
{
    void operator()(xcb_connection_t *connection) const { xcb_disconnect(connection); }
};
using Connection = std::unique_ptr<xcb_connection_t, Disconnect>;

template<typename Reply> std::unique_ptr<Reply, decltype(&std::free)> owned(Reply *reply)
{
    return {reply, &std::free};
}

/// The first key code whose symbols hold `symbol`; 0 when none does.
xcb_keycode_t keyCodeOf(xcb_connection_t *connection, quint32 symbol)
{
    const xcb_setup_t *setup = xcb_get_setup(connection);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    const auto mapping = owned(xcb_get_keyboard_mapping_reply(
        connection, xcb_get_keyboard_mapping(connection, setup->min_keycode, quint8(count)), nullptr));
    if (!mapping)
        return 0;
    const xcb_keysym_t *symbols = xcb_get_keyboard_mapping_keysyms(mapping.get());
    const int perKey = mapping->keysyms_per_keycode;
    const int length = xcb_get_keyboard_mapping_keysyms_length(mapping.get());
    for (int i = 0; i < length && perKey > 0; ++i) {
        if (symbols[i] == symbol)
            return xcb_keycode_t(setup->min_keycode + i / perKey);
    }
    return 0;
}

/// The modifier that Num Lock sets (Mod2 on most servers); 0 when none.
quint16 numLockMask(xcb_connection_t *connection)
{
    const xcb_keycode_t numLock = keyCodeOf(connection, XKB_KEY_Num_Lock);
    const auto map = owned(xcb_get_modifier_mapping_reply(connection, xcb_get_modifier_mapping(connection), nullptr));
    if (!map || numLock == 0)
        return 0;
    const xcb_keycode_t *codes = xcb_get_modifier_mapping_keycodes(map.get());
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int i = 0; i < map->keycodes_per_modifier; ++i) {
            if (codes[modifier * map->keycodes_per_modifier + i] == numLock)
                return quint16(1u << modifier);
        }
    }
    return 0;
}

quint16 modifierMask(Qt::KeyboardModifiers modifiers)
{
    quint16 mask = 0;
    if (modifiers.testFlag(Qt::ShiftModifier))
        mask |= XCB_MOD_MASK_SHIFT;
    if (modifiers.testFlag(Qt::ControlModifier))
        mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers.testFlag(Qt::AltModifier))
        mask |= XCB_MOD_MASK_1;
    if (modifiers.testFlag(Qt::MetaModifier))
        mask |= XCB_MOD_MASK_4;
    return mask;
}

} // namespace

X11KeyGrab::Result X11KeyGrab::probe(QKeyCombination combination, const QByteArray &display)
{
    const auto symbol = keySymbolForQtKey(combination);
    if (!symbol)
        return Result::Unknown;
    const Connection connection(xcb_connect(display.isEmpty() ? nullptr : display.constData(), nullptr));
    if (xcb_connection_has_error(connection.get()))
        return Result::Unknown;
    xcb_connection_t *c = connection.get();
    const xcb_keycode_t keyCode = keyCodeOf(c, *symbol);
    if (keyCode == 0)
        return Result::Unknown;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const quint16 modifiers = modifierMask(combination.keyboardModifiers());
    const quint16 numLock = numLockMask(c);
    const std::array<quint16, 4> locks{0, XCB_MOD_MASK_LOCK, numLock, quint16(XCB_MOD_MASK_LOCK | numLock)};

    Result result = Result::Free;
    std::vector<quint16> held;
    for (const quint16 lock : locks) {
        const quint16 mask = modifiers | lock;
        if (std::find(held.begin(), held.end(), mask) != held.end())
            continue; // no Num Lock modifier: the same mask again
        const auto error = owned(xcb_request_check(
            c, xcb_grab_key_checked(c, 1, root, mask, keyCode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)));
        if (!error)
            held.push_back(mask);
        else if (error->error_code == badAccess)
            result = Result::Taken;
        else
            return Result::Unknown; // the connection ends, and any grab with it
    }
    for (const quint16 mask : held)
        xcb_ungrab_key(c, keyCode, root, mask);
    xcb_flush(c);
    return result;
}

} // namespace platform
