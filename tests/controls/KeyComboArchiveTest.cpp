#include "KeyCombo.h"
#include "UserDefaults+KeyComboAdditions.h"

#include "platform/archive/Archiver.h"
#include "TestSupport.h"
#include "platform/plist/UserDefaults.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

// The original platform's archiver output for KeyCombo objects (see the format
// notes): header, root object "@", class chain KeyCombo v0 -> NSObject v0, then
// "s" and "l".
const QByteArray chain = hex("04 0B 73 74 72 65 61 6D 74 79 70 65 64 81 E8 03 84 01 40 84 84 84 08 4B 65 79 43 6F 6D"
                             "62 6F 00 84 84 08 4E 53 4F 62 6A 65 63 74 00 85");
const QByteArray commandReturn = chain + hex("84 01 73 24 84 01 6C 81 00 01 86");
const QByteArray cleared = chain + hex("84 01 73 FF 84 01 6C FF 86");

} // namespace

TEST(KeyComboArchive, WritesAndReadsTheOriginalPlatformsBytesAndRoundTripsTheWholeRange)
{
    for (const auto &[combo, bytes] : {std::pair{KeyCombo::keyComboWithKeyCode(36, 256), commandReturn},
                                       std::pair{KeyCombo::clearKeyCombo(), cleared}}) {
        EXPECT_EQ(combo->archivedData(), bytes);
        const auto back = KeyCombo::unarchiveObjectWithData(bytes);
        ASSERT_TRUE(back);
        EXPECT_EQ(back->keyCode(), combo->keyCode());
        EXPECT_EQ(back->storedModifiers(), combo->storedModifiers());
    }
    for (const auto &[code, modifiers] : {std::pair<qint16, qint32>{49, 0x0800}, {0, 0}, {32767, 0x7FFFFFFF},
                                          {-32768, qint32(0x80000000)}, {127, 0x1B00}}) {
        const auto back = KeyCombo::unarchiveObjectWithData(KeyCombo::keyComboWithKeyCode(code, modifiers)->archivedData());
        ASSERT_TRUE(back) << code;
        EXPECT_EQ(back->keyCode(), code);
        EXPECT_EQ(back->storedModifiers(), modifiers);
    }
}

TEST(KeyComboArchive, RefusesWhatIsNotOneKeyCombo)
{
    // Arbitrary bytes are the fuzz target's; these are near misses of a real archive.
    EXPECT_FALSE(KeyCombo::unarchiveObjectWithData(commandReturn.left(commandReturn.size() - 1)));
    EXPECT_FALSE(KeyCombo::unarchiveObjectWithData(platform::Archiver::archivedDataWithRootObject(QStringLiteral("KeyCombo"))));
    // The modifiers written as a 16-bit "s" instead of "l".
    EXPECT_FALSE(KeyCombo::unarchiveObjectWithData(chain + hex("84 01 73 24 84 01 73 81 00 01 86")));
}

TEST(KeyComboUserDefaults, StoresTheArchiveAndReadsClearedForAnythingElse)
{
    QTemporaryDir dir;
    platform::UserDefaults defaults(QStringLiteral("com.velora.Test"), dir.path());
    const auto optionSpace = KeyCombo::keyComboWithKeyCode(49, 0x0800);

    EXPECT_TRUE(vl::setKeyCombo(defaults, optionSpace.get(), QStringLiteral("HotKey")));
    EXPECT_EQ(defaults.dataForKey(QStringLiteral("HotKey")), optionSpace->archivedData());
    EXPECT_TRUE(vl::keyComboForKey(defaults, QStringLiteral("HotKey"))->isEqual(optionSpace.get()));

    EXPECT_TRUE(vl::setKeyCombo(defaults, nullptr, QStringLiteral("HotKey")));
    EXPECT_FALSE(defaults.objectForKey(QStringLiteral("HotKey")).isValid());
    EXPECT_FALSE(vl::keyComboForKey(defaults, QStringLiteral("HotKey"))->isValid());

    defaults.setObject(QByteArray("junk"), QStringLiteral("HotKey"));
    EXPECT_FALSE(vl::keyComboForKey(defaults, QStringLiteral("HotKey"))->isValid());
    defaults.setObject(QStringLiteral("a string"), QStringLiteral("HotKey"));
    EXPECT_FALSE(vl::keyComboForKey(defaults, QStringLiteral("HotKey"))->isValid());

    EXPECT_TRUE(vl::archiveKeyCombo(nullptr).isNull());
    EXPECT_EQ(vl::archiveKeyCombo(optionSpace.get()), optionSpace->archivedData());
}
