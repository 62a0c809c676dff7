#include "platform/system/DesktopEntry.h"

#include <gtest/gtest.h>

using platform::DesktopEntry;

TEST(DesktopEntry, ValuesRoundTripThroughTheFileText)
{
    const QString tricky = QStringLiteral(" lead\\ing \"q\" 100% tab\there\nnew line é trail ");
    DesktopEntry entry;
    entry.setValue(QStringLiteral("Name"), tricky);
    entry.setBoolean(QStringLiteral("Hidden"), true);
    const QByteArray text = entry.toByteArray();
    EXPECT_EQ(text.count('\n'), 3) << text.constData(); // header and two lines: nothing spilled

    const auto read = DesktopEntry::parse(text);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->value(QStringLiteral("Name")), tricky);
    EXPECT_TRUE(read->boolean(QStringLiteral("Hidden")));
}

TEST(DesktopEntry, ExecQuotingSplitsBackToTheSameArguments)
{
    const QStringList arguments{QStringLiteral("/opt/My \"Apps\"/50% $HOME `x` \\ é/Run"), QStringLiteral("plain")};
    QString exec;
    for (const QString &argument : arguments)
        exec += (exec.isEmpty() ? QString() : QStringLiteral(" ")) + DesktopEntry::quoteExecArgument(argument);
    EXPECT_EQ(DesktopEntry::splitExec(exec), arguments);

    // Through the file text too: the value escaping comes on top of the quoting.
    DesktopEntry entry;
    entry.setValue(QStringLiteral("Exec"), exec);
    EXPECT_EQ(DesktopEntry::splitExec(DesktopEntry::parse(entry.toByteArray())->value(QStringLiteral("Exec"))),
              arguments);

    EXPECT_EQ(DesktopEntry::splitExec(QStringLiteral("app %U --x=%%1")),
              (QStringList{QStringLiteral("app"), QStringLiteral("--x=%1")}));
    EXPECT_FALSE(DesktopEntry::splitExec(QStringLiteral("\"unclosed")));
}
