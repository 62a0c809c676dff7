// The executable of the test pane bundle: makes TestPane.

#include "platform/ui/PreferencePanePlugin.h"
#include "TestPane.h"

class TestPanePlugin : public QObject, public platform::SinglePanePlugin<TestPane>
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID PreferencePanePlugin_iid)
    Q_INTERFACES(platform::PreferencePanePlugin)
};

#include "TestPanePlugin.moc"
