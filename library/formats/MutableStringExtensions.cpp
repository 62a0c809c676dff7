#include "MutableStringExtensions.h"

#include "StringExtensions.h"

namespace vl {

void appendCharacter(QString &string, char16_t character)
{
    string.append(QChar(character));
}

void appendCharacters(QString &string, const char16_t *characters, qsizetype length)
{
    if (characters && length > 0)
        string.append(QStringView(characters, length));
}

qsizetype replaceOccurrencesOfString(QString &string, const QString &target, const QString &replacement,
                                     SearchOptions options)
{
    if (target.isEmpty() || string.isEmpty())
        return 0;
    const bool backwards = options.testFlag(SearchOption::Backwards);
    const bool anchored = options.testFlag(SearchOption::Anchored);
    // Collect the matches first, then build the result once. Without Literal a
    // match may be longer or shorter than the target.
    QList<Range> matches;
    Range remaining{0, string.size()};
    while (remaining.length > 0) {
        const Range found = rangeOfString(string, target, options, remaining);
        if (found.location == NotFound)
            break;
        matches.append(found);
        if (anchored)
            break;
        remaining = backwards ? Range{remaining.location, found.location - remaining.location}
                              : Range{found.end(), remaining.end() - found.end()};
    }
    if (matches.isEmpty())
        return 0;
    if (backwards)
        std::reverse(matches.begin(), matches.end());
    QString result;
    result.reserve(string.size() + matches.size() * (replacement.size() - target.size()));
    qsizetype copied = 0;
    for (const Range &match : std::as_const(matches)) {
        result += QStringView(string).sliced(copied, match.location - copied);
        result += replacement;
        copied = match.end();
    }
    result += QStringView(string).sliced(copied);
    string = std::move(result);
    return matches.size();
}

void escapeForSQL(QString &string)
{
    string = escapedSQLString(string);
}

void deleteLastCharacter(QString &string)
{
    checkRange(Range{string.size() - 1, 1}, string.size(), "deleteLastCharacter");
    string.chop(1);
}

void deleteCharacterAtIndex(QString &string, qsizetype index)
{
    checkRange(Range{index, 1}, string.size(), "deleteCharacterAtIndex:");
    string.remove(index, 1);
}

} // namespace vl
