#include "TypedStreamTestSupport.h"

#include "platform/archive/TypedStream.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QTimeZone>

#include <cmath>

using namespace platform;

namespace {

/// The bytes one encode call adds after the header, for a fresh archiver.
template <typename Encode>
QByteArray bytesOf(Encode encode)
{
    Archiver archiver;
    encode(archiver);
    return archiver.archiverData().mid(header.size());
}

} // namespace

TEST(Archiver, WritesTheWorkedExamplesByteForByte)
{
    EXPECT_EQ(Archiver().archiverData(), header);
    const QByteArray archive = Archiver::archivedDataWithRootObject(TestKeyCombo(36, 256));
    EXPECT_EQ(archive.size(), 56);
    EXPECT_EQ(archive, keyCombo36);
    EXPECT_EQ(Archiver::archivedDataWithRootObject(TestKeyCombo(-1, -1)), keyComboCleared);
}

TEST(Archiver, WritesNumbersWithTheSmallestForm)
{
    const struct { const char *type; ArchiveValue value; const char *bytes; } rows[] = {
        {"q", 36, "24"}, {"q", -1, "FF"}, {"q", 0, "00"}, {"q", 127, "7F"}, {"q", -110, "92"}, {"q", -111, "81 91 FF"},
        {"q", -128, "81 80 FF"}, {"q", 128, "81 80 00"}, {"q", 256, "81 00 01"}, {"q", 32767, "81 FF 7F"},
        {"q", 32768, "82 00 80 00 00"}, {"q", -32769, "82 FF 7F FF FF"}, {"q", qint64(5000000000), "87 00 F2 05 2A 01 00 00 00"},
        // Unsigned values are written as the signed value of their width; "c" is one raw byte.
        {"Q", ~quint64(2), "FD"}, {"S", quint16(65535), "FF"}, {"c", qint8(-123), "85"},
        // Whole reals are written as integers, others raw; negative zero keeps its sign.
        {"f", 3.5f, "83 00 00 60 40"}, {"d", -1.0, "FF"}, {"d", 21692800.0, "82 80 01 4B 01"},
        {"d", 100.5, "83 00 00 00 00 00 20 59 40"}, {"d", -0.0, "83 00 00 00 00 00 00 00 80"},
        // Whole reals beyond 32 bits are no integers to a reader: 2^31 as a float is not INT32_MAX.
        {"f", 2147483648.0f, "83 00 00 00 4F"}, {"f", -2147483648.0f, "82 00 00 00 80"},
        {"d", 2147483647.0, "82 FF FF FF 7F"}, {"d", 2147483648.0, "83 00 00 00 00 00 00 E0 41"},
    };
    for (const auto &row : rows) {
        EXPECT_EQ(bytesOf([&](Archiver &a) { a.encodeValueOfObjCType(row.type, row.value); }),
                  hex("84 01") + row.type + hex(row.bytes))
            << row.type << " " << row.bytes;
    }
}

TEST(Archiver, WritesStringsDataAndDates)
{
    EXPECT_EQ(bytesOf([](Archiver &a) { a.encodeObject(QVariant(QStringLiteral("Hello, world"))); }),
              hex("84 01 40 84 84 84 08") + "NSString" + hex("01 84 84 08") + "NSObject" + hex("00 85 84 01 2B 0C")
                  + "Hello, world" + hex("86"));
    EXPECT_EQ(bytesOf([](Archiver &a) { a.encodeDataObject(hex("DE AD BE EF 00 7F")); }),
              hex("84 01 69 06 84 04 5B 36 63 5D DE AD BE EF 00 7F"));
    const QDateTime date = QDateTime(QDate(2001, 9, 9), QTime(1, 46, 40), QTimeZone::utc());
    EXPECT_EQ(bytesOf([&](Archiver &a) { a.encodeObject(QVariant(date)); }),
              hex("84 01 40 84 84 84 06") + "NSDate" + hex("00 84 84 08") + "NSObject" + hex("00 85 84 01 64 82 80 01 4B 01 86"));
    // "+" strings are unshared; C strings are shared and take an object slot.
    EXPECT_EQ(bytesOf([](Archiver &a) {
                  a.encodeValuesOfObjCTypes("**+", {"ab", "ab", "ab"});
                  a.encodeValueOfObjCType("*", ArchiveValue());
              }),
              hex("84 03 2A 2A 2B 84 84 02 61 62 92 02 61 62 84 01 2A 85"));
}

TEST(Archiver, WritesReferencesByTableIndex)
{
    // String k of the table is referred to as k - 110; "%" is string 0.
    QByteArray bytes = bytesOf([](Archiver &a) {
        for (int i = 1; i <= 238; ++i)
            a.encodeValueOfObjCType("%", QByteArray::number(i));
        for (const int k : {1, 109, 110, 237, 238})
            a.encodeValueOfObjCType("%", QByteArray::number(k));
    });
    EXPECT_EQ(bytes.right(5 * 2 + 2), hex("92 93 92 FF 92 00 92 7F 92 81 80 00"));

    const auto stream = TypedStream::read(header + bytes);
    ASSERT_TRUE(stream) << stream.error().description.toStdString();
    EXPECT_EQ(stream->groups().last().values.front(), ArchiveValue("238"));
}

TEST(Archiver, SharesObjectsAndClassesWrittenBefore)
{
    auto shared = std::make_shared<TestKeyCombo>(36, 256);
    const QVariant list = QVariantList{archivedObjectVariant(shared), archivedObjectVariant(shared),
                                       archivedObjectVariant(std::make_shared<TestKeyCombo>(1, 2))};
    const QByteArray archive = Archiver::archivedDataWithRootObject(list);
    // The second element refers to object 3 (array 0, NSArray 1, NSObject 2); the
    // third is a new object whose class refers to KeyCombo (object 4), and whose
    // type strings refer to "s" and "l" (strings 5 and 6).
    EXPECT_TRUE(archive.contains(hex("92 95 92 84 96 97 01 98 02 86 86")));

    ArchiveClassRegistry registry;
    registry.registerFoundationClasses();
    registry.registerClass<TestKeyCombo>();
    const auto decoded = Unarchiver::unarchiveObjectWithData(archive, registry);
    ASSERT_TRUE(decoded) << decoded.error().description.toStdString();
    const QVariantList elements = decoded->toList();
    ASSERT_EQ(elements.size(), 3);
    EXPECT_EQ(archivedObjectCast<TestKeyCombo>(elements[0]), archivedObjectCast<TestKeyCombo>(elements[1]));
    EXPECT_EQ(archivedObjectCast<TestKeyCombo>(elements[2])->modifiers, 2);
}
