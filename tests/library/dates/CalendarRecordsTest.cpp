// Calendar event and task records: order for display, occurrences, the end
// date for drawing, copies and archives.

#include "CalendarDateExtensions.h"
#include "DatesTestSupport.h"
#include "VLCalendarEvent.h"
#include "VLCalendarTask.h"
#include "platform/archive/Archiver.h"
#include "platform/archive/Unarchiver.h"

using namespace dates_test;
using platform::ComparisonResult;

namespace {

using CalendarRecordsTest = DatesTest;

std::shared_ptr<VLCalendarEvent> event(const char *summary, bool allDay, std::optional<platform::CalendarDate> start)
{
    auto result = std::make_shared<VLCalendarEvent>();
    result->setSummary(QString::fromUtf8(summary));
    result->setAllDay(allDay);
    result->setStartDate(start);
    return result;
}

std::shared_ptr<VLCalendarTask> task(const char *summary, bool dateOnly, std::optional<platform::CalendarDate> due)
{
    auto result = std::make_shared<VLCalendarTask>(QString::fromUtf8(summary));
    result->setDueDateIsDateOnly(dateOnly);
    result->setDueDate(due);
    return result;
}

platform::CalendarDate paris(int day, int hour, int minute = 0)
{
    return at(2009, 3, day, hour, minute, 0, "Europe/Paris");
}

TEST_F(CalendarRecordsTest, EventsOrderAllDayFirstThenByTimeOfDayThenBySummary)
{
    struct Row
    {
        const char *what;
        std::shared_ptr<VLCalendarEvent> a, b;
        ComparisonResult expected;
    };
    const Row rows[] = {
        {"all-day before timed, whatever the dates", event("z", true, paris(9, 0)), event("a", false, paris(1, 8)),
         ComparisonResult::OrderedAscending},
        {"two all-day by summary", event("Dentist", true, paris(9, 0)), event("Birthday", true, paris(1, 0)),
         ComparisonResult::OrderedDescending},
        {"only the time of day counts", event("z", false, paris(9, 9)), event("a", false, paris(1, 10)),
         ComparisonResult::OrderedAscending},
        {"the same time by summary", event("Lunch", false, paris(3, 12)), event("Meeting", false, paris(7, 12)),
         ComparisonResult::OrderedAscending},
        {"the same time of day in another zone", event("a", false, at(2009, 3, 5, 12, 0, 0, "America/New_York")),
         event("b", false, paris(5, 12, 30)),
         ComparisonResult::OrderedDescending}, // 18:00 against 12:30 in the default zone
        {"no start before a start", event("z", false, std::nullopt), event("a", false, paris(1, 0)),
         ComparisonResult::OrderedAscending},
        {"equal", event("a", false, paris(1, 10)), event("a", false, paris(2, 10)), ComparisonResult::OrderedSame},
    };
    for (const Row &row : rows) {
        EXPECT_EQ(row.a->compare(*row.b), row.expected) << row.what;
        EXPECT_EQ(row.a->compare(platform::archivedObjectVariant(row.b)), row.expected) << row.what;
    }
}

template<typename Record> std::shared_ptr<Record> roundTrip(const Record &record)
{
    const QByteArray archive = platform::Archiver::archivedDataWithRootObject(record);
    const auto decoded = platform::Unarchiver::unarchiveObjectWithData<Record>(archive);
    EXPECT_TRUE(decoded) << decoded.error().description.toStdString();
    return decoded ? *decoded : nullptr;
}

TEST_F(CalendarRecordsTest, TasksOrderDateOnlyFirstThenAsEventsOnTheirDueDate)
{
    EXPECT_EQ(task("z", true, paris(9, 23))->compare(*task("a", false, paris(1, 1))),
              ComparisonResult::OrderedAscending);
    // The rest is the events' order, on the due date.
    EXPECT_EQ(task("b", false, paris(9, 9))->compare(*task("a", false, paris(1, 9))),
              ComparisonResult::OrderedDescending);
    // A null summary comes first, consistently both ways.
    auto untitled = std::make_shared<VLCalendarTask>();
    untitled->setDueDate(paris(1, 9));
    EXPECT_EQ(untitled->compare(*task("", false, paris(1, 9))), ComparisonResult::OrderedAscending);
    EXPECT_EQ(task("", false, paris(1, 9))->compare(*untitled), ComparisonResult::OrderedDescending);
}

TEST_F(CalendarRecordsTest, EventsArchiveAndCopyEveryValue)
{
    for (const bool allDay : {false, true}) {
        auto original = event("Trip to Orléans", allDay, at(2009, 3, 5, 8, 0, 0, "Asia/Tokyo"));
        original->setEndDate(at(2009, 3, 6, 18, 0, 0, "America/Nuuk"));
        const auto decoded = roundTrip(*original);
        ASSERT_TRUE(decoded);
        const auto copy = std::dynamic_pointer_cast<VLCalendarEvent>(original->copy());
        ASSERT_TRUE(copy);
        for (const auto &other : {decoded, copy}) {
            EXPECT_EQ(other->summary(), original->summary());
            EXPECT_EQ(other->isAllDay(), allDay);
            EXPECT_EQ(other->startDate(), original->startDate());
            EXPECT_EQ(other->startDate()->timeZone(), zone("Asia/Tokyo"));
            EXPECT_EQ(other->endDate()->timeZone(), zone("America/Nuuk"));
        }
    }
    const auto empty = roundTrip(VLCalendarEvent());
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->summary().isNull());
    EXPECT_FALSE(empty->startDate() || empty->endDate() || empty->isAllDay());
}

