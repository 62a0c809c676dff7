#include "AttributedStringExtensions.h"
#include "CharacterSetExtensions.h"
#include "DataExtensions.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QLocale>

namespace {

// Pins the default locale for one test and puts the previous one back.
class ScopedDefaultLocale
{
public:
    explicit ScopedDefaultLocale(const QLocale &locale) { QLocale::setDefault(locale); }
    ~ScopedDefaultLocale() { QLocale::setDefault(m_previous); }

private:
    QLocale m_previous;
};

} // namespace

TEST(AttributedStringExtensions, StripWhitespaceCollapsesAndTruncates)
{
    struct Row
    {
        const char16_t *text;
        bool truncate;
        qsizetype maxLength;
        const char16_t *expected;
    };
    const Row rows[] = {
        {u"one\t  \ntwo", false, 0, u"one two"},
        {u"   leading", false, 0, u"leading"},
        {u"trailing \r\n", false, 0, u"trailing "},
        {u"a\uFFFCb \uFFFC c", false, 0, u"ab c"},
        {u"abcdef", true, 3, u"abc"},
        {u"ab   cdef", true, 4, u"ab c"},
        {u"  ab", true, 1, u"a"},
        {u"abc", true, 0, u""},
        {u"", false, 0, u""},
    };
    for (const Row &row : rows) {
        vl::AttributedString source(QString::fromUtf16(row.text), {{"font", "Serif"}});
        const vl::AttributedString stripped = vl::stripWhitespaceByTruncating(source, row.truncate, row.maxLength);
        EXPECT_EQ(stripped.string(), QString::fromUtf16(row.expected)) << QString::fromUtf16(row.text).toStdString();
        for (const auto &run : stripped.runs())
            EXPECT_TRUE(run.attributes.isEmpty());
    }
}

TEST(AttributedStringExtensions, RunsFollowEdits)
{
    vl::AttributedString s = vl::attributedStringWithString(QStringLiteral("hello"), {{"bold", true}});
    vl::appendString(s, QStringLiteral(" world"));
    vl::insertString(s, QStringLiteral(">"), 0, {{"bold", true}});
    ASSERT_EQ(s.runs().size(), 2);
    EXPECT_EQ(s.runs().at(0).length, 6); // ">hello", both bold: one run
    EXPECT_EQ(s.attributesAtIndex(7), QVariantMap());
    const vl::AttributedString coloured = vl::attributedStringByAddingAttribute(s, QStringLiteral("colour"), 1, 3, 5);
    EXPECT_EQ(coloured.attributesAtIndex(4), (QVariantMap{{"bold", true}, {"colour", 1}}));
    EXPECT_EQ(coloured.attributesAtIndex(6), (QVariantMap{{"colour", 1}}));
    EXPECT_EQ(coloured.attributesAtIndex(8), QVariantMap());
    EXPECT_EQ(s.runs().size(), 2); // the original is unchanged
    vl::deleteLastCharacter(s);
    EXPECT_EQ(s.string(), QStringLiteral(">hello worl"));
    vl::setString(s, QString());
    vl::deleteLastCharacter(s);
    EXPECT_EQ(s, vl::attributedString());
    EXPECT_EQ(vl::attributedEllipse().string(), QString(QChar(0x2026)));
}

TEST(CharacterSetExtensions, AlphabetizedByTheDefaultLocale)
{
    const auto set = vl::CharacterSet::characterSetWithCharactersInString(u"z\u00e4a");
    {
        ScopedDefaultLocale german(QLocale(QLocale::German, QLocale::Germany));
        EXPECT_EQ(vl::alphabetizedStringRepresentation(set), QStringLiteral("a\u00e4z"));
    }
    {
        ScopedDefaultLocale swedish(QLocale(QLocale::Swedish, QLocale::Sweden));
        EXPECT_EQ(vl::alphabetizedStringRepresentation(set), QStringLiteral("az\u00e4"));
    }
    // U+FFFF is never examined.
    EXPECT_EQ(vl::alphabetizedStringRepresentation(vl::CharacterSet::characterSetWithRange(0xFFFE, 2)),
              QString(QChar(0xFFFE)));

    auto letters = vl::CharacterSet::characterSetWithCharactersInString(u"abc\U0001F600");
    vl::minusCharacterSet(letters, vl::CharacterSet::characterSetWithCharactersInString(u"b\U0001F600x"));
    EXPECT_TRUE(letters.characterIsMember(u'a'));
    EXPECT_FALSE(letters.characterIsMember(u'b'));
    EXPECT_TRUE(letters.longCharacterIsMember(0x1F600)); // beyond U+FFFE: kept

    const auto inverted = vl::CharacterSet::characterSetWithCharactersInString(u"a").invertedSet();
    EXPECT_FALSE(inverted.characterIsMember(u'a'));
    EXPECT_TRUE(inverted.characterIsMember(u'b'));
}

TEST(DataExtensions, HexStringAndByteEdits)
{
    EXPECT_EQ(vl::hexString(QByteArray("\x01\xab", 2)), QStringLiteral("01AB"));
    EXPECT_EQ(vl::hexString(QByteArray()), QString());
    QByteArray data = vl::dataByAppendingBytes(QByteArray("ab"), "cd");
    vl::appendByte(data, 0xFF);
    EXPECT_EQ(vl::byteAtIndex(data, 4), 0xFF);
    vl::deleteBytesInRange(data, 1, 2);
    EXPECT_EQ(data, QByteArray("ad\xff"));
    vl::deleteBytesInRange(data, 2, 10);
    EXPECT_EQ(data, QByteArray("ad"));
}
