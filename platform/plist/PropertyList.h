#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QMetaType>
#include <QString>
#include <QVariant>

#include <optional>

namespace platform {

/// The encodings of a property list. The old-style text form is only ever read.
enum class PropertyListFormat { Xml, Binary, OpenStep };

/// A UID node, the reference type of keyed archives. Keyed archives are property lists like
/// any other, so a UID reads as this value and writes back as a UID; it is never turned into
/// an integer, which would change the archive when written back. XML has no UID element:
/// there a UID is a dictionary whose only key is "CF$UID" with an integer value, and such a
/// dictionary in XML reads as a UID, as the original platform reads it.
struct PropertyListUid
{
    quint64 value = 0;
    friend bool operator==(PropertyListUid a, PropertyListUid b) { return a.value == b.value; }
    friend bool operator!=(PropertyListUid a, PropertyListUid b) { return a.value != b.value; }
};

/// What reading a property list gives: a value, or a description of why there is none.
struct PropertyListReadResult
{
    /// The root value; invalid when reading failed.
    QVariant value;
    /// Why reading failed, in a sentence; empty on success.
    QString error;
    /// The encoding the bytes were found to have (meaningful on success).
    PropertyListFormat format = PropertyListFormat::Xml;

    bool ok() const { return error.isEmpty(); }
    explicit operator bool() const { return ok(); }
};

/// What writing a property list gives: the encoded bytes, or why there are none.
struct PropertyListWriteResult
{
    QByteArray bytes;
    /// Why writing failed, naming the first offending value by its path; empty on success.
    QString error;

    bool ok() const { return error.isEmpty(); }
    explicit operator bool() const { return ok(); }
};

/// Reads an XML, binary or old-style property list (the encoding is detected from the bytes;
/// see OldStylePropertyList.h for the old-style form).
///
/// Values come back as Qt values: dictionary → QVariantMap, array → QVariantList, string →
/// QString, integer → qint64 (an unsigned integer above INT64_MAX, which the binary format
/// can hold, → quint64), real → double, boolean → bool, date → QDateTime in UTC to the
/// millisecond, data → QByteArray, UID → PropertyListUid. A string (or key) that begins
/// with U+FEFF keeps it: that is text, not a byte-order mark.
///
/// Any input, however damaged, gives either a value or an error; never a crash. A document
/// without a value (an empty `<plist/>`) is an error too, as is nesting deeper than 512.
PropertyListReadResult readPropertyList(QByteArrayView bytes);

/// Writes `value` as a property list in `format`, XML or binary (OpenStep is an error).
///
/// Accepts the types readPropertyList() gives, plus what converts to them without loss:
/// QVariantHash and QStringList, every integral type, float, QDateTime in any time spec.
/// Anything else (a null QVariant, a QUrl, an invalid date, a string with U+0000 or an
/// unpaired surrogate that would not survive UTF-8) fails with an error naming where it
/// is: a value is never silently dropped or altered (-0.0 keeps its sign in XML too). XML
/// keeps dates to the second, as the format does; binary keeps them to the millisecond.
PropertyListWriteResult writePropertyList(const QVariant &value, PropertyListFormat format);

} // namespace platform

Q_DECLARE_METATYPE(platform::PropertyListUid)
