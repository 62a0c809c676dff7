#include "FileManagerExtensions.h"

#include "platform/core/Log.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "TestSupport.h"

#include <gtest/gtest.h>

using corvane::test::writeFile;

TEST(FileManagerExtensions, CreateDirectoryPathMakesEveryMissingAncestor)
{
    QTemporaryDir tmp;
    const QString path = tmp.path() + QStringLiteral("/a/b/c");
    EXPECT_EQ(vl::createDirectoryPath(path), path);
    EXPECT_TRUE(QFileInfo(path).isDir());
    EXPECT_EQ(vl::createDirectoryPath(path), path); // existing folder: the path at once
    EXPECT_TRUE(vl::ensureFilePathExists(tmp.path() + QStringLiteral("/x/y/file.txt")));
    EXPECT_TRUE(QFileInfo(tmp.path() + QStringLiteral("/x/y")).isDir());
    EXPECT_FALSE(vl::ensureDirectoryPathExists(QString()));
    const QString previous = QDir::currentPath();
    QDir::setCurrent(tmp.path());
    EXPECT_EQ(vl::createDirectoryPath(QStringLiteral("relative/never/made")), std::nullopt);
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("relative")));
    QDir::setCurrent(previous);
}

TEST(FileManagerExtensions, ListingsAndFolderCounts)
{
    QTemporaryDir tmp;
    QDir(tmp.path()).mkpath(QStringLiteral("one"));
    QDir(tmp.path()).mkpath(QStringLiteral(".two"));
    for (const char *name : {"f1", "f2", ".f3"})
        writeFile(tmp.path() + QLatin1Char('/') + QLatin1String(name));
    QFile::link(tmp.path() + QStringLiteral("/one"), tmp.path() + QStringLiteral("/link-to-one"));
    QFile::link(tmp.path() + QStringLiteral("/gone"), tmp.path() + QStringLiteral("/dangling"));

    const auto contents = vl::fullPathDirectoryContentsAtPath(tmp.path());
    ASSERT_TRUE(contents);
    EXPECT_EQ(contents->size(), 7);
    EXPECT_TRUE(contents->contains(tmp.path() + QStringLiteral("/.f3")));
    writeFile(tmp.path() + QStringLiteral("/one/x"));
    const QString untidy = QString(tmp.path()).replace(QLatin1Char('/'), QStringLiteral("//")) + QStringLiteral("//one/");
    EXPECT_EQ(vl::fullPathDirectoryContentsAtPath(untidy), QStringList{tmp.path() + QStringLiteral("/one/x")});
    EXPECT_EQ(vl::directoryCountAtPath(tmp.path()), 3u); // one, .two and the link to one
    EXPECT_EQ(vl::directoryCountAtPath(tmp.path() + QStringLiteral("/one")), 0u);
    EXPECT_EQ(vl::directoryCountAtPath(tmp.path() + QStringLiteral("/missing")), vl::DirectoryCountNotFound);
    EXPECT_EQ(vl::fullPathDirectoryContentsAtPath(QString()), std::nullopt);
}
