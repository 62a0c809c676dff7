#include "platform/plist/PropertyList.h"

#include "platform/plist/OldStylePropertyList.h"

#include <QDateTime>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringList>
#include <QtEndian>

#include <plist/plist.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

// libplist 2.2 is the codec; this file only bridges its nodes to Qt values. Some corners of
// libplist need care, each explained where it is handled:
// - integers are unsigned nodes: a negative number and an unsigned one above INT64_MAX share
//   the same 64 bits and differ only in a width the API does not show;
// - dates cross the API as 32-bit seconds since 2001, about 1933 to 2069;
// - strings are NUL-terminated, and deep nesting overflows its parsers' stacks.

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

// --- what libplist must not be given ----------------------------------------------------
//
// libplist 2.2 trusts its input in two ways that hostile bytes can exploit, so the reader
// looks for both before libplist sees them:
// - it keeps strings NUL-terminated: a string holding U+0000 reads back cut short, and a
//   dictionary key holding one fails an assertion inside libplist (the process aborts);
// - it parses nested containers by recursion: some hundred thousand levels overflow the
//   stack.
// XML forbids U+0000 anyway, and its nesting shows in the tags; a binary list's strings and
// containers are found through its offset table, as libplist finds them.

constexpr int TrailerSize = 32;
// How many values a binary list may expand to: plenty for real files, which share little
// beyond strings, and bounded for those that share to multiply.
constexpr quint64 MinimumValueLimit = 1000000;
constexpr quint64 ValuesPerByte = 16;

quint64 readBigEndian(const uchar *p, int width)
{
    quint64 value = 0;
    for (int i = 0; i < width; ++i)
        value = (value << 8) | p[i];
    return value;
}

class BinaryOutline
{
public:
    explicit BinaryOutline(QByteArrayView bytes)
        : p(reinterpret_cast<const uchar *>(bytes.data()))
        , size(quint64(bytes.size()))
    {
        if (size < 8 + TrailerSize)
            return;
        const uchar *trailer = p + size - TrailerSize;
        offsetSize = trailer[6];
        refSize = trailer[7];
        count = readBigEndian(trailer + 8, 8);
        top = readBigEndian(trailer + 16, 8);
        table = readBigEndian(trailer + 24, 8);
        end = size - TrailerSize;
        valid = offsetSize >= 1 && offsetSize <= 8 && refSize >= 1 && refSize <= 8 && table < end
            && count <= (end - table) / quint64(offsetSize) && top < count;
    }

    // False when libplist refuses the file itself; nothing else is worth looking at then.
    bool valid = false;

    bool stringHoldsNul() const
    {
        for (quint64 i = 0; valid && i < count; ++i) {
            const auto object = contents(i, {0x5, 0x6}); // ASCII, UTF-16
            if (!object)
                continue;
            const auto [kind, length, start] = *object;
            if (kind == 0x5 && std::memchr(p + start, 0, length))
                return true;
            for (quint64 j = 0; kind == 0x6 && j < length; ++j)
                if (p[start + 2 * j] == 0 && p[start + 2 * j + 1] == 0)
                    return true;
        }
        return false;
    }

    // The shape of the value libplist would build: how many containers deep its deepest
    // path goes, and how many values it holds once shared objects are counted at each use
    // (libplist copies them; a few hundred bytes of shared references can stand for
    // billions of values). Each object is measured once; both counts stop past their limits.
    struct Shape
    {
        int depth = 0;
        quint64 values = 0;
    };

