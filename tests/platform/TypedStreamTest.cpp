#include "TypedStreamTestSupport.h"

#include "TestSupport.h"
#include "platform/archive/TypedStream.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSet>

using namespace platform;

namespace {

/// A typedstream with one root object of class "A" nesting `depth` objects.
QByteArray nestedObjects(int depth)
{
    QByteArray body = hex("84 01 40");                   // "@", string 0
    body += hex("84 84 84 01 41 00 85");                 // object 0 of class A (object 1)
    for (int i = 1; i < depth; ++i)
        body += hex("92 84 93");                         // "@", a new object of class A
    body += QByteArray(depth, char(0x86));
    return header + body;
}

struct CorpusRow
{
    QString file;
    QString byteOrder;
    QString rootChain;
    QStringList classesSeen;
    bool negative = false;
};

QList<CorpusRow> corpusRows(const QString &dir)
{
    QList<CorpusRow> rows;
    QFile index(dir + QStringLiteral("/INDEX.tsv"));
    if (!index.open(QIODevice::ReadOnly))
        return rows;
    index.readLine(); // column names
    while (!index.atEnd()) {
        const QStringList cells = QString::fromUtf8(index.readLine()).trimmed().split(QLatin1Char('\t'));
        if (cells.size() < 9)
            continue;
        rows.push_back({cells[0], cells[3], cells[5], cells[6].split(QLatin1Char(',')),
                        cells[8].contains(QLatin1String("NEGATIVE CASE"))});
    }
    return rows;
}

QString rootChainOf(const TypedStream &stream)
{
    const auto root = stream.groups().value(0).values.value(0).objectReference().index;
    QStringList names;
    if (const TypedStream::Object *object = stream.objectAt(root)) {
        for (const TypedStream::Class *cls : stream.classChain(object->classIndex))
            names << QString::fromLatin1(cls->name);
    }
    return names.join(QLatin1String(" : "));
}

} // namespace

TEST(TypedStream, RefusesMalformedStreams)
{
    const QByteArray validObject = keyComboPrefix.mid(header.size());
    const struct { const char *what; const char *reason; QByteArray bytes; } rows[] = {
        {"empty input", "end of archive", {}},
        {"streamer version 3", "version 3", hex("03") + header.mid(1)},
        {"other signature", "(signature)", header.left(2) + "streamtypes" + header.mid(13)},
        {"signature length", "signature length", hex("04 0A") + header.mid(2)},
        {"nil type string", "nil type string", header + hex("85")},
        {"end of object at the top level", "tag 0x86", header + hex("86")},
        {"unknown type", "unsupported type code 'v'", header + hex("84 01 76 00")},
        {"ignored type", "unsupported type code '!'", header + hex("84 01 21")},
        {"structure without fields", "structure without fields", header + hex("84 04 7B 41 3D 7D")},
        {"array without count", "array without a count", header + hex("84 03 5B 69 5D 01")},
        {"array count beyond the input", "array of 999 elements", header + hex("84 06 5B 39 39 39 69 5D") + QByteArray(100, 1)},
        {"byte array beyond the input", "2147483647 bytes announced", header + hex("84 0D 5B 32 31 34 37 34 38 33 36 34 37 63 5D")},
        {"string length beyond the input", "2147483647 bytes announced", header + hex("84 01 2B 82 FF FF FF 7F 41")},
        {"negative string length", "-1 bytes announced", header + hex("84 01 2B FF")},
        {"short out of range", "out of range for its 16-bit type", header + hex("84 01 73 82 00 80 00 00")},
        {"long out of range", "out of range for its 32-bit type", header + hex("84 01 6C 87 00 00 00 00 01 00 00 00")},
        {"string reference out of range", "outside the string table", header + hex("84 01 40 84 84 93")},
        {"object reference out of range", "outside the object table", header + hex("84 01 40 92")},
        {"object reference to a class", "not an object", keyCombo36 + hex("92 93")},
        {"class reference to an object", "not a class", header + validObject + hex("84 01 73 24 86 92 84 92")},
        {"C string reference to a class", "not a C string", keyCombo36 + hex("84 01 2A 93")},
        {"superclass referring to its own chain", "into its own chain", header + hex("84 01 40 84 84 84 01 41 00 84 84 01 42 00 93 86")},
        {"object without a class", "object without a class", header + hex("84 01 40 84 85 86")},
        {"unknown object tag", "tag 0x80", header + hex("84 01 40 80")},
        {"object nested beyond the limit", "nested more than 200", nestedObjects(201)},
        {"type nested beyond the limit", "nested too deeply", header + hex("84 81 85 03") + QByteArray(300, '[').replace("[", "[1") + "c"
                                             + QByteArray(300, ']') + hex("00")},
    };
    for (const auto &row : rows) {
        const auto result = TypedStream::read(row.bytes);
        EXPECT_FALSE(result) << row.what;
        if (!result) {
            EXPECT_TRUE(result.error().description.contains(QLatin1String(row.reason)))
                << row.what << ": " << result.error().description.toStdString();
        }
    }
    for (int tag = 0x80; tag <= 0x91; ++tag) {
        if (tag != 0x81 && tag != 0x82 && tag != 0x87) {
            EXPECT_FALSE(TypedStream::read(keyComboPrefix + hex("84 01 73") + char(tag) + hex("00 00 84 01 6C 00 86"))) << tag;
        }
    }
    EXPECT_TRUE(TypedStream::read(nestedObjects(200)));
}

