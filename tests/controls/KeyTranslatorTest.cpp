#include "KeyTranslator.h"

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QTest>
#include <QWidget>

#include <vector>

namespace {

using K = KeyTranslator;

/// A widget that records what a hot-key recorder would: every translated key
/// press that is not a modifier key alone.
class RecordingWidget : public QWidget
{
public:
    std::vector<TranslatedKey> keys;
    int unknown = 0;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (K::isModifierOnly(*event))
            return;
        if (const auto key = K::translate(*event))
            keys.push_back(*key);
        else
            ++unknown;
    }
};

QKeyEvent press(int key, Qt::KeyboardModifiers modifiers, quint32 scanCode)
{
    return QKeyEvent(QEvent::KeyPress, key, modifiers, scanCode, 0, 0);
}

} // namespace

TEST(KeyTranslator, RecordsKeyClicksOnARealWidgetWithoutScanCodes)
{
    RecordingWidget widget;
    widget.show();
    QTest::keyClick(&widget, Qt::Key_Space, Qt::AltModifier);
    QTest::keyClick(&widget, Qt::Key_Return, Qt::MetaModifier | Qt::ShiftModifier);
    QTest::keyClick(&widget, Qt::Key_F5, Qt::ControlModifier);
    QTest::keyClick(&widget, Qt::Key_5, Qt::KeypadModifier);
    QTest::keyClick(&widget, Qt::Key_5);
    QTest::keyClick(&widget, Qt::Key_Delete);
    QTest::keyClick(&widget, Qt::Key_Delete, Qt::KeypadModifier); // keypad . with NumLock off
    QTest::keyClick(&widget, Qt::Key_Backspace);
    QTest::keyClick(&widget, Qt::Key_Launch0); // no virtual key code

    const std::vector<TranslatedKey> expected = {
        {49, K::AlternateKeyMask},
        {36, K::CommandKeyMask | K::ShiftKeyMask},
        {96, K::ControlKeyMask},
        {87, K::NumericPadKeyMask},
        {23, 0},
        {117, 0},
        {65, K::NumericPadKeyMask},
        {51, 0},
    };
    EXPECT_EQ(widget.keys, expected);
    EXPECT_EQ(widget.unknown, 1);
    EXPECT_EQ(K::cocoaToCarbonModifiers(widget.keys[1].modifierFlags), 0x0300u);
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
