#include "platform/files/AppleDouble.h"

#include "platform/files/BigEndian_p.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using platform::AppleDouble;
using platform::fourCharCode;
using corvane::test::fileBytes;

namespace {

struct Sample
{
    const char *file;
    platform::OSType type, creator;
    int attributes;
    int otherEntries;
    int forkSize; // -1: none
};

} // namespace

TEST(AppleDouble, EverySampleReadsAsItsIndexDescribes)
{
    CORVANE_REQUIRE_CORPUS(dir, "macfiles/appledouble");
    const Sample samples[] = {
        {"._Release.Notes", fourCharCode("TEXT"), fourCharCode("pdos"), 0, 0, -1},
        {"alt-ext2.rsrc", fourCharCode("IJKL"), fourCharCode("MNOP"), 0, 4, -1},
        {"._file3", 0, 0, 1, 0, -1},
        {"._test_file", 0, 0, 0, 0, 14},
        {"._apple_double_dir_test", 0, 0, 1, 0, -1},
    };
    for (const Sample &sample : samples) {
        SCOPED_TRACE(sample.file);
        const std::optional<AppleDouble> file = AppleDouble::parse(fileBytes(dir, sample.file));
        ASSERT_TRUE(file);
        EXPECT_EQ(file->finderInfo().fileType(), sample.type);
        EXPECT_EQ(file->finderInfo().creator(), sample.creator);
        EXPECT_EQ(file->attributes().size(), sample.attributes);
        EXPECT_EQ(file->otherEntries().size(), sample.otherEntries);
        EXPECT_EQ(file->resourceFork() ? file->resourceFork()->size() : -1, sample.forkSize);
        // Rewritten in the kernel's layout, everything reads back the same.
        EXPECT_EQ(AppleDouble::parse(file->toBytes()), file);
    }
    EXPECT_FALSE(AppleDouble::parse(fileBytes(dir, "._not_adf")));
}

TEST(AppleDouble, AttributesAndForeignEntriesKeepTheirBytes)
{
    CORVANE_REQUIRE_CORPUS(dir, "macfiles/appledouble");
    const std::optional<AppleDouble> acl = AppleDouble::parse(fileBytes(dir, "._file3"));
    ASSERT_TRUE(acl);
    EXPECT_EQ(acl->attributes().front().name, "com.apple.acl.text");
    EXPECT_EQ(acl->attributes().front().value.size(), 135);
    const std::optional<AppleDouble> quarantine = AppleDouble::parse(fileBytes(dir, "._apple_double_dir_test"));
    ASSERT_TRUE(quarantine);
    EXPECT_EQ(quarantine->attributes().front().value, QByteArray("q/0083;00000000;;", 18));
    const std::optional<AppleDouble> foreign = AppleDouble::parse(fileBytes(dir, "alt-ext2.rsrc"));
    ASSERT_TRUE(foreign);
    EXPECT_EQ(foreign->otherEntries().front().id, 3u);
    EXPECT_EQ(foreign->otherEntries().front().data, "alt-ext2");
    EXPECT_EQ(foreign->otherEntries().back().id, 1u); // the empty data-fork entry
}

TEST(AppleDouble, LaysOutAForkAndAttributesAsTheKernelDoes)
{
    AppleDouble file;
    platform::FinderInfo info;
    info.setFileType(fourCharCode("TEXT"));
    file.setFinderInfo(info);
    file.setAttributes({{"com.apple.acl.text", "!#acl 1\n", 0}});
    file.setResourceFork(QByteArray(5000, 'r'));
    const QByteArray bytes = file.toBytes();
    using namespace platform::bigendian;
    EXPECT_EQ(at<quint16>(bytes, 24), 2);
    EXPECT_EQ(at<quint32>(bytes, 26), 9u);
    EXPECT_EQ(at<quint32>(bytes, 30), 0x32u);
    EXPECT_EQ(at<quint32>(bytes, 38), 2u); // the fork is the last entry...
    EXPECT_EQ(at<quint32>(bytes, 42), 4096u - 286u); // ...at the kernel's place
    EXPECT_EQ(at<quint32>(bytes, 34), 4096u - 286u - 0x32u);
    EXPECT_EQ(bytes.mid(0x54, 4), "ATTR");
    EXPECT_EQ(at<quint32>(bytes, 0x60), 0x78u + 32u); // data_start after one 32-byte entry
    EXPECT_EQ(bytes.size(), 4096 - 286 + 5000);
    EXPECT_EQ(AppleDouble::parse(bytes), file);
}
