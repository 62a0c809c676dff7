#include "VLCalendarTask.h"

#include "CalendarDateExtensions.h"
#include "CalendarRecord_p.h"
#include "ObjectComparison.h"
#include "platform/archive/ArchiveClassRegistry.h"
#include "platform/archive/Archiver.h"
#include "platform/archive/Unarchiver.h"
#include "platform/calendar/ArchivedCalendarDate.h"

VLCalendarTask::VLCalendarTask() = default;
VLCalendarTask::~VLCalendarTask() = default;

VLCalendarTask::VLCalendarTask(const QString &summary)
    : m_summary(summary)
{
}

std::shared_ptr<protocols::VLCalendarTask> VLCalendarTask::copy() const
{
    auto task = std::make_shared<VLCalendarTask>(m_summary);
    task->m_startDate = m_startDate;
    task->m_dueDate = m_dueDate;
    task->m_dueDateIsDateOnly = m_dueDateIsDateOnly;
    task->m_completionDate = m_completionDate;
    return task;
}

platform::ComparisonResult VLCalendarTask::compare(const QVariant &other) const
{
    if (const auto task = platform::archivedObjectCast<VLCalendarTask>(other))
        return compare(*task);
    const std::shared_ptr<const platform::ArchivedObject> self = weak_from_this().lock();
    return vl::compare(platform::archivedObjectVariant(std::const_pointer_cast<platform::ArchivedObject>(self)), other);
}

platform::ComparisonResult VLCalendarTask::compare(const VLCalendarTask &other) const
{
    return vl::dates::compareForDisplay({m_dueDateIsDateOnly, m_dueDate, m_summary},
                                        {other.m_dueDateIsDateOnly, other.m_dueDate, other.m_summary});
}

std::optional<platform::CalendarDate> VLCalendarTask::nextOccurrenceOfRecordAfterDate(const QDateTime &date) const
{
    return vl::dates::occurrenceAtOrAfter(m_startDate, date);
}

std::optional<platform::CalendarDate> VLCalendarTask::previousOccurrenceOfRecordBeforeDate(const QDateTime &date) const
{
    return vl::dates::occurrenceAtOrBefore(m_startDate, date);
}

platform::CalendarDate VLCalendarTask::endDateForDrawing() const
{
    const platform::CalendarDate today = vl::dateWithoutCurrentTime(platform::CalendarDate::calendarDate());
    if (!m_dueDate)
        return today;
    if (m_completionDate && m_completionDate->date() > m_dueDate->date())
        return *m_completionDate;
    return today.date() > m_dueDate->date() ? today : *m_dueDate;
}

void VLCalendarTask::encodeWithCoder(platform::Archiver &coder) const
{
    coder.encodeObject(m_summary.isNull() ? QVariant() : QVariant(m_summary));
    coder.encodeObject(platform::ArchivedCalendarDate::objectForDate(m_startDate));
    coder.encodeObject(platform::ArchivedCalendarDate::objectForDate(m_dueDate));
    coder.encodeValueOfObjCType("c", qint8(m_dueDateIsDateOnly ? 1 : 0));
    coder.encodeObject(platform::ArchivedCalendarDate::objectForDate(m_completionDate));
}

void VLCalendarTask::initWithCoder(platform::Unarchiver &coder)
{
    m_summary = vl::dates::decodeString(coder);
    m_startDate = vl::dates::decodeCalendarDate(coder);
    m_dueDate = vl::dates::decodeCalendarDate(coder);
    m_dueDateIsDateOnly = vl::dates::decodeBool(coder);
    m_completionDate = vl::dates::decodeCalendarDate(coder);
    m_status = 0;
}

void VLCalendarTask::registerArchivedClasses(platform::ArchiveClassRegistry &registry)
{
    platform::ArchivedCalendarDate::registerArchivedClass(registry);
    registry.registerClass<VLCalendarTask>();
}

namespace {
[[maybe_unused]] const bool registeredWithSharedRegistry = [] {
    VLCalendarTask::registerArchivedClasses(platform::ArchiveClassRegistry::shared());
    return true;
}();
} // namespace
