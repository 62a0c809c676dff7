#include "StringExtensions.h"

#include "Scanner.h"

#include "AssertionHandler.h"

namespace vl {

namespace {

// The status letters: the numbers stop at them, and the parts stop at them or at '.'.
const CharacterSet &statusLetters()
{
    static const CharacterSet set = CharacterSet::characterSetWithCharactersInString(u"abdfcrABDFCR");
    return set;
}

const CharacterSet &versionDelimiters()
{
    static const CharacterSet set = CharacterSet::characterSetWithCharactersInString(u"abdfcrABDFCR.");
    return set;
}

struct Version
{
    int major = 0, minor = 0, point = 0, status = FinalRelease, development = 0;
};

Version parseVersion(const QString &string)
{
    Scanner scanner(string);
    QString major = QStringLiteral("0"), minor = major, point = major;

    // Steps over the '.' after a part when one follows and more text comes after it.
    const auto atDot = [&] {
        const qsizetype at = scanner.scanLocation();
        return at + 1 < string.size() && !statusLetters().characterIsMember(string[at].unicode());
    };
    if (scanner.scanUpToCharactersFromSet(versionDelimiters(), &major) && atDot()) {
        scanner.setScanLocation(scanner.scanLocation() + 1);
        if (scanner.scanUpToCharactersFromSet(versionDelimiters(), &minor) && atDot()) {
            scanner.setScanLocation(scanner.scanLocation() + 1);
            scanner.scanUpToCharactersFromSet(versionDelimiters(), &point);
        }
    }

    Version v;
    v.major = intValue(major);
    v.minor = intValue(minor);
    v.point = intValue(point);
    if (scanner.isAtEnd())
        return v;

    const qsizetype at = scanner.scanLocation();
    const char16_t letter = string[at].unicode();
    const char16_t next = at + 1 < string.size() ? string[at + 1].unicode() : 0;
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
    v.development = intValue(string.sliced(at + statusLength));
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
