#pragma once

#include "KeyComboResources.h"
#include "platform/archive/ArchivedClass.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QKeyCombination>
#include <QString>
#include <QVariantMap>
#include <QtGlobal>

#include <memory>
#include <optional>

/// One hardware key with a set of modifier keys, in Carbon conventions: a 16-bit
/// virtual key code (0 = the A key of a US layout, 36 = Return) and a 32-bit
/// Carbon modifier mask (Command 0x0100, Shift 0x0200, Option 0x0800, Control
/// 0x1000). Key code -1 with modifiers -1 is the cleared combination.
///
/// A combination is an immutable, shared value: it only ever lives behind a
/// `std::shared_ptr<const KeyCombo>` (the factories below are the only way to
/// make one), and copy() hands back that same instance, so "copying" costs one
/// reference and two holders can tell by pointer that they hold the same one.
/// Equality (isEqual, ==) compares values, not instances.
namespace platform {
class ArchiveClassRegistry;
class Archiver;
class Unarchiver;
} // namespace platform

class KeyCombo : public std::enable_shared_from_this<KeyCombo>
{
    struct Token
    {
        explicit Token() = default;
    };

public:
    /// The Carbon modifier masks every combination carries.
    enum CarbonModifier : qint32 {
        CommandKey = 0x0100,
        ShiftKey = 0x0200,
        OptionKey = 0x0800,
        ControlKey = 0x1000,
    };

    /// The cleared combination (key code -1, modifiers -1).
    static std::shared_ptr<const KeyCombo> keyCombo();
    /// The same value as keyCombo(), a new instance.
    static std::shared_ptr<const KeyCombo> clearKeyCombo();
    /// A combination holding both values unchanged; out-of-range values are
    /// accepted and simply make the combination invalid.
    static std::shared_ptr<const KeyCombo> keyComboWithKeyCode(qint16 keyCode, qint32 modifiers);

    /// Used by the factories only (the token keeps every instance shared).
    KeyCombo(Token, qint16 keyCode, qint32 modifiers);
    KeyCombo(const KeyCombo &) = delete;
    KeyCombo &operator=(const KeyCombo &) = delete;

    /// This very instance, one more reference (the combination is immutable).
    std::shared_ptr<const KeyCombo> copy() const;

    /// True when `other` is a combination whose key code and modifiers equal
    /// this one's, each compared as a 16-bit value; false for none.
    bool isEqual(const KeyCombo *other) const;
    friend bool operator==(const KeyCombo &a, const KeyCombo &b) { return a.isEqual(&b); }

    qint16 keyCode() const { return m_keyCode; }
    /// The low 16 bits of the stored mask: what equality and isReserved() use.
    qint16 modifiers() const { return static_cast<qint16>(m_modifiers); }
    /// The whole 32-bit mask as stored and archived.
    qint32 storedModifiers() const { return m_modifiers; }

    /// Key code >= 0 and the 32-bit modifiers >= 0. The cleared combination is
    /// invalid; a bare key (modifiers 0) is valid.
    bool isValid() const;

    /// What the user sees: the modifier symbols (⌘ ⌥ ^ ⇧, in that order) then the
    /// key name, e.g. "⌘⇧K"; for an invalid combination the "HotKeysLib" text
    /// for "(None)".
    QString userDisplayRep() const;
    /// The same text as userDisplayRep().
    QString description() const;

    // VLAdditions (KeyCombo+VLAdditions.cpp)

    /// Whether the combination must not become a hot key: any bare key, and the
    /// keys the system or common applications claim with one exact set of
    /// modifiers (Command+Q, Control+F2, ...). Other modifier sets are never
    /// reserved; no subset or superset matching.
    bool isReserved() const;
    /// Whether `keyCode` occurs in `keyCodes` before its 0xFFFF end marker;
    /// false for a null list.
    bool keyCodes(const quint16 *keyCodes, quint16 keyCode) const;

    // DesktopNames (KeyCombo+DesktopNames.cpp): the names desktops give keys.

    /// The combination in Qt's terms (Command -> Meta, Option -> Alt, keypad
    /// keys with Qt::KeypadModifier), the form the desktops' shortcut services
    /// compare; none for an invalid combination or a key without a Qt key.
    std::optional<QKeyCombination> qtKeyCombination() const;
    /// The combination of `combination`; null when its key has no virtual key
    /// code. Lock and keypad modifiers are dropped (no Carbon mask has them).
    static std::shared_ptr<const KeyCombo> keyComboWithQtKeyCombination(QKeyCombination combination);
    /// The combination `text` names: the display form ("⌥Space", "⌘⇧K", the key
    /// names of the key-name table) or a desktop's accelerator ("Alt+Space",
    /// "<Alt>space", "Meta+E"); null for text that names none.
    static std::shared_ptr<const KeyCombo> keyComboWithText(const QString &text);

    // Key names and modifier symbols, shared by every combination.

    /// The key-name table (decimal key code -> display name), loaded from the
    /// resources on first use and kept; empty (and tried again next time) while
    /// the resource is missing or unreadable.
    static QVariantMap keyCodesDictionary();
    /// The table's name for `keyCode`, else its upper-case hexadecimal ("A" for 10).
    static QString _stringForKeyCode(qint16 keyCode);
    /// One symbol per modifier set in `modifiers`, in the order ⌘ ⌥ ^ ⇧.
    static QString _stringForModifiers(qint32 modifiers);

    // Stored form (KeyCombo+Coding.cpp): the platform's sequential archive. The
    // service reads the same preference value, so these bytes are an interface.

    /// How combinations are named in archives: "KeyCombo", class version 0, a
    /// subclass of NSObject.
    static constexpr platform::ArchivedClass archivedClass{"KeyCombo", 0, &platform::ArchivedClass::NSObject};

    /// Writes the key code (type "s") and then the 32-bit modifiers (type "l").
    void encodeWithCoder(platform::Archiver &coder) const;
    /// Reads the two values encodeWithCoder wrote. A value that does not match
    /// makes `coder` fail; the cleared combination is returned then.
    static std::shared_ptr<const KeyCombo> initWithCoder(platform::Unarchiver &coder);

    /// The archive of this combination as the root object (what the original
    /// platform's archiver writes for it, byte for byte).
    QByteArray archivedData() const;
    /// The combination archived as the root object of `data`; null when `data` is
    /// not such an archive (not an archive at all, another class, trailing
    /// objects, a value of the wrong type).
    static std::shared_ptr<const KeyCombo> unarchiveObjectWithData(QByteArrayView data);

    /// Lets `registry` build combinations from archives. The shared registry gets
    /// the class on the first unarchiveObjectWithData().
    static void registerArchivedClass(platform::ArchiveClassRegistry &registry);

    /// Replaces where key names and "(None)" come from (the pane's bundle by
    /// default) and forgets the loaded table; returns the previous resources.
    static KeyComboResources setResources(KeyComboResources resources);

private:
    const qint16 m_keyCode;
    const qint32 m_modifiers;
};
