#include "CorvaneServiceHelper.h"

#include "ServiceTestSupport.h"
#include "TestSupport.h"

#include "platform/core/Log.h"
#include "platform/system/SearchPaths.h"
#include "platform/plist/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace corvane::test;

namespace {

const QString Locate = QStringLiteral("Unable to locate Velora Corvane service application.");
const QString GiveUp = QStringLiteral("Unable to quit the Velora Corvane service within maximum wait time.");

// The user's and the computer's Library folders of the sandbox, a log reader, and
// the services started by a test, ended whatever its outcome.
class CorvaneServiceHelperTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(ServiceGuard::noForeignService()); }
    void TearDown() override
    {
        CorvaneServiceHelper::setSleepFunction({});
        platform::UserDefaults::standardUserDefaults().removePersistentDomainForName(ServiceBundleIdentifier);
        for (const QString &folder : {userLibrary(), localLibrary(), QDir::homePath() + QStringLiteral("/Applications"),
                                      qEnvironmentVariable("XDG_DATA_DIRS").split(u':').first()})
            QDir(folder).removeRecursively();
    }

    static QString userLibrary() { return qEnvironmentVariable("XDG_DATA_HOME"); }
    static QString localLibrary() { return sandboxDir() + QStringLiteral("/local/usr/local/share"); }

    QStringList logged() const { return m_logged; }

    static bool makeFolder(const QString &path) { return QDir().mkpath(path); }
    static bool storePath(const QString &path)
    {
        return platform::UserDefaults::standardUserDefaults().setPersistentDomain(
            {{CVApplicationPath, path}, {QStringLiteral("CVSortOrder"), 1}}, ServiceBundleIdentifier);
    }

    ServiceGuard guard;
    const platform::ScopedLocalDomainRoot localRoot{sandboxDir() + QStringLiteral("/local")};

private:
    QStringList m_logged;
    const platform::ScopedLogSink m_sink{[this](const platform::LogRecord &r) { m_logged.append(r.message); }};
};

} // namespace

TEST_F(CorvaneServiceHelperTest, FindsTheApplicationInItsFivePlacesInOrder)
{
    EXPECT_FALSE(CorvaneServiceHelper::serviceApplicationPath());
    EXPECT_EQ(logged(), QStringList{Locate});

    // 5: the desktop entry whose file ID is the bundle identifier.
    const QString byIdentifier = qEnvironmentVariable("XDG_DATA_DIRS").split(u':').first()
                                 + QStringLiteral("/applications/com.velora.Corvane.desktop");
    ASSERT_TRUE(makeFolder(QFileInfo(byIdentifier).path()));
    ASSERT_TRUE(QFile(byIdentifier).open(QIODevice::WriteOnly));
    EXPECT_EQ(CorvaneServiceHelper::serviceApplicationPath(), byIdentifier);
    // 4: the application named Corvane.
    const QString byName = QDir::homePath() + QStringLiteral("/Applications/Corvane.desktop");
    ASSERT_TRUE(makeFolder(QFileInfo(byName).path()));
    ASSERT_TRUE(QFile(byName).open(QIODevice::WriteOnly));
    EXPECT_EQ(CorvaneServiceHelper::serviceApplicationPath(), byName);
    // 3, then 2: the computer's Services folder, then the user's, which wins.
    const QString local = localLibrary() + QStringLiteral("/Services/Corvane.app");
    ASSERT_TRUE(makeFolder(local));
    EXPECT_EQ(CorvaneServiceHelper::serviceApplicationPath(), local);
    const QString user = userLibrary() + QStringLiteral("/Services/Corvane.app");
    ASSERT_TRUE(makeFolder(user));
    EXPECT_EQ(CorvaneServiceHelper::serviceApplicationPath(), user);
    // 1: a stored path counts only when it is a string naming something that exists.
    ASSERT_TRUE(platform::UserDefaults::standardUserDefaults().setPersistentDomain({{CVApplicationPath, 42}},
                                                                                   ServiceBundleIdentifier));
    EXPECT_EQ(CorvaneServiceHelper::serviceApplicationPath(), user);
    const QString stored = sandboxDir() + QStringLiteral("/elsewhere/Corvane.app");
    ASSERT_TRUE(storePath(stored));
    EXPECT_EQ(CorvaneServiceHelper::serviceApplicationPath(), user);
    ASSERT_TRUE(makeFolder(stored));
    EXPECT_EQ(CorvaneServiceHelper::serviceApplicationPath(), stored);
    EXPECT_EQ(logged(), QStringList{Locate}) << "logged although found";
}

TEST_F(CorvaneServiceHelperTest, WaitGivesUpAfterTwentyOneSecondPollsWithItsLogLine)
{
    const ServiceJournalReader journal;
    ASSERT_GT(guard.start({QStringLiteral("--ignore-terminate")}), 0);
    CorvaneServiceHelper::quitService();
    ASSERT_TRUE(journal.waitFor(QStringLiteral("ignored terminateApp")));

    std::vector<std::chrono::seconds> sleeps;
    CorvaneServiceHelper::setSleepFunction([&](std::chrono::seconds duration) { sleeps.push_back(duration); });
    EXPECT_FALSE(CorvaneServiceHelper::waitForServiceToQuit());
    EXPECT_EQ(sleeps, std::vector<std::chrono::seconds>(20, std::chrono::seconds(1)));
    EXPECT_EQ(logged(), QStringList{GiveUp});
    EXPECT_TRUE(CorvaneServiceHelper::isServiceRunning());
}

TEST_F(CorvaneServiceHelperTest, StoppingWithoutBlockingTellsFromTheEventLoopAndNeverADestroyedCaller)
{
    std::vector<bool> told;
    const auto record = [&](bool quit) { told.push_back(quit); };
    QObject caller;
    CorvaneServiceHelper::beginStoppingService(&caller, record); // none runs
    ASSERT_TRUE(QTest::qWaitFor([&] { return !told.empty(); }));
    EXPECT_EQ(told, std::vector<bool>{true});

    // A running service that quits is the switch's end-to-end test; a caller
    // that goes while the service quits hears nothing.
    told.clear();
    const pid_t pid = guard.start();
    ASSERT_GT(pid, 0);
    auto gone = std::make_unique<QObject>();
    CorvaneServiceHelper::beginStoppingService(gone.get(), record);
    gone.reset();
    ASSERT_TRUE(ServiceGuard::waitUntilGone(pid));
    QCoreApplication::processEvents();
    EXPECT_TRUE(told.empty());
}
