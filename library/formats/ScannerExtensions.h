#pragma once

#include "Scanner.h"

/// Operations the library adds to the scanner.
namespace vl {

/// Collects every character of `set` from the scan location to the end, skipping
/// the others (not only a leading run), and moves the location to the end in every
/// case. With nothing collected answers false and stores nothing; else stores the
/// characters in `into` (when not null) and answers true.
bool scanAllCharactersFromSet(Scanner &scanner, const CharacterSet &set, QString *into);

/// The text from the scan location to the end; the location does not move.
QString scanRemainderOfString(const Scanner &scanner);

} // namespace vl
