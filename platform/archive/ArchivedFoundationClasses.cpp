#include "platform/archive/ArchivedFoundationClasses_p.h"

#include "platform/archive/ArchiveClassRegistry.h"
#include "platform/archive/Unarchiver.h"
#include "platform/core/ReferenceDate.h"

#include <QStringDecoder>
#include <QTimeZone>

#include <cmath>

namespace platform::foundation {

namespace {

QVariant decodeString(Unarchiver &coder)
{
    const QByteArray utf8 = coder.decodeValueOfObjCType("+").toByteArray();
    // A leading U+FEFF is the string's own first character, not a byte-order mark.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = decoder.decode(utf8);
    if (decoder.hasError()) {
        coder.failWithError(QStringLiteral("string that is not UTF-8"));
        return {};
    }
    return text;
}

QVariant decodeData(Unarchiver &coder)
{
    return coder.decodeDataObject();
}

QVariant decodeDate(Unarchiver &coder)
{
    const double seconds = coder.decodeValueOfObjCType("d").toDouble();
    if (coder.hasFailed())
        return {};
    const auto date = dateFromSecondsSinceReferenceDate(seconds);
    if (!date) {
        coder.failWithError(QStringLiteral("date %1 seconds from 2001 is out of range").arg(seconds));
        return {};
    }
    return *date;
}

/// A number holds one value under the type its C string names.
QVariant decodeNumber(Unarchiver &coder)
{
    const QByteArray type = coder.decodeValueOfObjCType("*").toByteArray();
    if (coder.hasFailed())
        return {};
    if (type.size() != 1 || !QByteArrayView("cCBsSiIlLqQfd").contains(type.front())) {
        coder.failWithError(QStringLiteral("number of unsupported type \"%1\"").arg(QString::fromLatin1(type.toPercentEncoding())));
        return {};
    }
    const ArchiveValue value = coder.decodeValueOfObjCType(type);
    if (coder.hasFailed())
        return {};
    switch (type.front()) {
    case 'c':
    case 'B':
        // Booleans are written as "c" numbers; other characters stay numbers.
        if (value.toLongLong() == 0 || value.toLongLong() == 1)
            return value.toLongLong() == 1;
        return value.toLongLong();
    case 'f':
        return float(value.toDouble());
    case 'd':
        return value.toDouble();
    default:
        return value.isUnsigned() ? QVariant(value.toULongLong()) : QVariant(value.toLongLong());
    }
}

/// Reads a count, then refuses counts the level cannot hold: each element is
/// one more group, so the loops below end with the archive.
qint64 decodeCount(Unarchiver &coder)
{
    const qint64 count = coder.decodeValueOfObjCType("i").toLongLong();
    if (count < 0)
        coder.failWithError(QStringLiteral("negative count %1").arg(count));
    return coder.hasFailed() ? 0 : count;
}

QVariant decodeNonNilObject(Unarchiver &coder, const char *container)
{
    if (coder.isAtEnd()) {
        coder.failWithError(QStringLiteral("%1 shorter than its count").arg(QLatin1String(container)));
        return {};
    }
    QVariant object = coder.decodeObject();
    if (!coder.hasFailed() && object.isNull())
        coder.failWithError(QStringLiteral("nil in %1").arg(QLatin1String(container)));
    return object;
}

QVariant decodeArray(Unarchiver &coder)
{
    QVariantList list;
    const qint64 count = decodeCount(coder);
    for (qint64 i = 0; i < count && !coder.hasFailed(); ++i)
        list.push_back(decodeNonNilObject(coder, "array"));
    return list;
}

QVariant decodeDictionary(Unarchiver &coder)
{
    QVariantMap map;
    const qint64 count = decodeCount(coder);
    for (qint64 i = 0; i < count && !coder.hasFailed(); ++i) {
        const QVariant key = decodeNonNilObject(coder, "dictionary");
        const QVariant value = decodeNonNilObject(coder, "dictionary");
        if (coder.hasFailed())
            break;
        if (key.typeId() != QMetaType::QString) {
            coder.failWithError(QStringLiteral("dictionary key that is not a string"));
            break;
        }
        map.insert(key.toString(), value);
    }
    return map;
}

} // namespace

void registerDecoders(ArchiveClassRegistry &registry)
{
    registry.registerClass(NSString, decodeString);
    registry.registerClass(NSMutableString, decodeString);
    registry.registerClass(NSData, decodeData);
    registry.registerClass(NSMutableData, decodeData);
    registry.registerClass(NSDate, decodeDate);
    registry.registerClass(NSNumber, decodeNumber);
    registry.registerClass(NSArray, decodeArray);
    registry.registerClass(NSMutableArray, decodeArray);
    registry.registerClass(NSDictionary, decodeDictionary);
    registry.registerClass(NSMutableDictionary, decodeDictionary);
}

} // namespace platform::foundation
