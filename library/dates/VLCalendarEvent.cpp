#include "VLCalendarEvent.h"

#include "CalendarRecord_p.h"
#include "ObjectComparison.h"
#include "platform/archive/ArchiveClassRegistry.h"
#include "platform/archive/Archiver.h"
#include "platform/archive/Unarchiver.h"
#include "platform/calendar/ArchivedCalendarDate.h"

VLCalendarEvent::VLCalendarEvent() = default;
VLCalendarEvent::~VLCalendarEvent() = default;

std::shared_ptr<protocols::VLCalendarEvent> VLCalendarEvent::copy() const
{
    auto event = std::make_shared<VLCalendarEvent>();
    event->m_title = m_title;
    event->m_startDate = m_startDate;
    event->m_endDate = m_endDate;
    event->m_isAllDay = m_isAllDay;
    return event;
}

std::optional<platform::CalendarDate> VLCalendarEvent::nextOccurrenceOfRecordAfterDate(const QDateTime &date) const
{
    return vl::dates::occurrenceAtOrAfter(m_startDate, date);
}

std::optional<platform::CalendarDate> VLCalendarEvent::previousOccurrenceOfRecordBeforeDate(const QDateTime &date) const
{
    return vl::dates::occurrenceAtOrBefore(m_startDate, date);
}

platform::ComparisonResult VLCalendarEvent::compare(const QVariant &other) const
{
    if (const auto event = platform::archivedObjectCast<VLCalendarEvent>(other))
        return compare(*event);
    const std::shared_ptr<const platform::ArchivedObject> self = weak_from_this().lock();
    return vl::compare(platform::archivedObjectVariant(std::const_pointer_cast<platform::ArchivedObject>(self)), other);
}

platform::ComparisonResult VLCalendarEvent::compare(const VLCalendarEvent &other) const
{
    return vl::dates::compareForDisplay({m_isAllDay, m_startDate, m_title},
                                        {other.m_isAllDay, other.m_startDate, other.m_title});
}

void VLCalendarEvent::encodeWithCoder(platform::Archiver &coder) const
{
    coder.encodeObject(m_title.isNull() ? QVariant() : QVariant(m_title));
    coder.encodeObject(platform::ArchivedCalendarDate::objectForDate(m_startDate));
    coder.encodeObject(platform::ArchivedCalendarDate::objectForDate(m_endDate));
    coder.encodeValueOfObjCType("c", qint8(m_isAllDay ? 1 : 0));
}

void VLCalendarEvent::initWithCoder(platform::Unarchiver &coder)
{
    m_title = vl::dates::decodeString(coder);
    m_startDate = vl::dates::decodeCalendarDate(coder);
    m_endDate = vl::dates::decodeCalendarDate(coder);
    m_isAllDay = vl::dates::decodeBool(coder);
}

void VLCalendarEvent::registerArchivedClasses(platform::ArchiveClassRegistry &registry)
{
    platform::ArchivedCalendarDate::registerArchivedClass(registry);
    registry.registerClass<VLCalendarEvent>();
}

namespace {
// The original runtime finds every class of an archive by name; registering
// with the shared registry at start-up gives the same.
[[maybe_unused]] const bool registeredWithSharedRegistry = [] {
    VLCalendarEvent::registerArchivedClasses(platform::ArchiveClassRegistry::shared());
    return true;
}();
} // namespace
