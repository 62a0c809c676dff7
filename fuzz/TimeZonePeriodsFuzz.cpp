// Feeds arbitrary bytes to the reading of a zone's periods from TZif data, as
// a zone file replaced by anything would: nothing may crash or read out of
// bounds, what reads has one period a transition (one when there is none), and
// every date finds a period among them.

#include "TimeZoneExtensions.h"

#include <QtEndian>

#include <cstdint>
#include <cstdlib>
#include <limits>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(data, qsizetype(size));
    const std::optional<QList<TimeZonePeriod>> periods = vl::periodsFromZoneData(bytes);
    if (!periods)
        return 0;
    const qint32 times = qFromBigEndian<qint32>(bytes.data() + 32);
    if (periods->size() != std::max<qsizetype>(times, 1))
        std::abort();
    for (const TimeZonePeriod &period : *periods) {
        if (period.abbreviation.size() > bytes.size() || period.dictionary().size() != 4)
            std::abort();
    }
    const qint64 probes[] = {std::numeric_limits<qint32>::min() - 1LL, 0, std::numeric_limits<qint32>::max() + 1LL,
                             qint64(periods->back().startDate.timeIntervalSince1970())};
    for (const qint64 seconds : probes) {
        const auto period = vl::periodForDate(*periods, QDateTime::fromSecsSinceEpoch(seconds, QTimeZone::utc()));
        if (!period || !periods->contains(*period))
            std::abort();
    }
    return 0;
}
