#include "platform/archive/TypedStream.h"

#include "platform/archive/TypedStreamFormat_p.h"

#include <QVarLengthArray>
#include <QtEndian>

#include <cstring>
#include <limits>
#include <memory>

namespace platform {

using namespace typedstream;
using Kind = ObjCType::Kind;

namespace {

// Thrown inside the reader only; read() turns it into an ArchiveError.
struct Malformed
{
    QString description;
    qsizetype offset;
};

} // namespace

class TypedStreamReader
{
public:
    TypedStreamReader(QByteArrayView data, TypedStream &stream) : m_data(data), m_stream(stream) {}

    void readArchive()
    {
        // Enough for a small archive without growing.
        m_stream.m_objects.reserve(16);
        readHeader();
        readGroups(m_stream.m_groups, [this] { return m_pos < m_data.size(); });
    }

    qsizetype position() const { return m_pos; }

private:
    using Types = ObjCTypes;

    class Nesting
    {
    public:
        explicit Nesting(TypedStreamReader &reader) : m_reader(reader)
        {
            if (++m_reader.m_depth > MaximumNesting)
                m_reader.fail(QStringLiteral("objects or values nested more than %1 deep").arg(MaximumNesting));
        }
        ~Nesting() { --m_reader.m_depth; }
        Nesting(const Nesting &) = delete;
        Nesting &operator=(const Nesting &) = delete;

    private:
        TypedStreamReader &m_reader;
    };

    [[noreturn]] void fail(const QString &why) const { throw Malformed{why, m_pos}; }

    // --- bytes -----------------------------------------------------------------

    quint8 readByte()
    {
        if (m_pos >= m_data.size())
            fail(QStringLiteral("unexpected end of archive"));
        return quint8(m_data[m_pos++]);
    }

    quint8 peekByte() const
    {
        if (m_pos >= m_data.size())
            fail(QStringLiteral("unexpected end of archive"));
        return quint8(m_data[m_pos]);
    }

    QByteArrayView readBytes(qint64 count)
    {
        if (count < 0 || count > m_data.size() - m_pos)
            fail(QStringLiteral("%1 bytes announced, only %2 left").arg(count).arg(m_data.size() - m_pos));
        const QByteArrayView bytes = m_data.sliced(m_pos, qsizetype(count));
        m_pos += qsizetype(count);
        return bytes;
    }

    template <typename T>
    T readRaw()
    {
        const QByteArrayView bytes = readBytes(sizeof(T));
        return m_stream.m_byteOrder == TypedStream::ByteOrder::LittleEndian ? qFromLittleEndian<T>(bytes.data())
                                                                            : qFromBigEndian<T>(bytes.data());
    }

    // --- integers, strings and references ---------------------------------------

    qint64 readInteger() { return readIntegerAfter(readByte()); }

    qint64 readIntegerAfter(quint8 head)
    {
        switch (head) {
        case TagInteger2:
            return readRaw<qint16>();
        case TagInteger4:
            return readRaw<qint32>();
        case TagInteger8:
            return readRaw<qint64>();
        default:
            if (head >= FirstReservedByte && head <= LastReservedByte)
                fail(QStringLiteral("tag 0x%1 where an integer belongs").arg(head, 2, 16, QLatin1Char('0')));
            return qint8(head);
        }
    }

    /// The table index a reference written after `head` names, checked against
    /// the table's size.
    qsizetype readReference(quint8 head, qsizetype tableSize, const char *table)
    {
        const qint64 written = readIntegerAfter(head);
        if (written < ReferenceBase || written >= qint64(tableSize) + ReferenceBase)
            fail(QStringLiteral("reference %1 outside the %2 table of %3 entries")
                     .arg(written - ReferenceBase).arg(QLatin1String(table)).arg(tableSize));
        return qsizetype(written - ReferenceBase);
    }

    QByteArray readUnsharedString() { return readBytes(readInteger()).toByteArray(); }

    // Type strings and the common class names come interned: most archives then
    // allocate for none of their shared strings but their own class names.
    QByteArray readSharedText()
    {
        const QByteArrayView bytes = readBytes(readInteger());
        QByteArray interned = internedString(bytes);
        return interned.isNull() ? bytes.toByteArray() : interned;
    }

    /// The string-table index of a shared string; -1 for nil.
    qsizetype readSharedString()
    {
        const quint8 head = readByte();
        if (head == TagNil)
            return -1;
        if (head == TagNew) {
            m_strings.push_back({readSharedText(), nullptr});
            return m_strings.size() - 1;
        }
        return readReference(head, m_strings.size(), "string");
    }

    qsizetype readNonNilSharedString(const char *what)
    {
        const qsizetype index = readSharedString();
        if (index < 0)
            fail(QStringLiteral("nil %1").arg(QLatin1String(what)));
        return index;
    }

    // --- groups and values ---------------------------------------------------------

