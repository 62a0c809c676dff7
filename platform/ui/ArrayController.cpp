#include "platform/ui/ArrayController.h"

#include "platform/core/Log.h"
#include "platform/store/ManagedObjectContext.h"

#include <QSet>

namespace platform {

ArrayController::ArrayController(QString entityName, QStringList keys, ContextProvider context, QObject *parent)
    : QAbstractTableModel(parent)
    , m_entityName(std::move(entityName))
    , m_keys(std::move(keys))
    , m_context(std::move(context))
    , m_selection(this)
{
}

ArrayController::~ArrayController() = default;

void ArrayController::setFilterPredicate(std::optional<Predicate> predicate)
{
    m_filter = std::move(predicate);
    if (m_fetched)
        rearrangeObjects();
}

void ArrayController::setSortDescriptors(QList<SortDescriptor> descriptors)
{
    m_sort = std::move(descriptors);
    if (m_fetched)
        rearrangeObjects();
}

void ArrayController::setIconProvider(IconProvider provider)
{
    m_icons = std::move(provider);
}

void ArrayController::fetch()
{
    QSet<const ManagedObject *> selected;
    for (const ManagedObjectPtr &object : selectedObjects())
        selected.insert(object.get());

    m_fetched = true;
    QList<ManagedObjectPtr> objects;
    if (ManagedObjectContext *context = m_context ? m_context() : nullptr) {
        StoreError error;
        auto fetched = context->executeFetchRequest({m_entityName, m_filter, m_sort}, &error);
        if (fetched)
            objects = std::move(*fetched);
        else
            log(error.toString());
    }

    beginResetModel();
    m_arranged = std::move(objects);
    endResetModel();

    // The context hands out one object per record, so the same pointers come back.
    QItemSelection keep;
    for (int row = 0; row < m_arranged.size(); ++row) {
        if (selected.contains(m_arranged[row].get()))
            keep.select(index(row, 0), index(row, columnCount() - 1));
    }
    m_selection.select(keep, QItemSelectionModel::ClearAndSelect);
}

QList<ManagedObjectPtr> ArrayController::selectedObjects() const
{
    QList<ManagedObjectPtr> objects;
    for (const QModelIndex &row : m_selection.selectedRows()) {
        if (row.row() < m_arranged.size())
            objects.append(m_arranged[row.row()]);
    }
    std::sort(objects.begin(), objects.end(), [this](const auto &a, const auto &b) {
        return m_arranged.indexOf(a) < m_arranged.indexOf(b);
    });
    return objects;
}

void ArrayController::clear()
{
    beginResetModel();
    m_arranged.clear();
    endResetModel();
}

int ArrayController::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_arranged.size());
}

int ArrayController::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_keys.size());
}

QVariant ArrayController::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_arranged.size() || index.column() >= m_keys.size())
        return {};
    const ManagedObject &object = *m_arranged[index.row()];
    if (role == Qt::DisplayRole)
        return object.value(m_keys[index.column()]);
    if (role == Qt::DecorationRole && index.column() == 0 && m_icons) {
        const QIcon icon = m_icons(object);
        return icon.isNull() ? QVariant() : QVariant(icon);
    }
    return {};
}

void ArrayController::setColumnTitles(QStringList titles)
{
    m_titles = std::move(titles);
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, int(m_keys.size()) - 1);
}

QVariant ArrayController::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < m_keys.size())
        return m_titles.value(section, m_keys[section]);
    return {};
}

} // namespace platform
