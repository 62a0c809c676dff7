#include "KeyComboTestSupport.h"
#include "KeyTranslator.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <set>

namespace {

const QString keyCodesPath = QStringLiteral(CORVANE_RESOURCES_DIR "/KeyCodes.plist");

/// Every key code the translator can give, from any scan code or Qt key.
std::set<quint16> translatableKeyCodes()
{
    std::set<quint16> codes;
    for (quint32 scanCode = 0; scanCode < 1024; ++scanCode) {
        if (const auto code = KeyTranslator::keyCodeForScanCode(scanCode))
            codes.insert(*code);
    }
    const auto addQtKeys = [&](int first, int last) {
        for (int key = first; key <= last; ++key) {
            for (const bool keypad : {false, true}) {
                if (const auto code = KeyTranslator::keyCodeForQtKey(key, keypad))
                    codes.insert(*code);
            }
        }
    };
    addQtKeys(0x20, 0xFF);
    addQtKeys(Qt::Key_Escape, Qt::Key_Escape + 0x1200);
    return codes;
}

} // namespace

TEST(KeyNameTable, NamesEveryKeyTheTranslatorCanRecord)
{
    const auto names = KeyComboResources::readKeyCodes(keyCodesPath);
    ASSERT_TRUE(names);
    const auto codes = translatableKeyCodes();
    EXPECT_GE(codes.size(), 115u);
    for (const quint16 code : codes) {
        EXPECT_FALSE(names->value(QString::number(code)).toString().isEmpty()) << "no name for key code " << code;
    }
    // The names whose symbol differs from the key's label.
    const std::pair<int, const char *> symbols[] = {{36, "↩"}, {51, "⌫"}, {117, "⌦"}, {49, "Space"}, {82, "Keypad 0"}};
    for (const auto &[code, name] : symbols)
        EXPECT_EQ(names->value(QString::number(code)).toString(), QString::fromUtf8(name)) << code;
}

TEST(KeyNameTable, ComesFromThePanesBundleOnceItHasOne)
{
    QTemporaryDir bundleDir;
    const QString resources = bundleDir.filePath(QStringLiteral("Resources"));
    ASSERT_TRUE(QDir().mkpath(resources + QStringLiteral("/translations")));
    ASSERT_TRUE(QFile::copy(QStringLiteral(CORVANE_HOTKEYSLIB_DE_QM),
                            resources + QStringLiteral("/translations/HotKeysLib_de.qm")));
    const auto bundle = platform::Bundle::bundleWithPath(bundleDir.path());
    ASSERT_TRUE(bundle);

    const corvane::test::ScopedResources fromBundle(KeyComboResources::fromBundle(*bundle));
    QLocale::setDefault(QLocale(QStringLiteral("de_DE")));
    const auto optionSpace = KeyCombo::keyComboWithKeyCode(49, KeyCombo::OptionKey);
    EXPECT_EQ(optionSpace->userDisplayRep(), QStringLiteral("⌥31")) << "no KeyCodes resource yet";
    EXPECT_EQ(KeyCombo::keyCombo()->userDisplayRep(), QStringLiteral("(Keine)"));

    ASSERT_TRUE(QFile::copy(keyCodesPath, resources + QStringLiteral("/KeyCodes.plist")));
    EXPECT_EQ(optionSpace->userDisplayRep(), QStringLiteral("⌥Space"));
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(KeyCombo::keyCombo()->userDisplayRep(), QStringLiteral("(None)"));
}
