#include "LauncherResultModel.h"

#include <QDir>
#include <QFileInfo>

void LauncherResultModel::setApplications(const QList<LauncherApplication> &applications)
{
    beginResetModel();
    m_applications = applications;
    endResetModel();
}

int LauncherResultModel::rowOf(const QString &id) const
{
    for (qsizetype row = 0; row < m_applications.size(); ++row) {
        if (m_applications.at(row).id == id)
            return int(row);
    }
    return -1;
}

int LauncherResultModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_applications.size());
}

QVariant LauncherResultModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const LauncherApplication &app = m_applications.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return app.name;
    case GenericNameRole:
        return app.genericName;
    case Qt::DecorationRole:
        return cachedIcon(app.icon);
    default:
        return {};
    }
}

QIcon LauncherResultModel::cachedIcon(const QString &icon) const
{
    auto found = m_icons.constFind(icon);
    if (found == m_icons.constEnd())
        found = m_icons.insert(icon, iconFor(icon));
    return *found;
}

QIcon LauncherResultModel::iconFor(const QString &icon)
{
    static const QString fallback = QStringLiteral("application-x-executable");
    if (QDir::isAbsolutePath(icon)) {
        if (QFileInfo(icon).isFile())
            return QIcon(icon);
        return QIcon::fromTheme(fallback);
    }
    QString name = icon;
    for (const auto extension : {u".png", u".svg", u".xpm"}) {
        if (name.endsWith(extension))
            name.chop(QStringView(extension).size());
    }
    if (!name.isEmpty() && QIcon::hasThemeIcon(name))
        return QIcon::fromTheme(name);
    return QIcon::fromTheme(fallback);
}
