#include "StringCarbonUtilities.h"
#include "URLCarbonUtilities.h"
#include "URLExtensions.h"

#include "platform/files/CompanionFile.h"

#include <QFile>

#include "TestSupport.h"

#include <gtest/gtest.h>

using platform::fourCharCode;

using Folder = corvane::test::TemporaryFolder;
using corvane::test::writeFile;

namespace {

quint16 flagsOf(const QString &path)
{
    quint16 flags = 0;
    EXPECT_TRUE(vl::finderInfoFlags(path, &flags, nullptr, nullptr));
    return flags;
}

} // namespace

TEST(CarbonUtilities, ReferencesAndSpecificationsLeadBackToTheItem)
{
    Folder tmp;
    const QString file = writeFile(tmp / "item.txt");
    platform::FileReference reference;
    ASSERT_TRUE(vl::getFSRef(file, &reference));
    EXPECT_EQ(vl::stringWithFSRef(reference), file);
    EXPECT_EQ(vl::URLWithFSRef(reference), QUrl::fromLocalFile(file));
    EXPECT_EQ(vl::fileURLWithFSRef(reference), QUrl::fromLocalFile(file));
    platform::FileReference folder;
    ASSERT_TRUE(vl::getFSRef(QUrl::fromLocalFile(tmp.path), &folder));
    EXPECT_EQ(vl::URLWithFSRef(folder), QUrl::fromLocalFile(tmp.path + u'/')); // a folder URL

    platform::HfsLocation specification;
    ASSERT_TRUE(vl::getFSSpec(file, &specification));
    EXPECT_EQ(specification.name(), "item.txt");
    EXPECT_EQ(vl::fileURLWithFSSpec(specification), QUrl::fromLocalFile(file));
    ASSERT_TRUE(QFile::rename(file, tmp / "renamed.txt"));
    EXPECT_EQ(vl::fileURLWithFSSpec(specification), std::nullopt); // the name it holds is gone
    EXPECT_EQ(vl::fileURLWithFSRef(platform::FileReference()), QUrl());
}

TEST(CarbonUtilities, FlagsFollowTheMaskAndClearHasBeenInited)
{
    Folder tmp;
    const QString file = writeFile(tmp / "flags");
    const QUrl url = QUrl::fromLocalFile(file);
    quint16 flags = 1;
    platform::OSType type = 1;
    platform::OSType creator = 1;
    ASSERT_TRUE(vl::finderInfoFlags(url, &flags, &type, &creator)); // no companion: all zero
    EXPECT_EQ(flags, 0);
    EXPECT_EQ(type, 0u);
    EXPECT_EQ(creator, 0u);

    // 0x0500 written whole first (the mask 0xFFFF), so only 0x0100 goes.
    ASSERT_TRUE(vl::setFinderInfoFlags(url, 0x0500, 0xFFFF, fourCharCode("TEXT"), fourCharCode("ttxt")));
    EXPECT_EQ(flagsOf(file), 0x0400);
    platform::AppleDouble companion = *platform::CompanionFile::read(file);
    platform::FinderInfo info = companion.finderInfo();
    info.setFinderFlags(0x0500); // as another writer left it
    companion.setFinderInfo(info);
    ASSERT_TRUE(platform::CompanionFile::write(file, companion));
    ASSERT_TRUE(vl::setFinderInfoFlags(url, 0x8000, 0x8400, fourCharCode("APPL"), fourCharCode("ABCD")));
    ASSERT_TRUE(vl::finderInfoFlags(file, &flags, &type, &creator));
    EXPECT_EQ(flags, 0x8000);
    EXPECT_EQ(type, fourCharCode("APPL"));
    EXPECT_EQ(creator, fourCharCode("ABCD"));
    // The bytes as the format places them: type, creator, flags from 0x32.
    const QByteArray bytes = corvane::test::fileBytes(tmp / "._flags");
    EXPECT_EQ(bytes.mid(0x32, 10), QByteArray("APPLABCD\x80\x00", 10));
}
