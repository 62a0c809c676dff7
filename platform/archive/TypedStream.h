#pragma once

#include "platform/archive/ArchiveResult.h"
#include "platform/archive/ArchiveValue.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <variant>
#include <vector>

namespace platform {

/// A typedstream archive (the original platform's sequential archive format)
/// read at the stream level: every value with the type string it was written
/// under, every object with its class and contents, and no interpretation of
/// what the classes mean. It can walk any well-formed archive, whatever classes
/// it names; Unarchiver builds objects on top of it.
///
/// Reading treats the input as hostile: each read and each length is checked
/// against the end of the input before anything is allocated; tags, references
/// (right table, right kind of entry, in range), integer ranges of the declared
/// types, the end of every object and the nesting depth are all checked. Any
/// fault gives an error and no stream.
class TypedStream
{
public:
    enum class ByteOrder { LittleEndian, BigEndian };

    /// The values of one encode call: one type string (such as "s", "sl" or
    /// "[6c]") and one value for each of its elements.
    struct Group
    {
        QByteArray types;
        QList<ArchiveValue> values;
    };

    /// A class in the object table; `superclass` is the object-table index of its
    /// superclass, or -1 at the end of the chain.
    struct Class
    {
        QByteArray name;
        qint64 version = 0;
        qsizetype superclass = -1;
    };

    /// An object in the object table: its class (an object-table index) and the
    /// groups its encoder wrote, in order.
    struct Object
    {
        qsizetype classIndex = -1;
        QList<Group> contents;
    };

    /// A C string ("*") value, which takes a slot in the object table too.
    struct CString
    {
        QByteArray text;
    };

    using Entry = std::variant<Object, Class, CString>;

    /// Reads a whole archive into a stream that owns its values (`data` need not
    /// outlive the call). The groups at the top level run to the end of the input;
    /// an archive written with one root object has exactly one.
    static ArchiveResult<TypedStream> read(QByteArrayView data);

    ByteOrder byteOrder() const { return m_byteOrder; }
    qint64 systemVersion() const { return m_systemVersion; }
    const QList<Group> &groups() const { return m_groups; }
    const std::vector<Entry> &objectTable() const { return m_objects; }

    /// The object or class at an object-table index; null when the index is out of
    /// range or holds another kind of entry.
    const Object *objectAt(qsizetype index) const;
    const Class *classAt(qsizetype index) const;

    /// The classes from the class at `classIndex` up to its root class.
    QList<const Class *> classChain(qsizetype classIndex) const;

private:
    ByteOrder m_byteOrder = ByteOrder::LittleEndian;
    qint64 m_systemVersion = 0;
    QList<Group> m_groups;
    std::vector<Entry> m_objects;
};

} // namespace platform
