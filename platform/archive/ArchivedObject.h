#pragma once

#include "platform/archive/ArchivedClass.h"

#include <QMetaType>
#include <QVariant>

#include <memory>
#include <typeinfo>
#include <utility>

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

// Declared before any use of the type in a QVariant below. Relocatable (the
// pointer holds no address of itself), so that a QVariant keeps it in place
// rather than in an allocation of its own: one malloc less for each object decoded.
Q_DECLARE_TYPEINFO(platform::ArchivedObjectPointer, Q_RELOCATABLE_TYPE);
Q_DECLARE_METATYPE(platform::ArchivedObjectPointer)

namespace platform {

namespace detail {

// `pointer` as a T, copied or moved as it is passed. Most often the object is
// exactly a T: comparing type_infos costs a fraction of dynamic_cast's walk
// through the class hierarchy.
template <typename T, typename Pointer>
std::shared_ptr<T> castArchivedObject(Pointer &&pointer)
{
    if (pointer && typeid(*pointer) == typeid(T))
        return std::static_pointer_cast<T>(std::forward<Pointer>(pointer));
    return std::dynamic_pointer_cast<T>(std::forward<Pointer>(pointer));
}

} // namespace detail

/// The object of class T that `object` holds, or null when it holds none or one
/// of another class.
template <typename T>
std::shared_ptr<T> archivedObjectCast(const QVariant &object)
{
    if (object.metaType() != QMetaType::fromType<ArchivedObjectPointer>())
        return nullptr;
    // Cast from the pointer in place: a copy out of the variant would count a reference up and down.
    return detail::castArchivedObject<T>(*static_cast<const ArchivedObjectPointer *>(object.constData()));
}

/// The same, taking the pointer out of `object` rather than copying it: no
/// reference counted up, and none down when `object` goes.
template <typename T>
std::shared_ptr<T> archivedObjectCast(QVariant &&object)
{
    if (object.metaType() != QMetaType::fromType<ArchivedObjectPointer>())
        return nullptr;
    return detail::castArchivedObject<T>(std::move(*static_cast<ArchivedObjectPointer *>(object.data())));
}

/// A QVariant holding `object`, as decodeObject returns and encodeObject accepts.
inline QVariant archivedObjectVariant(ArchivedObjectPointer object)
{
    // QVariant::fromValue would copy the pointer, a reference counted up and then
    // down again: it is swapped into a variant holding a null one instead.
    QVariant variant(QMetaType::fromType<ArchivedObjectPointer>());
    static_cast<ArchivedObjectPointer *>(variant.data())->swap(object);
    return variant;
}

} // namespace platform
