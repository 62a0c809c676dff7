#include "TypedStreamTestSupport.h"

#include "TestSupport.h"
#include "platform/archive/TypedStream.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QSet>

using namespace platform;

namespace {

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

TEST(TypedStream, KeepsTheValuesOfAGroupTogetherAroundAnObjectInIt)
{
    // "@i": the object, whose own groups are read in between, then 7.
    const QByteArray object = keyCombo36.mid(header.size() + 3);
    const auto stream = TypedStream::read(header + hex("84 02 40 69") + object + hex("07 84 01 73 05"));
    ASSERT_TRUE(stream) << stream.error().description.toStdString();
    ASSERT_EQ(stream->groups().size(), 2);
    EXPECT_EQ(stream->groups()[0].values, (QList<ArchiveValue>{ArchiveValue::ObjectReference{0}, qint64(7)}));
    EXPECT_EQ(stream->groups()[1].values, QList<ArchiveValue>{qint64(5)});
    ASSERT_TRUE(stream->objectAt(0));
    const QList<TypedStream::Group> &contents = stream->objectAt(0)->contents;
    ASSERT_EQ(contents.size(), 2);
    EXPECT_EQ(contents[0].types, "s");
    EXPECT_EQ(contents[1].values, QList<ArchiveValue>{qint64(256)});
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
