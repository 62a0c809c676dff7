#include "platform/plist/LibplistWorkarounds_p.h"

#include <QtEndian>

#include <limits>

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

} // namespace

// --- 2. integer width ---------------------------------------------------------------------

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
