// Fuzzes the Exec values of desktop entries and the files they are opened with,
// both written by other programs: any value parses or is refused; a parsed value
// expands into command lines that start with its own program, one line or one a
// URL, each argument standing for at most the URLs (or "--icon" and the icon);
// files and URLs pass through as whole arguments whatever they hold
// (quotes, field codes), never read again; and arguments quoted one by one parse
// back into themselves.
//
// Input: the Exec value, then a NUL byte and the file names, separated by NUL bytes.

#include "platform/system/DesktopEntry.h"
#include "platform/system/DesktopEntryExec.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using platform::DesktopEntry;
using platform::DesktopEntryExec;

namespace {

[[noreturn]] void fail(const char *what, const QString &detail)
{
    std::fprintf(stderr, "%s: %s\n", what, detail.toUtf8().constData());
    std::abort();
}

QString quoted(const QStringList &arguments)
{
    QStringList out;
    for (const QString &argument : arguments)
        out << DesktopEntry::quoteExecArgument(argument);
    return out.join(u' ');
}

void checkExpansion(const QString &exec, const QList<QUrl> &urls)
{
    const auto parsed = DesktopEntryExec::parse(exec);
    if (!parsed)
        return;
    const DesktopEntryExec::Context context{QStringLiteral("icon %f"), QStringLiteral("name \"%u\""), QStringLiteral("/a b/%k.desktop")};
    const QList<QStringList> lines = parsed->commandLines(urls, context);
    if (lines.size() != 1 && lines.size() != urls.size())
        fail("an unexpected number of command lines", exec);
    const qsizetype ownArguments = exec.count(u' ') + exec.count(u'\t') + 1;
    for (const QStringList &line : lines) {
        if (!parsed->program().isEmpty() && line.value(0) != parsed->program())
            fail("a command line that does not start with the program", exec);
        if (line.size() > ownArguments * (urls.size() + 2))
            fail("an expansion that adds arguments", exec);
    }
}

void checkPassThrough(const QStringList &names)
{
    if (names.isEmpty() || names.first().isEmpty())
        return;
    // The first name is the program, the others the files, given as URLs.
    QList<QUrl> urls;
    QStringList files;
    for (const QString &name : names.mid(1)) {
        const QString path = u'/' + name;
        const QUrl url = QUrl::fromLocalFile(path);
        if (url.toLocalFile() != path)   // not a name a local file can have
            continue;
        urls << url;
        files << path;
    }
    const QString program = names.first();
    const auto parsed = DesktopEntryExec::parse(quoted({program}) + QStringLiteral(" %F"));
    if (!parsed)
        fail("a quoted program does not parse", program);
    if (parsed->commandLines(urls, {}) != QList<QStringList>{QStringList{program} + files})
        fail("files do not pass through whole", program);
    const auto plain = DesktopEntryExec::parse(quoted(names));
    if (!plain || plain->commandLines({}, {}) != QList<QStringList>{names})
        fail("quoted arguments do not parse back", quoted(names));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 16 * 1024)
        return 0;
    const QList<QByteArray> parts = QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)).split('\0');
    const QString exec = QString::fromUtf8(parts.first());
    QStringList names;
    QList<QUrl> urls;
    for (const QByteArray &part : parts.mid(1)) {
        names << QString::fromUtf8(part);
        urls << (part.startsWith('/') ? QUrl::fromLocalFile(QString::fromUtf8(part)) : QUrl(QString::fromUtf8(part)));
    }
    checkExpansion(exec, urls);
    checkPassThrough(QStringList{exec} + names);
    return 0;
}
