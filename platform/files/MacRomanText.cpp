#include "platform/files/MacRomanText.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>

#include <memory>

namespace platform {

namespace {

struct ConverterCloser
{
    void operator()(UConverter *converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

// Mac Roman as ICU names it; the strict form stops at the first unmappable character.
Converter openMacRoman(bool strict)
{
    UErrorCode status = U_ZERO_ERROR;
    Converter converter(ucnv_open("macos-0_2-10.2", &status));
    if (U_FAILURE(status))
        return {};
    if (strict) {
        ucnv_setFromUCallBack(converter.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    } else {
        ucnv_setSubstChars(converter.get(), "?", 1, &status);
        ucnv_setFromUCallBack(converter.get(), UCNV_FROM_U_CALLBACK_SUBSTITUTE, nullptr, nullptr, nullptr, &status);
    }
    return U_SUCCESS(status) ? std::move(converter) : Converter();
}

std::optional<QByteArray> encode(QStringView text, bool strict)
{
    if (text.isEmpty())
        return QByteArray();
    const Converter converter = openMacRoman(strict);
    if (!converter)
        return std::nullopt;
    // Mac Roman is one byte a character; a surrogate pair becomes one byte.
    QByteArray bytes(text.size() + 1, Qt::Uninitialized);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t written = ucnv_fromUChars(converter.get(), bytes.data(), int32_t(bytes.size()),
                                            reinterpret_cast<const UChar *>(text.utf16()), int32_t(text.size()),
                                            &status);
    if (U_FAILURE(status) || status == U_STRING_NOT_TERMINATED_WARNING)
        return std::nullopt;
    bytes.truncate(written);
    return bytes;
}

} // namespace

std::optional<QByteArray> encodeMacRoman(QStringView text)
{
    return encode(text, true);
}

QByteArray encodeMacRomanLossy(QStringView text)
{
    return encode(text, false).value_or(QByteArray());
}

QString decodeMacRoman(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return QString();
    const Converter converter = openMacRoman(true);
    if (!converter)
        return QString::fromLatin1(bytes);
    // One character a byte, each within the Basic Multilingual Plane.
    QString text(bytes.size(), Qt::Uninitialized);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t written = ucnv_toUChars(converter.get(), reinterpret_cast<UChar *>(text.data()), int32_t(text.size()),
                                          bytes.data(), int32_t(bytes.size()), &status);
    if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING)
        return QString::fromLatin1(bytes);
    text.truncate(written);
    return text;
}

} // namespace platform
