#pragma once

#include "LauncherApplication.h"

#include <QAbstractListModel>
#include <QHash>
#include <QIcon>
#include <QList>

/// The launcher window's results, best first: one row an application, with its
/// name (Qt::DisplayRole), generic name (GenericNameRole) and icon
/// (Qt::DecorationRole) from the icon theme, by the entry's Icon= name or file.
class LauncherResultModel : public QAbstractListModel
{
    Q_OBJECT
public:
    enum Role { GenericNameRole = Qt::UserRole + 1 };

    using QAbstractListModel::QAbstractListModel;

    /// Replaces the rows (a model reset).
    void setApplications(const QList<LauncherApplication> &applications);
    /// The application of `row`, which must be a row of the model.
    const LauncherApplication &application(int row) const { return m_applications.at(row); }
    /// The row of the application `id`, or -1.
    int rowOf(const QString &id) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    /// The icon an entry's Icon= value names: an absolute file, else a name in
    /// the icon theme (an extension some entries add left out); a generic
    /// program's icon when neither gives one.
    static QIcon iconFor(const QString &icon);

private:
    QIcon cachedIcon(const QString &icon) const;

    QList<LauncherApplication> m_applications;
    // Icons by Icon= value: looking one up in the theme reads folders and files,
    // too slow for each keystroke.
    mutable QHash<QString, QIcon> m_icons;
};
