#include "CharacterSet.h"

#include <unicode/uniset.h>
#include <unicode/unistr.h>

#include <cstdint>

namespace vl {

struct CharacterSet::Data
{
    explicit Data(icu::UnicodeSet &&s)
        : set(std::move(s))
    {
        set.freeze(); // frozen sets answer contains() lock-free and faster
        for (char32_t c = 0; c < 128; ++c)
            if (set.contains(UChar32(c)))
                ascii[c / 64] |= std::uint64_t(1) << (c % 64);
    }
    icu::UnicodeSet set;
    std::uint64_t ascii[2] = {0, 0};
};

std::shared_ptr<const CharacterSet::Data> CharacterSet::fromPattern(const char16_t *pattern)
{
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeSet set(icu::UnicodeString(pattern), status);
    Q_ASSERT(U_SUCCESS(status));
    return std::make_shared<const CharacterSet::Data>(std::move(set));
}

CharacterSet::CharacterSet(std::shared_ptr<const Data> data)
    : d(std::move(data))
{
}

#define VL_STANDARD_SET(name, pattern)                                                                                 \
    CharacterSet CharacterSet::name()                                                                                  \
    {                                                                                                                  \
        static const auto data = fromPattern(u##pattern);                                                              \
        return CharacterSet(data);                                                                                     \
    }

VL_STANDARD_SET(whitespaceCharacterSet, "[\\p{Zs}\\u0009]")
VL_STANDARD_SET(whitespaceAndNewlineCharacterSet, "[\\p{Z}\\u0009-\\u000D\\u0085]")
VL_STANDARD_SET(newlineCharacterSet, "[\\u000A-\\u000D\\u0085\\u2028\\u2029]")
VL_STANDARD_SET(decimalDigitCharacterSet, "[\\p{Nd}]")
VL_STANDARD_SET(letterCharacterSet, "[\\p{L}\\p{M}]")
VL_STANDARD_SET(lowercaseLetterCharacterSet, "[\\p{Ll}]")
VL_STANDARD_SET(uppercaseLetterCharacterSet, "[\\p{Lu}\\p{Lt}]")
VL_STANDARD_SET(alphanumericCharacterSet, "[\\p{L}\\p{M}\\p{N}]")
VL_STANDARD_SET(punctuationCharacterSet, "[\\p{P}]")
#undef VL_STANDARD_SET

CharacterSet CharacterSet::characterSetWithCharactersInString(QStringView characters)
{
    icu::UnicodeSet set;
    for (qsizetype i = 0; i < characters.size();) {
        const char32_t c = QChar::isHighSurrogate(characters[i].unicode()) && i + 1 < characters.size()
                                   && QChar::isLowSurrogate(characters[i + 1].unicode())
                               ? QChar::surrogateToUcs4(characters[i], characters[i + 1])
                               : characters[i].unicode();
        set.add(UChar32(c));
        i += c > 0xFFFF ? 2 : 1;
    }
    return CharacterSet(std::make_shared<const Data>(std::move(set)));
}

CharacterSet CharacterSet::characterSetWithRange(char32_t first, qsizetype length)
{
    icu::UnicodeSet set;
    if (length > 0 && first <= 0x10FFFF)
        set.add(UChar32(first), UChar32(std::min<qint64>(0x10FFFF, qint64(first) + length - 1)));
    return CharacterSet(std::make_shared<const Data>(std::move(set)));
}

// A copy that can be changed: ICU's copy constructor keeps a frozen set frozen,
// and a frozen set ignores every change.
static icu::UnicodeSet thawedCopy(const icu::UnicodeSet &frozen)
{
    icu::UnicodeSet set;
    set.addAll(frozen);
    return set;
}

CharacterSet CharacterSet::invertedSet() const
{
    icu::UnicodeSet set = thawedCopy(d->set);
    set.complement();
    return CharacterSet(std::make_shared<const Data>(std::move(set)));
}

CharacterSet CharacterSet::subtracting(const CharacterSet &other, char32_t first, char32_t last) const
{
    icu::UnicodeSet removed = thawedCopy(other.d->set);
    removed.retain(UChar32(first), UChar32(last));
    icu::UnicodeSet set = thawedCopy(d->set);
    set.removeAll(removed);
    return CharacterSet(std::make_shared<const Data>(std::move(set)));
}

bool CharacterSet::longCharacterIsMember(char32_t c) const
{
    if (c < 128)
        return (d->ascii[c / 64] >> (c % 64)) & 1;
    return d->set.contains(UChar32(c));
}

qsizetype CharacterSet::memberLengthAt(QStringView text, qsizetype index) const
{
    const char16_t unit = text[index].unicode();
    if (QChar::isHighSurrogate(unit) && index + 1 < text.size() && QChar::isLowSurrogate(text[index + 1].unicode()))
        return longCharacterIsMember(QChar::surrogateToUcs4(unit, text[index + 1].unicode())) ? 2 : 0;
    return longCharacterIsMember(unit) ? 1 : 0;
}

} // namespace vl
