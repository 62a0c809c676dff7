#include "BundleExtensions.h"
#include "SystemFolders.h"
#include "TaskExtensions.h"

#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

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

TEST(TaskExtensions, FindsThisProcessByItsCommandName)
{
    QFile comm(QStringLiteral("/proc/self/comm"));
    ASSERT_TRUE(comm.open(QIODevice::ReadOnly));
    const QString name = QString::fromUtf8(comm.readAll().trimmed());
    const qint64 found = vl::processIdentifierOfTaskWithName(name);
    ASSERT_GT(found, 0);
    // Another process of the same name may come first in the table; it must still carry the name.
    QFile other(QStringLiteral("/proc/%1/comm").arg(found));
    ASSERT_TRUE(other.open(QIODevice::ReadOnly));
    EXPECT_TRUE(other.readAll().startsWith(name.toUtf8()));
    EXPECT_EQ(vl::processIdentifierOfTaskWithName(QStringLiteral("no-such-process-at-all")), -1);
    EXPECT_EQ(vl::processIdentifierOfTaskWithName(QString()), -1);
}

TEST(BundleExtensions, FrameworksResourcesAndName)
{
    QTemporaryDir tmp;
    const QString root = tmp.path() + QStringLiteral("/Host.app");
    ASSERT_TRUE(QDir().mkpath(root + QStringLiteral("/Frameworks/Kit.framework")));
    ASSERT_TRUE(QDir().mkpath(root + QStringLiteral("/Resources/Inner.bundle")));
    QFile info(root + QStringLiteral("/Resources/Info.plist"));
    ASSERT_TRUE(info.open(QIODevice::WriteOnly));
    info.write(R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict><key>CFBundleName</key><string>Host</string></dict></plist>)");
    info.close();

    const auto bundle = platform::Bundle::bundleWithPath(root);
    ASSERT_TRUE(bundle);
    EXPECT_EQ(vl::pathForFramework(*bundle, QStringLiteral("Kit")), bundle->bundlePath() + QStringLiteral("/Frameworks/Kit.framework"));
    ASSERT_TRUE(vl::bundleForFramework(*bundle, QStringLiteral("Kit")));
    EXPECT_FALSE(vl::bundleForFramework(*bundle, QStringLiteral("Missing")));
    const auto inner = vl::bundleForResource(*bundle, QStringLiteral("Inner"), QStringLiteral("bundle"));
    ASSERT_TRUE(inner);
    EXPECT_TRUE(inner->bundlePath().endsWith(QStringLiteral("/Resources/Inner.bundle")));
    EXPECT_FALSE(vl::bundleForResource(*bundle, QStringLiteral("Gone"), QStringLiteral("bundle")));
    EXPECT_EQ(vl::bundleName(*bundle), QStringLiteral("Host"));
    EXPECT_EQ(vl::bundleName(*inner), std::nullopt);
}
