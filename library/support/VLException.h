#pragma once

#include "platform/core/Exception.h"

#include <QStringList>

#include <vector>

/// An exception that takes the stack trace of the place it is raised from:
/// raise() throws a copy carrying the return addresses, also written into the
/// user info under "NSStackTraceKey" (hexadecimal addresses separated by blanks,
/// innermost first) as the original platform's exception handling wrote them.
/// Catch it as platform::Exception or as VLException.
class VLException : public platform::Exception
{
public:
    using platform::Exception::Exception;

    /// Throws this exception with the stack trace of the call.
    [[noreturn]] void raise() const;

    /// The return addresses of the raise, innermost first; empty before raise().
    const std::vector<quintptr> &callStackReturnAddresses() const { return m_returnAddresses; }

    /// The return addresses as text, one line each with the object file and symbol.
    QStringList callStackSymbols() const;

private:
    VLException(const VLException &raised, std::vector<quintptr> returnAddresses);

    std::vector<quintptr> m_returnAddresses;
};
