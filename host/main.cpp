// corvane-prefs: loads a preference-pane bundle and shows it in a window.
//
//   corvane-prefs                    the Corvane pane: the installed one, else this build's
//   corvane-prefs --pane PATH|NAME   another pane bundle, by path or by name
//   corvane-prefs --list             the pane bundles found, one a line
//   corvane-prefs --screenshot FILE  shows the pane, writes a PNG of its window, quits
//   corvane-prefs --demo DIR         drives the Corvane pane through a short session
//                                    (on, off), writing screenshots and a transcript

#include "DemoSession.h"
#include "PaneWindow.h"

#include "platform/system/Bundle.h"
#include "platform/core/Log.h"
#include "platform/system/SearchPaths.h"
#include "platform/ui/PreferencePanePlugin.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QScreen>
#include <QStandardPaths>
#include <QTextStream>
#include <QTimer>
#include <QWindow>

#include <cstdio>

namespace {

/// Folders searched for "*.prefPane" bundles, in order: the installation's panes
/// folder, the build's (both found relative to the running program, so neither
/// names the other), then "corvane/PreferencePanes" under each XDG data folder.
QStringList paneFolders()
{
    QStringList folders{platform::installedFolder(platform::InstalledFolder::PreferencePanes),
                        QDir::cleanPath(QCoreApplication::applicationDirPath()
                                        + QStringLiteral("/" CORVANE_BUILD_PANES_FROM_HOST))};
    const QStringList dataDirs = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    for (const QString &dir : dataDirs)
        folders << dir + QStringLiteral("/corvane/PreferencePanes");
    folders.removeAll(QString());
    return folders;
}

/// The pane bundle `value` names: a path of a folder, else the name of a bundle
/// ("Corvane" or "Corvane.prefPane") in the first pane folder that has it. The
/// value itself when nothing matches, so the error names what was asked for.
QString resolvePane(const QString &value)
{
    if (QFileInfo(value).isDir() || value.contains(QLatin1Char('/')))
        return value;
    const QString name = value.endsWith(QLatin1String(".prefPane")) ? value : value + QStringLiteral(".prefPane");
    for (const QString &folder : paneFolders()) {
        const QString path = folder + QLatin1Char('/') + name;
        if (QFileInfo(path).isDir())
            return path;
    }
    return value;
}

int listPanes()
{
    QTextStream out(stdout);
    for (const QString &folder : paneFolders()) {
        const QStringList panes = QDir(folder).entryList({QStringLiteral("*.prefPane")}, QDir::Dirs);
        for (const QString &pane : panes)
            out << folder << '/' << pane << '\n';
    }
    return 0;
}

int fail(const QString &message)
{
    std::fprintf(stderr, "corvane-prefs: %s\n", qPrintable(message));
    return 1;
}

/// Writes a PNG of `window` as the display server shows it, once it is on screen.
int screenshot(PaneWindow &window, const QString &file)
{
    window.show();
    // Let the window be mapped and painted before reading it back.
    QTimer::singleShot(500, &window, [&window, file] {
        QScreen *screen = window.windowHandle() ? window.windowHandle()->screen() : nullptr;
        const QPixmap picture = screen ? screen->grabWindow(window.winId()) : window.grab();
        QApplication::exit(picture.save(file, "PNG") ? 0 : 1);
    });
    return QApplication::exec();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("corvane-prefs"));
    QApplication::setApplicationVersion(QStringLiteral(CORVANE_VERSION));
    // The desktop entry's name: lets a Wayland desktop show the entry's icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.velora.CorvanePreferences"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Shows a preference pane; by default the Corvane pane."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("list"), QStringLiteral("List the pane bundles found and exit.")});
    parser.addOption({QStringLiteral("pane"),
                      QStringLiteral("The pane bundle to show: a path, or a name that --list finds."),
                      QStringLiteral("path|name"), QStringLiteral("Corvane")});
    parser.addOption({QStringLiteral("screenshot"), QStringLiteral("Write a PNG of the window and exit."),
                      QStringLiteral("file")});
    parser.addOption({QStringLiteral("demo"),
                      QStringLiteral("Run the scripted session, writing screenshots and a transcript into the folder."),
                      QStringLiteral("folder")});
    parser.process(app);

    if (parser.isSet(QStringLiteral("list")))
        return listPanes();

    const QString panePath = resolvePane(parser.value(QStringLiteral("pane")));
    const auto bundle = platform::Bundle::bundleWithPath(panePath);
    if (!bundle)
        return fail(QStringLiteral("no pane bundle at %1").arg(panePath));
    std::unique_ptr<platform::PreferencePane> pane = platform::PreferencePanePlugin::instantiate(*bundle);
    if (!pane || !pane->loadMainView())
        return fail(QStringLiteral("cannot load the pane %1").arg(panePath));

    PaneWindow window(std::move(pane));
    if (parser.isSet(QStringLiteral("screenshot")))
        return screenshot(window, parser.value(QStringLiteral("screenshot")));
    if (parser.isSet(QStringLiteral("demo")))
        return DemoSession(window, parser.value(QStringLiteral("demo"))).run() ? 0 : 1;
    window.show();
    return QApplication::exec();
}
