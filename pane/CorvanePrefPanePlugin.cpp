// The executable of the bundle Corvane.prefPane: makes its principal class.

#include "CorvanePrefPane.h"
#include "platform/ui/PreferencePanePlugin.h"

class CorvanePrefPanePlugin : public QObject, public platform::SinglePanePlugin<CorvanePrefPane>
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID PreferencePanePlugin_iid)
    Q_INTERFACES(platform::PreferencePanePlugin)
};

#include "CorvanePrefPanePlugin.moc"
