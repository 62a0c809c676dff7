// corvane-prefs: lists the preference-pane bundles it can find.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QTextStream>

namespace {

/// Folders searched for "*.prefPane" bundles, in order: the build's own, then
/// "corvane/PreferencePanes" under each XDG data folder.
QStringList paneFolders()
{
    QStringList folders{QStringLiteral(CORVANE_BUILD_PANES_DIR)};
    const QStringList dataDirs = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    for (const QString &dir : dataDirs)
        folders << dir + QStringLiteral("/corvane/PreferencePanes");
    return folders;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("corvane-prefs"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Shows the Corvane preference pane."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("list"), QStringLiteral("List the pane bundles found and exit.")});
    parser.process(app);

    QTextStream out(stdout);
    for (const QString &folder : paneFolders()) {
        const QStringList panes = QDir(folder).entryList({QStringLiteral("*.prefPane")}, QDir::Dirs);
        for (const QString &pane : panes)
            out << folder << '/' << pane << '\n';
    }
    return 0;
}
