#include "platform/system/DesktopEntry.h"

#include "platform/system/DesktopEntryExec.h"

#include <QFile>
#include <QSaveFile>

namespace platform {

namespace {
const QString groupHeader = QStringLiteral("[Desktop Entry]");

// Only spaces and tabs around a line and its equals sign are layout (and the CR of
// a CRLF line end). Any other white space, such as U+00A0, has no escape, so it
// belongs to the value and must survive.
QString withoutBlanks(const QString &text)
{
    auto isBlank = [](QChar c) { return c == u' ' || c == u'\t' || c == u'\r'; };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text.at(begin)))
        ++begin;
    while (end > begin && isBlank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}
} // namespace

std::optional<DesktopEntry> DesktopEntry::parse(const QByteArray &text)
{
    DesktopEntry entry;
    bool inGroup = false;
    bool sawGroup = false;
    const QList<QByteArray> lines = text.split('\n');
    for (const QByteArray &rawLine : lines) {
        const QString line = withoutBlanks(QString::fromUtf8(rawLine));
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            inGroup = line == groupHeader;
            sawGroup = sawGroup || inGroup;
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (!inGroup || equals <= 0)
            continue;
        const QString key = withoutBlanks(line.left(equals));
        if (!entry.contains(key)) // the first of duplicate keys wins
            entry.m_entries.append({key, unescapeValue(withoutBlanks(line.mid(equals + 1)))});
    }
    if (!sawGroup)
        return std::nullopt;
    return entry;
}

std::optional<DesktopEntry> DesktopEntry::read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return parse(file.readAll());
}

QString DesktopEntry::value(const QString &key) const
{
    for (const auto &[k, v] : m_entries) {
        if (k == key)
            return v;
    }
    return {};
}

bool DesktopEntry::contains(const QString &key) const
{
    return std::any_of(m_entries.cbegin(), m_entries.cend(), [&](const auto &e) { return e.first == key; });
}

bool DesktopEntry::boolean(const QString &key) const
{
    return value(key) == QLatin1String("true");
}

QString DesktopEntry::localizedValue(const QString &key, const QString &locale) const
{
    // lang_COUNTRY.ENCODING@MODIFIER: the encoding never takes part in matching.
    QString name = locale;
    QString modifier;
    if (const qsizetype at = name.indexOf(u'@'); at >= 0) {
        modifier = name.mid(at + 1);
        name.truncate(at);
    }
    if (const qsizetype dot = name.indexOf(u'.'); dot >= 0)
        name.truncate(dot);
    const QString lang = name.section(u'_', 0, 0);
    const bool hasCountry = name.contains(u'_');
    QStringList candidates;
    if (hasCountry && !modifier.isEmpty())
        candidates << name + u'@' + modifier;
    if (hasCountry)
        candidates << name;
    if (!modifier.isEmpty())
        candidates << lang + u'@' + modifier;
    if (!lang.isEmpty())
        candidates << lang;
    for (const QString &candidate : std::as_const(candidates)) {
        const QString localized = key + u'[' + candidate + u']';
        if (contains(localized))
            return value(localized);
    }
    return value(key);
}

QString DesktopEntry::localizedValue(const QString &key) const
{
    return localizedValue(key, messagesLocale());
}

QString DesktopEntry::messagesLocale()
{
    for (const char *variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = qEnvironmentVariable(variable);
        if (!value.isEmpty())
            return value;
    }
    return {};
}

QStringList DesktopEntry::stringList(const QString &key) const
{
    const QString text = value(key);
    QStringList items;
    QString current;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == u'\\' && i + 1 < text.size() && text.at(i + 1) == u';') {
            current += u';';
            ++i;
        } else if (text.at(i) == u';') {
            items << current;
            current.clear();
        } else {
            current += text.at(i);
        }
    }
    if (!current.isEmpty())
        items << current;
    return items;
}

bool DesktopEntry::isShownIn(const QStringList &desktops) const
{
    const auto namesAny = [&](const QString &key) {
        const QStringList listed = stringList(key);
        return std::any_of(desktops.cbegin(), desktops.cend(), [&](const QString &d) { return listed.contains(d); });
    };
    if (contains(QStringLiteral("OnlyShowIn")) && !namesAny(QStringLiteral("OnlyShowIn")))
        return false;
    return !namesAny(QStringLiteral("NotShowIn"));
}

void DesktopEntry::setValue(const QString &key, const QString &value)
{
    for (auto &entry : m_entries) {
        if (entry.first == key) {
            entry.second = value;
            return;
        }
    }
    m_entries.append({key, value});
}

void DesktopEntry::setBoolean(const QString &key, bool value)
{
    setValue(key, value ? QStringLiteral("true") : QStringLiteral("false"));
}

QByteArray DesktopEntry::toByteArray() const
{
    QString text = groupHeader + QLatin1Char('\n');
    for (const auto &[key, value] : m_entries)
        text += key + QLatin1Char('=') + escapeValue(value) + QLatin1Char('\n');
    return text.toUtf8();
}

bool DesktopEntry::write(const QString &path) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = toByteArray();
    if (file.write(bytes) != bytes.size())
        return false;
    return file.commit();
}

QString DesktopEntry::escapeValue(const QString &value)
{
    QString escaped;
    escaped.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        switch (c.unicode()) {
        case '\\': escaped += QLatin1String("\\\\"); break;
        case '\n': escaped += QLatin1String("\\n"); break;
        case '\t': escaped += QLatin1String("\\t"); break;
        case '\r': escaped += QLatin1String("\\r"); break;
        case ' ':
            // Only a leading space would be lost to the reader's trimming; a trailing
            // one too, so escape both ends and leave inner spaces readable.
            escaped += (i == 0 || i == value.size() - 1) ? QStringLiteral("\\s") : QStringLiteral(" ");
            break;
        default: escaped += c;
        }
    }
    return escaped;
}

QString DesktopEntry::unescapeValue(const QString &value)
{
    QString plain;
    plain.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            plain += c;
            continue;
        }
        const QChar next = value.at(++i);
        switch (next.unicode()) {
        case 's': plain += QLatin1Char(' '); break;
        case 'n': plain += QLatin1Char('\n'); break;
        case 't': plain += QLatin1Char('\t'); break;
        case 'r': plain += QLatin1Char('\r'); break;
        case '\\': plain += QLatin1Char('\\'); break;
        default: plain += QLatin1Char('\\'); plain += next; // not an escape: keep both
        }
    }
    return plain;
}

QString DesktopEntry::quoteExecArgument(const QString &argument)
{
    QString quoted = QStringLiteral("\"");
    for (const QChar c : argument) {
        switch (c.unicode()) {
        case '"': case '`': case '$': case '\\':
            quoted += QLatin1Char('\\');
            quoted += c;
            break;
        case '%': quoted += QLatin1String("%%"); break;
        default: quoted += c;
        }
    }
    quoted += QLatin1Char('"');
    return quoted;
}

std::optional<QStringList> DesktopEntry::splitExec(const QString &exec)
{
    const auto parsed = DesktopEntryExec::parse(exec);
    if (!parsed)
        return std::nullopt;
    return parsed->commandLines({}, {}).value(0);
}

} // namespace platform
