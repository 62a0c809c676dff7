#include "KeySymbols_p.h"

#include <QChar>

#include <algorithm>
#include <iterator>

#include <xkbcommon/xkbcommon-keysyms.h>

namespace platform {

namespace {

struct SymbolRow
{
    quint32 keySymbol;
    int key;
    bool keypad;
};

// Keys outside Latin-1, as Qt's xkbcommon mapping names them.
constexpr SymbolRow symbolRows[] = {
    {XKB_KEY_BackSpace, Qt::Key_Backspace, false},
    {XKB_KEY_Tab, Qt::Key_Tab, false},
    {XKB_KEY_ISO_Left_Tab, Qt::Key_Backtab, false},
    {XKB_KEY_Return, Qt::Key_Return, false},
    {XKB_KEY_Escape, Qt::Key_Escape, false},
    {XKB_KEY_Delete, Qt::Key_Delete, false},
    {XKB_KEY_Insert, Qt::Key_Insert, false},
    {XKB_KEY_Home, Qt::Key_Home, false},
    {XKB_KEY_End, Qt::Key_End, false},
    {XKB_KEY_Left, Qt::Key_Left, false},
    {XKB_KEY_Up, Qt::Key_Up, false},
    {XKB_KEY_Right, Qt::Key_Right, false},
    {XKB_KEY_Down, Qt::Key_Down, false},
    {XKB_KEY_Page_Up, Qt::Key_PageUp, false},
    {XKB_KEY_Page_Down, Qt::Key_PageDown, false},
    {XKB_KEY_Print, Qt::Key_Print, false},
    {XKB_KEY_Pause, Qt::Key_Pause, false},
    {XKB_KEY_Scroll_Lock, Qt::Key_ScrollLock, false},
    {XKB_KEY_Menu, Qt::Key_Menu, false},
    {XKB_KEY_Help, Qt::Key_Help, false},
    {XKB_KEY_Clear, Qt::Key_Clear, false},
    {XKB_KEY_KP_Enter, Qt::Key_Enter, true},
    {XKB_KEY_KP_Add, Qt::Key_Plus, true},
    {XKB_KEY_KP_Subtract, Qt::Key_Minus, true},
    {XKB_KEY_KP_Multiply, Qt::Key_Asterisk, true},
    {XKB_KEY_KP_Divide, Qt::Key_Slash, true},
    {XKB_KEY_KP_Decimal, Qt::Key_Period, true},
    {XKB_KEY_KP_Separator, Qt::Key_Comma, true},
    {XKB_KEY_KP_Equal, Qt::Key_Equal, true},
    {XKB_KEY_XF86AudioRaiseVolume, Qt::Key_VolumeUp, false},
    {XKB_KEY_XF86AudioLowerVolume, Qt::Key_VolumeDown, false},
    {XKB_KEY_XF86AudioMute, Qt::Key_VolumeMute, false},
    {XKB_KEY_XF86AudioPlay, Qt::Key_MediaPlay, false},
    {XKB_KEY_XF86AudioStop, Qt::Key_MediaStop, false},
    {XKB_KEY_XF86AudioPrev, Qt::Key_MediaPrevious, false},
    {XKB_KEY_XF86AudioNext, Qt::Key_MediaNext, false},
    {XKB_KEY_XF86Calculator, Qt::Key_Calculator, false},
    {XKB_KEY_XF86Mail, Qt::Key_LaunchMail, false},
    {XKB_KEY_XF86HomePage, Qt::Key_HomePage, false},
    {XKB_KEY_XF86Search, Qt::Key_Search, false},
    {XKB_KEY_XF86Explorer, Qt::Key_Explorer, false},
    {XKB_KEY_XF86WWW, Qt::Key_WWW, false},
    {XKB_KEY_XF86PowerOff, Qt::Key_PowerOff, false},
    {XKB_KEY_XF86Sleep, Qt::Key_Sleep, false},
    {XKB_KEY_XF86ScreenSaver, Qt::Key_ScreenSaver, false},
    {XKB_KEY_XF86Eject, Qt::Key_Eject, false},
    {XKB_KEY_XF86MonBrightnessUp, Qt::Key_MonBrightnessUp, false},
    {XKB_KEY_XF86MonBrightnessDown, Qt::Key_MonBrightnessDown, false},
};

QKeyCombination withKeypad(int key, bool keypad)
{
    return QKeyCombination(keypad ? Qt::KeypadModifier : Qt::NoModifier, Qt::Key(key));
}

} // namespace

std::optional<QKeyCombination> qtKeyForKeySymbol(quint32 keySymbol)
{
    if (keySymbol >= XKB_KEY_F1 && keySymbol <= XKB_KEY_F35)
        return withKeypad(Qt::Key_F1 + int(keySymbol - XKB_KEY_F1), false);
    if (keySymbol >= XKB_KEY_KP_0 && keySymbol <= XKB_KEY_KP_9)
        return withKeypad(Qt::Key_0 + int(keySymbol - XKB_KEY_KP_0), true);
    // Latin-1 symbols are their code points; Qt names letters by the capital.
    if ((keySymbol >= 0x20 && keySymbol <= 0x7e) || (keySymbol >= 0xa0 && keySymbol <= 0xff)) {
        const char16_t upper = QChar(char16_t(keySymbol)).toUpper().unicode();
        return withKeypad(upper <= 0xff ? upper : int(keySymbol), false);
    }
    const auto row = std::find_if(std::begin(symbolRows), std::end(symbolRows),
                                  [&](const SymbolRow &r) { return r.keySymbol == keySymbol; });
    if (row == std::end(symbolRows))
        return std::nullopt;
    return withKeypad(row->key, row->keypad);
}

std::optional<quint32> keySymbolForQtKey(QKeyCombination key)
{
    const int code = key.key();
    const bool keypad = key.keyboardModifiers().testFlag(Qt::KeypadModifier);
    if (code >= Qt::Key_F1 && code <= Qt::Key_F35)
        return XKB_KEY_F1 + quint32(code - Qt::Key_F1);
    if (keypad && code >= Qt::Key_0 && code <= Qt::Key_9)
        return XKB_KEY_KP_0 + quint32(code - Qt::Key_0);
    const auto row = std::find_if(std::begin(symbolRows), std::end(symbolRows),
                                  [&](const SymbolRow &r) { return r.key == code && r.keypad == keypad; });
    if (row != std::end(symbolRows))
        return row->keySymbol;
    if ((code >= 0x20 && code <= 0x7e) || (code >= 0xa0 && code <= 0xff))
        return QChar(char16_t(code)).toLower().unicode();
    return std::nullopt;
}

} // namespace platform
