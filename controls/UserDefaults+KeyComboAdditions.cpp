#include "UserDefaults+KeyComboAdditions.h"

#include "platform/plist/UserDefaults.h"

namespace vl {

bool setKeyCombo(platform::UserDefaults &defaults, const KeyCombo *keyCombo, const QString &key)
{
    return defaults.setObject(keyCombo ? QVariant(archiveKeyCombo(keyCombo)) : QVariant(), key);
}

std::shared_ptr<const KeyCombo> keyComboForKey(const platform::UserDefaults &defaults, const QString &key)
{
    const QByteArray data = defaults.dataForKey(key);
    std::shared_ptr<const KeyCombo> combo = data.isNull() ? nullptr : KeyCombo::unarchiveObjectWithData(data);
    return combo ? combo : KeyCombo::clearKeyCombo();
}

QByteArray archiveKeyCombo(const KeyCombo *keyCombo)
{
    return keyCombo ? keyCombo->archivedData() : QByteArray();
}

} // namespace vl
