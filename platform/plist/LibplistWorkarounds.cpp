#include "platform/plist/LibplistWorkarounds_p.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <string_view>
#include <vector>

namespace platform::libplist {

namespace {

// --- 3. dates beyond the 32-bit API -------------------------------------------------------
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

// --- 1. what libplist must not be given ---------------------------------------------------
//
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

} // namespace

QString refusalOfInput(QByteArrayView bytes, bool binary, int maximumDepth)
{
    const QString nul = QStringLiteral("the property list holds a string with U+0000, which cannot be read without loss");
    const QString deep = QStringLiteral("the property list is nested more than %1 deep").arg(maximumDepth);
    if (!binary) {
        if (bytes.contains('\0'))
            return nul;
        return xmlNestsDeeperThan(bytes, maximumDepth) ? deep : QString();
    }
    const BinaryOutline outline(bytes);
    if (outline.stringHoldsNul())
        return nul;
    const quint64 valueLimit = MinimumValueLimit + ValuesPerByte * quint64(bytes.size());
    const BinaryOutline::Shape shape = outline.shape(maximumDepth, valueLimit);
    if (shape.depth > maximumDepth)
        return deep;
    if (shape.values > valueLimit)
        return QStringLiteral("the property list stands for more than %1 values through shared references").arg(valueLimit);
    return QString();
}

// --- 2. integer width ---------------------------------------------------------------------

QVariant integerValue(plist_t node)
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

NodePtr newUnsignedNode(quint64 value)
{
    if (value <= quint64(std::numeric_limits<qint64>::max()))
        return NodePtr(plist_new_uint(value));
    // libplist's XML reader makes the 16-byte node that keeps the value unsigned.
    const QByteArray xml = "<plist version=\"1.0\"><integer>" + QByteArray::number(value) + "</integer></plist>";
    plist_t node = nullptr;
    plist_from_xml(xml.constData(), uint32_t(xml.size()), &node);
    return NodePtr(node);
}

// --- 3. dates -----------------------------------------------------------------------------

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

NodePtr newDateNode(qint64 msecs, bool forXml)
{
    const qint64 seconds = msecs >= 0 ? msecs / 1000 : -((-msecs + 999) / 1000);
    if (forXml)
        msecs = seconds * 1000;
    const qint64 microseconds = (msecs - seconds * 1000) * 1000;
    if (seconds > std::numeric_limits<int32_t>::min() && seconds < std::numeric_limits<int32_t>::max())
        return NodePtr(plist_new_date(int32_t(seconds), int32_t(microseconds)));
    const QByteArray doc = loneDateDocument(double(msecs) / 1000.0);
    plist_t node = nullptr;
    plist_from_bin(doc.constData(), uint32_t(doc.size()), &node);
    return NodePtr(node);
}

// --- 4. the sign of zero -----------------------------------------------------------------
//
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

} // namespace platform::libplist
