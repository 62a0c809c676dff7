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

TEST(StringExtensions, EmptyOrNullArgumentIsFoundEverywhere)
{
    for (const QString &receiver : {QString(), QString(u""_qs), QStringLiteral("abc")}) {
        EXPECT_TRUE(beginsWithString(receiver, QString()));
        EXPECT_TRUE(beginsWithString(receiver, QStringLiteral("")));
        EXPECT_TRUE(endsWithString(receiver, QString()));
        EXPECT_TRUE(containsString(receiver, QStringLiteral("")));
    }
    EXPECT_TRUE(endsWithString(QStringLiteral("abc"), QStringLiteral("c")));
    EXPECT_FALSE(endsWithString(QStringLiteral("cab"), QStringLiteral("c")));
    EXPECT_FALSE(beginsWithString(QStringLiteral(""), QStringLiteral("a")));
    EXPECT_TRUE(beginsWithString(QStringLiteral("begin:VCARD"), QStringLiteral("BEGIN"), SearchOption::CaseInsensitive));
    EXPECT_FALSE(beginsWithString(QStringLiteral("begin:VCARD"), QStringLiteral("BEGIN")));
    // A backwards search finds the last occurrence, which must then be at 0.
    EXPECT_FALSE(beginsWithString(QStringLiteral("abab"), QStringLiteral("ab"), SearchOption::Backwards));
    EXPECT_FALSE(containsString(QStringLiteral("xab"), QStringLiteral("ab"), SearchOption::Anchored));
    EXPECT_TRUE(containsString(QStringLiteral("xAb"), QStringLiteral("ab"), SearchOption::CaseInsensitive));

    EXPECT_TRUE(isEqualToString(QStringLiteral("Hello"), QStringLiteral("hELLO"), SearchOption::CaseInsensitive));
    EXPECT_FALSE(isEqualToString(QStringLiteral("Hello"), QStringLiteral("hELLO"), {}));
    EXPECT_TRUE(isEqualToString(QStringLiteral(""), QString(), {}));
    EXPECT_FALSE(isEqualToString(QStringLiteral("a"), QStringLiteral(""), {}));
}

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

