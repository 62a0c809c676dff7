#include "platform/calendar/TimeZones.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <mutex>

namespace platform {

namespace {

constexpr qint64 maximumZoneFileSize = 1 << 20;

struct DefaultZone
{
    std::mutex mutex;
    std::optional<QTimeZone> zone;
};

DefaultZone &defaultZone()
{
    static DefaultZone state;
    return state;
}

bool isWellFormedName(const QString &name)
{
    if (name.isEmpty() || name.startsWith(QLatin1Char('/')))
        return false;
    for (const QStringView component : QStringView(name).split(QLatin1Char('/'))) {
        if (component.isEmpty() || component == u"." || component == u"..")
            return false;
    }
    // The characters of IANA identifiers and of the system's older names.
    return std::all_of(name.cbegin(), name.cend(), [](QChar c) {
        return (c.unicode() < 0x80 && c.isLetterOrNumber()) || c == u'/' || c == u'_' || c == u'-' || c == u'+'
               || c == u'.';
    });
}

} // namespace

QString zoneinfoDirectory()
{
    return QStringLiteral("/usr/share/zoneinfo");
}

QTimeZone defaultTimeZone()
{
    DefaultZone &state = defaultZone();
    std::lock_guard lock(state.mutex);
    if (!state.zone)
        state.zone = QTimeZone::systemTimeZone();
    return *state.zone;
}

void setDefaultTimeZone(const QTimeZone &zone)
{
    if (!zone.isValid())
        return;
    DefaultZone &state = defaultZone();
    std::lock_guard lock(state.mutex);
    state.zone = zone;
}

QTimeZone gmtTimeZone()
{
    return QTimeZone::utc();
}

std::optional<QTimeZone> timeZoneWithName(const QString &name)
{
    if (!isWellFormedName(name))
        return std::nullopt;
    QTimeZone zone(name.toLatin1());
    if (!zone.isValid())
        return std::nullopt;
    return zone;
}

QStringList knownTimeZoneNames()
{
    QFile table(zoneinfoDirectory() + QStringLiteral("/zone.tab"));
    QStringList names;
    if (!table.open(QIODevice::ReadOnly | QIODevice::Text))
        return names;
    while (!table.atEnd()) {
        const QByteArray line = table.readLine().trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QList<QByteArray> columns = line.split('\t');
        if (columns.size() >= 3 && !columns[2].isEmpty())
            names.append(QString::fromLatin1(columns[2]));
    }
    return names;
}

std::optional<QByteArray> timeZoneData(const QTimeZone &zone)
{
    const QString name = QString::fromLatin1(zone.id());
    if (!zone.isValid() || !isWellFormedName(name))
        return std::nullopt;
    QFile file(zoneinfoDirectory() + QLatin1Char('/') + name);
    if (!QFileInfo(file).isFile() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    if (file.size() > maximumZoneFileSize)
        return std::nullopt;
    QByteArray data = file.read(maximumZoneFileSize + 1);
    if (data.size() > maximumZoneFileSize)
        return std::nullopt;
    return data;
}

} // namespace platform
