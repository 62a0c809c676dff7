#include "platform/system/DesktopEntry.h"
#include "platform/system/DesktopEntryExec.h"

#include <gtest/gtest.h>

using platform::DesktopEntry;
using platform::DesktopEntryExec;

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

TEST(DesktopEntry, LocalizedValuesFallBackInTheSpecifiedOrder)
{
    const auto entry = DesktopEntry::parse("[Desktop Entry]\nName=Mail\nName[sr]=Pošta\nName[sr@latin]=Posta\n"
                                           "Name[sr_YU]=Poshta\nKeywords=mail;e\\;mail;\nOnlyShowIn=KDE;GNOME;\n");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->localizedValue(QStringLiteral("Name"), QStringLiteral("sr_YU.UTF-8@latin")), QStringLiteral("Poshta"));
    EXPECT_EQ(entry->localizedValue(QStringLiteral("Name"), QStringLiteral("sr_CS@latin")), QStringLiteral("Posta"));
    EXPECT_EQ(entry->localizedValue(QStringLiteral("Name"), QStringLiteral("sr_CS")), QStringLiteral("Pošta"));
    EXPECT_EQ(entry->localizedValue(QStringLiteral("Name"), QStringLiteral("C")), QStringLiteral("Mail"));
    EXPECT_EQ(entry->stringList(QStringLiteral("Keywords")), (QStringList{QStringLiteral("mail"), QStringLiteral("e;mail")}));
    EXPECT_TRUE(entry->isShownIn({QStringLiteral("ubuntu"), QStringLiteral("GNOME")}));
    EXPECT_FALSE(entry->isShownIn({QStringLiteral("XFCE")}));
    EXPECT_FALSE(entry->isShownIn({}));
}

TEST(DesktopEntryExec, TheProgramNeverComesFromAFieldCode)
{
    // It would run whatever file the application was opened with.
    EXPECT_FALSE(DesktopEntryExec::parse(QStringLiteral("%f --x")));
    EXPECT_FALSE(DesktopEntryExec::parse(QStringLiteral("pre%u")));
    // Inside quotes a field code is text; "%%" is a percent sign anywhere.
    const auto quoted = DesktopEntryExec::parse(QStringLiteral("\"%%f\" \"a %u\" %%U %f"));
    ASSERT_TRUE(quoted);
    EXPECT_EQ(quoted->commandLines({QUrl::fromLocalFile(QStringLiteral("/x"))}, {}),
              (QList<QStringList>{{QStringLiteral("%f"), QStringLiteral("a %u"), QStringLiteral("%U"), QStringLiteral("/x")}}));
}
