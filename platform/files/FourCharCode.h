#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace platform {

/// A four-character code (file type, creator, resource type) as the original
/// platform keeps it: the four bytes read as one big-endian 32-bit number.
using OSType = quint32;

/// The code of four ASCII characters: fourCharCode("TEXT").
constexpr OSType fourCharCode(const char (&code)[5])
{
    return OSType(quint8(code[0])) << 24 | OSType(quint8(code[1])) << 16 | OSType(quint8(code[2])) << 8
           | OSType(quint8(code[3]));
}

/// The code's four bytes, first byte first.
inline QByteArray fourCharCodeBytes(OSType code)
{
    const char bytes[4] = {char(code >> 24), char(code >> 16), char(code >> 8), char(code)};
    return QByteArray(bytes, 4);
}

/// The code as text for messages: its bytes read as Latin 1 ("TEXT", "icns").
inline QString fourCharCodeString(OSType code)
{
    return QString::fromLatin1(fourCharCodeBytes(code));
}

} // namespace platform
