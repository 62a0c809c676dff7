#pragma once

#include "LauncherApplication.h"

#include <QList>
#include <QString>

/// Searches and orders the launcher's applications. A query matches an
/// application when it is found, ignoring case and accents, in its name, generic
/// name, one of its keywords or its program's name: at the start of a word of one
/// of them (best), anywhere inside one, or letter by letter in order (least).
/// Applications that match equally well, and all of them for an empty query, are
/// ordered by the sort order; excluded applications are never given.
class LauncherIndex
{
public:
    /// The launcher's orders, by the index the pane stores in "CVSortOrder".
    enum class SortOrder { Name = 0, MostRecentlyUsed = 1, MostOftenUsed = 2 };

    /// The order a stored "CVSortOrder" value names; by name for anything else.
    static SortOrder sortOrderFromPreference(const QString &value);

    void setApplications(const QList<LauncherApplication> &applications);
    const QList<LauncherApplication> &applications() const { return m_applications; }

    void setSortOrder(SortOrder order);
    SortOrder sortOrder() const { return m_order; }

    /// The applications that match `query`, best first, at most `limit` (all when negative).
    QList<LauncherApplication> search(const QString &query, qsizetype limit = -1) const;

    /// `text` without case and accents: decomposed, combining marks left out, case folded.
    static QString fold(const QString &text);

private:
    enum Match { WordPrefix, Substring, InOrder, None };
    struct Keys
    {
        QString joined;       // the folded fields joined by line feeds, which no query holds
        QString name;         // folded, for ordering by name
    };

    static Match match(const Keys &keys, const QString &query);
    static bool inOrder(QStringView joined, QStringView query);
    bool before(qsizetype a, qsizetype b) const;
    void rank();

    QList<LauncherApplication> m_applications;
    QList<Keys> m_keys;
    // Each application's place in the sort order, worked out when the
    // applications or the order change rather than at every keystroke.
    QList<qsizetype> m_rank;
    SortOrder m_order = SortOrder::Name;
};
