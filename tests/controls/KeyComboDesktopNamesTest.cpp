#include "KeyComboTestSupport.h"
#include "platform/desktop/Accelerator.h"

#include <gtest/gtest.h>

#include <optional>
#include <utility>

using namespace corvane::test;

namespace {

std::optional<std::pair<qint16, qint32>> read(const char *text)
{
    const auto combo = KeyCombo::keyComboWithText(QString::fromUtf8(text));
    if (!combo)
        return std::nullopt;
    return std::pair{combo->keyCode(), combo->storedModifiers()};
}

} // namespace

TEST(KeyComboDesktopNames, EveryWayOfWritingACombination)
{
    const ScopedResources names{
        {[] { return KeyComboResources::readKeyCodes(QStringLiteral(CORVANE_RESOURCES_DIR "/KeyCodes.plist")); }, {}}};
    const std::pair<const char *, std::optional<std::pair<qint16, qint32>>> rows[] = {
        // The display form, with the shipped key names.
        {"⌥Space", {{49, Opt}}},
        {"^⌥⇥", {{48, Ctrl | Opt}}},
        {"⌃⌥space", {{49, Ctrl | Opt}}}, // U+2303, and a key name X knows
        {"Space", {{49, 0}}}, // a bare key reads; the reserved table refuses it
        // Qt's and KDE's texts; Meta is the Super key, Command here.
        {"Alt+Space", {{49, Opt}}},
        {"Meta+E", {{14, Cmd}}},
        {"Ctrl+Alt+Del", {{117, Ctrl | Opt}}},
        // GTK's accelerators; locks never enter.
        {"<Alt>space", {{49, Opt}}},
        {"<Primary><Shift>t", {{17, Ctrl | Shift}}},
        {"<Mod4><Mod1>Return", {{36, Cmd | Opt}}},
        {"<Lock><Mod2><Alt>space", {{49, Opt}}},
        {"<Control>KP_Divide", {{75, Ctrl}}},
        // Nothing, or more than one key, or no key at all.
        {"", std::nullopt},
        {"⌥Nonsense", std::nullopt},
        {"Alt+", std::nullopt},
        {"Alt+Space, Ctrl+X", std::nullopt},
        {"<Super>Super_L", std::nullopt},
        {"<Alt>XF86Launch9", std::nullopt}, // a key with no virtual key code
    };
    for (const auto &[text, expected] : rows)
        EXPECT_EQ(read(text), expected) << text;
}

TEST(KeyComboDesktopNames, EveryKeyRoundTripsThroughQtAndGtk)
{
    int keys = 0;
    for (qint16 keyCode = 0; keyCode < 128; ++keyCode) {
        for (const qint32 modifiers : {Opt, Cmd | Shift, Ctrl | Opt | Shift | Cmd}) {
            const auto combo = KeyCombo::keyComboWithKeyCode(keyCode, modifiers);
            const auto qt = combo->qtKeyCombination();
            if (!qt)
                continue;
            ++keys;
            const auto back = KeyCombo::keyComboWithQtKeyCombination(*qt);
            ASSERT_TRUE(back) << keyCode;
            EXPECT_EQ(*back, *combo) << keyCode;
            const QString gtk = platform::gtkAccelerator(*qt);
            if (gtk.isEmpty())
                continue;
            const auto fromGtk = KeyCombo::keyComboWithText(gtk);
            ASSERT_TRUE(fromGtk) << qPrintable(gtk);
            EXPECT_EQ(*fromGtk, *combo) << qPrintable(gtk);
        }
    }
    EXPECT_GT(keys, 3 * 90); // every key of a full US keyboard but the modifiers
    EXPECT_FALSE(KeyCombo::clearKeyCombo()->qtKeyCombination());
    EXPECT_FALSE(KeyCombo::keyComboWithKeyCode(55, Opt)->qtKeyCombination()); // Command key alone
}
