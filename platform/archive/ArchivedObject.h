#pragma once

#include "platform/archive/ArchivedClass.h"

#include <QMetaType>
#include <QVariant>

#include <memory>

namespace platform {

class Archiver;
class Unarchiver;

/// What a C++ class implements to be written to and read from a sequential
/// archive, the counterpart of the original platform's coding protocol. So that
/// ArchiveClassRegistry can register it, a class is default-constructible and
/// names its archived class in a static constant, returned by classForArchiver:
///
///     static constexpr platform::ArchivedClass archivedClass{"KeyCombo", 0, &platform::ArchivedClass::NSObject};
///
/// Decoded objects travel as a QVariant holding a std::shared_ptr<ArchivedObject>
/// (see archivedObjectCast), beside the Qt values that stand for strings,
/// numbers, data, dates, arrays and dictionaries.
class ArchivedObject
{
public:
    virtual ~ArchivedObject() = default;

    /// The class, version and superclass chain written for this object.
    virtual const ArchivedClass &classForArchiver() const = 0;

    /// Writes the object's values, in the order initWithCoder reads them.
    virtual void encodeWithCoder(Archiver &coder) const = 0;

    /// Reads the values encodeWithCoder wrote, starting from a default-constructed
    /// object. A value that does not match makes the coder fail; the object is
    /// then discarded, so the method need not check each read.
    virtual void initWithCoder(Unarchiver &coder) = 0;
};

using ArchivedObjectPointer = std::shared_ptr<ArchivedObject>;

} // namespace platform

// Declared before any use of the type in a QVariant below.
Q_DECLARE_METATYPE(platform::ArchivedObjectPointer)

namespace platform {

/// The object of class T that `object` holds, or null when it holds none or one
/// of another class.
template <typename T>
std::shared_ptr<T> archivedObjectCast(const QVariant &object)
{
    if (object.metaType() != QMetaType::fromType<ArchivedObjectPointer>())
        return nullptr;
    // Cast from the pointer in place: a copy out of the variant would count a reference up and down.
    return std::dynamic_pointer_cast<T>(*static_cast<const ArchivedObjectPointer *>(object.constData()));
}

/// A QVariant holding `object`, as decodeObject returns and encodeObject accepts.
inline QVariant archivedObjectVariant(ArchivedObjectPointer object)
{
    return QVariant::fromValue(std::move(object));
}

} // namespace platform
