#include "StringSearch.h"

#include "platform/core/Exception.h"

#include <unicode/normalizer2.h>
#include <unicode/unistr.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <vector>

namespace vl {

void checkRange(Range range, qsizetype length, const char *operation)
{
    if (range.location < 0 || range.length < 0 || range.location > length || range.length > length - range.location)
        platform::raise(QString::fromLatin1(platform::ExceptionName::Range),
                        QStringLiteral("%1: range {%2, %3} out of bounds; string length %4")
                            .arg(QLatin1String(operation))
                            .arg(range.location)
                            .arg(range.length)
                            .arg(length));
}

namespace {

Qt::CaseSensitivity caseOf(SearchOptions options)
{
    return options.testFlag(SearchOption::CaseInsensitive) ? Qt::CaseInsensitive : Qt::CaseSensitive;
}

const icu::Normalizer2 *nfd()
{
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2 *instance = icu::Normalizer2::getNFDInstance(status);
    return U_SUCCESS(status) ? instance : nullptr;
}

char32_t codePointAt(QStringView text, qsizetype i, qsizetype *length)
{
    const QChar c = text[i];
    if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
        *length = 2;
        return QChar::surrogateToUcs4(c, text[i + 1]);
    }
    *length = 1;
    return c.unicode();
}

/// Whether canonical equivalence changes nothing in `text`: every character is
/// its own decomposition and combines with nothing around it (ASCII, most CJK).
bool isInert(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i].unicode() < 0x80)
        ++i;
    const icu::Normalizer2 *normalizer = i < text.size() ? nfd() : nullptr;
    for (qsizetype length = 0; normalizer && i < text.size(); i += length) {
        if (!normalizer->isInert(UChar32(codePointAt(text, i, &length))))
            return false;
    }
    return true;
}

/// The canonical decomposition of a text, each unit with the index of the
/// source character it came from and whether a match may begin there: at a
/// character that starts a combining sequence, never inside one.
struct Decomposed
{
    QString text;
    std::vector<qsizetype> origin;
    std::vector<bool> boundary; // one more than units: the end is one

    Decomposed(QStringView source, const icu::Normalizer2 &normalizer)
    {
        struct Point
        {
            char32_t c;
            quint8 combiningClass;
            qsizetype origin;
        };
        std::vector<Point> points;
        icu::UnicodeString mapping;
        for (qsizetype i = 0, length = 0; i < source.size(); i += length) {
            const auto c = UChar32(codePointAt(source, i, &length));
            if (!normalizer.getDecomposition(c, mapping))
                mapping.setTo(c);
            for (int32_t j = 0; j < mapping.length(); j += U16_LENGTH(mapping.char32At(j))) {
                const UChar32 d = mapping.char32At(j);
                points.push_back({char32_t(d), normalizer.getCombiningClass(d), i});
            }
        }
        // Canonical order: the marks after a starter sorted by combining class.
        for (auto run = points.begin(); run != points.end();) {
            const auto end = std::find_if(run, points.end(), [](const Point &p) { return p.combiningClass == 0; });
            std::stable_sort(run, end, [](const Point &a, const Point &b) { return a.combiningClass < b.combiningClass; });
            run = end == points.end() ? end : end + 1;
        }
        for (std::size_t k = 0; k < points.size(); ++k) {
            const Point &p = points[k];
            const bool starts = k == 0 || (p.combiningClass == 0 && points[k - 1].origin != p.origin);
            origin.push_back(p.origin);
            boundary.push_back(starts);
            if (QChar::requiresSurrogates(p.c)) {
                text += QChar(QChar::highSurrogate(p.c));
                text += QChar(QChar::lowSurrogate(p.c));
                origin.push_back(p.origin);
                boundary.push_back(false);
            } else {
                text += QChar(char16_t(p.c));
            }
        }
        boundary.push_back(true);
    }
};