    Shape shape(int depthLimit, quint64 valueLimit) const
    {
        if (!valid)
            return {};
        constexpr int Unmeasured = -1, InProgress = -2;
        std::vector<int> depth(count, Unmeasured);
        std::vector<quint64> values(count, 0);
        struct Frame
        {
            quint64 object, next, children, start;
            int depth;
            quint64 values;
        };
        std::vector<Frame> stack;
        stack.reserve(std::size_t(depthLimit) + 2); // never reallocated: `frame` below stays valid
        const auto enter = [&](quint64 object) {
            const auto c = contents(object, {0xA, 0xB, 0xC, 0xD}); // array, ordered set, set, dictionary
            if (!c) {
                depth[object] = 0;
                values[object] = 1;
                return;
            }
            const auto [kind, length, start] = *c;
            depth[object] = InProgress;
            stack.push_back({object, 0, kind == 0xD ? 2 * length : length, start, 1, 1});
        };
        const auto add = [&](Frame &frame, int childDepth, quint64 childValues) {
            frame.depth = std::max(frame.depth, childDepth + 1);
            frame.values = std::min(frame.values + childValues, valueLimit + 1);
        };
        enter(top);
        while (!stack.empty()) {
            if (int(stack.size()) > depthLimit)
                return {depthLimit + 1, 0};
            Frame &frame = stack.back();
            if (frame.values > valueLimit)
                return {0, valueLimit + 1};
            if (frame.next == frame.children) {
                const Frame done = frame;
                depth[done.object] = done.depth;
                values[done.object] = done.values;
                stack.pop_back();
                if (!stack.empty())
                    add(stack.back(), done.depth, done.values);
                continue;
            }
            const quint64 child = readBigEndian(p + frame.start + frame.next++ * refSize, refSize);
            if (child >= count || depth[child] == InProgress) // libplist refuses both
                continue;
            if (depth[child] == Unmeasured)
                enter(child);
            else
                add(frame, depth[child], values[child]);
        }
        return {depth[top], values[top]};
    }

private:
    struct Contents
    {
        int kind;
        quint64 length;
        quint64 start;
    };

    // The kind, element count and first byte of object `index` when its kind is one of
    // `kinds` and its elements lie within the object area; none otherwise.
    std::optional<Contents> contents(quint64 index, std::initializer_list<int> kinds) const
    {
        const quint64 offset = readBigEndian(p + table + index * offsetSize, offsetSize);
        if (offset >= end)
            return std::nullopt;
        const int kind = p[offset] >> 4;
        if (std::find(kinds.begin(), kinds.end(), kind) == kinds.end())
            return std::nullopt;
        quint64 length = p[offset] & 0xF;
        quint64 start = offset + 1;
        if (length == 0xF) { // the length follows as an integer object
            if (start >= end || (p[start] >> 4) != 0x1)
                return std::nullopt;
            const int width = 1 << (p[start] & 0xF);
            if (width > 8 || start + 1 + width > end)
                return std::nullopt;
            length = readBigEndian(p + start + 1, width);
            start += 1 + width;
        }
        const quint64 unit = kind == 0x5 ? 1 : kind == 0x6 ? 2 : kind == 0xD ? 2 * quint64(refSize) : quint64(refSize);
        if (length > end || start + length * unit > end)
            return std::nullopt;
        return Contents{kind, length, start};
    }

    const uchar *p;
    quint64 size;
    int offsetSize = 0;
    int refSize = 0;
    quint64 count = 0;
    quint64 top = 0;
    quint64 table = 0;
    quint64 end = 0;
};

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

// A description of why `bytes` must not reach libplist; empty when they may.
QString precheck(QByteArrayView bytes, bool binary)
{
    const QString nul = QStringLiteral("the property list holds a string with U+0000, which cannot be read without loss");
    const QString deep = QStringLiteral("the property list is nested more than %1 deep").arg(MaximumDepth);
    if (!binary) {
        if (bytes.contains('\0'))
            return nul;
        return xmlNestsDeeperThan(bytes, MaximumDepth) ? deep : QString();
    }
    const BinaryOutline outline(bytes);
    if (outline.stringHoldsNul())
        return nul;
    const quint64 valueLimit = MinimumValueLimit + ValuesPerByte * quint64(bytes.size());
    const BinaryOutline::Shape shape = outline.shape(MaximumDepth, valueLimit);
    if (shape.depth > MaximumDepth)
        return deep;
    if (shape.values > valueLimit)
        return QStringLiteral("the property list stands for more than %1 values through shared references").arg(valueLimit);
    return QString();
}

