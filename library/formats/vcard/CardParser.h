#pragma once

#include <cstddef>

/// A push tokenizer for vCard and vCalendar text.
///
/// It splits the bytes it is fed into logical lines (folded physical lines are
/// joined), splits each line into a property name, a parameter list and a value,
/// decodes the value (quoted-printable or base64 when a parameter asks for it)
/// and hands the pieces to two callbacks. It knows nothing of cards, BEGIN/END
/// or groups: that is VLvParser's business.
///
/// A plain procedural component, as its callers are C-style: one record per
/// text, created with CARD_ParserCreate and fed with CARD_Parse in any number
/// of chunks; all state survives between chunks. Status results follow the
/// component's own convention: -1 for success, 0 for failure.
///
/// Not thread-safe: one record is used from one thread at a time.

/// The tokenizer record; opaque to clients.
struct CARD_ParserStruct;
typedef CARD_ParserStruct *CARD_Parser;

/// Called once per property line when its ':' is reached. `name` is
/// NUL-terminated; `params` holds string pointers two by two, a parameter name
/// then its value (null when the parameter had no '='), ended by a pair of two
/// null pointers. Every string points into the tokenizer's line buffer and is
/// valid only during the call.
///
/// Names never hold whitespace. An unquoted parameter value loses the blanks at
/// both ends and keeps inner ones. A double quote at the start of a value (or
/// after a ',') opens a quoted string, kept with its quotes, in which ':', ';',
/// CR and backslashes are text; elsewhere a quote is text, and a backslash makes
/// the next byte text ('\;', '\"', '\\').
typedef void (*CARD_PropHandler)(void *userData, const char *name, const char **params);

/// Called at the end of each property line: once with all decoded value bytes
/// (not NUL-terminated) when there are any, then once with a null pointer and
/// length 0 marking the end of the value. The bytes are valid only during the call.
typedef void (*CARD_DataHandler)(void *userData, const char *data, int length);

/// "1.0".
const char *CARD_ParserVersion();

/// A new record with no callbacks and no user data, ready for the first byte
/// of a text; null when memory is short. Free it with CARD_ParserFree.
CARD_Parser CARD_ParserCreate();

/// Frees the record and its buffers. Null is accepted and ignored.
void CARD_ParserFree(CARD_Parser parser);

/// The pointer passed, not owned, as first argument to both callbacks.
void CARD_SetUserData(CARD_Parser parser, void *userData);
void *CARD_GetUserData(CARD_Parser parser);

/// Installs the property callback; null removes it (and with it the detection
/// of the value's encoding, which is read from the reported parameters).
void CARD_SetPropHandler(CARD_Parser parser, CARD_PropHandler handler);

/// Installs the data callback; null removes it, and value bytes are then skipped.
void CARD_SetDataHandler(CARD_Parser parser, CARD_DataHandler handler);

/// Feeds `length` bytes of `data` (no terminator needed; NUL bytes are ordinary
/// bytes). A line's data callback is made once its end is known: at the first
/// byte of the next line that is not a continuation, or at the final call. With
/// a nonzero `isFinal`, the last line is ended as well, after which the same
/// record can be fed a new text.
///
/// Lines without a ':' are dropped; empty lines are skipped. A quoted-printable
/// value ending a physical line in '=' (a soft line break) goes on with the next
/// line as it stands.
///
/// Returns -1 on success and 0 on failure: a ':' right after ';' or an empty
/// parameter value ('NAME;:v', 'NAME;TYPE=:v', 'NAME;TYPE=;X:v'), a line that
/// ends inside a quoted parameter value ('X;A="a:v'), a base64 value
/// holding a character outside the alphabet or ending in a group that padding
/// cannot complete ('QUJDQ'), or a buffer that cannot grow. After a failure the
/// rest of the chunk is not read; the record stays safe to free (or to feed,
/// though what it then reports is undefined) but that text is lost.
int CARD_Parse(CARD_Parser parser, const char *data, std::size_t length, int isFinal);

/// CARD_Parse with every byte through the line machine one at a time, none
/// taken in runs: the same callbacks and result, slower. The reference that
/// checks of CARD_Parse (tests, fuzzing) compare it with.
int CARD_ParseByteByByte(CARD_Parser parser, const char *data, std::size_t length, int isFinal);
