#include "PropertyList.h"

#include <QDateTime>
#include <QStringList>
#include <QtEndian>

#include <plist/plist.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

// libplist 2.2 is the codec; this file only bridges its nodes to Qt values. Three corners
// of libplist's public API need care, each explained where it is handled:
// - integers are unsigned nodes: a negative number and an unsigned one above INT64_MAX share
//   the same 64 bits and differ only in a width the API does not show;
// - dates cross the API as 32-bit seconds since 2001, about 1933 to 2069;
// - plist_new_string() stops at U+0000.

namespace platform {

namespace {

constexpr int MaximumDepth = 512;
constexpr qint64 MacEpochMSecs = 978307200000; // 2001-01-01T00:00:00Z in Unix milliseconds

struct NodeDeleter
{
    void operator()(void *node) const { plist_free(node); }
};
using NodePtr = std::unique_ptr<void, NodeDeleter>;

// --- dates beyond the 32-bit API ---------------------------------------------------------
//
// A binary plist whose only object is a date holds that date as a big-endian double of
// seconds since 2001, at a fixed place. Going through that tiny document reaches the whole
// range libplist stores, to the sub-second, where plist_get/new_date_val cannot.

constexpr int LoneDateMarkerOffset = 8;
constexpr char LoneDateMarker = 0x33;

QByteArray loneDateDocument(double secondsSince2001)
{
    QByteArray doc("bplist00", 8);
    doc.append(LoneDateMarker);
    char be[8];
    qToBigEndian(secondsSince2001, be);
    doc.append(be, 8);
    doc.append(char(LoneDateMarkerOffset)); // offset table: one object at byte 8
    char trailer[32] = {};
    trailer[6] = 1;                          // offset size
    trailer[7] = 1;                          // reference size
    trailer[15] = 1;                         // object count
    trailer[31] = char(LoneDateMarkerOffset + 9); // offset table position
    doc.append(trailer, sizeof trailer);
    return doc;
}

std::optional<double> wideDateSeconds(plist_t node)
{
    char *bin = nullptr;
    uint32_t length = 0;
    plist_to_bin(node, &bin, &length);
    if (!bin)
        return std::nullopt;
    std::optional<double> seconds;
    if (length >= LoneDateMarkerOffset + 9 && bin[LoneDateMarkerOffset] == LoneDateMarker)
        seconds = qFromBigEndian<double>(bin + LoneDateMarkerOffset + 1);
    plist_to_bin_free(bin);
    return seconds;
}

// --- reading -----------------------------------------------------------------------------

class Reader
{
public:
    QString error;
    // XML has no UID element: writers put a UID as a dictionary whose only key is "CF$UID".
    bool dictionariesMayBeUids = false;

    QVariant read(plist_t node, int depth)
    {
        if (depth > MaximumDepth)
            return fail(QStringLiteral("the property list is nested more than %1 deep").arg(MaximumDepth));
        switch (plist_get_node_type(node)) {
        case PLIST_DICT:
            return readDictionary(node, depth);
        case PLIST_ARRAY:
            return readArray(node, depth);
        case PLIST_STRING:
        case PLIST_KEY: {
            uint64_t length = 0;
            const char *text = plist_get_string_ptr(node, &length);
            if (text)
                return QString::fromUtf8(text, qsizetype(length));
            char *copy = nullptr;
            plist_get_key_val(node, &copy);
            QString key = QString::fromUtf8(copy);
            std::free(copy);
            return key;
        }
        case PLIST_UINT:
            return readInteger(node);
        case PLIST_REAL: {
            double value = 0;
            plist_get_real_val(node, &value);
            return value;
        }
        case PLIST_BOOLEAN:
            return plist_bool_val_is_true(node) != 0;
        case PLIST_DATE:
            return readDate(node);
        case PLIST_DATA: {
            uint64_t length = 0;
            const char *bytes = plist_get_data_ptr(node, &length);
            return QByteArray(bytes, qsizetype(length));
        }
        case PLIST_UID: {
            uint64_t value = 0;
            plist_get_uid_val(node, &value);
            return QVariant::fromValue(PropertyListUid{value});
        }
        case PLIST_NONE:
            break;
        }
        return fail(QStringLiteral("the property list holds a node of unknown type"));
    }

private:
    QVariant fail(const QString &why)
    {
        if (error.isEmpty())
            error = why;
        return {};
    }

