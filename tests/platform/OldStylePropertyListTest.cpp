#include "platform/plist/OldStylePropertyList.h"

#include "TestSupport.h"

#include <QStringEncoder>

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

TEST(OldStylePropertyList, NestingIsBoundedAt512)
{
    const auto nested = [](int depth) { return QByteArray(depth, '(') + QByteArray(depth, ')'); };
    EXPECT_TRUE(readOldStylePropertyList(nested(512))->ok());
    const auto deeper = readOldStylePropertyList(nested(513));
    EXPECT_TRUE(deeper->error.contains(QLatin1String("512 deep"))) << qPrintable(deeper->error);
    // A very deep text stops at the bound instead of exhausting the stack.
    EXPECT_FALSE(readOldStylePropertyList(QByteArray(1 << 20, '{'))->ok());
}

TEST(OldStylePropertyList, TheBridgeReadsItAndRefusesToWriteIt)
{
    QByteArray utf16 = QStringEncoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom)
                           .encode(QStringLiteral("{ name = \"Z\u00fcrich\"; list = (1, <01>); }"));
    const PropertyListReadResult read = readPropertyList(utf16);
    ASSERT_TRUE(read.ok()) << qPrintable(read.error);
    EXPECT_EQ(read.format, PropertyListFormat::OpenStep);
    EXPECT_EQ(xmlOf(read.value),
              xmlOf(QVariantMap{{"name", s(u"Z\u00fcrich")}, {"list", QVariantList{"1", QByteArray(1, 1)}}}));
    // XML and binary keep their readers.
    EXPECT_EQ(readPropertyList(xmlOf(read.value)).format, PropertyListFormat::Xml);
    EXPECT_EQ(readPropertyList(writePropertyList(read.value, PropertyListFormat::Binary).bytes).format,
              PropertyListFormat::Binary);

    const PropertyListWriteResult written = writePropertyList(read.value, PropertyListFormat::OpenStep);
    EXPECT_FALSE(written.ok());
    EXPECT_TRUE(written.bytes.isEmpty());
}

} // namespace
