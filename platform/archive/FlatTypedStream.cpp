#include "platform/archive/FlatTypedStream_p.h"

#include <QtEndian>

#include <cstring>
#include <limits>

namespace platform::typedstream {

using Kind = ObjCType::Kind;

namespace {

// Thrown inside the reader only; read() turns it into an ArchiveError.
struct Malformed
{
    QString description;
    qsizetype offset;
};

class Reader
{
public:
    Reader(QByteArrayView data, FlatTypedStream &stream) : m_data(data), m_stream(stream) {}

    void readArchive()
    {
        readHeader();
        m_stream.firstGroup = readGroups([this] { return m_pos < m_data.size(); });
    }

    qsizetype position() const { return m_pos; }

private:
    using Stream = FlatTypedStream;

    class Nesting
    {
    public:
        explicit Nesting(Reader &reader) : m_reader(reader)
        {
            if (++m_reader.m_depth > MaximumNesting)
                m_reader.fail(QStringLiteral("objects or values nested more than %1 deep").arg(MaximumNesting));
        }
        ~Nesting() { --m_reader.m_depth; }
        Nesting(const Nesting &) = delete;
        Nesting &operator=(const Nesting &) = delete;

    private:
        Reader &m_reader;
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
        return m_stream.byteOrder == Stream::ByteOrder::LittleEndian ? qFromLittleEndian<T>(bytes.data())
                                                                     : qFromBigEndian<T>(bytes.data());
    }

    // --- integers, strings and references ---------------------------------------

    qint64 readInteger() { return readIntegerAfter(readByte()); }

    qint64 readIntegerAfter(quint8 head)
    {
        // Kept small enough to inline: most integers, and every reference into a
        // small archive, are a single byte.
        if (head < FirstReservedByte || head > LastReservedByte)
            return qint8(head);
        return readTaggedIntegerAfter(head);
    }