    QVariant readDictionary(plist_t node, int depth)
    {
        if (dictionariesMayBeUids && plist_dict_get_size(node) == 1) {
            plist_t uid = plist_dict_get_item(node, "CF$UID");
            if (uid && plist_get_node_type(uid) == PLIST_UINT) {
                uint64_t value = 0;
                plist_get_uint_val(uid, &value);
                return QVariant::fromValue(PropertyListUid{value});
            }
        }
        QVariantMap map;
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(node, &it);
        for (;;) {
            char *key = nullptr;
            plist_t item = nullptr;
            plist_dict_next_item(node, it, &key, &item);
            if (!item) {
                std::free(key);
                break;
            }
            QVariant value = read(item, depth + 1);
            map.insert(QString::fromUtf8(key), std::move(value));
            std::free(key);
            if (!error.isEmpty())
                break;
        }
        std::free(it);
        return error.isEmpty() ? QVariant(std::move(map)) : QVariant();
    }

    QVariant readArray(plist_t node, int depth)
    {
        const uint32_t count = plist_array_get_size(node);
        QVariantList list;
        list.reserve(count);
        for (uint32_t i = 0; i < count && error.isEmpty(); ++i)
            list.append(read(plist_array_get_item(node, i), depth + 1));
        return error.isEmpty() ? QVariant(std::move(list)) : QVariant();
    }

    static QVariant readInteger(plist_t node)
    {
        uint64_t bits = 0;
        plist_get_uint_val(node, &bits);
        if (bits <= uint64_t(std::numeric_limits<qint64>::max()))
            return qint64(bits);
        // Either a negative number (stored 8 bytes wide) or an unsigned one above INT64_MAX
        // (16 bytes wide, as the binary format and libplist's XML reader keep it). Only node
        // comparison sees the width: a fresh node is always 8 bytes wide.
        NodePtr narrow(plist_new_uint(bits));
        if (plist_compare_node_value(node, narrow.get()))
            return qint64(bits);
        return quint64(bits);
    }

    QVariant readDate(plist_t node)
    {
        int32_t seconds = 0;
        int32_t microseconds = 0;
        plist_get_date_val(node, &seconds, &microseconds);
        qint64 msecs = 0;
        // libplist hands out dates outside the 32-bit range clamped to one of its ends, and
        // the fraction of a date before 2001 as a magnitude, its sign lost when the seconds
        // are 0. Those dates take the exact path.
        const bool clamped = seconds == std::numeric_limits<int32_t>::min() || seconds == std::numeric_limits<int32_t>::max();
        if (clamped || (seconds <= 0 && microseconds != 0)) {
            const auto wide = wideDateSeconds(node);
            if (!wide || !std::isfinite(*wide) || std::abs(*wide) > 1e15)
                return fail(QStringLiteral("the property list holds a date out of range"));
            msecs = std::llround(*wide * 1000.0);
        } else {
            // Here the fraction is only ever added to positive seconds.
            msecs = qint64(seconds) * 1000 + (microseconds + 500) / 1000;
        }
        return QDateTime::fromMSecsSinceEpoch(msecs + MacEpochMSecs, Qt::UTC);
    }
};

// --- writing -----------------------------------------------------------------------------

class Writer
{
public:
    QString error;
    // XML holds whole seconds, and libplist's XML writer truncates a date toward 2001, which
    // moves a date before 2001 with a fraction one second late: such dates go in as seconds.
    bool wholeSecondDates = false;

