#include "StringExtensions.h"

#include "platform/core/AssertionHandler.h"
#include "platform/core/Exception.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <limits>
#include <tuple>

#include <pwd.h>
#include <unistd.h>

using namespace vl;

namespace {
QString s(const char16_t *text)
{
    return QString::fromUtf16(text);
}
} // namespace

TEST(StringExtensions, WithoutLiteralCanonicallyEquivalentTextMatches)
{
    const QString composed = s(u"caf\u00e9"), decomposed = s(u"cafe\u0301");
    EXPECT_TRUE(isEqualToString(composed, decomposed, {}));
    EXPECT_FALSE(isEqualToString(composed, decomposed, SearchOption::Literal));
    EXPECT_TRUE(isEqualToString(s(u"CAF\u00c9"), decomposed, SearchOption::CaseInsensitive));
    EXPECT_TRUE(isEqualToString(s(u"\u212a"), QStringLiteral("K"), {}));    // Kelvin sign: a singleton
    EXPECT_FALSE(isEqualToString(decomposed, QStringLiteral("cafe"), {}));
    EXPECT_TRUE(beginsWithString(s(u"e\u0301t\u00e9"), s(u"\u00e9t")));
    EXPECT_TRUE(endsWithString(composed, s(u"e\u0301")));
    EXPECT_FALSE(endsWithString(composed, s(u"e\u0301"), SearchOption::Literal));
    EXPECT_TRUE(containsString(s(u"un caf\u00e9 noir"), decomposed));

    struct Row { const char16_t *text, *target; SearchOptions options; Range found; };
    const Row rows[] = {
        {u"x e\u0301 y", u"\u00e9", {}, {2, 2}},
        {u"x e\u0301 y", u"\u00e9", SearchOption::Literal, {NotFound, 0}},
        {u"cafe\u0301", u"cafe", {}, {NotFound, 0}},    // never ends inside a combining sequence
        {u"e\u0301", u"\u0301", {}, {NotFound, 0}},      // nor begins inside one
        {u"a\u0323\u0301 a\u0301\u0323", u"a\u0301\u0323", SearchOption::Backwards, {4, 3}},    // marks in either order
        {u"\u1100\u1161 \uac00", u"\uac00", {}, {0, 2}},    // a Hangul syllable and its letters
        {u"\uac00", u"\u1100", {}, {NotFound, 0}},
        {u"\u00e9\u00e9e\u0301", u"\u00e9", SearchOption::Backwards, {2, 2}},
        {u"e\u0301x", u"\u00e9", SearchOption::Anchored, {0, 2}},
    };
    for (const Row &row : rows)
        EXPECT_EQ(rangeOfString(s(row.text), s(row.target), row.options), row.found) << s(row.text).toStdString();
}

TEST(StringExtensions, VersionStringsCompareNumericallyThenByStatus)
{
    struct Row { const char *a, *b; int order; };
    const Row rows[] = {
        {"1.2", "1.10", -1},     // numeric, not textual
        {"1.0b2", "1.0", -1},
        {"1.0B2", "1.0", 0},     // upper case is no status letter: final 1.0
        {"2", "2.0.0", 0},
        {"1.0d1", "1.0a1", -1}, {"1.0a1", "1.0b9", -1}, {"1.0b9", "1.0fc1", -1},
        {"1.0fc1", "1.0rc1", 0}, {"1.0rc1", "1.0", -1}, {"1.0rc2", "1.0rc10", -1},
        {"1.0f1", "1.0", 0},     // 'f' without 'c' ends the version
        {"2.1.3b4", "2.1.3b4", 0}, {"10.4.11", "10.5", -1}, {"1.", "1.0", 0},
        {"", "0", 0}, {"junk", "0.0.0", 0}, {"1.0 b2", "1.0b2", 0},
    };
    for (const Row &row : rows) {
        const QString a = QString::fromLatin1(row.a), b = QString::fromLatin1(row.b);
        EXPECT_EQ(compareVersionStrings(a, b), row.order) << row.a << " vs " << row.b;
        EXPECT_EQ(compareVersionStrings(b, a), -row.order) << row.b << " vs " << row.a;
    }

    int major = -1, minor = -1, point = -1, status = -1, development = -1;
    returnMajorVersion(QStringLiteral("2.1.3b4"), &major, &minor, &point, &status, &development);
    EXPECT_EQ((std::array{major, minor, point, status, development}), (std::array{2, 1, 3, int(Beta), 4}));
    returnMajorVersion(QStringLiteral("1.0B2"), &major, &minor, &point, &status, &development);
    EXPECT_EQ((std::array{major, minor, point, status, development}), (std::array{1, 0, 0, int(FinalRelease), 0}));
    returnMajorVersion(QStringLiteral("3rc"), &major, nullptr, nullptr, &status, &development);
    EXPECT_EQ((std::array{major, status, development}), (std::array{3, int(ReleaseCandidate), 0}));
}

