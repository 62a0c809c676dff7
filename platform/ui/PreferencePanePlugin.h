#pragma once

#include "platform/system/Bundle.h"

#include <QString>
#include <QtPlugin>

#include <memory>

namespace platform {

class PreferencePane;

/// The Qt plugin interface of a pane bundle's executable: it makes the bundle's
/// principal class. Implemented by the root object of the plugin.
class PreferencePanePlugin
{
public:
    virtual ~PreferencePanePlugin();

    /// A new pane of the class named `principalClass` for `bundle`, or null when the
    /// plugin has no class of that name.
    virtual std::unique_ptr<PreferencePane> createPane(const QString &principalClass, const Bundle &bundle) = 0;

    /// Loads the plugin named by the bundle's "CFBundleExecutable" and makes the pane
    /// class named by "NSPrincipalClass". Null, with a line in the log saying why,
    /// when either key is missing, the plugin does not load or implement this
    /// interface, or it has no such class. The plugin stays loaded.
    static std::unique_ptr<PreferencePane> instantiate(const Bundle &bundle);
};

/// The plugin of a bundle with one pane class, `Pane` (a PreferencePane with
/// Q_OBJECT), made when the bundle's "NSPrincipalClass" names it. The plugin's
/// root object derives from QObject and this, and declares Q_OBJECT,
/// Q_PLUGIN_METADATA(IID PreferencePanePlugin_iid) and
/// Q_INTERFACES(platform::PreferencePanePlugin) itself: moc reads no templates.
template <class Pane>
class SinglePanePlugin : public PreferencePanePlugin
{
public:
    std::unique_ptr<PreferencePane> createPane(const QString &principalClass, const Bundle &bundle) override
    {
        if (principalClass != QLatin1String(Pane::staticMetaObject.className()))
            return nullptr;
        return std::make_unique<Pane>(bundle);
    }
};

} // namespace platform

#define PreferencePanePlugin_iid "com.velora.PreferencePanePlugin/1.0"
Q_DECLARE_INTERFACE(platform::PreferencePanePlugin, PreferencePanePlugin_iid)
