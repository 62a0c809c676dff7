#pragma once

#include <QByteArray>
#include <QString>
#include <QVariantMap>

#include <exception>

namespace platform {

/// The names of the exceptions the system raises, as the original platform spells them.
namespace ExceptionName {
inline constexpr char InvalidArgument[] = "NSInvalidArgumentException";
inline constexpr char InternalInconsistency[] = "NSInternalInconsistencyException";
inline constexpr char Range[] = "NSRangeException";
inline constexpr char Generic[] = "NSGenericException";
inline constexpr char ObjectInaccessible[] = "NSObjectInaccessibleException";
} // namespace ExceptionName

/// An exception with a name and a reason, the counterpart of the original
/// platform's exception object. Raised only where the original raised one; never
/// let it cross the event loop or D-Bus.
class Exception : public std::exception
{
public:
    Exception(QString name, QString reason, QVariantMap userInfo = {});

    const QString &name() const noexcept { return m_name; }
    const QString &reason() const noexcept { return m_reason; }
    const QVariantMap &userInfo() const noexcept { return m_userInfo; }

    /// "name: reason", UTF-8.
    const char *what() const noexcept override { return m_what.constData(); }

private:
    QString m_name;
    QString m_reason;
    QVariantMap m_userInfo;
    QByteArray m_what;
};

/// Throws Exception(name, reason).
[[noreturn]] void raise(const QString &name, const QString &reason);

} // namespace platform
