#include "platform/core/Log.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <gtest/gtest.h>

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