Range literalSearch(QStringView view, const QString &target, SearchOptions options)
{
    if (target.size() > view.size())
        return {NotFound, 0};
    const Qt::CaseSensitivity cs = caseOf(options);
    const bool backwards = options.testFlag(SearchOption::Backwards);
    qsizetype found = -1;
    if (options.testFlag(SearchOption::Anchored)) {
        if (backwards ? view.endsWith(target, cs) : view.startsWith(target, cs))
            found = backwards ? view.size() - target.size() : 0;
    } else {
        found = backwards ? view.lastIndexOf(target, -1, cs) : view.indexOf(target, 0, cs);
    }
    return found < 0 ? Range{NotFound, 0} : Range{found, target.size()};
}

/// The part of `view` that decides whether the literal answer is the canonical
/// one too. When it and the target are inert, any canonically equivalent match
/// lying wholly in it is a literal one, and a match reaching beyond it would be
/// longer than the target: so the literal answer stands, and the search cost no
/// more than it did.
Range decidingPart(QStringView view, qsizetype targetLength, Range literal, SearchOptions options)
{
    const qsizetype size = view.size();
    const bool backwards = options.testFlag(SearchOption::Backwards);
    if (options.testFlag(SearchOption::Anchored)) {
        const qsizetype reach = std::min(size, targetLength + 1);
        return backwards ? Range{size - reach, reach} : Range{0, reach};
    }
    if (literal.location == NotFound)
        return {0, size};
    if (backwards)
        return {literal.location, size - literal.location};
    return {0, std::min(size, literal.end() + 1)};
}

/// A search in which canonically equivalent sequences match ("é" finds "e\u0301").
Range canonicalSearch(QStringView view, const QString &target, SearchOptions options, const icu::Normalizer2 &normalizer)
{
    const Decomposed hay(view, normalizer);
    const QString needle = Decomposed(target, normalizer).text;
    const QStringView text(hay.text);
    const Qt::CaseSensitivity cs = caseOf(options);
    const bool backwards = options.testFlag(SearchOption::Backwards);
    const auto matchesAt = [&](qsizetype at) {
        const qsizetype end = at + needle.size();
        return at >= 0 && end <= text.size() && hay.boundary[size_t(at)] && hay.boundary[size_t(end)]
               && text.sliced(at, needle.size()).compare(needle, cs) == 0;
    };
    qsizetype found = -1;
    if (options.testFlag(SearchOption::Anchored)) {
        const qsizetype at = backwards ? text.size() - needle.size() : 0;
        found = matchesAt(at) ? at : -1;
    } else {
        const qsizetype last = text.size() - needle.size();
        for (qsizetype from = backwards ? last : 0; from >= 0 && from <= last;) {
            const qsizetype at = backwards ? text.lastIndexOf(needle, from, cs) : text.indexOf(needle, from, cs);
            if (at < 0 || matchesAt(at)) {
                found = at;
                break;
            }
            from = backwards ? at - 1 : at + 1;
        }
    }
    if (found < 0)
        return {NotFound, 0};
    const qsizetype end = found + needle.size();
    const qsizetype sourceEnd = end == text.size() ? view.size() : hay.origin[size_t(end)];
    return {hay.origin[size_t(found)], sourceEnd - hay.origin[size_t(found)]};
}

} // namespace

Range rangeOfString(const QString &string, const QString &target, SearchOptions options, std::optional<Range> range)
{
    const Range within = range.value_or(Range{0, string.size()});
    checkRange(within, string.size(), "rangeOfString");
    if (target.isEmpty())
        return {NotFound, 0};

    const QStringView view = QStringView(string).sliced(within.location, within.length);
    Range found = literalSearch(view, target, options);
    if (!options.testFlag(SearchOption::Literal)) {
        const Range deciding = decidingPart(view, target.size(), found, options);
        const icu::Normalizer2 *normalizer = nfd();
        if (normalizer && !(isInert(target) && isInert(view.sliced(deciding.location, deciding.length))))
            found = canonicalSearch(view, target, options, *normalizer);
    }
    return found.location == NotFound ? found : Range{within.location + found.location, found.length};
}

} // namespace vl
