#include "StringExtensions.h"

#include "StringExtensions_p.h"

#include "platform/core/AssertionHandler.h"

#include <algorithm>
#include <limits>

namespace vl {

namespace {

bool isStatusLetter(QChar c)
{
    switch (c.unicode()) {
    case u'a': case u'b': case u'd': case u'f': case u'c': case u'r':
    case u'A': case u'B': case u'D': case u'F': case u'C': case u'R':
        return true;
    default:
        return false;
    }
}

struct Version
{
    int major = 0, minor = 0, point = 0, status = FinalRelease, development = 0;
};

int intValueOf(QStringView text)
{
    return int(std::clamp<qint64>(detail::leadingLongLong(text), std::numeric_limits<int>::min(),
                                  std::numeric_limits<int>::max()));
}

// Reads the version as a scanner that skips whitespace and newlines would, part
// by part, without making a string of any part.
Version parseVersion(QStringView string)
{
    qsizetype location = 0;
    // Scans up to the next status letter or '.'; false when nothing is scanned.
    const auto scanPart = [&](int &number) {
        const qsizetype start = detail::skipWhitespaceAndNewlines(string, location);
        qsizetype end = start;
        while (end < string.size() && !isStatusLetter(string[end]) && string[end] != u'.')
            ++end;
        if (end == start)
            return false;
        number = intValueOf(string.sliced(start, end - start));
        location = end;
        return true;
    };
    // Steps over the '.' after a part when one follows and more text comes after it.
    const auto stepOverDot = [&] {
        if (location + 1 >= string.size() || isStatusLetter(string[location]))
            return false;
        ++location;
        return true;
    };

    Version v;
    if (scanPart(v.major) && stepOverDot() && scanPart(v.minor) && stepOverDot())
        scanPart(v.point);
    if (detail::skipWhitespaceAndNewlines(string, location) >= string.size())
        return v;

    const char16_t letter = string[location].unicode();
    const char16_t next = location + 1 < string.size() ? string[location + 1].unicode() : 0;
    qsizetype statusLength = 1;
    switch (letter) {
    case u'd': v.status = Development; break;
    case u'a': v.status = Alpha; break;
    case u'b': v.status = Beta; break;
    case u'f':
    case u'r':
        if (next != u'c')
            return v;    // an 'f' or 'r' alone is not a status: a final release
        v.status = ReleaseCandidate;
        statusLength = 2;
        break;
    default:
        return v;    // upper-case letters and anything else: a final release
    }
    v.development = intValueOf(string.sliced(location + statusLength));
    return v;
}

int compareNumbers(int a, int b)
{
    return a < b ? -1 : (a > b ? 1 : 0);
}

} // namespace

void returnMajorVersion(const QString &string, int *major, int *minor, int *point, int *productStatus,
                        int *developmentVersion)
{
    const Version v = parseVersion(string);
    if (major)
        *major = v.major;
    if (minor)
        *minor = v.minor;
    if (point)
        *point = v.point;
    if (productStatus)
        *productStatus = v.status;
    if (developmentVersion)
        *developmentVersion = v.development;
}

int compareVersionStrings(const QString &string, const QString &other)
{
    if (other.isNull())
        platform::handleAssertionFailure(QStringLiteral("compareVersionStrings:"), &string,
                                         QStringLiteral("NSString+VLExtensions"), __LINE__,
                                         QStringLiteral("Invalid parameter in compareVersionStrings:: otherString != nil"));
    if (string == other)
        return 0;
    const Version a = parseVersion(string);
    const Version b = parseVersion(other);
    for (const auto field : {&Version::major, &Version::minor, &Version::point, &Version::status, &Version::development})
        if (const int order = compareNumbers(a.*field, b.*field))
            return order;
    return 0;
}

} // namespace vl
