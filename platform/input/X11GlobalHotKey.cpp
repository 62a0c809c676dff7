#include "X11GlobalHotKey.h"

#include "VirtualKeyCodes.h"
#include "X11Connection.h"
#include "X11PassiveGrab.h"

// The XKB protocol header names a field "explicit", a C++ keyword.
#define explicit xkbExplicit
#include <xcb/xkb.h>
#undef explicit
#include <xkbcommon/xkbcommon.h>

#include <array>
#include <cstdlib>
#include <memory>

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

// Asks the server to send a held key's auto-repeat as presses alone, with no
// release between them (XKB's detectable auto-repeat, for this connection only).
// False where the server has no XKB or refuses.
bool askForDetectableAutoRepeat(xcb_connection_t *connection)
{
    const auto use = xcb_xkb_use_extension(connection, XCB_XKB_MAJOR_VERSION, XCB_XKB_MINOR_VERSION);
    const std::unique_ptr<xcb_xkb_use_extension_reply_t, decltype(&std::free)> used(
        xcb_xkb_use_extension_reply(connection, use, nullptr), &std::free);
    if (!used || !used->supported)
        return false;
    constexpr quint32 flag = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
    const auto set = xcb_xkb_per_client_flags(connection, XCB_XKB_ID_USE_CORE_KBD, flag, flag, 0, 0, 0);
    const std::unique_ptr<xcb_xkb_per_client_flags_reply_t, decltype(&std::free)> flags(
        xcb_xkb_per_client_flags_reply(connection, set, nullptr), &std::free);
    return flags && (flags->value & flag);
}

} // namespace

struct X11GlobalHotKey::Private
{
    X11Connection &connection;
    std::unique_ptr<X11PassiveGrab> grab;
    xcb_keycode_t keyCode = 0; // the grabbed key's
    bool detectableAutoRepeat = false;
    // With detectable auto-repeat: whether the grabbed key is down, and when it
    // last came down (first press or repeat).
    bool held = false;
    xcb_timestamp_t lastPress = 0;
    // Without it: when the key last went up.
    xcb_timestamp_t lastRelease = XCB_CURRENT_TIME;

    // Whether a press of the grabbed key is the key's auto-repeat rather than a
    // new press; records what the next event needs.
    bool isRepeat(const xcb_key_press_event_t &key, bool press)
    {
        if (!detectableAutoRepeat) {
            // Repeats come as a release and a press of the same moment. So does a
            // second press in the release's millisecond, which only a program makes.
            const bool repeated = key.time == lastRelease;
            if (!press)
                lastRelease = key.time;
            return repeated;
        }
        // A press while the key is down repeats it. A release the grab did not
        // see (another client grabbed the keyboard meanwhile) must not silence
        // the key for good: a key that has not come down for a second is new.
        constexpr xcb_timestamp_t RepeatGap = 1000;
        const bool repeated = press && held && xcb_timestamp_t(key.time - lastPress) < RepeatGap;
        held = press;
        if (press)
            lastPress = key.time;
        return repeated;
    }
};

X11GlobalHotKey::X11GlobalHotKey(X11Connection &connection, QObject *parent)
    : QObject(parent)
    , d(std::make_unique<Private>(Private{connection, nullptr}))
{
    d->detectableAutoRepeat = askForDetectableAutoRepeat(connection.get());
    connect(&connection, &X11Connection::eventReceived, this, [this](const xcb_generic_event_t *event) {
        const quint8 type = event->response_type & 0x7f;
        if ((type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE) || !d->grab)
            return;
        const auto &key = *reinterpret_cast<const xcb_key_press_event_t *>(event);
        const bool press = type == XCB_KEY_PRESS;
        // A release counts whatever modifiers are still down then.
        if (press ? !d->grab->matches(key) : key.detail != d->keyCode)
            return;
        // Only the first press of a held key acts, or holding it would toggle on and on.
        if (!d->isRepeat(key, press) && press)
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
        d->keyCode = xcb_keycode_t(*xkbKeycode);
        d->held = false;
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
