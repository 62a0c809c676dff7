#include "platform/files/AliasRecord.h"

#include "platform/files/BigEndian_p.h"
#include "platform/files/ResourceMap.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using platform::AliasRecord;
using platform::fourCharCode;
using corvane::test::fileBytes;

namespace {

QList<quint32> ids(const QByteArray &value)
{
    QList<quint32> out;
    for (qsizetype i = 0; i + 4 <= value.size(); i += 4)
        out.append(platform::bigendian::at<quint32>(value, i));
    return out;
}

} // namespace

TEST(AliasRecord, AClassicFinderRecordReadsAsItsIndexDescribes)
{
    CORVANE_REQUIRE_CORPUS(dir, "macfiles/alias");
    const QByteArray bytes = fileBytes(dir, "AppAlias.rsrc.dat");
    const std::optional<AliasRecord> r = AliasRecord::parse(bytes);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->version, 2);
    EXPECT_EQ(r->kind, 0);
    EXPECT_EQ(r->volumeName, "Boot");
    EXPECT_EQ(r->volumeCreationDate, 0xCC851027u);
    EXPECT_EQ(r->fileSystemType, "BD");
    EXPECT_EQ(r->parentDirectoryId, 0x21Eu);
    EXPECT_EQ(r->targetName, "app");
    EXPECT_EQ(r->targetId, 0x21Fu);
    EXPECT_EQ(r->targetCreationDate, 0xC2A5E616u);
    EXPECT_EQ(r->fileType, fourCharCode("APPL"));
    EXPECT_EQ(r->creator, fourCharCode("AQt7"));
    EXPECT_EQ(r->levelsFrom, 1);
    EXPECT_EQ(r->levelsTo, 1);
    EXPECT_EQ(r->field(AliasRecord::ParentName), "B");
    EXPECT_EQ(ids(*r->field(AliasRecord::DirectoryIds)), (QList<quint32>{0x21E, 0x21D, 0x1E4}));
    EXPECT_EQ(r->field(AliasRecord::HfsPathTag), "Boot:AutQuit7:A:B:app");
    EXPECT_EQ(r->toBytes(), bytes);
}

TEST(AliasRecord, AVersionThreeRecordReadsAsItsIndexDescribes)
{
    CORVANE_REQUIRE_CORPUS(dir, "macfiles/alias");
    const QByteArray bytes = fileBytes(dir, "com.apple.loginitems.plist.alias_data");
    const std::optional<AliasRecord> r = AliasRecord::parse(bytes);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->version, 3);
    EXPECT_EQ(r->kind, 1);
    EXPECT_EQ(r->volumeCreationDate, 0x0000CE18710E0000ull);
    EXPECT_EQ(r->fileSystemType, QByteArray("H+\0\0", 4));
    EXPECT_EQ(r->parentDirectoryId, 0x26EAEu);
    EXPECT_EQ(r->targetId, 0x26EB1u);
    EXPECT_EQ(r->volumeAttributes, 0x920u);
    EXPECT_EQ(r->levelsFrom, -1);
    EXPECT_EQ(r->levelsTo, -1);
    EXPECT_EQ(ids(*r->field(AliasRecord::DirectoryIds)), (QList<quint32>{0x26EAE, 0x11827, 0x11826, 0x8D}));
    EXPECT_EQ(r->unicodeField(AliasRecord::UnicodeName), QStringLiteral("iTunesHelper.app"));
    EXPECT_EQ(r->unicodeField(AliasRecord::UnicodeVolumeName), QStringLiteral("Macintosh HD"));
    EXPECT_EQ(r->field(AliasRecord::PosixPath), "Applications/iTunes.app/Contents/MacOS/iTunesHelper.app");
    EXPECT_EQ(r->field(AliasRecord::PosixMountPoint), "/");
    EXPECT_EQ(r->toBytes(), bytes);
}

TEST(AliasRecord, BytesAfterTheRecordsOwnSizeAreKept)
{
    CORVANE_REQUIRE_CORPUS(dir, "macfiles/rsrc");
    const auto fork = platform::ResourceMap::parse(fileBytes(dir, "MultipleResource.rsrcfork.dat"));
    ASSERT_TRUE(fork);
    for (const auto &resource : fork->resources()) {
        SCOPED_TRACE(resource->id);
        const std::optional<AliasRecord> r = AliasRecord::parse(resource->data);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->kind, 1);
        EXPECT_EQ(r->targetName, "AutQuit7");
        EXPECT_EQ(r->levelsFrom, 2);
        EXPECT_EQ(r->levelsTo, 1);
        EXPECT_EQ(r->field(AliasRecord::HfsPathTag), "Boot:AutQuit7");
        EXPECT_EQ(r->trailing.size(), resource->id == 7 ? 1 : 0);
        EXPECT_EQ(r->toBytes(), resource->data);
    }
}
