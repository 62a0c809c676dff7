#include "platform/system/ProcessList.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace platform;

namespace {

// A real child process with the command name `name` that pauses until killed, or
// (as a zombie) ends at once and is not reaped. An optional user to run as.
class NamedChild
{
public:
    enum class Kind { Running, Zombie };

    NamedChild(const char *name, Kind kind, uid_t user = uid_t(-1))
    {
        m_pid = ::fork();
        if (m_pid == 0) {
            if (user != uid_t(-1) && ::setuid(user) != 0)
                ::_exit(2);
            ::prctl(PR_SET_NAME, name);
            if (kind == Kind::Running)
                ::pause();
            ::_exit(0);
        }
    }
    ~NamedChild()
    {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    NamedChild(const NamedChild &) = delete;
    NamedChild &operator=(const NamedChild &) = delete;

    /// Waits until the kernel shows the name (and, for a zombie, the state).
    bool waitUntil(const QByteArray &name, char state) const
    {
        return QTest::qWaitFor(
            [&] {
                QFile stat(QStringLiteral("/proc/%1/stat").arg(m_pid));
                if (!stat.open(QIODevice::ReadOnly))
                    return false;
                const QByteArray line = stat.readAll();
                const qsizetype close = line.lastIndexOf(')');
                return line.contains('(' + name + ')') && close + 2 < line.size() && line[close + 2] == state;
            },
            10000);
    }

private:
    pid_t m_pid = -1;
};

bool writeFile(const QString &path, const QByteArray &contents)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

} // namespace

TEST(ProcessList, MatchesARunningProcessByItsExactNameAndNoZombie)
{
    EXPECT_FALSE(isProcessRunning(QStringLiteral("CvListTest")));
    NamedChild child("CvListTest", NamedChild::Kind::Running);
    ASSERT_TRUE(child.waitUntil("CvListTest", 'S'));
    EXPECT_TRUE(isProcessRunning(QStringLiteral("CvListTest")));
    EXPECT_FALSE(isProcessRunning(QStringLiteral("cvlisttest"))) << "letter case must count";
    EXPECT_FALSE(isProcessRunning(QStringLiteral("CvListTes")));
    EXPECT_FALSE(isProcessRunning(QStringLiteral("CvListTest2")));
    EXPECT_FALSE(isProcessRunning(QString()));
    EXPECT_FALSE(isProcessRunning(QStringLiteral("CvListTest-longer-than-the-kernel-keeps")));

    NamedChild zombie("CvListZombie", NamedChild::Kind::Zombie);
    ASSERT_TRUE(zombie.waitUntil("CvListZombie", 'Z'));
    EXPECT_FALSE(isProcessRunning(QStringLiteral("CvListZombie")));
}

TEST(ProcessList, OtherUsersProcessesDoNotCount)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "starting a process as another user needs root";
    NamedChild other("CvListOther", NamedChild::Kind::Running, 65534);
    ASSERT_TRUE(other.waitUntil("CvListOther", 'S'));
    EXPECT_FALSE(isProcessRunning(QStringLiteral("CvListOther")));
}

TEST(ProcessList, SkipsUnreadableEntriesAndGoesOn)
{
    const QString proc = corvane::test::sandboxDir() + QStringLiteral("/proc");
    // 10: its files are folders, so they cannot be read; 20: a zombie Corvane;
    // 30: a command name with a parenthesis and a space; 40: the running Corvane.
    for (const char *folder : {"/10/comm", "/10/stat", "/self"})
        ASSERT_TRUE(QDir().mkpath(proc + QLatin1String(folder)));
    for (const auto &[file, contents] : {std::pair{"/20/comm", "Corvane\n"}, {"/20/stat", "20 (Corvane) Z 1 20 20 0"},
                                         {"/30/comm", "a) Z (b\n"}, {"/30/stat", "30 (a) Z (b) S 1 30 30 0"},
                                         {"/35/comm", "Truncated\n"}, {"/35/stat", "35 (Truncated"}})
        ASSERT_TRUE(writeFile(proc + QLatin1String(file), contents));
    EXPECT_FALSE(isProcessRunning(QStringLiteral("Corvane"), proc));
    EXPECT_TRUE(isProcessRunning(QStringLiteral("a) Z (b"), proc));
    EXPECT_FALSE(isProcessRunning(QStringLiteral("Truncated"), proc));

    ASSERT_TRUE(writeFile(proc + QStringLiteral("/40/comm"), "Corvane\n"));
    ASSERT_TRUE(writeFile(proc + QStringLiteral("/40/stat"), "40 (Corvane) S 1 40 40 0"));
    EXPECT_TRUE(isProcessRunning(QStringLiteral("Corvane"), proc));
    EXPECT_FALSE(isProcessRunning(QStringLiteral("Corvane"), proc + QStringLiteral("/missing")));
}

TEST(ProcessList, CommandPrefixSearchComparesWhatTheKernelKeeps)
{
    NamedChild child("CvPrefixSearch1", NamedChild::Kind::Running); // 15 bytes: all the kernel keeps
    ASSERT_TRUE(child.waitUntil("CvPrefixSearch1", 'S'));
    const auto exact = findProcessWithCommandPrefix(QStringLiteral("CvPrefixSearch1"));
    EXPECT_EQ(exact.status, ProcessSearchResult::Status::Found);
    EXPECT_EQ(findProcessWithCommandPrefix(QStringLiteral("CvPrefixSearch1-and-more")).pid, exact.pid);
    EXPECT_EQ(findProcessWithCommandPrefix(QStringLiteral("CvPrefixSea")).pid, exact.pid); // a prefix matches
    EXPECT_EQ(findProcessWithCommandPrefix(QStringLiteral("cvprefixsearch1")).status, ProcessSearchResult::Status::NotFound);
    EXPECT_EQ(findProcessWithCommandPrefix(QString()).status, ProcessSearchResult::Status::NotFound);
    EXPECT_EQ(findProcessWithCommandPrefix(QStringLiteral("x"), QStringLiteral("/nonexistent")).status,
              ProcessSearchResult::Status::Unreadable);

    NamedChild zombie("CvPrefixZombie", NamedChild::Kind::Zombie);
    ASSERT_TRUE(zombie.waitUntil("CvPrefixZombie", 'Z'));
    EXPECT_EQ(findProcessWithCommandPrefix(QStringLiteral("CvPrefixZombie")).status, ProcessSearchResult::Status::NotFound);
}