    NodePtr write(const QVariant &value, const QString &path)
    {
        switch (value.typeId()) {
        case QMetaType::QVariantMap:
            return writeDictionary(value.toMap(), path);
        case QMetaType::QVariantHash: {
            const QVariantHash hash = value.toHash();
            QVariantMap map;
            for (auto it = hash.cbegin(); it != hash.cend(); ++it)
                map.insert(it.key(), it.value());
            return writeDictionary(map, path);
        }
        case QMetaType::QVariantList:
        case QMetaType::QStringList:
            return writeArray(value.toList(), path);
        case QMetaType::QString:
            return writeString(value.toString(), path);
        case QMetaType::QByteArray: {
            const QByteArray bytes = value.toByteArray();
            return NodePtr(plist_new_data(bytes.constData(), uint64_t(bytes.size())));
        }
        case QMetaType::Bool:
            return NodePtr(plist_new_bool(value.toBool() ? 1 : 0));
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::Short:
        case QMetaType::Int:
        case QMetaType::Long:
        case QMetaType::LongLong:
            return NodePtr(plist_new_uint(uint64_t(value.toLongLong())));
        case QMetaType::UChar:
        case QMetaType::UShort:
        case QMetaType::UInt:
        case QMetaType::ULong:
        case QMetaType::ULongLong:
            return writeUnsigned(value.toULongLong());
        case QMetaType::Float:
        case QMetaType::Double:
            return NodePtr(plist_new_real(value.toDouble()));
        case QMetaType::QDateTime:
            return writeDate(value.toDateTime(), path);
        default:
            break;
        }
        if (value.metaType() == QMetaType::fromType<PropertyListUid>())
            return NodePtr(plist_new_uid(value.value<PropertyListUid>().value));
        if (!value.isValid())
            return fail(QStringLiteral("no value (a null QVariant)"), path);
        return fail(QStringLiteral("a value of type %1").arg(QString::fromLatin1(value.metaType().name())), path);
    }

private:
    NodePtr fail(const QString &what, const QString &path)
    {
        if (error.isEmpty())
            error = QStringLiteral("%1 at %2 cannot be stored in a property list").arg(what, path.isEmpty() ? QStringLiteral("/") : path);
        return nullptr;
    }

    // plist_new_string() copies up to the first NUL, and UTF-8 has no unpaired surrogates:
    // either would change the text on the way out.
    std::optional<QByteArray> utf8(const QString &text, const QString &path)
    {
        if (text.contains(QChar(0))) {
            fail(QStringLiteral("a string with U+0000"), path);
            return std::nullopt;
        }
        if (!text.isValidUtf16()) {
            fail(QStringLiteral("a string with an unpaired surrogate"), path);
            return std::nullopt;
        }
        return text.toUtf8();
    }

    NodePtr writeString(const QString &text, const QString &path)
    {
        const auto bytes = utf8(text, path);
        return bytes ? NodePtr(plist_new_string(bytes->constData())) : nullptr;
    }

    NodePtr writeDictionary(const QVariantMap &map, const QString &path)
    {
        NodePtr dict(plist_new_dict());
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            const QString itemPath = path + QLatin1Char('/') + it.key();
            const auto key = utf8(it.key(), itemPath);
            if (!key)
                return nullptr;
            NodePtr item = write(it.value(), itemPath);
            if (!item)
                return nullptr;
            plist_dict_set_item(dict.get(), key->constData(), item.release());
        }
        return dict;
    }

    NodePtr writeArray(const QVariantList &list, const QString &path)
    {
        NodePtr array(plist_new_array());
        for (qsizetype i = 0; i < list.size(); ++i) {
            NodePtr item = write(list.at(i), path + QLatin1Char('/') + QString::number(i));
            if (!item)
                return nullptr;
            plist_array_append_item(array.get(), item.release());
        }
        return array;
    }

