#pragma once

#include "TestSupport.h"

#include "ApplicationCatalogue.h"

#include "platform/store/ManagedObjectContext.h"
#include "platform/store/ManagedObjectModel.h"
#include "platform/store/PersistentStoreCoordinator.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

/// Desktop entries and folders of the launcher's tests, in the sandbox's XDG folders.
namespace corvane::test {

inline QString userApplications() { return qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/applications"); }
inline QString systemApplications() { return qEnvironmentVariable("XDG_DATA_DIRS") + QStringLiteral("/applications"); }

/// Writes `body` after the group header to `folder`/`relativePath`, making folders.
inline bool writeEntry(const QString &folder, const QString &relativePath, const QByteArray &body)
{
    const QString path = folder + u'/' + relativePath;
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).absolutePath()) && file.open(QIODevice::WriteOnly)
           && file.write("[Desktop Entry]\n" + body) > 0;
}

inline void clearApplications()
{
    QDir(userApplications()).removeRecursively();
    QDir(systemApplications()).removeRecursively();
    QDir(QDir::homePath() + QStringLiteral("/Applications")).removeRecursively();
}

inline QString recordsFolder() { return sandboxDir() + QStringLiteral("/records"); }
inline QString recorder() { return sandboxDir() + QStringLiteral("/bin/record args"); }

/// Installs recorder(): a program that writes its working folder and arguments,
/// one a line, to a file of its own in the records folder.
inline void installRecorder()
{
    QDir(recordsFolder()).removeRecursively();
    QDir().mkpath(recordsFolder());
    QDir().mkpath(QFileInfo(recorder()).absolutePath());
    QFile script(recorder());
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nout='" + recordsFolder().toUtf8() + "'/$$\n"
                 "{ pwd; for a in \"$0\" \"$@\"; do printf '%s\\n' \"$a\"; done; } > \"$out.tmp\" && mv \"$out.tmp\" \"$out\"\n");
    script.close();
    script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
}

/// The command lines recorded once `count` are there, each as its working folder
/// then its arguments, sorted.
inline QList<QStringList> recorded(int count)
{
    QList<QStringList> lines;
    const auto read = [&] {
        lines.clear();
        for (const QFileInfo &info : QDir(recordsFolder()).entryInfoList({QStringLiteral("[0-9]*")}, QDir::Files)) {
            QFile file(info.absoluteFilePath());
            if (file.open(QIODevice::ReadOnly))
                lines << QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
        }
        return lines.size() >= count;
    };
    EXPECT_TRUE(QTest::qWaitFor(read, 10000)) << "recorded " << lines.size() << " of " << count;
    QTest::qWait(200);   // nothing more is coming
    read();
    std::sort(lines.begin(), lines.end());
    return lines;
}

/// The launcher's model, as the service and the pane load it.
inline platform::ManagedObjectModel launcherModel()
{
    return *platform::ManagedObjectModel::fromFile(QStringLiteral(CORVANE_MODEL_FILE));
}

/// The launcher's store opened afresh with `model`, as the pane opens it beside the service.
struct PaneStore
{
    explicit PaneStore(const platform::ManagedObjectModel &model = launcherModel())
        : coordinator(std::make_shared<platform::PersistentStoreCoordinator>(model))
    {
        platform::StoreError error;
        EXPECT_TRUE(coordinator->addSQLiteStore(ApplicationCatalogue::storePath(), &error)) << qPrintable(error.toString());
    }

    /// Every record, by name.
    QList<platform::ManagedObjectPtr> applications()
    {
        return context.executeFetchRequest({QStringLiteral("Application"), std::nullopt, {{QStringLiteral("name"), true}}})
            .value_or(QList<platform::ManagedObjectPtr>());
    }

    /// Excludes the records named `names` (their desktop file IDs' stems) and no other, as
    /// the pane saves its list; their URIs.
    QStringList exclude(const QStringList &names)
    {
        QStringList uris;
        for (const platform::ManagedObjectPtr &record : applications()) {
            const bool excluded = names.contains(record->value(QStringLiteral("name")).toString());
            record->setValue(QStringLiteral("excluded"), excluded);
            if (excluded)
                uris << record->objectID().uriRepresentation();
        }
        EXPECT_TRUE(context.save());
        return uris;
    }

    std::shared_ptr<platform::PersistentStoreCoordinator> coordinator;
    platform::ManagedObjectContext context{coordinator};
};

} // namespace corvane::test
