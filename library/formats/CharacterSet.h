#pragma once

#include <QString>

#include <memory>

namespace vl {

/// An immutable set of Unicode code points: the counterpart of the original
/// platform's NSCharacterSet, with its standard sets defined by the same Unicode
/// general categories. Cheap to copy (shared); membership of ASCII is a bit test.
class CharacterSet
{
public:
    /// Zs and U+0009.
    static CharacterSet whitespaceCharacterSet();
    /// Z*, U+0009–U+000D and U+0085.
    static CharacterSet whitespaceAndNewlineCharacterSet();
    /// U+000A–U+000D, U+0085, U+2028 and U+2029.
    static CharacterSet newlineCharacterSet();
    /// Nd.
    static CharacterSet decimalDigitCharacterSet();
    /// L* and M*.
    static CharacterSet letterCharacterSet();
    /// Ll.
    static CharacterSet lowercaseLetterCharacterSet();
    /// Lu and Lt.
    static CharacterSet uppercaseLetterCharacterSet();
    /// L*, M* and N*.
    static CharacterSet alphanumericCharacterSet();
    /// P*.
    static CharacterSet punctuationCharacterSet();
    /// The characters of `characters` (surrogate pairs count as one character).
    static CharacterSet characterSetWithCharactersInString(QStringView characters);
    /// `length` code points from `first`.
    static CharacterSet characterSetWithRange(char32_t first, qsizetype length);

    /// Every code point that is not in this set.
    CharacterSet invertedSet() const;
    /// This set without the code points from `first` to `last` that `other` holds.
    CharacterSet subtracting(const CharacterSet &other, char32_t first, char32_t last) const;

    bool longCharacterIsMember(char32_t c) const;
    bool characterIsMember(char16_t c) const { return longCharacterIsMember(c); }

    /// The length (1 or 2) of the character of `text` at `index` when it belongs to
    /// the set, else 0. A surrogate pair is one character; REQUIRES: index < size.
    qsizetype memberLengthAt(QStringView text, qsizetype index) const;

private:
    struct Data;
    explicit CharacterSet(std::shared_ptr<const Data> data);
    static std::shared_ptr<const Data> fromPattern(const char16_t *pattern);
    std::shared_ptr<const Data> d;
};

} // namespace vl