TEST(TypedStream, ReadsObjectsClassesAndValuesOfTheWorkedExample)
{
    const auto stream = TypedStream::read(keyCombo36);
    ASSERT_TRUE(stream) << stream.error().description.toStdString();
    EXPECT_EQ(stream->byteOrder(), TypedStream::ByteOrder::LittleEndian);
    EXPECT_EQ(stream->systemVersion(), 1000);
    EXPECT_EQ(rootChainOf(*stream), QStringLiteral("KeyCombo : NSObject"));
    const TypedStream::Object *root = stream->objectAt(0);
    ASSERT_TRUE(root && root->contents.size() == 2);
    EXPECT_EQ(root->contents[1].types, "l");
    EXPECT_EQ(root->contents[1].values, QList<ArchiveValue>{256});
    EXPECT_EQ(stream->objectTable().size(), 3u);
}

TEST(TypedStream, CorpusArchivesReadOrAreRefusedAsIndexed)
{
    CORVANE_REQUIRE_CORPUS(dir, "typedstream");
    const QList<CorpusRow> rows = corpusRows(dir);
    ASSERT_GT(rows.size(), 60);
    const QSet<QString> foundation{
        QStringLiteral("NSObject"), QStringLiteral("NSString"), QStringLiteral("NSMutableString"),
        QStringLiteral("NSData"), QStringLiteral("NSMutableData"), QStringLiteral("NSDate"),
        QStringLiteral("NSNumber"), QStringLiteral("NSValue"), QStringLiteral("NSArray"),
        QStringLiteral("NSMutableArray"), QStringLiteral("NSDictionary"), QStringLiteral("NSMutableDictionary")};
    int objectsRead = 0;
    for (const CorpusRow &row : rows) {
        SCOPED_TRACE(row.file.toStdString());
        const auto bytes = corvane::test::readFile(dir + QLatin1Char('/') + row.file);
        ASSERT_TRUE(bytes);
        const auto stream = TypedStream::read(*bytes);
        const auto object = Unarchiver::unarchiveObjectWithData(*bytes, ArchiveClassRegistry::shared());
        if (row.negative) {
            EXPECT_FALSE(stream);
            EXPECT_FALSE(object);
            continue;
        }
        ASSERT_TRUE(stream) << stream.error().description.toStdString() << " at " << stream.error().offset;
        EXPECT_EQ(stream->byteOrder() == TypedStream::ByteOrder::BigEndian, row.byteOrder == QLatin1String("big"));
        EXPECT_TRUE(row.rootChain.startsWith(rootChainOf(*stream))) << rootChainOf(*stream).toStdString();
        const bool onlyFoundation = !row.classesSeen.last().contains(QChar(0x2026))
                                    && QSet<QString>(row.classesSeen.begin(), row.classesSeen.end()).subtract(foundation).isEmpty();
        if (onlyFoundation) {
            EXPECT_TRUE(object) << object.error().description.toStdString();
            objectsRead += object ? 1 : 0;
        } else {
            // Refused: for an unknown class, or (a colour list) for not starting with an object.
            ASSERT_FALSE(object);
            const bool rootIsObject = stream->groups().value(0).types == "@";
            EXPECT_TRUE(object.error().description.startsWith(rootIsObject ? QLatin1String("unknown class")
                                                                            : QLatin1String("a value of type")))
                << object.error().description.toStdString();
        }
    }
    EXPECT_GT(objectsRead, 20);
}