    // The parsed types stay where the cache's shared pointer keeps them while the
    // cache itself grows, so a plain pointer to them is safe, and counts nothing.
    const std::vector<ObjCType> &typesAt(qsizetype stringIndex)
    {
        Types &cached = m_strings[stringIndex].types;
        if (!cached) {
            QString why;
            cached = parsedTypeString(m_strings[stringIndex].text, &why);
            if (!cached)
                fail(why);
        }
        return *cached;
    }

    // The groups of one level gather on the stack and move into a list of their
    // exact size: one allocation for the level, not one for each time it grows.
    template <typename More>
    void readGroups(QList<TypedStream::Group> &into, More more)
    {
        QVarLengthArray<TypedStream::Group, 4> groups;
        while (more())
            groups.push_back(readGroup());
        into.reserve(groups.size());
        for (TypedStream::Group &group : groups)
            into.push_back(std::move(group));
    }

    TypedStream::Group readGroup()
    {
        const qsizetype typeIndex = readNonNilSharedString("type string");
        const std::vector<ObjCType> &types = typesAt(typeIndex);
        TypedStream::Group group;
        group.types = m_strings[typeIndex].text;
        group.values.reserve(qsizetype(types.size()));
        for (const ObjCType &type : types)
            group.values.push_back(readValue(type));
        return group;
    }

    ArchiveValue readValue(const ObjCType &type)
    {
        if (type.isByte()) {
            const quint8 byte = readByte();
            return type.kind == Kind::Char ? ArchiveValue(qint8(byte)) : ArchiveValue(byte);
        }
        if (type.isTaggedInteger())
            return readTaggedInteger(type);
        switch (type.kind) {
        case Kind::Float:
        case Kind::Double:
            return readReal(type.kind == Kind::Float);
        case Kind::UnsharedString:
            return readUnsharedString();
        case Kind::Atom:
        case Kind::Selector: {
            const qsizetype index = readSharedString();
            return index < 0 ? ArchiveValue() : ArchiveValue(m_strings[index].text);
        }
        case Kind::CString:
            return readCString();
        case Kind::Class:
            return ArchiveValue::ClassReference{readClass(true)};
        case Kind::Object:
            return readObject();
        case Kind::Array:
            return readArray(type);
        case Kind::Struct: {
            Nesting nesting(*this);
            QList<ArchiveValue> fields;
            for (const ObjCType &field : type.elements)
                fields.push_back(readValue(field));
            return ArchiveValue::compound(std::move(fields));
        }
        default:
            fail(QStringLiteral("unsupported type"));
        }
    }

    ArchiveValue readTaggedInteger(const ObjCType &type)
    {
        const qint64 value = readInteger();
        if (!fitsIntegerType(type, value))
            fail(QStringLiteral("integer %1 out of range for its %2-bit type").arg(value).arg(type.bits()));
        if (!type.isUnsigned())
            return value;
        const int bits = type.bits();
        return bits == 64 ? quint64(value) : quint64(value) & ((quint64(1) << bits) - 1);
    }

