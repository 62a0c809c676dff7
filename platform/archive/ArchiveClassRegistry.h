#pragma once

#include "platform/archive/ArchivedClass.h"
#include "platform/archive/ArchivedObject.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QVariant>

#include <concepts>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace platform {

class Unarchiver;

/// Maps the class names found in sequential archives to the C++ code that
/// decodes them. Unarchiver builds objects only of registered classes, and only
/// when the archived superclass chain is the registered one with versions no
/// newer than the registered ones; anything else is refused, never guessed.
/// Thread-safe.
class ArchiveClassRegistry
{
public:
    /// Reads the contents of one object from `coder` (positioned inside the
    /// object) and returns the value or object that stands for it.
    using Decoder = std::function<QVariant(Unarchiver &coder)>;

    struct Entry
    {
        const ArchivedClass *archivedClass = nullptr;
        Decoder decoder;
    };

    /// An empty registry.
    ArchiveClassRegistry();
    ~ArchiveClassRegistry();
    ArchiveClassRegistry(const ArchiveClassRegistry &) = delete;
    ArchiveClassRegistry &operator=(const ArchiveClassRegistry &) = delete;

    /// The process's registry, holding the Foundation value classes (see
    /// registerFoundationClasses); Unarchiver uses it unless given another.
    static ArchiveClassRegistry &shared();

    /// Registers, or replaces, the decoder for `cls`, which must have static
    /// storage (see ArchivedClass).
    void registerClass(const ArchivedClass &cls, Decoder decoder);

    /// Registers T: a default-constructed T is filled by its initWithCoder.
    template <typename T>
        requires std::derived_from<T, ArchivedObject> && std::default_initializable<T>
    void registerClass()
    {
        registerClass(T::archivedClass, [](Unarchiver &coder) {
            auto object = std::make_shared<T>();
            object->initWithCoder(coder);
            return archivedObjectVariant(std::move(object));
        });
    }

    /// Registers the Foundation classes that stand for Qt values: NSString and
    /// NSMutableString (QString), NSData and NSMutableData (QByteArray), NSDate
    /// (QDateTime in UTC), NSNumber (bool, qlonglong, qulonglong, float or
    /// double), NSArray and NSMutableArray (QVariantList), NSDictionary and
    /// NSMutableDictionary with string keys (QVariantMap).
    void registerFoundationClasses();

    /// The entry for a class name; none when the name is not registered.
    std::shared_ptr<const Entry> entryForClassName(QByteArrayView name) const;

private:
    mutable std::mutex m_mutex;
    std::map<std::string, std::shared_ptr<const Entry>, std::less<>> m_entries;
};

} // namespace platform
