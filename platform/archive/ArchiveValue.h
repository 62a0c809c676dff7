#pragma once

#include <QByteArray>
#include <QList>

#include <concepts>
#include <memory>
#include <variant>

namespace platform {

/// One value of a C type in a sequential archive ("typedstream"): an integer
/// (types c C B s S i I l L q Q), a real (f d), a byte string (+ * % : and byte
/// arrays such as "[6c]"), the elements of an array or structure, or, as read
/// from a stream, a reference into the stream's object table (@ #). None stands
/// for a nil string and for a value that could not be read.
///
/// Signed integer types hold a qint64, unsigned ones a quint64; the accessors
/// convert between the two the way C does (two's complement).
class ArchiveValue
{
public:
    /// An object ("@") in the reading stream's object table; -1 is nil.
    struct ObjectReference
    {
        qsizetype index = -1;
        bool operator==(const ObjectReference &) const = default;
    };
    /// A class ("#") in the reading stream's object table; -1 is Nil.
    struct ClassReference
    {
        qsizetype index = -1;
        bool operator==(const ClassReference &) const = default;
    };

    ArchiveValue() = default;
    template <std::signed_integral T>
    ArchiveValue(T value) : m_value(qint64(value))
    {
    }
    template <std::unsigned_integral T>
    ArchiveValue(T value) : m_value(quint64(value))
    {
    }
    ArchiveValue(double value) : m_value(value) {}
    ArchiveValue(float value) : m_value(double(value)) {}
    ArchiveValue(QByteArray bytes) : m_value(std::move(bytes)) {}
    ArchiveValue(const char *text) : m_value(QByteArray(text)) {}
    ArchiveValue(ObjectReference reference) : m_value(reference) {}
    ArchiveValue(ClassReference reference) : m_value(reference) {}

    /// The elements of an array ("[3i]") or the fields of a structure ("{_NSPoint=ff}").
    static ArchiveValue compound(QList<ArchiveValue> elements);

    bool isNone() const { return std::holds_alternative<std::monostate>(m_value); }
    bool isInteger() const { return std::holds_alternative<qint64>(m_value) || std::holds_alternative<quint64>(m_value); }
    bool isUnsigned() const { return std::holds_alternative<quint64>(m_value); }
    bool isReal() const { return std::holds_alternative<double>(m_value); }
    bool isBytes() const { return std::holds_alternative<QByteArray>(m_value); }
    bool isCompound() const { return std::holds_alternative<Compound>(m_value); }
    bool isObjectReference() const { return std::holds_alternative<ObjectReference>(m_value); }
    bool isClassReference() const { return std::holds_alternative<ClassReference>(m_value); }

    /// The integer (an unsigned one reinterpreted); a real truncated toward zero
    /// when it fits; 0 otherwise.
    qint64 toLongLong() const;
    quint64 toULongLong() const { return quint64(toLongLong()); }
    /// The real, or the integer converted; 0 otherwise.
    double toDouble() const;
    /// The bytes of a string or byte array; empty otherwise.
    QByteArray toByteArray() const;
    /// The elements of a compound value; empty otherwise.
    QList<ArchiveValue> elements() const;
    ObjectReference objectReference() const;
    ClassReference classReference() const;

    bool operator==(const ArchiveValue &other) const;

private:
    using Compound = std::shared_ptr<const QList<ArchiveValue>>;
    std::variant<std::monostate, qint64, quint64, double, QByteArray, Compound, ObjectReference, ClassReference> m_value;
};

} // namespace platform
