#include "platform/archive/Archiver.h"

#include "platform/archive/ArchivedFoundationClasses_p.h"
#include "platform/core/Exception.h"
#include "platform/core/ReferenceDate.h"
#include "platform/archive/TypedStreamFormat_p.h"

#include <QDateTime>
#include <QHash>
#include <QScopeGuard>
#include <QtEndian>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <type_traits>
#include <vector>

namespace platform {

using namespace typedstream;
using Kind = ObjCType::Kind;

namespace {

[[noreturn]] void misuse(const QString &reason)
{
    raise(QString::fromLatin1(ExceptionName::InvalidArgument), reason);
}

/// The integer written for `value` under an integer type: unsigned values are
/// written as the signed value of the same width, as the original does (the
/// unsigned long long 2^64 - 3 is written as -3).
std::optional<qint64> storedInteger(const ObjCType &type, const ArchiveValue &value)
{
    if (!value.isInteger())
        return std::nullopt;
    const int bits = type.bits();
    if (value.isUnsigned()) {
        const quint64 unsignedValue = value.toULongLong();
        const quint64 largest = type.isUnsigned() ? (bits == 64 ? ~quint64(0) : (quint64(1) << bits) - 1)
                                                  : (quint64(1) << (bits - 1)) - 1;
        if (unsignedValue > largest)
            return std::nullopt;
    } else if (!fitsIntegerType(type, value.toLongLong())) {
        return std::nullopt;
    }
    if (bits == 64)
        return value.toLongLong();
    const quint64 mask = (quint64(1) << bits) - 1;
    const quint64 low = value.toULongLong() & mask;
    const quint64 signBit = quint64(1) << (bits - 1);
    return (low & signBit) ? qint64(low | ~mask) : qint64(low);
}

/// Why `value` cannot be written under `type`; empty when it can.
QString mismatch(const ObjCType &type, const ArchiveValue &value)
{
    if (type.isByte() || type.isTaggedInteger())
        return storedInteger(type, value) ? QString() : QStringLiteral("an integer that fits the type");
    switch (type.kind) {
    case Kind::Float:
    case Kind::Double:
        return value.isReal() || value.isInteger() ? QString() : QStringLiteral("a number");
    case Kind::UnsharedString:
        return value.isBytes() ? QString() : QStringLiteral("bytes");
    case Kind::CString:
    case Kind::Atom:
    case Kind::Selector:
        return value.isBytes() || value.isNone() ? QString() : QStringLiteral("bytes or none");
    case Kind::Array: {
        const ObjCType &element = type.elements.front();
        if (element.isByte())
            return value.isBytes() && value.toByteArray().size() == type.count
                       ? QString() : QStringLiteral("exactly %1 bytes").arg(type.count);
        const QList<ArchiveValue> elements = value.elements();
        if (!value.isCompound() || elements.size() != type.count)
            return QStringLiteral("%1 elements").arg(type.count);
        for (const ArchiveValue &each : elements) {
            if (const QString why = mismatch(element, each); !why.isEmpty())
                return why;
        }
        return {};
    }
    case Kind::Struct: {
        const QList<ArchiveValue> fields = value.elements();
        if (!value.isCompound() || fields.size() != qsizetype(type.elements.size()))
            return QStringLiteral("%1 fields").arg(type.elements.size());
        for (qsizetype i = 0; i < fields.size(); ++i) {
            if (const QString why = mismatch(type.elements[size_t(i)], fields[i]); !why.isEmpty())
                return why;
        }
        return {};
    }
    default:
        return QStringLiteral("an object, which only encodeObject writes");
    }
}

/// Why `value` cannot be written by encodeObject; empty when it can.
QString unarchivable(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
        for (const QVariant &element : value.toList()) {
            if (const QString why = unarchivable(element); !why.isEmpty())
                return why;
        }
        return {};
    case QMetaType::QVariantMap:
        for (const QVariant &element : value.toMap()) {
            if (const QString why = unarchivable(element); !why.isEmpty())
                return why;
        }
        return {};
    case QMetaType::QString:
    case QMetaType::QByteArray:
    case QMetaType::QDateTime:
    case QMetaType::Bool:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::Short:
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::UChar:
    case QMetaType::UShort:
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::Float:
    case QMetaType::Double:
        return {};
    default:
        if (value.isNull() || value.metaType() == QMetaType::fromType<ArchivedObjectPointer>())
            return {};
        return QStringLiteral("a value of type %1 cannot be archived").arg(QLatin1String(value.typeName()));
    }
}

// The upper bound is 2^31 itself, exclusive: INT32_MAX as a float rounds up to
// 2^31, which would take the 8-byte integer form no reader takes for a real.
template <typename T>
bool isWholeInt32(T value)
{
    constexpr T lowest = T(std::numeric_limits<qint32>::min());
    return std::isfinite(value) && value == std::trunc(value) && value >= lowest && value < -lowest
           && !(value == 0 && std::signbit(value));
}

/// Table numbers by key: a flat list while small, which is what archives of a
/// few objects need and costs no hashing, then a hash.
template <typename Key, typename Lookup>
class TableIndex
{
public:
    std::optional<qsizetype> find(Lookup key) const
    {
        if (m_large.isEmpty()) {
            for (const auto &[each, index] : m_small) {
                if (Lookup(each) == key)
                    return index;
            }
            return std::nullopt;
        }
        const auto found = m_large.constFind(ownKey(key));
        return found == m_large.cend() ? std::nullopt : std::optional(*found);
    }

