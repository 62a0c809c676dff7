// The month grids and the zone periods against references nobody here wrote:
// the month calendars of ncal(1) for 1900 to 2100, and the transitions
// zdump(8) prints for every zone of the system over the 32-bit range.

#include "CalendarExtensions.h"
#include "DatesTestSupport.h"
#include "TimeZoneExtensions.h"

#include <QDirIterator>
#include <QFile>
#include <QProcess>

#include <limits>
#include <map>

using namespace dates_test;

namespace {

using ReferenceComparisonTest = DatesTest;

constexpr int firstYear = 1900;
constexpr int lastYear = 2100;

std::optional<QString> run(const QString &program, const QStringList &arguments, QString *error)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted() || !process.waitForFinished(240000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        *error = program + QStringLiteral(": ") + process.errorString()
                 + QString::fromLocal8Bit(process.readAllStandardError());
        return std::nullopt;
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

// ---- month grids against ncal ---------------------------------------------

// Every month of every year as ncal lays it out ("ncal -b -h -S|-M <year>"):
// bands of months side by side, each a weekday header and six week rows,
// columns of 22 characters, cells of 3.
std::map<std::pair<int, int>, vl::MonthLayout> ncalGrids(const QString &output)
{
    std::map<std::pair<int, int>, vl::MonthLayout> grids;
    int year = 0;
    int month = 0;
    const QStringList lines = output.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].startsWith(QLatin1String("@@ "))) {
            year = lines[i].mid(3).toInt();
            month = 0;
            continue;
        }
        const qsizetype columns = lines[i].count(QLatin1String("Su Mo Tu We Th Fr Sa"))
                                  + lines[i].count(QLatin1String("Mo Tu We Th Fr Sa Su"));
        for (qsizetype column = 0; column < columns && i + 6 < lines.size(); ++column) {
            vl::MonthLayout layout;
            for (int cell = 0; cell < 42; ++cell) {
                const QString row = lines[i + 1 + cell / 7].leftJustified(80);
                const QString text = row.mid(column * 22 + (cell % 7) * 3, 2).trimmed();
                layout[size_t(cell)] = text.isEmpty() ? -1 : text.toInt();
            }
            grids[{year, ++month}] = layout;
        }
    }
    return grids;
}

TEST_F(ReferenceComparisonTest, MonthGridsMatchNcalFrom1900To2100)
{
    for (const auto &[option, firstWeekday] : {std::pair{"S", 1}, std::pair{"M", 2}}) {
        const QString script =
            QStringLiteral("for y in $(seq %1 %2); do echo \"@@ $y\"; LC_ALL=C ncal -b -h -%3 $y || exit 1; done")
                .arg(firstYear)
                .arg(lastYear)
                .arg(QLatin1String(option));
        QString error;
        const std::optional<QString> output = run(QStringLiteral("sh"), {QStringLiteral("-c"), script}, &error);
        if (!output)
            GTEST_SKIP() << "ncal (Debian package ncal) did not run: " << error.toStdString();
        const auto grids = ncalGrids(*output);
        ASSERT_EQ(grids.size(), size_t(lastYear - firstYear + 1) * 12) << "-" << option;

        auto calendar = platform::Calendar::calendarWithIdentifier(QStringLiteral("gregorian"));
        calendar->setFirstWeekday(firstWeekday);
        int mismatches = 0;
        for (const auto &[month, expected] : grids) {
            const auto layout = vl::layoutOfMonthForDate(*calendar, utc(month.first, month.second, 15, 12));
            if (layout != expected && ++mismatches <= 5) {
                ADD_FAILURE() << month.first << "-" << month.second << " first weekday " << firstWeekday
                              << " differs from ncal -" << option;
            }
        }
        EXPECT_EQ(mismatches, 0);
    }
}

// ---- zone periods against zdump -------------------------------------------

struct ZoneState
{
    qint32 offset;
    bool isDST;
    QString abbreviation;
    bool operator==(const ZoneState &) const = default;
};

struct Transition
{
    qint64 at;
    ZoneState state;
    bool operator==(const Transition &) const = default;
};

struct ZdumpZone
{
    std::optional<ZoneState> initial;
    std::vector<Transition> transitions;
};

std::optional<qint64> zdumpTime(QStringView text)
{
    static const QStringList months{"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const QStringList fields = text.toString().split(u' ', Qt::SkipEmptyParts); // Fri Mar 10 23:50:39 1911
    if (fields.size() != 5)
        return std::nullopt;
    const QDate date(fields[4].toInt(), int(months.indexOf(fields[1])) + 1, fields[2].toInt());
    const QTime time = QTime::fromString(fields[3], u"HH:mm:ss");
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time, QTimeZone::utc()).toSecsSinceEpoch();
}

