// The executable of the test pane bundle: makes TestPane.

#include "TestPane.h"
#include "platform/archive/ArchiveClassRegistry.h"
#include "platform/core/NotificationCenter.h"
#include "platform/plist/UserDefaults.h"
#include "platform/ui/AnimationClock.h"
#include "platform/ui/PreferencePanePlugin.h"

#include <QVariantMap>

class TestPanePlugin : public QObject, public platform::SinglePanePlugin<TestPane>
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID PreferencePanePlugin_iid)
    Q_INTERFACES(platform::PreferencePanePlugin)

public:
    // Tells the host, through the pane's "processWideObjects", where the plugin's
    // code finds the process-wide objects. This file is built into the plugin only,
    // so these are the plugin's own answers whatever the host links.
    std::unique_ptr<platform::PreferencePane> createPane(const QString &principalClass,
                                                         const platform::Bundle &bundle) override
    {
        auto pane = SinglePanePlugin::createPane(principalClass, bundle);
        if (pane) {
            auto address = [](const void *object) { return QVariant::fromValue(quintptr(object)); };
            pane->setProperty("processWideObjects", QVariantMap{
                {QStringLiteral("defaultCenter"), address(&platform::NotificationCenter::defaultCenter())},
                {QStringLiteral("standardUserDefaults"), address(&platform::UserDefaults::standardUserDefaults())},
                {QStringLiteral("archiveClassRegistry"), address(&platform::ArchiveClassRegistry::shared())},
                {QStringLiteral("animationClock"), address(&platform::AnimationClock::current())},
            });
        }
        return pane;
    }
};

#include "TestPanePlugin.moc"
