// The executable of the test pane bundle: makes TestPane.

#include "PreferencePanePlugin.h"
#include "TestPane.h"

class TestPanePlugin : public QObject, public platform::PreferencePanePlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID PreferencePanePlugin_iid)
    Q_INTERFACES(platform::PreferencePanePlugin)
public:
    std::unique_ptr<platform::PreferencePane> createPane(const QString &principalClass,
                                                         const platform::Bundle &bundle) override
    {
        if (principalClass != QLatin1String("TestPane"))
            return nullptr;
        return std::make_unique<TestPane>(bundle);
    }
};

#include "TestPanePlugin.moc"
