#include "VLLoginItemHelper.h"

#include "platform/system/AutostartFolders.h"
#include "platform/system/DesktopEntry.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using platform::DesktopEntry;
namespace Autostart = platform::AutostartFolders;

namespace {

class LoginItems : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(apps.isValid());
        ASSERT_TRUE(QDir().mkpath(systemFolder()));
    }
    void TearDown() override
    {
        QDir(Autostart::userFolder()).removeRecursively();
        QDir(systemFolder()).removeRecursively();
    }

    static QString systemFolder() { return Autostart::systemFolders().value(0); }

    /// Makes an app folder "<name>.app" with its executable and returns its path.
    QString makeApp(const QString &name)
    {
        const QString folder = apps.path() + QLatin1Char('/') + name + QStringLiteral(".app");
        EXPECT_TRUE(QDir().mkpath(folder));
        QFile executable(folder + QLatin1Char('/') + name);
        EXPECT_TRUE(executable.open(QIODevice::WriteOnly));
        executable.write("#!/bin/sh\n");
        executable.close();
        executable.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return folder;
    }

    static void expectValid(const QString &path)
    {
        QProcess validate;
        validate.start(QStringLiteral("desktop-file-validate"), {path});
        ASSERT_TRUE(validate.waitForFinished(30000));
        EXPECT_EQ(validate.exitCode(), 0) << validate.readAllStandardOutput().constData();
    }

    QTemporaryDir apps;
};

} // namespace

TEST_F(LoginItems, AwkwardNamesAndPathsAreAddedTestedAndRemovedAsValidEntries)
{
    EXPECT_FALSE(VLLoginItemHelper::isNameInLoginItem(QStringLiteral("Corvane"))); // no items at all
    bool hidden = false;
    for (const QString &name : {QStringLiteral("Corvane"), QStringLiteral("Say \"hi\""), QStringLiteral("50% off"),
                                QStringLiteral("Zoë back\\slash"), QStringLiteral("$HOME `x`"), QStringLiteral("two\nlines"),
                                QStringLiteral(".dotted")}) {
        SCOPED_TRACE(name.toStdString());
        const QString path = makeApp(name);
        ASSERT_TRUE(VLLoginItemHelper::addLoginItem(path, hidden));
        EXPECT_TRUE(VLLoginItemHelper::isNameInLoginItem(name));

        const QString file = Autostart::userFolder() + QLatin1Char('/') + name + QStringLiteral(".desktop");
        expectValid(file);
        const auto entry = DesktopEntry::read(file);
        ASSERT_TRUE(entry);
        EXPECT_EQ(entry->boolean(QStringLiteral("X-Velora-Hidden")), hidden);
        const auto arguments = DesktopEntry::splitExec(entry->value(QStringLiteral("Exec")));
        ASSERT_TRUE(arguments);
        EXPECT_EQ(*arguments, QStringList{path + QLatin1Char('/') + name}); // exactly that application

        EXPECT_TRUE(VLLoginItemHelper::removeLoginItem(name));
        EXPECT_FALSE(VLLoginItemHelper::isNameInLoginItem(name));
        EXPECT_FALSE(QFile::exists(file));
        EXPECT_FALSE(VLLoginItemHelper::removeLoginItem(name));
        hidden = !hidden;
    }
}

TEST_F(LoginItems, SystemEntryCountsAndIsRemovedByAUserOverride)
{
    DesktopEntry system;
    system.setValue(QStringLiteral("Type"), QStringLiteral("Application"));
    system.setValue(QStringLiteral("Name"), QStringLiteral("Helper"));
    system.setValue(QStringLiteral("Exec"), QStringLiteral("/usr/bin/true"));
    const QString systemFile = systemFolder() + QStringLiteral("/velora-helper.desktop");
    ASSERT_TRUE(system.write(systemFile));

    EXPECT_TRUE(VLLoginItemHelper::isNameInLoginItem(QStringLiteral("Helper")));
    EXPECT_TRUE(VLLoginItemHelper::removeLoginItem(QStringLiteral("Helper")));
    EXPECT_FALSE(VLLoginItemHelper::isNameInLoginItem(QStringLiteral("Helper")));
    EXPECT_TRUE(QFile::exists(systemFile)); // the system's file is never touched

    const QString override = Autostart::userFolder() + QStringLiteral("/velora-helper.desktop");
    const auto written = DesktopEntry::read(override);
    ASSERT_TRUE(written);
    EXPECT_TRUE(written->boolean(QStringLiteral("Hidden")));
    expectValid(override);
}
