#include "platform/files/ResourceMap.h"

#include "platform/files/BigEndian_p.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using platform::fourCharCode;
using platform::ResourceMap;

namespace {

QByteArray corpusFile(const QString &dir, const char *name)
{
    return corvane::test::readFile(dir + u'/' + QLatin1String(name)).value_or(QByteArray());
}

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
    const auto empty = ResourceMap::parse(corpusFile(dir, "rsrc/empty.rsrc"));
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->resources().isEmpty());

    const auto strings = ResourceMap::parse(corpusFile(dir, "rsrc/testfile.rsrc"));
    ASSERT_TRUE(strings);
    expectResources(*strings, {{"STR ", 128, nullptr, 0, 39},
                               {"STR ", 129, "The Name", 0, 40},
                               {"STR ", 130, nullptr, 0x0C, 45},
                               {"STR ", 131, "The Name with Attributes", 0x40, 42}});

    const auto aliases = ResourceMap::parse(corpusFile(dir, "rsrc/MultipleResource.rsrcfork.dat"));
    ASSERT_TRUE(aliases);
    expectResources(*aliases, {{"alis", -10, "A", 0, 180},
                               {"alis", 7, "AB", 0, 181},
                               {"alis", 13, "ABC", 0, 180},
                               {"alis", 128, "ABCD", 0, 180}});

    const auto appAlias = ResourceMap::parse(corpusFile(dir, "alias/AppAlias.rsrcfork.dat"));
    ASSERT_TRUE(appAlias);
    expectResources(*appAlias, {{"alis", 0, "app alias", 0, 202}});
    EXPECT_EQ(appAlias->resources().front()->data, corpusFile(dir, "alias/AppAlias.rsrc.dat"));

    // Fourteen bytes of text in a companion's fork entry are no resource fork.
    EXPECT_FALSE(ResourceMap::parse(QByteArray("resource fork\n")));
}

TEST(ResourceMap, WrittenForksReadBackWithTheFactsLayout)
{
    CORVANE_REQUIRE_CORPUS(dir, "macfiles");
    for (const char *name :
         {"rsrc/testfile.rsrc", "rsrc/MultipleResource.rsrcfork.dat", "alias/AppAlias.rsrcfork.dat"}) {
        SCOPED_TRACE(name);
        const auto original = ResourceMap::parse(corpusFile(dir, name));
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

TEST(ResourceMap, AnEmptyMapIsThePlatformsSmallestFork)
{
    const QByteArray fork = ResourceMap::emptyFork();
    using namespace platform::bigendian;
    EXPECT_EQ(fork.size(), 286);
    EXPECT_EQ(at<quint32>(fork, 4), 256u);
    EXPECT_EQ(at<quint32>(fork, 12), 30u);
    EXPECT_EQ(at<quint16>(fork, 256 + 28), 0xFFFF);
    EXPECT_TRUE(ResourceMap::parse(fork));
}

TEST(ResourceMap, RefusesForksThatPointOutside)
{
    ResourceMap map;
    auto resource = std::make_shared<platform::Resource>();
    resource->type = fourCharCode("TEXT");
    resource->id = 128;
    resource->name = QByteArray("n");
    resource->data = "data";
    map.resources().append(resource);
    const QByteArray good = *map.toBytes();
    const quint32 mapOffset = platform::bigendian::at<quint32>(good, 4);
    using platform::bigendian::put;
    auto broken = [&](auto change) {
        QByteArray copy = good;
        change(copy);
        return ResourceMap::parse(copy);
    };
    EXPECT_TRUE(broken([](QByteArray &) {}));
    EXPECT_FALSE(broken([](QByteArray &b) { b.truncate(15); }));
    EXPECT_FALSE(broken([&](QByteArray &b) { put<quint32>(b, 12, 0xFFFFFFFF); })); // map length
    EXPECT_FALSE(broken([&](QByteArray &b) { put<quint16>(b, mapOffset + 28, 0x0100); })); // 257 types
    EXPECT_FALSE(broken([&](QByteArray &b) { put<quint16>(b, mapOffset + 28 + 6, 0x2000); })); // many references
    EXPECT_FALSE(broken([&](QByteArray &b) { b[mapOffset + 30 + 8 + 6] = char(0x7F); })); // data offset
    EXPECT_FALSE(broken([&](QByteArray &b) { put<quint32>(b, 256, 0x1000); })); // data length
    EXPECT_FALSE(broken([&](QByteArray &b) { put<quint16>(b, mapOffset + 30 + 8 + 2, 0x40); })); // name offset
}
