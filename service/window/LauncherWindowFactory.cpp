#include "LauncherWindowFactory.h"

#include "LauncherWindow.h"

#include "platform/files/IconTheme.h"

#include <QApplication>
#include <QIcon>

std::unique_ptr<QCoreApplication> LauncherWindowFactory::makeApplication(int &argc, char **argv)
{
    auto application = std::make_unique<QApplication>(argc, argv);
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
