#include "StringExtensions.h"
#include "StringExtensions_p.h"

#include "Scanner.h"

#include "platform/core/AssertionHandler.h"

#include <QFile>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace vl {

namespace {

char32_t codePointAt(QStringView s, qsizetype i)
{
    const char16_t unit = s[i].unicode();
    if (QChar::isHighSurrogate(unit) && i + 1 < s.size() && QChar::isLowSurrogate(s[i + 1].unicode()))
        return QChar::surrogateToUcs4(unit, s[i + 1].unicode());
    return unit;
}

qsizetype unitsOf(char32_t c)
{
    return c > 0xFFFF ? 2 : 1;
}

bool isHexDigit(char32_t c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

} // namespace

// --- Making strings ---------------------------------------------------------

QString ellipse()
{
    return QString(QChar(0x2026));
}

QString stringWithCharacter(char16_t character)
{
    return QString(QChar(character));
}

std::optional<QString> stringWithData(QByteArrayView data, StringEncoding encoding)
{
    return decodeString(data, encoding);
}

std::optional<QString> stringWithData(QByteArrayView data, QStringView textEncodingName)
{
    return decodeString(data, textEncodingName);
}

QString stringWithFileSystemRepresentation(const char *bytes)
{
    return bytes ? QFile::decodeName(QByteArray(bytes, qsizetype(std::strlen(bytes)))) : QString();
}

std::optional<QString> stringWithPascalString(QByteArrayView pascalString, StringEncoding encoding)
{
    if (pascalString.isEmpty())
        return std::nullopt;
    const auto length = qsizetype(static_cast<unsigned char>(pascalString.front()));
    if (length > pascalString.size() - 1)
        return std::nullopt;
    return decodeString(pascalString.sliced(1, length), encoding);
}

std::optional<QByteArray> pascalStringUsingEncoding(const QString &string, StringEncoding encoding, int maxLength)
{
    // The original copied maxLength bytes out of a 256-byte buffer whatever the
    // text's length: past the buffer for larger values, and uninitialised bytes
    // behind the text. Only the length byte and the text are returned here.
    const int capacity = std::min(maxLength, 256) - 1;
    if (capacity < 0)
        return std::nullopt;
    const std::optional<QByteArray> bytes = encodeString(string, encoding);
    if (!bytes || bytes->size() > capacity)
        return std::nullopt;
    QByteArray pascal(1, char(bytes->size()));
    pascal += *bytes;
    return pascal;
}

// --- Tests ------------------------------------------------------------------

namespace {
Qt::CaseSensitivity caseOf(SearchOptions options)
{
    return options.testFlag(SearchOption::CaseInsensitive) ? Qt::CaseInsensitive : Qt::CaseSensitive;
}
} // namespace

bool beginsWithString(const QString &string, const QString &prefix, SearchOptions options)
{
    if (prefix.isEmpty())
        return true;
    // The first occurrence is at 0 exactly when there is one at 0; a backwards
    // search finds the last one instead, which must then be at 0.
    if (!options.testFlag(SearchOption::Backwards))
        options |= SearchOption::Anchored;
    return rangeOfString(string, prefix, options).location == 0;
}

bool endsWithString(const QString &string, const QString &suffix, SearchOptions options)
{
    if (suffix.isEmpty())
        return true;
    const Range found = rangeOfString(string, suffix, options | SearchOption::Backwards | SearchOption::Anchored);
    return found.location != NotFound && found.end() == string.size();
}

bool containsString(const QString &string, const QString &part, SearchOptions options)
{
    return part.isEmpty() || rangeOfString(string, part, options).length > 0;
}

bool isEqualToString(const QString &string, const QString &other, SearchOptions options)
{
    if (other.isEmpty())
        return string.isEmpty();
    if (string.compare(other, caseOf(options)) == 0)
        return true;
    if (options.testFlag(SearchOption::Literal))
        return false;
    // Canonically equivalent text: the occurrence at 0 covers the whole string.
    const SearchOptions forward = (options & ~SearchOptions(SearchOption::Backwards)) | SearchOption::Anchored;
    return rangeOfString(string, other, forward) == Range{0, string.size()};
}

bool isEmpty(const QString &string)
{
    return string.isEmpty();
}

bool isLowercase(const QString &string)
{
    return string == string.toLower();
}

bool isUppercase(const QString &string)
{
    return string == string.toUpper();
}

bool isURL(const QString &string)
{
    static constexpr char allowed[] = "!#$%&'()*+,-./:;=?@[]_~";
    for (qsizetype i = 0; i < string.size(); ++i) {
        const char16_t c = string[i].unicode();
        if (c >= 0x80)
            return false;
        if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9'))
            continue;
        if (c == 0 || !std::strchr(allowed, char(c)))
            return false;
        if (c == u'%'
            && (i + 2 >= string.size() || !isHexDigit(string[i + 1].unicode()) || !isHexDigit(string[i + 2].unicode())))
            return false;
    }
    return true;
}

qsizetype byteCount(const QString &string)
{
    qsizetype bytes = 0;
    for (qsizetype i = 0; i < string.size(); ++i) {
        const char16_t c = string[i].unicode();
        if (c < 0x80)
            bytes += 1;
        else if (c < 0x800)
            bytes += 2;
        else if (QChar::isHighSurrogate(c) && i + 1 < string.size() && QChar::isLowSurrogate(string[i + 1].unicode()))
            bytes += 4, ++i;
        else
            bytes += 3;
    }
    return bytes;
}

// --- Numbers ----------------------------------------------------------------

namespace detail {

qsizetype skipWhitespaceAndNewlines(QStringView text, qsizetype from)
{
    static const CharacterSet space = CharacterSet::whitespaceAndNewlineCharacterSet();
    for (qsizetype n; from < text.size() && (n = space.memberLengthAt(text, from)) > 0;)
        from += n;
    return from;
}

qint64 leadingLongLong(QStringView text)
{
    qsizetype i = skipWhitespaceAndNewlines(text, 0);
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    // Accumulated as a negative number, whose range holds the most negative value.
    constexpr qint64 lowest = std::numeric_limits<qint64>::min();
    qint64 accumulated = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        const int digit = text[i].unicode() - u'0';
        if (accumulated < (lowest + digit) / 10)
            return negative ? lowest : std::numeric_limits<qint64>::max();
        accumulated = accumulated * 10 - digit;
    }
    if (negative)
        return accumulated;
    return accumulated == lowest ? std::numeric_limits<qint64>::max() : -accumulated;
}

} // namespace detail

