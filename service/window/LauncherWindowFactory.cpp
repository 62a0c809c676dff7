#include "LauncherWindowFactory.h"

#include "LauncherWindow.h"

#include "platform/core/Log.h"
#include "platform/files/IconTheme.h"

#include <QApplication>
#include <QIcon>

namespace {

const QByteArray Offscreen = QByteArrayLiteral("offscreen");

// Qt ends a process whose display cannot be reached (an X display that went
// away, say). It tries the platforms it is given in order, so the offscreen one
// comes last and the service goes on; the applications it starts get the
// environment as it was. A Wayland session keeps Qt's own choice, which weighs
// the desktop.
std::unique_ptr<QApplication> makeApplicationFallingBackToOffscreen(int &argc, char **argv)
{
    const QByteArray asked = qgetenv("QT_QPA_PLATFORM");
    QByteArray platforms = asked;
    if (platforms.isEmpty() && !qEnvironmentVariableIsSet("WAYLAND_DISPLAY"))
        platforms = QByteArrayLiteral("xcb");
    const bool fallBack = !platforms.isEmpty() && !platforms.split(';').contains(Offscreen);
    if (fallBack)
        qputenv("QT_QPA_PLATFORM", platforms + ';' + Offscreen);
    auto application = std::make_unique<QApplication>(argc, argv);
    if (fallBack && asked.isEmpty())
        qunsetenv("QT_QPA_PLATFORM");
    else if (fallBack)
        qputenv("QT_QPA_PLATFORM", asked);
    if (fallBack && QGuiApplication::platformName() == QLatin1String(Offscreen))
        platform::log(QStringLiteral("The display cannot be reached: the launcher window is not shown."));
    return application;
}

} // namespace

std::unique_ptr<QCoreApplication> LauncherWindowFactory::makeApplication(int &argc, char **argv)
{
    auto application = makeApplicationFallingBackToOffscreen(argc, argv);
    // The service runs on while its window is hidden or closed.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    // Qt's desktop themes name the desktop's icon theme; on a desktop Qt does not
    // know, or none, the desktop's own settings do.
    const QString theme = QIcon::themeName();
    if (theme.isEmpty() || theme == u"hicolor")
        QIcon::setThemeName(platform::IconTheme::themeName());
    QIcon::setFallbackThemeName(QStringLiteral("hicolor"));
    return application;
}

std::unique_ptr<LauncherSurface> LauncherWindowFactory::makeSurface(Launcher &launcher)
{
    return std::make_unique<LauncherWindow>(launcher);
}
