// Dates: the periods of every zone of the system read from their TZif data,
// beside ICU enumerating the same zones' transitions over the same span with
// BasicTimeZone::getNextTransition; the period in force at a date, beside ICU's
// getPreviousTransition at the same dates; and the month grid per call, beside
// a floor that asks an ICU calendar only for the month's length and first
// weekday. Prints each ratio.

#include "BenchmarkTimes.h"
#include "CalendarExtensions.h"
#include "TimeZoneExtensions.h"
#include "platform/calendar/TimeZones.h"

#include <QDateTime>
#include <QFile>

#include <unicode/basictz.h>
#include <unicode/calendar.h>
#include <unicode/tztrans.h>

#include <cstdio>
#include <limits>
#include <memory>
#include <vector>

namespace {

constexpr double spanStart = std::numeric_limits<qint32>::min() * 1000.0;
constexpr double spanEnd = std::numeric_limits<qint32>::max() * 1000.0;

struct Zone
{
    QByteArray data;
    std::unique_ptr<icu::BasicTimeZone> icu;
};

// The zones of the system's zone table that ICU knows too.
const std::vector<Zone> &zones()
{
    static const std::vector<Zone> all = [] {
        std::vector<Zone> result;
        for (const QString &name : platform::knownTimeZoneNames()) {
            QFile file(platform::zoneinfoDirectory() + QLatin1Char('/') + name);
            std::unique_ptr<icu::TimeZone> icu(icu::TimeZone::createTimeZone(
                icu::UnicodeString(reinterpret_cast<const char16_t *>(name.utf16()), int32_t(name.size()))));
            auto *basic = dynamic_cast<icu::BasicTimeZone *>(icu.get());
            if (!file.open(QIODevice::ReadOnly) || !basic || *icu == icu::TimeZone::getUnknown())
                continue;
            icu.release();
            result.push_back({file.readAll(), std::unique_ptr<icu::BasicTimeZone>(basic)});
        }
        return result;
    }();
    return all;
}

// Dates spread over the 32-bit span, the same for both sides.
const std::vector<qint64> &lookupSeconds()
{
    static const std::vector<qint64> seconds = [] {
        std::vector<qint64> result;
        for (qint64 s = std::numeric_limits<qint32>::min(); s < std::numeric_limits<qint32>::max(); s += 4194304)
            result.push_back(s + 12345);
        return result;
    }();
    return seconds;
}

void PeriodsOfAllZones(benchmark::State &state)
{
    qsizetype periods = 0;
    for (auto _ : state) {
        for (const Zone &zone : zones())
            periods += vl::periodsFromZoneData(zone.data)->size();
    }
    benchmark::DoNotOptimize(periods);
    state.counters["zones"] = double(zones().size());
}

void IcuTransitionsOfAllZones(benchmark::State &state)
{
    qsizetype transitions = 0;
    icu::TimeZoneTransition transition;
    for (auto _ : state) {
        for (const Zone &zone : zones()) {
            UDate at = spanStart;
            bool inclusive = true;
            while (zone.icu->getNextTransition(at, inclusive, transition) && transition.getTime() <= spanEnd) {
                at = transition.getTime();
                inclusive = false;
                ++transitions;
            }
        }
    }
    benchmark::DoNotOptimize(transitions);
}

void PeriodForDate(benchmark::State &state)
{
    const QTimeZone paris = *platform::timeZoneWithName(QStringLiteral("Europe/Paris"));
    std::vector<QDateTime> dates;
    for (const qint64 seconds : lookupSeconds())
        dates.push_back(QDateTime::fromSecsSinceEpoch(seconds, QTimeZone::utc()));
    size_t i = 0;
    for (auto _ : state) {
        const auto period = vl::periodForDate(paris, dates[i++ % dates.size()]);
        benchmark::DoNotOptimize(period->gmtOffset);
    }
}

void IcuPreviousTransition(benchmark::State &state)
{
    std::unique_ptr<icu::TimeZone> paris(icu::TimeZone::createTimeZone("Europe/Paris"));
    const auto *basic = dynamic_cast<const icu::BasicTimeZone *>(paris.get());
    std::vector<UDate> dates;
    for (const qint64 seconds : lookupSeconds())
        dates.push_back(UDate(seconds) * 1000.0);
    icu::TimeZoneTransition transition;
    size_t i = 0;
    for (auto _ : state) {
        const bool found = basic->getPreviousTransition(dates[i++ % dates.size()], true, transition);
        benchmark::DoNotOptimize(found);
        benchmark::DoNotOptimize(transition.getTime());
    }
}

void MonthGrid(benchmark::State &state)
{
    const platform::Calendar calendar = *platform::Calendar::calendarWithIdentifier(QStringLiteral("gregorian"));
    const QDateTime date(QDate(2009, 3, 15), QTime(12, 0), QTimeZone::utc());
    for (auto _ : state) {
        const auto layout = vl::layoutOfMonthForDate(calendar, date);
        benchmark::DoNotOptimize(layout->data());
    }
}

// The least a grid takes from ICU: the month's length and the weekday of its
// first day, the cells counted rather than read from the calendar.
void IcuMonthGridFloor(benchmark::State &state)
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Calendar> calendar(icu::Calendar::createInstance(icu::Locale("en_US"), status));
    const UDate date = QDateTime(QDate(2009, 3, 15), QTime(12, 0), QTimeZone::utc()).toMSecsSinceEpoch();
    std::array<qint32, 42> layout{};
    for (auto _ : state) {
        calendar->setTime(date, status);
        const int32_t days = calendar->getActualMaximum(UCAL_DATE, status);
        calendar->set(UCAL_DATE, 1);
        int start = calendar->get(UCAL_DAY_OF_WEEK, status) - calendar->getFirstDayOfWeek(status);
        start += start < 0 ? 7 : 0;
        layout.fill(-1);
        for (int32_t day = 0; day < days; ++day)
            layout[size_t(start + day)] = day + 1;
        benchmark::DoNotOptimize(layout.data());
    }
}

BENCHMARK(PeriodsOfAllZones)->Unit(benchmark::kMillisecond);
BENCHMARK(IcuTransitionsOfAllZones)->Unit(benchmark::kMillisecond);
BENCHMARK(PeriodForDate);
BENCHMARK(IcuPreviousTransition);
BENCHMARK(MonthGrid)->Unit(benchmark::kMicrosecond);
BENCHMARK(IcuMonthGridFloor)->Unit(benchmark::kMicrosecond);

void printRatio(const corvane::bench::BenchmarkTimes &times, const char *what, const std::string &ours,
                const std::string &peer, const char *peerName)
{
    if (const auto ratio = times.ratio(ours, peer))
        std::printf("ratio %s: %.2fx (ours %.3g, %s %.3g, in the table's units)\n", what, ratio->value(),
                    ratio->numerator, peerName, ratio->denominator);
}

} // namespace

int main(int argc, char **argv)
{
    using namespace corvane::bench;
    return runBenchmarks(argc, argv, Clock::Cpu, [](const BenchmarkTimes &times) {
        printRatio(times, "periods of all zones", "PeriodsOfAllZones", "IcuTransitionsOfAllZones",
                   "ICU getNextTransition");
        printRatio(times, "period for a date", "PeriodForDate", "IcuPreviousTransition", "ICU getPreviousTransition");
        printRatio(times, "month grid", "MonthGrid", "IcuMonthGridFloor", "ICU floor");
    });
}