    ArchiveValue readReal(bool isFloat)
    {
        const quint8 head = readByte();
        if (head != TagReal)
            return double(readIntegerAfter(head)); // whole values use the integer rule
        if (isFloat) {
            const quint32 bits = readRaw<quint32>();
            float value;
            std::memcpy(&value, &bits, sizeof value);
            return value;
        }
        const quint64 bits = readRaw<quint64>();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    ArchiveValue readArray(const ObjCType &type)
    {
        Nesting nesting(*this);
        const ObjCType &element = type.elements.front();
        if (element.isByte())
            return readBytes(type.count).toByteArray();
        // Every element takes at least one byte: a count beyond the bytes left
        // cannot be honest, and is refused before any work is done for it.
        if (type.count > m_data.size() - m_pos)
            fail(QStringLiteral("array of %1 elements with %2 bytes left").arg(type.count).arg(m_data.size() - m_pos));
        QList<ArchiveValue> elements;
        for (qint64 i = 0; i < type.count; ++i)
            elements.push_back(readValue(element));
        return ArchiveValue::compound(std::move(elements));
    }

    ArchiveValue readCString()
    {
        auto &table = m_stream.m_objects;
        const quint8 head = readByte();
        if (head == TagNil)
            return {};
        if (head == TagNew) {
            const qsizetype index = readNonNilSharedString("C string");
            table.push_back(TypedStream::CString{m_strings[index].text});
            return m_strings[index].text;
        }
        const qsizetype index = readReference(head, qsizetype(table.size()), "object");
        const auto *text = std::get_if<TypedStream::CString>(&table[size_t(index)]);
        if (!text)
            fail(QStringLiteral("C string reference to an entry that is not a C string"));
        return text->text;
    }

    // --- classes and objects --------------------------------------------------------

    /// Reads a class and its superclass chain; returns its object-table index, or
    /// -1 for Nil where `allowNil`.
    qsizetype readClass(bool allowNil)
    {
        auto &table = m_stream.m_objects;
        qsizetype first = -1;
        qsizetype previous = -1;
        for (;;) {
            const quint8 head = readByte();
            if (head == TagNil) {
                if (first < 0 && !allowNil)
                    fail(QStringLiteral("object without a class"));
                return first;
            }
            if (head != TagNew) {
                const qsizetype index = readReference(head, qsizetype(table.size()), "object");
                // Only a class complete before this chain began: chains stay acyclic.
                if (first >= 0 && index >= first)
                    fail(QStringLiteral("superclass reference %1 into its own chain").arg(index));
                if (!std::holds_alternative<TypedStream::Class>(table[size_t(index)]))
                    fail(QStringLiteral("class reference to an entry that is not a class"));
                if (previous >= 0)
                    std::get<TypedStream::Class>(table[size_t(previous)]).superclass = index;
                return first < 0 ? index : first;
            }
            const auto slot = qsizetype(table.size());
            table.push_back(TypedStream::Class{});
            TypedStream::Class cls;
            cls.name = m_strings[readNonNilSharedString("class name")].text;
            cls.version = readInteger();
            if (cls.version < std::numeric_limits<qint32>::min() || cls.version > std::numeric_limits<qint32>::max())
                fail(QStringLiteral("class version %1 out of range").arg(cls.version));
            table[size_t(slot)] = std::move(cls);
            if (previous >= 0)
                std::get<TypedStream::Class>(table[size_t(previous)]).superclass = slot;
            if (first < 0)
                first = slot;
            previous = slot;
        }
    }

    ArchiveValue readObject()
    {
        auto &table = m_stream.m_objects;
        const quint8 head = readByte();
        if (head == TagNil)
            return ArchiveValue::ObjectReference{};
        if (head != TagNew) {
            const qsizetype index = readReference(head, qsizetype(table.size()), "object");
            if (!std::holds_alternative<TypedStream::Object>(table[size_t(index)]))
                fail(QStringLiteral("object reference to an entry that is not an object"));
            return ArchiveValue::ObjectReference{index};
        }
        Nesting nesting(*this);
        // The object takes its slot before its class, as the writer numbers them.
        const auto slot = qsizetype(table.size());
        table.push_back(TypedStream::Object{});
        TypedStream::Object object;
        object.classIndex = readClass(false);
        readGroups(object.contents, [this] { return peekByte() != TagEndOfObject; });
        ++m_pos;
        table[size_t(slot)] = std::move(object);
        return ArchiveValue::ObjectReference{slot};
    }

    // --- header -------------------------------------------------------------------

    void readHeader()
    {
        const quint8 version = readByte();
        if (version != StreamerVersion)
            fail(version == 3 ? QStringLiteral("streamer version 3 (an old form) is not supported")
                              : QStringLiteral("not a typedstream archive (streamer version %1)").arg(version));
        if (readInteger() != 11)
            fail(QStringLiteral("not a typedstream archive (signature length)"));
        const QByteArrayView signature = readBytes(11);
        if (signature == QByteArrayView(LittleEndianSignature))
            m_stream.m_byteOrder = TypedStream::ByteOrder::LittleEndian;
        else if (signature == QByteArrayView(BigEndianSignature))
            m_stream.m_byteOrder = TypedStream::ByteOrder::BigEndian;
        else
            fail(QStringLiteral("not a typedstream archive (signature)"));
        m_stream.m_systemVersion = readInteger();
    }

    QByteArrayView m_data;
    qsizetype m_pos = 0;
    TypedStream &m_stream;
    struct SharedString
    {
        QByteArray text;
        Types types; // parsed once the string is used as a type string
    };
    // On the stack for a small archive's strings.
    QVarLengthArray<SharedString, 16> m_strings;
    int m_depth = 0;
};

ArchiveResult<TypedStream> TypedStream::read(QByteArrayView data)
{
    TypedStream stream;
    TypedStreamReader reader(data, stream);
    try {
        reader.readArchive();
    } catch (const Malformed &malformed) {
        return ArchiveError{malformed.description, malformed.offset};
    }
    return stream;
}

const TypedStream::Object *TypedStream::objectAt(qsizetype index) const
{
    if (index < 0 || index >= qsizetype(m_objects.size()))
        return nullptr;
    return std::get_if<Object>(&m_objects[size_t(index)]);
}

const TypedStream::Class *TypedStream::classAt(qsizetype index) const
{
    if (index < 0 || index >= qsizetype(m_objects.size()))
        return nullptr;
    return std::get_if<Class>(&m_objects[size_t(index)]);
}

QList<const TypedStream::Class *> TypedStream::classChain(qsizetype classIndex) const
{
    QList<const Class *> chain;
    // The reader keeps chains acyclic; the bound only guards against misuse.
    for (const Class *cls = classAt(classIndex); cls && chain.size() <= qsizetype(m_objects.size());
         cls = classAt(cls->superclass))
        chain.push_back(cls);
    return chain;
}

} // namespace platform
