#include "X11KeyGrab.h"

#include "KeySymbols_p.h"
#include "platform/input/X11PassiveGrab.h"

#include <xcb/xcb.h>

#include <memory>

namespace platform {

namespace {

struct Disconnect
{
    void operator()(xcb_connection_t *connection) const { xcb_disconnect(connection); }
};
using Connection = std::unique_ptr<xcb_connection_t, Disconnect>;

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
    const xcb_keycode_t keyCode = X11PassiveGrab::keyCodeOf(c, *symbol);
    if (keyCode == 0)
        return Result::Unknown;
    // The trial grab ends with its object, before the connection does.
    const X11PassiveGrab grab(c, xcb_setup_roots_iterator(xcb_get_setup(c)).data->root, keyCode,
                              modifierMask(combination.keyboardModifiers()));
    switch (grab.result()) {
    case X11PassiveGrab::Result::Grabbed: return Result::Free;
    case X11PassiveGrab::Result::Taken: return Result::Taken;
    case X11PassiveGrab::Result::Failed: break;
    }
    return Result::Unknown;
}

} // namespace platform
