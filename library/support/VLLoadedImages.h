#pragma once

/// Whether the dynamic linker has loaded an object whose path, as the linker
/// recorded it, equals `path` byte for byte (no canonicalisation: a trailing
/// slash or another spelling of the same file does not match). The program
/// itself counts, by its path. A null path gives false.
bool VLIsImageWithPathLoaded(const char *path);
