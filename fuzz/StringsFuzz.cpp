// Feeds arbitrary bytes to the string extensions that read outside text:
// version strings, numbers, hexadecimal text, Pascal strings, charset names,
// escaping, runs of characters and the scanner. Checks what must hold for any
// input: version comparison is antisymmetric, Pascal strings round-trip.

#include "MutableStringExtensions.h"
#include "ScannerExtensions.h"
#include "StringExtensions.h"

#include "platform/core/Exception.h"

#include <cstdint>
#include <cstdlib>

using namespace vl;

namespace {

void exerciseText(const QString &text, const QString &other)
{
    const int forward = compareVersionStrings(text, other);
    if (forward != -compareVersionStrings(other, text))
        std::abort();
    longLongComponentsSeparatedByString(text, other);
    hexStringData(text);
    doubleValue(text);
    unsignedIntegerValue(text);
    SGMLEncodedString(text);
    stringForUseInHTTPGetArguments(text);
    stringByAddingPercentEscapesUsingEncoding(text, StringEncoding::UTF8, other, QStringLiteral("/?"));
    escapedSQLString(text);
    lowercaseSpacedString(text);
    stringByTrimmingWhitespace(text);
    stringByRaisingCaseOfFirstCharacter(text);
    isURL(text);
    byteCount(text);
    beginsWithString(text, other, SearchOption::CaseInsensitive | SearchOption::Backwards);
    containsString(text, other, SearchOption::Anchored);

    const CharacterSet set = CharacterSet::characterSetWithCharactersInString(other);
    const qsizetype half = text.size() / 2;
    rangeOfCharactersFromSet(text, set, SearchOption::Backwards, Range{half / 2, half});
    rangeOfCharactersFromSet(text, CharacterSet::decimalDigitCharacterSet());

    QString copy = text;
    replaceOccurrencesOfString(copy, other, QStringLiteral("xy"), SearchOption::CaseInsensitive);

    Scanner scanner(text);
    qint64 number = 0;
    QString piece;
    scanner.scanLongLong(&number);
    scanner.scanUpToString(other, &piece);
    scanAllCharactersFromSet(scanner, set, &piece);

    for (const auto encoding : {StringEncoding::MacOSRoman, StringEncoding::UTF8, StringEncoding::ShiftJIS}) {
        const auto pascal = pascalStringUsingEncoding(text, encoding);
        if (pascal && stringWithPascalString(*pascal, encoding) != text)
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    // Text both as UTF-16 units (unpaired surrogates included) and as Latin 1,
    // split at the first '|' into two strings.
    const QString units = QString(reinterpret_cast<const QChar *>(data), qsizetype(size / 2));
    for (const QString &whole : {units, QString::fromLatin1(bytes)}) {
        const qsizetype bar = whole.indexOf(u'|');
        exerciseText(bar < 0 ? whole : whole.first(bar), bar < 0 ? QStringLiteral(".") : whole.sliced(bar + 1));
    }

    // Bytes as a Pascal string and as text in a charset named by the first line.
    stringWithPascalString(bytes, StringEncoding::MacOSRoman);
    stringWithPascalString(bytes, StringEncoding::UTF8);
    const qsizetype newline = bytes.indexOf('\n');
    if (newline >= 0)
        stringWithData(bytes.sliced(newline + 1), QString::fromLatin1(bytes.first(newline)));
    return 0;
}
