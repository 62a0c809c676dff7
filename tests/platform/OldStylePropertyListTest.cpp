#include "platform/plist/OldStylePropertyList.h"

#include "TestSupport.h"


#include <gtest/gtest.h>

using namespace platform;

namespace {

QString s(const char16_t *text)
{
    return QString::fromUtf16(text);
}

// Types matter (string versus data), so values are compared through their XML form.
QByteArray xmlOf(const QVariant &value)
{
    return writePropertyList(value, PropertyListFormat::Xml).bytes;
}

struct Row
{
    const char *text;
    QVariant expected;
};

TEST(OldStylePropertyList, ReadsEveryConstruct)
{
    const Row rows[] = {
        {"{ a = b; }", QVariantMap{{"a", "b"}}},
        {"{ \"x y\" = \"1\"; x = 2; x = 3; }", QVariantMap{{"x y", "1"}, {"x", "3"}}},
        {"/usr/bin:x.y-z_$9", "/usr/bin:x.y-z_$9"},
        {R"("tab\there \"q\" \\ \101\U00e9\351\z")", s(u"tab\there \"q\" \\ A\u00e9\u00d8z")},
        {R"('a"b' )", "a\"b"},
        {R"("\376 \1011")", s(u"\ufffd A1")},
        {"<0fBd 77 >", QByteArray("\x0f\xbd\x77")},
        {"<>", QByteArray()},
        {"(a, \"b\", <00>, (), {},)", QVariantList{"a", "b", QByteArray(1, 0), QVariantList(), QVariantMap()}},
        {"( )", QVariantList()},
        {"/* c */ { // line\n k = (v /**/, w) ; /* x */ } // end", QVariantMap{{"k", QVariantList{"v", "w"}}}},
        {"\"k1\" = \"v1\";\n k2 = v2; // strings file\n\"k3\";", QVariantMap{{"k1", "v1"}, {"k2", "v2"}, {"k3", "k3"}}},
        {"  // nothing but a comment\n", QVariantMap()},
        {"\xEF\xBB\xBF{ a = \"\xC3\xA9\"; }", QVariantMap{{"a", s(u"\u00e9")}}},
        {"<dead beef>", QByteArray("\xde\xad\xbe\xef")},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.text);
        const auto read = readOldStylePropertyList(row.text);
        ASSERT_TRUE(read.has_value());
        ASSERT_TRUE(read->ok()) << qPrintable(read->error);
        EXPECT_EQ(read->format, PropertyListFormat::OpenStep);
        EXPECT_EQ(xmlOf(read->value), xmlOf(row.expected));
    }
}

} // namespace
