#pragma once

#include <QKeyCombination>
#include <QString>
#include <QStringView>

#include <optional>

/// The desktops' texts for key combinations, read and written in Qt's terms
/// (a Qt::Key with Qt's modifiers, the value KDE's global shortcuts exchange).
///
/// Modifiers mean the physical keys: Control is Control (GTK's <Primary> on
/// Linux), Alt is Alt (GTK's <Mod1>), Meta is the Super or logo key (KDE's
/// "Meta", GTK's <Super>, <Mod4>, <Hyper> and <Meta>). Lock modifiers (Caps
/// Lock, Num Lock) describe a state, not a key, so they never enter.
namespace platform {

/// The combination an accelerator text names: GTK's "<Alt>space" and
/// "<Primary><Shift>t", or Qt's and KDE's "Alt+Space" and "Meta+E". None for
/// text that names no key, more than one key, a modifier key alone or an
/// unknown modifier.
std::optional<QKeyCombination> parseAccelerator(QStringView text);

/// GTK's accelerator for `combination` ("<Alt>space", "<Super>e"); empty when
/// the key has no X key name.
QString gtkAccelerator(QKeyCombination combination);

/// Qt's and KDE's portable text for `combination` ("Alt+Space", "Meta+E").
QString portableAccelerator(QKeyCombination combination);

} // namespace platform
