#include "platform/archive/TypedStreamFormat_p.h"

#include <limits>

namespace platform::typedstream {

namespace {

using Kind = ObjCType::Kind;

std::optional<Kind> scalarKind(char code)
{
    switch (code) {
    case 'c': return Kind::Char;
    case 'C': return Kind::UnsignedChar;
    case 'B': return Kind::Bool;
    case 's': return Kind::Short;
    case 'S': return Kind::UnsignedShort;
    case 'i': return Kind::Int;
    case 'I': return Kind::UnsignedInt;
    case 'l': return Kind::Long;
    case 'L': return Kind::UnsignedLong;
    case 'q': return Kind::LongLong;
    case 'Q': return Kind::UnsignedLongLong;
    case 'f': return Kind::Float;
    case 'd': return Kind::Double;
    case '*': return Kind::CString;
    case '%': return Kind::Atom;
    case ':': return Kind::Selector;
    case '+': return Kind::UnsharedString;
    case '#': return Kind::Class;
    case '@': return Kind::Object;
    default: return std::nullopt;
    }
}

class TypeParser
{
public:
    TypeParser(QByteArrayView types, QString *error) : m_types(types), m_error(error) {}

    std::optional<std::vector<ObjCType>> parseAll()
    {
        std::vector<ObjCType> result;
        if (m_types.isEmpty())
            return fail(QStringLiteral("empty type string"));
        while (m_pos < m_types.size()) {
            auto type = parseOne(0);
            if (!type)
                return std::nullopt;
            result.push_back(std::move(*type));
        }
        return result;
    }

private:
    std::nullopt_t fail(const QString &why)
    {
        if (m_error)
            *m_error = QStringLiteral("type string \"%1\": %2").arg(printable(m_types), why);
        return std::nullopt;
    }

    bool atEnd() const { return m_pos >= m_types.size(); }
    char peek() const { return m_types[m_pos]; }

    std::optional<ObjCType> parseOne(int depth)
    {
        if (depth > MaximumNesting)
            return fail(QStringLiteral("nested too deeply"));
        if (atEnd())
            return fail(QStringLiteral("ends inside a type"));
        const char code = m_types[m_pos++];
        if (const auto kind = scalarKind(code)) {
            ObjCType type;
            type.kind = *kind;
            return type;
        }
        if (code == '[')
            return parseArray(depth);
        if (code == '{')
            return parseStruct(depth);
        return fail(QStringLiteral("unsupported type code '%1'").arg(QChar::fromLatin1(code)));
    }

    std::optional<ObjCType> parseArray(int depth)
    {
        ObjCType type;
        type.kind = Kind::Array;
        bool digits = false;
        while (!atEnd() && peek() >= '0' && peek() <= '9') {
            type.count = type.count * 10 + (peek() - '0');
            if (type.count > std::numeric_limits<qint32>::max())
                return fail(QStringLiteral("array count too large"));
            digits = true;
            ++m_pos;
        }
        if (!digits)
            return fail(QStringLiteral("array without a count"));
        auto element = parseOne(depth + 1);
        if (!element)
            return std::nullopt;
        if (atEnd() || peek() != ']')
            return fail(QStringLiteral("array not closed"));
        ++m_pos;
        type.elements.push_back(std::move(*element));
        return type;
    }

    std::optional<ObjCType> parseStruct(int depth)
    {
        ObjCType type;
        type.kind = Kind::Struct;
        while (!atEnd() && peek() != '=' && peek() != '}')
            ++m_pos; // the structure's name: not needed to read its fields
        if (atEnd() || peek() != '=')
            return fail(QStringLiteral("structure without fields"));
        ++m_pos;
        while (!atEnd() && peek() != '}') {
            auto field = parseOne(depth + 1);
            if (!field)
                return std::nullopt;
            type.elements.push_back(std::move(*field));
        }
        if (atEnd())
            return fail(QStringLiteral("structure not closed"));
        ++m_pos;
        if (type.elements.empty())
            return fail(QStringLiteral("structure without fields"));
        return type;
    }

    QByteArrayView m_types;
    qsizetype m_pos = 0;
    QString *m_error;
};

} // namespace

bool ObjCType::elementsContainObjects() const
{
    for (const ObjCType &element : elements) {
        if (element.containsObjects())
            return true;
    }
    return false;
}

QString printable(QByteArrayView bytes)
{
    QString text;
    for (const char c : bytes) {
        const auto u = quint8(c);
        if (u >= 0x20 && u < 0x7f && c != '\\')
            text += QChar::fromLatin1(c);
        else
            text += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
    }
    return text;
}

std::optional<std::vector<ObjCType>> parseTypeString(QByteArrayView types, QString *error)
{
    return TypeParser(types, error).parseAll();
}

namespace {

// One-letter type strings, parsed and spelled once for the process. Both live as
// long as the process and are shared without an owner: the parsed types through a
// shared pointer with no control block, the spelling as a raw-data QByteArray, so
// that copies of either count no references (an atomic operation each, otherwise,
// for every value read).
struct OneLetterType
{
    ObjCTypes parsed;
    QByteArray text;
};

const OneLetterType *oneLetterType(QByteArrayView types)
{
    static const std::vector<OneLetterType> table = [] {
        static char letters[128][2] = {}; // each NUL-terminated, as any QByteArray's data
        static std::vector<ObjCType> parsed[128];
        std::vector<OneLetterType> result(128);
        for (int code = 0; code < 128; ++code) {
            if (const auto kind = scalarKind(char(code))) {
                ObjCType type;
                type.kind = *kind;
                parsed[code].push_back(type);
                letters[code][0] = char(code);
                result[size_t(code)] = {ObjCTypes(ObjCTypes(), &parsed[code]), QByteArray::fromRawData(letters[code], 1)};
            }
        }
        return result;
    }();
    if (types.size() != 1 || quint8(types.front()) >= 128)
        return nullptr;
    const OneLetterType &known = table[quint8(types.front())];
    return known.parsed ? &known : nullptr;
}

} // namespace

ObjCTypes parsedTypeString(QByteArrayView types, QString *error)
{
    if (const OneLetterType *known = oneLetterType(types))
        return known->parsed;
    auto parsed = parseTypeString(types, error);
    if (!parsed)
        return nullptr;
    return std::make_shared<const std::vector<ObjCType>>(std::move(*parsed));
}

const ObjCType *oneLetterElement(QByteArrayView types)
{
    const OneLetterType *known = oneLetterType(types);
    return known ? &known->parsed->front() : nullptr;
}

QByteArray internedString(QByteArrayView bytes)
{
    if (bytes.size() == 1) {
        const OneLetterType *known = oneLetterType(bytes);
        return known ? known->text : QByteArray();
    }
    // The root class and the Foundation value classes: nearly every archive names some.
    // Other names, the archive's own classes, are told apart by their first letters.
    if (!bytes.startsWith("NS"))
        return {};
    static constexpr QByteArrayView classNames[] = {
        "NSObject", "NSString", "NSMutableString", "NSData", "NSMutableData", "NSNumber", "NSValue",
        "NSArray", "NSMutableArray", "NSDictionary", "NSMutableDictionary", "NSDate",
    };
    for (const QByteArrayView name : classNames) {
        if (name == bytes)
            return QByteArray::fromRawData(name.data(), name.size());
    }
    return {};
}

} // namespace platform::typedstream