TEST(TypedStream, CorpusFoundationObjectsDecodeToTheirValuesAndWriteBackByteForByte)
{
    CORVANE_REQUIRE_CORPUS(dir, "typedstream");
    const QDateTime fractional = QDateTime::fromMSecsSinceEpoch(978307200000 + 700000000523, Qt::UTC);
    // No value: only that it decodes; `writesBack`: our archive of the value is the same bytes.
    const struct { const char *file; QVariant value; bool writesBack; } rows[] = {
        {"crabstep__NSString", QStringLiteral("Hello, world"), true},
        {"crabstep__NSMutableString", QStringLiteral("Hello, world"), false},
        {"uetchy-typedstream__NSString", QStringLiteral("abcdefgABCDEFG!?@[]/+*^&-_"), false},
        {"crabstep__NSData", hex("DE AD BE EF 00 7F"), true},
        {"crabstep__NSMutableData", hex("DE AD BE EF"), false},
        {"crabstep__NSDateFractional", fractional, true},
        {"crabstep__NumberFloat", 3.5f, true},
        {"crabstep__NumberDouble", 100.5, true},
        {"uetchy-typedstream__NSNumberWithMinus2digits", qlonglong(-22), false},
        {"uetchy-typedstream__NSNumberWith4digits", qlonglong(4444), false},
        {"uetchy-typedstream__NSNumberWithULongLong", qulonglong(18446744073709551613ull), true},
        {"uetchy-typedstream__NSNumberWithFloat", {}, true},
        {"uetchy-typedstream__NSArrayWithBool", QVariantList{true, false}, true},
        {"uetchy-typedstream__NSArrayWithNSNumber", {}, true},
        {"uetchy-typedstream__NSArrayWithNSString", {}, true},
        {"crabstep__NSArrayNested", QVariantList{QStringLiteral("top"), QVariantList{1, 2}}, true},
        {"crabstep__NSArrayEmpty", QVariantList(), true},
        {"crabstep__NSDictionary", QVariantMap{{QStringLiteral("k1"), 1}, {QStringLiteral("k2"), QStringLiteral("v")}}, false},
        {"uetchy-typedstream__NSDictionary", QVariantMap{{QStringLiteral("key"), 123}}, true},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.file);
        const auto bytes = corvane::test::readFile(dir + QLatin1Char('/') + QLatin1String(row.file));
        ASSERT_TRUE(bytes);
        const auto decoded = Unarchiver::unarchiveObjectWithData(*bytes, ArchiveClassRegistry::shared());
        ASSERT_TRUE(decoded) << decoded.error().description.toStdString();
        if (row.value.isValid()) {
            EXPECT_EQ(*decoded, row.value);
        }
        if (row.writesBack) {
            EXPECT_EQ(Archiver::archivedDataWithRootObject(*decoded).toHex(' '), bytes->toHex(' '));
        }
    }
}
