#pragma once

// A typedstream archive read into flat tables that point into the input: the
// form both TypedStream (which builds its tree of groups from it) and
// Unarchiver (which walks it directly) start from.

#include "platform/archive/ArchiveError.h"
#include "platform/archive/ArchiveValue.h"
#include "platform/archive/TypedStreamFormat_p.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QVarLengthArray>

#include <optional>
#include <variant>

namespace platform::typedstream {

/// Every value, group, class and object of an archive in four tables, read and
/// checked with the rules TypedStream documents. Strings are views of the input,
/// which must outlive the tables.
///
/// Why flat: a tree of lists costs an allocation for every group and every
/// object, and as many frees, more than the reading itself for a small archive.
/// Here a group's values sit side by side in one table, the groups of a level are
/// chained by index, and a small archive fits the tables' inline storage: read on
/// the stack, it allocates for nothing but the strings it returns as values.
struct FlatTypedStream
{
    enum class ByteOrder { LittleEndian, BigEndian };

    struct SharedString
    {
        QByteArrayView text;
        ObjCTypes types;  // parsed once the string is used as a type string
        QByteArray value; // made once the string is read as a value, else null
    };

    /// The values of one encode call: values[firstValue] and on, one for each
    /// element of the type string; `next` is the following group of the same
    /// level (the top level or one object's contents), -1 after the last.
    struct Group
    {
        qsizetype typeString;
        qsizetype firstValue;
        qsizetype valueCount;
        qsizetype next = -1;
    };

    /// A class: `name` is a string-table index; `superclass` an object-table
    /// index, or -1 at the end of the chain.
    struct Class
    {
        qsizetype name = -1;
        qint64 version = 0;
        qsizetype superclass = -1;
    };

    /// An object: its class (an object-table index) and its first group, -1 when
    /// it has none; whether a later value refers to it again. No member
    /// initializers: they would keep the variant below from being
    /// default-constructible inside this class.
    struct Object
    {
        qsizetype classIndex;
        qsizetype firstGroup;
        bool referencedAgain;
    };

    /// A C string ("*") value: its string-table index.
    struct CString
    {
        qsizetype string = -1;
    };

    using Entry = std::variant<Object, Class, CString>;

    /// Reads a whole archive into `stream`, which must be empty; an error, and
    /// tables to discard, when the input is refused.
    static std::optional<ArchiveError> read(QByteArrayView data, FlatTypedStream &stream);

    QByteArrayView textAt(qsizetype stringIndex) const { return strings[stringIndex].text; }
    QByteArrayView typesOf(const Group &group) const { return textAt(group.typeString); }
    /// The object or class at an object-table index; null when the index is out of
    /// range or holds another kind of entry.
    const Object *objectAt(qsizetype index) const;
    const Class *classAt(qsizetype index) const;

    ByteOrder byteOrder = ByteOrder::LittleEndian;
    qint64 systemVersion = 0;
    qsizetype firstGroup = -1; // of the top level
    // Sized for a small archive: one root object of a few values.
    QVarLengthArray<SharedString, 8> strings;
    QVarLengthArray<ArchiveValue, 8> values;
    QVarLengthArray<Group, 8> groups;
    QVarLengthArray<Entry, 4> objects;
};

} // namespace platform::typedstream