    void insert(const Key &key, qsizetype index)
    {
        if (m_large.isEmpty() && m_small.size() < SmallSize) {
            m_small.emplace_back(key, index);
            return;
        }
        if (m_large.isEmpty()) {
            for (const auto &[each, eachIndex] : m_small)
                m_large.insert(each, eachIndex);
            m_small.clear();
        }
        m_large.insert(key, index);
    }

private:
    static constexpr size_t SmallSize = 24;
    static Key ownKey(Lookup key)
    {
        if constexpr (std::is_same_v<Key, QByteArray>)
            return QByteArray::fromRawData(key.data(), key.size()); // no copy for a lookup
        else
            return key;
    }

    std::vector<std::pair<Key, qsizetype>> m_small;
    QHash<Key, qsizetype> m_large;
};

using StringIndex = TableIndex<QByteArray, QByteArrayView>;

} // namespace

struct Archiver::Private
{
    Private() { data.reserve(128); }

    QByteArray data;
    qsizetype stringCount = 0;
    qsizetype objectCount = 0;
    StringIndex strings;  // shared string -> string-table index
    StringIndex classes;  // class name -> object-table index
    StringIndex cStrings; // C string -> object-table index
    TableIndex<const void *, const void *> objects;
    std::vector<ArchivedObjectPointer> retained; // keeps addresses unique while writing
    std::vector<std::pair<QByteArray, ObjCTypes>> types; // type strings with more than one letter
    int valueDepth = 0; // nesting of Foundation values being written

    void writeByte(quint8 byte) { data.append(char(byte)); }

    template <typename T>
    void writeRaw(T value)
    {
        char bytes[sizeof(T)];
        qToLittleEndian(value, bytes);
        data.append(bytes, sizeof(T));
    }

    void writeInteger(qint64 value)
    {
        if (value >= SmallestLiteral && value <= LargestLiteral) {
            writeByte(quint8(qint8(value)));
        } else if (value >= std::numeric_limits<qint16>::min() && value <= std::numeric_limits<qint16>::max()) {
            writeByte(TagInteger2);
            writeRaw(qint16(value));
        } else if (value >= std::numeric_limits<qint32>::min() && value <= std::numeric_limits<qint32>::max()) {
            writeByte(TagInteger4);
            writeRaw(qint32(value));
        } else {
            writeByte(TagInteger8);
            writeRaw(value);
        }
    }

    void writeReference(qsizetype index) { writeInteger(qint64(index) + ReferenceBase); }

    void writeUnsharedString(QByteArrayView bytes)
    {
        writeInteger(bytes.size());
        data.append(bytes);
    }

    enum class Storage { Copied, Static };

    /// A string of `Storage::Static` storage, such as a class name, is kept in the
    /// table without a copy.
    void writeSharedString(QByteArrayView string, Storage storage = Storage::Copied)
    {
        if (const auto found = strings.find(string)) {
            writeReference(*found);
            return;
        }
        strings.insert(storage == Storage::Static ? QByteArray::fromRawData(string.data(), string.size())
                                                  : string.toByteArray(),
                       stringCount++);
        writeByte(TagNew);
        writeUnsharedString(string);
    }

