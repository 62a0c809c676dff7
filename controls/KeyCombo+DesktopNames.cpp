// Key combinations against the desktops' names for keys: Qt's key
// combinations, which KDE's shortcuts use and GTK's accelerators map to, and
// texts that people and scripts type.

#include "KeyCombo.h"

#include "KeyTranslator.h"
#include "platform/desktop/Accelerator.h"

#include <array>
#include <utility>

namespace {

struct ModifierRow
{
    qint32 carbon;
    Qt::KeyboardModifier qt;
};

// Command is the Super key on Linux, as the key translator records it.
constexpr std::array<ModifierRow, 4> modifierRows{{
    {KeyCombo::CommandKey, Qt::MetaModifier},
    {KeyCombo::OptionKey, Qt::AltModifier},
    {KeyCombo::ControlKey, Qt::ControlModifier},
    {KeyCombo::ShiftKey, Qt::ShiftModifier},
}};

// The display form's symbols; U+2303 is accepted beside the "^" shown.
std::optional<qint32> modifierForSymbol(QChar symbol)
{
    switch (symbol.unicode()) {
    case 0x2318:
        return KeyCombo::CommandKey;
    case 0x2325:
        return KeyCombo::OptionKey;
    case u'^':
    case 0x2303:
        return KeyCombo::ControlKey;
    case 0x21E7:
        return KeyCombo::ShiftKey;
    default:
        return std::nullopt;
    }
}

// The modifier keys (Command, Shift, Caps Lock, Option, Control, their right
// hand twins, fn) have names too, but are never a combination's key.
constexpr qint16 firstModifierKey = 54;
constexpr qint16 lastModifierKey = 63;

std::optional<qint16> keyCodeForName(const QString &name)
{
    const QVariantMap table = KeyCombo::keyCodesDictionary();
    for (auto entry = table.constBegin(); entry != table.constEnd(); ++entry) {
        bool isNumber = false;
        const int keyCode = entry.key().toInt(&isNumber);
        const bool isModifier = keyCode >= firstModifierKey && keyCode <= lastModifierKey;
        if (isNumber && !isModifier && std::in_range<qint16>(keyCode) && entry.value().toString() == name)
            return static_cast<qint16>(keyCode);
    }
    return std::nullopt;
}

std::shared_ptr<const KeyCombo> keyComboWithSymbols(const QString &text)
{
    qint32 modifiers = 0;
    qsizetype at = 0;
    // "^" alone is a key, not a modifier without one.
    for (; at + 1 < text.size(); ++at) {
        const auto modifier = modifierForSymbol(text.at(at));
        if (!modifier)
            break;
        modifiers |= *modifier;
    }
    const QString name = text.mid(at);
    if (const auto keyCode = keyCodeForName(name))
        return KeyCombo::keyComboWithKeyCode(*keyCode, modifiers);
    if (modifiers == 0)
        return nullptr; // no symbols: the text is an accelerator, read elsewhere
    const auto key = platform::parseAccelerator(name);
    if (!key || key->keyboardModifiers() & ~Qt::KeypadModifier)
        return nullptr;
    const auto combo = KeyCombo::keyComboWithQtKeyCombination(*key);
    return combo ? KeyCombo::keyComboWithKeyCode(combo->keyCode(), modifiers) : nullptr;
}

} // namespace

std::optional<QKeyCombination> KeyCombo::qtKeyCombination() const
{
    if (!isValid())
        return std::nullopt;
    const auto key = KeyTranslator::qtKeyForKeyCode(static_cast<quint16>(m_keyCode));
    if (!key)
        return std::nullopt;
    Qt::KeyboardModifiers qtModifiers = key->keyboardModifiers();
    for (const auto &[carbon, qt] : modifierRows) {
        if (m_modifiers & carbon)
            qtModifiers |= qt;
    }
    return QKeyCombination(qtModifiers, key->key());
}

std::shared_ptr<const KeyCombo> KeyCombo::keyComboWithQtKeyCombination(QKeyCombination combination)
{
    const bool keypad = combination.keyboardModifiers().testFlag(Qt::KeypadModifier);
    const auto keyCode = KeyTranslator::keyCodeForQtKey(combination.key(), keypad);
    if (!keyCode)
        return nullptr;
    qint32 modifiers = 0;
    for (const auto &[carbon, qt] : modifierRows) {
        if (combination.keyboardModifiers().testFlag(qt))
            modifiers |= carbon;
    }
    return keyComboWithKeyCode(static_cast<qint16>(*keyCode), modifiers);
}

std::shared_ptr<const KeyCombo> KeyCombo::keyComboWithText(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return nullptr;
    if (auto combo = keyComboWithSymbols(trimmed))
        return combo;
    const auto accelerator = platform::parseAccelerator(trimmed);
    return accelerator ? keyComboWithQtKeyCombination(*accelerator) : nullptr;
}
