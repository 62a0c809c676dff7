#include "platform/system/Workspace.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace platform;

namespace {

QString sandboxPath(const QString &relative)
{
    return corvane::test::sandboxDir() + u'/' + relative;
}

bool writeFile(const QString &path, const QByteArray &contents, bool executable = false)
{
    corvane::test::writeFile(path, contents);
    return !executable || QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
}

// A program that writes its parent's pid, its startup-notification variable and its
// arguments, one a line, to `report` once it has run.
QByteArray reportingScript(const QString &report)
{
    return QStringLiteral("#!/bin/sh\n"
                          "{ echo \"$PPID\"; echo \"${DESKTOP_STARTUP_ID-unset}\"; for a in \"$@\"; do echo \"$a\"; done; }"
                          " > '%1.tmp' && mv '%1.tmp' '%1'\n")
        .arg(report)
        .toUtf8();
}

QStringList waitForReport(const QString &report)
{
    if (!corvane::test::waitFor([&] { return QFile::exists(report); }))
        return {};
    return QString::fromUtf8(corvane::test::fileBytes(report)).split(u'\n', Qt::SkipEmptyParts);
}

class WorkspaceTest : public ::testing::Test
{
protected:
    void SetUp() override { qputenv("DESKTOP_STARTUP_ID", "pane-startup"); }
    void TearDown() override { qunsetenv("DESKTOP_STARTUP_ID"); }
};

} // namespace

TEST_F(WorkspaceTest, OpensAnAppFolderOrExecutableDetachedWithoutTakingTheStartupToken)
{
    const QString app = sandboxPath(QStringLiteral("apps/Demo.app"));
    ASSERT_TRUE(writeFile(app + QStringLiteral("/Demo"), reportingScript(sandboxPath(QStringLiteral("app-report"))), true));
    ASSERT_TRUE(writeFile(app + QStringLiteral("/Resources/Info.plist"), "<plist/>"));
    const QString program = sandboxPath(QStringLiteral("bin/tool"));
    ASSERT_TRUE(writeFile(program, reportingScript(sandboxPath(QStringLiteral("exe-report"))), true));

    for (const auto &[opened, report] : {std::pair{app, QStringLiteral("app-report")}, std::pair{program, QStringLiteral("exe-report")}}) {
        ASSERT_TRUE(Workspace::openFile(opened));
        const QStringList lines = waitForReport(sandboxPath(report));
        ASSERT_EQ(lines.size(), 2) << qPrintable(lines.join(u'|'));
        EXPECT_NE(lines[0].toLongLong(), qlonglong(::getpid())) << "the application is our child";
        EXPECT_EQ(lines[1], QStringLiteral("unset"));
    }
}

TEST_F(WorkspaceTest, OpensADesktopEntryWithItsQuotingAndNeverThroughAShell)
{
    const QString report = sandboxPath(QStringLiteral("entry-report"));
    const QString program = sandboxPath(QStringLiteral("bin/entry tool"));
    const QString shellMark = sandboxPath(QStringLiteral("shell-ran"));
    ASSERT_TRUE(writeFile(program, reportingScript(report), true));
    const QString entry = sandboxPath(QStringLiteral("entries/demo.desktop"));
    ASSERT_TRUE(writeFile(entry, QStringLiteral("[Desktop Entry]\n"
                                                "Type=Application\n"
                                                "Name=Demo\n"
                                                "Exec=\"%1\" \"two words\" $(touch\\s%2) %U 100%% \"a \\\\\"q\\\\\"\" %c \"\"\n"
                                                "[Desktop Action Other]\n"
                                                "Exec=/bin/false\n")
                                     .arg(program, shellMark)
                                     .toUtf8()));
    ASSERT_TRUE(Workspace::openFile(entry));
    const QStringList lines = waitForReport(report);
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines.mid(2), (QStringList{QStringLiteral("two words"), QStringLiteral("$(touch"), shellMark + u')',
                                         QStringLiteral("100%"), QStringLiteral("a \"q\"")}));
    EXPECT_FALSE(QFile::exists(shellMark));
}

TEST_F(WorkspaceTest, FindsApplicationsByNameInTheUsersThenTheXdgFolders)
{
    EXPECT_FALSE(Workspace::fullPathForApplication(QStringLiteral("Finder")));
    EXPECT_FALSE(Workspace::fullPathForApplication(QStringLiteral("../Finder")));

    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString entry = dataHome + QStringLiteral("/applications/Finder.desktop");
    ASSERT_TRUE(writeFile(entry, "[Desktop Entry]\nType=Application\nExec=/bin/true\n"));
    EXPECT_EQ(Workspace::fullPathForApplication(QStringLiteral("Finder")), entry);

    const QString systemApp = qEnvironmentVariable("XDG_DATA_DIRS").split(u':').first()
                              + QStringLiteral("/applications/Finder.app");
    ASSERT_TRUE(writeFile(systemApp + QStringLiteral("/Finder"), "#!/bin/sh\n", true));
    EXPECT_EQ(Workspace::fullPathForApplication(QStringLiteral("Finder")), entry) << "the user's entry comes first";

    const QString userApp = QDir::homePath() + QStringLiteral("/Applications/Finder.app");
    ASSERT_TRUE(QDir().mkpath(userApp));
    EXPECT_EQ(Workspace::fullPathForApplication(QStringLiteral("Finder")), entry) << "an app folder without executable";
    ASSERT_TRUE(writeFile(userApp + QStringLiteral("/Finder"), "#!/bin/sh\n", true));
    EXPECT_EQ(Workspace::fullPathForApplication(QStringLiteral("Finder")), userApp);
    EXPECT_EQ(Workspace::fullPathForApplication(QStringLiteral("Finder.app")), userApp);
}

TEST_F(WorkspaceTest, FindsADesktopEntryByItsFileId)
{
    EXPECT_FALSE(Workspace::absolutePathForAppBundleWithIdentifier(QStringLiteral("com.velora.Demo")));
    const QString entry = qEnvironmentVariable("XDG_DATA_DIRS").split(u':').first()
                          + QStringLiteral("/applications/com.velora.Demo.desktop");
    ASSERT_TRUE(writeFile(entry, "[Desktop Entry]\nType=Application\nExec=/bin/true\n"));
    EXPECT_EQ(Workspace::absolutePathForAppBundleWithIdentifier(QStringLiteral("com.velora.Demo")), entry);
    EXPECT_FALSE(Workspace::absolutePathForAppBundleWithIdentifier(QStringLiteral("com.velora")));
    EXPECT_FALSE(Workspace::absolutePathForAppBundleWithIdentifier(QStringLiteral("a/com.velora.Demo")));
}
