#include "platform/plist/BinaryPropertyListReader.h"

#include <QDateTime>

#include <gtest/gtest.h>

#include <limits>
#include <vector>

using namespace platform;
using Refusal = BinaryPropertyListReader::Refusal;

namespace {

QByteArray bigEndian(quint64 value, int width)
{
    QByteArray bytes(width, '\0');
    for (int i = width - 1; i >= 0; --i, value >>= 8)
        bytes[i] = char(value & 0xFF);
    return bytes;
}

// A container object of `kind` holding `refs` (a dictionary: its keys', then its values').
QByteArray container(uchar kind, const std::vector<quint64> &refs, int refSize = 1)
{
    const quint64 n = kind == 0xD0 ? refs.size() / 2 : refs.size();
    QByteArray object(1, char(kind | (n < 15 ? n : 0xF)));
    if (n >= 15)
        object += '\x11' + bigEndian(n, 2);
    for (const quint64 ref : refs)
        object += bigEndian(ref, refSize);
    return object;
}

// A binary list of `objects` (hex, or raw bytes) whose first object is the root.
QByteArray list(const std::vector<QByteArray> &objects, int refSize = 1)
{
    QByteArray bytes("bplist00"), table;
    for (const QByteArray &object : objects) {
        table += bigEndian(quint64(bytes.size()), 4);
        bytes += object;
    }
    const quint64 tableAt = bytes.size();
    bytes += table + QByteArray(6, '\0') + char(4) + char(refSize);
    return bytes + bigEndian(objects.size(), 8) + bigEndian(0, 8) + bigEndian(tableAt, 8);
}

Refusal refusalOf(const QByteArray &bytes)
{
    Refusal refusal = Refusal::None;
    const PropertyListReadResult result = BinaryPropertyListReader::read(bytes, &refusal);
    EXPECT_EQ(result.ok(), refusal == Refusal::None) << qPrintable(result.error);
    return refusal;
}

} // namespace

// What no writer of ours makes: narrow unsigned integers, a 4-byte real, a set, a 16-byte
// integer, a 9-byte UID, a date before 2001 with a fraction, and a repeated key (the first
// stays).
TEST(BinaryPropertyListReader, ReadsEveryEncodingOfAValue)
{
    const QByteArray uint64Max = QByteArray::fromHex("14") + QByteArray(8, '\0') + QByteArray(8, '\xff');
    const PropertyListReadResult result = BinaryPropertyListReader::read(
        list({container(0xD0, {1, 1, 2, 3, 4, 5}), "\x51k", "\x50", "\x55" "first", "\x56" "second",
              container(0xC0, {6, 7, 8, 9, 10}), QByteArray::fromHex("10ff"), QByteArray::fromHex("2240200000"), uint64Max,
              QByteArray::fromHex("88000000000000000007"), QByteArray::fromHex("33bff8000000000000")}));
    ASSERT_TRUE(result.ok()) << qPrintable(result.error);
    const QVariantMap map = result.value.toMap();
    EXPECT_EQ(map.value(QStringLiteral("k")), QVariant(QStringLiteral("first")));
    const QVariantList values = map.value(QString()).toList();
    ASSERT_EQ(values.size(), 5);
    EXPECT_EQ(values[0], QVariant(qint64(255)));
    EXPECT_EQ(values[1], QVariant(2.5));
    EXPECT_EQ(values[2], QVariant(std::numeric_limits<quint64>::max()));
    EXPECT_EQ(values[3].value<PropertyListUid>().value, 7u);
    EXPECT_EQ(values[4].toDateTime(), QDateTime(QDate(2000, 12, 31), QTime(23, 59, 58, 500), Qt::UTC));
}

// libplist read only the low 64 bits of these, giving another number; they are refused.
TEST(BinaryPropertyListReader, RefusesFieldsWiderThan64Bits)
{
    for (const char *hex : {"1400000000000000010000000000000000", "14ffffffffffffffffffffffffffffffff", "88010000000000000000",
                            "5f140000000000000000000000000000000161"})
        EXPECT_EQ(refusalOf(list({QByteArray::fromHex(hex)})), Refusal::WiderThan64Bits) << hex;
    // Nine-byte references, behind which the old guard could not see nesting or sharing.
    EXPECT_EQ(refusalOf(list({container(0xA0, {1}, 9), "\x09"}, 9)), Refusal::WiderThan64Bits);
}

TEST(BinaryPropertyListReader, RefusesCyclesDepthExpansionAndUPlus0000)
{
    EXPECT_EQ(refusalOf(list({container(0xA0, {1}), container(0xD0, {2, 0}), "\x53key"})), Refusal::Cycle);
    // 512 arrays, each holding the next, read; one more is too deep.
    for (const quint64 depth : {512, 513}) {
        std::vector<QByteArray> nested;
        for (quint64 i = 1; i < depth; ++i)
            nested.push_back(container(0xA0, {i}, 2));
        nested.push_back(container(0xA0, {}));
        EXPECT_EQ(refusalOf(list(nested, 2)), depth == 512 ? Refusal::None : Refusal::TooDeep) << depth;
    }
    // Eight arrays, each holding the next twenty times: 20^8 values from a few hundred bytes.
    std::vector<QByteArray> bomb;
    for (quint64 i = 1; i <= 8; ++i)
        bomb.push_back(container(0xA0, std::vector<quint64>(20, i)));
    bomb.push_back("\x08");
    EXPECT_EQ(refusalOf(list(bomb)), Refusal::TooManyValues);
    // U+0000 in a string, read or not, as the libplist route refused it.
    for (const QByteArray &string : {QByteArray("\x53" "a\0b", 4), QByteArray("\x62\0a\0\0", 5)}) {
        EXPECT_EQ(refusalOf(list({container(0xA0, {1}), string})), Refusal::NulInString);
        EXPECT_EQ(refusalOf(list({"\x09", string})), Refusal::NulInString);
    }
}

TEST(BinaryPropertyListReader, RefusesTruncationAndDatesOutOfRange)
{
    const QByteArray good = list({container(0xD0, {1, 2}), "\x54when", QByteArray::fromHex("3341cdcd6500000000")});
    ASSERT_EQ(refusalOf(good), Refusal::None);
    for (qsizetype n = 0; n < good.size(); ++n)
        EXPECT_NE(refusalOf(good.left(n)), Refusal::None) << n;
    for (const char *hex : {"337ff8000000000000", "337e37e43c8800759c", "33fff0000000000000"}) // NaN, 1e300, -inf
        EXPECT_EQ(refusalOf(list({QByteArray::fromHex(hex)})), Refusal::DateOutOfRange) << hex;
}
