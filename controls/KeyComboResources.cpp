#include "KeyComboResources.h"

#include "platform/plist/PropertyList.h"

#include <QFile>

KeyComboResources KeyComboResources::bundleResources()
{
    return {};
}

KeyComboResources KeyComboResources::fromBundle(platform::Bundle bundle)
{
    return {
        [bundle]() -> std::optional<QVariantMap> {
            const auto path = bundle.pathForResource(QStringLiteral("KeyCodes"), QStringLiteral("plist"));
            return path ? readKeyCodes(*path) : std::nullopt;
        },
        [bundle](const QString &key) { return bundle.localizedString(key, QString(), QStringLiteral("HotKeysLib")); },
    };
}

std::optional<QVariantMap> KeyComboResources::readKeyCodes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const auto parsed = platform::readPropertyList(file.readAll());
    if (!parsed || parsed.value.typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    QVariantMap names = parsed.value.toMap();
    for (auto it = names.begin(); it != names.end();) {
        if (it.value().typeId() == QMetaType::QString)
            ++it;
        else
            it = names.erase(it);
    }
    return names;
}
