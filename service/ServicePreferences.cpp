#include "ServicePreferences.h"

#include "UserDefaults.h"

#include <QVariantMap>

namespace ServicePreferences {

namespace {

const QString ShowHideHotKey = QStringLiteral("ShowHideHotKey");

QString rendered(const QString &key, const QVariant &value)
{
    if (key == ShowHideHotKey) {
        const auto combo = value.metaType().id() == QMetaType::QByteArray ? decodeHotKey(value.toByteArray())
                                                                          : std::nullopt;
        return combo ? QStringLiteral("%1 %2").arg(combo->first).arg(combo->second) : QStringLiteral("undecodable");
    }
    if (value.metaType().id() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    return value.toString();
}

} // namespace

QStringList allKeys()
{
    return QStringList{QStringLiteral("CVSortOrder"), QStringLiteral("LimitAppSearchesToSystemVolume")} + cornerKeys()
           + QStringList{ShowHideHotKey, QStringLiteral("HotKeyCode"), QStringLiteral("HotKeyModifiers")};
}

QStringList cornerKeys()
{
    return {QStringLiteral("TopLeftCorner"), QStringLiteral("TopRightCorner"), QStringLiteral("BottomLeftCorner"),
            QStringLiteral("BottomRightCorner")};
}

QList<Setting> read(const QStringList &keys)
{
    auto &defaults = platform::UserDefaults::standardUserDefaults();
    defaults.synchronize();   // the pane wrote the file: forget any copy read before
    const QVariantMap domain = defaults.persistentDomainForName(QLatin1String(Domain)).value_or(QVariantMap());
    QList<Setting> settings;
    for (const QString &key : keys) {
        if (domain.contains(key))
            settings.append({key, rendered(key, domain.value(key))});
    }
    return settings;
}

std::optional<std::pair<qint16, qint32>> decodeHotKey(const QByteArray &)
{
    return std::nullopt;
}

} // namespace ServicePreferences