int intValue(const QString &string)
{
    return int(std::clamp<qint64>(detail::leadingLongLong(string), std::numeric_limits<int>::min(),
                                  std::numeric_limits<int>::max()));
}

qint64 longLongValue(const QString &string)
{
    return detail::leadingLongLong(string);
}

double doubleValue(const QString &string)
{
    qsizetype i = detail::skipWhitespaceAndNewlines(string, 0);
    // The longest prefix of the form [+-]digits[.digits][e[+-]digits], copied as
    // ASCII so that the conversion ignores the process's locale.
    QByteArray ascii;
    const auto take = [&](auto accept) {
        qsizetype n = 0;
        for (; i < string.size() && string[i].unicode() < 0x80 && accept(char(string[i].unicode())); ++i, ++n)
            ascii += char(string[i].unicode());
        return n;
    };
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    bool negative = false;
    if (i < string.size() && (string[i] == u'-' || string[i] == u'+'))
        negative = string[i++] == u'-';
    qsizetype digits = take(digit);
    if (i < string.size() && string[i] == u'.') {
        ascii += '.';
        ++i;
        digits += take(digit);
    }
    if (digits == 0)
        return 0.0;
    const qsizetype mantissaLength = ascii.size();
    if (i + 1 < string.size() && (string[i] == u'e' || string[i] == u'E')) {
        const qsizetype mark = i;
        QByteArray exponent = "e";
        ++i;
        if (string[i] == u'-' || string[i] == u'+')
            exponent += char(string[i++].unicode());
        const qsizetype before = ascii.size();
        if (take(digit) > 0)
            ascii.insert(before, exponent);
        else
            i = mark;
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(ascii.constData(), ascii.constData() + ascii.size(), value);
    Q_UNUSED(end);
    if (error == std::errc::result_out_of_range) {
        // Too large gives infinity, too small zero, as strtod does.
        double mantissa = 0.0;
        std::from_chars(ascii.constData(), ascii.constData() + mantissaLength, mantissa);
        const bool tiny = ascii.indexOf("e-") >= 0 || mantissa == 0.0;
        value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    }
    return negative ? -value : value;
}

float floatValue(const QString &string)
{
    return float(doubleValue(string));
}

float CGFloatValue(const QString &string)
{
    return floatValue(string);
}

qint32 longValue(const QString &string)
{
    return intValue(string);
}

quint32 unsignedIntValue(const QString &string)
{
    return quint32(intValue(string));
}

quint32 unsignedIntegerValue(const QString &string)
{
    // The integer type of the original process was 32 bits wide, as intValue.
    return quint32(intValue(string));
}

QList<qint64> longLongComponentsSeparatedByString(const QString &string, const QString &separator)
{
    QList<qint64> numbers;
    if (separator.isNull()) {
        platform::handleAssertionFailure(QStringLiteral("longLongComponentsSeparatedByString:"), &string,
                                         QStringLiteral("NSString+VLExtensions"), __LINE__,
                                         QStringLiteral("Invalid parameter: separator == nil"));
        return numbers;
    }
    Scanner scanner(string);
    QString piece;
    while (scanner.scanUpToString(separator, &piece)) {
        numbers.append(longLongValue(piece));
        if (!scanner.isAtEnd())
            scanner.setScanLocation(std::min(string.size(), scanner.scanLocation() + separator.size()));
    }
    return numbers;
}

qsizetype numberOfOccurrencesOfCharacterInString(const QString &string, char16_t character)
{
    return string.count(QChar(character));
}

namespace {

// One byte from two characters, read as C's sscanf("%x") reads them: blanks,
// then a sign, then hexadecimal digits. No digit at all gives 0.
char hexPair(unsigned char first, unsigned char second)
{
    const unsigned char pair[2] = {first, second};
    int i = 0;
    while (i < 2 && (pair[i] == ' ' || (pair[i] >= '\t' && pair[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < 2 && (pair[i] == '+' || pair[i] == '-'))
        negative = pair[i++] == '-';
    unsigned value = 0;
    for (; i < 2 && isHexDigit(pair[i]); ++i)
        value = value * 16 + unsigned(pair[i] <= '9' ? pair[i] - '0' : (pair[i] | 0x20) - 'a' + 10);
    return char(negative ? 0u - value : value);
}

} // namespace

std::optional<QByteArray> hexStringData(const QString &string)
{
    if (string.size() % 2 != 0)
        return std::nullopt;
    QByteArray data(string.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < data.size(); ++i)
        data[i] = hexPair(string[2 * i].unicode() & 0xFF, string[2 * i + 1].unicode() & 0xFF);
    return data;
}

// --- Searching ----------------------------------------------------------------

Range rangeOfCharactersFromSet(const QString &string, const CharacterSet &set, SearchOptions options,
                               std::optional<Range> range)
{
    const Range within = range.value_or(Range{0, string.size()});
    checkRange(within, string.size(), "rangeOfCharactersFromSet:options:range:");
    const bool backwards = options.testFlag(SearchOption::Backwards);
    const bool anchored = options.testFlag(SearchOption::Anchored);
    qsizetype first = NotFound;
    qsizetype firstLength = 0;
    if (!backwards) {
        for (qsizetype i = within.location; i < within.end(); i += unitsOf(codePointAt(string, i))) {
            if ((firstLength = set.memberLengthAt(string, i)) > 0 && i + firstLength <= within.end()) {
                first = i;
                break;
            }
            if (anchored)
                break;
        }
    } else {
        for (qsizetype i = within.end() - 1; i >= within.location; --i) {
            if (QChar::isLowSurrogate(string[i].unicode()) && i > within.location
                && QChar::isHighSurrogate(string[i - 1].unicode()))
                --i;
            if ((firstLength = set.memberLengthAt(string, i)) > 0 && i + firstLength <= within.end()) {
                first = i;
                break;
            }
            if (anchored)
                break;
        }
    }
    if (first == NotFound)
        return {NotFound, 0};
    // The run ends where the range ends: a search confined to a range never
    // answers with characters outside it.
    qsizetype end = first + firstLength;
    for (qsizetype n; end < within.end() && (n = set.memberLengthAt(string, end)) > 0 && end + n <= within.end();)
        end += n;
    return {first, end - first};
}

QString substringWithoutRange(const QString &string, Range range)
{
    checkRange(range, string.size(), "substringWithoutRange:");
    return string.first(range.location) + string.sliced(range.end());
}

// --- Shaping --------------------------------------------------------------------

QString stringByTrimmingWhitespace(const QString &string)
{
    const CharacterSet space = CharacterSet::whitespaceAndNewlineCharacterSet();
    qsizetype start = 0;
    for (qsizetype n; start < string.size() && (n = space.memberLengthAt(string, start)) > 0;)
        start += n;
    qsizetype end = string.size();
    while (end > start) {
        const qsizetype at = end >= 2 && QChar::isLowSurrogate(string[end - 1].unicode())
                                     && QChar::isHighSurrogate(string[end - 2].unicode())
                                 ? end - 2
                                 : end - 1;
        if (space.memberLengthAt(string, at) == 0)
            break;
        end = at;
    }
    return string.sliced(start, end - start);
}

QString stringByRaisingCaseOfFirstCharacter(const QString &string)
{
    if (string.isEmpty())
        return string;
    const qsizetype n = unitsOf(codePointAt(string, 0));
    return string.first(n).toUpper() + string.sliced(n);
}

namespace {

// The character's full lower-case form (one character may map to several).
QString lowercased(QStringView character)
{
    if (character.size() == 1 && character[0].unicode() < 0x80)
        return QString(character[0].toLower());
    return character.toString().toLower();
}

bool isLowercaseCharacter(QStringView character)
{
    if (character.size() == 1 && character[0].unicode() < 0x80)
        return !(character[0] >= u'A' && character[0] <= u'Z');
    return lowercased(character) == character;
}

} // namespace

QString lowercaseSpacedString(const QString &string)
{
    QString words;
    words.reserve(string.size() + string.size() / 4);
    for (qsizetype i = 0; i < string.size();) {
        const qsizetype n = unitsOf(codePointAt(string, i));
        const QStringView character = QStringView(string).sliced(i, n);
        if (isLowercaseCharacter(character)) {
            words += character;
        } else {
            const qsizetype next = i + n;
            if (i > 0 && next < string.size()
                && isLowercaseCharacter(QStringView(string).sliced(next, unitsOf(codePointAt(string, next)))))
                words += u' ';
            words += lowercased(character);
        }
        i += n;
    }
    return words;
}

} // namespace vl
