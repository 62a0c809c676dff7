#pragma once

#include <QtPlugin>

#include <memory>

class Launcher;
class LauncherSurface;
class QCoreApplication;

/// The launcher's window as a run-time plug-in (Corvane.app/PlugIns/), so that
/// the service links no GUI module and runs headless where there is no display.
/// Loaded before the process has an application object, the plug-in makes that
/// object (a GUI one, which its window needs) and then the window.
class LauncherWindowPlugin
{
public:
    virtual ~LauncherWindowPlugin() = default;

    /// The process's application object; `argc` and `argv` must outlive it. Call
    /// it once, before any other application object exists.
    virtual std::unique_ptr<QCoreApplication> makeApplication(int &argc, char **argv) = 0;

    /// The window that shows `launcher`'s applications, which must outlive it;
    /// needs the application object of makeApplication().
    virtual std::unique_ptr<LauncherSurface> makeSurface(Launcher &launcher) = 0;

protected:
    LauncherWindowPlugin() = default;
    LauncherWindowPlugin(const LauncherWindowPlugin &) = delete;
    LauncherWindowPlugin &operator=(const LauncherWindowPlugin &) = delete;
};

#define LauncherWindowPlugin_iid "com.velora.Corvane.LauncherWindowPlugin/1.0"
Q_DECLARE_INTERFACE(LauncherWindowPlugin, LauncherWindowPlugin_iid)
