#include "StringExtensions.h"

#include <cstring>

namespace vl {

namespace {

// Characters a URL may carry as they are: RFC 2396's unreserved and reserved
// characters, plus '#', '[' and ']'. Everything else, '%' included, is escaped.
bool isLegalURLCharacter(char32_t c)
{
    static constexpr char punctuation[] = "!#$&'()*+,-./:;=?@[]_~";
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    return c > 0 && c < 0x80 && std::strchr(punctuation, char(c)) != nullptr;
}

// Per-character conversions must not repeat a byte-order mark in every escape.
StringEncoding withoutByteOrderMark(StringEncoding encoding)
{
    switch (encoding) {
    case StringEncoding::Unicode: return StringEncoding::UTF16BigEndian;
    case StringEncoding::UTF32: return StringEncoding::UTF32BigEndian;
    default: return encoding;
    }
}

} // namespace

std::optional<QString> stringByAddingPercentEscapesUsingEncoding(const QString &string, StringEncoding encoding,
                                                                 const QString &charactersToLeaveUnescaped,
                                                                 const QString &legalURLCharactersToBeEscaped)
{
    const CharacterSet leave = CharacterSet::characterSetWithCharactersInString(charactersToLeaveUnescaped);
    const CharacterSet escape = CharacterSet::characterSetWithCharactersInString(legalURLCharactersToBeEscaped);
    encoding = withoutByteOrderMark(encoding);
    QString escaped;
    escaped.reserve(string.size());
    for (qsizetype i = 0; i < string.size();) {
        const char16_t unit = string[i].unicode();
        const qsizetype n = QChar::isHighSurrogate(unit) && i + 1 < string.size()
                                    && QChar::isLowSurrogate(string[i + 1].unicode())
                                ? 2
                                : 1;
        const QStringView character = QStringView(string).sliced(i, n);
        const char32_t c = n == 2 ? QChar::surrogateToUcs4(unit, string[i + 1].unicode()) : unit;
        i += n;
        if (leave.longCharacterIsMember(c) || (isLegalURLCharacter(c) && !escape.longCharacterIsMember(c))) {
            escaped += character;
            continue;
        }
        const std::optional<QByteArray> bytes = encodeString(character, encoding);
        if (!bytes)
            return std::nullopt;
        for (const char b : *bytes) {
            static constexpr char hex[] = "0123456789ABCDEF";
            escaped += u'%';
            escaped += QLatin1Char(hex[static_cast<unsigned char>(b) >> 4]);
            escaped += QLatin1Char(hex[static_cast<unsigned char>(b) & 0xF]);
        }
    }
    return escaped;
}

std::optional<QString> stringForUseInHTTPGetArguments(const QString &string)
{
    QString plussed = string;
    plussed.replace(u' ', u'+');
    return stringByAddingPercentEscapesUsingEncoding(plussed, StringEncoding::ISOLatin1, QString(),
                                                     QStringLiteral("()<>@,;:\\\"/[]?= "));
}

QString escapedSQLString(const QString &string)
{
    // One pass gives what the six replacements in turn give: each one inserts only
    // backslashes, and only the first replacement looks at backslashes.
    QString escaped;
    escaped.reserve(string.size() + 8);
    for (const QChar c : string) {
        switch (c.unicode()) {
        case u'\\':
        case u'\'':
        case u'"':
        case u'\n':
        case u'\t':
        case u'\r':
            escaped += u'\\';
            break;
        default:
            break;
        }
        escaped += c;
    }
    return escaped;
}

QString SGMLEncodedString(const QString &string)
{
    QString encoded;
    encoded.reserve(string.size());
    for (qsizetype i = 0; i < string.size(); ++i) {
        const char16_t unit = string[i].unicode();
        if (unit < 127) {
            encoded += QChar(unit);
            continue;
        }
        // A surrogate pair is one character; references to its two halves would
        // name no character at all, so the pair gets one reference.
        char32_t value = unit;
        if (QChar::isHighSurrogate(unit) && i + 1 < string.size() && QChar::isLowSurrogate(string[i + 1].unicode()))
            value = QChar::surrogateToUcs4(unit, string[++i].unicode());
        encoded += QStringLiteral("&#") + QString::number(quint32(value)) + u';';
    }
    return encoded;
}

} // namespace vl
