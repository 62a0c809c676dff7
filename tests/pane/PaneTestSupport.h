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
#include <QTest>
#include <QWidget>

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

} // namespace corvane::test
