#pragma once

// An icon theme of the test's own, so that no installed theme matters: PNG
// icons of fixed sizes under <folder>/icons/CorvaneTest, made current while the
// object lives.

#include <QDir>
#include <QFile>
#include <QImage>
#include <QString>

#include "platform/files/IconTheme.h"

#include <gtest/gtest.h>

class TestIconTheme
{
public:
    struct Icon
    {
        const char *context; // "mimetypes", "places", "apps"
        const char *name;
        int size;
    };

    TestIconTheme(const QString &folder, std::initializer_list<Icon> icons)
    {
        const QString theme = folder + QStringLiteral("/icons/CorvaneTest");
        QDir().mkpath(theme);
        QStringList directories;
        QByteArray groups;
        for (const Icon &icon : icons) {
            const QString directory = QStringLiteral("%1x%1/%2").arg(icon.size).arg(QLatin1String(icon.context));
            QDir(theme).mkpath(directory);
            QImage image(icon.size, icon.size, QImage::Format_ARGB32);
            image.fill(Qt::darkCyan);
            EXPECT_TRUE(
                image.save(theme + u'/' + directory + u'/' + QLatin1String(icon.name) + QStringLiteral(".png")));
            if (!directories.contains(directory)) {
                directories << directory;
                groups += QStringLiteral("[%1]\nSize=%2\nType=Fixed\n").arg(directory).arg(icon.size).toUtf8();
            }
        }
        QFile index(theme + QStringLiteral("/index.theme"));
        EXPECT_TRUE(index.open(QIODevice::WriteOnly));
        index.write("[Icon Theme]\nName=CorvaneTest\nDirectories=" + directories.join(u',').toUtf8() + "\n" + groups);
        index.close();
        platform::IconTheme::setThemeSearchPaths({folder + QStringLiteral("/icons")});
        platform::IconTheme::setThemeName(QStringLiteral("CorvaneTest"));
    }

    ~TestIconTheme()
    {
        platform::IconTheme::setThemeSearchPaths({});
        platform::IconTheme::setThemeName(QString());
    }
};
