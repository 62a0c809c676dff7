#include "platform/core/Log.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace platform;

TEST(Log, LineCarriesDateProcessNameAndPid)
{
    std::vector<LogRecord> records;
    {
        ScopedLogSink sink([&](const LogRecord &r) { records.push_back(r); });
        log(QStringLiteral("Unable to locate Velora Corvane service application."));
    }
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].message, QStringLiteral("Unable to locate Velora Corvane service application."));
    const QRegularExpression shape(QStringLiteral(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} (.+)\[(\d+)\] (.*)$)"));
    const auto m = shape.match(records[0].line);
    ASSERT_TRUE(m.hasMatch()) << qPrintable(records[0].line);
    EXPECT_EQ(m.captured(1), QCoreApplication::applicationName());
    EXPECT_EQ(m.captured(2).toLongLong(), ::getpid());
    EXPECT_EQ(m.captured(3), records[0].message);
}

TEST(Log, AClosedStandardErrorCostsTheLineNotTheProcess)
{
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ::close(fds[0]);   // no reader at all when the child writes
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGPIPE, SIG_DFL);
        ::dup2(fds[1], STDERR_FILENO);
        ::close(fds[1]);
        log(QStringLiteral("nobody reads this"));
        ::_exit(0);
    }
    ::close(fds[1]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
}
