#include "platform/plist/BinaryPropertyListReader.h"

#include <QDateTime>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <limits>
#include <vector>

using namespace platform;
using Refusal = BinaryPropertyListReader::Refusal;

namespace {

// A binary list put together object by object, so that a test can say exactly which
// bytes it means, including those no writer would make.
struct ListBuilder
{
    int refSize = 1;
    int offsetSize = 4;
    std::vector<QByteArray> objects;

    QByteArray bigEndian(quint64 value, int width) const
    {
        QByteArray bytes(width, '\0');
        for (int i = width - 1; i >= 0; --i, value >>= 8)
            bytes[i] = char(value & 0xFF);
        return bytes;
    }

    quint64 add(const QByteArray &object)
    {
        objects.push_back(object);
        return objects.size() - 1;
    }

    // A dictionary's references are its keys', then its values'.
    QByteArray container(uchar kind, std::initializer_list<quint64> refs) const
    {
        const quint64 n = kind == 0xD0 ? refs.size() / 2 : refs.size();
        QByteArray object(1, char(kind | (n < 15 ? n : 0xF)));
        if (n >= 15)
            object += '\x11' + bigEndian(n, 2);
        for (const quint64 ref : refs)
            object += bigEndian(ref, refSize);
        return object;
    }

    QByteArray bytes(quint64 top = 0) const
    {
        QByteArray list("bplist00");
        QByteArray table;
        for (const QByteArray &object : objects) {
            table += bigEndian(quint64(list.size()), offsetSize);
            list += object;
        }
        const quint64 tableAt = list.size();
        list += table;
        list += QByteArray(6, '\0') + char(offsetSize) + char(refSize);
        return list + bigEndian(objects.size(), 8) + bigEndian(top, 8) + bigEndian(tableAt, 8);
    }
};

QByteArray ascii(const char *text)
{
    return char(0x50 | qstrlen(text)) + QByteArray(text);
}

QByteArray utf16(std::initializer_list<char16_t> units)
{
    QByteArray object(1, char(0x60 | units.size()));
    for (const char16_t unit : units)
        object += char(unit >> 8) + QByteArray(1, char(unit & 0xFF));
    return object;
}

QByteArray real(double value)
{
    char be[8];
    qToBigEndian(value, be);
    return '\x23' + QByteArray(be, 8);
}

Refusal refusalOf(const QByteArray &list)
{
    Refusal refusal = Refusal::None;
    const PropertyListReadResult result = BinaryPropertyListReader::read(list, &refusal);
    EXPECT_EQ(result.ok(), refusal == Refusal::None) << qPrintable(result.error);
    return refusal;
}

} // namespace

// The values no writer of ours makes: narrow unsigned integers, a 4-byte real, a set, a UID
// of 9 bytes, and a key that repeats (the first stays).
TEST(BinaryPropertyListReader, ReadsEveryEncodingOfAValue)
{
    ListBuilder b;
    const quint64 key = b.add(ascii("k"));
    const QByteArray narrow = QByteArray::fromHex("10ff"), wide = QByteArray::fromHex("14") + QByteArray(8, '\0') + QByteArray(8, '\xff');
    const quint64 set = b.add(b.container(0xC0, {b.add(narrow), b.add(QByteArray::fromHex("2240200000")), b.add(wide),
                                                 b.add(QByteArray::fromHex("13ffffffffffffffff")), b.add(QByteArray::fromHex("88000000000000000007"))}));
    const quint64 empty = b.add(ascii("")), first = b.add(ascii("first")), second = b.add(ascii("second"));
    b.add(b.container(0xD0, {key, key, empty, first, second, set}));
    const PropertyListReadResult result = BinaryPropertyListReader::read(b.bytes(b.objects.size() - 1));
    ASSERT_TRUE(result.ok()) << qPrintable(result.error);
    const QVariantMap map = result.value.toMap();
    ASSERT_EQ(map.size(), 2);
    EXPECT_EQ(map.value(QStringLiteral("k")), QVariant(QStringLiteral("first")));
    const QVariantList values = map.value(QString()).toList();
    ASSERT_EQ(values.size(), 5);
    EXPECT_EQ(values[0], QVariant(qint64(255)));
    EXPECT_EQ(values[1], QVariant(2.5));
    EXPECT_EQ(values[2], QVariant(std::numeric_limits<quint64>::max()));
    EXPECT_EQ(values[3], QVariant(qint64(-1)));
    EXPECT_EQ(values[4].value<PropertyListUid>().value, 7u);
}

// libplist reads only the low 64 bits of such fields; a reading that drops the high ones
// is a different number, so these are refused instead.
TEST(BinaryPropertyListReader, RefusesFieldsWiderThan64Bits)
{
    const auto lone = [](const QByteArray &object) {
        ListBuilder b;
        b.add(object);
        return b.bytes();
    };
    EXPECT_EQ(refusalOf(lone(QByteArray::fromHex("14") + QByteArray(7, '\0') + '\x01' + QByteArray(8, '\0'))), Refusal::WiderThan64Bits);
    EXPECT_EQ(refusalOf(lone(QByteArray::fromHex("14") + QByteArray(16, '\xff'))), Refusal::WiderThan64Bits);
    EXPECT_EQ(refusalOf(lone(QByteArray::fromHex("88010000000000000000"))), Refusal::WiderThan64Bits);
    EXPECT_EQ(refusalOf(lone(QByteArray::fromHex("5f14") + QByteArray(15, '\0') + '\x01' + 'a')), Refusal::WiderThan64Bits);
    // Nine-byte references, behind which the old check could not see nesting or sharing.
    ListBuilder b;
    b.refSize = 9;
    b.add(b.container(0xA0, {1}));
    b.add(QByteArray::fromHex("09"));
    EXPECT_EQ(refusalOf(b.bytes()), Refusal::WiderThan64Bits);
}

