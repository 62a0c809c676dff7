#pragma once

#include "platform/archive/ArchiveValue.h"
#include "platform/archive/ArchivedObject.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QVariant>

#include <functional>
#include <memory>

namespace platform {

/// Writes a sequential archive in the original platform's typedstream format,
/// byte for byte as its archiver does (little-endian, streamer version 4,
/// system version 1000), the counterpart of NSArchiver.
///
/// Each encode call writes its type string and then its values; objects are
/// written with their class chain and class version the first time and as
/// references after that. Readers must decode in the order of writing.
///
/// Misuse (a type string that is not understood, a value that does not fit
/// its type, a value of a kind that cannot be archived) raises
/// platform::Exception "NSInvalidArgumentException" before anything of that
/// call is written.
class Archiver
{
public:
    /// An archiver holding only the archive header.
    Archiver();
    ~Archiver();
    Archiver(const Archiver &) = delete;
    Archiver &operator=(const Archiver &) = delete;

    /// The archive of `root` and everything it encodes.
    static QByteArray archivedDataWithRootObject(const ArchivedObject &root);
    /// The archive of a value (see encodeObject(const QVariant &)).
    static QByteArray archivedDataWithRootObject(const QVariant &root);

    /// The bytes written so far.
    QByteArray archiverData() const;

    /// Writes `root` as an object; the same as encodeObject(&root).
    void encodeRootObject(const ArchivedObject &root);

    /// Writes an object (type "@"): nil for null; a reference when the object at
    /// this address was written before, so objects must stay alive until the
    /// archive is complete.
    void encodeObject(const ArchivedObject *object);

    /// Writes a value as the Foundation object that stands for it: a null QVariant
    /// as nil, QString as NSString, QByteArray as NSData, QDateTime as NSDate,
    /// bool and numbers as NSNumber, QVariantList and QStringList as NSArray,
    /// QVariantMap as NSDictionary, an ArchivedObjectPointer as its object
    /// (held until the archiver is destroyed). Values are written anew each time;
    /// only ArchivedObjects are shared.
    void encodeObject(const QVariant &object);

    /// Writes one value under a one-element type string such as "s", "l", "d",
    /// "+", "*" or "[6c]": integers for c C B s S i I l L q Q, reals for f d,
    /// bytes for strings and byte arrays, compound values for arrays and
    /// structures. "l" is 32 bits. Objects go through encodeObject instead.
    void encodeValueOfObjCType(QByteArrayView type, const ArchiveValue &value);

    /// Writes several values under one combined type string, such as "sl".
    void encodeValuesOfObjCTypes(QByteArrayView types, const QList<ArchiveValue> &values);

    /// Writes bytes as a data object: "i" with the length, then "[Nc]" with the
    /// bytes.
    void encodeDataObject(const QByteArray &data);

private:
    // Writes the body of a new object of class `cls` (after its "@"), whose
    // values `writeContents` encodes.
    void encodeNewObject(const ArchivedClass &cls, const std::function<void()> &writeContents);
    void encodeFoundationObject(const QVariant &value);
    void encodeValues(QByteArrayView types, const ArchiveValue *values, qsizetype count);

    struct Private;
    std::unique_ptr<Private> const d;
};

} // namespace platform
