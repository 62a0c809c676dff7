// Binary property lists: the reader of our own against the route it replaced, libplist's
// parse and the conversion of its tree, on the same bytes. Whatever one accepts the other
// must accept with the same value (types, NaN, the sign of zero and the dates' time spec
// included), and whatever one refuses the other must refuse. The one exception is the
// reader's refusal of fields wider than 64 bits, which libplist reads in part; that route
// is not even run then, since its guard below cannot see through such fields.
//
// The guard is the check the libplist route made before libplist saw the bytes (libplist
// trusts its input): U+0000 in any string object, nesting, and expansion through shared
// references.

#include "platform/plist/BinaryPropertyListReader.h"
#include "support/LibplistRoute.h"
#include "tests/support/PropertyListDifference.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <vector>

using namespace platform;

namespace {

// --- the libplist route's guard, as it was ------------------------------------------------

constexpr int MaximumDepth = 512;

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


QString refusalOfBinary(QByteArrayView bytes, int maximumDepth)
{
    const BinaryOutline outline(bytes);
    if (outline.stringHoldsNul())
        return QStringLiteral("U+0000");
    const quint64 valueLimit = MinimumValueLimit + ValuesPerByte * quint64(bytes.size());
    const BinaryOutline::Shape shape = outline.shape(maximumDepth, valueLimit);
    if (shape.depth > maximumDepth)
        return QStringLiteral("too deep");
    if (shape.values > valueLimit)
        return QStringLiteral("too many values");
    return QString();
}

// --- the comparison -------------------------------------------------------------------------

[[noreturn]] void report(const char *what, const PropertyListReadResult &ours, const PropertyListReadResult &theirs)
{
    std::fprintf(stderr, "%s\n  ours: %s\n  libplist route: %s\n", what, qPrintable(ours.ok() ? QStringLiteral("accepted") : ours.error),
                 qPrintable(theirs.ok() ? QStringLiteral("accepted") : theirs.error));
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 8)
        return 0;
    // Every input is taken as a binary list, whatever its first bytes.
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    std::memcpy(bytes.data(), "bplist00", 8);
    BinaryPropertyListReader::Refusal refusal = BinaryPropertyListReader::Refusal::None;
    const PropertyListReadResult ours = BinaryPropertyListReader::read(bytes, &refusal);
    if (ours.ok() != (refusal == BinaryPropertyListReader::Refusal::None))
        report("the refusal and the error disagree", ours, ours);
    if (refusal == BinaryPropertyListReader::Refusal::WiderThan64Bits)
        return 0;
    const PropertyListReadResult theirs =
        corvane::fuzz::readThroughLibplist(bytes, PropertyListFormat::Binary, refusalOfBinary(bytes, MaximumDepth));
    if (ours.ok() != theirs.ok())
        report("one reader accepts what the other refuses", ours, theirs);
    if (const QString d = corvane::test::propertyListDifference(ours.value, theirs.value, corvane::test::Exactness::ValuesAndForm); !d.isEmpty()) {
        std::fprintf(stderr, "values differ at %s\n", qPrintable(d));
        report("the readers give different values", ours, theirs);
    }
    return 0;
}
