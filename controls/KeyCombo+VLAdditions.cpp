#include "KeyCombo.h"

namespace {

// Combinations the system or nearly every application already answers to. Each
// list belongs to exactly one set of modifiers and ends with 0xFFFF; the key
// names in the comments are those of a US layout.
constexpr quint16 kEnd = 0xFFFF;

constexpr quint16 reservedCmdKeys[] = {
    48 /*Tab*/, 4 /*H*/, 49 /*Space*/, 124 /*Right*/, 123 /*Left*/, 50 /*`*/, 12 /*Q*/, 46 /*M*/,
    45 /*N*/, 31 /*O*/, 13 /*W*/, 1 /*S*/, 2 /*D*/, 35 /*P*/, 6 /*Z*/, 7 /*X*/, 8 /*C*/, 9 /*V*/,
    0 /*A*/, 3 /*F*/, 5 /*G*/, 17 /*T*/, 11 /*B*/, 34 /*I*/, 32 /*U*/, 43 /*,*/, 96 /*F5*/,
    27 /*-*/, 33 /*[*/, 30 /*]*/, 42 /*\*/, 41 /*;*/, 75 /*keypad /*/, 14 /*E*/, 38 /*J*/, kEnd};
constexpr quint16 reservedCmdShiftKeys[] = {
    48 /*Tab*/, 49 /*Space*/, 12 /*Q*/, 50 /*`*/, 0 /*A*/, 5 /*G*/, 35 /*P*/, 1 /*S*/, 9 /*V*/,
    6 /*Z*/, 41 /*;*/, 24 /*=*/, 20 /*3*/, 21 /*4*/, 8 /*C*/, 13 /*W*/, 124 /*Right*/, 123 /*Left*/,
    126 /*Up*/, 125 /*Down*/, kEnd};
constexpr quint16 reservedCmdOptionKeys[] = {
    2 /*D*/, 4 /*H*/, 53 /*Escape*/, 49 /*Space*/, 28 /*8*/, 24 /*=*/, 27 /*-*/, 75 /*keypad /*/,
    8 /*C*/, 3 /*F*/, 34 /*I*/, 46 /*M*/, 17 /*T*/, 9 /*V*/, 13 /*W*/, kEnd};
constexpr quint16 reservedCmdShiftControlKeys[] = {20 /*3*/, 21 /*4*/, kEnd};
constexpr quint16 reservedCmdShiftOptionKeys[] = {12 /*Q*/, kEnd};
constexpr quint16 reservedCmdShiftOptionControlKeys[] = {12 /*Q*/, kEnd};
constexpr quint16 reservedControlKeys[] = {
    122 /*F1*/, 120 /*F2*/, 99 /*F3*/, 118 /*F4*/, 96 /*F5*/, 97 /*F6*/, 98 /*F7*/, 48 /*Tab*/,
    123 /*Left*/, 124 /*Right*/, 125 /*Down*/, 126 /*Up*/, kEnd};
constexpr quint16 reservedCmdCtrlKeys[] = {49 /*Space*/, 8 /*C*/, 9 /*V*/, kEnd};
constexpr quint16 reservedCmdCtrlOptionKeys[] = {28 /*8*/, 43 /*,*/, 65 /*keypad .*/, kEnd};
constexpr quint16 reservedCtrlShiftKeys[] = {118 /*F4*/, 97 /*F6*/, 48 /*Tab*/, kEnd};
constexpr quint16 reservedShiftKeys[] = {48 /*Tab*/, 124 /*Right*/, 123 /*Left*/, 126 /*Up*/, 125 /*Down*/, kEnd};
constexpr quint16 reservedShiftOptKeys[] = {124 /*Right*/, 123 /*Left*/, 126 /*Up*/, 125 /*Down*/, kEnd};

struct ReservedRow
{
    qint16 modifiers; // exact mask
    const quint16 *keyCodes;
};

constexpr qint16 Cmd = KeyCombo::CommandKey;
constexpr qint16 Shift = KeyCombo::ShiftKey;
constexpr qint16 Opt = KeyCombo::OptionKey;
constexpr qint16 Ctrl = KeyCombo::ControlKey;

constexpr ReservedRow reservedRows[] = {
    {Cmd, reservedCmdKeys},
    {Cmd | Shift, reservedCmdShiftKeys},
    {Cmd | Opt, reservedCmdOptionKeys},
    {Cmd | Shift | Ctrl, reservedCmdShiftControlKeys},
    {Cmd | Shift | Opt, reservedCmdShiftOptionKeys},
    {Cmd | Shift | Opt | Ctrl, reservedCmdShiftOptionControlKeys},
    {Ctrl, reservedControlKeys},
    {Ctrl | Cmd, reservedCmdCtrlKeys},
    {Ctrl | Opt | Cmd, reservedCmdCtrlOptionKeys},
    {Ctrl | Shift, reservedCtrlShiftKeys},
    {Shift, reservedShiftKeys},
    {Shift | Opt, reservedShiftOptKeys},
};

} // namespace

bool KeyCombo::isReserved() const
{
    if (modifiers() == 0)
        return true; // a bare key would swallow ordinary typing
    for (const auto &row : reservedRows) {
        if (row.modifiers == modifiers())
            return keyCodes(row.keyCodes, static_cast<quint16>(keyCode()));
    }
    return false;
}

bool KeyCombo::keyCodes(const quint16 *keyCodes, quint16 keyCode) const
{
    if (!keyCodes)
        return false;
    for (const quint16 *code = keyCodes; *code != kEnd; ++code) {
        if (*code == keyCode)
            return true;
    }
    return false;
}