TEST(BinaryPropertyListReader, RefusesCyclesDepthAndExpansion)
{
    ListBuilder cycle;
    cycle.add(cycle.container(0xA0, {1}));
    cycle.add(cycle.container(0xD0, {2, 0}));
    cycle.add(ascii("key"));
    EXPECT_EQ(refusalOf(cycle.bytes()), Refusal::Cycle);

    // 512 arrays, each holding the next, read; one more is too deep.
    for (const int depth : {512, 513}) {
        ListBuilder deep;
        deep.refSize = 2;
        for (int i = 0; i < depth - 1; ++i)
            deep.add(deep.container(0xA0, {quint64(i) + 1}));
        deep.add(deep.container(0xA0, {}));
        EXPECT_EQ(refusalOf(deep.bytes()), depth == 512 ? Refusal::None : Refusal::TooDeep) << depth;
    }

    // Each array holds the next one twenty times: 20^8 values from a few hundred bytes.
    ListBuilder bomb;
    for (quint64 i = 0; i < 8; ++i) {
        const quint64 n = i + 1;
        bomb.add(bomb.container(0xA0, {n, n, n, n, n, n, n, n, n, n, n, n, n, n, n, n, n, n, n, n}));
    }
    bomb.add(QByteArray::fromHex("08"));
    EXPECT_EQ(refusalOf(bomb.bytes()), Refusal::TooManyValues);
}

// U+0000 would be lost on the way through C strings elsewhere; a list holding one in any
// string object, read or not, is refused as the libplist route refused it.
TEST(BinaryPropertyListReader, RefusesUPlus0000InAnyStringObject)
{
    for (const QByteArray &string : {QByteArray("\x53" "a\0b", 4), utf16({u'a', 0})}) {
        ListBuilder read, unread;
        read.add(read.container(0xA0, {1}));
        read.add(string);
        unread.add(QByteArray::fromHex("09"));
        unread.add(string);
        EXPECT_EQ(refusalOf(read.bytes()), Refusal::NulInString);
        EXPECT_EQ(refusalOf(unread.bytes()), Refusal::NulInString);
    }
}

// Strings decode as the libplist route decoded them: a leading U+FEFF stays, surrogates
// pair, a lone one is dropped, and an ASCII-marked string is taken as UTF-8.
TEST(BinaryPropertyListReader, DecodesStringsAsTheLibplistRouteDid)
{
    const std::vector<std::pair<QByteArray, QString>> rows{
        {utf16({0xFEFF, u'a'}), QStringLiteral("\uFEFFa")},
        {utf16({0xD83D, 0xDE00, u'x', 0xDC00}), QString::fromUtf8("\xF0\x9F\x98\x80x")},
        {utf16({0xD800, u'x'}), QStringLiteral("x")},
        {ascii("\xC3\xA9\xEF\xBB\xBF"), QStringLiteral("\u00E9\uFEFF")},
    };
    for (const auto &[object, text] : rows) {
        ListBuilder b;
        b.add(object);
        const PropertyListReadResult result = BinaryPropertyListReader::read(b.bytes());
        EXPECT_EQ(result.value, QVariant(text)) << object.toHex().constData();
    }
}

TEST(BinaryPropertyListReader, RefusesDamageAndDatesOutOfRange)
{
    ListBuilder b;
    b.add(b.container(0xD0, {1, 2}));
    b.add(ascii("when"));
    b.add(QByteArray(1, '\x33') + real(-1.5).mid(1));
    const QByteArray good = b.bytes();
    const PropertyListReadResult read = BinaryPropertyListReader::read(good);
    ASSERT_TRUE(read.ok()) << qPrintable(read.error);
    const QDateTime when = read.value.toMap().value(QStringLiteral("when")).toDateTime();
    EXPECT_EQ(when, QDateTime(QDate(2000, 12, 31), QTime(23, 59, 58, 500), Qt::UTC));
    EXPECT_EQ(when.timeSpec(), Qt::UTC);
    // Every shorter list and every single changed byte gives a value or a refusal, never a
    // read outside the bytes (the sanitizer builds see those).
    for (qsizetype n = 0; n < good.size(); ++n)
        EXPECT_NE(refusalOf(good.left(n)), Refusal::None) << n;
    for (qsizetype i = 8; i < good.size(); ++i) {
        QByteArray changed = good;
        changed[i] = char(changed[i] ^ 0xA5);
        BinaryPropertyListReader::read(changed);
    }
    for (const double seconds : {std::nan(""), 1e300, -std::numeric_limits<double>::infinity()}) {
        ListBuilder date;
        date.add(QByteArray(1, '\x33') + real(seconds).mid(1));
        EXPECT_EQ(refusalOf(date.bytes()), Refusal::DateOutOfRange) << seconds;
    }
}
