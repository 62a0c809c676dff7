#pragma once

#include <compare>

namespace platform {

/// The result of an ordering question, with the original platform's values: the
/// receiver comes before (-1), with (0) or after (1) the argument.
enum class ComparisonResult : int {
    OrderedAscending = -1,
    OrderedSame = 0,
    OrderedDescending = 1,
};

/// The ordering of a three-way comparison; an unordered one (NaN) is
/// OrderedSame, as the original's comparisons of such values answered.
template<typename Ordering> constexpr ComparisonResult comparisonResult(Ordering order)
{
    if (order < 0)
        return ComparisonResult::OrderedAscending;
    if (order > 0)
        return ComparisonResult::OrderedDescending;
    return ComparisonResult::OrderedSame;
}

/// The ordering of an integer comparison such as QString::compare's.
constexpr ComparisonResult comparisonResult(int order)
{
    return comparisonResult(order <=> 0);
}

} // namespace platform
