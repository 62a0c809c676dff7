#pragma once

#include <QObject>
#include <QString>

#include <memory>

namespace platform {

class X11Connection;

/// A key combination held for the whole X display: a passive grab on the root
/// window (see X11PassiveGrab), announced with activated() on each press. The
/// combination comes in the original platform's terms, a virtual key code and
/// a Carbon modifier mask (Command -> Super, Option -> Alt, Control, Shift).
class X11GlobalHotKey : public QObject
{
    Q_OBJECT
public:
    enum class Result {
        Grabbed,
        Taken, ///< another X client holds the combination
        NoKey, ///< a key code no keyboard key has, or a server without the key
        Failed, ///< the server refused for another reason
    };

    /// Listens on `connection`, which must outlive this object.
    explicit X11GlobalHotKey(X11Connection &connection, QObject *parent = nullptr);
    ~X11GlobalHotKey() override;

    /// Releases what was held, then grabs `keyCode` with `carbonModifiers`.
    /// On any refusal nothing stays held.
    Result grab(quint16 keyCode, quint32 carbonModifiers);
    /// Releases the combination; nothing is announced afterwards.
    void release();

    /// The X modifier masks of a Carbon mask; bits without an X modifier are dropped.
    static quint16 modifierMask(quint32 carbonModifiers);
    /// What a person reads for the combination on this server, "Ctrl+Alt+Shift+Super+Space"
    /// in that order, the key by the symbol it types without modifiers; the
    /// key code in hexadecimal for a key the server cannot name.
    QString name(quint16 keyCode, quint32 carbonModifiers) const;

Q_SIGNALS:
    /// The combination was pressed (whatever locks are on).
    void activated();

private:
    struct Private;
    std::unique_ptr<Private> const d;
};

} // namespace platform
