#pragma once

// The tokenizer record, shown to the tests (which check the buffer policy) and
// to nobody else: clients hold a CARD_Parser and call the CARD_ functions.

#include "CardParser.h"

#include <cstdint>

/// A parameter while its line is read: offsets into the line buffer, which may
/// move as it grows. A value offset of 0 means "no value" (offset 0 is always
/// the property name, so no value can start there).
struct CARD_ParamOffsets
{
    int32_t name;
    int32_t value;
};

/// Every integer is 32 bits; a flag holds 0 for false and -1 for true.
///
/// The line, its parameters and their list start in storage of the record's
/// own, which holds a typical card's lines: a client that parses many small
/// texts, a record each, allocates nothing but the record. Each moves to the
/// heap when a line outgrows it.
struct CARD_ParserStruct
{
    static constexpr int32_t kInlineLineSize = 512;
    static constexpr int32_t kInlineParamSize = 8;
    static constexpr int32_t kInlineParamListSize = 2 * kInlineParamSize + 2;

    int32_t after_newline; ///< a line feed is held until the next byte shows whether the line continues
    int32_t folded;        ///< the physical line being read continues the previous one
    char *line;            ///< name, NUL-ended parameters, then the decoded value; `inline_line` or the heap
    int32_t line_size;     ///< allocated bytes of `line`
    int32_t line_len;      ///< bytes of `line` in use
    int32_t state;         ///< state of the line machine (STATE_NAME ... STATE_VALUE)
    int32_t skip_space;    ///< whitespace at the start of the value is still being skipped

    CARD_ParamOffsets *params; ///< the parameters of the line, `inline_params` or the heap; survives from line to line
    int32_t param_count;       ///< pairs in use in `params`
    int32_t param_size;        ///< pairs allocated in `params`
    const char **param_list;   ///< the list handed to the property callback, pointers into `line`; `inline_param_list` or the heap
    int32_t param_list_size;   ///< entries allocated in `param_list`

    int32_t escaped;    ///< a backslash was read in a parameter value
    int32_t in_quotes;  ///< inside a double-quoted parameter value
    int32_t encoding;   ///< 0 none, 1 quoted-printable, 2 base64, 3 8bit
    int32_t qp_pending; ///< an '=' was read in a quoted-printable value; its two digits are awaited
    char code[4];       ///< the digits of a quoted-printable escape, or the current base64 group
    int32_t code_len;   ///< base64 characters held in `code`

    void *user_data;
    CARD_PropHandler prop_handler;
    CARD_DataHandler data_handler;

    char inline_line[kInlineLineSize];
    CARD_ParamOffsets inline_params[kInlineParamSize];
    const char *inline_param_list[kInlineParamListSize];
};
