#include "KeyTranslator.h"

#include "platform/input/VirtualKeyCodes.h"

#include <QKeyEvent>

#include <algorithm>
#include <iterator>

// Physical keys come from platform::VirtualKeyCodes; the Qt::Key rows below
// follow Qt's xcb/xkbcommon key mapping for a US layout, with the virtual key
// codes of the original platform's Events.h key list (kVK_*).

namespace {

/// Qt key -> virtual key code for platforms without scan codes. A row applies
/// to presses on the keypad, off it, or both.
enum class Keypad { No, Yes, Any };
struct QtKeyRow
{
    int key;
    Keypad keypad;
    quint16 keyCode;
};

constexpr QtKeyRow qtKeyToKeyCode[] = {
    {Qt::Key_A, Keypad::Any, 0}, // kVK_ANSI_A
    {Qt::Key_B, Keypad::Any, 11}, // kVK_ANSI_B
    {Qt::Key_C, Keypad::Any, 8}, // kVK_ANSI_C
    {Qt::Key_D, Keypad::Any, 2}, // kVK_ANSI_D
    {Qt::Key_E, Keypad::Any, 14}, // kVK_ANSI_E
    {Qt::Key_F, Keypad::Any, 3}, // kVK_ANSI_F
    {Qt::Key_G, Keypad::Any, 5}, // kVK_ANSI_G
    {Qt::Key_H, Keypad::Any, 4}, // kVK_ANSI_H
    {Qt::Key_I, Keypad::Any, 34}, // kVK_ANSI_I
    {Qt::Key_J, Keypad::Any, 38}, // kVK_ANSI_J
    {Qt::Key_K, Keypad::Any, 40}, // kVK_ANSI_K
    {Qt::Key_L, Keypad::Any, 37}, // kVK_ANSI_L
    {Qt::Key_M, Keypad::Any, 46}, // kVK_ANSI_M
    {Qt::Key_N, Keypad::Any, 45}, // kVK_ANSI_N
    {Qt::Key_O, Keypad::Any, 31}, // kVK_ANSI_O
    {Qt::Key_P, Keypad::Any, 35}, // kVK_ANSI_P
    {Qt::Key_Q, Keypad::Any, 12}, // kVK_ANSI_Q
    {Qt::Key_R, Keypad::Any, 15}, // kVK_ANSI_R
    {Qt::Key_S, Keypad::Any, 1}, // kVK_ANSI_S
    {Qt::Key_T, Keypad::Any, 17}, // kVK_ANSI_T
    {Qt::Key_U, Keypad::Any, 32}, // kVK_ANSI_U
    {Qt::Key_V, Keypad::Any, 9}, // kVK_ANSI_V
    {Qt::Key_W, Keypad::Any, 13}, // kVK_ANSI_W
    {Qt::Key_X, Keypad::Any, 7}, // kVK_ANSI_X
    {Qt::Key_Y, Keypad::Any, 16}, // kVK_ANSI_Y
    {Qt::Key_Z, Keypad::Any, 6}, // kVK_ANSI_Z
    {Qt::Key_0, Keypad::No, 29}, // kVK_ANSI_0
    {Qt::Key_1, Keypad::No, 18}, // kVK_ANSI_1
    {Qt::Key_2, Keypad::No, 19}, // kVK_ANSI_2
    {Qt::Key_3, Keypad::No, 20}, // kVK_ANSI_3
    {Qt::Key_4, Keypad::No, 21}, // kVK_ANSI_4
    {Qt::Key_5, Keypad::No, 23}, // kVK_ANSI_5
    {Qt::Key_6, Keypad::No, 22}, // kVK_ANSI_6
    {Qt::Key_7, Keypad::No, 26}, // kVK_ANSI_7
    {Qt::Key_8, Keypad::No, 28}, // kVK_ANSI_8
    {Qt::Key_9, Keypad::No, 25}, // kVK_ANSI_9
    {Qt::Key_0, Keypad::Yes, 82}, // kVK_ANSI_Keypad0
    {Qt::Key_1, Keypad::Yes, 83}, // kVK_ANSI_Keypad1
    {Qt::Key_2, Keypad::Yes, 84}, // kVK_ANSI_Keypad2
    {Qt::Key_3, Keypad::Yes, 85}, // kVK_ANSI_Keypad3
    {Qt::Key_4, Keypad::Yes, 86}, // kVK_ANSI_Keypad4
    {Qt::Key_5, Keypad::Yes, 87}, // kVK_ANSI_Keypad5
    {Qt::Key_6, Keypad::Yes, 88}, // kVK_ANSI_Keypad6
    {Qt::Key_7, Keypad::Yes, 89}, // kVK_ANSI_Keypad7
    {Qt::Key_8, Keypad::Yes, 91}, // kVK_ANSI_Keypad8
    {Qt::Key_9, Keypad::Yes, 92}, // kVK_ANSI_Keypad9
    {Qt::Key_Minus, Keypad::No, 27}, // kVK_ANSI_Minus
    {Qt::Key_Equal, Keypad::No, 24}, // kVK_ANSI_Equal
    {Qt::Key_BracketLeft, Keypad::Any, 33}, // kVK_ANSI_LeftBracket
    {Qt::Key_BracketRight, Keypad::Any, 30}, // kVK_ANSI_RightBracket
    {Qt::Key_Backslash, Keypad::Any, 42}, // kVK_ANSI_Backslash
    {Qt::Key_Semicolon, Keypad::Any, 41}, // kVK_ANSI_Semicolon
    {Qt::Key_Apostrophe, Keypad::Any, 39}, // kVK_ANSI_Quote
    {Qt::Key_Comma, Keypad::No, 43}, // kVK_ANSI_Comma
    {Qt::Key_Period, Keypad::No, 47}, // kVK_ANSI_Period
    {Qt::Key_Slash, Keypad::No, 44}, // kVK_ANSI_Slash
    {Qt::Key_QuoteLeft, Keypad::Any, 50}, // kVK_ANSI_Grave
    {Qt::Key_Exclam, Keypad::Any, 18}, // kVK_ANSI_1, US layout
    {Qt::Key_At, Keypad::Any, 19}, // kVK_ANSI_2, US layout
    {Qt::Key_NumberSign, Keypad::Any, 20}, // kVK_ANSI_3, US layout
    {Qt::Key_Dollar, Keypad::Any, 21}, // kVK_ANSI_4, US layout
    {Qt::Key_Percent, Keypad::Any, 23}, // kVK_ANSI_5, US layout
    {Qt::Key_AsciiCircum, Keypad::Any, 22}, // kVK_ANSI_6, US layout
    {Qt::Key_Ampersand, Keypad::Any, 26}, // kVK_ANSI_7, US layout
    {Qt::Key_Asterisk, Keypad::No, 28}, // kVK_ANSI_8, US layout
    {Qt::Key_ParenLeft, Keypad::Any, 25}, // kVK_ANSI_9, US layout
    {Qt::Key_ParenRight, Keypad::Any, 29}, // kVK_ANSI_0, US layout
    {Qt::Key_Underscore, Keypad::Any, 27}, // kVK_ANSI_Minus, US layout
    {Qt::Key_Plus, Keypad::No, 24}, // kVK_ANSI_Equal, US layout
    {Qt::Key_BraceLeft, Keypad::Any, 33}, // kVK_ANSI_LeftBracket, US layout
    {Qt::Key_BraceRight, Keypad::Any, 30}, // kVK_ANSI_RightBracket, US layout
    {Qt::Key_Bar, Keypad::Any, 42}, // kVK_ANSI_Backslash, US layout
    {Qt::Key_Colon, Keypad::Any, 41}, // kVK_ANSI_Semicolon, US layout
    {Qt::Key_QuoteDbl, Keypad::Any, 39}, // kVK_ANSI_Quote, US layout
    {Qt::Key_Less, Keypad::Any, 43}, // kVK_ANSI_Comma, US layout
    {Qt::Key_Greater, Keypad::Any, 47}, // kVK_ANSI_Period, US layout
    {Qt::Key_Question, Keypad::Any, 44}, // kVK_ANSI_Slash, US layout
    {Qt::Key_AsciiTilde, Keypad::Any, 50}, // kVK_ANSI_Grave, US layout
    {Qt::Key_Period, Keypad::Yes, 65}, // kVK_ANSI_KeypadDecimal
    {Qt::Key_Comma, Keypad::Yes, 65}, // kVK_ANSI_KeypadDecimal, KP_Separator
    {Qt::Key_Delete, Keypad::Yes, 65}, // kVK_ANSI_KeypadDecimal, keypad . with NumLock off
    {Qt::Key_Asterisk, Keypad::Yes, 67}, // kVK_ANSI_KeypadMultiply
    {Qt::Key_Plus, Keypad::Yes, 69}, // kVK_ANSI_KeypadPlus
    {Qt::Key_Minus, Keypad::Yes, 78}, // kVK_ANSI_KeypadMinus
    {Qt::Key_Slash, Keypad::Yes, 75}, // kVK_ANSI_KeypadDivide
    {Qt::Key_Equal, Keypad::Yes, 81}, // kVK_ANSI_KeypadEquals, ? older Qt leaves KeypadModifier off KP_Equal
    {Qt::Key_Enter, Keypad::Any, 76}, // kVK_ANSI_KeypadEnter
    {Qt::Key_Clear, Keypad::No, 71}, // kVK_ANSI_KeypadClear, keysym Clear (apple keyboard models)
    {Qt::Key_NumLock, Keypad::Any, 71}, // kVK_ANSI_KeypadClear
    {Qt::Key_Clear, Keypad::Yes, 87}, // kVK_ANSI_Keypad5, KP_Begin, NumLock off
    {Qt::Key_Insert, Keypad::Yes, 82}, // kVK_ANSI_Keypad0, NumLock off
    {Qt::Key_End, Keypad::Yes, 83}, // kVK_ANSI_Keypad1
    {Qt::Key_Down, Keypad::Yes, 84}, // kVK_ANSI_Keypad2
    {Qt::Key_PageDown, Keypad::Yes, 85}, // kVK_ANSI_Keypad3
    {Qt::Key_Left, Keypad::Yes, 86}, // kVK_ANSI_Keypad4
    {Qt::Key_Right, Keypad::Yes, 88}, // kVK_ANSI_Keypad6
    {Qt::Key_Home, Keypad::Yes, 89}, // kVK_ANSI_Keypad7
    {Qt::Key_Up, Keypad::Yes, 91}, // kVK_ANSI_Keypad8
    {Qt::Key_PageUp, Keypad::Yes, 92}, // kVK_ANSI_Keypad9
    {Qt::Key_Return, Keypad::Any, 36}, // kVK_Return
    {Qt::Key_Tab, Keypad::Any, 48}, // kVK_Tab
    {Qt::Key_Backtab, Keypad::Any, 48}, // kVK_Tab, Shift+Tab
    {Qt::Key_Space, Keypad::Any, 49}, // kVK_Space
    {Qt::Key_Backspace, Keypad::Any, 51}, // kVK_Delete
    {Qt::Key_Escape, Keypad::Any, 53}, // kVK_Escape
    {Qt::Key_Meta, Keypad::Any, 55}, // kVK_Command, Super on Linux
    {Qt::Key_Super_L, Keypad::Any, 55}, // kVK_Command
    {Qt::Key_Super_R, Keypad::Any, 54}, // kVK_RightCommand
    {Qt::Key_Shift, Keypad::Any, 56}, // kVK_Shift
    {Qt::Key_CapsLock, Keypad::Any, 57}, // kVK_CapsLock
    {Qt::Key_Alt, Keypad::Any, 58}, // kVK_Option
    {Qt::Key_AltGr, Keypad::Any, 61}, // kVK_RightOption, ?
    {Qt::Key_Control, Keypad::Any, 59}, // kVK_Control
    {Qt::Key_F1, Keypad::Any, 122}, // kVK_F1
    {Qt::Key_F2, Keypad::Any, 120}, // kVK_F2
    {Qt::Key_F3, Keypad::Any, 99}, // kVK_F3
    {Qt::Key_F4, Keypad::Any, 118}, // kVK_F4
    {Qt::Key_F5, Keypad::Any, 96}, // kVK_F5
    {Qt::Key_F6, Keypad::Any, 97}, // kVK_F6
    {Qt::Key_F7, Keypad::Any, 98}, // kVK_F7
    {Qt::Key_F8, Keypad::Any, 100}, // kVK_F8
    {Qt::Key_F9, Keypad::Any, 101}, // kVK_F9
    {Qt::Key_F10, Keypad::Any, 109}, // kVK_F10
    {Qt::Key_F11, Keypad::Any, 103}, // kVK_F11
    {Qt::Key_F12, Keypad::Any, 111}, // kVK_F12
    {Qt::Key_F13, Keypad::Any, 105}, // kVK_F13
    {Qt::Key_F14, Keypad::Any, 107}, // kVK_F14
    {Qt::Key_F15, Keypad::Any, 113}, // kVK_F15
    {Qt::Key_F16, Keypad::Any, 106}, // kVK_F16
    {Qt::Key_F17, Keypad::Any, 64}, // kVK_F17
    {Qt::Key_F18, Keypad::Any, 79}, // kVK_F18
    {Qt::Key_F19, Keypad::Any, 80}, // kVK_F19
    {Qt::Key_F20, Keypad::Any, 90}, // kVK_F20
    {Qt::Key_VolumeUp, Keypad::Any, 72}, // kVK_VolumeUp
    {Qt::Key_VolumeDown, Keypad::Any, 73}, // kVK_VolumeDown
    {Qt::Key_VolumeMute, Keypad::Any, 74}, // kVK_Mute
    {Qt::Key_Help, Keypad::Any, 114}, // kVK_Help
    {Qt::Key_Insert, Keypad::No, 114}, // kVK_Help, ?
    {Qt::Key_Home, Keypad::No, 115}, // kVK_Home
    {Qt::Key_PageUp, Keypad::No, 116}, // kVK_PageUp
    {Qt::Key_Delete, Keypad::No, 117}, // kVK_ForwardDelete
    {Qt::Key_End, Keypad::No, 119}, // kVK_End
    {Qt::Key_PageDown, Keypad::No, 121}, // kVK_PageDown
    {Qt::Key_Left, Keypad::No, 123}, // kVK_LeftArrow
    {Qt::Key_Right, Keypad::No, 124}, // kVK_RightArrow
    {Qt::Key_Down, Keypad::No, 125}, // kVK_DownArrow
    {Qt::Key_Up, Keypad::No, 126}, // kVK_UpArrow
};

/// Event modifier flag -> Carbon mask, in the order the flags are added.
struct ModifierRow
{
    quint32 flag;
    quint32 carbon;
};

constexpr ModifierRow cocoaToCarbon[] = {
    {KeyTranslator::CommandKeyMask, 0x0100},
    {KeyTranslator::AlternateKeyMask, 0x0800},
    {KeyTranslator::ControlKeyMask, 0x1000},
    {KeyTranslator::ShiftKeyMask, 0x0200},
};

/// Qt modifier -> event modifier flag. Qt reports Super as Meta on Linux, and
/// Super sits where Command sits on the original keyboards.
struct QtModifierRow
{
    Qt::KeyboardModifier qt;
    quint32 flag;
};

constexpr QtModifierRow qtToCocoa[] = {
    {Qt::MetaModifier, KeyTranslator::CommandKeyMask},
    {Qt::AltModifier, KeyTranslator::AlternateKeyMask},
    {Qt::ControlModifier, KeyTranslator::ControlKeyMask},
    {Qt::ShiftModifier, KeyTranslator::ShiftKeyMask},
    {Qt::KeypadModifier, KeyTranslator::NumericPadKeyMask},
};

constexpr int modifierKeys[] = {
    Qt::Key_Shift, Qt::Key_Control, Qt::Key_Meta,    Qt::Key_Alt,     Qt::Key_AltGr,   Qt::Key_CapsLock,
    Qt::Key_Super_L, Qt::Key_Super_R, Qt::Key_Hyper_L, Qt::Key_Hyper_R, Qt::Key_Mode_switch,
};

} // namespace

