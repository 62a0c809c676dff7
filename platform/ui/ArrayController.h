#pragma once

#include "platform/store/FetchRequest.h"
#include "platform/store/ManagedObject.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QItemSelectionModel>
#include <QList>

#include <functional>
#include <optional>

namespace platform {

class ManagedObjectContext;

/// The counterpart of an array controller in entity mode: the objects of one
/// entity of a context that pass a filter predicate, in the order of its sort
/// descriptors, as a table model with one column per attribute key. It also
/// keeps the selection (selectionModel(), to give to the table view).
///
/// Nothing is read until the first fetch() or rearrangeObjects(). The context is asked for
/// each time through the provider, so that a lazily built store stack is built
/// on the first fetch; a provider that gives null leaves the table empty.
class ArrayController : public QAbstractTableModel
{
    Q_OBJECT
public:
    using ContextProvider = std::function<ManagedObjectContext *()>;
    /// The icon shown before the first column's text of `object`; null for none.
    using IconProvider = std::function<QIcon(const ManagedObject &object)>;

    ArrayController(QString entityName, QStringList keys, ContextProvider context, QObject *parent = nullptr);
    ~ArrayController() override;

    /// Filter and order apply at once once the controller has fetched, else from
    /// its first fetch on.
    void setFilterPredicate(std::optional<Predicate> predicate);
    const std::optional<Predicate> &filterPredicate() const { return m_filter; }
    void setSortDescriptors(QList<SortDescriptor> descriptors);
    void setIconProvider(IconProvider provider);
    /// The headers' texts, one per key; a key without a title is its own header.
    void setColumnTitles(QStringList titles);

    /// Reads the entity's objects from the context again (unsaved changes count),
    /// filtered and sorted; the selection keeps the objects that are still listed.
    /// A failed fetch is logged and leaves the table empty.
    void fetch();
    /// Applies filter and sort again to the objects' current in-memory values.
    void rearrangeObjects() { fetch(); }
    /// Whether fetch() ran at least once.
    bool hasFetched() const { return m_fetched; }

    const QList<ManagedObjectPtr> &arrangedObjects() const { return m_arranged; }
    /// The selected objects in table order; empty when nothing is selected.
    QList<ManagedObjectPtr> selectedObjects() const;
    QItemSelectionModel *selectionModel() { return &m_selection; }
    /// Forgets every object (before the context goes away).
    void clear();

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QString m_entityName;
    QStringList m_keys;
    ContextProvider m_context;
    IconProvider m_icons;
    QStringList m_titles;
    std::optional<Predicate> m_filter;
    QList<SortDescriptor> m_sort;
    QList<ManagedObjectPtr> m_arranged;
    QItemSelectionModel m_selection;
    bool m_fetched = false;
};

} // namespace platform
