#pragma once

// Bounds-checked big-endian reads and writes shared by the parsers of this
// folder: every read of hostile bytes goes through these, so none reads past
// its buffer.

#include <QByteArray>
#include <QByteArrayView>
#include <QtEndian>

#include <optional>

namespace platform::bigendian {

/// Whether [offset, offset + length) lies inside a buffer of `size` bytes,
/// without overflow.
inline bool fits(qint64 offset, qint64 length, qint64 size)
{
    return offset >= 0 && length >= 0 && offset <= size && length <= size - offset;
}

template<typename T> std::optional<T> read(QByteArrayView bytes, qint64 offset)
{
    if (!fits(offset, qint64(sizeof(T)), bytes.size()))
        return std::nullopt;
    return qFromBigEndian<T>(bytes.data() + offset);
}

/// Reads at `offset` when it fits, else gives 0; for callers that check the
/// size of the whole structure first.
template<typename T> T at(QByteArrayView bytes, qint64 offset)
{
    return read<T>(bytes, offset).value_or(T(0));
}

template<typename T> void append(QByteArray &bytes, T value)
{
    char buffer[sizeof(T)];
    qToBigEndian(value, buffer);
    bytes.append(buffer, sizeof(T));
}

template<typename T> void put(QByteArray &bytes, qint64 offset, T value)
{
    Q_ASSERT(fits(offset, qint64(sizeof(T)), bytes.size()));
    qToBigEndian(value, bytes.data() + offset);
}

/// A 24-bit big-endian number at `offset` (resource data offsets).
inline std::optional<quint32> read24(QByteArrayView bytes, qint64 offset)
{
    if (!fits(offset, 3, bytes.size()))
        return std::nullopt;
    const auto *p = reinterpret_cast<const quint8 *>(bytes.data() + offset);
    return quint32(p[0]) << 16 | quint32(p[1]) << 8 | quint32(p[2]);
}

} // namespace platform::bigendian
