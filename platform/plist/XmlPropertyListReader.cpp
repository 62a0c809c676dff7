#include "platform/plist/XmlPropertyListReader.h"

#include "platform/plist/PropertyList_p.h"

#include <QDate>
#include <QDateTime>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <locale.h>
#include <map>

// Why not a general XML parser: XML 1.0 forbids most control characters and turns a
// carriage return into a line feed, but property-list writers (libplist, which writes ours,
// among them) put both into strings as they stand. A conforming parser refuses such files
// or changes their strings; this reader keeps them, as the writers' own readers do.
//
// The reader descends by recursion, one level per container; nesting is refused past
// MaximumPropertyListDepth, which bounds the stack.

namespace platform {

namespace {

constexpr bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && isSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

bool startsWith(const char *p, const char *end, std::string_view prefix)
{
    return std::size_t(end - p) >= prefix.size() && std::memcmp(p, prefix.data(), prefix.size()) == 0;
}

// Digits only, as many as `s` has; false for anything else or an empty `s`.
bool readDecimal(std::string_view s, int &value)
{
    const auto [at, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    return ec == std::errc() && at == s.data() + s.size() && !s.empty() && s.front() != '-' && s.front() != '+';
}

// The C library's reading of a real, independent of the locale the application set.
bool readRealInCLocale(std::string_view s, double &value)
{
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    const std::string text(s);
    char *stop = nullptr;
    value = strtod_l(text.c_str(), &stop, c);
    return !text.empty() && stop == text.c_str() + text.size();
}

void appendUtf8(std::string &out, std::uint32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

} // namespace

XmlPropertyListReader::XmlPropertyListReader(QByteArrayView bytes)
    : begin(bytes.data())
    , p(bytes.data())
    , end(bytes.data() + bytes.size())
{
}

PropertyListReadResult XmlPropertyListReader::read(QByteArrayView bytes)
{
    PropertyListReadResult result;
    result.format = PropertyListFormat::Xml;
    // XML cannot hold U+0000, as a byte or as a reference.
    if (bytes.contains('\0')) {
        result.error = QStringLiteral("the property list holds U+0000, which XML cannot hold");
        return result;
    }
    XmlPropertyListReader reader(bytes);
    QVariant value = reader.readDocument();
    if (reader.error.isEmpty() && !value.isValid())
        reader.error = QStringLiteral("the bytes are not an XML property list with a value");
    result.error = reader.error;
    if (result.ok())
        result.value = std::move(value);
    return result;
}

QVariant XmlPropertyListReader::fail(const QString &what)
{
    if (error.isEmpty()) {
        const auto line = std::count(begin, std::min(p, end), '\n') + 1;
        error = QStringLiteral("the property list %1, at line %2").arg(what).arg(line);
    }
    return {};
}

QVariant XmlPropertyListReader::malformedValue(std::string_view kind)
{
    constexpr qsizetype Shown = 40;
    const QString shown = QString::fromUtf8(text.data(), qsizetype(std::min(text.size(), std::size_t(Shown))));
    return fail(QStringLiteral("holds a malformed %1 “%2%3”")
                    .arg(QLatin1StringView(kind.data(), qsizetype(kind.size())), shown,
                         text.size() > Shown ? QStringLiteral("…") : QString()));
}

// --- markup ---------------------------------------------------------------------------------

QVariant XmlPropertyListReader::readDocument()
{
    if (startsWith(p, end, "\xEF\xBB\xBF"))
        p += 3;
    Tag tag;
    if (!nextTag(tag) || tag.closing)
        return {};
    if (tag.element != Element::Plist)
        return tag.element == Element::Unknown ? QVariant() : readValue(tag, 0);
    // The first value is the document's; what follows it is not looked at, as other
    // readers do not look: a list whose end was damaged still reads.
    if (tag.empty || !nextTag(tag))
        return {};
    return tag.closing ? QVariant() : readValue(tag, 0);
}

// Past white space, comments, processing instructions and document types to the next tag,
// which is read into `tag`. Text there is an error: containers hold only values.
bool XmlPropertyListReader::nextTag(Tag &tag)
{
    for (;;) {
        while (p < end && isSpace(*p))
            ++p;
        if (p == end) {
            fail(QStringLiteral("ends before its last element is closed"));
            return false;
        }
        if (*p != '<') {
            fail(QStringLiteral("holds text outside a value"));
            return false;
        }
        if (p + 1 < end && (p[1] == '!' || p[1] == '?')) {
            if (!skipMarkup())
                return false;
            continue;
        }
        return readTag(tag);
    }
}

bool XmlPropertyListReader::readTag(Tag &tag)
{
    ++p; // '<'
    tag.closing = p < end && *p == '/';
    if (tag.closing)
        ++p;
    const char *name = p;
    while (p < end && !isSpace(*p) && *p != '>' && *p != '/')
        ++p;
    tag.name = std::string_view(name, std::size_t(p - name));
    tag.element = elementNamed(tag.name);
    tag.empty = false;
    if (tag.name.empty()) {
        fail(QStringLiteral("holds a tag without a name"));
        return false;
    }
    // Attributes are passed over: a value in double quotes may hold '>'. Single quotes are
    // not looked at and a closing tag may have attributes too, as in libplist, which wrote
    // and read this project's lists before.
    for (bool quoted = false; p < end; ++p) {
        if (*p == '"') {
            quoted = !quoted;
            continue;
        }
        if (quoted)
            continue;
        if (*p == '>') {
            ++p;
            return true;
        }
        if (*p == '/' && p + 1 < end && p[1] == '>') {
            tag.empty = !tag.closing;
            p += 2;
            return true;
        }
    }
    fail(QStringLiteral("holds a tag that is not closed"));
    return false;
}

bool XmlPropertyListReader::skipPast(std::string_view terminator, Quotes quotes)
{
    const std::string_view rest(p, std::size_t(end - p));
    for (std::size_t at = 0;;) {
        const auto found = rest.find(terminator, at);
        // libplist looks past a terminator in double quotes; so does this reader.
        const auto quote = quotes == Quotes::Skipped ? rest.find('"', at) : std::string_view::npos;
        if (quote < found) {
            at = rest.find('"', quote + 1);
            if (at == std::string_view::npos)
                break;
            ++at;
            continue;
        }
        if (found == std::string_view::npos)
            break;
        p += found + terminator.size();
        return true;
    }
    fail(QStringLiteral("ends inside a comment or declaration"));
    return false;
}

// A comment, a processing instruction or a document type (libplist takes one anywhere
// between elements, and so does this reader).
bool XmlPropertyListReader::skipMarkup()
{
    if (startsWith(p, end, "<!--"))
        return skipPast("-->");
    if (startsWith(p, end, "<?"))
        return skipPast("?>", Quotes::Skipped);
    if (startsWith(p, end, "<!DOCTYPE"))
        return skipDocumentType();
    fail(QStringLiteral("holds a declaration where a value should be"));
    return false;
}

// <!DOCTYPE plist PUBLIC "…" "…" [ internal subset ]>, read as libplist reads it. Nothing in
// it is used: entities it declares are not expanded, and a reference to one is an error
// like any unknown entity.
bool XmlPropertyListReader::skipDocumentType()
{
    for (bool quoted = false; p < end; ++p) {
        if (*p == '"')
            quoted = !quoted;
        else if (quoted)
            continue;
        else if (*p == '>')
            return ++p, true;
        else if (*p == '[')
            return skipPast("]>", Quotes::Skipped);
    }
    fail(QStringLiteral("ends inside its document type"));
    return false;
}

// --- values ---------------------------------------------------------------------------------

XmlPropertyListReader::Element XmlPropertyListReader::elementNamed(std::string_view name)
{
    static constexpr std::pair<std::string_view, Element> Names[] = {
        {"key", Element::Key},        {"string", Element::String}, {"integer", Element::Integer},
        {"real", Element::Real},      {"true", Element::True},     {"false", Element::False},
        {"date", Element::Date},      {"data", Element::Data},     {"dict", Element::Dictionary},
        {"array", Element::Array},    {"plist", Element::Plist},
    };
    for (const auto &[text, element] : Names) {
        if (name == text)
            return element;
    }
    return Element::Unknown;
}

QVariant XmlPropertyListReader::readValue(const Tag &tag, int depth)
{
    switch (tag.element) {
    case Element::Dictionary:
    case Element::Array:
        // `depth` containers are open around this one.
        if (depth >= MaximumPropertyListDepth) {
            error = QStringLiteral("the property list is nested more than %1 deep").arg(MaximumPropertyListDepth);
            return {};
        }
        if (tag.empty)
            return tag.element == Element::Array ? QVariant(QVariantList()) : QVariant(QVariantMap());
        return tag.element == Element::Array ? readArray(depth + 1) : readDictionary(depth + 1);
    case Element::Plist:
    case Element::Unknown:
        return fail(QStringLiteral("holds an element <%1> that is not a value").arg(QString::fromUtf8(tag.name)));
    default:
        return readScalar(tag);
    }
}

QVariant XmlPropertyListReader::readArray(int depth)
{
    QVariantList list;
    Tag tag;
    while (nextTag(tag) && !tag.closing) {
        list.append(readValue(tag, depth));
        if (!error.isEmpty())
            return {};
    }
    if (!error.isEmpty())
        return {};
    if (tag.element != Element::Array)
        return fail(QStringLiteral("closes <array> with </%1>").arg(QString::fromUtf8(tag.name)));
    return list;
}

QVariant XmlPropertyListReader::readDictionary(int depth)
{
    std::map<QString, QVariant> map;
    QString pendingKey;
    bool keyed = false;
    Tag tag;
    while (nextTag(tag) && !tag.closing) {
        if (tag.element == Element::Key) {
            if (keyed)
                return fail(QStringLiteral("holds a key without a value"));
            if (!tag.empty && !readText(tag.name))
                return {};
            pendingKey = key(tag.empty ? std::string_view("") : text);
            keyed = true;
            continue;
        }
        if (!keyed)
            return fail(QStringLiteral("holds a value without a key"));
        QVariant value = readValue(tag, depth);
        if (!error.isEmpty())
            return {};
        // Files written in key order (ours, most tools') append at the end in O(1); a
        // repeated key keeps its last value.
        if (map.empty() || map.crbegin()->first < pendingKey)
            map.emplace_hint(map.cend(), std::move(pendingKey), std::move(value));
        else
            map.insert_or_assign(std::move(pendingKey), std::move(value));
        keyed = false;
    }
    if (!error.isEmpty())
        return {};
    if (tag.element != Element::Dictionary)
        return fail(QStringLiteral("closes <dict> with </%1>").arg(QString::fromUtf8(tag.name)));
    // A key left without a value at the end is dropped, as other readers drop it.
    // XML has no UID element: writers put a UID as a dictionary whose only key is "CF$UID".
    if (map.size() == 1 && map.cbegin()->first == QLatin1String("CF$UID")) {
        const QVariant &uid = map.cbegin()->second;
        if (uid.typeId() == QMetaType::LongLong || uid.typeId() == QMetaType::ULongLong)
            return QVariant::fromValue(PropertyListUid{uid.toULongLong()});
    }
    return QVariantMap(std::move(map));
}

QVariant XmlPropertyListReader::readScalar(const Tag &tag)
{
    text = std::string_view(""); // an empty string, not a null one, as an element with text gives
    if (!tag.empty && !readText(tag.name))
        return {};
    switch (tag.element) {
    case Element::Key:
    case Element::String:
        return propertyListText(text.data(), qsizetype(text.size()));
    case Element::Integer:
        return integerValue();
    case Element::Real:
        return realValue();
    case Element::Date:
        return dateValue();
    case Element::Data:
        return dataValue();
    case Element::True:
        return true;
    case Element::False:
        return false;
    default:
        return {};
    }
}

QString XmlPropertyListReader::key(std::string_view utf8)
{
    if (const auto it = keys.find(utf8); it != keys.end())
        return it->second;
    QString decodedKey = propertyListText(utf8.data(), qsizetype(utf8.size()));
    constexpr std::size_t MaximumKeys = 1024;
    const bool inDocument = utf8.data() >= begin && utf8.data() < end;
    if (inDocument && keys.size() < MaximumKeys)
        keys.emplace(utf8, decodedKey);
    return decodedKey;
}

// --- text -----------------------------------------------------------------------------------

// The text of the element `name` up to its closing tag, into `text`. Most text has nothing
// to decode and is taken where it stands.
bool XmlPropertyListReader::readText(std::string_view name)
{
    const auto *open = static_cast<const char *>(std::memchr(p, '<', std::size_t(end - p)));
    if (open && !std::memchr(p, '&', std::size_t(open - p))) {
        const char *start = p;
        p = open;
        if (closes(name)) {
            text = std::string_view(start, std::size_t(open - start));
            return true;
        }
        p = start;
    }
    return readDecodedText(name);
}

bool XmlPropertyListReader::readDecodedText(std::string_view name)
{
    decoded.clear();
    for (;;) {
        const char *run = p;
        while (p < end && *p != '<' && *p != '&')
            ++p;
        decoded.append(run, std::size_t(p - run));
        if (p == end) {
            fail(QStringLiteral("ends inside <%1>").arg(QString::fromUtf8(name)));
            return false;
        }
        if (*p == '&') {
            if (!readReference())
                return false;
        } else if (startsWith(p, end, "<![CDATA[")) {
            p += 9;
            const char *start = p;
            if (!skipPast("]]>"))
                return false;
            decoded.append(start, std::size_t(p - 3 - start));
        } else if (startsWith(p, end, "<!--") || startsWith(p, end, "<?")) {
            if (!skipMarkup())
                return false;
        } else if (closes(name)) {
            text = decoded;
            return true;
        } else {
            fail(QStringLiteral("holds <%1> not closed by </%1>").arg(QString::fromUtf8(name)));
            return false;
        }
    }
}

// Whether `p` is at </name>; passes it when it is.
bool XmlPropertyListReader::closes(std::string_view name)
{
    const char *at = p;
    if (!startsWith(at, end, "</") || !startsWith(at + 2, end, name))
        return false;
    at += 2 + name.size();
    while (at < end && isSpace(*at))
        ++at;
    if (at == end || *at != '>')
        return false;
    p = at + 1;
    return true;
}

// An entity or character reference at `p`, decoded onto `decoded`.
bool XmlPropertyListReader::readReference()
{
    constexpr std::size_t LongestReference = 12; // "&#x0010FFFF;"
    const std::string_view rest(p + 1, std::min(std::size_t(end - p - 1), LongestReference));
    const auto semicolon = rest.find(';');
    const std::string_view name = rest.substr(0, semicolon);
    static constexpr std::pair<std::string_view, char> Predefined[] = {
        {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
    bool known = false;
    if (semicolon != std::string_view::npos && name.size() > 1 && name.front() == '#') {
        const bool hex = name[1] == 'x' || name[1] == 'X';
        const std::string_view digits = name.substr(hex ? 2 : 1);
        std::uint32_t c = 0;
        const auto [at, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), c, hex ? 16 : 10);
        if (ec == std::errc() && at == digits.data() + digits.size() && !digits.empty() && digits.front() != '-'
            && digits.front() != '+') {
            if (c == 0) {
                error = QStringLiteral("the property list holds U+0000, which XML cannot hold");
                return false;
            }
            known = c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
            if (known)
                appendUtf8(decoded, c);
        }
    } else if (semicolon != std::string_view::npos) {
        for (const auto &[entity, c] : Predefined) {
            if (name == entity) {
                decoded += c;
                known = true;
            }
        }
    }
    if (!known) {
        fail(QStringLiteral("holds an unknown reference &%1;").arg(QString::fromUtf8(name)));
        return false;
    }
    p += 2 + name.size();
    return true;
}

// --- scalars --------------------------------------------------------------------------------

// Decimal, or hexadecimal after "0x"; a sign in front of either.
QVariant XmlPropertyListReader::integerValue()
{
    std::string_view digits = trimmed(text);
    const bool negative = !digits.empty() && digits.front() == '-';
    if (!digits.empty() && (digits.front() == '-' || digits.front() == '+'))
        digits.remove_prefix(1);
    const bool hex = digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X');
    if (hex)
        digits.remove_prefix(2);
    quint64 magnitude = 0;
    const auto [at, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude, hex ? 16 : 10);
    if (ec == std::errc::result_out_of_range)
        return fail(QStringLiteral("holds an integer out of range “%1”").arg(QString::fromUtf8(trimmed(text))));
    if (ec != std::errc() || at != digits.data() + digits.size() || digits.empty())
        return malformedValue("integer");
    constexpr quint64 Int64Max = quint64(std::numeric_limits<qint64>::max());
    if (!negative)
        return magnitude <= Int64Max ? QVariant(qint64(magnitude)) : QVariant(magnitude);
    if (magnitude > Int64Max + 1)
        return fail(QStringLiteral("holds an integer out of range “%1”").arg(QString::fromUtf8(trimmed(text))));
    return qint64(0 - magnitude);
}

QVariant XmlPropertyListReader::realValue()
{
    const std::string_view number = trimmed(text);
    // from_chars takes no '+', and is exact; words ("+infinity"), hexadecimal and numbers
    // beyond a double's range go to the C library.
    double value = 0;
    const auto [at, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (ec == std::errc() && at == number.data() + number.size())
        return value;
    if (readRealInCLocale(number, value))
        return value;
    return malformedValue("real");
}

// YYYY-MM-DDTHH:MM:SSZ in UTC, as writers write it. The year counts astronomically (year 0
// is 1 BC) and has as many digits as it needs: libplist writes year 0 as "0" and a year
// before it with a sign. A fraction of a second is kept to the millisecond, and a missing
// 'Z' is taken as UTC.
QVariant XmlPropertyListReader::dateValue()
{
    const std::string_view s = trimmed(text);
    const std::size_t yearEnd = s.find('-', 1);
    constexpr std::size_t LongestYear = 7; // "-999999": milliseconds since 1970 stay within 64 bits
    std::string_view t = yearEnd <= LongestYear ? s.substr(yearEnd) : std::string_view();
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    const bool negativeYear = s.starts_with('-');
    const bool shaped = t.size() >= 15 && t[0] == '-' && t[3] == '-' && t[6] == 'T' && t[9] == ':' && t[12] == ':'
        && readDecimal(s.substr(negativeYear ? 1 : 0, yearEnd - (negativeYear ? 1 : 0)), year)
        && readDecimal(t.substr(1, 2), month) && readDecimal(t.substr(4, 2), day) && readDecimal(t.substr(7, 2), hour)
        && readDecimal(t.substr(10, 2), minute) && readDecimal(t.substr(13, 2), second);
    if (negativeYear)
        year = -year;
    std::string_view rest = shaped ? t.substr(15) : std::string_view();
    int milliseconds = 0;
    if (rest.starts_with('.')) {
        std::size_t digits = 1;
        for (; digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9'; ++digits) {
            if (digits <= 3)
                milliseconds = milliseconds * 10 + (rest[digits] - '0');
        }
        for (std::size_t scale = digits; scale <= 3; ++scale)
            milliseconds *= 10;
        rest = digits > 1 ? rest.substr(digits) : std::string_view("?");
    }
    if (rest == "Z")
        rest = {};
    const QDate date(year > 0 ? year : year - 1, month, day);
    if (!shaped || !rest.empty() || !date.isValid() || hour > 23 || minute > 59 || second > 59)
        return malformedValue("date");
    constexpr qint64 MSecsPerDay = 86400000;
    constexpr qint64 UnixEpochJulianDay = 2440588;
    const qint64 msecs = (date.toJulianDay() - UnixEpochJulianDay) * MSecsPerDay
        + ((hour * 60 + minute) * 60 + second) * qint64(1000) + milliseconds;
    return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
}

// Base64, with line breaks and indentation anywhere.
QVariant XmlPropertyListReader::dataValue()
{
    QByteArray base64;
    base64.reserve(qsizetype(text.size()));
    for (const char c : text) {
        if (!isSpace(c))
            base64.append(c);
    }
    // Qt takes a lone sixth of a byte at the end in silence; it holds no byte.
    const qsizetype symbols = base64.size() - (base64.endsWith("==") ? 2 : base64.endsWith('=') ? 1 : 0);
    auto decodedData = QByteArray::fromBase64Encoding(base64, QByteArray::AbortOnBase64DecodingErrors);
    if (!decodedData || symbols % 4 == 1)
        return malformedValue("data");
    return std::move(decodedData.decoded);
}

} // namespace platform
