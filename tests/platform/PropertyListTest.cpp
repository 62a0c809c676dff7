#include "platform/plist/PropertyList.h"

#include "TestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRect>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

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

// QVariant's == treats NaN as unequal to itself and compares numbers across types; property
// lists need exact types and NaN == NaN. Gives where the first difference is, or nothing.
QString difference(const QVariant &a, const QVariant &b, const QString &path = QStringLiteral("/"))
{
    const QString differ = path + QStringLiteral(": %1(%2) vs %3(%4)").arg(QString::fromLatin1(a.metaType().name()), a.toString(),
                                                                            QString::fromLatin1(b.metaType().name()), b.toString());
    if (a.typeId() != b.typeId())
        return differ;
    if (a.typeId() == QMetaType::QVariantMap || a.typeId() == QMetaType::QVariantList) {
        const bool map = a.typeId() == QMetaType::QVariantMap;
        const QStringList keys = map ? a.toMap().keys() : QStringList();
        if (map ? keys != b.toMap().keys() : a.toList().size() != b.toList().size())
            return path + QStringLiteral(": different keys or sizes");
        const QVariantList la = map ? a.toMap().values() : a.toList(), lb = map ? b.toMap().values() : b.toList();
        for (qsizetype i = 0; i < la.size(); ++i)
            if (QString d = difference(la[i], lb[i], path + (map ? keys[i] : QString::number(i)) + QLatin1Char('/')); !d.isEmpty())
                return d;
        return {};
    }
    if (a.typeId() == QMetaType::Double && std::signbit(a.toDouble()) != std::signbit(b.toDouble()))
        return differ;
    const bool bothNan = a.typeId() == QMetaType::Double && std::isnan(a.toDouble()) && std::isnan(b.toDouble());
    return bothNan || a == b ? QString() : differ;
}

::testing::AssertionResult isSame(const QVariant &a, const QVariant &b)
{
    const QString d = difference(a, b);
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
                                                 QString::fromUtf8("emoji \xF0\x9F\x98\x80"), QStringLiteral("\uFEFF")}},
        {QStringLiteral("integers"), integers},
        {QStringLiteral("unsigned"), quint64(12345678901234567890ULL)},
        {QStringLiteral("reals"), QVariantList{0.0, -0.0, -0.5, 3.141592653589793, 1e300, -2.5e-300, -0.0}},
        {QStringLiteral("booleans"), QVariantList{true, false}},
        {QStringLiteral("dates"), QVariantList{utc(2001, 1, 1), utc(2024, 2, 29, 23, 59, 58, ms), utc(1969, 7, 20, 20, 17, 40, ms),
                                               utc(1900, 1, 1), utc(2100, 12, 31, 12), utc(4001, 1, 1)}},
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

QByteArray bigEndian(quint64 v, int width)
{
    QByteArray b(width, 0);
    for (int i = width - 1; i >= 0; --i, v >>= 8)
        b[i] = char(v & 0xff);
    return b;
}

// A binary property list of `arrays` arrays, array i holding `copies` references to array
// i + 1, then a last value true.
QByteArray chainOfArrays(int arrays, int copies, int offsetWidth, int referenceWidth)
{
    QByteArray bytes("bplist00"), table;
    for (int i = 0; i <= arrays; ++i) {
        table += bigEndian(quint64(bytes.size()), offsetWidth);
        bytes += i < arrays ? QByteArray(1, char(0xa0 + copies)) + bigEndian(quint64(i) + 1, referenceWidth).repeated(copies)
                            : QByteArray("\x09");
    }
    const quint64 tableOffset = quint64(bytes.size());
    return bytes + table + QByteArray(6, 0) + char(offsetWidth) + char(referenceWidth) + bigEndian(quint64(arrays) + 1, 8)
        + bigEndian(0, 8) + bigEndian(tableOffset, 8);
}

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

TEST_P(PropertyListFormats, ScalarRootsAndConvertibleTypes)
{
    EXPECT_SAME(roundTrip(qint64(-5), GetParam()), qint64(-5));
    EXPECT_SAME(roundTrip(QStringLiteral("alone"), GetParam()), QStringLiteral("alone"));
    // Accepted types come back as the type a reader gives.
    EXPECT_SAME(roundTrip(int(-3), GetParam()), qint64(-3));
    EXPECT_SAME(roundTrip(quint16(7), GetParam()), qint64(7));
    EXPECT_SAME(roundTrip(QStringList{QStringLiteral("a")}, GetParam()), QVariantList{QStringLiteral("a")});
    EXPECT_SAME(roundTrip(QVariantHash{{QStringLiteral("h"), true}}, GetParam()), QVariantMap{{QStringLiteral("h"), true}});
    const QDateTime local(QDate(2020, 6, 1), QTime(12, 0), Qt::OffsetFromUTC, 7200);
    EXPECT_SAME(roundTrip(local, GetParam()), utc(2020, 6, 1, 10));
}

INSTANTIATE_TEST_SUITE_P(Xml, PropertyListFormats, ::testing::Values(PropertyListFormat::Xml));
INSTANTIATE_TEST_SUITE_P(Binary, PropertyListFormats, ::testing::Values(PropertyListFormat::Binary));

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

