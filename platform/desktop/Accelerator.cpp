#include "Accelerator.h"

#include "KeySymbols_p.h"

#include <QKeySequence>

#include <xkbcommon/xkbcommon.h>

#include <array>

namespace platform {

namespace {

struct ModifierName
{
    const char *name;
    Qt::KeyboardModifiers modifier; // none: a lock, dropped
};

// GTK's modifier names; a name is matched without regard to case, as GTK does.
constexpr std::array<ModifierName, 13> gtkModifiers{{
    {"shift", Qt::ShiftModifier},
    {"control", Qt::ControlModifier},
    {"ctrl", Qt::ControlModifier},
    {"ctl", Qt::ControlModifier},
    {"primary", Qt::ControlModifier},
    {"alt", Qt::AltModifier},
    {"mod1", Qt::AltModifier},
    {"super", Qt::MetaModifier},
    {"mod4", Qt::MetaModifier},
    {"hyper", Qt::MetaModifier},
    {"meta", Qt::MetaModifier},
    {"lock", Qt::NoModifier},
    {"mod2", Qt::NoModifier},
}};

std::optional<Qt::KeyboardModifiers> gtkModifier(QStringView name)
{
    for (const auto &row : gtkModifiers) {
        if (name.compare(QLatin1String(row.name), Qt::CaseInsensitive) == 0)
            return row.modifier;
    }
    return std::nullopt;
}

std::optional<QKeyCombination> keyForName(QStringView name)
{
    const QByteArray latin = name.toLatin1();
    if (name.isEmpty() || latin.size() != name.size())
        return std::nullopt;
    xkb_keysym_t symbol = xkb_keysym_from_name(latin.constData(), XKB_KEYSYM_NO_FLAGS);
    if (symbol == XKB_KEY_NoSymbol)
        symbol = xkb_keysym_from_name(latin.constData(), XKB_KEYSYM_CASE_INSENSITIVE);
    if (symbol == XKB_KEY_NoSymbol)
        return std::nullopt;
    return qtKeyForKeySymbol(symbol);
}

std::optional<QKeyCombination> parseGtkAccelerator(QStringView text)
{
    Qt::KeyboardModifiers modifiers;
    while (text.startsWith(u'<')) {
        const qsizetype end = text.indexOf(u'>');
        if (end < 0)
            return std::nullopt;
        const auto modifier = gtkModifier(text.mid(1, end - 1));
        if (!modifier)
            return std::nullopt;
        modifiers |= *modifier;
        text = text.mid(end + 1);
    }
    const auto key = keyForName(text);
    if (!key)
        return std::nullopt;
    return QKeyCombination(modifiers | key->keyboardModifiers(), key->key());
}

bool isModifierKey(Qt::Key key)
{
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_AltGr:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_unknown:
        return true;
    default:
        return key == 0;
    }
}

std::optional<QKeyCombination> parsePortableAccelerator(QStringView text)
{
    const QKeySequence sequence = QKeySequence::fromString(text.toString(), QKeySequence::PortableText);
    if (sequence.count() != 1)
        return std::nullopt;
    return sequence[0];
}

} // namespace

std::optional<QKeyCombination> parseAccelerator(QStringView text)
{
    text = text.trimmed();
    const auto combination = text.startsWith(u'<') || !text.contains(u'+') ? parseGtkAccelerator(text)
                                                                           : parsePortableAccelerator(text);
    if (combination && !isModifierKey(combination->key()))
        return combination;
    // A bare key in Qt's own words ("Space", "PgUp") that X names otherwise.
    if (!text.startsWith(u'<') && !text.contains(u'+')) {
        const auto bare = parsePortableAccelerator(text);
        if (bare && !isModifierKey(bare->key()))
            return bare;
    }
    return std::nullopt;
}

QString gtkAccelerator(QKeyCombination combination)
{
    const auto symbol = keySymbolForQtKey(combination);
    if (!symbol)
        return {};
    std::array<char, 64> name{};
    // X names these keys first by their old names (Prior, Next); GTK writes the new.
    if (*symbol == XKB_KEY_Page_Up || *symbol == XKB_KEY_Page_Down)
        qstrncpy(name.data(), *symbol == XKB_KEY_Page_Up ? "Page_Up" : "Page_Down", name.size());
    else if (xkb_keysym_get_name(*symbol, name.data(), name.size()) <= 0)
        return {};
    const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
    QString text;
    if (modifiers.testFlag(Qt::ShiftModifier))
        text += QLatin1String("<Shift>");
    if (modifiers.testFlag(Qt::ControlModifier))
        text += QLatin1String("<Control>");
    if (modifiers.testFlag(Qt::AltModifier))
        text += QLatin1String("<Alt>");
    if (modifiers.testFlag(Qt::MetaModifier))
        text += QLatin1String("<Super>");
    return text + QLatin1String(name.data());
}

QString portableAccelerator(QKeyCombination combination)
{
    return QKeySequence(combination).toString(QKeySequence::PortableText);
}

} // namespace platform
