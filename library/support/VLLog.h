#pragma once

#include <QtGlobal>

#include <cstdarg>

/// Writes one line to `fd`: "2008-03-01 14:05:09.123 name[pid] message\n", the
/// local date and time with milliseconds, the process name and id, and the
/// printf-style message, in one write(2) of its UTF-8 bytes (send(2) to a
/// socket). Never waits and never
/// reports: when `fd` cannot take a write at this instant (a full pipe, a closed
/// descriptor, a reader that went away) the line is dropped. A short write loses
/// the rest of the line. Any thread; any descriptor number.
void VLLogf(int fd, const char *format, ...) Q_ATTRIBUTE_FORMAT_PRINTF(2, 3);

/// VLLogf with an argument list.
void VLLogfv(int fd, const char *format, va_list arguments) Q_ATTRIBUTE_FORMAT_PRINTF(2, 0);