TEST(PropertyList, XmlKeepsDatesToTheSecond)
{
    const QVariant back = roundTrip(utc(2010, 5, 6, 7, 8, 9, 999), PropertyListFormat::Xml);
    EXPECT_EQ(back.toDateTime(), utc(2010, 5, 6, 7, 8, 9));
}

TEST(PropertyList, ValuesWithoutAPropertyListFormFailNamingWhere)
{
    const struct
    {
        QVariant value;
        const char *needle;
    } rows[] = {
        {QVariant(), "null QVariant"},
        {QVariantMap{{QStringLiteral("a"), QVariantList{1, QUrl(QStringLiteral("http://x"))}}}, "QUrl at /a/1"},
        {QVariantList{QString::fromUtf8("nul\0inside", 10)}, "U+0000 at /0"},
        {QVariantMap{{QString(QChar(0xD800)), 1}}, "unpaired surrogate"},
        {QVariantList{QDateTime()}, "invalid date at /0"},
        {QVariantList{QVariant(QMetaType::fromType<QRect>())}, "QRect"},
    };
    for (const auto &row : rows) {
        for (auto format : {PropertyListFormat::Xml, PropertyListFormat::Binary}) {
            const PropertyListWriteResult result = writePropertyList(row.value, format);
            EXPECT_FALSE(result.ok());
            EXPECT_TRUE(result.bytes.isEmpty());
            EXPECT_TRUE(result.error.contains(QLatin1String(row.needle))) << qPrintable(result.error);
        }
    }
}

TEST(PropertyList, DamagedInputIsAnErrorNotACrash)
{
    QByteArray binary = writePropertyList(everyType(PropertyListFormat::Binary), PropertyListFormat::Binary).bytes;
    ASSERT_FALSE(binary.isEmpty());
    const QByteArray rows[] = {
        QByteArray(),
        QByteArray("garbage }"),
        QByteArray("bplist00"),
        binary.left(binary.size() / 2),
        binary.left(binary.size() - 1),
        QByteArray("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>a</key>"),
        QByteArray("<?xml version=\"1.0\"?><plist version=\"1.0\"></plist>"),
    };
    for (const QByteArray &bytes : rows) {
        const PropertyListReadResult result = readPropertyList(bytes);
        EXPECT_FALSE(result.ok()) << bytes.left(40).toStdString();
        EXPECT_FALSE(result.value.isValid());
        EXPECT_FALSE(result.error.isEmpty());
    }
}

TEST(PropertyList, StringsHoldingNulAreRefusedNotCutShort)
{
    // {"a\0b": 1} in binary: libplist itself would abort on such a key.
    const QByteArray nulKey("bplist00\xd1\x01\x02\x53" "a\0b" "\x10\x01\x08\x0b\x0f"
                            "\0\0\0\0\0\0\x01\x01\0\0\0\0\0\0\0\x03\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\x11",
                            52);
    // ["x\0" as UTF-16]
    const QByteArray nulUtf16("bplist00\xa1\x01\x62\0x\0\0\x08\x0a"
                              "\0\0\0\0\0\0\x01\x01\0\0\0\0\0\0\0\x02\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\x0f",
                              49);
    const QByteArray nulXml("<plist version=\"1.0\"><dict><key>ab</key><string>x\0y</string></dict></plist>", 75);
    for (const QByteArray &bytes : {nulKey, nulUtf16, nulXml}) {
        const PropertyListReadResult result = readPropertyList(bytes);
        EXPECT_FALSE(result.ok());
        EXPECT_TRUE(result.error.contains(QLatin1String("U+0000"))) << qPrintable(result.error);
    }
    // Without the NUL the same shapes read.
    QByteArray clean = nulUtf16;
    clean[14] = 'y';
    EXPECT_SAME(readPropertyList(clean).value, QVariantList{QStringLiteral("xy")});
}

// libplist parses nesting by recursion, and copies what is shared: these would overflow its
// stack or run for hours.
TEST(PropertyList, DeepOrMultiplyingNestingIsRefusedBeforeItReachesLibplist)
{
    const int levels = 200000;
    const QByteArray xml = "<plist version=\"1.0\">" + QByteArray("<array>").repeated(levels) + QByteArray("</array>").repeated(levels)
        + "</plist>";
    for (const QByteArray &bytes : {xml, chainOfArrays(levels, 1, 4, 4)}) {
        const PropertyListReadResult result = readPropertyList(bytes);
        EXPECT_FALSE(result.ok());
        EXPECT_TRUE(result.error.contains(QLatin1String("nested"))) << qPrintable(result.error);
    }
    // 40 arrays, each holding the next one twice: 243 bytes that libplist would expand to
    // 2^40 values.
    const PropertyListReadResult fanned = readPropertyList(chainOfArrays(40, 2, 2, 1));
    EXPECT_FALSE(fanned.ok());
    EXPECT_TRUE(fanned.error.contains(QLatin1String("shared references"))) << qPrintable(fanned.error);
    // 500 levels are fine, in both encodings.
    QVariant nested = true;
    for (int i = 0; i < 500; ++i)
        nested = QVariantList{nested};
    for (auto format : {PropertyListFormat::Xml, PropertyListFormat::Binary})
        EXPECT_SAME(roundTrip(nested, format), nested);
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
