#include "platform/plist/PropertyList.h"

#include "PropertyListDifference.h"
#include "TestSupport.h"

#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace platform;

namespace {

QDateTime utc(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::UTC);
}

::testing::AssertionResult isSame(const QVariant &a, const QVariant &b)
{
    const QString d = corvane::test::propertyListDifference(a, b);
    if (d.isEmpty())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << qPrintable(d);
}

// Variadic, so that braced initialisers with commas can be passed.
#define EXPECT_SAME(...) EXPECT_TRUE(isSame(__VA_ARGS__))

QVariant roundTrip(const QVariant &value, PropertyListFormat format)
{
    const PropertyListWriteResult written = writePropertyList(value, format);
    EXPECT_TRUE(written.ok()) << qPrintable(written.error);
    const PropertyListReadResult read = readPropertyList(written.bytes);
    EXPECT_TRUE(read.ok()) << qPrintable(read.error);
    EXPECT_EQ(read.format, format);
    return read.value;
}

QVariantMap everyType(PropertyListFormat format)
{
    // XML keeps dates to the second; binary to the millisecond.
    const int ms = format == PropertyListFormat::Binary ? 250 : 0;
    QVariantList integers{qint64(0), qint64(-1), qint64(255), qint64(-129), qint64(1) << 32, -(qint64(1) << 40),
                          std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max()};
    return {
        {QStringLiteral("strings"), QVariantList{QString(), QStringLiteral("plain"), QStringLiteral("ünïcødé <&> \"q\""),
                                                 QString::fromUtf8("emoji \xF0\x9F\x98\x80"), QStringLiteral("\uFEFF"),
                                                 QStringLiteral("line\r\nbreaks, \x01 and \x1f")}},
        {QStringLiteral("integers"), integers},
        {QStringLiteral("unsigned"), quint64(12345678901234567890ULL)},
        {QStringLiteral("reals"), QVariantList{0.0, -0.0, -0.5, 3.141592653589793, 1e300, -2.5e-300, -0.0}},
        {QStringLiteral("booleans"), QVariantList{true, false}},
        {QStringLiteral("dates"), QVariantList{utc(2001, 1, 1), utc(2024, 2, 29, 23, 59, 58, ms), utc(1969, 7, 20, 20, 17, 40, ms),
                                               utc(1900, 1, 1), utc(2100, 12, 31, 12), utc(4001, 1, 1),
                                               utc(-1, 12, 30)}},
        {QStringLiteral("data"), QVariantList{QByteArray(), QByteArray("\0\x01\xff", 3)}},
        {QStringLiteral("uid"), QVariant::fromValue(PropertyListUid{42})},
        {QStringLiteral("nested"), QVariantMap{{QStringLiteral("empty dict"), QVariantMap()},
                                               {QStringLiteral("empty array"), QVariantList()},
                                               {QStringLiteral("deep"), QVariantList{QVariantList{QVariantMap{{QStringLiteral("k"), qint64(-7)}}}}}}},
        {QString::fromUtf8("clé"), QStringLiteral("non-ASCII key")},
        {QString::fromUtf8("\uFEFFclé"), QStringLiteral("the same key after U+FEFF")},
    };
}

class PropertyListFormats : public ::testing::TestWithParam<PropertyListFormat>
{};

} // namespace

TEST_P(PropertyListFormats, EveryTypeRoundTripsWithItsQtType)
{
    const QVariantMap original = everyType(GetParam());
    const QVariant back = roundTrip(original, GetParam());
    EXPECT_SAME(back, original);
    const QVariantMap map = back.toMap();
    EXPECT_EQ(map.value(QStringLiteral("integers")).toList().at(6).typeId(), QMetaType::LongLong);
    EXPECT_EQ(map.value(QStringLiteral("unsigned")).typeId(), QMetaType::ULongLong);
    const QDateTime date = map.value(QStringLiteral("dates")).toList().at(1).toDateTime();
    EXPECT_EQ(date.timeSpec(), Qt::UTC);
}

INSTANTIATE_TEST_SUITE_P(Xml, PropertyListFormats, ::testing::Values(PropertyListFormat::Xml));
INSTANTIATE_TEST_SUITE_P(Binary, PropertyListFormats, ::testing::Values(PropertyListFormat::Binary));

