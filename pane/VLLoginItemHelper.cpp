#include "VLLoginItemHelper.h"

#include "platform/system/AutostartFolders.h"
#include "platform/system/DesktopEntry.h"

#include <QFileInfo>

using platform::AutostartFolders::Entry;
using platform::DesktopEntry;
namespace Autostart = platform::AutostartFolders;

namespace {

const QString nameKey = QStringLiteral("Name");
const QString hiddenKey = QStringLiteral("Hidden");
const QString startHiddenKey = QStringLiteral("X-Velora-Hidden");

/// The last path component without its extension: ".../Corvane.app" → "Corvane".
QString applicationName(const QString &path)
{
    const QString component = QFileInfo(path).fileName();
    const qsizetype dot = component.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? component.left(dot) : component;
}

/// The Exec value that starts the application at `path`; empty when it cannot be started.
QString execValue(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir() && path.endsWith(QLatin1String(".app"))) {
        const QString executable = info.absoluteFilePath() + QLatin1Char('/') + applicationName(path);
        return DesktopEntry::quoteExecArgument(executable);
    }
    if (info.isFile() && path.endsWith(QLatin1String(".desktop"))) {
        const auto entry = DesktopEntry::read(path);
        return entry ? entry->value(QStringLiteral("Exec")) : QString();
    }
    if (info.isFile() && info.isExecutable())
        return DesktopEntry::quoteExecArgument(info.absoluteFilePath());
    return {};
}

// An entry without a name (or with an empty one) is nobody's login item.
bool isNamed(const Entry &item, const QString &name)
{
    return !name.isEmpty() && item.entry.value(nameKey) == name;
}

} // namespace

bool VLLoginItemHelper::addLoginItem(const QString &path, bool hide)
{
    const QString exec = execValue(path);
    const QString name = applicationName(path);
    if (exec.isEmpty() || name.isEmpty())
        return false;
    DesktopEntry entry;
    entry.setValue(QStringLiteral("Type"), QStringLiteral("Application"));
    entry.setValue(nameKey, name);
    entry.setValue(QStringLiteral("Exec"), exec);
    entry.setBoolean(startHiddenKey, hide);
    return Autostart::writeUserEntry(name + QStringLiteral(".desktop"), entry);
}

bool VLLoginItemHelper::removeLoginItem(const QString &name)
{
    bool found = false;
    bool removed = true;
    for (const Entry &item : Autostart::effectiveEntries()) {
        if (!isNamed(item, name))
            continue;
        found = true;
        if (item.inUserFolder)
            removed = Autostart::removeUserEntry(item.fileName) && removed;
        if (Autostart::systemEntryExists(item.fileName)) {
            DesktopEntry override = item.entry; // keeps the entry valid on its own
            override.setBoolean(hiddenKey, true);
            removed = Autostart::writeUserEntry(item.fileName, override) && removed;
        }
    }
    return found && removed;
}

bool VLLoginItemHelper::isNameInLoginItem(const QString &name)
{
    const QList<Entry> items = Autostart::effectiveEntries();
    return std::any_of(items.cbegin(), items.cend(),
                       [&](const Entry &item) { return isNamed(item, name); });
}
