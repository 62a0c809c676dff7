#include "platform/plist/PropertyList.h"

#include "PropertyListDifference.h"

#include <QDateTime>

#include <gtest/gtest.h>

#include <limits>

using namespace platform;

namespace {

QVariant valueOf(const QByteArray &xml)
{
    const PropertyListReadResult read = readPropertyList(xml);
    EXPECT_TRUE(read.ok()) << xml.constData() << ": " << qPrintable(read.error);
    EXPECT_EQ(read.format, PropertyListFormat::Xml);
    return read.value;
}

QVariant valueOfElement(const QByteArray &element)
{
    return valueOf("<plist version=\"1.0\">" + element + "</plist>");
}

QDateTime utc(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::UTC);
}

#define EXPECT_READS_AS(element, expected)                                                          \
    do {                                                                                            \
        const QString difference = corvane::test::propertyListDifference(valueOfElement(element), expected); \
        EXPECT_TRUE(difference.isEmpty()) << (element) << ": " << qPrintable(difference);           \
    } while (false)

} // namespace

// What writers put into files that a validating XML parser would refuse or change.
TEST(XmlPropertyListReader, KeepsWhatWritersWriteAsTheyWroteIt)
{
    EXPECT_READS_AS("<string>a\r\nb\rc</string>", QStringLiteral("a\r\nb\rc"));
    EXPECT_READS_AS("<string>\x01\x1f\x0b</string>", QStringLiteral("\x01\x1f\x0b"));
    EXPECT_READS_AS("<string>&amp;&lt;&gt;&quot;&apos;&#65;&#x1F600;</string>", QString::fromUtf8("&<>\"'A\xF0\x9F\x98\x80"));
    EXPECT_READS_AS("<string>a<!-- -->b<![CDATA[<&>]]>c</string>", QStringLiteral("ab<&>c"));
    EXPECT_READS_AS("<string/>", QString());
    EXPECT_READS_AS("<key>outside a dictionary</key>", QStringLiteral("outside a dictionary"));
    // libplist writes year 0 (1 BC) as "0", and years before it with a sign.
    EXPECT_READS_AS("<date>0-12-30T00:00:00Z</date>", utc(-1, 12, 30));
    EXPECT_READS_AS("<date>-1-12-30T00:00:00Z</date>", utc(-2, 12, 30));
    EXPECT_READS_AS("<date>0001-01-01T00:00:00Z</date>", utc(1, 1, 1));
    EXPECT_READS_AS("<date> 2009-08-28T12:00:00.1239Z\n</date>", utc(2009, 8, 28, 12, 0, 0, 123));
    EXPECT_READS_AS("<date>2009-08-28T12:00:00</date>", utc(2009, 8, 28, 12));
    EXPECT_READS_AS("<data>\n\tAAEC\n\tAw==\n</data>", QByteArray("\0\1\2\3", 4));
    EXPECT_READS_AS("<data>AAECAw</data>", QByteArray("\0\1\2\3", 4));
    EXPECT_READS_AS("<data/>", QByteArray());
    EXPECT_READS_AS("<true>ignored</true>", true);
    EXPECT_READS_AS("<dict><key>CF$UID</key><integer>7</integer></dict>", QVariant::fromValue(PropertyListUid{7}));
    EXPECT_READS_AS("<dict><key>CF$UID</key><string>7</string></dict>", QVariantMap({{QStringLiteral("CF$UID"), QStringLiteral("7")}}));
    // A repeated key keeps its last value; a key left without one is dropped.
    EXPECT_READS_AS("<dict><key>b</key><true/><key>a</key><true/><key>b</key><false/><key>c</key></dict>",
                    QVariantMap({{QStringLiteral("a"), true}, {QStringLiteral("b"), false}}));
    EXPECT_READS_AS("<true/><false/>", true);
}

TEST(XmlPropertyListReader, TakesTheDocumentAroundTheValueAsWritersVaryIt)
{
    const QVariant yes(true);
    for (const QByteArray &xml : {
             QByteArray("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE plist PUBLIC \"-//x//DTD PLIST 1.0//EN\" "
                        "\"http://x/PropertyList-1.0.dtd\">\n<plist version=\"1.0\">\n<true/>\n</plist>\n"),
             QByteArray("<!DOCTYPE plist [ <!ENTITY e \"]>\"> ]><plist><true/></plist>"),
             QByteArray("<!-- before --><plist note=\"a > b\"><!-- inside --><?pi x?><true /></plist >trailing bytes"),
             QByteArray("<true/>"),
         })
        EXPECT_EQ(valueOf(xml), yes) << xml.constData();
}

