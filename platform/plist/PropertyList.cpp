#include "platform/plist/PropertyList.h"

#include "platform/core/ReferenceDate.h"
#include "platform/plist/BinaryPropertyListReader.h"
#include "platform/plist/LibplistTreeReader.h"
#include "platform/plist/LibplistWorkarounds_p.h"
#include "platform/plist/OldStylePropertyList.h"
#include "platform/plist/PropertyListScalar.h"
#include "platform/plist/PropertyList_p.h"

#include <QDateTime>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringList>

#include <plist/plist.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

// libplist 2.2 is the writer and the XML reader; this file bridges its nodes to Qt values.
// Where libplist needs care (untrusted input, integer width, dates beyond 32 bits, the sign
// of zero), LibplistWorkarounds_p.h does what is needed and says why. Binary lists are read
// by BinaryPropertyListReader, without libplist's tree, for speed.

namespace platform {

QString propertyListText(const char *bytes, qsizetype length)
{
    // QString::fromUtf8() drops a leading U+FEFF as a byte-order mark.
    if (length < 3 || std::memcmp(bytes, "\xEF\xBB\xBF", 3) != 0)
        return QString::fromUtf8(bytes, length);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(QByteArrayView(bytes, length));
}

namespace {

constexpr int MaximumDepth = MaximumPropertyListDepth;

using libplist::NodePtr;

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
                return propertyListText(text, qsizetype(length));
            char *copy = nullptr;
            plist_get_key_val(node, &copy);
            QString key = propertyListText(copy, copy ? qsizetype(std::strlen(copy)) : 0);
            std::free(copy);
            return key;
        }
        case PLIST_UINT:
            return libplist::integerValue(node);
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

    // Preference files repeat the same keys in dictionary after dictionary; sharing one
    // QString per key spares an allocation and a UTF-8 decoding each time.
    struct KeyHash
    {
        using is_transparent = void;
        std::size_t operator()(std::string_view key) const { return std::hash<std::string_view>{}(key); }
    };
    std::unordered_map<std::string, QString, KeyHash, std::equal_to<>> keys;

    QString key(const char *utf8)
    {
        const std::string_view bytes(utf8 ? utf8 : "");
        if (const auto it = keys.find(bytes); it != keys.end())
            return it->second;
        QString text = propertyListText(bytes.data(), qsizetype(bytes.size()));
        constexpr std::size_t MaximumKeys = 1024;
        constexpr std::size_t LongestKey = 15; // kept inside std::string, no allocation
        if (keys.size() < MaximumKeys && bytes.size() <= LongestKey)
            keys.emplace(bytes, text);
        return text;
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
        std::map<QString, QVariant> map;
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(node, &it);
        for (std::size_t index = 0;; ++index) {
            plist_t item = nullptr;
            plist_dict_next_item(node, it, nullptr, &item);
            if (!item)
                break;
            QString key = keyOf(plist_dict_item_get_key(item), depth, index);
            QVariant value = read(item, depth + 1);
            // Files written in key order (ours, most tools') append at the end in O(1).
            map.emplace_hint(map.cend(), std::move(key), std::move(value));
            if (!error.isEmpty())
                break;
        }
        std::free(it);
        return error.isEmpty() ? QVariant(QVariantMap(std::move(map))) : QVariant();
    }

    // Dictionaries at one depth mostly repeat the keys of the one before, in the same order
    // (records of one kind). libplist 2.2 hands out a key's text only as a copy, so each key
    // is first compared in place with the one at its place in the previous dictionary at
    // that depth, whose text is then shared; only a key that differs is copied and decoded.
    struct KnownKey
    {
        std::string utf8;
        QString text;
    };
    std::vector<std::vector<KnownKey>> knownKeys; // by depth, then place

