#include "platform/plist/LibplistWorkarounds_p.h"

#include <QtEndian>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>

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
// XML forbids U+0000 anyway, and its nesting shows in the tags.

// Where the next '<' at or after `p` is that may open or close a container: one before
// 'a' or 'd', or before '/' and either; `end` when there is none. Most of an XML list is
// short tags of other kinds and the text between them; sixteen bytes at a time pass over
// those at once, where a look at every '<' cost a third of libplist's reading of values.
const char *nextContainerTag(const char *p, const char *const end)
{
#if defined(__SSE2__)
    const __m128i open = _mm_set1_epi8('<'), slash = _mm_set1_epi8('/'), a = _mm_set1_epi8('a'), d = _mm_set1_epi8('d');
    const auto loadAt = [](const char *at) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(at)); };
    const auto aOrD = [&](__m128i bytes) { return _mm_or_si128(_mm_cmpeq_epi8(bytes, a), _mm_cmpeq_epi8(bytes, d)); };
    for (; end - p >= 18; p += 16) {
        const __m128i next = loadAt(p + 1);
        const __m128i named = _mm_or_si128(aOrD(next), _mm_and_si128(_mm_cmpeq_epi8(next, slash), aOrD(loadAt(p + 2))));
        if (const int found = _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(loadAt(p), open), named)))
            return p + __builtin_ctz(unsigned(found));
    }
#endif
    // Any '<' will do here: the caller looks at the name itself.
    const void *found = std::memchr(p, '<', std::size_t(end - p));
    return found ? static_cast<const char *>(found) : end;
}

// Counts container tags the way libplist nests them; text that merely looks like a tag
// inside a comment can only make the count larger, never smaller.
bool xmlNestsDeeperThan(QByteArrayView xml, int limit)
{
    int depth = 0;
    const char *p = xml.data();
    const char *const end = p + xml.size();
    while ((p = nextContainerTag(p, end)) < end) {
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

} // namespace

QString refusalOfXml(QByteArrayView xml, int maximumDepth)
{
    if (xml.contains('\0'))
        return QStringLiteral("the property list holds a string with U+0000, which cannot be read without loss");
    if (xmlNestsDeeperThan(xml, maximumDepth))
        return QStringLiteral("the property list is nested more than %1 deep").arg(maximumDepth);
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
    // (16 bytes wide, as libplist's XML reader keeps it). Only node comparison sees the
    // width: a node given its value through the API is 8 bytes wide. One such node per
    // thread serves every comparison, sparing an allocation each.
    thread_local const NodePtr narrow(plist_new_uint(0));
    plist_set_uint_val(narrow.get(), bits);
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
