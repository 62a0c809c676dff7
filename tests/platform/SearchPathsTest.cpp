#include "platform/system/SearchPaths.h"

#include <QDir>
#include <QScopeGuard>

#include <gtest/gtest.h>

using namespace platform;

namespace {

// Sets (or, for a null value, unsets) an environment variable until the returned guard goes.
[[nodiscard]] auto scopedEnvironment(const char *name, const QByteArray &value)
{
    const bool had = qEnvironmentVariableIsSet(name);
    const QByteArray previous = qgetenv(name);
    value.isNull() ? qunsetenv(name) : qputenv(name, value);
    return qScopeGuard([=] { had ? qputenv(name, previous) : qunsetenv(name); });
}

constexpr auto Both = SearchPathDomains(SearchPathDomain::User) | SearchPathDomain::Local;

} // namespace

TEST(SearchPaths, LibraryIsTheDataHomeThenTheLocalShareFolder)
{
    const auto data = scopedEnvironment("XDG_DATA_HOME", "/somewhere/data/");
    EXPECT_EQ(searchPathForDirectoriesInDomains(SearchPathDirectory::Library, Both, true),
              (QStringList{QStringLiteral("/somewhere/data"), QStringLiteral("/usr/local/share")}));
    EXPECT_EQ(searchPathForDirectoriesInDomains(SearchPathDirectory::ApplicationSupport, SearchPathDomain::Local, true),
              QStringList{QStringLiteral("/usr/local/share")});
    EXPECT_TRUE(searchPathForDirectoriesInDomains(SearchPathDirectory::Library, {}, true).isEmpty());
    const ScopedLocalDomainRoot root(QStringLiteral("/tmp/root"));
    EXPECT_EQ(searchPathForDirectoriesInDomains(SearchPathDirectory::Library, SearchPathDomain::Local, true),
              QStringList{QStringLiteral("/tmp/root/usr/local/share")});
}

TEST(SearchPaths, UnsetOrRelativeVariablesFallBackToTheHomeFolder)
{
    const QString home = QDir::homePath();
    {
        const auto data = scopedEnvironment("XDG_DATA_HOME", QByteArray());
        EXPECT_EQ(searchPathForDirectoriesInDomains(SearchPathDirectory::Library, SearchPathDomain::User, true),
                  QStringList{home + QStringLiteral("/.local/share")});
        EXPECT_EQ(searchPathForDirectoriesInDomains(SearchPathDirectory::Library, SearchPathDomain::User, false),
                  QStringList{QStringLiteral("~/.local/share")});
    }
    const auto relative = scopedEnvironment("XDG_STATE_HOME", "relative/state");
    EXPECT_EQ(searchPathForDirectoriesInDomains(SearchPathDirectory::Logs, Both, true),
              (QStringList{home + QStringLiteral("/.local/state"), QStringLiteral("/var/log")}));
}

TEST(SearchPaths, TildeOnlyForFoldersInsideHome)
{
    const auto data = scopedEnvironment("XDG_DATA_HOME", (QDir::homePath() + QStringLiteral("/data")).toUtf8());
    EXPECT_EQ(searchPathForDirectoriesInDomains(SearchPathDirectory::Library, Both, false),
              (QStringList{QStringLiteral("~/data"), QStringLiteral("/usr/local/share")}));
    const auto sibling = scopedEnvironment("XDG_DATA_HOME", (QDir::homePath() + QStringLiteral("x/data")).toUtf8());
    EXPECT_EQ(searchPathForDirectoriesInDomains(SearchPathDirectory::Library, SearchPathDomain::User, false),
              QStringList{QDir::homePath() + QStringLiteral("x/data")});
}