// "Zone  Fri Mar 10 23:50:39 1911 UT = Fri Mar 10 23:50:39 1911 WET isdst=0 gmtoff=0":
// a line a second before and one at each transition; a state that differs from
// the line before starts a transition.
std::map<QString, ZdumpZone> zdumpTransitions(const QString &output)
{
    std::map<QString, ZdumpZone> zones;
    for (const QStringView line : QStringView(output).split(u'\n', Qt::SkipEmptyParts)) {
        const qsizetype ut = line.indexOf(u" UT = ");
        const qsizetype nameEnd = line.indexOf(u' ');
        if (ut < 0 || nameEnd < 0)
            continue;
        const QStringList local = line.sliced(ut + 6).toString().split(u' ', Qt::SkipEmptyParts);
        const std::optional<qint64> at = zdumpTime(line.sliced(nameEnd, ut - nameEnd));
        if (local.size() < 3 || !at)
            continue;
        const ZoneState state{local.last().section(u'=', 1).toInt(), local[local.size() - 2] == u"isdst=1",
                              local[local.size() - 3]};
        ZdumpZone &zone = zones[line.first(nameEnd).toString()];
        const ZoneState &previous = zone.transitions.empty() ? zone.initial.value_or(state)
                                                             : zone.transitions.back().state;
        if (!zone.initial)
            zone.initial = state;
        else if (!(state == previous))
            zone.transitions.push_back({*at, state});
    }
    return zones;
}

// The zone's periods as transitions zdump would print: the pseudo-transition
// at -2^31 becomes the state before the first one, and periods that change
// nothing (such as the closing one at 2^31 - 1) are merged into the one before.
std::vector<Transition> periodTransitions(const QList<TimeZonePeriod> &periods,
                                          const std::optional<ZoneState> &zdumpInitial)
{
    std::vector<Transition> transitions;
    std::optional<ZoneState> current = zdumpInitial;
    for (const TimeZonePeriod &period : periods) {
        const auto at = qint64(period.startDate.timeIntervalSince1970());
        const ZoneState state{period.gmtOffset, period.isDST, period.abbreviation};
        if (at == std::numeric_limits<qint32>::min()) {
            current = state;
            continue;
        }
        if (current && state == *current)
            continue;
        transitions.push_back({at, state});
        current = state;
    }
    return transitions;
}

// Every zone of the system by name, with the name of the first zone (in name
// order) whose file holds the same bytes: links and the copies under "posix/"
// share their data, and zdump, which steps through the range in half days,
// need only read each distinct file once.
std::map<QString, QString> systemZoneNames()
{
    const QString root = platform::zoneinfoDirectory();
    const QStringList notZones{"tzdata.zi", "leapseconds", "leap-seconds.list"};
    QStringList names;
    QDirIterator files(root, QDir::Files, QDirIterator::Subdirectories | QDirIterator::FollowSymlinks);
    while (files.hasNext()) {
        const QString name = files.next().mid(root.size() + 1);
        if (!name.startsWith(QLatin1String("right/")) && !notZones.contains(name)
            && !name.endsWith(QLatin1String(".tab")))
            names.append(name);
    }
    names.sort();
    std::map<QByteArray, QString> firstWithData;
    std::map<QString, QString> representatives;
    for (const QString &name : names) {
        QFile file(root + QLatin1Char('/') + name);
        const QByteArray data = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        if (data.startsWith("TZif"))
            representatives[name] = firstWithData.try_emplace(data, name).first->second;
    }
    return representatives;
}

TEST_F(ReferenceComparisonTest, ZonePeriodsMatchZdumpForEveryZone)
{
    const std::map<QString, QString> names = systemZoneNames();
    ASSERT_GT(names.size(), 400);
    QStringList distinct;
    for (const auto &[name, representative] : names) {
        if (name == representative)
            distinct.append(name);
    }
    QString error;
    const std::optional<QString> output = run(
        QStringLiteral("zdump"),
        QStringList{QStringLiteral("-v"), QStringLiteral("-t"), QStringLiteral("-2147483648,2147483647")} + distinct,
        &error);
    if (!output)
        GTEST_SKIP() << "zdump (Debian package libc-bin) did not run: " << error.toStdString();
    const std::map<QString, ZdumpZone> reference = zdumpTransitions(*output);

    int compared = 0;
    int withoutTransitions = 0;
    int mismatches = 0;
    for (const auto &[name, representative] : names) {
        const auto zone = platform::timeZoneWithName(name);
        const auto periods = zone ? vl::periods(*zone) : std::nullopt;
        if (!periods) {
            ADD_FAILURE() << name.toStdString() << ": no periods";
            continue;
        }
        const auto found = reference.find(representative);
        const ZdumpZone printed = found != reference.end() ? found->second : ZdumpZone();
        if (periods->size() == 1 && printed.transitions.empty()) {
            // A zone that never changes: zdump prints nothing, the periods are
            // the one period of its only type.
            ++withoutTransitions;
            continue;
        }
        const std::vector<Transition> ours = periodTransitions(*periods, printed.initial);
        ++compared;
        if (ours != printed.transitions && ++mismatches <= 5) {
            const auto &theirs = printed.transitions;
            const auto first = std::mismatch(ours.begin(), ours.end(), theirs.begin(), theirs.end());
            ADD_FAILURE() << name.toStdString() << ": " << ours.size() << " transitions against zdump's "
                          << theirs.size() << ", first difference at "
                          << (first.first != ours.end() ? first.first->at : first.second->at);
        }
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(compared, 300);
    EXPECT_GT(withoutTransitions, 0);
}

} // namespace