    qint64 readTaggedIntegerAfter(quint8 head)
    {
        switch (head) {
        case TagInteger2:
            return readRaw<qint16>();
        case TagInteger4:
            return readRaw<qint32>();
        case TagInteger8:
            return readRaw<qint64>();
        default:
            fail(QStringLiteral("tag 0x%1 where an integer belongs").arg(head, 2, 16, QLatin1Char('0')));
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

    /// The string-table index of a shared string; -1 for nil. The string stays a
    /// view of the input until it is read as a value.
    qsizetype readSharedString()
    {
        const quint8 head = readByte();
        if (head == TagNil)
            return -1;
        if (head == TagNew) {
            const QByteArrayView text = readBytes(readInteger());
            // Made in place: a temporary would be moved in and destroyed, member by member.
            m_stream.strings.emplace_back().text = text;
            return m_stream.strings.size() - 1;
        }
        return readReference(head, m_stream.strings.size(), "string");
    }

    qsizetype readNonNilSharedString(const char *what)
    {
        const qsizetype index = readSharedString();
        if (index < 0)
            fail(QStringLiteral("nil %1").arg(QLatin1String(what)));
        return index;
    }

    // Type strings and the common class names come interned: most archives then
    // allocate for none of their shared strings but their own class names.
    const QByteArray &sharedValue(qsizetype stringIndex)
    {
        Stream::SharedString &string = m_stream.strings[stringIndex];
        if (string.value.isNull()) {
            string.value = internedString(string.text);
            if (string.value.isNull())
                string.value = string.text.toByteArray();
        }
        return string.value;
    }

    // --- groups and values ---------------------------------------------------------

    // The parsed types stay where the table's shared pointer keeps them while the
    // table itself grows, so a plain pointer to them is safe, and counts nothing.
    const std::vector<ObjCType> &typesAt(qsizetype stringIndex)
    {
        ObjCTypes &cached = m_stream.strings[stringIndex].types;
        if (!cached) {
            QString why;
            cached = parsedTypeString(m_stream.strings[stringIndex].text, &why);
            if (!cached)
                fail(why);
        }
        return *cached;
    }

    /// Reads groups while `more` says so; returns the first one's index, or -1.
    template <typename More>
    qsizetype readGroups(More more)
    {
        qsizetype first = -1;
        qsizetype previous = -1;
        while (more()) {
            const qsizetype group = readGroup();
            (previous < 0 ? first : m_stream.groups[previous].next) = group;
            previous = group;
        }
        return first;
    }

    // A group's slots are taken before its values are read: an object among them
    // puts its own groups and values after them, and the group's values stay side
    // by side.
    qsizetype readGroup()
    {
        const qsizetype typeIndex = readNonNilSharedString("type string");
        const std::vector<ObjCType> &types = typesAt(typeIndex);
        const qsizetype index = m_stream.groups.size();
        m_stream.groups.push_back({typeIndex, m_stream.values.size(), qsizetype(types.size())});
        if (types.size() == 1) {
            // Nearly every group: one value has no neighbours to keep beside it, so
            // it is appended once read, after any object inside it, with no empty
            // slot to fill by a second assignment.
            ArchiveValue value = readValue(types.front());
            m_stream.groups[index].firstValue = m_stream.values.size();
            m_stream.values.push_back(std::move(value));
            return index;
        }
        const qsizetype first = m_stream.values.size();
        // One at a time: resize() would grow the table to the exact size, a copy
        // of every value for each group.
        for (size_t i = 0; i < types.size(); ++i)
            m_stream.values.emplace_back();
        for (size_t i = 0; i < types.size(); ++i) {
            ArchiveValue value = readValue(types[i]);
            m_stream.values[first + qsizetype(i)] = std::move(value);
        }
        return index;
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
            return readBytes(readInteger()).toByteArray();
        case Kind::Atom:
        case Kind::Selector: {
            const qsizetype index = readSharedString();
            return index < 0 ? ArchiveValue() : ArchiveValue(sharedValue(index));
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
        auto &table = m_stream.objects;
        const quint8 head = readByte();
        if (head == TagNil)
            return {};
        if (head == TagNew) {
            const qsizetype index = readNonNilSharedString("C string");
            table.push_back(Stream::CString{index});
            return sharedValue(index);
        }
        const qsizetype index = readReference(head, table.size(), "object");
        const auto *text = std::get_if<Stream::CString>(&table[index]);
        if (!text)
            fail(QStringLiteral("C string reference to an entry that is not a C string"));
        return sharedValue(text->string);
    }

    // --- classes and objects --------------------------------------------------------

    /// Reads a class and its superclass chain; returns its object-table index, or
    /// -1 for Nil where `allowNil`.
    qsizetype readClass(bool allowNil)
    {
        auto &table = m_stream.objects;
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
                const qsizetype index = readReference(head, table.size(), "object");
                // Only a class complete before this chain began: chains stay acyclic.
                if (first >= 0 && index >= first)
                    fail(QStringLiteral("superclass reference %1 into its own chain").arg(index));
                if (!std::holds_alternative<Stream::Class>(table[index]))
                    fail(QStringLiteral("class reference to an entry that is not a class"));
                if (previous >= 0)
                    std::get<Stream::Class>(table[previous]).superclass = index;
                return first < 0 ? index : first;
            }
            const qsizetype slot = table.size();
            table.push_back(Stream::Class{});
            Stream::Class cls;
            cls.name = readNonNilSharedString("class name");
            cls.version = readInteger();
            if (cls.version < std::numeric_limits<qint32>::min() || cls.version > std::numeric_limits<qint32>::max())
                fail(QStringLiteral("class version %1 out of range").arg(cls.version));
            table[slot] = cls;
            if (previous >= 0)
                std::get<Stream::Class>(table[previous]).superclass = slot;
            if (first < 0)
                first = slot;
            previous = slot;
        }
    }

    ArchiveValue readObject()
    {
        auto &table = m_stream.objects;
        const quint8 head = readByte();
        if (head == TagNil)
            return ArchiveValue::ObjectReference{};
        if (head != TagNew) {
            const qsizetype index = readReference(head, table.size(), "object");
            auto *object = std::get_if<Stream::Object>(&table[index]);
            if (!object)
                fail(QStringLiteral("object reference to an entry that is not an object"));
            object->referencedAgain = true;
            return ArchiveValue::ObjectReference{index};
        }
        Nesting nesting(*this);
        // The object takes its slot before its class, as the writer numbers them.
        const qsizetype slot = table.size();
        table.push_back(Stream::Object{-1, -1, false});
        const qsizetype classIndex = readClass(false);
        const qsizetype firstGroup = readGroups([this] { return peekByte() != TagEndOfObject; });
        ++m_pos;
        // Filled in place: the object's own contents may have referred to it.
        auto &object = std::get<Stream::Object>(table[slot]);
        object.classIndex = classIndex;
        object.firstGroup = firstGroup;
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
        // memcmp of a known length is inlined; QByteArrayView's == is a library call.
        const char *signature = readBytes(11).data();
        if (std::memcmp(signature, LittleEndianSignature, 11) == 0)
            m_stream.byteOrder = Stream::ByteOrder::LittleEndian;
        else if (std::memcmp(signature, BigEndianSignature, 11) == 0)
            m_stream.byteOrder = Stream::ByteOrder::BigEndian;
        else
            fail(QStringLiteral("not a typedstream archive (signature)"));
        m_stream.systemVersion = readInteger();
    }

    QByteArrayView m_data;
    qsizetype m_pos = 0;
    FlatTypedStream &m_stream;
    int m_depth = 0;
};

} // namespace

std::optional<ArchiveError> FlatTypedStream::read(QByteArrayView data, FlatTypedStream &stream)
{
    Reader reader(data, stream);
    try {
        reader.readArchive();
    } catch (const Malformed &malformed) {
        return ArchiveError{malformed.description, malformed.offset};
    }
    return std::nullopt;
}

const FlatTypedStream::Object *FlatTypedStream::objectAt(qsizetype index) const
{
    if (index < 0 || index >= objects.size())
        return nullptr;
    return std::get_if<Object>(&objects[index]);
}

const FlatTypedStream::Class *FlatTypedStream::classAt(qsizetype index) const
{
    if (index < 0 || index >= objects.size())
        return nullptr;
    return std::get_if<Class>(&objects[index]);
}

} // namespace platform::typedstream
