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

TEST(DesktopEntry, OnlyBlanksAroundTheEqualsSignAreIgnored)
{
    // Other white space has no escape, so the reader must leave it in the value.
    for (const QString &name : {QStringLiteral("\u00A0Nbsp\u00A0"), QStringLiteral("\u2003Em space\u3000"),
                                QStringLiteral("\vTabs\f")}) {
        DesktopEntry entry;
        entry.setValue(QStringLiteral("Name"), name);
        const auto read = DesktopEntry::parse(entry.toByteArray());
        ASSERT_TRUE(read);
        EXPECT_EQ(read->value(QStringLiteral("Name")), name);
    }
    const auto spaced = DesktopEntry::parse("[Desktop Entry]\r\n  Name \t= \tA b\t \r\n");
    ASSERT_TRUE(spaced);
    EXPECT_EQ(spaced->value(QStringLiteral("Name")), QStringLiteral("A b"));
}

TEST(DesktopEntry, ParseKeepsOnlyTheDesktopEntryGroup)
{
    const auto entry = DesktopEntry::parse("# comment\n[Desktop Entry]\nName=A\nName=B\nbroken line\n"
                                           "[Desktop Action x]\nExec=other\n");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->value(QStringLiteral("Name")), QStringLiteral("A"));
    EXPECT_FALSE(entry->contains(QStringLiteral("Exec")));
    EXPECT_FALSE(DesktopEntry::parse("[Other]\nName=A\n"));
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
