#pragma once

#include "platform/archive/ArchiveClassRegistry.h"
#include "platform/archive/ArchiveError.h"
#include "platform/archive/ArchiveResult.h"
#include "platform/archive/ArchiveValue.h"
#include "platform/archive/ArchivedObject.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QVariant>

#include <memory>
#include <optional>

namespace platform {

/// Reads a sequential archive in the original platform's typedstream format
/// (either byte order), the counterpart of NSUnarchiver. The whole input is read
/// and checked at the stream level first (see TypedStream); objects are then
/// built only of classes in the registry. Values come back in the order they
/// were written, each under the type string it was written with.
///
/// Failures never throw: the first one (malformed input, an unexpected type
/// string, an unknown class, a decoder's own refusal) is kept as error(), every
/// later read returns none, and unarchiveObjectWithData reports it as its
/// result. Objects are owned by shared pointers; an archive whose objects refer
/// back to an object still being decoded is refused, as it would need a cycle.
class Unarchiver
{
public:
    /// Reads `data`, which need not outlive the constructor; check error() before
    /// decoding.
    explicit Unarchiver(QByteArrayView data, const ArchiveClassRegistry &registry = ArchiveClassRegistry::shared());
    ~Unarchiver();
    Unarchiver(const Unarchiver &) = delete;
    Unarchiver &operator=(const Unarchiver &) = delete;

    /// The archive's single root object: a Qt value for a Foundation class, an
    /// ArchivedObjectPointer for an ArchivedObject, or a null QVariant for a nil
    /// root. An error when the archive does not hold exactly one object, or when
    /// anything in it cannot be read.
    static ArchiveResult<QVariant> unarchiveObjectWithData(QByteArrayView data,
                                                           const ArchiveClassRegistry &registry = ArchiveClassRegistry::shared());

    /// The root object when it is a T; an error otherwise.
    template <typename T>
    static ArchiveResult<std::shared_ptr<T>> unarchiveObjectWithData(QByteArrayView data,
                                                                     const ArchiveClassRegistry &registry = ArchiveClassRegistry::shared())
    {
        ArchiveResult<QVariant> root = unarchiveObjectWithData(data, registry);
        if (!root)
            return root.error();
        if (auto object = archivedObjectCast<T>(std::move(root).value()))
            return object;
        return ArchiveError{QStringLiteral("the root object is not a %1").arg(QLatin1String(T::archivedClass.name))};
    }

    /// The next value, which must have been written under exactly `type` (one
    /// element, such as "s" or "[6c]"; not "@" or "#": see decodeObject).
    ArchiveValue decodeValueOfObjCType(QByteArrayView type);

    /// The next values, written together under exactly `types` (such as "sl").
    QList<ArchiveValue> decodeValuesOfObjCTypes(QByteArrayView types);

    /// The bytes of the next data object (see Archiver::encodeDataObject).
    QByteArray decodeDataObject();

    /// The next object: as unarchiveObjectWithData describes, null for nil. An
    /// object met again is the same value or the same shared object.
    QVariant decodeObject();

    /// Whether every value at the current level has been read: the top level of
    /// the archive, or the object being decoded.
    bool isAtEnd() const;

    /// The version the archive records for a class, or none when it names no such
    /// class.
    std::optional<qint64> versionForClassName(QByteArrayView className) const;

    /// Refuses the archive from inside a decoder; the first failure is kept.
    void failWithError(const QString &description);

    bool hasFailed() const;
    /// The first failure, if any.
    std::optional<ArchiveError> error() const;

private:
    struct Private;
    explicit Unarchiver(Private &d);
    // unarchiveObjectWithData keeps the state on its own stack, an allocation
    // less for every small archive; the public constructor owns its state.
    std::unique_ptr<Private> const m_ownedPrivate;
    Private *const d;
};

} // namespace platform