    /// A float or a double: as an integer when it is a whole one, else its bits.
    template <typename Real>
    void writeReal(Real value)
    {
        if (isWholeInt32(value)) {
            writeInteger(qint64(value));
            return;
        }
        using Bits = std::conditional_t<sizeof(Real) == sizeof(quint32), quint32, quint64>;
        writeByte(TagReal);
        writeRaw(std::bit_cast<Bits>(value));
    }

    void writeCString(const ArchiveValue &value)
    {
        if (value.isNone()) {
            writeByte(TagNil);
            return;
        }
        const QByteArray text = value.toByteArray();
        if (const auto found = cStrings.find(text)) {
            writeReference(*found);
            return;
        }
        cStrings.insert(text, objectCount++);
        writeByte(TagNew);
        writeSharedString(text);
    }

    /// The class chain up to NSObject, or up to the first class written before.
    void writeClass(const ArchivedClass &cls)
    {
        for (const ArchivedClass *each = &cls; each; each = each->superclass) {
            const QByteArray name = QByteArray::fromRawData(each->name, qsizetype(std::strlen(each->name)));
            if (const auto found = classes.find(name)) {
                writeReference(*found);
                return;
            }
            writeByte(TagNew);
            classes.insert(name, objectCount++);
            writeSharedString(name, Storage::Static);
            writeInteger(each->version);
        }
        writeByte(TagNil);
    }

    /// REQUIRES: mismatch(type, value) is empty.
    void writeValue(const ObjCType &type, const ArchiveValue &value)
    {
        if (type.isByte()) {
            writeByte(quint8(*storedInteger(type, value)));
            return;
        }
        if (type.isTaggedInteger()) {
            writeInteger(*storedInteger(type, value));
            return;
        }
        switch (type.kind) {
        case Kind::Float:
            writeReal(float(value.toDouble()));
            break;
        case Kind::Double:
            writeReal(value.toDouble());
            break;
        case Kind::UnsharedString:
            writeUnsharedString(value.toByteArray());
            break;
        case Kind::CString:
            writeCString(value);
            break;
        case Kind::Atom:
        case Kind::Selector:
            if (value.isNone())
                writeByte(TagNil);
            else
                writeSharedString(value.toByteArray());
            break;
        case Kind::Array:
            if (type.elements.front().isByte()) {
                data.append(value.toByteArray());
                break;
            }
            for (const ArchiveValue &element : value.elements())
                writeValue(type.elements.front(), element);
            break;
        case Kind::Struct: {
            const QList<ArchiveValue> fields = value.elements();
            for (qsizetype i = 0; i < fields.size(); ++i)
                writeValue(type.elements[size_t(i)], fields[i]);
            break;
        }
        default:
            Q_UNREACHABLE();
        }
    }

    ObjCTypes typesFor(QByteArrayView typeString)
    {
        for (const auto &[known, parsed] : types) {
            if (known == typeString)
                return parsed;
        }
        QString why;
        ObjCTypes parsed = parsedTypeString(typeString, &why);
        if (!parsed)
            misuse(why);
        if (typeString.size() > 1)
            types.emplace_back(typeString.toByteArray(), parsed);
        return parsed;
    }
};

Archiver::Archiver() : d(std::make_unique<Private>())
{
    d->writeByte(StreamerVersion);
    d->writeUnsharedString(LittleEndianSignature);
    d->writeInteger(SystemVersion);
}

Archiver::~Archiver() = default;

QByteArray Archiver::archivedDataWithRootObject(const ArchivedObject &root)
{
    Archiver archiver;
    archiver.encodeRootObject(root);
    return archiver.archiverData();
}

QByteArray Archiver::archivedDataWithRootObject(const QVariant &root)
{
    Archiver archiver;
    archiver.encodeObject(root);
    return archiver.archiverData();
}

QByteArray Archiver::archiverData() const
{
    return d->data;
}

void Archiver::encodeRootObject(const ArchivedObject &root)
{
    encodeObject(&root);
}

void Archiver::encodeObject(const ArchivedObject *object)
{
    d->writeSharedString(QByteArrayLiteral("@"));
    if (!object) {
        d->writeByte(TagNil);
        return;
    }
    if (const auto found = d->objects.find(object)) {
        d->writeReference(*found);
        return;
    }
    // Known before its contents, so that the object's own values may refer back to it.
    d->objects.insert(object, d->objectCount);
    encodeNewObject(object->classForArchiver(), [&] { object->encodeWithCoder(*this); });
}

