#include "StringEncoding.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <unicode/ucnv.h>

#include <limits>
#include <memory>

namespace vl {

namespace {

struct ConverterCloser
{
    void operator()(UConverter *c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

// Callbacks that leave the error set, so every illegal or unmappable input
// stops the conversion. ICU's own "stop" callback lets unmappable default-
// ignorable characters (U+00AD, U+200B...) vanish without an error.
void stopFromUnicode(const void *, UConverterFromUnicodeArgs *, const UChar *, int32_t, UChar32,
                     UConverterCallbackReason, UErrorCode *)
{
}

void stopToUnicode(const void *, UConverterToUnicodeArgs *, const char *, int32_t, UConverterCallbackReason,
                   UErrorCode *)
{
}

// A strict converter: illegal or unmappable input stops the conversion instead
// of turning into substitution characters or nothing.
Converter openStrict(const char *name)
{
    UErrorCode status = U_ZERO_ERROR;
    Converter converter(ucnv_open(name, &status));
    if (U_FAILURE(status))
        return {};
    ucnv_setToUCallBack(converter.get(), stopToUnicode, nullptr, nullptr, nullptr, &status);
    ucnv_setFromUCallBack(converter.get(), stopFromUnicode, nullptr, nullptr, nullptr, &status);
    return U_SUCCESS(status) ? std::move(converter) : Converter();
}

std::optional<QString> icuDecode(UConverter *converter, QByteArrayView bytes)
{
    if (bytes.size() > std::numeric_limits<int32_t>::max() / 2)
        return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    const int32_t needed = ucnv_toUChars(converter, nullptr, 0, bytes.data(), int32_t(bytes.size()), &status);
    if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status))
        return std::nullopt;
    QString text(needed, Qt::Uninitialized);
    status = U_ZERO_ERROR;
    ucnv_reset(converter);
    ucnv_toUChars(converter, reinterpret_cast<UChar *>(text.data()), needed, bytes.data(), int32_t(bytes.size()),
                  &status);
    if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING)
        return std::nullopt;
    return text;
}

std::optional<QByteArray> icuEncode(UConverter *converter, QStringView text)
{
    if (text.size() > std::numeric_limits<int32_t>::max() / 4)
        return std::nullopt;
    const auto *units = reinterpret_cast<const UChar *>(text.utf16());
    UErrorCode status = U_ZERO_ERROR;
    const int32_t needed = ucnv_fromUChars(converter, nullptr, 0, units, int32_t(text.size()), &status);
    if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status))
        return std::nullopt;
    QByteArray bytes(needed, Qt::Uninitialized);
    status = U_ZERO_ERROR;
    ucnv_reset(converter);
    ucnv_fromUChars(converter, bytes.data(), needed, units, int32_t(text.size()), &status);
    if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING)
        return std::nullopt;
    return bytes;
}

// Encodings Qt converts itself, faster than a converter round trip.
std::optional<QStringConverter::Encoding> qtEncoding(StringEncoding encoding)
{
    switch (encoding) {
    case StringEncoding::UTF8: return QStringConverter::Utf8;
    case StringEncoding::Unicode: return QStringConverter::Utf16;
    case StringEncoding::UTF16BigEndian: return QStringConverter::Utf16BE;
    case StringEncoding::UTF16LittleEndian: return QStringConverter::Utf16LE;
    case StringEncoding::UTF32: return QStringConverter::Utf32;
    case StringEncoding::UTF32BigEndian: return QStringConverter::Utf32BE;
    case StringEncoding::UTF32LittleEndian: return QStringConverter::Utf32LE;
    default: return std::nullopt;
    }
}

const char *icuName(StringEncoding encoding)
{
    switch (encoding) {
    case StringEncoding::JapaneseEUC: return "EUC-JP";
    case StringEncoding::ShiftJIS: return "Shift_JIS";
    case StringEncoding::ISOLatin2: return "ISO-8859-2";
    case StringEncoding::WindowsCP1251: return "windows-1251";
    case StringEncoding::WindowsCP1252: return "windows-1252";
    case StringEncoding::WindowsCP1253: return "windows-1253";
    case StringEncoding::WindowsCP1254: return "windows-1254";
    case StringEncoding::WindowsCP1250: return "windows-1250";
    case StringEncoding::ISO2022JP: return "ISO-2022-JP";
    case StringEncoding::MacOSRoman: return "macintosh";
    default: return nullptr;
    }
}

// The strict ICU converter of an encoding Qt has no codec for; none when ICU has
// none either.
Converter openStrict(StringEncoding encoding)
{
    const char *name = icuName(encoding);
    return name ? openStrict(name) : Converter();
}

// Runs a Qt decoder or encoder over `input`; none when it met input it cannot
// convert.
template <typename Result, typename Coder, typename Input>
std::optional<Result> convertStrictly(Coder &&coder, Input input)
{
    Result output = coder(input);
    return coder.hasError() ? std::nullopt : std::optional(std::move(output));
}

bool allBelow(QByteArrayView bytes, unsigned char limit)
{
    for (const char b : bytes)
        if (static_cast<unsigned char>(b) >= limit)
            return false;
    return true;
}

bool allBelow(QStringView text, char16_t limit)
{
    for (const QChar c : text)
        if (c.unicode() >= limit)
            return false;
    return true;
}

} // namespace

std::optional<QString> decodeString(QByteArrayView bytes, StringEncoding encoding)
{
    if (encoding == StringEncoding::ISOLatin1)
        return QString::fromLatin1(bytes);
    if (encoding == StringEncoding::ASCII)
        return allBelow(bytes, 0x80) ? std::optional(QString::fromLatin1(bytes)) : std::nullopt;
    if (const auto qt = qtEncoding(encoding)) {
        const auto flags = encoding == StringEncoding::UTF8
                               ? QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom
                               : QStringConverter::Flag::Stateless;
        return convertStrictly<QString>(QStringDecoder(*qt, flags), bytes);
    }
    const Converter converter = openStrict(encoding);
    return converter ? icuDecode(converter.get(), bytes) : std::nullopt;
}

std::optional<QByteArray> encodeString(QStringView text, StringEncoding encoding)
{
    if (encoding == StringEncoding::ISOLatin1 || encoding == StringEncoding::ASCII)
        return allBelow(text, encoding == StringEncoding::ASCII ? 0x80 : 0x100) ? std::optional(text.toLatin1())
                                                                                 : std::nullopt;
    if (const auto qt = qtEncoding(encoding)) {
        const auto flags = encoding == StringEncoding::Unicode || encoding == StringEncoding::UTF32
                               ? QStringConverter::Flag::Stateless | QStringConverter::Flag::WriteBom
                               : QStringConverter::Flag::Stateless;
        return convertStrictly<QByteArray>(QStringEncoder(*qt, flags), text);
    }
    const Converter converter = openStrict(encoding);
    return converter ? icuEncode(converter.get(), text) : std::nullopt;
}

std::optional<QString> decodeString(QByteArrayView bytes, QStringView ianaCharsetName)
{
    // An empty name would open ICU's default converter, not an unknown one.
    const QByteArray name = ianaCharsetName.toLatin1();
    const bool plainAscii = !name.isEmpty() && allBelow(ianaCharsetName, 0x80) && !name.contains('\0');
    const Converter converter = plainAscii ? openStrict(name.constData()) : Converter();
    if (!converter)
        return QString::fromLatin1(bytes);
    return icuDecode(converter.get(), bytes);
}

} // namespace vl
