#include "DateFormatterExtensions.h"

#include "CharacterSet.h"
#include "Scanner.h"
#include "ScannerExtensions.h"

namespace vl {

namespace {

bool endsInPunctuationOrWhitespace(const QString &text)
{
    static const CharacterSet punctuation = CharacterSet::punctuationCharacterSet();
    static const CharacterSet whitespace = CharacterSet::whitespaceCharacterSet();
    const char16_t last = text.back().unicode();
    return punctuation.characterIsMember(last) || whitespace.characterIsMember(last);
}

} // namespace

QString dateFormatWithoutField(const QString &format, QChar letter)
{
    if (format.isEmpty())
        return format;
    Scanner scanner(format);
    scanner.setCaseSensitive(true);
    QString otherFields = QString::fromUtf16(dateFormatFieldLetters);
    otherFields.remove(letter);
    QString prefix;
    if (format.front() != letter && !scanner.scanUpToString(QString(letter), &prefix))
        return format; // white space and then the field: nothing before it to keep apart
    QString result = prefix;
    if (!scanner.isAtEnd()) {
        scanner.setScanLocation(scanner.scanLocation() + 1);
        scanner.scanUpToCharactersFromSet(CharacterSet::characterSetWithCharactersInString(otherFields), nullptr);
        result += scanRemainderOfString(scanner);
    }
    while (!result.isEmpty() && endsInPunctuationOrWhitespace(result))
        result.chop(1);
    return result;
}

std::unique_ptr<platform::DateFormatter> dateFormatterWithCalendar(const platform::Calendar *calendar,
                                                                   unsigned dateStyle, unsigned timeStyle,
                                                                   const QString &fields)
{
    auto formatter = dateFormatterWithCalendar<platform::DateFormatter>(calendar, dateStyle, timeStyle);
    for (const QChar letter : fields)
        formatter->setDateFormat(dateFormatWithoutField(formatter->dateFormat(), letter));
    return formatter;
}

} // namespace vl