// An event as another writer might have stored it: plain dates and a "c"
// value of 2 for its flag.
class ForeignEvent : public platform::ArchivedObject
{
public:
    QVariant title = QStringLiteral("Imported");
    QVariant start = utc(2009, 3, 5, 11);
    qint8 allDay = 2;
    const platform::ArchivedClass &classForArchiver() const override { return VLCalendarEvent::archivedClass; }
    void encodeWithCoder(platform::Archiver &coder) const override
    {
        coder.encodeObject(title);
        coder.encodeObject(start);
        coder.encodeObject(QVariant());
        coder.encodeValueOfObjCType("c", allDay);
    }
    void initWithCoder(platform::Unarchiver &) override { }
};

TEST_F(CalendarRecordsTest, DecodingTakesPlainDatesAndRefusesOtherObjects)
{
    const ForeignEvent foreign;
    const auto decoded = platform::Unarchiver::unarchiveObjectWithData<VLCalendarEvent>(
        platform::Archiver::archivedDataWithRootObject(foreign));
    ASSERT_TRUE(decoded) << decoded.error().description.toStdString();
    EXPECT_EQ((*decoded)->summary(), "Imported");
    EXPECT_TRUE((*decoded)->isAllDay());
    EXPECT_EQ((*decoded)->startDate()->date(), utc(2009, 3, 5, 11));
    EXPECT_EQ((*decoded)->startDate()->timeZone(), zone("Europe/Paris"));
    EXPECT_FALSE((*decoded)->endDate());

    ForeignEvent numberForDate;
    numberForDate.start = 42;
    EXPECT_FALSE(
        platform::Unarchiver::unarchiveObjectWithData(platform::Archiver::archivedDataWithRootObject(numberForDate)));
    ForeignEvent dateForTitle;
    dateForTitle.title = utc(2009, 3, 5);
    EXPECT_FALSE(
        platform::Unarchiver::unarchiveObjectWithData(platform::Archiver::archivedDataWithRootObject(dateForTitle)));
    // A calendar date names its zone; one the system lacks is refused.
    QByteArray unknownZone = platform::Archiver::archivedDataWithRootObject(*event("x", false, paris(1, 9)));
    ASSERT_TRUE(unknownZone.contains("Europe/Paris"));
    unknownZone.replace("Europe/Paris", "Europe/Parix");
    EXPECT_FALSE(platform::Unarchiver::unarchiveObjectWithData(unknownZone));
}

} // namespace