void Archiver::encodeObject(const QVariant &object)
{
    if (d->valueDepth == 0) {
        if (const QString why = unarchivable(object); !why.isEmpty())
            misuse(why);
    }
    if (object.metaType() == QMetaType::fromType<ArchivedObjectPointer>()) {
        auto pointer = object.value<ArchivedObjectPointer>();
        d->retained.push_back(pointer);
        encodeObject(pointer.get());
        return;
    }
    if (object.isNull()) {
        encodeObject(static_cast<const ArchivedObject *>(nullptr));
        return;
    }
    encodeFoundationObject(object);
}

void Archiver::encodeValueOfObjCType(QByteArrayView type, const ArchiveValue &value)
{
    encodeValues(type, &value, 1);
}

void Archiver::encodeValuesOfObjCTypes(QByteArrayView types, const QList<ArchiveValue> &values)
{
    encodeValues(types, values.constData(), values.size());
}

void Archiver::encodeValues(QByteArrayView types, const ArchiveValue *values, qsizetype count)
{
    const ObjCTypes parsed = d->typesFor(types);
    if (qsizetype(parsed->size()) != count)
        misuse(QStringLiteral("%1 values for the type string \"%2\"").arg(count).arg(printable(types)));
    for (qsizetype i = 0; i < count; ++i) {
        if (const QString why = mismatch((*parsed)[size_t(i)], values[i]); !why.isEmpty())
            misuse(QStringLiteral("value %1 for the type string \"%2\" must be %3").arg(i).arg(printable(types), why));
    }
    d->writeSharedString(types);
    for (qsizetype i = 0; i < count; ++i)
        d->writeValue((*parsed)[size_t(i)], values[i]);
}

void Archiver::encodeDataObject(const QByteArray &data)
{
    encodeValueOfObjCType("i", data.size());
    encodeValueOfObjCType(QByteArray('[' + QByteArray::number(data.size()) + "c]"), data);
}

void Archiver::encodeNewObject(const ArchivedClass &cls, const std::function<void()> &writeContents)
{
    d->writeByte(TagNew);
    ++d->objectCount;
    d->writeClass(cls);
    writeContents();
    d->writeByte(TagEndOfObject);
}

void Archiver::encodeFoundationObject(const QVariant &value)
{
    namespace ns = foundation;
    ++d->valueDepth;
    const auto leave = qScopeGuard([this] { --d->valueDepth; });
    d->writeSharedString(QByteArrayLiteral("@"));
    const auto writeNumber = [this](const char *type, const ArchiveValue &number) {
        encodeNewObject(ns::NSNumber, [&] {
            encodeValueOfObjCType("*", type);
            encodeValueOfObjCType(type, number);
        });
    };
    switch (value.typeId()) {
    case QMetaType::QString:
        encodeNewObject(ns::NSString, [&] { encodeValueOfObjCType("+", value.toString().toUtf8()); });
        return;
    case QMetaType::QByteArray:
        encodeNewObject(ns::NSData, [&] { encodeDataObject(value.toByteArray()); });
        return;
    case QMetaType::QDateTime:
        encodeNewObject(ns::NSDate, [&] {
            encodeValueOfObjCType("d", platform::secondsSinceReferenceDate(value.toDateTime()));
        });
        return;
    case QMetaType::Bool:
        writeNumber("c", value.toBool());
        return;
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::Short:
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::UChar:
    case QMetaType::UShort:
    case QMetaType::UInt:
        writeNumber("q", value.toLongLong());
        return;
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        writeNumber("Q", value.toULongLong());
        return;
    case QMetaType::Float:
        writeNumber("f", value.toFloat());
        return;
    case QMetaType::Double:
        writeNumber("d", value.toDouble());
        return;
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        const QVariantList list = value.toList();
        encodeNewObject(ns::NSArray, [&] {
            encodeValueOfObjCType("i", list.size());
            for (const QVariant &element : list)
                encodeObject(element);
        });
        return;
    }
    case QMetaType::QVariantMap: {
        const QVariantMap map = value.toMap();
        encodeNewObject(ns::NSDictionary, [&] {
            encodeValueOfObjCType("i", map.size());
            for (auto it = map.cbegin(); it != map.cend(); ++it) {
                encodeObject(QVariant(it.key()));
                encodeObject(it.value());
            }
        });
        return;
    }
    default:
        Q_UNREACHABLE(); // unarchivable() let through only the types above
    }
}

} // namespace platform
