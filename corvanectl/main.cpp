// corvanectl: the pane's settings from the command line.

#include "CorvaneControl.h"
#include "KeyCombo.h"
#include "platform/system/Bundle.h"
#include "platform/system/SearchPaths.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

namespace {

/// The pane bundle whose key names the combinations show and whose object model
/// opens the application store: the installation's, else the one built beside
/// this program. Returns the model's path; empty without a bundle.
QString useThePanesResources()
{
    const QStringList folders{
        platform::installedFolder(platform::InstalledFolder::PreferencePanes),
        QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/" CORVANE_BUILD_PANES_FROM_CTL))};
    for (const QString &folder : folders) {
        if (folder.isEmpty())
            continue;
        if (auto bundle = platform::Bundle::bundleWithPath(folder + QStringLiteral("/Corvane.prefPane"))) {
            KeyCombo::setResources(KeyComboResources::fromBundle(*bundle));
            return bundle->pathForResource(QStringLiteral("Corvane"), QStringLiteral("model.json")).value_or(QString());
        }
    }
    return {};
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    CorvaneControl control(out, err, useThePanesResources());
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    return control.run(arguments);
}
