#include "platform/calendar/ArchivedCalendarDate.h"

#include "platform/archive/ArchiveClassRegistry.h"
#include "platform/archive/Archiver.h"
#include "platform/archive/Unarchiver.h"
#include "platform/calendar/TimeZones.h"

namespace platform {

const ArchivedClass &ArchivedCalendarDate::classForArchiver() const
{
    return archivedClass;
}

void ArchivedCalendarDate::encodeWithCoder(Archiver &coder) const
{
    coder.encodeValueOfObjCType("d", m_date.timeIntervalSinceReferenceDate());
    coder.encodeObject(QVariant(QString::fromLatin1(m_date.timeZone().id())));
}

void ArchivedCalendarDate::initWithCoder(Unarchiver &coder)
{
    const double seconds = coder.decodeValueOfObjCType("d").toDouble();
    const QVariant name = coder.decodeObject();
    if (coder.hasFailed())
        return;
    const std::optional<QTimeZone> zone = name.metaType() == QMetaType::fromType<QString>()
                                              ? timeZoneWithName(name.toString())
                                              : std::nullopt;
    if (!zone)
        return coder.failWithError(QStringLiteral("calendar date without a known time zone"));
    const std::optional<CalendarDate> date = CalendarDate::dateWithTimeIntervalSinceReferenceDate(seconds, *zone);
    if (!date)
        return coder.failWithError(QStringLiteral("calendar date %1 seconds from 2001 is out of range").arg(seconds));
    m_date = *date;
}

QVariant ArchivedCalendarDate::objectForDate(const std::optional<CalendarDate> &date)
{
    if (!date)
        return {};
    return archivedObjectVariant(std::make_shared<ArchivedCalendarDate>(*date));
}

bool ArchivedCalendarDate::dateFromObject(const QVariant &object, std::optional<CalendarDate> &date)
{
    if (object.isNull()) {
        date.reset();
        return true;
    }
    if (const auto archived = archivedObjectCast<ArchivedCalendarDate>(object)) {
        date = archived->calendarDate();
        return true;
    }
    if (object.metaType() == QMetaType::fromType<QDateTime>()) {
        date = CalendarDate::dateWithDate(object.toDateTime());
        return date.has_value();
    }
    return false;
}

void ArchivedCalendarDate::registerArchivedClass(ArchiveClassRegistry &registry)
{
    registry.registerClass<ArchivedCalendarDate>();
}

namespace {
[[maybe_unused]] const bool registeredWithSharedRegistry = [] {
    ArchivedCalendarDate::registerArchivedClass(ArchiveClassRegistry::shared());
    return true;
}();
} // namespace

} // namespace platform