TEST(StringExtensions, NilArgumentsAreAssertionFailures)
{
    platform::RecordingAssertionHandler recorder;
    platform::ScopedAssertionHandler scope(recorder);
    EXPECT_EQ(compareVersionStrings(QStringLiteral("1.0"), QString()), 1);    // nil then counts as ""
    EXPECT_TRUE(longLongComponentsSeparatedByString(QStringLiteral("1,2"), QString()).isEmpty());
    ASSERT_EQ(recorder.failures().size(), 2u);
    EXPECT_EQ(recorder.failures()[0].description, QStringLiteral("Invalid parameter in compareVersionStrings:: otherString != nil"));
    EXPECT_EQ(recorder.failures()[0].file, QStringLiteral("NSString+VLExtensions"));
    EXPECT_EQ(recorder.failures()[1].description, QStringLiteral("Invalid parameter: separator == nil"));
    EXPECT_EQ(recorder.failures()[1].method, QStringLiteral("longLongComponentsSeparatedByString:"));
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

TEST(StringExtensions, HexadecimalTextReadsPairsAsPercentXDoes)
{
    EXPECT_FALSE(hexStringData(QStringLiteral("abc")).has_value());
    EXPECT_EQ(hexStringData(QString()), QByteArray());
    EXPECT_EQ(hexStringData(QStringLiteral("0aFF")), QByteArray("\x0a\xff", 2));
    EXPECT_EQ(hexStringData(QStringLiteral(" ff -1zz")), QByteArray("\x0f\x0f\xff\x00", 4));
    // Only the low byte of each unit counts: U+0141 reads as 'A'.
    EXPECT_EQ(hexStringData(s(u"\u01410")), QByteArray("\xa0", 1));
}

TEST(StringExtensions, PascalStringsInUtf8AndMacRoman)
{
    const QString cafe = s(u"café");
    EXPECT_EQ(pascalStringUsingEncoding(cafe, StringEncoding::MacOSRoman), QByteArray("\x04" "caf\x8e"));
    EXPECT_EQ(pascalStringUsingEncoding(cafe, StringEncoding::UTF8), QByteArray("\x05" "caf\xc3\xa9"));
    EXPECT_EQ(stringWithPascalString(QByteArray("\x04" "caf\x8e" "garbage"), StringEncoding::MacOSRoman), cafe);
    EXPECT_EQ(stringWithPascalString(QByteArray("\x00", 1), StringEncoding::UTF8), QString());

    EXPECT_FALSE(stringWithPascalString(QByteArray("\x09" "short"), StringEncoding::UTF8));    // claims too much
    EXPECT_FALSE(stringWithPascalString(QByteArray(), StringEncoding::UTF8));
    EXPECT_FALSE(stringWithPascalString(QByteArray("\x01\xff"), StringEncoding::UTF8));        // not UTF-8
    EXPECT_FALSE(pascalStringUsingEncoding(s(u"中"), StringEncoding::MacOSRoman));
    EXPECT_FALSE(pascalStringUsingEncoding(s(u"soft\u00adhyphen"), StringEncoding::MacOSRoman));    // never dropped

    EXPECT_TRUE(pascalStringUsingEncoding(QString(255, u'x'), StringEncoding::UTF8));
    EXPECT_FALSE(pascalStringUsingEncoding(QString(256, u'x'), StringEncoding::UTF8));
    EXPECT_FALSE(pascalStringUsingEncoding(QString(5, u'x'), StringEncoding::UTF8, 5));       // 1 + 5 > 5
    EXPECT_EQ(pascalStringUsingEncoding(QString(4, u'x'), StringEncoding::UTF8, 5), QByteArray("\x04xxxx"));
    EXPECT_EQ(pascalStringUsingEncoding(QStringLiteral("ab"), StringEncoding::UTF8, 100000), QByteArray("\x02" "ab"));
    EXPECT_FALSE(pascalStringUsingEncoding(QString(), StringEncoding::UTF8, 0));
}

TEST(StringExtensions, DataWithIanaCharsetNamesFallsBackToLatin1)
{
    EXPECT_EQ(stringWithData(QByteArray("caf\xc3\xa9"), u"UTF-8"), s(u"café"));
    EXPECT_EQ(stringWithData(QByteArray("caf\x8e"), u"macintosh"), s(u"café"));
    EXPECT_EQ(stringWithData(QByteArray("\x80"), u"windows-1252"), s(u"€"));
    EXPECT_EQ(stringWithData(QByteArray("caf\xe9"), u"no-such-charset"), s(u"café"));
    EXPECT_EQ(stringWithData(QByteArray("caf\xe9"), u""), s(u"café"));
    EXPECT_FALSE(stringWithData(QByteArray("caf\xe9"), u"utf-8"));    // invalid, not replaced
    EXPECT_EQ(stringWithData(QByteArray("\xef\xbb\xbf" "BEGIN"), StringEncoding::UTF8), QChar(0xfeff) + QStringLiteral("BEGIN"));
    EXPECT_FALSE(stringWithData(QByteArray("\xc3"), StringEncoding::UTF8));
    EXPECT_FALSE(stringWithData(QByteArray("\x80"), StringEncoding::ASCII));
    EXPECT_FALSE(stringWithData(QByteArray("x"), static_cast<StringEncoding>(2)));    // not supported
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

TEST(StringExtensions, RunsOfCharactersStayInsideTheirRange)
{
    const CharacterSet digits = CharacterSet::decimalDigitCharacterSet();
    EXPECT_EQ(rangeOfCharactersFromSet(QStringLiteral("ab12c3"), digits), (Range{2, 2}));
    EXPECT_EQ(rangeOfCharactersFromSet(QStringLiteral("ab12c3"), digits, SearchOption::Backwards), (Range{5, 1}));
    EXPECT_EQ(rangeOfCharactersFromSet(QStringLiteral("ab12c3"), digits, {}, Range{0, 3}), (Range{2, 1}));
    EXPECT_EQ(rangeOfCharactersFromSet(QStringLiteral("ab12c3"), digits, SearchOption::Anchored).location, NotFound);
    EXPECT_EQ(rangeOfCharactersFromSet(QStringLiteral("abc"), digits).location, NotFound);
    const CharacterSet faces = CharacterSet::characterSetWithCharactersInString(s(u"😀😁"));
    EXPECT_EQ(rangeOfCharactersFromSet(s(u"x😀😁y"), faces), (Range{1, 4}));
    EXPECT_THROW(rangeOfCharactersFromSet(QStringLiteral("abc"), digits, {}, Range{2, 2}), platform::Exception);

    EXPECT_EQ(substringWithoutRange(QStringLiteral("abcd"), Range{1, 2}), QStringLiteral("ad"));
    EXPECT_EQ(substringWithoutRange(QStringLiteral("abcd"), Range{4, 0}), QStringLiteral("abcd"));
    EXPECT_THROW(substringWithoutRange(QStringLiteral("abcd"), Range{3, 2}), platform::Exception);
}

TEST(StringExtensions, TestsOfCaseUrlsAndLengths)
{
    EXPECT_TRUE(isLowercase(QStringLiteral("abc 1")));
    EXPECT_TRUE(isLowercase(QStringLiteral("123")) && isUppercase(QStringLiteral("123")));
    EXPECT_FALSE(isUppercase(QStringLiteral("ABc")));

    EXPECT_TRUE(isURL(QStringLiteral("http://example.com/a%20b?x=[1]#top")));
    EXPECT_TRUE(isURL(QStringLiteral("relative/path")));
    for (const QString &notURL : {QStringLiteral("a b"), QStringLiteral("100%"), QStringLiteral("%zz"), s(u"caf\u00e9"),
                                  QStringLiteral("a{b}")})
        EXPECT_FALSE(isURL(notURL)) << qPrintable(notURL);

    EXPECT_EQ(byteCount(s(u"café")), 5);
    EXPECT_EQ(byteCount(s(u"€😀")), 7);
    EXPECT_EQ(byteCount(s(u"\xdc00")), 3);
}

TEST(StringExtensions, ShapingWordsAndCase)
{
    EXPECT_EQ(lowercaseSpacedString(QStringLiteral("HelloWorld")), QStringLiteral("hello world"));
    EXPECT_EQ(lowercaseSpacedString(QStringLiteral("URLString")), QStringLiteral("url string"));
    EXPECT_EQ(lowercaseSpacedString(QStringLiteral("ABC")), QStringLiteral("abc"));
    EXPECT_EQ(lowercaseSpacedString(QStringLiteral("showHTML5Page")), QStringLiteral("showhtm l5 page"));    // digits count as lower case
    EXPECT_EQ(lowercaseSpacedString(s(u"ÉtéÀParis")), s(u"étéà paris"));
    EXPECT_EQ(lowercaseSpacedString(QString()), QString());

    EXPECT_EQ(stringByRaisingCaseOfFirstCharacter(s(u"ßtraße")), s(u"SStraße"));
    EXPECT_EQ(stringByRaisingCaseOfFirstCharacter(QStringLiteral("")), QStringLiteral(""));
    EXPECT_EQ(stringByTrimmingWhitespace(s(u"\u00a0\n\t a b \u2028\r")), QStringLiteral("a b"));
    EXPECT_EQ(stringByTrimmingWhitespace(QStringLiteral(" \n")), QStringLiteral(""));
}

TEST(StringExtensions, SymbolicLinksAndTheAliasResolver)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString root = QDir(dir.path()).canonicalPath();
    ASSERT_TRUE(QDir(root).mkpath(QStringLiteral("real/sub")));
    ASSERT_TRUE(QFile::link(root + QStringLiteral("/real"), root + QStringLiteral("/abs")));
    ASSERT_TRUE(QFile::link(QStringLiteral("abs/sub"), root + QStringLiteral("/rel")));    // relative, via another link
    ASSERT_TRUE(QFile::link(root + QStringLiteral("/loopB"), root + QStringLiteral("/loopA")));
    ASSERT_TRUE(QFile::link(root + QStringLiteral("/loopA"), root + QStringLiteral("/loopB")));

    EXPECT_EQ(stringByResolvingSymlinksInPath(root + QStringLiteral("/rel/missing/file.txt/")),
              root + QStringLiteral("/real/sub/missing/file.txt"));
    EXPECT_EQ(stringByResolvingSymlinksInPath(root + QStringLiteral("/./rel/../x")), root + QStringLiteral("/real/x"));
    EXPECT_EQ(stringByResolvingSymlinksInPath(root + QStringLiteral("/loopA/x")), root + QStringLiteral("/loopA/x"));
    EXPECT_EQ(stringByResolvingSymlinksInPath(QStringLiteral("~/Documents")), QDir::homePath() + QStringLiteral("/Documents"));
    EXPECT_EQ(stringByResolvingSymlinksInPath(QStringLiteral("rel/x")), QStringLiteral("rel/x"));
    const passwd *account = ::getpwuid(::getuid());
    ASSERT_NE(account, nullptr);
    EXPECT_EQ(stringByResolvingSymlinksInPath(QLatin1Char('~') + QString::fromLocal8Bit(account->pw_name) + QStringLiteral("/none")),
              stringByResolvingSymlinksInPath(QFile::decodeName(account->pw_dir) + QStringLiteral("/none")));
    EXPECT_EQ(stringByResolvingSymlinksInPath(QStringLiteral("~no-such-account/x")), QStringLiteral("~no-such-account/x"));

    const QString alias = root + QStringLiteral("/real/sub/Alias");
    EXPECT_EQ(stringByResolvingAliasesInPath(root + QStringLiteral("/rel/Alias")), alias);
    QStringList asked;
    setAliasFileResolver([&](const QString &path) -> std::optional<QString> {
        asked << path;
        return path == alias ? std::optional(QStringLiteral("/target")) : std::nullopt;
    });
    EXPECT_EQ(stringByResolvingAliasesInPath(root + QStringLiteral("/rel/Alias")), QStringLiteral("/target"));
    EXPECT_EQ(stringByResolvingAliasesInPath(root + QStringLiteral("/abs")), root + QStringLiteral("/real"));
    setAliasFileResolver({});
    EXPECT_EQ(asked, (QStringList{alias, root + QStringLiteral("/real")}));
    EXPECT_EQ(stringByResolvingAliasesInPath(root + QStringLiteral("/rel/Alias")), alias);
}
