#pragma once

#include "Bundle.h"

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

} // namespace platform

#define PreferencePanePlugin_iid "com.velora.PreferencePanePlugin/1.0"
Q_DECLARE_INTERFACE(platform::PreferencePanePlugin, PreferencePanePlugin_iid)
