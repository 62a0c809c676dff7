// The executable of the bundle Corvane.prefPane: makes its principal class.

#include "CorvanePrefPane.h"
#include "PreferencePanePlugin.h"

class CorvanePrefPanePlugin : public QObject, public platform::PreferencePanePlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID PreferencePanePlugin_iid)
    Q_INTERFACES(platform::PreferencePanePlugin)
public:
    std::unique_ptr<platform::PreferencePane> createPane(const QString &principalClass,
                                                         const platform::Bundle &bundle) override
    {
        if (principalClass != QLatin1String("CorvanePrefPane"))
            return nullptr;
        return std::make_unique<CorvanePrefPane>(bundle);
    }
};

#include "CorvanePrefPanePlugin.moc"
