#include "KeyComboTestSupport.h"
#include "KeyTranslator.h"

#include <gtest/gtest.h>

using namespace corvane::test;

namespace {

bool reserved(qint16 keyCode, qint32 modifiers)
{
    return KeyCombo::keyComboWithKeyCode(keyCode, modifiers)->isReserved();
}

} // namespace

TEST(KeyCombo, ClearedAndBareCombinations)
{
    const ScopedResources noTable{{}};
    for (const auto &combo : {KeyCombo::keyCombo(), KeyCombo::clearKeyCombo()}) {
        EXPECT_EQ(combo->keyCode(), -1);
        EXPECT_EQ(combo->modifiers(), -1);
        EXPECT_FALSE(combo->isValid());
        EXPECT_EQ(combo->userDisplayRep(), QStringLiteral("(None)"));
        EXPECT_FALSE(combo->isReserved()); // no row for the all-ones mask
    }
    EXPECT_NE(KeyCombo::keyCombo(), KeyCombo::clearKeyCombo()) << "each call makes a new instance";

    const auto bare = KeyCombo::keyComboWithKeyCode(0, 0);
    EXPECT_TRUE(bare->isValid());
    EXPECT_TRUE(bare->isReserved());
    EXPECT_TRUE(reserved(36, 0));

    // Validity looks at the whole 32-bit mask, so 0x8000 alone is still valid.
    EXPECT_TRUE(KeyCombo::keyComboWithKeyCode(5, 0x8000)->isValid());
    EXPECT_FALSE(KeyCombo::keyComboWithKeyCode(5, -1)->isValid());
    EXPECT_FALSE(KeyCombo::keyComboWithKeyCode(-2, Cmd)->isValid());
}

TEST(KeyCombo, ReservedRowsMatchExactMasksOnly)
{
    EXPECT_TRUE(reserved(12, Cmd));                       // Command+Q
    EXPECT_FALSE(reserved(36, Cmd));                      // Command+Return
    EXPECT_FALSE(reserved(49, Opt));                      // Option+Space: no row for Option alone
    EXPECT_TRUE(reserved(12, Cmd | Shift | Opt));         // 0x0B00
    EXPECT_TRUE(reserved(12, Cmd | Shift | Opt | Ctrl));  // 0x1B00
    EXPECT_FALSE(reserved(12, Cmd | Opt | Ctrl));         // 0x1900 has no Q
    EXPECT_TRUE(reserved(65, Cmd | Opt | Ctrl));          // ... but keypad . is in it
    EXPECT_TRUE(reserved(38, Cmd));                       // last of the Command row
    EXPECT_TRUE(reserved(125, Shift | Opt));              // last row, last key
    EXPECT_FALSE(reserved(48, Opt | Ctrl));               // Tab under a mask with no row
    EXPECT_FALSE(reserved(12, Cmd | Shift | Opt | Ctrl | 0x0400)); // Caps Lock makes it another set
    // Only the low 16 bits of the mask count.
    EXPECT_TRUE(reserved(12, 0x10000 | Cmd));
}

TEST(KeyCombo, EqualityComparesSixteenBitValuesAndCopiesAreTheSameInstance)
{
    const auto a = KeyCombo::keyComboWithKeyCode(49, Opt);
    EXPECT_TRUE(a->isEqual(KeyCombo::keyComboWithKeyCode(49, Opt).get()));
    EXPECT_TRUE(*a == *KeyCombo::keyComboWithKeyCode(49, 0x70000 | Opt));
    EXPECT_FALSE(a->isEqual(KeyCombo::keyComboWithKeyCode(49, Cmd).get()));
    EXPECT_FALSE(a->isEqual(KeyCombo::keyComboWithKeyCode(48, Opt).get()));
    EXPECT_FALSE(a->isEqual(nullptr));
    EXPECT_TRUE(*KeyCombo::keyCombo() == *KeyCombo::clearKeyCombo());
    EXPECT_EQ(a->copy(), a); // an immutable value: a copy is the same instance
}

TEST(KeyCombo, DisplayTextOrdersModifiersAndFallsBackToHex)
{
    int loads = 0;
    const ScopedResources table{{[&] {
                                     ++loads;
                                     return std::optional<QVariantMap>(QVariantMap{
                                         {QStringLiteral("49"), QStringLiteral("Space")},
                                         {QStringLiteral("12"), QStringLiteral("Q")},
                                         {QStringLiteral("5"), 5}, // not a name: ignored
                                     });
                                 },
                                 {}}};
    EXPECT_EQ(KeyCombo::keyComboWithKeyCode(40, Cmd | Shift)->userDisplayRep(), QStringLiteral("⌘⇧28"));
    EXPECT_EQ(KeyCombo::keyComboWithKeyCode(49, Opt)->description(), QStringLiteral("⌥Space"));
    EXPECT_EQ(KeyCombo::keyComboWithKeyCode(12, Ctrl | Shift | Opt | Cmd)->userDisplayRep(), QStringLiteral("⌘⌥^⇧Q"));
    EXPECT_EQ(KeyCombo::keyComboWithKeyCode(10, Ctrl | Shift)->userDisplayRep(), QStringLiteral("^⇧A"));
    EXPECT_EQ(KeyCombo::keyComboWithKeyCode(127, 0)->userDisplayRep(), QStringLiteral("7F"));
    EXPECT_EQ(KeyCombo::keyComboWithKeyCode(5, Cmd)->userDisplayRep(), QStringLiteral("⌘5"));
    EXPECT_EQ(KeyCombo::_stringForKeyCode(-1), QStringLiteral("FFFFFFFF"));
    EXPECT_EQ(KeyCombo::_stringForModifiers(0), QString());
    EXPECT_EQ(loads, 1) << "the table is loaded once and shared";
}

TEST(KeyCombo, CocoaFlagsTranslateToCarbonMasks)
{
    using K = KeyTranslator;
    EXPECT_EQ(K::cocoaToCarbonModifiers(K::CommandKeyMask | K::ShiftKeyMask | K::AlphaShiftKeyMask), 0x0300u);
    EXPECT_EQ(K::cocoaToCarbonModifiers(K::CommandKeyMask | K::AlternateKeyMask | K::ControlKeyMask | K::ShiftKeyMask),
              0x1B00u);
    EXPECT_EQ(K::cocoaToCarbonModifiers(K::ControlKeyMask), 0x1000u);
    // Numeric pad, function key and device-dependent bits are dropped.
    EXPECT_EQ(K::cocoaToCarbonModifiers(K::NumericPadKeyMask | 0x800000u | 0xFFFFu | 0xFF000000u), 0u);
}