// libplist frees its tree by recursion, so XML nested past 512 is refused before it is
// parsed, wherever its tags fall among the bytes; a thousand containers side by side are
// not nested.
TEST(PropertyList, XmlNestedPast512IsRefusedWhereverItsTagsFall)
{
    for (int shift = 0; shift < 16; ++shift) {
        const QByteArray pad(shift, ' ');
        const QByteArray flat = "<plist><array>" + pad + QByteArray("<array> </array><dict></dict>").repeated(500) + "</array></plist>";
        EXPECT_TRUE(readPropertyList(flat).ok()) << shift;
        for (const int depth : {512, 513}) {
            QByteArray open, close;
            for (int i = 0; i < depth; ++i) {
                open += i % 2 ? "<dict><key>k</key>" : "<array> ";
                close.prepend(i % 2 ? "</dict>" : "</array>");
            }
            const PropertyListReadResult read = readPropertyList("<plist>" + pad + open + close + "</plist>");
            EXPECT_EQ(read.ok(), depth == 512) << shift << ' ' << depth << ' ' << qPrintable(read.error);
        }
    }
}

// Python's plistlib, a reader independent of libplist, sees the sign of zero and the
// U+FEFF that begins a string or key in both formats as written.
TEST(PropertyList, AnIndependentReaderSeesNegativeZeroAndLeadingFeff)
{
    const QVariantMap value{{QStringLiteral("z"), QVariantList{-0.0, 0.0}}, {QStringLiteral("\uFEFFz"), QStringLiteral("\uFEFF")}};
    QTemporaryDir scratch;
    for (const PropertyListFormat format : {PropertyListFormat::Xml, PropertyListFormat::Binary}) {
        const QString path = scratch.filePath(QStringLiteral("value.plist"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(writePropertyList(value, format).bytes) > 0);
        file.close();
        QProcess reader;
        const QString script = QStringLiteral("import plistlib, sys; print(ascii(sorted(plistlib.load(open(sys.argv[1], 'rb')).items())))");
        reader.start(QStringLiteral(CORVANE_PYTHON3), {QStringLiteral("-c"), script, path});
        ASSERT_TRUE(reader.waitForFinished(30000)) << "python3 did not finish";
        EXPECT_EQ(reader.readAllStandardOutput().trimmed(), "[('z', [-0.0, 0.0]), ('\\ufeffz', '\\ufeff')]")
            << reader.readAllStandardError().constData();
    }
}

// --- the corpus: every file reads (or fails as its index says), and writes back equal ----

namespace {

struct CorpusEntry
{
    QString file, format, topLevel;
    QStringList types;
    bool negative;
};

std::vector<CorpusEntry> corpusIndex(const QString &dir)
{
    std::vector<CorpusEntry> entries;
    const QList<QByteArray> lines = corvane::test::readFile(dir + QStringLiteral("/INDEX.tsv")).value_or(QByteArray()).split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QStringList f = QString::fromUtf8(lines[i]).split(QLatin1Char('\t'));
        // Two files are not readable property lists, and the index says so: one is cut short
        // on purpose, one is a <plist> element without a value.
        if (f.size() >= 8)
            entries.push_back({f[0], f[3], f[4], f[5].split(QLatin1Char(','), Qt::SkipEmptyParts),
                               f[7].contains(QLatin1String("NEGATIVE CASE")) || f[4] == QLatin1String("NoneType")});
    }
    return entries;
}

// The tags of INDEX.tsv's types_present column that say something checkable about values.
void collectTags(const QVariant &v, QSet<QString> &tags)
{
    static const QHash<int, QString> tagOfType{{QMetaType::ULongLong, QStringLiteral("uint64>INT64_MAX")},
                                               {QMetaType::QDateTime, QStringLiteral("date")},
                                               {QMetaType::QByteArray, QStringLiteral("data")},
                                               {QMetaType::Bool, QStringLiteral("bool")},
                                               {QMetaType::Double, QStringLiteral("real")},
                                               {QMetaType::fromType<PropertyListUid>().id(), QStringLiteral("UID")}};
    if (tagOfType.contains(v.typeId()))
        tags.insert(tagOfType.value(v.typeId()));
    if (v.typeId() == QMetaType::LongLong && v.toLongLong() < 0)
        tags.insert(QStringLiteral("negative-int"));
    if (v.typeId() == QMetaType::QString && std::any_of(v.toString().cbegin(), v.toString().cend(), [](QChar c) { return c.isHighSurrogate(); }))
        tags.insert(QStringLiteral("non-BMP-string"));
    const QVariantList items = v.typeId() == QMetaType::QVariantMap ? v.toMap().values()
        : v.typeId() == QMetaType::QVariantList                      ? v.toList()
                                                                      : QVariantList();
    for (const QVariant &item : items)
        collectTags(item, tags);
}

QString topLevelName(const QVariant &v)
{
    static const QHash<int, QString> names{{QMetaType::QVariantMap, QStringLiteral("dict")},
                                           {QMetaType::QVariantList, QStringLiteral("array")},
                                           {QMetaType::Double, QStringLiteral("real")}};
    return names.value(v.typeId(), QString::fromLatin1(v.metaType().name()));
}

// plistutil's own reading of `path`, brought to XML and read back: what libplist's tool
// sees in a file, independent of how this bridge wrote it.
std::optional<QVariant> plistutilView(const QString &plistutil, const QString &path, QString *why)
{
    QProcess process;
    process.start(plistutil, {QStringLiteral("-i"), path, QStringLiteral("-f"), QStringLiteral("xml")});
    if (!process.waitForFinished(30000) || process.exitCode() != 0) {
        *why = QStringLiteral("plistutil failed: ") + QString::fromUtf8(process.readAllStandardError());
        return std::nullopt;
    }
    const PropertyListReadResult read = readPropertyList(process.readAllStandardOutput());
    if (!read) {
        *why = QStringLiteral("plistutil's XML does not read: ") + read.error;
        return std::nullopt;
    }
    return read.value;
}

} // namespace

