#include "Workspace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace platform {

namespace {

struct Launch
{
    QString program;
    QStringList arguments;
    QString workingDirectory;
};

bool isPlainFileName(const QString &name)
{
    return !name.isEmpty() && !name.contains(u'/') && name != u"." && name != u"..";
}

bool isExecutableFile(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

// The general escapes of a desktop entry's string values.
QString unescapeValue(QStringView value)
{
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != u'\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        switch (value[++i].unicode()) {
        case u's': out += u' '; break;
        case u'n': out += u'\n'; break;
        case u't': out += u'\t'; break;
        case u'r': out += u'\r'; break;
        case u'\\': out += u'\\'; break;
        default: out += u'\\'; out += value[i]; break;
        }
    }
    return out;
}

// The [Desktop Entry] group's unlocalised keys.
std::optional<QHash<QString, QString>> readDesktopEntry(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    QHash<QString, QString> keys;
    bool inMainGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            inMainGroup = line == u"[Desktop Entry]";
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!inMainGroup || equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed();
        if (!keys.contains(key))
            keys.insert(key, unescapeValue(QStringView(line).mid(equals + 1).trimmed()));
    }
    return keys;
}

// Splits an Exec value into arguments as the Desktop Entry specification quotes
// them and expands the field codes for a launch without files. None when a quote
// is left open or a field code is unknown.
std::optional<QStringList> splitExec(const QString &exec, const QHash<QString, QString> &entry, const QString &path)
{
    QStringList arguments;
    QString current;
    bool literal = false;   // the argument has text of its own, even "" quoted
    bool quoted = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (quoted) {
            if (c == u'"') {
                quoted = false;
            } else if (c == u'\\' && i + 1 < exec.size() && QStringView(u"\"`$\\").contains(exec[i + 1])) {
                current += exec[++i];
            } else {
                current += c;
            }
            continue;
        }
        if (c == u' ' || c == u'\t') {
            if (literal || !current.isEmpty())
                arguments.append(std::exchange(current, QString()));
            literal = false;
            continue;
        }
        if (c == u'"') {
            quoted = literal = true;
        } else if (c == u'%' && i + 1 < exec.size()) {
            switch (exec[++i].unicode()) {
            case u'%': current += u'%'; break;
            case u'c': current += entry.value(QStringLiteral("Name")); break;
            case u'k': current += path; break;
            case u'f': case u'F': case u'u': case u'U': case u'i':
            case u'd': case u'D': case u'n': case u'N': case u'v': case u'm':
                break;   // no files to pass, no icon: the code stands for nothing
            default:
                return std::nullopt;
            }
        } else {
            current += c;
            literal = true;
        }
    }
    if (quoted)
        return std::nullopt;
    if (literal || !current.isEmpty())
        arguments.append(current);
    return arguments;
}

std::optional<Launch> launchForDesktopEntry(const QString &path)
{
    const auto entry = readDesktopEntry(path);
    if (!entry || entry->value(QStringLiteral("Type")) != u"Application")
        return std::nullopt;
    auto arguments = splitExec(entry->value(QStringLiteral("Exec")), *entry, path);
    if (!arguments || arguments->isEmpty())
        return std::nullopt;
    QString program = arguments->takeFirst();
    if (!program.contains(u'/'))
        program = QStandardPaths::findExecutable(program);
    if (!isExecutableFile(program))
        return std::nullopt;
    return Launch{program, *arguments, entry->value(QStringLiteral("Path"))};
}

std::optional<Launch> launchFor(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir()) {
        if (info.suffix() != u"app")
            return std::nullopt;
        const QString executable = QDir(path).filePath(info.completeBaseName());
        if (!isExecutableFile(executable))
            return std::nullopt;
        return Launch{executable, {}, {}};
    }
    if (info.isFile() && info.suffix() == u"desktop")
        return launchForDesktopEntry(path);
    if (isExecutableFile(path))
        return Launch{info.absoluteFilePath(), {}, {}};
    return std::nullopt;
}

QStringList applicationFolders(bool withUserApplications)
{
    QStringList folders;
    if (withUserApplications)
        folders.append(QDir::homePath() + QStringLiteral("/Applications"));
    folders += QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation);
    return folders;
}

} // namespace

bool Workspace::openFile(const QString &path)
{
    const auto launch = launchFor(path);
    if (!launch)
        return false;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DESKTOP_STARTUP_ID"));
    environment.remove(QStringLiteral("XDG_ACTIVATION_TOKEN"));
    QProcess process;
    process.setProgram(launch->program);
    process.setArguments(launch->arguments);
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(launch->workingDirectory.isEmpty() ? QDir::homePath() : launch->workingDirectory);
    process.setStandardInputFile(QProcess::nullDevice());
    return process.startDetached();
}

std::optional<QString> Workspace::fullPathForApplication(const QString &name)
{
    QString base = name;
    if (base.endsWith(QLatin1String(".app")))
        base.chop(4);
    if (!isPlainFileName(base))
        return std::nullopt;
    for (const QString &folder : applicationFolders(true)) {
        const QString app = folder + u'/' + base + QStringLiteral(".app");
        if (launchFor(app))
            return app;
        const QString entry = folder + u'/' + base + QStringLiteral(".desktop");
        if (QFileInfo(entry).isFile())
            return entry;
    }
    return std::nullopt;
}

std::optional<QString> Workspace::absolutePathForAppBundleWithIdentifier(const QString &identifier)
{
    if (!isPlainFileName(identifier))
        return std::nullopt;
    for (const QString &folder : applicationFolders(false)) {
        const QString entry = folder + u'/' + identifier + QStringLiteral(".desktop");
        if (QFileInfo(entry).isFile())
            return entry;
    }
    return std::nullopt;
}

} // namespace platform
