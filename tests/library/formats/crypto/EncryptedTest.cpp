#include "ArrayEncrypted.h"
#include "DataEncrypted.h"
#include "DictionaryEncrypted.h"
#include "StringEncrypted.h"

#include "platform/plist/PropertyList.h"
#include "TestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class Encrypted : public ::testing::Test
{
protected:
    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }
    QByteArray contents(const char *name) const { return corvane::test::readFile(path(name)).value_or(QByteArray()); }
    QTemporaryDir dir;
};

TEST_F(Encrypted, DictionariesAndArraysRoundTripAndReadWhateverTheRoot)
{
    EXPECT_TRUE(vl::writeToFileEncrypted(QVariantMap(), path("empty"), true, "password"));
    EXPECT_EQ(vl::dictionaryWithContentsOfEncryptedFile(path("empty"), "password"), QVariant(QVariantMap()));
    EXPECT_FALSE(vl::dictionaryWithContentsOfEncryptedFile(path("empty"), "Password").isValid());
    EXPECT_FALSE(vl::dictionaryWithContentsOfEncryptedFile(path("empty"), nullptr).isValid());
    EXPECT_FALSE(vl::dictionaryWithContentsOfEncryptedFile(path("missing"), "password").isValid());

    const QVariantList array{QStringLiteral("one"), qint64(2), QVariantMap{{QStringLiteral("three"), QByteArray("3")}}};
    EXPECT_TRUE(vl::writeToFileEncrypted(array, path("array"), false, "password"));
    EXPECT_EQ(vl::dictionaryWithContentsOfEncryptedFile(path("array"), "password"), QVariant(array));
    EXPECT_EQ(vl::arrayWithContentsOfEncryptedFile(path("array"), "password"), QVariant(array));
    // Nothing that a property list cannot hold is written.
    EXPECT_FALSE(vl::writeToFileEncrypted(QVariantList{QVariant()}, path("null"), true, "password"));
    EXPECT_FALSE(QFile::exists(path("null")));
}

TEST_F(Encrypted, FilesHoldTheCiphertextAlone)
{
    for (auto [length, fileLength] : {std::pair{0, 16}, {15, 16}, {16, 32}}) {
        ASSERT_TRUE(vl::writeToFileEncrypted(QByteArray(length, 'd'), path("data"), false, "password"));
        EXPECT_EQ(contents("data").size(), fileLength) << length;
        EXPECT_EQ(vl::dataWithContentsOfEncryptedFile(path("data"), "password"), QByteArray(length, 'd'));
    }
    const QVariantMap value{{QStringLiteral("same"), true}};
    ASSERT_TRUE(vl::writeToFileEncrypted(value, path("first"), true, "password"));
    ASSERT_TRUE(vl::writeToFileEncrypted(value, path("second"), false, "password"));
    EXPECT_EQ(contents("first"), contents("second"));
    EXPECT_EQ(contents("first"), vl::encrypt(platform::writePropertyList(value, platform::PropertyListFormat::Xml).bytes, "password"));
}

TEST_F(Encrypted, KeySizesAndPasswordsAreTheirBytes)
{
    const QByteArray plain = "a plaintext of some length, for several blocks";
    const auto large = vl::encrypt(plain, "password", true);
    ASSERT_TRUE(large);
    EXPECT_NE(large, vl::encrypt(plain, "password"));
    EXPECT_EQ(vl::decrypt(*large, "password", true), plain);
    EXPECT_NE(vl::decrypt(*large, "password"), plain);
    // "pässword" in UTF-8 and in ISO Latin 1; the bytes after a NUL do not count.
    const auto utf8 = vl::encrypt(plain, "p\xc3\xa4ssword");
    const auto latin1 = vl::encrypt(plain, "p\xe4ssword");
    EXPECT_NE(utf8, latin1);
    EXPECT_NE(vl::decrypt(*utf8, "p\xe4ssword"), plain);
    EXPECT_EQ(vl::encrypt(plain, QByteArray("pass\0word", 9).constData()), vl::encrypt(plain, "pass"));
    EXPECT_EQ(vl::decrypt(*vl::encrypt(plain, ""), ""), plain);
    EXPECT_FALSE(vl::encrypt(plain, nullptr));
}

} // namespace