TEST(PropertyList, EveryCorpusFileReadsAndWritesBackAsPlistutilSeesIt)
{
    CORVANE_REQUIRE_CORPUS(corpus, "plist");
    const QString plistutil = QStandardPaths::findExecutable(QStringLiteral("plistutil"));
    ASSERT_FALSE(plistutil.isEmpty()) << "plistutil (Debian package libplist-utils) is needed";
    const std::vector<CorpusEntry> entries = corpusIndex(corpus);
    ASSERT_GT(entries.size(), 90u);
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    int written = 0;
    for (const CorpusEntry &entry : entries) {
        SCOPED_TRACE(entry.file.toStdString());
        const QString path = corpus + QLatin1Char('/') + entry.file;
        const auto bytes = corvane::test::readFile(path);
        ASSERT_TRUE(bytes);
        const PropertyListReadResult read = readPropertyList(*bytes);
        if (entry.negative) {
            EXPECT_FALSE(read.ok());
            EXPECT_FALSE(read.error.isEmpty());
            continue;
        }
        ASSERT_TRUE(read.ok()) << qPrintable(read.error);
        const auto format = entry.format == QLatin1String("binary") ? PropertyListFormat::Binary : PropertyListFormat::Xml;
        EXPECT_EQ(read.format, format);
        // "?": the index's own reader failed on the file (a year-0 date), so it says nothing.
        if (entry.topLevel != QLatin1String("?")) {
            EXPECT_EQ(topLevelName(read.value), entry.topLevel);
            QSet<QString> tags;
            collectTags(read.value, tags);
            for (const char *tag : {"negative-int", "uint64>INT64_MAX", "UID", "date", "data", "bool", "real", "non-BMP-string"})
                EXPECT_EQ(tags.contains(QLatin1String(tag)), entry.types.contains(QLatin1String(tag))) << tag;
        }

        const PropertyListWriteResult out = writePropertyList(read.value, format);
        ASSERT_TRUE(out.ok()) << qPrintable(out.error);
        const QString outPath = scratch.filePath(entry.file);
        QFile file(outPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(out.bytes) == out.bytes.size());
        file.close();
        // Our own reading of what we wrote is exact, sub-second dates and all.
        EXPECT_SAME(readPropertyList(out.bytes).value, read.value);
        QString why;
        const auto theirsOfOriginal = plistutilView(plistutil, path, &why);
        ASSERT_TRUE(theirsOfOriginal) << qPrintable(why);
        const auto theirsOfOurs = plistutilView(plistutil, outPath, &why);
        ASSERT_TRUE(theirsOfOurs) << qPrintable(why);
        EXPECT_SAME(*theirsOfOurs, *theirsOfOriginal);
        ++written;
    }
    EXPECT_EQ(written, int(entries.size()) - 2);
}
