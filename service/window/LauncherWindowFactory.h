#pragma once

#include "LauncherWindowPlugin.h"

#include <QObject>

/// The plug-in the service loads from Corvane.app/PlugIns/ where there is a
/// display: a QApplication that takes the desktop's icon theme, and a
/// LauncherWindow for the launcher.
class LauncherWindowFactory : public QObject, public LauncherWindowPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID LauncherWindowPlugin_iid)
    Q_INTERFACES(LauncherWindowPlugin)
public:
    std::unique_ptr<QCoreApplication> makeApplication(int &argc, char **argv) override;
    std::unique_ptr<LauncherSurface> makeSurface(Launcher &launcher) override;
};
