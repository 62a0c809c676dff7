#include "platform/files/ResourceMap.h"

#include "platform/files/BigEndian_p.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using platform::fourCharCode;
using corvane::test::fileBytes;
using platform::ResourceMap;

namespace {

struct Expected
{
    const char *type;
    qint16 id;
    const char *name; // null: no name
    quint8 attributes;
    int size;
};

void expectResources(const ResourceMap &map, std::initializer_list<Expected> expected)
{
    ASSERT_EQ(map.resources().size(), qsizetype(expected.size()));
    qsizetype i = 0;
    for (const Expected &e : expected) {
        const platform::Resource &r = *map.resources()[i++];
        SCOPED_TRACE(r.id);
        EXPECT_EQ(platform::fourCharCodeBytes(r.type), QByteArray(e.type));
        EXPECT_EQ(r.id, e.id);
        EXPECT_EQ(r.name, e.name ? std::optional<QByteArray>(e.name) : std::nullopt);
        EXPECT_EQ(r.attributes, e.attributes);
        EXPECT_EQ(r.data.size(), e.size);
    }
}

void expectSameResources(const ResourceMap &a, const ResourceMap &b)
{
    ASSERT_EQ(a.resources().size(), b.resources().size());
    for (qsizetype i = 0; i < a.resources().size(); ++i) {
        const platform::Resource &x = *a.resources()[i];
        const platform::Resource &y = *b.resources()[i];
        EXPECT_TRUE(x.type == y.type && x.id == y.id && x.name == y.name && x.attributes == y.attributes
                    && x.data == y.data)
            << "resource " << i;
    }
}

} // namespace

TEST(ResourceMap, EverySampleReadsAsItsIndexDescribes)
{
    CORVANE_REQUIRE_CORPUS(dir, "macfiles");
    const auto empty = ResourceMap::parse(fileBytes(dir, "rsrc/empty.rsrc"));
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->resources().isEmpty());

    const auto strings = ResourceMap::parse(fileBytes(dir, "rsrc/testfile.rsrc"));
    ASSERT_TRUE(strings);
    expectResources(*strings, {{"STR ", 128, nullptr, 0, 39},
                               {"STR ", 129, "The Name", 0, 40},
                               {"STR ", 130, nullptr, 0x0C, 45},
                               {"STR ", 131, "The Name with Attributes", 0x40, 42}});

    const auto aliases = ResourceMap::parse(fileBytes(dir, "rsrc/MultipleResource.rsrcfork.dat"));
    ASSERT_TRUE(aliases);
    expectResources(*aliases, {{"alis", -10, "A", 0, 180},
                               {"alis", 7, "AB", 0, 181},
                               {"alis", 13, "ABC", 0, 180},
                               {"alis", 128, "ABCD", 0, 180}});

    const auto appAlias = ResourceMap::parse(fileBytes(dir, "alias/AppAlias.rsrcfork.dat"));
    ASSERT_TRUE(appAlias);
    expectResources(*appAlias, {{"alis", 0, "app alias", 0, 202}});
    EXPECT_EQ(appAlias->resources().front()->data, fileBytes(dir, "alias/AppAlias.rsrc.dat"));

    // Fourteen bytes of text in a companion's fork entry are no resource fork.
    EXPECT_FALSE(ResourceMap::parse(QByteArray("resource fork\n")));
}

TEST(ResourceMap, WrittenForksReadBackWithTheFactsLayout)
{
    CORVANE_REQUIRE_CORPUS(dir, "macfiles");
    for (const char *name :
         {"rsrc/testfile.rsrc", "rsrc/MultipleResource.rsrcfork.dat", "alias/AppAlias.rsrcfork.dat"}) {
        SCOPED_TRACE(name);
        const auto original = ResourceMap::parse(fileBytes(dir, name));
        ASSERT_TRUE(original);
        const std::optional<QByteArray> written = original->toBytes();
        ASSERT_TRUE(written);
        const auto reread = ResourceMap::parse(*written);
        ASSERT_TRUE(reread);
        expectSameResources(*original, *reread);

        using namespace platform::bigendian;
        const QByteArray &b = *written;
        const quint32 mapOffset = at<quint32>(b, 4);
        EXPECT_EQ(at<quint32>(b, 0), 256u);
        EXPECT_EQ(mapOffset, 256u + at<quint32>(b, 8)); // the map follows the data
        EXPECT_EQ(mapOffset + at<quint32>(b, 12), quint32(b.size()));
        EXPECT_EQ(b.mid(mapOffset, 16), b.first(16)); // the header's copy
        EXPECT_EQ(at<quint16>(b, mapOffset + 24), 28); // type list right after
        EXPECT_EQ(at<quint16>(b, mapOffset + 28), 0); // one type
        EXPECT_EQ(at<quint16>(b, mapOffset + 28 + 2 + 6), 10); // its references after the one item
    }
}
