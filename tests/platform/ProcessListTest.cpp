#include "platform/system/ProcessList.h"

#include "TestSupport.h"

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

    /// Ends a running child without reaping it: it stays a zombie until destroyed.
    void stop() const { ::kill(m_pid, SIGKILL); }

    /// Waits until the kernel shows the name (and, for a zombie, the state).
    bool waitUntil(const QByteArray &name, char state) const
    {
        return corvane::test::waitFor([&] {
            const QByteArray line = corvane::test::fileBytes(QStringLiteral("/proc/%1/stat").arg(m_pid));
            const qsizetype close = line.lastIndexOf(')');
            return line.contains('(' + name + ')') && close + 2 < line.size() && line[close + 2] == state;
        });
    }

private:
    pid_t m_pid = -1;
};

} // namespace

TEST(ProcessList, FindsRunningProcessesByExactNameOrCommandPrefixButNoZombie)
{
    EXPECT_FALSE(isProcessRunning(QStringLiteral("CvListTest")));
    NamedChild child("CvListTest", NamedChild::Kind::Running);
    NamedChild prefixed("CvPrefixSearch1", NamedChild::Kind::Running); // 15 bytes: all the kernel keeps
    NamedChild zombie("CvListZombie", NamedChild::Kind::Zombie);
    ASSERT_TRUE(child.waitUntil("CvListTest", 'S'));
    ASSERT_TRUE(prefixed.waitUntil("CvPrefixSearch1", 'S'));
    ASSERT_TRUE(zombie.waitUntil("CvListZombie", 'Z'));

    EXPECT_TRUE(isProcessRunning(QStringLiteral("CvListTest")));
    EXPECT_FALSE(isProcessRunning(QString()));
    for (const char *other : {"cvlisttest", "CvListTes", "CvListTest2", "CvListTest-longer-than-the-kernel-keeps",
                              "CvListZombie"})
        EXPECT_FALSE(isProcessRunning(QString::fromLatin1(other))) << other; // letter case counts too

    const auto exact = findProcessWithCommandPrefix(QStringLiteral("CvPrefixSearch1"));
    EXPECT_EQ(exact.status, ProcessSearchResult::Status::Found);
    EXPECT_EQ(findProcessWithCommandPrefix(QStringLiteral("CvPrefixSearch1-and-more")).pid, exact.pid);
    EXPECT_EQ(findProcessWithCommandPrefix(QStringLiteral("CvPrefixSea")).pid, exact.pid); // a prefix matches
    EXPECT_EQ(findProcessWithCommandPrefix(QString()).status, ProcessSearchResult::Status::NotFound);
    for (const char *other : {"cvprefixsearch1", "CvListZombie"})
        EXPECT_EQ(findProcessWithCommandPrefix(QString::fromLatin1(other)).status, ProcessSearchResult::Status::NotFound)
            << other;
    EXPECT_EQ(findProcessWithCommandPrefix(QStringLiteral("x"), QStringLiteral("/nonexistent")).status,
              ProcessSearchResult::Status::Unreadable);
}

TEST(ProcessList, AProcessFoundBeforeAnswersOnlyWhileItStillRuns)
{
    // The first is found by a walk and remembered; once it has ended the answer
    // must come from the process list again, which then holds a second one.
    NamedChild first("CvListAgain", NamedChild::Kind::Running);
    ASSERT_TRUE(first.waitUntil("CvListAgain", 'S'));
    EXPECT_TRUE(isProcessRunning(QStringLiteral("CvListAgain")));
    EXPECT_FALSE(isProcessRunning(QStringLiteral("CvListAgai"))) << "the remembered process answers its name only";

    first.stop();
    ASSERT_TRUE(first.waitUntil("CvListAgain", 'Z'));
    EXPECT_FALSE(isProcessRunning(QStringLiteral("CvListAgain")));
    NamedChild second("CvListAgain", NamedChild::Kind::Running);
    ASSERT_TRUE(second.waitUntil("CvListAgain", 'S'));
    EXPECT_TRUE(isProcessRunning(QStringLiteral("CvListAgain")));
}

TEST(ProcessList, OtherUsersProcessesDoNotCount)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "starting a process as another user needs root";
    NamedChild other("CvListOther", NamedChild::Kind::Running, 65534);
    ASSERT_TRUE(other.waitUntil("CvListOther", 'S'));
    EXPECT_FALSE(isProcessRunning(QStringLiteral("CvListOther")));
}
