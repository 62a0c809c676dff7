#pragma once

#include "KeyCombo.h"

#include <QByteArray>
#include <QString>

#include <memory>

namespace platform {
class UserDefaults;
}

/// Key combinations kept in user defaults, in their archived form (see
/// KeyCombo::archivedData), which is what the service reads back.
namespace vl {

/// Stores the archive of `keyCombo` under `key` in the application domain of
/// `defaults`; with no combination, removes the key. Returns whether the domain
/// was written (see platform::UserDefaults::setObject).
bool setKeyCombo(platform::UserDefaults &defaults, const KeyCombo *keyCombo, const QString &key);

/// The combination stored under `key`; a new cleared combination when the key
/// has no value, or its value is not the archive of a combination. Never null.
std::shared_ptr<const KeyCombo> keyComboForKey(const platform::UserDefaults &defaults, const QString &key);

/// The archive of `keyCombo`; a null QByteArray for none.
QByteArray archiveKeyCombo(const KeyCombo *keyCombo);

} // namespace vl
