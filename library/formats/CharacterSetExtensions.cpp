#include "CharacterSetExtensions.h"

#include <QCollator>
#include <QLocale>
#include <QStringList>

#include <algorithm>

namespace vl {

namespace {

constexpr char32_t LastExamined = 0xFFFE;

} // namespace

QString alphabetizedStringRepresentation(const CharacterSet &set)
{
    QStringList characters;
    for (char32_t c = 0; c <= LastExamined; ++c) {
        if (set.longCharacterIsMember(c))
            characters.append(QString(QChar(char16_t(c))));
    }
    const QCollator collator{QLocale()};
    std::stable_sort(characters.begin(), characters.end(), collator);
    return characters.join(QString());
}

void minusCharacterSet(CharacterSet &set, const CharacterSet &other)
{
    set = set.subtracting(other, 0, LastExamined);
}

} // namespace vl
