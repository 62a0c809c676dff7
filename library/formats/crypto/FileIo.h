#pragma once

#include <QByteArray>
#include <QByteArrayView>

/// The two plain file helpers beside the cdsa wrappers. They answer errno-style numbers: 0
/// for success.

/// Writes `bytes` to `path`, creating it with permissions 0600 or truncating it, from offset
/// 0. When fewer bytes than asked could be written without a failure of the write itself,
/// prints "writeFile: short write" on standard output. Returns 5 (EIO) on any short count,
/// and the system's error number when the file cannot be opened or positioned.
int writeFile(const char *path, QByteArrayView bytes);

/// Reads the whole of `path` into `bytes`, as long as its size says. When fewer bytes come
/// without a failure of the read itself (the file shrank), prints "readFile: short read" on
/// standard output. Returns 5 (EIO) on any short count, 12 (ENOMEM) when the buffer cannot
/// be had, -1 when the file cannot be sized or positioned, the system's error number when it
/// cannot be opened. `bytes` is set only on success.
int readFile(const char *path, QByteArray &bytes);
