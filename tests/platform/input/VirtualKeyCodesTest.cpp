#include "platform/input/VirtualKeyCodes.h"

#include <gtest/gtest.h>

namespace VirtualKeyCodes = platform::VirtualKeyCodes;

TEST(VirtualKeyCodes, EveryKeyGoesBackToItsOwnPositionAndAliasesToTheKeys)
{
    int keys = 0;
    for (quint32 xkb = 0; xkb < 600; ++xkb) {
        const auto code = VirtualKeyCodes::fromXkbKeycode(xkb);
        if (!code)
            continue;
        ++keys;
        const auto back = VirtualKeyCodes::toXkbKeycode(*code);
        ASSERT_TRUE(back.has_value()) << xkb;
        EXPECT_EQ(VirtualKeyCodes::fromXkbKeycode(*back), code) << xkb;
    }
    EXPECT_GT(keys, 100);
    // Help: Insert's position, not the rarer Help key's; the JIS keypad comma likewise.
    EXPECT_EQ(VirtualKeyCodes::toXkbKeycode(114), 110u + 8);
    EXPECT_EQ(VirtualKeyCodes::toXkbKeycode(95), 121u + 8);
    EXPECT_EQ(VirtualKeyCodes::toXkbKeycode(49), 65u); // Space, as Xvfb numbers it
    EXPECT_EQ(VirtualKeyCodes::toXkbKeycode(52), std::nullopt); // a code no key has
    EXPECT_EQ(VirtualKeyCodes::fromXkbKeycode(3), std::nullopt); // below the X protocol's first code
}