    // A node made by plist_new_uint() is 8 bytes wide and reads back negative above
    // INT64_MAX; libplist's XML reader makes the 16-byte node that keeps the value unsigned.
    static NodePtr writeUnsigned(quint64 value)
    {
        if (value <= quint64(std::numeric_limits<qint64>::max()))
            return NodePtr(plist_new_uint(value));
        const QByteArray xml = "<plist version=\"1.0\"><integer>" + QByteArray::number(value) + "</integer></plist>";
        plist_t node = nullptr;
        plist_from_xml(xml.constData(), uint32_t(xml.size()), &node);
        return NodePtr(node);
    }

    NodePtr writeDate(const QDateTime &date, const QString &path)
    {
        if (!date.isValid())
            return fail(QStringLiteral("an invalid date"), path);
        qint64 msecs = date.toMSecsSinceEpoch() - MacEpochMSecs;
        const qint64 seconds = msecs >= 0 ? msecs / 1000 : -((-msecs + 999) / 1000);
        if (wholeSecondDates)
            msecs = seconds * 1000;
        const qint64 microseconds = (msecs - seconds * 1000) * 1000;
        if (seconds > std::numeric_limits<int32_t>::min() && seconds < std::numeric_limits<int32_t>::max())
            return NodePtr(plist_new_date(int32_t(seconds), int32_t(microseconds)));
        const QByteArray doc = loneDateDocument(double(msecs) / 1000.0);
        plist_t node = nullptr;
        plist_from_bin(doc.constData(), uint32_t(doc.size()), &node);
        if (!node)
            return fail(QStringLiteral("a date out of range"), path);
        return NodePtr(node);
    }
};

} // namespace

PropertyListReadResult readPropertyList(QByteArrayView bytes)
{
    PropertyListReadResult result;
    if (bytes.isEmpty()) {
        result.error = QStringLiteral("the property list is empty");
        return result;
    }
    if (bytes.size() > qsizetype(std::numeric_limits<uint32_t>::max())) {
        result.error = QStringLiteral("the property list is larger than 4 GiB");
        return result;
    }
    const auto length = uint32_t(bytes.size());
    const bool binary = plist_is_binary(bytes.data(), length) != 0;
    result.format = binary ? PropertyListFormat::Binary : PropertyListFormat::Xml;
    plist_t root = nullptr;
    if (binary)
        plist_from_bin(bytes.data(), length, &root);
    else
        plist_from_xml(bytes.data(), length, &root);
    NodePtr owner(root);
    if (!root) {
        result.error = binary ? QStringLiteral("the binary property list is damaged or truncated")
                              : QStringLiteral("the bytes are not an XML property list with a value");
        return result;
    }
    Reader reader;
    reader.dictionariesMayBeUids = !binary;
    result.value = reader.read(root, 0);
    result.error = reader.error;
    if (!result.ok())
        result.value = QVariant();
    return result;
}

PropertyListWriteResult writePropertyList(const QVariant &value, PropertyListFormat format)
{
    PropertyListWriteResult result;
    Writer writer;
    writer.wholeSecondDates = format == PropertyListFormat::Xml;
    NodePtr root = writer.write(value, QString());
    if (!root) {
        result.error = writer.error;
        return result;
    }
    char *bytes = nullptr;
    uint32_t length = 0;
    if (format == PropertyListFormat::Binary) {
        plist_to_bin(root.get(), &bytes, &length);
        result.bytes = QByteArray(bytes, qsizetype(length));
        plist_to_bin_free(bytes);
    } else {
        plist_to_xml(root.get(), &bytes, &length);
        result.bytes = QByteArray(bytes, qsizetype(length));
        plist_to_xml_free(bytes);
    }
    if (result.bytes.isEmpty())
        result.error = QStringLiteral("the property list could not be encoded");
    return result;
}

} // namespace platform
