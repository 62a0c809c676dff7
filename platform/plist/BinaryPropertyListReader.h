#pragma once

#include "platform/plist/PropertyList.h"

#include <QByteArrayView>
#include <QString>
#include <QVariant>

#include <optional>
#include <vector>

namespace platform {

/// Reads a binary property list ("bplist00") straight into the Qt values that
/// readPropertyList() gives, without building libplist's tree first: that tree (a node, a
/// copy and a strdup'd key for every value) cost twice what the Qt values do. libplist's
/// reading stays the reference: for every list this reader accepts it gives the same
/// values, types and all, and it refuses what that route refuses (damaged or truncated
/// lists, references out of range, cycles, nesting deeper than 512, more values than the
/// size allows through shared references, U+0000 in any string object, dates out of range),
/// so that a list reads the same whichever reader meets it. It also refuses numbers and
/// fields wider than 64 bits (Refusal::WiderThan64Bits), of which libplist reads only
/// the low 64 bits. Internal to platform/plist.
class BinaryPropertyListReader
{
public:
    /// Why a list was refused.
    enum class Refusal { None, Damaged, Cycle, TooDeep, TooManyValues, NulInString, DateOutOfRange, WiderThan64Bits };

    /// The value of `bytes`, which begin with "bplist00", or why there is none; the kind of
    /// refusal goes to `refusal` when given.
    static PropertyListReadResult read(QByteArrayView bytes, Refusal *refusal = nullptr);

private:
    explicit BinaryPropertyListReader(QByteArrayView bytes);

    struct Extent
    {
        quint64 start;
        quint64 length;
    };

    bool readTrailer();
    std::optional<quint64> enter(quint64 index);
    QVariant readObject(quint64 index, int depth);
    QVariant readContainer(quint64 index, quint64 offset, int depth);
    bool referencesInRange(quint64 first, quint64 n);
    QVariant readArray(Extent refs, int depth);
    QVariant readDictionary(Extent refs, int depth);
    QString readKey(quint64 index);
    QString readString(int kind, Extent extent);
    QVariant readDate(quint64 at);
    QVariant readInteger(quint64 at, int width);
    QVariant readUid(quint64 at, int width);
    bool extentOf(quint64 offset, uchar marker, int unit, Extent &extent);
    quint64 offsetOf(quint64 index) const;
    quint64 reference(quint64 at) const;
    bool unvisitedStringHoldsNul() const;
    QVariant fail(Refusal why, const QString &what);

    const uchar *p;
    quint64 size;
    int offsetSize = 0;
    int refSize = 0;
    quint64 count = 0;
    quint64 top = 0;
    // Where the object area ends and the offset table begins.
    quint64 table = 0;
    quint64 values = 0;
    quint64 valueLimit = 0;
    // One word for each object: whether it was read, whether it is a container being read
    // (a reference to it then closes a cycle), and which of `keys` it decodes to.
    std::vector<quint32> marks;
    std::vector<QString> keys;
    Refusal refusal = Refusal::None;
    QString error;
};

} // namespace platform
