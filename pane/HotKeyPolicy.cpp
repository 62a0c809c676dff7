#include "HotKeyPolicy.h"

#include "platform/desktop/Accelerator.h"
#include "platform/desktop/DesktopShortcuts.h"

#include <QCoreApplication>

namespace {

// The sheets speak for the host application, so their texts come from the
// host's own translations (the default strings table), not the pane's.
QString hostLocalizedString(const char *key)
{
    return QCoreApplication::translate("Localizable", key);
}

} // namespace

std::optional<HotKeyPolicy::Refusal> HotKeyPolicy::refusal(const KeyCombo &combo, const KeyCombo *current)
{
    if (combo.isReserved())
        return Refusal{hostLocalizedString("Hot Key Is Reserved"),
                       hostLocalizedString("The key combination you pressed is either a reserved or recommended "
                                           "keyboard command equivalent for Mac OS X applications. To prevent "
                                           "conflicts, these key combinations cannot be assigned to shortcuts.")};
    const auto qtCombination = combo.qtKeyCombination();
    if (!qtCombination || (current && combo == *current))
        return std::nullopt;
    const auto owner = platform::desktopShortcutOwner(*qtCombination);
    if (!owner)
        return std::nullopt;
    // The desktop's own name for the keys, as its shortcut settings show them.
    const QString keys = platform::portableAccelerator(*qtCombination);
    const QString title = hostLocalizedString("Hot Key Is Used by the Desktop");
    if (owner->isEmpty())
        return Refusal{title, hostLocalizedString("%1 is used by another program.").arg(keys)};
    return Refusal{title, hostLocalizedString("%1 is used by the desktop: %2").arg(keys, *owner)};
}
