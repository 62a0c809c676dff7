#include "LibplistRoute.h"

#include "platform/core/ReferenceDate.h"

#include <QDateTime>
#include <QStringDecoder>
#include <QtEndian>

#include <plist/plist.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

using namespace platform;

namespace corvane::fuzz {

namespace {

struct NodeDeleter
{
    void operator()(void *node) const { plist_free(node); }
};
using NodePtr = std::unique_ptr<void, NodeDeleter>;

constexpr int MaximumDepth = 512;

// The text of UTF-8 as property lists hold it: a leading U+FEFF is a character, not a
// byte-order mark.
QString textOf(const char *utf8, qsizetype length)
{
    if (!utf8)
        return QString();
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(QByteArrayView(utf8, length));
}

// --- values libplist's API narrows ------------------------------------------------------

// Integers are unsigned 64-bit nodes whose width the API does not show: a negative number
// and an unsigned one above INT64_MAX share the same bits; only node comparison sees the
// width.
QVariant integerValue(plist_t node)
{
    uint64_t bits = 0;
    plist_get_uint_val(node, &bits);
    if (bits <= uint64_t(std::numeric_limits<qint64>::max()))
        return qint64(bits);
    // Either a negative number (stored 8 bytes wide) or an unsigned one above INT64_MAX
    // (16 bytes wide, as libplist's XML reader keeps it). Only node comparison sees the
    // width: a node given its value through the API is 8 bytes wide. One such node per
    // thread serves every comparison, sparing an allocation each.
    thread_local const NodePtr narrow(plist_new_uint(0));
    plist_set_uint_val(narrow.get(), bits);
    if (plist_compare_node_value(node, narrow.get()))
        return qint64(bits);
    return quint64(bits);
}

// Dates cross the API as 32-bit seconds since 2001; beyond that range, and for the sign of
// a fraction before 2001, the date is read from the one-date binary list of the node: its
// double of seconds stands at a fixed place.
constexpr int LoneDateMarkerOffset = 8;
constexpr char LoneDateMarker = 0x33;

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

std::optional<qint64> dateValue(plist_t node)
{
    int32_t seconds = 0;
    int32_t microseconds = 0;
    plist_get_date_val(node, &seconds, &microseconds);
    // Clamped dates, and dates before 2001 whose fraction may have lost its sign, take
    // the exact path.
    const bool clamped = seconds == std::numeric_limits<int32_t>::min() || seconds == std::numeric_limits<int32_t>::max();
    if (clamped || (seconds <= 0 && microseconds != 0)) {
        const auto wide = wideDateSeconds(node);
        if (!wide || !std::isfinite(*wide) || std::abs(*wide) > 1e15)
            return std::nullopt;
        return std::llround(*wide * 1000.0);
    }
    // Here the fraction is only ever added to positive seconds.
    return qint64(seconds) * 1000 + (microseconds + 500) / 1000;
}

// --- the guard ------------------------------------------------------------------------------

// Counts container tags the way libplist nests them; text that merely looks like a tag
// inside a comment can only make the count larger, never smaller.
bool xmlNestsDeeperThan(QByteArrayView xml, int limit)
{
    int depth = 0;
    const char *p = xml.data();
    const char *const end = p + xml.size();
    while ((p = static_cast<const char *>(std::memchr(p, '<', std::size_t(end - p))))) {
        ++p;
        const bool closing = p < end && *p == '/';
        const char *name = closing ? p + 1 : p;
        // Most tags open neither container; their first letter tells them apart at once.
        if (name == end || (*name != 'a' && *name != 'd'))
            continue;
        const auto is = [&](std::string_view tag) {
            return std::size_t(end - name) > tag.size() && std::string_view(name, tag.size()) == tag
                && std::string_view("/> \t\r\n").find(name[tag.size()]) != std::string_view::npos;
        };
        if (!is("array") && !is("dict"))
            continue;
        const char *close = static_cast<const char *>(std::memchr(name, '>', std::size_t(end - name)));
        const bool empty = close && close > name && close[-1] == '/';
        if (closing)
            --depth;
        else if (!empty && ++depth > limit)
            return true;
    }
    return false;
}

QString refusalOfXml(QByteArrayView xml, int maximumDepth)
{
    if (xml.contains('\0'))
        return QStringLiteral("the property list holds a string with U+0000, which cannot be read without loss");
    if (xmlNestsDeeperThan(xml, maximumDepth))
        return QStringLiteral("the property list is nested more than %1 deep").arg(maximumDepth);
    return QString();
}

// --- the tree ---------------------------------------------------------------------------------

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
                return textOf(text, qsizetype(length));
            char *copy = nullptr;
            plist_get_key_val(node, &copy);
            QString key = textOf(copy, copy ? qsizetype(std::strlen(copy)) : 0);
            std::free(copy);
            return key;
        }
        case PLIST_UINT:
            return integerValue(node);
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
        QString text = textOf(bytes.data(), qsizetype(bytes.size()));
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
        const auto msecs = dateValue(node);
        if (!msecs)
            return fail(QStringLiteral("the property list holds a date out of range"));
        return QDateTime::fromMSecsSinceEpoch(*msecs + ReferenceDateMSecsSinceEpoch, Qt::UTC);
    }
};

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

} // namespace

PropertyListReadResult readThroughLibplist(QByteArrayView bytes, PropertyListFormat format, const QString &refusal)
{
    PropertyListReadResult result;
    result.error = refusal;
    if (!result.ok())
        return result;
    plist_t root = nullptr;
    if (format == PropertyListFormat::Binary)
        plist_from_bin(bytes.data(), uint32_t(bytes.size()), &root);
    else
        plist_from_xml(bytes.data(), uint32_t(bytes.size()), &root);
    const NodePtr owner(root);
    if (!root) {
        result.error = QStringLiteral("libplist refused it");
        return result;
    }
    return readLibplistTree(root, format);
}

PropertyListReadResult readXmlThroughLibplist(QByteArrayView bytes)
{
    return readThroughLibplist(bytes, PropertyListFormat::Xml, refusalOfXml(bytes, MaximumDepth));
}

} // namespace corvane::fuzz