std::optional<TranslatedKey> KeyTranslator::translate(const QKeyEvent &event)
{
    std::optional<quint16> keyCode;
    if (event.nativeScanCode() != 0)
        keyCode = keyCodeForScanCode(event.nativeScanCode());
    if (!keyCode)
        keyCode = keyCodeForQtKey(event.key(), event.modifiers().testFlag(Qt::KeypadModifier));
    if (!keyCode)
        return std::nullopt;
    return TranslatedKey{*keyCode, modifierFlags(event.modifiers())};
}

std::optional<quint16> KeyTranslator::keyCodeForScanCode(quint32 nativeScanCode)
{
    return platform::VirtualKeyCodes::fromXkbKeycode(nativeScanCode);
}

std::optional<quint16> KeyTranslator::keyCodeForQtKey(int key, bool keypad)
{
    const Keypad where = keypad ? Keypad::Yes : Keypad::No;
    const auto row = std::find_if(std::begin(qtKeyToKeyCode), std::end(qtKeyToKeyCode), [&](const QtKeyRow &r) {
        return r.key == key && (r.keypad == Keypad::Any || r.keypad == where);
    });
    if (row == std::end(qtKeyToKeyCode))
        return std::nullopt;
    return row->keyCode;
}

std::optional<QKeyCombination> KeyTranslator::qtKeyForKeyCode(quint16 keyCode)
{
    // Rows naming a key by the shifted character of a US layout ("!" for 1)
    // come after the key's own row, so the first match is the unshifted key.
    const auto row = std::find_if(std::begin(qtKeyToKeyCode), std::end(qtKeyToKeyCode),
                                  [keyCode](const QtKeyRow &r) { return r.keyCode == keyCode; });
    if (row == std::end(qtKeyToKeyCode)
        || std::find(std::begin(modifierKeys), std::end(modifierKeys), row->key) != std::end(modifierKeys))
        return std::nullopt;
    const Qt::KeyboardModifiers keypad = row->keypad == Keypad::Yes ? Qt::KeypadModifier : Qt::NoModifier;
    return QKeyCombination(keypad, Qt::Key(row->key));
}

quint32 KeyTranslator::modifierFlags(Qt::KeyboardModifiers modifiers)
{
    quint32 flags = 0;
    for (const auto &[qt, flag] : qtToCocoa) {
        if (modifiers.testFlag(qt))
            flags |= flag;
    }
    return flags;
}

bool KeyTranslator::isModifierOnly(const QKeyEvent &event)
{
    return std::find(std::begin(modifierKeys), std::end(modifierKeys), event.key()) != std::end(modifierKeys);
}

quint32 KeyTranslator::cocoaToCarbonModifiers(quint32 flags)
{
    quint32 carbon = 0;
    for (const auto &[flag, mask] : cocoaToCarbon) {
        if (flags & flag)
            carbon += mask;
    }
    return carbon;
}
