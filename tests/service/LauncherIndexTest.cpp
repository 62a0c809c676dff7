#include "TestSupport.h"

#include "LauncherIndex.h"

#include <gtest/gtest.h>

namespace {

LauncherApplication app(const QString &name, const QString &genericName = {}, const QStringList &keywords = {},
                        const QString &executable = {})
{
    LauncherApplication a;
    a.id = name + QStringLiteral(".desktop");
    a.path = QStringLiteral("/apps/") + a.id;
    a.name = name;
    a.genericName = genericName;
    a.keywords = keywords;
    a.executable = executable;
    return a;
}

QStringList names(const QList<LauncherApplication> &apps)
{
    QStringList out;
    for (const LauncherApplication &a : apps)
        out << a.name;
    return out;
}

} // namespace

TEST(LauncherIndex, WordPrefixesRankAboveSubstringsAboveLettersInOrder)
{
    LauncherIndex index;
    index.setApplications({app(QStringLiteral("Refinery")), app(QStringLiteral("Fax Viewer")),
                           app(QStringLiteral("Web Browser"), {}, {}, QStringLiteral("firefox")),
                           app(QStringLiteral("Calculator")), app(QStringLiteral("Open Files"))});
    EXPECT_EQ(names(index.search(QStringLiteral("fi"))),
              (QStringList{QStringLiteral("Open Files"), QStringLiteral("Web Browser"), QStringLiteral("Refinery"),
                           QStringLiteral("Fax Viewer")}));
    EXPECT_EQ(names(index.search(QStringLiteral("fi"), 2)), (QStringList{QStringLiteral("Open Files"), QStringLiteral("Web Browser")}));
    EXPECT_TRUE(index.search(QStringLiteral("zz")).isEmpty());
}

TEST(LauncherIndex, MatchesIgnoreCaseAndAccentsInEveryField)
{
    LauncherIndex index;
    index.setApplications({app(QStringLiteral("Éditeur de Texte")), app(QStringLiteral("Gedit"), QStringLiteral("Text Editor")),
                           app(QStringLiteral("Mail"), {}, {QStringLiteral("Courriel"), QStringLiteral("e-mail")}),
                           app(QStringLiteral("Terminal"), {}, {}, QStringLiteral("xterm"))});
    EXPECT_EQ(names(index.search(QStringLiteral("EDIT"))), (QStringList{QStringLiteral("Éditeur de Texte"), QStringLiteral("Gedit")}));
    EXPECT_EQ(names(index.search(QStringLiteral("édi"))), names(index.search(QStringLiteral("edi"))));
    EXPECT_EQ(names(index.search(QStringLiteral("courr"))), QStringList{QStringLiteral("Mail")});
    EXPECT_EQ(names(index.search(QStringLiteral("XTERM"))), QStringList{QStringLiteral("Terminal")});
}

TEST(LauncherIndex, TiesFollowTheSortOrderAndExcludedApplicationsNeverShow)
{
    auto atlas = app(QStringLiteral("atlas"));
    auto banjo = app(QStringLiteral("Banjo"));
    auto cello = app(QStringLiteral("Cello"));
    auto drums = app(QStringLiteral("Drums"));
    const QDateTime now = QDateTime::currentDateTimeUtc();
    banjo.lastUsed = now.addSecs(-60);
    banjo.useCount = 2;
    cello.lastUsed = now;
    cello.useCount = 1;
    drums.useCount = 5;   // counted, but its time lost: it never ranks as recent
    drums.excluded = true;
    LauncherIndex index;
    index.setApplications({cello, drums, atlas, banjo});
    const QStringList byName{QStringLiteral("atlas"), QStringLiteral("Banjo"), QStringLiteral("Cello")};
    EXPECT_EQ(names(index.search({})), byName);
    index.setSortOrder(LauncherIndex::sortOrderFromPreference(QStringLiteral("1")));
    EXPECT_EQ(names(index.search({})), (QStringList{QStringLiteral("Cello"), QStringLiteral("Banjo"), QStringLiteral("atlas")}));
    index.setSortOrder(LauncherIndex::sortOrderFromPreference(QStringLiteral("2")));
    EXPECT_EQ(names(index.search({})), (QStringList{QStringLiteral("Banjo"), QStringLiteral("Cello"), QStringLiteral("atlas")}));
    // Ties only: a better match still comes first.
    EXPECT_EQ(names(index.search(QStringLiteral("a"))).first(), QStringLiteral("atlas"));
    index.setSortOrder(LauncherIndex::sortOrderFromPreference(QStringLiteral("7")));
    EXPECT_EQ(names(index.search({})), byName);
    EXPECT_TRUE(index.search(QStringLiteral("drums")).isEmpty());
}
