#pragma once

#include <QFlags>
#include <QString>

#include <optional>

namespace vl {

/// A run of UTF-16 units: the counterpart of the original platform's NSRange.
struct Range
{
    qsizetype location = 0;
    qsizetype length = 0;

    qsizetype end() const { return location + length; }
    friend bool operator==(const Range &, const Range &) = default;
};

/// The location of a range that found nothing.
inline constexpr qsizetype NotFound = -1;

/// Search and comparison options, with the original platform's values.
enum class SearchOption {
    CaseInsensitive = 1, ///< letters compare by their simple case folding
    Literal = 2,         ///< unit by unit; without it canonically equivalent text matches ("é", "e\u0301")
    Backwards = 4,       ///< the last occurrence instead of the first
    Anchored = 8,        ///< only at the start of the range (at its end with Backwards)
};
Q_DECLARE_FLAGS(SearchOptions, SearchOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(SearchOptions)

/// The first (or, with Backwards, the last) occurrence of `target` in `range` of
/// `string` (the whole string when none is given). An empty target is never found.
/// Without Literal an occurrence is text canonically equivalent to `target`, which
/// neither begins nor ends inside a combining sequence, and its length may differ
/// from the target's; text that normalization leaves alone costs no more than a
/// literal search. Not found: {NotFound, 0}. A range outside the string raises
/// "NSRangeException".
Range rangeOfString(const QString &string, const QString &target, SearchOptions options = {},
                    std::optional<Range> range = std::nullopt);

/// Raises "NSRangeException" unless `range` lies inside a string of `length` units.
/// `operation` names the caller in the message.
void checkRange(Range range, qsizetype length, const char *operation);

} // namespace vl
