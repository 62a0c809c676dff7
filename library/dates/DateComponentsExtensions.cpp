#include "DateComponentsExtensions.h"

#include <algorithm>
#include <array>

namespace vl {

namespace {

using Getter = qint32 (platform::DateComponents::*)() const;

// The order in which the fields are compared.
constexpr std::array<Getter, 10> comparedFields{
    &platform::DateComponents::day,    &platform::DateComponents::era,     &platform::DateComponents::hour,
    &platform::DateComponents::minute, &platform::DateComponents::month,   &platform::DateComponents::second,
    &platform::DateComponents::week,   &platform::DateComponents::weekday, &platform::DateComponents::weekdayOrdinal,
    &platform::DateComponents::year,
};

} // namespace

QString description(const platform::DateComponents &c)
{
    return QStringLiteral("<NSDateComponents: 0x%1>").arg(quintptr(&c), 0, 16)
           + QStringLiteral("\nera = %1\nyear = %2\nmonth = %3\nweek = %4\nday = %5\nweekday = %6"
                            "\nweekdayOrdinal = %7\nhour = %8\nminute = %9\nsecond = %10")
                 .arg(c.era())
                 .arg(c.year())
                 .arg(c.month())
                 .arg(c.week())
                 .arg(c.day())
                 .arg(c.weekday())
                 .arg(c.weekdayOrdinal())
                 .arg(c.hour())
                 .arg(c.minute())
                 .arg(c.second());
}

quint32 hash(const platform::DateComponents &components)
{
    quint32 sum = 0;
    for (const Getter field : comparedFields) {
        const qint32 value = (components.*field)();
        if (value != platform::UndefinedDateComponent)
            sum += quint32(value);
    }
    return sum;
}

bool isEqual(const platform::DateComponents &components, const platform::DateComponents &other)
{
    return std::all_of(comparedFields.cbegin(), comparedFields.cend(),
                       [&](Getter field) { return (components.*field)() == (other.*field)(); });
}

bool isEqual(const platform::DateComponents &components, const QVariant &other)
{
    if (other.metaType() != QMetaType::fromType<platform::DateComponents>())
        return false;
    return isEqual(components, other.value<platform::DateComponents>());
}

} // namespace vl
