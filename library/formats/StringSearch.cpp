#include "StringSearch.h"

#include "platform/core/Exception.h"

namespace vl {

void checkRange(Range range, qsizetype length, const char *operation)
{
    if (range.location < 0 || range.length < 0 || range.location > length || range.length > length - range.location)
        platform::raise(QString::fromLatin1(platform::ExceptionName::Range),
                        QStringLiteral("%1: range {%2, %3} out of bounds; string length %4")
                            .arg(QLatin1String(operation))
                            .arg(range.location)
                            .arg(range.length)
                            .arg(length));
}

Range rangeOfString(const QString &string, const QString &target, SearchOptions options, std::optional<Range> range)
{
    const Range within = range.value_or(Range{0, string.size()});
    checkRange(within, string.size(), "rangeOfString");
    if (target.isEmpty() || target.size() > within.length)
        return {NotFound, 0};

    const QStringView view = QStringView(string).sliced(within.location, within.length);
    const Qt::CaseSensitivity cs = options.testFlag(SearchOption::CaseInsensitive) ? Qt::CaseInsensitive : Qt::CaseSensitive;
    const bool backwards = options.testFlag(SearchOption::Backwards);
    qsizetype found = -1;
    if (options.testFlag(SearchOption::Anchored)) {
        if (backwards ? view.endsWith(target, cs) : view.startsWith(target, cs))
            found = backwards ? view.size() - target.size() : 0;
    } else {
        found = backwards ? view.lastIndexOf(target, -1, cs) : view.indexOf(target, 0, cs);
    }
    return found < 0 ? Range{NotFound, 0} : Range{within.location + found, target.size()};
}

} // namespace vl
