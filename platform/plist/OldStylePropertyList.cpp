#include "platform/plist/OldStylePropertyList.h"

#include <QStringDecoder>
#include <QVariantList>
#include <QVariantMap>

#include <algorithm>
#include <string_view>

// The old-style form is what property lists were before XML: a small grammar of strings,
// data, arrays and dictionaries. libplist 2.2 has no reader for it, and the original
// platform still accepts it wherever it reads a property list, so the bridge falls back to
// this reader for text that is neither binary nor XML. It is a recursive-descent parser over
// UTF-16 units, its depth bounded like the other readers'.

namespace platform {

namespace {

constexpr int MaximumDepth = 512;

// An octal escape above \177 names a byte of the NeXTSTEP encoding, the files' first home:
// its upper half from 0x80 (0xFE and 0xFF are unassigned).
constexpr char16_t NextStepUpperHalf[128] = {
    0x00A0, 0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C7, 0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC,
    0x00CD, 0x00CE, 0x00CF, 0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D9, 0x00DA, 0x00DB,
    0x00DC, 0x00DD, 0x00DE, 0x00B5, 0x00D7, 0x00F7, 0x00A9, 0x00A1, 0x00A2, 0x00A3, 0x2044, 0x00A5, 0x0192,
    0x00A7, 0x00A4, 0x2019, 0x201C, 0x00AB, 0x2039, 0x203A, 0xFB01, 0xFB02, 0x00AE, 0x2013, 0x2020, 0x2021,
    0x00B7, 0x00A6, 0x00B6, 0x2022, 0x201A, 0x201E, 0x201D, 0x00BB, 0x2026, 0x2030, 0x00AC, 0x00BF, 0x00B9,
    0x02CB, 0x00B4, 0x02C6, 0x02DC, 0x00AF, 0x02D8, 0x02D9, 0x00A8, 0x00B2, 0x02DA, 0x00B8, 0x00B3, 0x02DD,
    0x02DB, 0x02C7, 0x2014, 0x00B1, 0x00BC, 0x00BD, 0x00BE, 0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5,
    0x00E7, 0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00C6, 0x00ED, 0x00AA, 0x00EE, 0x00EF, 0x00F0, 0x00F1,
    0x0141, 0x00D8, 0x0152, 0x00BA, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00E6, 0x00F9, 0x00FA, 0x00FB,
    0x0131, 0x00FC, 0x00FD, 0x0142, 0x00F8, 0x0153, 0x00DF, 0x00FE, 0x00FF, 0xFFFD, 0xFFFD,
};

bool isSpace(char16_t c)
{
    return c == ' ' || (c >= 0x09 && c <= 0x0D) || c == 0x2028 || c == 0x2029;
}

bool isBareCharacter(char16_t c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
        || std::u16string_view(u"_$/:.-").find(c) != std::u16string_view::npos;
}

int hexValue(char16_t c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// XML begins with "<?", "<!" or an element name. Old-style data begins with '<' too, but
// holds only hexadecimal digits, and no element of a property list is named with those alone.
template<typename Char>
bool beginsLikeXml(const Char *p, const Char *end)
{
    while (p < end && isSpace(char16_t(*p)))
        ++p;
    if (end - p < 2 || p[0] != '<')
        return false;
    if (p[1] == '?' || p[1] == '!')
        return true;
    for (++p; p < end && !isSpace(char16_t(*p)) && p[0] != '>' && p[0] != '/'; ++p)
        if (hexValue(char16_t(*p)) < 0)
            return true;
    return false;
}

class Parser
{
public:
    explicit Parser(QStringView text)
        : begin(text.utf16())
        , p(begin)
        , end(begin + text.size())
    {
    }

    PropertyListReadResult read()
    {
        PropertyListReadResult result;
        result.format = PropertyListFormat::OpenStep;
        QVariant value = document();
        result.error = error;
        if (error.isEmpty())
            result.value = std::move(value);
        return result;
    }

private:
    const char16_t *const begin;
    const char16_t *p;
    const char16_t *const end;
    QString error;

    QVariant fail(const char *what, const char16_t *at = nullptr)
    {
        if (error.isEmpty()) {
            const auto line = 1 + std::count(begin, at ? at : p, u'\n');
            error = QStringLiteral("the old-style property list has %1 on line %2").arg(QLatin1String(what)).arg(line);
        }
        return {};
    }

    QVariant failAtEnd() { return fail("an unexpected end"); }

    bool refuse(const char *what)
    {
        fail(what);
        return false;
    }

    // Skips white space and comments. False at the end of the text, and at a comment
    // that does not end (an error).
    bool skipSpace()
    {
        while (p < end) {
            const bool comment = *p == '/' && p + 1 < end && (p[1] == '/' || p[1] == '*');
            if (isSpace(*p)) {
                ++p;
            } else if (comment && p[1] == '/') {
                p = std::find_if(p, end, [](char16_t c) { return c == '\n' || c == '\r'; });
            } else if (comment) {
                const std::u16string_view rest(p + 2, std::size_t(end - p - 2));
                const auto close = rest.find(u"*/");
                if (close == std::u16string_view::npos) {
                    fail("a comment without its closing */");
                    return false;
                }
                p += 2 + close + 2;
            } else {
                return true;
            }
        }
        return false;
    }

    QVariant document()
    {
        if (!skipSpace())
            return error.isEmpty() ? QVariant(QVariantMap()) : QVariant();
        const char16_t *const start = p;
        QVariant root = object(0);
        if (!root.isValid() || !skipSpace())
            return error.isEmpty() ? root : QVariant();
        if (root.typeId() != QMetaType::QString)
            return fail("more text after the value");
        p = start; // a string followed by more: the strings-file form
        QVariantMap entries;
        return dictionaryEntries(entries, 0, u'\0') ? QVariant(std::move(entries)) : QVariant();
    }

    // The value at `p`; `depth` containers enclose it.
    QVariant object(int depth)
    {
        if (!skipSpace())
            return error.isEmpty() ? failAtEnd() : QVariant();
        switch (*p) {
        case '{':
            return dictionary(depth);
        case '(':
            return array(depth);
        case '<':
            return data();
        case '"':
        case '\'':
            return quoted();
        default:
            return isBareCharacter(*p) ? bare() : fail("an unexpected character");
        }
    }

    QVariant dictionary(int depth)
    {
        if (depth >= MaximumDepth)
            return fail("nesting more than 512 deep");
        ++p;
        QVariantMap entries;
        return dictionaryEntries(entries, depth + 1, u'}') ? QVariant(std::move(entries)) : QVariant();
    }

    // Reads `key = value;` pairs up to `close`, which is consumed, or with `close` 0 up to
    // the end of the text. `depth` containers enclose the values.
    bool dictionaryEntries(QVariantMap &entries, int depth, char16_t close)
    {
        for (;;) {
            if (!skipSpace()) {
                if (close)
                    failAtEnd();
                return error.isEmpty();
            }
            if (close && *p == close) {
                ++p;
                return true;
            }
            const QVariant key = *p == '"' || *p == '\'' ? quoted() : isBareCharacter(*p) ? bare() : fail("a key that is not a string");
            if (!key.isValid() || !skipSpace())
                return refuse("an unexpected end");
            QVariant value = key;
            const bool assigned = *p == '=';
            if (assigned) {
                ++p;
                value = object(depth);
                if (!value.isValid() || !skipSpace())
                    return refuse("a missing ; after a value");
            }
            if (*p != ';')
                return refuse(assigned ? "a missing ; after a value" : "a missing = after a key");
            ++p;
            entries.insert(key.toString(), std::move(value));
        }
    }

    QVariant array(int depth)
    {
        if (depth >= MaximumDepth)
            return fail("nesting more than 512 deep");
        ++p;
        QVariantList elements;
        for (;;) {
            if (!skipSpace())
                return error.isEmpty() ? failAtEnd() : QVariant();
            if (*p == ')') {
                ++p;
                return elements;
            }
            QVariant element = object(depth + 1);
            if (!element.isValid())
                return {};
            elements.append(std::move(element));
            if (!skipSpace())
                return error.isEmpty() ? failAtEnd() : QVariant();
            if (*p == ',')
                ++p;
            else if (*p != ')')
                return fail("a missing , between array elements");
        }
    }

    QVariant data()
    {
        ++p;
        QByteArray bytes;
        int high = -1;
        for (; p < end && *p != '>'; ++p) {
            if (isSpace(*p))
                continue;
            const int value = hexValue(*p);
            if (value < 0)
                return fail("data holding a character that is no hexadecimal digit");
            if (high < 0) {
                high = value;
            } else {
                bytes.append(char(high << 4 | value));
                high = -1;
            }
        }
        if (p == end)
            return fail("data without its closing >");
        if (high >= 0)
            return fail("data with an odd number of hexadecimal digits");
        ++p;
        return QVariant(bytes);
    }

    QVariant bare()
    {
        const char16_t *const start = p;
        p = std::find_if_not(p, end, isBareCharacter);
        return QString(reinterpret_cast<const QChar *>(start), p - start);
    }

    QVariant quoted()
    {
        const char16_t *const start = p;
        const char16_t quote = *p++;
        QString text;
        for (;;) {
            const char16_t *run = std::find_if(p, end, [quote](char16_t c) { return c == quote || c == '\\'; });
            text.append(reinterpret_cast<const QChar *>(p), run - p);
            p = run;
            if (p == end || (*p == '\\' && p + 1 == end))
                return fail("a string without its closing quote", start);
            if (*p++ == quote)
                break;
            escape(text);
        }
        if (text.contains(QChar(u'\0')))
            return fail("a string holding U+0000, which cannot be read without loss", start);
        if (!QStringView(text).isValidUtf16())
            return fail("a string holding an unpaired surrogate", start);
        return text;
    }

    // Appends what the escape after a backslash stands for; `p` is past the backslash.
    void escape(QString &text)
    {
        const char16_t c = *p++;
        switch (c) {
        case 'a': text.append(u'\a'); return;
        case 'b': text.append(u'\b'); return;
        case 'f': text.append(u'\f'); return;
        case 'n': text.append(u'\n'); return;
        case 'r': text.append(u'\r'); return;
        case 't': text.append(u'\t'); return;
        case 'v': text.append(u'\v'); return;
        case 'U': {
            char16_t unit = 0;
            for (int n = 0; n < 4 && p < end && hexValue(*p) >= 0; ++n)
                unit = char16_t(unit << 4 | hexValue(*p++));
            text.append(QChar(unit));
            return;
        }
        default:
            break;
        }
        if (c < '0' || c > '7') { // quotes, backslashes and anything else stand for themselves
            text.append(QChar(c));
            return;
        }
        int byte = c - '0';
        for (int n = 1; n < 3 && p < end && *p >= '0' && *p <= '7'; ++n)
            byte = byte << 3 | (*p++ - '0');
        byte &= 0xFF;
        text.append(QChar(byte < 0x80 ? char16_t(byte) : NextStepUpperHalf[byte - 0x80]));
    }
};

// The text of `bytes`: UTF-16 after a byte-order mark, else UTF-8 (a byte-order mark skipped).
std::optional<QString> decode(QByteArrayView bytes)
{
    QStringConverter::Encoding encoding = QStringConverter::Utf8;
    if (bytes.startsWith("\xFE\xFF"))
        encoding = QStringConverter::Utf16BE;
    else if (bytes.startsWith("\xFF\xFE"))
        encoding = QStringConverter::Utf16LE;
    if (encoding != QStringConverter::Utf8 && bytes.size() % 2)
        return std::nullopt;
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

} // namespace

std::optional<PropertyListReadResult> readOldStylePropertyList(QByteArrayView bytes)
{
    const bool utf16 = bytes.startsWith("\xFE\xFF") || bytes.startsWith("\xFF\xFE");
    const QByteArrayView withoutBom = bytes.startsWith("\xEF\xBB\xBF") ? bytes.sliced(3) : bytes;
    const auto *raw = reinterpret_cast<const uchar *>(withoutBom.data());
    if (!utf16 && beginsLikeXml(raw, raw + withoutBom.size()))
        return std::nullopt;
    const std::optional<QString> text = decode(bytes);
    if (!text) {
        PropertyListReadResult result;
        result.format = PropertyListFormat::OpenStep;
        result.error = utf16 ? QStringLiteral("the old-style property list is not valid UTF-16")
                             : QStringLiteral("the old-style property list is not valid UTF-8");
        return result;
    }
    if (utf16 && beginsLikeXml(text->utf16(), text->utf16() + text->size()))
        return std::nullopt;
    return Parser(*text).read();
}

} // namespace platform
