#include "AttributedStringExtensions.h"

namespace vl {

AttributedString attributedString()
{
    return {};
}

AttributedString attributedStringWithString(const QString &text, const QVariantMap &attributes)
{
    return AttributedString(text, attributes);
}

AttributedString attributedEllipse()
{
    return AttributedString(QString(QChar(0x2026)));
}

AttributedString attributedStringByAddingAttribute(const AttributedString &string, const QString &name,
                                                   const QVariant &value)
{
    return attributedStringByAddingAttribute(string, name, value, 0, string.length());
}

AttributedString attributedStringByAddingAttribute(const AttributedString &string, const QString &name,
                                                   const QVariant &value, qsizetype location, qsizetype length)
{
    AttributedString copy = string;
    copy.addAttribute(name, value, location, length);
    return copy;
}

AttributedString stripWhitespaceByTruncating(const AttributedString &string, bool truncate, qsizetype maxLength)
{
    constexpr char16_t Attachment = 0xFFFC;
    constexpr char16_t Blank = 32;
    if (truncate && maxLength <= 0)
        return {};
    QString built;
    built.reserve(truncate ? maxLength : string.length());
    bool appended = false;
    bool lastWasBlank = false;
    for (const QChar character : string.string()) {
        char16_t unit = character.unicode();
        if (unit == Attachment)
            continue;
        if (unit == u'\n' || unit == u'\r' || unit == u'\t')
            unit = Blank;
        if (unit == Blank && lastWasBlank)
            continue;
        if (unit != Blank || appended) {
            built.append(QChar(unit));
            appended = true;
            lastWasBlank = unit == Blank;
        }
        if (truncate && built.size() >= maxLength)
            break;
    }
    return AttributedString(built);
}

void appendString(AttributedString &string, const QString &text, const QVariantMap &attributes)
{
    string.replaceCharacters(string.length(), 0, text, attributes);
}

void insertString(AttributedString &string, const QString &text, qsizetype index, const QVariantMap &attributes)
{
    string.replaceCharacters(index, 0, text, attributes);
}

void setString(AttributedString &string, const QString &text, const QVariantMap &attributes)
{
    string.replaceCharacters(0, string.length(), text, attributes);
}

void deleteLastCharacter(AttributedString &string)
{
    if (string.length() > 0)
        string.replaceCharacters(string.length() - 1, 1, QString());
}

} // namespace vl
