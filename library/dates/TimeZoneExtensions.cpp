#include "TimeZoneExtensions.h"

#include "platform/calendar/TimeZones.h"
#include "platform/core/NotificationCenter.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <map>
#include <mutex>

QVariantMap TimeZonePeriod::dictionary() const
{
    return {
        {VLTimeZonePeriodStartDate, QVariant::fromValue(startDate)},
        {VLTimeZonePeriodGMTOffset, gmtOffset},
        {VLTimeZonePeriodIsDST, isDST},
        {VLTimeZonePeriodAbbreviation, abbreviation},
    };
}

namespace vl {

namespace {

QCollator caseInsensitiveCollator()
{
    QCollator collator{QLocale()};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

bool isListedZoneName(const QString &name)
{
    return !name.endsWith(QLatin1String(".tab")) && !name.endsWith(QLatin1String("VERSION"))
           && !name.startsWith(QLatin1String("posix"));
}

struct PeriodCache
{
    std::mutex mutex;
    std::map<QByteArray, QList<TimeZonePeriod>> periods;
};

PeriodCache &periodCache()
{
    static PeriodCache cache;
    return cache;
}

} // namespace

QStringList realKnownTimeZoneNames()
{
    QStringList names = platform::knownTimeZoneNames();
    QSet<QString> listed(names.cbegin(), names.cend());
    const auto add = [&](const QString &name) {
        if (!listed.contains(name)) {
            listed.insert(name);
            names.append(name);
        }
    };
    for (const QString &folder : {QStringLiteral("US"), QStringLiteral("Canada"), QStringLiteral("GMT")}) {
        const QFileInfo info(platform::zoneinfoDirectory() + QLatin1Char('/') + folder);
        if (info.isDir()) {
            const QDir::Filters entries = QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden;
            for (const QString &entry : QDir(info.filePath()).entryList(entries, QDir::Name))
                add(folder + QLatin1Char('/') + entry);
        } else if (info.isFile()) {
            add(folder);
        }
    }
    return names;
}

void setDefaultTimeZoneAndNotify(const QTimeZone &zone)
{
    platform::setDefaultTimeZone(zone);
    platform::NotificationCenter::defaultCenter().post(VLDefaultTimeZoneDidChangeNotification);
}

QList<QTimeZone> sortedKnownTimeZones()
{
    struct Entry
    {
        QTimeZone zone;
        QString name;
        int offset;
    };
    const QDateTime now = QDateTime::currentDateTimeUtc();
    std::vector<Entry> entries;
    for (const QString &name : realKnownTimeZoneNames()) {
        if (!isListedZoneName(name))
            continue;
        if (const std::optional<QTimeZone> zone = platform::timeZoneWithName(name))
            entries.push_back({*zone, QString::fromLatin1(zone->id()), zone->offsetFromUtc(now)});
    }
    const QCollator collator = caseInsensitiveCollator();
    std::stable_sort(entries.begin(), entries.end(), [&](const Entry &a, const Entry &b) {
        return a.offset != b.offset ? a.offset < b.offset : collator.compare(a.name, b.name) < 0;
    });
    QList<QTimeZone> zones;
    zones.reserve(qsizetype(entries.size()));
    for (const Entry &entry : entries)
        zones.append(entry.zone);
    return zones;
}

platform::ComparisonResult compare(const QTimeZone &zone, const QTimeZone &other)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const int offset = zone.offsetFromUtc(now);
    const int otherOffset = other.offsetFromUtc(now);
    if (offset != otherOffset)
        return platform::comparisonResult(offset <=> otherOffset);
    return platform::comparisonResult(
        caseInsensitiveCollator().compare(QString::fromLatin1(zone.id()), QString::fromLatin1(other.id())));
}

std::optional<QList<TimeZonePeriod>> periods(const QTimeZone &zone)
{
    PeriodCache &cache = periodCache();
    {
        std::lock_guard lock(cache.mutex);
        const auto found = cache.periods.find(zone.id());
        if (found != cache.periods.end())
            return found->second;
    }
    const std::optional<QByteArray> data = platform::timeZoneData(zone);
    if (!data)
        return std::nullopt;
    std::optional<QList<TimeZonePeriod>> read = periodsFromZoneData(*data);
    if (read) {
        std::lock_guard lock(cache.mutex);
        cache.periods.emplace(zone.id(), *read);
    }
    return read;
}

std::optional<TimeZonePeriod> periodForDate(const QTimeZone &zone, const QDateTime &date)
{
    const std::optional<QList<TimeZonePeriod>> zonePeriods = periods(zone);
    return zonePeriods ? periodForDate(*zonePeriods, date) : std::nullopt;
}

std::optional<TimeZonePeriod> periodForDate(const QList<TimeZonePeriod> &periods, const QDateTime &date)
{
    if (periods.isEmpty() || !date.isValid())
        return std::nullopt;
    const qint64 at = date.toMSecsSinceEpoch();
    // The walk of the periods in their order, so that data whose transitions
    // are out of order still gives the period it always gave.
    const auto later = std::find_if(periods.cbegin(), periods.cend(), [at](const TimeZonePeriod &period) {
        return period.startDate.dateTime().toMSecsSinceEpoch() > at;
    });
    if (later == periods.cbegin())
        return periods.front();
    return *std::prev(later);
}

} // namespace vl
