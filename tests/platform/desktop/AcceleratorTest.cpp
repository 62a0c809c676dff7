#include "platform/desktop/Accelerator.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

using platform::parseAccelerator;

constexpr auto Alt = Qt::AltModifier;
constexpr auto Ctrl = Qt::ControlModifier;
constexpr auto Meta = Qt::MetaModifier;
constexpr auto Shift = Qt::ShiftModifier;
constexpr auto Keypad = Qt::KeypadModifier;

} // namespace

TEST(Accelerator, DesktopTextsAndTheirCombinations)
{
    struct Row
    {
        const char *text;
        std::optional<QKeyCombination> combination;
        const char *gtk; // written back, where the text is not GTK's canonical form
        const char *portable;
    };
    const Row rows[] = {
        {"<Alt>space", Alt | Qt::Key_Space, "<Alt>space", "Alt+Space"},
        {"<Primary><Alt>l", Ctrl | Alt | Qt::Key_L, "<Control><Alt>l", "Ctrl+Alt+L"},
        {"<Shift><Super>Page_Up", Shift | Meta | Qt::Key_PageUp, "<Shift><Super>Page_Up", "Meta+Shift+PgUp"},
        {"<Super>KP_5", Meta | Keypad | Qt::Key_5, "<Super>KP_5", "Meta+Num+5"},
        {"XF86AudioPlay", QKeyCombination(Qt::Key_MediaPlay), "XF86AudioPlay", "Media Play"},
        {"<Control>bracketleft", Ctrl | Qt::Key_BracketLeft, "<Control>bracketleft", "Ctrl+["},
        {"Meta+E", Meta | Qt::Key_E, "<Super>e", "Meta+E"},
        {"Ctrl+Shift+Esc", Ctrl | Shift | Qt::Key_Escape, "<Shift><Control>Escape", "Ctrl+Shift+Esc"},
    };
    for (const auto &row : rows) {
        const auto combination = parseAccelerator(QString::fromUtf8(row.text));
        EXPECT_EQ(combination, row.combination) << row.text;
        if (!combination)
            continue;
        EXPECT_EQ(platform::gtkAccelerator(*combination).toStdString(), row.gtk) << row.text;
        EXPECT_EQ(platform::portableAccelerator(*combination).toStdString(), row.portable) << row.text;
        EXPECT_EQ(parseAccelerator(platform::gtkAccelerator(*combination)), combination) << row.text;
        EXPECT_EQ(parseAccelerator(platform::portableAccelerator(*combination)), combination) << row.text;
    }
}

TEST(Accelerator, LocksDropAndNonsenseIsNone)
{
    EXPECT_EQ(parseAccelerator(u"<Lock><Alt>space"), Alt | Qt::Key_Space);
    EXPECT_EQ(parseAccelerator(u"  <alt>SPACE "), Alt | Qt::Key_Space);
    for (const char16_t *text : {u"", u"<Alt>", u"<Alt", u"<>space", u"<Bogus>a", u"Super_L", u"<Alt>Alt_L", u"Alt+",
                                 u"Ctrl+X, Ctrl+C", u"<Super>Above_Tab", u"<Alt>sp\u00e4ce", u"['<Alt>space']"})
        EXPECT_EQ(parseAccelerator(text), std::nullopt) << QString::fromUtf16(text).toStdString();
    // A key X names but Qt does not: nothing to write.
    EXPECT_EQ(platform::gtkAccelerator(QKeyCombination(Qt::Key_Launch0)), QString());
}