TEST(XmlPropertyListReader, ReadsIntegersAcrossBothSignedAndUnsignedRange)
{
    EXPECT_READS_AS("<integer>-9223372036854775808</integer>", std::numeric_limits<qint64>::min());
    EXPECT_READS_AS("<integer>9223372036854775807</integer>", std::numeric_limits<qint64>::max());
    EXPECT_READS_AS("<integer>9223372036854775808</integer>", quint64(1) << 63);
    EXPECT_READS_AS("<integer>18446744073709551615</integer>", std::numeric_limits<quint64>::max());
    EXPECT_READS_AS("<integer> +0x1f </integer>", qint64(31));
    EXPECT_READS_AS("<integer>-0X10</integer>", qint64(-16));
    EXPECT_READS_AS("<integer>012</integer>", qint64(12)); // decimal, not octal
    EXPECT_READS_AS("<real>+infinity</real>", std::numeric_limits<double>::infinity());
    EXPECT_READS_AS("<real>-inf</real>", -std::numeric_limits<double>::infinity());
    EXPECT_READS_AS("<real>1e400</real>", std::numeric_limits<double>::infinity());
    EXPECT_READS_AS("<real> .5 </real>", 0.5);
    EXPECT_READS_AS("<real>0x10</real>", 16.0);
    EXPECT_READS_AS("<real>-0.0</real>", -0.0);
}

// Each is an error that says what is wrong and where, never a value made up from it.
TEST(XmlPropertyListReader, RefusesWhatItCannotReadWithoutGuessing)
{
    const struct
    {
        QByteArray element;
        const char *says;
    } cases[] = {
        {"<integer>abc</integer>", "malformed integer “abc”"},
        {"<integer>1 2</integer>", "malformed integer"},
        {"<integer></integer>", "malformed integer"},
        {"<integer>--1</integer>", "malformed integer"},
        {"<integer>18446744073709551616</integer>", "out of range"},
        {"<integer>-9223372036854775809</integer>", "out of range"},
        {"<real>1,5</real>", "malformed real"},
        {"<real/>", "malformed real"},
        {"<date>garbage</date>", "malformed date"},
        {"<date>2009-02-29T12:00:00Z</date>", "malformed date"},
        {"<date>2009-08-28T24:00:00Z</date>", "malformed date"},
        {"<date>2009-08-28T12:00:00+01:00</date>", "malformed date"},
        {"<date>1234567890-01-01T00:00:00Z</date>", "malformed date"},
        {"<data>A*AEC</data>", "malformed data"},
        {"<data>AAECA</data>", "malformed data"},
        {"<data>AA=EC</data>", "malformed data"},
        {"<string>&nbsp;</string>", "unknown reference &nbsp;"},
        {"<string>&#xD800;</string>", "unknown reference"},
        {"<string>&#x110000;</string>", "unknown reference"},
        {"<string>&#0;</string>", "U+0000"},
        {QByteArray("<string>a\0b</string>", 19), "U+0000"},
        {"<dict><true/></dict>", "value without a key"},
        {"<dict><key>a</key><key>b</key><true/></dict>", "key without a value"},
        {"<array>text<true/></array>", "text outside a value"},
        {"<array><true/></dict>", "closes <array> with </dict>"},
        {"<string>a<b/></string>", "<string> not closed"},
        {"<array><nonsense/></array>", "<nonsense> that is not a value"},
        {"<array><plist/></array>", "<plist> that is not a value"},
        {"<array><!-- open", "ends inside a comment"},
        {"<array>", "closes <array> with </plist>"},
        {"", "not an XML property list with a value"},
    };
    for (const auto &c : cases) {
        const PropertyListReadResult read = readPropertyList("<plist>\n" + c.element + "</plist>");
        EXPECT_FALSE(read.ok()) << c.element.constData();
        EXPECT_TRUE(read.error.contains(QString::fromUtf8(c.says))) << c.element.constData() << ": " << qPrintable(read.error);
        EXPECT_FALSE(read.value.isValid());
    }
    EXPECT_TRUE(readPropertyList("<plist>\n<array>\n<true/>\n<integer>x</integer>").error.endsWith(QLatin1String("at line 4")));
}
