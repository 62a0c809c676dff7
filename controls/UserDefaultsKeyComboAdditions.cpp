#include "UserDefaultsKeyComboAdditions.h"

#include "Archiver.h"
#include "Unarchiver.h"
#include "UserDefaults.h"

namespace vl {

QByteArray archiveKeyCombo(const std::shared_ptr<const KeyCombo> &keyCombo)
{
    if (!keyCombo)
        return {};
    return platform::Archiver::archivedDataWithRootObject(*keyCombo);
}

std::shared_ptr<const KeyCombo> unarchiveKeyCombo(const QVariant &value)
{
    // A value that is not data, or data holding another class, would once have
    // come back as a "combination" that was no such thing; both read as cleared.
    if (value.typeId() != QMetaType::QByteArray)
        return KeyCombo::clearKeyCombo();
    KeyCombo::registerArchivedClass();
    auto combo = platform::Unarchiver::unarchiveObjectWithData<KeyCombo>(value.toByteArray());
    if (!combo || !*combo)
        return KeyCombo::clearKeyCombo();
    return std::move(combo).value();
}

bool setKeyCombo(platform::UserDefaults &defaults, const std::shared_ptr<const KeyCombo> &keyCombo, const QString &key)
{
    if (!keyCombo)
        return defaults.removeObjectForKey(key);
    return defaults.setObject(archiveKeyCombo(keyCombo), key);
}

std::shared_ptr<const KeyCombo> keyComboForKey(const platform::UserDefaults &defaults, const QString &key)
{
    return unarchiveKeyCombo(defaults.objectForKey(key));
}

} // namespace vl
