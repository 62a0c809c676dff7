#pragma once

// The Corvane pane loaded from the built bundle into a shown, active window, and
// the service's preferences domain as the file another program sees.

#include "CorvanePrefPane.h"
#include "CorvaneServiceHelper.h"

#include "platform/system/Bundle.h"
#include "platform/plist/PropertyList.h"
#include "TestSupport.h"
#include "platform/plist/UserDefaults.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTableView>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <optional>

namespace corvane::test {

/// The file of the service's preferences domain in this sandbox.
inline QString domainPath()
{
    return platform::UserDefaults::standardUserDefaults().pathForDomain(ServiceBundleIdentifier);
}

/// Writes the domain file as another program would: an XML property list.
inline bool writeDomain(const QVariantMap &domain)
{
    const auto plist = platform::writePropertyList(domain, platform::PropertyListFormat::Xml);
    QFile file(domainPath());
    return plist.error.isEmpty() && file.open(QIODevice::WriteOnly) && file.write(plist.bytes) == plist.bytes.size();
}

/// The domain file's dictionary; none when there is no file or it does not parse.
inline std::optional<QVariantMap> readDomain()
{
    const auto bytes = readFile(domainPath());
    if (!bytes)
        return std::nullopt;
    const auto parsed = platform::readPropertyList(*bytes);
    if (parsed.value.typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    return parsed.value.toMap();
}

inline void removeDomain()
{
    QFile::remove(domainPath());
    platform::UserDefaults::standardUserDefaults().synchronize();
}

/// The folder where the service, having run once, keeps its application store:
/// without it the pane tells that the service has catalogued nothing yet.
inline QString storeFolder()
{
    return qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Velora/Corvane");
}

inline QString storePath()
{
    return storeFolder() + QStringLiteral("/Corvane.db");
}

/// The sandbox user's applications folder, and where an application `name` is
/// in it: the app folder itself for a name ending in ".app", else its desktop entry.
inline QString appsFolder()
{
    return qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/applications");
}
inline QString appPath(const QString &name)
{
    return appsFolder() + u'/' + (name.endsWith(QLatin1String(".app")) ? name : name + QStringLiteral(".desktop"));
}

/// Makes the application `name` (see appPath) in the applications folder.
inline bool makeApp(const QString &name)
{
    if (name.endsWith(QLatin1String(".app")))
        return QDir().mkpath(appPath(name));
    QFile entry(appPath(name));
    return entry.open(QIODevice::WriteOnly)
           && entry.write("[Desktop Entry]\nType=Application\nName=" + name.toUtf8() + "\nExec=true\n") > 0;
}

/// The names the excluded-applications table shows, in order.
inline QStringList listed(const CorvanePrefPane &pane)
{
    QStringList names;
    auto *table = pane.mainView()->findChild<QTableView *>(QStringLiteral("_excludedApplicationsTable"));
    for (int row = 0; row < table->model()->rowCount(); ++row)
        names.append(table->model()->index(row, 0).data().toString());
    return names;
}

/// The alert sheets open on the window of `view`.
inline QList<QMessageBox *> openSheets(const QWidget *view)
{
    QList<QMessageBox *> open;
    for (QMessageBox *box : view->window()->findChildren<QMessageBox *>()) {
        if (box->isVisible())
            open.append(box);
    }
    return open;
}

/// The one sheet open on the window of `view`; null for none or several.
inline QMessageBox *sheet(const QWidget *view)
{
    const auto open = openSheets(view);
    return open.size() == 1 ? open.front() : nullptr;
}

/// The pane with its view loaded, shown and its window active, so that clicks
/// and key presses reach the controls as the user's would.
class LoadedPane
{
    const bool m_storeFolder = QDir().mkpath(storeFolder());

public:
    LoadedPane()
        : pane(*platform::Bundle::bundleWithPath(QStringLiteral(CORVANE_PANE_BUNDLE)))
        , view(pane.loadMainView())
    {
        view->show();
        view->activateWindow();
        active = QTest::qWaitFor([this] { return QApplication::activeWindow() == view; });
    }

    template <typename Widget>
    Widget *outlet(const char *name) const
    {
        return view->findChild<Widget *>(QLatin1String(name));
    }

    CorvanePrefPane pane;
    QWidget *view;
    bool active = false;
};

/// A test of the loaded pane over an empty preferences domain.
class PaneTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        removeDomain();
        ASSERT_TRUE(loaded.active);
    }
    void TearDown() override { removeDomain(); }

    LoadedPane loaded;
};

} // namespace corvane::test
