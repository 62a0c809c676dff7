#include "platform/ui/PreferencePanePlugin.h"

#include "platform/core/Log.h"
#include "platform/ui/PreferencePane.h"

#include <QPluginLoader>

namespace platform {

PreferencePanePlugin::~PreferencePanePlugin() = default;

std::unique_ptr<PreferencePane> PreferencePanePlugin::instantiate(const Bundle &bundle)
{
    const auto executable = bundle.executablePath();
    const QString principalClass = bundle.objectForInfoDictionaryKey(QStringLiteral("NSPrincipalClass")).toString();
    if (!executable || principalClass.isEmpty()) {
        log(QStringLiteral("The bundle %1 names no executable or no principal class.").arg(bundle.bundlePath()));
        return nullptr;
    }
    QPluginLoader loader(*executable);
    QObject *root = loader.instance();
    auto *plugin = qobject_cast<PreferencePanePlugin *>(root);
    if (!plugin) {
        log(QStringLiteral("Cannot load the preference pane plugin %1: %2")
                .arg(*executable, root ? QStringLiteral("not a preference pane") : loader.errorString()));
        return nullptr;
    }
    auto pane = plugin->createPane(principalClass, bundle);
    if (!pane)
        log(QStringLiteral("The plugin %1 has no class %2.").arg(*executable, principalClass));
    return pane;
}

} // namespace platform
