#pragma once

// Big-endian reads and writes for tests that check written bytes against the
// format's layout by hand, independently of the parsers under test.

#include <QByteArray>
#include <QtEndian>

namespace bytes {

/// The value at `offset`, or 0 when it does not fit.
template<typename T> T at(const QByteArray &data, qint64 offset)
{
    if (offset < 0 || offset + qint64(sizeof(T)) > data.size())
        return T(0);
    return qFromBigEndian<T>(data.constData() + offset);
}

template<typename T> void put(QByteArray &data, qint64 offset, T value)
{
    if (offset >= 0 && offset + qint64(sizeof(T)) <= data.size())
        qToBigEndian(value, data.data() + offset);
}

} // namespace bytes
