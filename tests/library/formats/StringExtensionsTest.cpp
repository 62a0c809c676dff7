#include "StringExtensions.h"

#include <gtest/gtest.h>

#include <array>

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
        {u"\uac00", u"\u1100", {}, {NotFound, 0}},    // a Hangul syllable holds its first letter
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
        {"1.0d1", "1.0a1", -1}, {"1.0a9", "1.0b1", -1}, {"1.0b9", "1.0fc1", -1},
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
