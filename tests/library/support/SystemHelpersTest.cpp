#include "BundleExtensions.h"
#include "SystemFolders.h"
#include "TaskExtensions.h"

#include "TestSupport.h"

#include <QDir>

#include <gtest/gtest.h>

#include <unistd.h>

TEST(SystemFolders, ApplicationSupportOfTheUserIsTheDataHomeAndNeverCreated)
{
    const QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    EXPECT_EQ(vl::findSystemFolderType(vl::fourCharCode("asup"), vl::UserDomain), QDir::cleanPath(dataHome));
    EXPECT_EQ(vl::findSystemFolderType(vl::fourCharCode("pref"), vl::UserDomain),
              QDir::cleanPath(qEnvironmentVariable("XDG_CONFIG_HOME")));
    EXPECT_EQ(vl::findSystemFolderType(vl::fourCharCode("zzzz"), vl::UserDomain), std::nullopt);
    EXPECT_EQ(vl::findSystemFolderType(vl::fourCharCode("asup"), 42), std::nullopt);

    EXPECT_EQ(vl::findSystemFolderType(vl::fourCharCode("apps"), vl::UserDomain), std::nullopt); // ~/Applications absent
    EXPECT_FALSE(QFileInfo::exists(QDir::homePath() + QStringLiteral("/Applications")));
    ASSERT_TRUE(QDir().mkpath(QDir::homePath() + QStringLiteral("/Applications")));
    EXPECT_EQ(vl::findSystemFolderType(vl::fourCharCode("apps"), vl::UserDomain),
              QDir::homePath() + QStringLiteral("/Applications"));
}
