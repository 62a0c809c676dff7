#include "X11GlobalHotKey.h"

#include "VirtualKeyCodes.h"
#include "X11Connection.h"
#include "X11PassiveGrab.h"

#include <xkbcommon/xkbcommon.h>

#include <array>

namespace platform {

namespace {

struct ModifierRow
{
    quint32 carbon;
    quint16 x;
    const char *name;
};

// In the order names are written.
constexpr std::array<ModifierRow, 4> modifierRows{{
    {0x1000, XCB_MOD_MASK_CONTROL, "Ctrl"},
    {0x0800, XCB_MOD_MASK_1, "Alt"},
    {0x0200, XCB_MOD_MASK_SHIFT, "Shift"},
    {0x0100, XCB_MOD_MASK_4, "Super"},
}};

} // namespace

struct X11GlobalHotKey::Private
{
    X11Connection &connection;
    std::unique_ptr<X11PassiveGrab> grab;
};

X11GlobalHotKey::X11GlobalHotKey(X11Connection &connection, QObject *parent)
    : QObject(parent)
    , d(std::make_unique<Private>(Private{connection, nullptr}))
{
    connect(&connection, &X11Connection::eventReceived, this, [this](const xcb_generic_event_t *event) {
        if ((event->response_type & 0x7f) == XCB_KEY_PRESS && d->grab
            && d->grab->matches(*reinterpret_cast<const xcb_key_press_event_t *>(event)))
            Q_EMIT activated();
    });
}

X11GlobalHotKey::~X11GlobalHotKey() = default;

X11GlobalHotKey::Result X11GlobalHotKey::grab(quint16 keyCode, quint32 carbonModifiers)
{
    release();
    const auto xkbKeycode = VirtualKeyCodes::toXkbKeycode(keyCode);
    const xcb_setup_t *setup = xcb_get_setup(d->connection.get());
    if (!xkbKeycode || *xkbKeycode < setup->min_keycode || *xkbKeycode > setup->max_keycode)
        return Result::NoKey;
    auto grab = std::make_unique<X11PassiveGrab>(d->connection.get(), d->connection.screen().root,
                                                 xcb_keycode_t(*xkbKeycode), modifierMask(carbonModifiers));
    switch (grab->result()) {
    case X11PassiveGrab::Result::Grabbed:
        d->grab = std::move(grab);
        return Result::Grabbed;
    case X11PassiveGrab::Result::Taken:
        return Result::Taken;
    case X11PassiveGrab::Result::Failed:
        break;
    }
    return Result::Failed;
}

void X11GlobalHotKey::release()
{
    d->grab.reset();
}

quint16 X11GlobalHotKey::modifierMask(quint32 carbonModifiers)
{
    quint16 mask = 0;
    for (const auto &row : modifierRows) {
        if (carbonModifiers & row.carbon)
            mask |= row.x;
    }
    return mask;
}

QString X11GlobalHotKey::name(quint16 keyCode, quint32 carbonModifiers) const
{
    QString text;
    for (const auto &row : modifierRows) {
        if (carbonModifiers & row.carbon)
            text += QLatin1String(row.name) + u'+';
    }
    const auto xkbKeycode = VirtualKeyCodes::toXkbKeycode(keyCode);
    const xcb_keysym_t symbol = xkbKeycode ? X11PassiveGrab::keySymbolOf(d->connection.get(), xcb_keycode_t(*xkbKeycode)) : 0;
    std::array<char, 64> buffer{};
    if (symbol == 0 || xkb_keysym_get_name(symbol, buffer.data(), buffer.size()) <= 0)
        return text + QStringLiteral("0x%1").arg(keyCode, 0, 16);
    QString key = QString::fromLatin1(buffer.data());
    key[0] = key[0].toUpper(); // "space" -> "Space", "a" -> "A"
    return text + key;
}

} // namespace platform
