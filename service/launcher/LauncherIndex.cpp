#include "LauncherIndex.h"

#include <algorithm>
#include <numeric>
#include <utility>

LauncherIndex::SortOrder LauncherIndex::sortOrderFromPreference(const QString &value)
{
    bool isNumber = false;
    const int index = value.toInt(&isNumber);
    if (isNumber && index >= 0 && index <= 2)
        return SortOrder(index);
    return SortOrder::Name;
}

QString LauncherIndex::fold(const QString &text)
{
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString folded;
    folded.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (c.category() != QChar::Mark_NonSpacing)
            folded += c;
    }
    return folded.toCaseFolded();
}

void LauncherIndex::setApplications(const QList<LauncherApplication> &applications)
{
    m_applications = applications;
    m_keys.clear();
    m_keys.reserve(applications.size());
    for (const LauncherApplication &app : applications) {
        QStringList fields{app.name, app.genericName};
        fields += app.keywords;
        fields << app.executable;
        fields.removeAll(QString());
        Keys keys;
        keys.name = fold(app.name);
        keys.joined = fold(fields.join(u'\n'));
        m_keys.append(std::move(keys));
    }
    rank();
}

void LauncherIndex::setSortOrder(SortOrder order)
{
    m_order = order;
    rank();
}

void LauncherIndex::rank()
{
    QList<qsizetype> order(m_applications.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [this](qsizetype a, qsizetype b) { return before(a, b); });
    m_rank.resize(order.size());
    for (qsizetype place = 0; place < order.size(); ++place)
        m_rank[order[place]] = place;
}

LauncherIndex::Match LauncherIndex::match(const Keys &keys, const QString &query)
{
    // One pass over all fields for prefixes and substrings: a query has no line
    // feed, so no match spans two fields, and a field's start follows one.
    qsizetype from = 0;
    bool found = false;
    while ((from = keys.joined.indexOf(query, from)) >= 0) {
        found = true;
        if (from == 0 || !keys.joined.at(from - 1).isLetterOrNumber())
            return WordPrefix;
        ++from;
    }
    if (found)
        return Substring;
    return inOrder(keys.joined, query) ? InOrder : None;
}

bool LauncherIndex::inOrder(QStringView joined, QStringView query)
{
    // One pass over the joined fields, starting again at each field.
    qsizetype matched = 0;
    for (const QChar c : joined) {
        if (c == u'\n')
            matched = 0;
        else if (c == query[matched] && ++matched == query.size())
            return true;
    }
    return false;
}

bool LauncherIndex::before(qsizetype a, qsizetype b) const
{
    const LauncherApplication &x = m_applications.at(a);
    const LauncherApplication &y = m_applications.at(b);
    switch (m_order) {
    case SortOrder::MostRecentlyUsed:
        if (x.lastUsed != y.lastUsed) {
            // Never used (an invalid time) comes after every use.
            if (!x.lastUsed.isValid() || !y.lastUsed.isValid())
                return x.lastUsed.isValid();
            return x.lastUsed > y.lastUsed;
        }
        break;
    case SortOrder::MostOftenUsed:
        if (x.useCount != y.useCount)
            return x.useCount > y.useCount;
        break;
    case SortOrder::Name: break;
    }
    const int byName = m_keys.at(a).name.compare(m_keys.at(b).name);
    if (byName != 0)
        return byName < 0;
    return x.path < y.path;
}

QList<LauncherApplication> LauncherIndex::search(const QString &query, qsizetype limit) const
{
    QString folded = fold(query.trimmed());
    folded.remove(u'\n');
    QList<std::pair<Match, qsizetype>> hits;
    for (qsizetype i = 0; i < m_applications.size(); ++i) {
        if (m_applications.at(i).excluded)
            continue;
        const Match best = folded.isEmpty() ? WordPrefix : match(m_keys.at(i), folded);
        if (best != None)
            hits.append({best, i});
    }
    const auto order = [this](const auto &x, const auto &y) {
        return x.first != y.first ? x.first < y.first : m_rank.at(x.second) < m_rank.at(y.second);
    };
    const qsizetype count = limit < 0 ? hits.size() : std::min(limit, hits.size());
    std::partial_sort(hits.begin(), hits.begin() + count, hits.end(), order);
    QList<LauncherApplication> results;
    results.reserve(count);
    for (qsizetype i = 0; i < count; ++i)
        results.append(m_applications.at(hits.at(i).second));
    return results;
}
