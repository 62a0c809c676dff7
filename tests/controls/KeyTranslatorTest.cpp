#include "KeyTranslator.h"

#include <gtest/gtest.h>

#include <QKeyEvent>

#include <optional>
#include <tuple>

namespace {

using K = KeyTranslator;

QKeyEvent press(int key, Qt::KeyboardModifiers modifiers, quint32 scanCode)
{
    return QKeyEvent(QEvent::KeyPress, key, modifiers, scanCode, 0, 0);
}

} // namespace

TEST(KeyTranslator, WithoutAScanCodeTheQtKeyDecides)
{
    const std::tuple<int, Qt::KeyboardModifiers, std::optional<TranslatedKey>> rows[] = {
        {Qt::Key_Space, Qt::AltModifier, TranslatedKey{49, K::AlternateKeyMask}},
        {Qt::Key_Return, Qt::MetaModifier | Qt::ShiftModifier, TranslatedKey{36, K::CommandKeyMask | K::ShiftKeyMask}},
        {Qt::Key_F5, Qt::ControlModifier, TranslatedKey{96, K::ControlKeyMask}},
        {Qt::Key_5, Qt::KeypadModifier, TranslatedKey{87, K::NumericPadKeyMask}},
        {Qt::Key_5, {}, TranslatedKey{23, 0}},
        {Qt::Key_Delete, {}, TranslatedKey{117, 0}},
        {Qt::Key_Delete, Qt::KeypadModifier, TranslatedKey{65, K::NumericPadKeyMask}}, // keypad . with NumLock off
        {Qt::Key_Backspace, {}, TranslatedKey{51, 0}},
        {Qt::Key_Launch0, {}, std::nullopt}, // no virtual key code
    };
    for (const auto &[key, modifiers, expected] : rows)
        EXPECT_EQ(K::translate(press(key, modifiers, 0)), expected) << std::hex << key;
}

TEST(KeyTranslator, ScanCodeWinsOverTheLayoutsKey)
{
    // The key left of S on a French layout types Q; its position is still A.
    EXPECT_EQ(K::translate(press(Qt::Key_Q, Qt::ControlModifier, 38)), (TranslatedKey{0, K::ControlKeyMask}));
    // F13 arrives as a launcher key under the default keymap; the scan code knows better.
    EXPECT_EQ(K::translate(press(Qt::Key_Tools, Qt::NoModifier, 183 + 8)), (TranslatedKey{105, 0}));
    // Insert on a PC keyboard and the Help key proper both record as Help.
    EXPECT_EQ(K::keyCodeForScanCode(110 + 8), 114);
    EXPECT_EQ(K::keyCodeForScanCode(138 + 8), 114);
    EXPECT_EQ(K::keyCodeForScanCode(28 + 8), 36);  // Return
    EXPECT_EQ(K::keyCodeForScanCode(96 + 8), 76);  // keypad Enter
    EXPECT_EQ(K::keyCodeForScanCode(464 + 8), 63); // fn, where Wayland delivers it
    // An unknown scan code falls back to the Qt key; below the XKB offset there is no key.
    EXPECT_EQ(K::translate(press(Qt::Key_Escape, Qt::NoModifier, 250)), (TranslatedKey{53, 0}));
    EXPECT_EQ(K::keyCodeForScanCode(3), std::nullopt);
    EXPECT_EQ(K::translate(press(Qt::Key_Launch1, Qt::NoModifier, 250)), std::nullopt);
}

TEST(KeyTranslator, ModifiersMapByPosition)
{
    EXPECT_EQ(K::modifierFlags(Qt::MetaModifier), quint32(K::CommandKeyMask));
    EXPECT_EQ(K::modifierFlags(Qt::AltModifier | Qt::ControlModifier),
              quint32(K::AlternateKeyMask | K::ControlKeyMask));
    EXPECT_EQ(K::modifierFlags(Qt::GroupSwitchModifier), 0u);
    EXPECT_TRUE(K::isModifierOnly(press(Qt::Key_Super_L, Qt::MetaModifier, 0)));
    EXPECT_TRUE(K::isModifierOnly(press(Qt::Key_CapsLock, Qt::NoModifier, 0)));
    EXPECT_FALSE(K::isModifierOnly(press(Qt::Key_NumLock, Qt::NoModifier, 0))) << "the keypad Clear key";
}
