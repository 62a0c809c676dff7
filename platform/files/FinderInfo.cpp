#include "platform/files/FinderInfo.h"

#include <QtEndian>

#include <algorithm>

namespace platform {

std::optional<FinderInfo> FinderInfo::fromBytes(QByteArrayView bytes)
{
    if (bytes.size() < Size)
        return std::nullopt;
    FinderInfo info;
    std::copy_n(reinterpret_cast<const quint8 *>(bytes.data()), Size, info.m_bytes.begin());
    return info;
}

QByteArray FinderInfo::toBytes() const
{
    return QByteArray(reinterpret_cast<const char *>(m_bytes.data()), Size);
}

bool FinderInfo::isZero() const
{
    return std::all_of(m_bytes.begin(), m_bytes.end(), [](quint8 byte) { return byte == 0; });
}

quint32 FinderInfo::read32(int offset) const
{
    return qFromBigEndian<quint32>(m_bytes.data() + offset);
}

quint16 FinderInfo::read16(int offset) const
{
    return qFromBigEndian<quint16>(m_bytes.data() + offset);
}

void FinderInfo::write32(int offset, quint32 value)
{
    qToBigEndian(value, m_bytes.data() + offset);
}

void FinderInfo::write16(int offset, quint16 value)
{
    qToBigEndian(value, m_bytes.data() + offset);
}

} // namespace platform
