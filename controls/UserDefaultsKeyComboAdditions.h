#pragma once

#include "KeyCombo.h"

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <memory>

namespace platform {
class UserDefaults;
}

/// Key combinations kept in user defaults (the KeyComboAdditions category): a
/// combination is stored as its sequential archive (see KeyCombo), the form the
/// service reads under "ShowHideHotKey".
namespace vl {

/// The archive of `keyCombo`; a null QByteArray for none.
QByteArray archiveKeyCombo(const std::shared_ptr<const KeyCombo> &keyCombo);

/// The combination a stored value holds: `value` must be data that unarchives
/// to exactly one KeyCombo. Anything else (no value, another type, damaged
/// bytes, an archive of another class) gives a new cleared combination, never
/// an error.
std::shared_ptr<const KeyCombo> unarchiveKeyCombo(const QVariant &value);

/// Stores the archive of `keyCombo` under `key` in the application domain and
/// writes the domain; with none, removes `key`. False when the domain could not
/// be written (see UserDefaults::setObject).
bool setKeyCombo(platform::UserDefaults &defaults, const std::shared_ptr<const KeyCombo> &keyCombo, const QString &key);

/// The combination stored under `key`, or a new cleared combination when there
/// is none or it does not unarchive to one.
std::shared_ptr<const KeyCombo> keyComboForKey(const platform::UserDefaults &defaults, const QString &key);

} // namespace vl
