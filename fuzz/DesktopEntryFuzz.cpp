// Fuzzes desktop entry files, which come from folders other programs write to
// (autostart entries, application folders): any bytes parse or are refused; a
// parsed entry writes text that parses back to the same text; an Exec value that
// splits into arguments quotes back into a value that splits the same; and any
// text escapes into a value that unescapes to that text.

#include "platform/system/DesktopEntry.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char *what, const QString &detail)
{
    std::fprintf(stderr, "%s: %s\n", what, detail.toUtf8().constData());
    std::abort();
}

void checkEntry(const QByteArray &bytes)
{
    const auto entry = platform::DesktopEntry::parse(bytes);
    if (!entry)
        return;
    const QByteArray written = entry->toByteArray();
    const auto again = platform::DesktopEntry::parse(written);
    if (!again || again->toByteArray() != written)
        fail("a parsed entry does not write back to itself", QString::fromUtf8(written));

    const auto arguments = platform::DesktopEntry::splitExec(entry->value(QStringLiteral("Exec")));
    if (!arguments || arguments->isEmpty())
        return;
    QStringList quoted;
    for (const QString &argument : *arguments)
        quoted << platform::DesktopEntry::quoteExecArgument(argument);
    if (platform::DesktopEntry::splitExec(quoted.join(u' ')) != arguments)
        fail("quoted arguments do not split back", quoted.join(u' '));
}

void checkEscaping(const QString &text)
{
    if (platform::DesktopEntry::unescapeValue(platform::DesktopEntry::escapeValue(text)) != text)
        fail("an escaped value does not unescape to its text", text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 64 * 1024)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    checkEntry(bytes);
    checkEscaping(QString::fromUtf8(bytes));
    return 0;
}
