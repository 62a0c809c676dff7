#include "platform/calendar/CalendarFormat_p.h"

#include "platform/calendar/IcuSupport_p.h"

#include <unicode/datefmt.h>
#include <unicode/smpdtfmt.h>

#include <memory>

namespace platform {

namespace {

QString localePattern(const icu::Locale &locale, icu::DateFormat::EStyle dateStyle, icu::DateFormat::EStyle timeStyle)
{
    const std::unique_ptr<icu::DateFormat> format(
        icu::DateFormat::createDateTimeInstance(dateStyle, timeStyle, locale));
    const auto *simple = dynamic_cast<const icu::SimpleDateFormat *>(format.get());
    if (!simple)
        return {};
    icu::UnicodeString pattern;
    simple->toPattern(pattern);
    return icu_support::fromUnicode(pattern);
}

// Literal text, quoted where ICU would read it as pattern letters.
QString quoted(const QString &text)
{
    QString result;
    bool open = false;
    for (const QChar c : text) {
        const bool letter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
        if (c == u'\'') {
            result += QStringLiteral("''");
            continue;
        }
        if (letter != open) {
            result += u'\'';
            open = letter;
        }
        result += c;
    }
    if (open)
        result += u'\'';
    return result;
}

QString conversion(QChar letter, const icu::Locale &locale, int weekday)
{
    using Style = icu::DateFormat::EStyle;
    switch (letter.unicode()) {
    case u'a':
        return QStringLiteral("EEE");
    case u'A':
        return QStringLiteral("EEEE");
    case u'b':
        return QStringLiteral("MMM");
    case u'B':
        return QStringLiteral("MMMM");
    case u'c':
        return localePattern(locale, Style::kNone, Style::kMedium) + u' '
               + localePattern(locale, Style::kShort, Style::kNone);
    case u'd':
        return QStringLiteral("dd");
    case u'e':
        return QStringLiteral("d");
    case u'F':
        return QStringLiteral("SSS");
    case u'H':
        return QStringLiteral("HH");
    case u'I':
        return QStringLiteral("hh");
    case u'j':
        return QStringLiteral("DDD");
    case u'm':
        return QStringLiteral("MM");
    case u'M':
        return QStringLiteral("mm");
    case u'p':
        return QStringLiteral("a");
    case u'S':
        return QStringLiteral("ss");
    case u'w':
        return QString::number(weekday);
    case u'x':
        return localePattern(locale, Style::kShort, Style::kNone);
    case u'X':
        return localePattern(locale, Style::kNone, Style::kMedium);
    case u'y':
        return QStringLiteral("yy");
    case u'Y':
        return QStringLiteral("yyyy");
    case u'Z':
        return QStringLiteral("z");
    case u'z':
        return QStringLiteral("ZZZ");
    }
    return {};
}

} // namespace

QString icuPatternFromCalendarFormat(const QString &format, const icu::Locale &locale, int weekday)
{
    QString pattern;
    QString literal;
    for (qsizetype i = 0; i < format.size(); ++i) {
        QString converted;
        if (format[i] == u'%' && i + 1 < format.size())
            converted = format[i + 1] == u'%' ? QString() : conversion(format[i + 1], locale, weekday);
        if (converted.isEmpty()) {
            // A conversion this format does not know, "%%", or a lone "%": text.
            const bool percentPair = format[i] == u'%' && i + 1 < format.size() && format[i + 1] == u'%';
            literal += format[i];
            i += percentPair ? 1 : 0;
            continue;
        }
        pattern += quoted(literal) + (format[i + 1] == u'w' ? quoted(converted) : converted);
        literal.clear();
        ++i;
    }
    return pattern + quoted(literal);
}

bool calendarFormatNeedsWeekday(const QString &format)
{
    for (qsizetype i = 0; i + 1 < format.size(); ++i) {
        if (format[i] == u'%') {
            if (format[i + 1] == u'w')
                return true;
            ++i;
        }
    }
    return false;
}

} // namespace platform
