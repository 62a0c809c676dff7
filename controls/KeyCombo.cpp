#include "KeyCombo.h"

#include <mutex>
#include <utility>

namespace {

/// The process-wide key-name table and where it comes from. The original filled
/// it without a lock because every caller sat on the main thread; the lock costs
/// nothing and keeps a stray call from another thread from racing the first load.
struct SharedKeyNames
{
    std::mutex mutex;
    KeyComboResources resources = KeyComboResources::bundleResources();
    std::optional<QVariantMap> table; // none until a load succeeds

    static SharedKeyNames &instance()
    {
        static SharedKeyNames shared;
        return shared;
    }
};

/// The modifier symbols in display order. Control is a plain circumflex, as the
/// hot-key field has always shown it.
struct ModifierSymbol
{
    qint32 mask;
    char16_t symbol;
};
constexpr ModifierSymbol modToChar[] = {
    {KeyCombo::CommandKey, u'\u2318'}, // ⌘
    {KeyCombo::OptionKey, u'\u2325'},  // ⌥
    {KeyCombo::ControlKey, u'^'},
    {KeyCombo::ShiftKey, u'\u21E7'}, // ⇧
};

} // namespace

std::shared_ptr<const KeyCombo> KeyCombo::keyCombo()
{
    return keyComboWithKeyCode(-1, -1);
}

std::shared_ptr<const KeyCombo> KeyCombo::clearKeyCombo()
{
    return keyCombo();
}

std::shared_ptr<const KeyCombo> KeyCombo::keyComboWithKeyCode(qint16 keyCode, qint32 modifiers)
{
    return std::make_shared<const KeyCombo>(Token{}, keyCode, modifiers);
}

KeyCombo::KeyCombo(Token, qint16 keyCode, qint32 modifiers)
    : m_keyCode(keyCode)
    , m_modifiers(modifiers)
{
}

std::shared_ptr<const KeyCombo> KeyCombo::copy() const
{
    return shared_from_this();
}

bool KeyCombo::isEqual(const KeyCombo *other) const
{
    return other && other->keyCode() == keyCode() && other->modifiers() == modifiers();
}

bool KeyCombo::isValid() const
{
    return m_keyCode >= 0 && m_modifiers >= 0;
}

QString KeyCombo::userDisplayRep() const
{
    if (!isValid()) {
        auto &shared = SharedKeyNames::instance();
        std::unique_lock lock(shared.mutex);
        const auto localized = shared.resources.localizedString;
        lock.unlock();
        const QString none = QStringLiteral("(None)");
        return localized ? localized(none) : none;
    }
    return _stringForModifiers(modifiers()) + _stringForKeyCode(keyCode());
}

QString KeyCombo::description() const
{
    return userDisplayRep();
}

QVariantMap KeyCombo::keyCodesDictionary()
{
    auto &shared = SharedKeyNames::instance();
    const std::lock_guard lock(shared.mutex);
    if (!shared.table && shared.resources.loadKeyCodes)
        shared.table = shared.resources.loadKeyCodes();
    return shared.table.value_or(QVariantMap());
}

QString KeyCombo::_stringForKeyCode(qint16 keyCode)
{
    const QVariant name = keyCodesDictionary().value(QString::number(keyCode));
    if (name.typeId() == QMetaType::QString)
        return name.toString();
    // "%X" of the promoted int: what the original showed for a key it had no name for.
    return QString::number(static_cast<quint32>(static_cast<qint32>(keyCode)), 16).toUpper();
}

QString KeyCombo::_stringForModifiers(qint32 modifiers)
{
    QString symbols;
    for (const auto &[mask, symbol] : modToChar) {
        if (modifiers & mask)
            symbols += QChar(symbol);
    }
    return symbols;
}

KeyComboResources KeyCombo::setResources(KeyComboResources resources)
{
    auto &shared = SharedKeyNames::instance();
    const std::lock_guard lock(shared.mutex);
    shared.table.reset();
    return std::exchange(shared.resources, std::move(resources));
}
