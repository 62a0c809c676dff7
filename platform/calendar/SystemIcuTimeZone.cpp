#include "platform/calendar/SystemIcuTimeZone_p.h"

#include "platform/calendar/IcuSupport_p.h"

#include <unicode/tztrans.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace platform {

namespace {

constexpr qint64 msPerDay = 86400000;
// ICU asks about dates far beyond any transition; QDateTime holds about
// ±292 million years in milliseconds. A million years each way is plenty.
constexpr qint64 msLimit = qint64(1e6 * 365.25) * msPerDay;
// No offset is larger than a day, so a wall time lies within two days of the
// instants it can stand for.
constexpr qint64 localWindow = 2 * msPerDay;

qint64 toMSecs(UDate date)
{
    return std::clamp(qint64(std::floor(date)), -msLimit, msLimit);
}

QDateTime utcAt(qint64 msecs)
{
    return QDateTime::fromMSecsSinceEpoch(msecs, QTimeZone::utc());
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar, with
// astronomical years (1 BC is year 0).
qint64 daysFromCivil(qint64 year, int month, int day)
{
    year -= month <= 2;
    const qint64 era = (year >= 0 ? year : year - 399) / 400;
    const qint64 yearOfEra = year - era * 400;
    const qint64 dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const qint64 dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

} // namespace

SystemIcuTimeZone::SystemIcuTimeZone(const QTimeZone &zone)
    : BasicTimeZone(icu_support::toUnicode(QString::fromLatin1(zone.id())))
    , m_zone(zone)
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const Offsets current = offsetsAt(now);
    m_rawOffset = current.raw;
    m_usesDaylightTime = current.dst != 0;
    const QDateTime yearAhead = utcAt(now + 366 * msPerDay);
    for (const QTimeZone::OffsetData &transition : m_zone.transitions(utcAt(now), yearAhead))
        m_usesDaylightTime = m_usesDaylightTime || transition.daylightTimeOffset > 0;
    const Offsets first = offsetsAt(-msLimit);
    m_initialRule = std::make_unique<icu::InitialTimeZoneRule>(icu_support::toUnicode(first.abbreviation), first.raw,
                                                               first.dst);
}

SystemIcuTimeZone::SystemIcuTimeZone(const SystemIcuTimeZone &other)
    : BasicTimeZone(other)
    , m_zone(other.m_zone)
    , m_rawOffset(other.m_rawOffset)
    , m_usesDaylightTime(other.m_usesDaylightTime)
    , m_initialRule(other.m_initialRule->clone())
{
}

SystemIcuTimeZone::~SystemIcuTimeZone() = default;

SystemIcuTimeZone *SystemIcuTimeZone::clone() const
{
    return new SystemIcuTimeZone(*this);
}

bool SystemIcuTimeZone::operator==(const icu::TimeZone &other) const
{
    return TimeZone::operator==(other) && hasSameRules(other);
}

SystemIcuTimeZone::Offsets SystemIcuTimeZone::offsetsAt(qint64 utcMSecs) const
{
    const QTimeZone::OffsetData data = m_zone.offsetData(utcAt(utcMSecs));
    if (!data.atUtc.isValid())
        return {};
    Offsets offsets;
    // A negative daylight-saving offset (Irish winter time, say) is folded
    // into the raw offset: ICU's fields expect none.
    const int32_t dst = std::max(0, data.daylightTimeOffset);
    offsets.raw = (data.offsetFromUtc - dst) * 1000;
    offsets.dst = dst * 1000;
    offsets.abbreviation = data.abbreviation;
    return offsets;
}

SystemIcuTimeZone::Span SystemIcuTimeZone::spanAt(qint64 utcMSecs) const
{
    {
        std::lock_guard lock(m_spanMutex);
        if (m_lastSpan && m_lastSpan->start <= utcMSecs && utcMSecs < m_lastSpan->end)
            return *m_lastSpan;
    }
    Span span{std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max(), offsetsAt(utcMSecs)};
    const QTimeZone::OffsetData previous = m_zone.previousTransition(utcAt(utcMSecs + 1));
    if (previous.atUtc.isValid() && previous.atUtc.toMSecsSinceEpoch() <= utcMSecs)
        span.start = previous.atUtc.toMSecsSinceEpoch();
    const QTimeZone::OffsetData next = m_zone.nextTransition(utcAt(utcMSecs));
    if (next.atUtc.isValid() && next.atUtc.toMSecsSinceEpoch() > utcMSecs)
        span.end = next.atUtc.toMSecsSinceEpoch();
    std::lock_guard lock(m_spanMutex);
    m_lastSpan = span;
    return span;
}

SystemIcuTimeZone::Offsets SystemIcuTimeZone::offsetsForLocal(qint64 localMSecs) const
{
    // A wall time belongs to the period a transition starts once it reaches
    // the transition's instant plus the new offset. So the wall times a change
    // skips take the offset before it and those it repeats the offset after it:
    // the later instant either way, as ICU's own zones answer by default.
    qint64 cursor = localMSecs - localWindow;
    const Span span = spanAt(cursor);
    if (span.end > localMSecs + localWindow)
        return span.offsets; // no transition near: the usual case
    Offsets current = span.offsets;
    while (true) {
        const QTimeZone::OffsetData next = m_zone.nextTransition(utcAt(cursor));
        if (!next.atUtc.isValid())
            break;
        const qint64 at = next.atUtc.toMSecsSinceEpoch();
        if (at <= cursor || at > localMSecs + localWindow)
            break;
        Offsets after = offsetsAt(at);
        if (localMSecs < at + after.raw + after.dst)
            break;
        current = std::move(after);
        cursor = at;
    }
    return current;
}

void SystemIcuTimeZone::getOffset(UDate date, UBool local, int32_t &rawOffset, int32_t &dstOffset,
                                  UErrorCode &status) const
{
    if (U_FAILURE(status))
        return;
    if (std::isnan(date)) {
        status = U_ILLEGAL_ARGUMENT_ERROR;
        return;
    }
    const qint64 msecs = toMSecs(date);
    const Offsets offsets = local ? offsetsForLocal(msecs) : spanAt(msecs).offsets;
    rawOffset = offsets.raw;
    dstOffset = offsets.dst;
}

int32_t SystemIcuTimeZone::getOffset(uint8_t era, int32_t year, int32_t month, int32_t day, uint8_t dayOfWeek,
                                     int32_t millis, UErrorCode &status) const
{
    return getOffset(era, year, month, day, dayOfWeek, millis, 31, status);
}

int32_t SystemIcuTimeZone::getOffset(uint8_t era, int32_t year, int32_t month, int32_t day, uint8_t /*dayOfWeek*/,
                                     int32_t millis, int32_t /*monthLength*/, UErrorCode &status) const
{
    if (U_FAILURE(status))
        return 0;
    if (month < 0 || month > 11) {
        status = U_ILLEGAL_ARGUMENT_ERROR;
        return 0;
    }
    const qint64 astronomicalYear = era == 0 ? 1 - qint64(year) : qint64(year);
    const qint64 local = daysFromCivil(std::clamp<qint64>(astronomicalYear, -1000000, 1000000), month + 1, day)
                             * msPerDay
                         + millis;
    int32_t raw = 0;
    int32_t dst = 0;
    getOffset(UDate(local), true, raw, dst, status);
    return raw + dst;
}

void SystemIcuTimeZone::setRawOffset(int32_t)
{
    // The offsets are the system's; like ICU's own zones from data, this one
    // does not take a new raw offset.
}

int32_t SystemIcuTimeZone::getRawOffset() const
{
    return m_rawOffset;
}

UBool SystemIcuTimeZone::useDaylightTime() const
{
    return m_usesDaylightTime;
}

UBool SystemIcuTimeZone::inDaylightTime(UDate date, UErrorCode &status) const
{
    int32_t raw = 0;
    int32_t dst = 0;
    getOffset(date, false, raw, dst, status);
    return dst != 0;
}

UBool SystemIcuTimeZone::hasSameRules(const icu::TimeZone &other) const
{
    const auto *system = dynamic_cast<const SystemIcuTimeZone *>(&other);
    return system && system->m_zone == m_zone;
}

void SystemIcuTimeZone::fillTransition(qint64 atMSecs, icu::TimeZoneTransition &result) const
{
    const Offsets before = offsetsAt(atMSecs - 1);
    const Offsets after = offsetsAt(atMSecs);
    result.setTime(UDate(atMSecs));
    result.adoptFrom(new icu::InitialTimeZoneRule(icu_support::toUnicode(before.abbreviation), before.raw, before.dst));
    result.adoptTo(new icu::InitialTimeZoneRule(icu_support::toUnicode(after.abbreviation), after.raw, after.dst));
}

UBool SystemIcuTimeZone::getNextTransition(UDate base, UBool inclusive, icu::TimeZoneTransition &result) const
{
    if (std::isnan(base))
        return false;
    qint64 cursor = toMSecs(base) - (inclusive ? 1 : 0);
    while (true) {
        const QTimeZone::OffsetData next = m_zone.nextTransition(utcAt(cursor));
        if (!next.atUtc.isValid())
            return false;
        const qint64 at = next.atUtc.toMSecsSinceEpoch();
        if (at <= cursor)
            return false;
        // Transitions that change only the abbreviation are no transitions to ICU.
        if (!(offsetsAt(at - 1) == offsetsAt(at))) {
            fillTransition(at, result);
            return true;
        }
        cursor = at;
    }
}

UBool SystemIcuTimeZone::getPreviousTransition(UDate base, UBool inclusive, icu::TimeZoneTransition &result) const
{
    if (std::isnan(base))
        return false;
    qint64 cursor = toMSecs(base) + (inclusive ? 1 : 0);
    while (true) {
        const QTimeZone::OffsetData previous = m_zone.previousTransition(utcAt(cursor));
        if (!previous.atUtc.isValid())
            return false;
        const qint64 at = previous.atUtc.toMSecsSinceEpoch();
        if (at >= cursor)
            return false;
        if (!(offsetsAt(at - 1) == offsetsAt(at))) {
            fillTransition(at, result);
            return true;
        }
        cursor = at;
    }
}

int32_t SystemIcuTimeZone::countTransitionRules(UErrorCode &) const
{
    // The transitions are the system's, one by one: no rules stand for them.
    return 0;
}

void SystemIcuTimeZone::getTimeZoneRules(const icu::InitialTimeZoneRule *&initial, const icu::TimeZoneRule *[],
                                         int32_t &trscount, UErrorCode &status) const
{
    if (U_FAILURE(status))
        return;
    initial = m_initialRule.get();
    trscount = 0;
}

UClassID SystemIcuTimeZone::getStaticClassID()
{
    static char classID = 0;
    return &classID;
}

UClassID SystemIcuTimeZone::getDynamicClassID() const
{
    return getStaticClassID();
}

std::unique_ptr<icu::TimeZone> createIcuTimeZone(const QTimeZone &zone)
{
    if (!zone.isValid())
        return std::unique_ptr<icu::TimeZone>(icu::TimeZone::getGMT()->clone());
    return std::make_unique<SystemIcuTimeZone>(zone);
}

} // namespace platform
