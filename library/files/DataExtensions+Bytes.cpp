#include "DataExtensions.h"

#include <algorithm>

namespace vl {

QByteArray dataByAppendingBytes(const QByteArray &data, QByteArrayView bytes)
{
    QByteArray result = data;
    result.append(bytes);
    return result;
}

QString hexString(const QByteArray &data)
{
    return QString::fromLatin1(data.toHex().toUpper());
}

void appendByte(QByteArray &data, quint8 byte)
{
    data.append(char(byte));
}

void deleteBytesInRange(QByteArray &data, qsizetype location, qsizetype length)
{
    location = std::clamp<qsizetype>(location, 0, data.size());
    data.remove(location, std::clamp<qsizetype>(length, 0, data.size() - location));
}

} // namespace vl
