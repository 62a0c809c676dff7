#include "URLExtensions.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using Query = QMap<QString, QString>;

TEST(URLExtensions, QueryDictionaryDecodesPairsAndAlwaysAdvancesOverEmptyKeysAndValues)
{
    const std::pair<const char *, std::optional<Query>> rows[] = {
        {"http://h/p?a=1&b=two%20words", Query{{"a", "1"}, {"b", "two words"}}},
        {"http://h/p", std::nullopt},
        {"http://h/p?", Query{}},
        {"http://h/?a=1&a=2&flag", Query{{"a", "2"}}},
        {"http://h/?e=caf%C3%A9&bad=%FF", Query{{"e", QStringLiteral("café")}, {"bad", "%FF"}}},
        {"http://h/?=1&a=&&=&b=2", Query{{QString(), "1"}, {"a", QString()}, {"&", QString()}, {"b", "2"}}},
        {"http://h/?====", Query{{QString(), "==="}}},
    };
    for (const auto &[url, expected] : rows)
        EXPECT_EQ(vl::queryDictionary(QUrl(QString::fromLatin1(url))), expected) << url;
}