TEST(StringExtensions, NumbersReadTheLeadingNumberOnly)
{
    EXPECT_EQ(unsignedIntegerValue(QStringLiteral("42abc")), 42u);
    EXPECT_EQ(unsignedIntegerValue(QStringLiteral("abc")), 0u);
    EXPECT_EQ(unsignedIntValue(QStringLiteral("-1")), 4294967295u);
    EXPECT_EQ(intValue(QStringLiteral(" \n\t+17 ")), 17);
    EXPECT_EQ(intValue(QStringLiteral("- 3")), 0);
    EXPECT_EQ(intValue(QStringLiteral("99999999999")), std::numeric_limits<int>::max());
    EXPECT_EQ(longValue(QStringLiteral("-99999999999")), std::numeric_limits<qint32>::min());
    EXPECT_EQ(longLongValue(QStringLiteral("-9223372036854775808")), std::numeric_limits<qint64>::min());
    EXPECT_EQ(longLongValue(QStringLiteral("9223372036854775808")), std::numeric_limits<qint64>::max());
    EXPECT_DOUBLE_EQ(doubleValue(QStringLiteral("  3.5e2px")), 350.0);
    EXPECT_DOUBLE_EQ(doubleValue(QStringLiteral("-.25e")), -0.25);
    EXPECT_DOUBLE_EQ(doubleValue(QStringLiteral(".")), 0.0);
    EXPECT_FLOAT_EQ(CGFloatValue(QStringLiteral("1.5")), 1.5f);
    EXPECT_EQ(floatValue(QStringLiteral("1e999")), std::numeric_limits<float>::infinity());
    EXPECT_EQ(doubleValue(QStringLiteral("1e-999")), 0.0);

    const std::tuple<const char *, const char *, QList<qint64>> components[] = {
        {"1,2,3", ",", {1, 2, 3}}, {"1,,2", ",", {1}}, {",1", ",", {}}, {"1,2,", ",", {1, 2}}, {"7,8", "", {7}},
        {"8589934592 :: -2 :: x", "::", {8589934592LL, -2, 0}}};
    for (const auto &[text, separator, values] : components)
        EXPECT_EQ(longLongComponentsSeparatedByString(QString::fromLatin1(text), QString::fromLatin1(separator)), values) << text;
    EXPECT_EQ(numberOfOccurrencesOfCharacterInString(QStringLiteral("a.b.c"), u'.'), 2);
}

TEST(StringExtensions, EscapingForSgmlHttpAndSql)
{
    EXPECT_EQ(SGMLEncodedString(s(u"café")), QStringLiteral("caf&#233;"));
    EXPECT_EQ(SGMLEncodedString(s(u"\u8000\uffff")), QStringLiteral("&#32768;&#65535;"));
    EXPECT_EQ(SGMLEncodedString(s(u"<a&b>\u007f")), QStringLiteral("<a&b>&#127;"));
    EXPECT_EQ(SGMLEncodedString(s(u"😀")), QStringLiteral("&#128512;"));
    EXPECT_EQ(SGMLEncodedString(s(u"\xd800x")), QStringLiteral("&#55296;x"));    // an unpaired half stays itself

    EXPECT_EQ(stringForUseInHTTPGetArguments(QStringLiteral("a b=c")), QStringLiteral("a+b%3Dc"));
    EXPECT_EQ(stringForUseInHTTPGetArguments(s(u"100% [é]/?&#")), QStringLiteral("100%25+%5B%E9%5D%2F%3F&#"));
    EXPECT_FALSE(stringForUseInHTTPGetArguments(s(u"5€")));
    EXPECT_EQ(stringByAddingPercentEscapesUsingEncoding(s(u"é /"), StringEncoding::UTF8, QStringLiteral(" "),
                                                       QStringLiteral("/")),
              QStringLiteral("%C3%A9 %2F"));
    EXPECT_EQ(stringByAddingPercentEscapesUsingEncoding(s(u"😀"), StringEncoding::Unicode, {}, {}),
              QStringLiteral("%D8%3D%DE%00"));

    EXPECT_EQ(escapedSQLString(QStringLiteral("a\\b'c\"d\ne\tf\rg")), QStringLiteral("a\\\\b\\'c\\\"d\\\ne\\\tf\\\rg"));
}
