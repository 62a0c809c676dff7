#pragma once

#include <QString>

/// Finding a running process.
namespace vl {

/// The process identifier of the first process, in the kernel's order and of any
/// user, whose command name begins with `name` and that is not a zombie; -1 when
/// none does, -2 when the process table cannot be read (the system error is then
/// printed to standard error). Linux keeps 15 bytes of a command name, so only
/// the first 15 bytes of `name` (UTF-8) are compared. An empty name finds nothing.
qint64 processIdentifierOfTaskWithName(const QString &name);

} // namespace vl
