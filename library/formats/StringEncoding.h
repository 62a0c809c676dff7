#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <optional>

namespace vl {

/// The text encodings the library converts between, numbered as the original
/// platform numbers them (NSStringEncoding), so stored values keep their meaning.
enum class StringEncoding : std::uint32_t {
    ASCII = 1,
    JapaneseEUC = 3,
    UTF8 = 4,
    ISOLatin1 = 5,
    ShiftJIS = 8,
    ISOLatin2 = 9,
    Unicode = 10,    ///< UTF-16; a byte-order mark decides the order when reading, written with one
    WindowsCP1251 = 11,
    WindowsCP1252 = 12,
    WindowsCP1253 = 13,
    WindowsCP1254 = 14,
    WindowsCP1250 = 15,
    ISO2022JP = 21,
    MacOSRoman = 30,
    UTF16BigEndian = 0x90000100,
    UTF16LittleEndian = 0x94000100,
    UTF32 = 0x8c000100,
    UTF32BigEndian = 0x98000100,
    UTF32LittleEndian = 0x9c000100,
};

/// Decodes `bytes`; none when a byte sequence is not valid in the encoding (nothing
/// is replaced or dropped) or the encoding is not one of the above. A UTF-8
/// byte-order mark is kept as U+FEFF, as the original platform keeps it.
std::optional<QString> decodeString(QByteArrayView bytes, StringEncoding encoding);

/// Encodes `text`; none when a character has no form in the encoding (nothing is
/// replaced) or the encoding is not one of the above.
std::optional<QByteArray> encodeString(QStringView text, StringEncoding encoding);

/// Decodes `bytes` with the converter that an IANA charset name (or an alias of
/// it) names, case-insensitively: "utf-8", "ISO-8859-1", "macintosh",
/// "windows-1252", "Shift_JIS"... An empty or unknown name reads the bytes as ISO
/// Latin 1. None when the bytes are not valid in a known encoding.
std::optional<QString> decodeString(QByteArrayView bytes, QStringView ianaCharsetName);

} // namespace vl
