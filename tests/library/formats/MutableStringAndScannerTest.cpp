#include "MutableStringExtensions.h"
#include "StringExtensions.h"

#include <gtest/gtest.h>

using namespace vl;

TEST(MutableStringExtensions, ReplacementsCountNonOverlappingMatches)
{
    struct Row { const char *text, *target, *replacement; SearchOptions options; int count; const char *result; };
    const Row rows[] = {
        {"aaa", "aa", "b", {}, 1, "ba"},
        {"aaa", "aa", "b", SearchOption::Backwards, 1, "ab"},
        {"a\r\nb\rc\r\n", "\r\n", "\n", {}, 2, "a\nb\rc\n"},
        {"a\nb\rc\n", "\r", "\n", {}, 1, "a\nb\nc\n"},
        {"Xx-xX", "x", "yy", SearchOption::CaseInsensitive, 4, "yyyy-yyyy"},
        {"abab", "ab", "", SearchOption::Anchored | SearchOption::Backwards, 1, "ab"},
        {"ab", "", "z", {}, 0, "ab"},
        {"café crème", "e\u0301", "e", {}, 1, "cafe crème"},    // canonically equivalent, one unit shorter
        {"café", "e\u0301", "e", SearchOption::Literal, 0, "café"},
    };
    for (const Row &row : rows) {
        QString text = QString::fromUtf8(row.text);
        EXPECT_EQ(replaceOccurrencesOfString(text, QString::fromUtf8(row.target), QString::fromUtf8(row.replacement),
                                             row.options),
                  row.count)
            << row.text;
        EXPECT_EQ(text, QString::fromUtf8(row.result)) << row.text;
    }
}
