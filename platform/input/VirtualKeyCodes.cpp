#include "VirtualKeyCodes.h"

#include <algorithm>
#include <iterator>

// The table was transcribed from the original platform's Events.h key list
// (kVK_*), cross-checked against qemu's keycodemapdb (data/keymaps.csv),
// Chromium's dom_code_data.inc and the kernel's input-event-codes.h.

namespace platform::VirtualKeyCodes {

namespace {

/// Linux evdev key code -> virtual key code, one row per key of a full
/// extended US keyboard (and the JIS/ISO extras).
struct EvdevRow
{
    quint16 evdev;
    quint16 keyCode;
};

constexpr EvdevRow evdevToKeyCode[] = {
    {30, 0}, // kVK_ANSI_A KEY_A
    {31, 1}, // kVK_ANSI_S KEY_S
    {32, 2}, // kVK_ANSI_D KEY_D
    {33, 3}, // kVK_ANSI_F KEY_F
    {35, 4}, // kVK_ANSI_H KEY_H
    {34, 5}, // kVK_ANSI_G KEY_G
    {44, 6}, // kVK_ANSI_Z KEY_Z
    {45, 7}, // kVK_ANSI_X KEY_X
    {46, 8}, // kVK_ANSI_C KEY_C
    {47, 9}, // kVK_ANSI_V KEY_V
    {86, 10}, // kVK_ISO_Section KEY_102ND (uncertain)
    {48, 11}, // kVK_ANSI_B KEY_B
    {16, 12}, // kVK_ANSI_Q KEY_Q
    {17, 13}, // kVK_ANSI_W KEY_W
    {18, 14}, // kVK_ANSI_E KEY_E
    {19, 15}, // kVK_ANSI_R KEY_R
    {21, 16}, // kVK_ANSI_Y KEY_Y
    {20, 17}, // kVK_ANSI_T KEY_T
    {2, 18}, // kVK_ANSI_1 KEY_1
    {3, 19}, // kVK_ANSI_2 KEY_2
    {4, 20}, // kVK_ANSI_3 KEY_3
    {5, 21}, // kVK_ANSI_4 KEY_4
    {7, 22}, // kVK_ANSI_6 KEY_6
    {6, 23}, // kVK_ANSI_5 KEY_5
    {13, 24}, // kVK_ANSI_Equal KEY_EQUAL
    {10, 25}, // kVK_ANSI_9 KEY_9
    {8, 26}, // kVK_ANSI_7 KEY_7
    {12, 27}, // kVK_ANSI_Minus KEY_MINUS
    {9, 28}, // kVK_ANSI_8 KEY_8
    {11, 29}, // kVK_ANSI_0 KEY_0
    {27, 30}, // kVK_ANSI_RightBracket KEY_RIGHTBRACE
    {24, 31}, // kVK_ANSI_O KEY_O
    {22, 32}, // kVK_ANSI_U KEY_U
    {26, 33}, // kVK_ANSI_LeftBracket KEY_LEFTBRACE
    {23, 34}, // kVK_ANSI_I KEY_I
    {25, 35}, // kVK_ANSI_P KEY_P
    {28, 36}, // kVK_Return KEY_ENTER
    {38, 37}, // kVK_ANSI_L KEY_L
    {36, 38}, // kVK_ANSI_J KEY_J
    {40, 39}, // kVK_ANSI_Quote KEY_APOSTROPHE
    {37, 40}, // kVK_ANSI_K KEY_K
    {39, 41}, // kVK_ANSI_Semicolon KEY_SEMICOLON
    {43, 42}, // kVK_ANSI_Backslash KEY_BACKSLASH
    {51, 43}, // kVK_ANSI_Comma KEY_COMMA
    {53, 44}, // kVK_ANSI_Slash KEY_SLASH
    {49, 45}, // kVK_ANSI_N KEY_N
    {50, 46}, // kVK_ANSI_M KEY_M
    {52, 47}, // kVK_ANSI_Period KEY_DOT
    {15, 48}, // kVK_Tab KEY_TAB
    {57, 49}, // kVK_Space KEY_SPACE
    {41, 50}, // kVK_ANSI_Grave KEY_GRAVE
    {14, 51}, // kVK_Delete KEY_BACKSPACE
    {1, 53}, // kVK_Escape KEY_ESC
    {126, 54}, // kVK_RightCommand KEY_RIGHTMETA
    {125, 55}, // kVK_Command KEY_LEFTMETA
    {42, 56}, // kVK_Shift KEY_LEFTSHIFT
    {58, 57}, // kVK_CapsLock KEY_CAPSLOCK
    {56, 58}, // kVK_Option KEY_LEFTALT
    {29, 59}, // kVK_Control KEY_LEFTCTRL
    {54, 60}, // kVK_RightShift KEY_RIGHTSHIFT
    {100, 61}, // kVK_RightOption KEY_RIGHTALT
    {97, 62}, // kVK_RightControl KEY_RIGHTCTRL
    {464, 63}, // kVK_Function KEY_FN (uncertain)
    {187, 64}, // kVK_F17 KEY_F17
    {83, 65}, // kVK_ANSI_KeypadDecimal KEY_KPDOT
    {55, 67}, // kVK_ANSI_KeypadMultiply KEY_KPASTERISK
    {78, 69}, // kVK_ANSI_KeypadPlus KEY_KPPLUS
    {69, 71}, // kVK_ANSI_KeypadClear KEY_NUMLOCK (uncertain)
    {115, 72}, // kVK_VolumeUp KEY_VOLUMEUP
    {114, 73}, // kVK_VolumeDown KEY_VOLUMEDOWN
    {113, 74}, // kVK_Mute KEY_MUTE
    {98, 75}, // kVK_ANSI_KeypadDivide KEY_KPSLASH
    {96, 76}, // kVK_ANSI_KeypadEnter KEY_KPENTER
    {74, 78}, // kVK_ANSI_KeypadMinus KEY_KPMINUS
    {188, 79}, // kVK_F18 KEY_F18
    {189, 80}, // kVK_F19 KEY_F19
    {117, 81}, // kVK_ANSI_KeypadEquals KEY_KPEQUAL
    {82, 82}, // kVK_ANSI_Keypad0 KEY_KP0
    {79, 83}, // kVK_ANSI_Keypad1 KEY_KP1
    {80, 84}, // kVK_ANSI_Keypad2 KEY_KP2
    {81, 85}, // kVK_ANSI_Keypad3 KEY_KP3
    {75, 86}, // kVK_ANSI_Keypad4 KEY_KP4
    {76, 87}, // kVK_ANSI_Keypad5 KEY_KP5
    {77, 88}, // kVK_ANSI_Keypad6 KEY_KP6
    {71, 89}, // kVK_ANSI_Keypad7 KEY_KP7
    {190, 90}, // kVK_F20 KEY_F20
    {72, 91}, // kVK_ANSI_Keypad8 KEY_KP8
    {73, 92}, // kVK_ANSI_Keypad9 KEY_KP9
    {124, 93}, // kVK_JIS_Yen KEY_YEN
    {89, 94}, // kVK_JIS_Underscore KEY_RO
    {121, 95}, // kVK_JIS_KeypadComma KEY_KPCOMMA (uncertain)
    {63, 96}, // kVK_F5 KEY_F5
    {64, 97}, // kVK_F6 KEY_F6
    {65, 98}, // kVK_F7 KEY_F7
    {61, 99}, // kVK_F3 KEY_F3
    {66, 100}, // kVK_F8 KEY_F8
    {67, 101}, // kVK_F9 KEY_F9
    {123, 102}, // kVK_JIS_Eisu KEY_HANJA
    {87, 103}, // kVK_F11 KEY_F11
    {122, 104}, // kVK_JIS_Kana KEY_HANGEUL
    {183, 105}, // kVK_F13 KEY_F13
    {186, 106}, // kVK_F16 KEY_F16
    {184, 107}, // kVK_F14 KEY_F14
    {68, 109}, // kVK_F10 KEY_F10
    {88, 111}, // kVK_F12 KEY_F12
    {185, 113}, // kVK_F15 KEY_F15
    {110, 114}, // kVK_Help KEY_INSERT (uncertain)
    {102, 115}, // kVK_Home KEY_HOME
    {104, 116}, // kVK_PageUp KEY_PAGEUP
    {111, 117}, // kVK_ForwardDelete KEY_DELETE
    {62, 118}, // kVK_F4 KEY_F4
    {107, 119}, // kVK_End KEY_END
    {60, 120}, // kVK_F2 KEY_F2
    {109, 121}, // kVK_PageDown KEY_PAGEDOWN
    {59, 122}, // kVK_F1 KEY_F1
    {105, 123}, // kVK_LeftArrow KEY_LEFT
    {106, 124}, // kVK_RightArrow KEY_RIGHT
    {108, 125}, // kVK_DownArrow KEY_DOWN
    {103, 126}, // kVK_UpArrow KEY_UP
    // Aliases: keyboards report these evdev codes for keys listed above.
    {138, 114}, // KEY_HELP, the Help key proper
    {95, 95},   // KEY_KPJPCOMMA, the JIS keypad comma
};
/// XKB keycodes are evdev codes shifted by 8 (the X protocol reserves 0-7).
constexpr quint32 xkbOffset = 8;

} // namespace

std::optional<quint16> fromXkbKeycode(quint32 xkbKeycode)
{
    if (xkbKeycode < xkbOffset)
        return std::nullopt;
    const quint32 evdev = xkbKeycode - xkbOffset;
    const auto row = std::find_if(std::begin(evdevToKeyCode), std::end(evdevToKeyCode),
                                  [evdev](const EvdevRow &r) { return r.evdev == evdev; });
    if (row == std::end(evdevToKeyCode))
        return std::nullopt;
    return row->keyCode;
}

std::optional<quint32> toXkbKeycode(quint16 keyCode)
{
    // The aliases come last: the first row of a code is the key's own.
    const auto row = std::find_if(std::begin(evdevToKeyCode), std::end(evdevToKeyCode),
                                  [keyCode](const EvdevRow &r) { return r.keyCode == keyCode; });
    if (row == std::end(evdevToKeyCode))
        return std::nullopt;
    return row->evdev + xkbOffset;
}

} // namespace platform::VirtualKeyCodes
