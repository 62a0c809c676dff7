#pragma once

#include <QString>

class Launcher;

/// What the service shows the launcher on: the window where there is a display.
/// The service itself stays free of any GUI module; a surface comes from the
/// window plug-in, loaded only when a display is there (see main.cpp).
class LauncherSurface
{
public:
    virtual ~LauncherSurface() = default;

    /// Shows the launcher ready for typing, on the screen that holds the pointer.
    virtual void show() = 0;
    virtual void hide() = 0;
    virtual bool isVisible() const = 0;

protected:
    LauncherSurface() = default;
    LauncherSurface(const LauncherSurface &) = delete;
    LauncherSurface &operator=(const LauncherSurface &) = delete;
};
