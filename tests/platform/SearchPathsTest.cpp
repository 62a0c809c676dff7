#include "SearchPaths.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace platform;

namespace {

class ScopedEnvironment
{
public:
    ScopedEnvironment(const char *name, const QByteArray &value)
        : m_name(name)
        , m_had(qEnvironmentVariableIsSet(name))
        , m_previous(qgetenv(name))
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    ~ScopedEnvironment()
    {
        if (m_had)
            qputenv(m_name, m_previous);
        else
            qunsetenv(m_name);
    }

private:
    const char *m_name;
    bool m_had;
    QByteArray m_previous;
};

constexpr auto Both = SearchPathDomains(SearchPathDomain::User) | SearchPathDomain::Local;

} // namespace

TEST(SearchPaths, LibraryIsTheDataHomeThenTheLocalShareFolder)
{
    const ScopedEnvironment data("XDG_DATA_HOME", "/somewhere/data/");
    EXPECT_EQ(searchPathForDirectoriesInDomains(SearchPathDirectory::Library, Both, true),
              (QStringList{QStringLiteral("/somewhere/data"), QStringLiteral("/usr/local/share")}));
    EXPECT_EQ(searchPathForDirectoriesInDomains(SearchPathDirectory::ApplicationSupport, SearchPathDomain::Local, true),
              QStringList{QStringLiteral("/usr/local/share")});
    EXPECT_TRUE(searchPathForDirectoriesInDomains(SearchPathDirectory::Library, {}, true).isEmpty());
}

TEST(SearchPaths, UnsetOrRelativeVariablesFallBackToTheHomeFolder)
{
    const QString home = QDir::homePath();
    {
        const ScopedEnvironment data("XDG_DATA_HOME", QByteArray());
        EXPECT_EQ(searchPathForDirectoriesInDomains(SearchPathDirectory::Library, SearchPathDomain::User, true),
                  QStringList{home + QStringLiteral("/.local/share")});
        EXPECT_EQ(searchPathForDirectoriesInDomains(SearchPathDirectory::Library, SearchPathDomain::User, false),
                  QStringList{QStringLiteral("~/.local/share")});
    }
    const ScopedEnvironment relative("XDG_STATE_HOME", "relative/state");
    EXPECT_EQ(searchPathForDirectoriesInDomains(SearchPathDirectory::Logs, Both, true),
              (QStringList{home + QStringLiteral("/.local/state"), QStringLiteral("/var/log")}));
}

TEST(SearchPaths, TildeOnlyForFoldersInsideHome)
{
    const ScopedEnvironment data("XDG_DATA_HOME", (QDir::homePath() + QStringLiteral("/data")).toUtf8());
    EXPECT_EQ(searchPathForDirectoriesInDomains(SearchPathDirectory::Library, Both, false),
              (QStringList{QStringLiteral("~/data"), QStringLiteral("/usr/local/share")}));
    const ScopedEnvironment sibling("XDG_DATA_HOME", (QDir::homePath() + QStringLiteral("x/data")).toUtf8());
    EXPECT_EQ(searchPathForDirectoriesInDomains(SearchPathDirectory::Library, SearchPathDomain::User, false),
              QStringList{QDir::homePath() + QStringLiteral("x/data")});
}

TEST(SearchPaths, LocalDomainCanBeMovedForTests)
{
    {
        const ScopedLocalDomainRoot root(QStringLiteral("/tmp/root"));
        EXPECT_EQ(searchPathForDirectoriesInDomains(SearchPathDirectory::Library, SearchPathDomain::Local, true),
                  QStringList{QStringLiteral("/tmp/root/usr/local/share")});
    }
    EXPECT_EQ(searchPathForDirectoriesInDomains(SearchPathDirectory::Library, SearchPathDomain::Local, true),
              QStringList{QStringLiteral("/usr/local/share")});
}
