#include "URLExtensions.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using Query = QMap<QString, QString>;

TEST(URLExtensions, QueryDictionaryDecodesPairs)
{
    EXPECT_EQ(vl::queryDictionary(QUrl(QStringLiteral("http://h/p?a=1&b=two%20words"))),
              (Query{{QStringLiteral("a"), QStringLiteral("1")}, {QStringLiteral("b"), QStringLiteral("two words")}}));
    EXPECT_EQ(vl::queryDictionary(QUrl(QStringLiteral("http://h/p"))), std::nullopt);
    EXPECT_EQ(vl::queryDictionary(QUrl(QStringLiteral("http://h/p?"))), Query{});
    EXPECT_EQ(vl::queryDictionary(QUrl(QStringLiteral("http://h/?a=1&a=2&flag"))),
              (Query{{QStringLiteral("a"), QStringLiteral("2")}}));
    EXPECT_EQ(vl::queryDictionary(QUrl(QStringLiteral("http://h/?e=caf%C3%A9&bad=%FF"))),
              (Query{{QStringLiteral("e"), QStringLiteral("café")}, {QStringLiteral("bad"), QStringLiteral("%FF")}}));
}

TEST(URLExtensions, QueryDictionaryAlwaysAdvancesOverEmptyKeysAndValues)
{
    EXPECT_EQ(vl::queryDictionary(QUrl(QStringLiteral("http://h/?=1&a=&&=&b=2"))),
              (Query{{QString(), QStringLiteral("1")}, {QStringLiteral("a"), QString()}, {QStringLiteral("&"), QString()},
                     {QStringLiteral("b"), QStringLiteral("2")}}));
    EXPECT_EQ(vl::queryDictionary(QUrl(QStringLiteral("http://h/?===="))),
              (Query{{QString(), QStringLiteral("===")}}));
}
