#include "Scanner.h"

#include "StringSearch.h"

#include <algorithm>
#include <limits>

namespace vl {

Scanner::Scanner(QString string)
    : m_string(std::move(string))
    , m_skip(CharacterSet::whitespaceAndNewlineCharacterSet())
{
}

void Scanner::setScanLocation(qsizetype location)
{
    checkRange(Range{location, 0}, m_string.size(), "setScanLocation:");
    m_location = location;
}

qsizetype Scanner::skipped() const
{
    qsizetype i = m_location;
    if (!m_skip)
        return i;
    while (i < m_string.size()) {
        const qsizetype n = m_skip->memberLengthAt(m_string, i);
        if (n == 0)
            break;
        i += n;
    }
    return i;
}

bool Scanner::isAtEnd() const
{
    return skipped() >= m_string.size();
}

bool Scanner::finish(qsizetype start, qsizetype end, QString *into)
{
    if (end == start)
        return false;
    if (into)
        *into = m_string.sliced(start, end - start);
    m_location = end;
    return true;
}

bool Scanner::scanString(const QString &text, QString *into)
{
    const qsizetype start = skipped();
    if (text.isEmpty()
        || !QStringView(m_string).sliced(start).startsWith(text, m_caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive))
        return false;
    return finish(start, start + text.size(), into);
}

bool Scanner::scanUpToString(const QString &stop, QString *into)
{
    const qsizetype start = skipped();
    const SearchOptions options = m_caseSensitive ? SearchOptions() : SearchOption::CaseInsensitive;
    const Range found = rangeOfString(m_string, stop, options, Range{start, m_string.size() - start});
    return finish(start, found.location == NotFound ? m_string.size() : found.location, into);
}

bool Scanner::scanCharactersFromSet(const CharacterSet &set, QString *into)
{
    const qsizetype start = skipped();
    qsizetype end = start;
    while (end < m_string.size()) {
        const qsizetype n = set.memberLengthAt(m_string, end);
        if (n == 0)
            break;
        end += n;
    }
    return finish(start, end, into);
}

bool Scanner::scanUpToCharactersFromSet(const CharacterSet &set, QString *into)
{
    const qsizetype start = skipped();
    qsizetype end = start;
    while (end < m_string.size() && set.memberLengthAt(m_string, end) == 0)
        ++end;
    return finish(start, end, into);
}

bool Scanner::scanLongLong(qint64 *value)
{
    qsizetype i = skipped();
    bool negative = false;
    if (i < m_string.size() && (m_string[i] == u'-' || m_string[i] == u'+'))
        negative = m_string[i++] == u'-';
    const qsizetype digitsStart = i;
    // Accumulate as a negative number: its range holds the most negative value.
    qint64 accumulated = 0;
    bool overflow = false;
    for (; i < m_string.size() && m_string[i] >= u'0' && m_string[i] <= u'9'; ++i) {
        const int digit = m_string[i].unicode() - u'0';
        if (accumulated < (std::numeric_limits<qint64>::min() + digit) / 10)
            overflow = true;
        else
            accumulated = accumulated * 10 - digit;
    }
    if (i == digitsStart)
        return false;
    if (value) {
        if (overflow)
            *value = negative ? std::numeric_limits<qint64>::min() : std::numeric_limits<qint64>::max();
        else if (negative)
            *value = accumulated;
        else
            *value = accumulated == std::numeric_limits<qint64>::min() ? std::numeric_limits<qint64>::max() : -accumulated;
    }
    m_location = i;
    return true;
}

bool Scanner::scanInt(int *value)
{
    qint64 wide = 0;
    if (!scanLongLong(&wide))
        return false;
    if (value)
        *value = int(std::clamp<qint64>(wide, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
    return true;
}

} // namespace vl