// --- reading -----------------------------------------------------------------------------

// QString::fromUtf8() drops a leading U+FEFF as a byte-order mark; in a property list it
// is the string's first character, and dropping it could make two keys one.
QString textFromUtf8(const char *bytes, qsizetype length)
{
    if (length < 3 || std::memcmp(bytes, "\xEF\xBB\xBF", 3) != 0)
        return QString::fromUtf8(bytes, length);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(QByteArrayView(bytes, length));
}

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
                return textFromUtf8(text, qsizetype(length));
            char *copy = nullptr;
            plist_get_key_val(node, &copy);
            QString key = textFromUtf8(copy, copy ? qsizetype(std::strlen(copy)) : 0);
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
        QString text = textFromUtf8(bytes.data(), qsizetype(bytes.size()));
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
        for (;;) {
            char *key = nullptr;
            plist_t item = nullptr;
            plist_dict_next_item(node, it, &key, &item);
            if (!item) {
                std::free(key);
                break;
            }
            QVariant value = read(item, depth + 1);
            // Files written in key order (ours, most tools') append at the end in O(1).
            map.emplace_hint(map.cend(), this->key(key), std::move(value));
            std::free(key);
            if (!error.isEmpty())
                break;
        }
        std::free(it);
        return error.isEmpty() ? QVariant(QVariantMap(std::move(map))) : QVariant();
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

    // The order, among the reals written, of each -0.0 (see restoreNegativeZeros()).
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
        case QMetaType::QString:
            return utf8(value.toString()) ? NodePtr(plist_new_string(buffer.data())) : nullptr;
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
        case QMetaType::Double: {
            const double real = value.toDouble();
            if (real == 0 && std::signbit(real))
                negativeZeros.push_back(reals);
            ++reals;
            return NodePtr(plist_new_real(real));
        }
        case QMetaType::QDateTime:
            return writeDate(value.toDateTime());
        default:
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

    // Fills the buffer with `text` as UTF-8. plist_new_string() copies up to the first NUL,
    // and UTF-8 has no unpaired surrogates: either would change the text on the way out.
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

    NodePtr writeDate(const QDateTime &date)
    {
        if (!date.isValid())
            return fail(QStringLiteral("an invalid date"));
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
            return fail(QStringLiteral("a date out of range"));
        return NodePtr(node);
    }
};

// libplist's XML writer drops the sign of -0.0. It writes the reals in the order they were
// made (dictionaries keep their insertion order), and "<real>" can stand nowhere else in its
// output (text escapes '<'), so the n-th real element is the n-th real made.
bool restoreNegativeZeros(QByteArray &xml, const std::vector<qsizetype> &which)
{
    constexpr QByteArrayView open("<real>"), close("</real>");
    qsizetype at = 0, index = 0;
    for (const qsizetype wanted : which) {
        for (; (at = xml.indexOf(open, at)) >= 0; ++index) {
            at += open.size();
            if (index == wanted)
                break;
        }
        const qsizetype end = at < 0 ? -1 : xml.indexOf(close, at);
        if (end < 0)
            return false;
        xml.replace(at, end - at, "-0.0");
        ++index;
    }
    return true;
}

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
    if (auto oldStyle = binary ? std::nullopt : readOldStylePropertyList(bytes))
        return *std::move(oldStyle);
    result.format = binary ? PropertyListFormat::Binary : PropertyListFormat::Xml;
    result.error = precheck(bytes, binary);
    if (!result.ok())
        return result;
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
        if (!restoreNegativeZeros(result.bytes, writer.negativeZeros))
            result.bytes.clear();
    }
    if (result.bytes.isEmpty())
        result.error = QStringLiteral("the property list could not be encoded");
    return result;
}

} // namespace platform