    QString keyOf(plist_t keyNode, int depth, std::size_t index)
    {
        constexpr std::size_t KnownPlaces = 64;
        if (knownKeys.size() <= std::size_t(depth))
            knownKeys.resize(std::size_t(depth) + 1);
        std::vector<KnownKey> &known = knownKeys[std::size_t(depth)];
        if (index < known.size() && plist_key_val_compare(keyNode, known[index].utf8.c_str()) == 0)
            return known[index].text;
        char *copy = nullptr;
        plist_get_key_val(keyNode, &copy);
        QString text = key(copy);
        if (index < KnownPlaces) {
            if (known.size() <= index)
                known.resize(index + 1);
            known[index] = {std::string(copy ? copy : ""), text};
        }
        std::free(copy);
        return text;
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

    QVariant readDate(plist_t node)
    {
        const auto msecs = libplist::dateValue(node);
        if (!msecs)
            return fail(QStringLiteral("the property list holds a date out of range"));
        return QDateTime::fromMSecsSinceEpoch(*msecs + ReferenceDateMSecsSinceEpoch, Qt::UTC);
    }
};

// --- writing -----------------------------------------------------------------------------

class Writer
{
public:
    QString error;
    // XML holds whole seconds (see libplist::newDateNode).
    bool wholeSecondDates = false;

    // The order, among the reals written, of each -0.0 (see libplist::restoreNegativeZeros()).
    std::vector<qsizetype> negativeZeros;

    NodePtr write(const QVariant &value)
    {
        switch (value.typeId()) {
        case QMetaType::QVariantMap:
            return writeDictionary(value.toMap());
        case QMetaType::QVariantHash: {
            const QVariantHash hash = value.toHash();
            QVariantMap map;
            for (auto it = hash.cbegin(); it != hash.cend(); ++it)
                map.insert(it.key(), it.value());
            return writeDictionary(map);
        }
        case QMetaType::QVariantList:
        case QMetaType::QStringList:
            return writeArray(value.toList());
        default:
            break;
        }
        switch (propertyListScalar(value.typeId())) {
        case PropertyListScalar::String:
            return utf8(value.toString()) ? NodePtr(plist_new_string(buffer.data())) : nullptr;
        case PropertyListScalar::Data: {
            const QByteArray bytes = value.toByteArray();
            return NodePtr(plist_new_data(bytes.constData(), uint64_t(bytes.size())));
        }
        case PropertyListScalar::Boolean:
            return NodePtr(plist_new_bool(value.toBool() ? 1 : 0));
        case PropertyListScalar::SignedInteger:
            return NodePtr(plist_new_uint(uint64_t(value.toLongLong())));
        case PropertyListScalar::UnsignedInteger:
            return libplist::newUnsignedNode(value.toULongLong());
        case PropertyListScalar::Real: {
            const double real = value.toDouble();
            if (real == 0 && std::signbit(real))
                negativeZeros.push_back(reals);
            ++reals;
            return NodePtr(plist_new_real(real));
        }
        case PropertyListScalar::Date:
            return writeDate(value.toDateTime());
        case PropertyListScalar::None:
            break;
        }
        if (value.metaType() == QMetaType::fromType<PropertyListUid>())
            return NodePtr(plist_new_uid(value.value<PropertyListUid>().value));
        if (!value.isValid())
            return fail(QStringLiteral("no value (a null QVariant)"));
        return fail(QStringLiteral("a value of type %1").arg(QString::fromLatin1(value.metaType().name())));
    }

private:
    qsizetype reals = 0;
    // Where the writer is, as keys and indexes; spelled out only for an error.
    std::vector<std::variant<const QString *, qsizetype>> path;
    // The UTF-8 of the string at hand, NUL-terminated, reused from string to string.
    std::vector<char> buffer;
    QStringEncoder encoder{QStringEncoder::Utf8, QStringConverter::Flag::Stateless};

