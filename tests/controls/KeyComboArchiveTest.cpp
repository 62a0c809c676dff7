#include "KeyCombo.h"
#include "UserDefaultsKeyComboAdditions.h"

#include "Archiver.h"
#include "UserDefaults.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

// The original platform's archiver writes these bytes for the two combinations.
const QByteArray commandReturnArchive = QByteArray::fromHex(
    "040B73747265616D747970656481E803"
    "840140"
    "84"
    "8484084B6579436F6D626F00"
    "8484084E534F626A65637400"
    "85"
    "84017324"
    "84016C810001"
    "86");
const QByteArray clearedArchive = QByteArray::fromHex(
    "040B73747265616D747970656481E803"
    "840140"
    "84"
    "8484084B6579436F6D626F00"
    "8484084E534F626A65637400"
    "85"
    "840173FF"
    "84016CFF"
    "86");

std::shared_ptr<const KeyCombo> unarchive(const QByteArray &bytes)
{
    return vl::unarchiveKeyCombo(bytes);
}

void expectCleared(const std::shared_ptr<const KeyCombo> &combo)
{
    ASSERT_TRUE(combo);
    EXPECT_EQ(combo->keyCode(), -1);
    EXPECT_EQ(combo->storedModifiers(), -1);
}

/// Any other archivable class.
class Other : public platform::ArchivedObject
{
public:
    static constexpr platform::ArchivedClass archivedClass{"Other", 0, &platform::ArchivedClass::NSObject};
    const platform::ArchivedClass &classForArchiver() const override { return archivedClass; }
    void encodeWithCoder(platform::Archiver &) const override {}
    void initWithCoder(platform::Unarchiver &) override {}
};

} // namespace

TEST(KeyComboArchive, IsByteForByteTheOriginalArchive)
{
    EXPECT_EQ(vl::archiveKeyCombo(KeyCombo::keyComboWithKeyCode(36, KeyCombo::CommandKey)).toHex(),
              commandReturnArchive.toHex());
    EXPECT_EQ(vl::archiveKeyCombo(KeyCombo::clearKeyCombo()).toHex(), clearedArchive.toHex());
    EXPECT_TRUE(vl::archiveKeyCombo(nullptr).isNull());

    const auto commandReturn = unarchive(commandReturnArchive);
    EXPECT_EQ(commandReturn->keyCode(), 36);
    EXPECT_EQ(commandReturn->storedModifiers(), 256);
    expectCleared(unarchive(clearedArchive));

    // Archives written on older, big-endian machines read the same.
    const QByteArray bigEndian = QByteArray::fromHex(
        "040B747970656473747265616D8103E8"
        "840140848484084B6579436F6D626F008484084E534F626A6563740085"
        "84017324"
        "84016C810100"
        "86");
    EXPECT_TRUE(*unarchive(bigEndian) == *commandReturn);

    // All 32 bits of the mask survive, though only 16 count for equality.
    const auto wide = unarchive(vl::archiveKeyCombo(KeyCombo::keyComboWithKeyCode(-300, 0x12345678)));
    EXPECT_EQ(wide->keyCode(), -300);
    EXPECT_EQ(wide->storedModifiers(), 0x12345678);
}

TEST(KeyComboArchive, AnythingButAKeyComboArchiveReadsAsCleared)
{
    expectCleared(vl::unarchiveKeyCombo(QVariant()));
    expectCleared(vl::unarchiveKeyCombo(QStringLiteral("not data")));
    expectCleared(vl::unarchiveKeyCombo(42));
    expectCleared(unarchive(QByteArray()));
    expectCleared(unarchive(commandReturnArchive.left(commandReturnArchive.size() - 1)));  // no end of object
    expectCleared(unarchive(commandReturnArchive + QByteArray::fromHex("85")));            // two root values
    QByteArray newerVersion = commandReturnArchive;
    newerVersion[newerVersion.indexOf("KeyCombo") + 8] = 1; // KeyCombo version 1, which this code cannot know
    expectCleared(unarchive(newerVersion));
    QByteArray longType = commandReturnArchive;
    longType[longType.indexOf(QByteArray::fromHex("840173")) + 2] = 'l'; // key code written as "l": not what the class reads
    expectCleared(unarchive(longType));
    expectCleared(unarchive(platform::Archiver::archivedDataWithRootObject(QVariant(QStringLiteral("Hello, world")))));
    expectCleared(unarchive(platform::Archiver::archivedDataWithRootObject(Other())));

    // Another class is never equal to a combination, even with KeyCombo's name missing.
    const Other other;
    EXPECT_FALSE(KeyCombo::keyCombo()->isEqual(&other));
}

TEST(KeyComboArchive, RoundTripsThroughUserDefaults)
{
    QTemporaryDir dir;
    const QString domain = QStringLiteral("com.velora.Corvane");
    const QString key = QStringLiteral("ShowHideHotKey");
    platform::UserDefaults writer(domain, dir.path());
    const auto optionSpace = KeyCombo::keyComboWithKeyCode(49, KeyCombo::OptionKey);
    ASSERT_TRUE(vl::setKeyCombo(writer, optionSpace, key));

    platform::UserDefaults reader(domain, dir.path()); // a fresh reader sees only the file
    EXPECT_EQ(reader.dataForKey(key), vl::archiveKeyCombo(optionSpace));
    const auto read = vl::keyComboForKey(reader, key);
    EXPECT_TRUE(*read == *optionSpace);
    EXPECT_NE(read, optionSpace);

    ASSERT_TRUE(vl::setKeyCombo(writer, nullptr, key));
    reader.synchronize();
    EXPECT_FALSE(reader.objectForKey(key).isValid());
    expectCleared(vl::keyComboForKey(reader, key));

    ASSERT_TRUE(writer.setObject(QByteArray("garbage"), key));
    reader.synchronize();
    expectCleared(vl::keyComboForKey(reader, key));
}
