#pragma once

// Internals shared by the typedstream reader (TypedStream) and writer (Archiver):
// the tag bytes, the grammar of type strings, and the limits that keep hostile
// input from costing unbounded time, memory or stack.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace platform::typedstream {

inline constexpr quint8 StreamerVersion = 4;
inline constexpr char LittleEndianSignature[] = "streamtyped";
inline constexpr char BigEndianSignature[] = "typedstream";
inline constexpr qint64 SystemVersion = 1000;

// Bytes 0x80-0x91 are reserved for tags; integers from -110 to 127 are written
// as one byte, so no literal ever collides with a tag.
enum Tag : quint8 {
    TagInteger2 = 0x81,
    TagInteger4 = 0x82,
    TagReal = 0x83,
    TagNew = 0x84,
    TagNil = 0x85,
    TagEndOfObject = 0x86,
    TagInteger8 = 0x87,
};
inline constexpr quint8 FirstReservedByte = 0x80;
inline constexpr quint8 LastReservedByte = 0x91;
inline constexpr qint64 SmallestLiteral = -110;
inline constexpr qint64 LargestLiteral = 127;
/// A table entry k is written as the integer k + ReferenceBase.
inline constexpr qint64 ReferenceBase = -110;

/// Nesting of objects, arrays and structures a reader follows before it refuses
/// the input: far beyond any real archive (the deepest sample nests 18 objects),
/// well within the stack.
inline constexpr int MaximumNesting = 200;

/// One element of a type string, such as "s", "[6c]" or "{_NSPoint=ff}".
struct ObjCType
{
    enum class Kind {
        Char, UnsignedChar, Bool,
        Short, UnsignedShort, Int, UnsignedInt, Long, UnsignedLong, LongLong, UnsignedLongLong,
        Float, Double,
        CString, Atom, Selector, UnsharedString,
        Class, Object,
        Array, Struct,
    };

    Kind kind = Kind::Int;
    qint64 count = 0;               // Array: the number of elements
    std::vector<ObjCType> elements; // Array: the element type; Struct: the fields

    /// One raw byte in the stream: c C B.
    bool isByte() const { return kind == Kind::Char || kind == Kind::UnsignedChar || kind == Kind::Bool; }
    /// Written with the integer rule: s S i I l L q Q.
    bool isTaggedInteger() const { return kind >= Kind::Short && kind <= Kind::UnsignedLongLong; }
    // Inline, as fitsIntegerType below: they run for every integer read.
    bool isUnsigned() const
    {
        switch (kind) {
        case Kind::UnsignedChar:
        case Kind::Bool:
        case Kind::UnsignedShort:
        case Kind::UnsignedInt:
        case Kind::UnsignedLong:
        case Kind::UnsignedLongLong:
            return true;
        default:
            return false;
        }
    }
    /// Width in bits of an integer type.
    int bits() const
    {
        switch (kind) {
        case Kind::Char:
        case Kind::UnsignedChar:
        case Kind::Bool:
            return 8;
        case Kind::Short:
        case Kind::UnsignedShort:
            return 16;
        case Kind::Int:
        case Kind::UnsignedInt:
        case Kind::Long: // "l" is 32 bits in archives, whatever the writer's long was
        case Kind::UnsignedLong:
            return 32;
        default:
            return 64;
        }
    }
    /// Holds an object or class anywhere inside.
    bool containsObjects() const
    {
        return kind == Kind::Object || kind == Kind::Class || (!elements.empty() && elementsContainObjects());
    }

private:
    bool elementsContainObjects() const;
};

/// `bytes` for an error message: printable ASCII as it is, other bytes as \xNN.
QString printable(QByteArrayView bytes);

/// Parses a whole type string into its elements. Refuses (none, with `error`
/// set) empty strings, unknown codes, arrays without a count or element,
/// structures without fields, and nesting beyond MaximumNesting. "!" (an
/// ignored value) is refused too: a value that takes no bytes would let a short
/// hostile stream repeat unbounded work.
std::optional<std::vector<ObjCType>> parseTypeString(QByteArrayView types, QString *error);

using ObjCTypes = std::shared_ptr<const std::vector<ObjCType>>;

/// parseTypeString, shared: the one-letter type strings that almost every
/// value is written under come parsed from a table made once, without
/// allocating; others are parsed anew.
ObjCTypes parsedTypeString(QByteArrayView types, QString *error);

/// The single element of a one-letter type string (such as "s"), from the same
/// table; null for any other string.
const ObjCType *oneLetterElement(QByteArrayView types);

/// `bytes` as a QByteArray over static storage, which copies without counting
/// references and never allocates, when it is a one-letter type string or a
/// class name nearly every archive holds; null otherwise.
QByteArray internedString(QByteArrayView bytes);

/// Whether `value` fits an integer type as the stream stores it: within the
/// signed range of its width, or for unsigned types also up to the unsigned
/// maximum.
inline bool fitsIntegerType(const ObjCType &type, qint64 value)
{
    const int bits = type.bits();
    if (bits == 64)
        return true;
    const qint64 smallest = -(qint64(1) << (bits - 1));
    const qint64 largest = type.isUnsigned() ? (qint64(1) << bits) - 1 : (qint64(1) << (bits - 1)) - 1;
    return value >= smallest && value <= largest;
}

} // namespace platform::typedstream