    NodePtr fail(const QString &what)
    {
        if (error.isEmpty()) {
            QString where;
            for (const auto &step : path)
                where += QLatin1Char('/') + (std::holds_alternative<qsizetype>(step) ? QString::number(std::get<qsizetype>(step))
                                                                                     : *std::get<const QString *>(step));
            error = QStringLiteral("%1 at %2 cannot be stored in a property list").arg(what, where.isEmpty() ? QStringLiteral("/") : where);
        }
        return nullptr;
    }

    // Fills the buffer with `text` as UTF-8. plist_new_string() copies up to the first NUL
    // (see LibplistWorkarounds_p.h), and UTF-8 has no unpaired surrogates: either would
    // change the text on the way out.
    bool utf8(const QString &text)
    {
        buffer.resize(std::size_t(encoder.requiredSpace(text.size())) + 1);
        char *end = encoder.appendToBuffer(buffer.data(), text);
        *end = '\0';
        const auto length = std::size_t(end - buffer.data());
        if (encoder.hasError()) {
            encoder.resetState();
            fail(QStringLiteral("a string with an unpaired surrogate"));
            return false;
        }
        if (std::memchr(buffer.data(), 0, length)) {
            fail(QStringLiteral("a string with U+0000"));
            return false;
        }
        return true;
    }

    NodePtr writeDictionary(const QVariantMap &map)
    {
        NodePtr dict(plist_new_dict());
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            path.emplace_back(&it.key());
            NodePtr item = write(it.value());
            if (!item || !utf8(it.key()))
                return nullptr;
            plist_dict_set_item(dict.get(), buffer.data(), item.release());
            path.pop_back();
        }
        return dict;
    }

    NodePtr writeArray(const QVariantList &list)
    {
        NodePtr array(plist_new_array());
        for (qsizetype i = 0; i < list.size(); ++i) {
            path.emplace_back(i);
            NodePtr item = write(list.at(i));
            if (!item)
                return nullptr;
            plist_array_append_item(array.get(), item.release());
            path.pop_back();
        }
        return array;
    }

    NodePtr writeDate(const QDateTime &date)
    {
        if (!date.isValid())
            return fail(QStringLiteral("an invalid date"));
        NodePtr node = libplist::newDateNode(date.toMSecsSinceEpoch() - ReferenceDateMSecsSinceEpoch, wholeSecondDates);
        return node ? std::move(node) : fail(QStringLiteral("a date out of range"));
    }
};

} // namespace

PropertyListReadResult readLibplistTree(plist_t root, PropertyListFormat format)
{
    PropertyListReadResult result;
    result.format = format;
    Reader reader;
    reader.dictionariesMayBeUids = format == PropertyListFormat::Xml;
    result.value = reader.read(root, 0);
    result.error = reader.error;
    if (!result.ok())
        result.value = QVariant();
    return result;
}

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
    if (plist_is_binary(bytes.data(), length))
        return BinaryPropertyListReader::read(bytes);
    if (auto oldStyle = readOldStylePropertyList(bytes))
        return *std::move(oldStyle);
    result.error = libplist::refusalOfXml(bytes, MaximumDepth);
    if (!result.ok())
        return result;
    plist_t root = nullptr;
    plist_from_xml(bytes.data(), length, &root);
    const NodePtr owner(root);
    if (!root) {
        result.error = QStringLiteral("the bytes are not an XML property list with a value");
        return result;
    }
    return readLibplistTree(root, PropertyListFormat::Xml);
}

PropertyListWriteResult writePropertyList(const QVariant &value, PropertyListFormat format)
{
    PropertyListWriteResult result;
    if (format == PropertyListFormat::OpenStep) {
        result.error = QStringLiteral("the old-style form is read, never written");
        return result;
    }
    Writer writer;
    writer.wholeSecondDates = format == PropertyListFormat::Xml;
    NodePtr root = writer.write(value);
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
        if (!libplist::restoreNegativeZeros(result.bytes, writer.negativeZeros))
            result.bytes.clear();
    }
    if (result.bytes.isEmpty())
        result.error = QStringLiteral("the property list could not be encoded");
    return result;
}

} // namespace platform
