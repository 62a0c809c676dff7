#include "KeyComboResources.h"

#include "PropertyList.h"

#include <QFile>

KeyComboResources KeyComboResources::bundleResources()
{
    // Until the pane's bundle can be located, there is no table (key names fall
    // back to hexadecimal) and "(None)" shows as itself.
    return {};
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
