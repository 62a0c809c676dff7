#pragma once

#include "platform/archive/ArchivedObject.h"
#include "platform/calendar/CalendarDate.h"

#include <QVariant>

#include <optional>

namespace platform {

class ArchiveClassRegistry;

/// A calendar date as an object of a sequential archive. No archive of the
/// original class is known, so its form is this layer's own: class
/// "NSCalendarDate" version 0, a subclass of NSDate that writes NSDate's value
/// first, then its zone:
///
///     "d"  seconds since 2001-01-01 00:00:00 GMT
///     "@"  the zone's name, an NSString ("Europe/Paris", "UTC")
///
/// so that a date reads back in the zone it was written in. Reading refuses a
/// zone name the system does not know and a nil name.
class ArchivedCalendarDate : public ArchivedObject
{
public:
    /// NSCalendarDate v0 -> NSDate v0 -> NSObject.
    static constexpr ArchivedClass dateClass{"NSDate", 0, &ArchivedClass::NSObject};
    static constexpr ArchivedClass archivedClass{"NSCalendarDate", 0, &dateClass};

    ArchivedCalendarDate() = default;
    explicit ArchivedCalendarDate(const CalendarDate &date)
        : m_date(date)
    {
    }

    const CalendarDate &calendarDate() const { return m_date; }

    const ArchivedClass &classForArchiver() const override;
    void encodeWithCoder(Archiver &coder) const override;
    void initWithCoder(Unarchiver &coder) override;

    /// The object to hand to Archiver::encodeObject for `date`: nil for none.
    static QVariant objectForDate(const std::optional<CalendarDate> &date);

    /// What a decoded object holds as a calendar date: none for nil, the date
    /// of a calendar date, and a plain date (NSDate) in the default zone.
    /// Returns false, leaving `date` alone, for any other object.
    static bool dateFromObject(const QVariant &object, std::optional<CalendarDate> &date);

    /// Registers the class with `registry` (done for the shared registry when
    /// the program starts).
    static void registerArchivedClass(ArchiveClassRegistry &registry);

private:
    CalendarDate m_date;
};

} // namespace platform
