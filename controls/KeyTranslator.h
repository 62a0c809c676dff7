#pragma once

#include <QKeyCombination>
#include <Qt>
#include <QtGlobal>

#include <optional>

class QKeyEvent;

/// A key press in the original platform's terms: its virtual key code (0 = the
/// A key of a US layout, 36 = Return) and its event modifier flags.
struct TranslatedKey
{
    quint16 keyCode = 0;
    quint32 modifierFlags = 0;

    friend bool operator==(const TranslatedKey &, const TranslatedKey &) = default;
};

/// Turns Qt key events into the original platform's virtual key codes and
/// modifier flags, and those flags into Carbon masks, so that a hot key recorded
/// here is the one the service and an original-platform archive agree on.
///
/// The key is taken from the physical position where the platform reports one
/// (the native scan code, an XKB keycode on every Linux platform plugin), so
/// the same key records the same code under any layout; otherwise from the
/// Qt::Key, which assumes a US layout.
class KeyTranslator
{
public:
    /// The original platform's event modifier flags.
    enum ModifierFlag : quint32 {
        AlphaShiftKeyMask = 0x010000, // Caps Lock
        ShiftKeyMask = 0x020000,
        ControlKeyMask = 0x040000,
        AlternateKeyMask = 0x080000, // Option
        CommandKeyMask = 0x100000,
        NumericPadKeyMask = 0x200000,
    };

    /// The key code and modifier flags of `event`; none for a key that has no
    /// virtual key code (media keys beyond volume, dead keys, ...).
    static std::optional<TranslatedKey> translate(const QKeyEvent &event);

    /// The key code of an XKB keycode (the evdev code + 8); none when unknown.
    static std::optional<quint16> keyCodeForScanCode(quint32 nativeScanCode);
    /// The key code of a Qt key, pressed on the keypad or not, as on a US
    /// layout; none when unknown.
    static std::optional<quint16> keyCodeForQtKey(int key, bool keypad);
    /// The Qt key of a virtual key code as on a US layout, with
    /// Qt::KeypadModifier for the keypad's keys; none for a key code without
    /// one (modifier keys, fn). The first key code keyCodeForQtKey gives back.
    static std::optional<QKeyCombination> qtKeyForKeyCode(quint16 keyCode);
    /// Super -> Command, Alt -> Option, Control -> Control, Shift -> Shift,
    /// Keypad -> the numeric-pad flag; group switching is dropped.
    static quint32 modifierFlags(Qt::KeyboardModifiers modifiers);

    /// Whether `event` is the press of a modifier key alone (Shift, Control,
    /// Alt, Super, Caps Lock, ...), which a recorder waits past.
    static bool isModifierOnly(const QKeyEvent &event);

    /// The Carbon mask of event modifier flags: Command 0x0100, Option 0x0800,
    /// Control 0x1000, Shift 0x0200 for the four flags above; every other bit
    /// (Caps Lock, numeric pad, device bits) is ignored.
    static quint32 cocoaToCarbonModifiers(quint32 flags);
};
