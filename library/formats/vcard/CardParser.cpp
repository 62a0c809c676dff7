#include "CardParser.h"
#include "CardParser_p.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#include <tmmintrin.h>
#endif

// The record's buffers are managed with the C allocator on purpose: the line
// buffer grows with realloc and is handed back after long lines,
// and a failed reallocation is a status result, not an exception.

namespace {

constexpr int32_t kTrue = -1;
constexpr int32_t kFalse = 0;

constexpr int32_t kLineGrowth = 128;
// A longer line (a photograph, typically) gives its buffer back when it ends.
constexpr int32_t kLineKeepLimit = 1024;
constexpr std::size_t kLongLineGrowthLimit = 64 << 10;

enum State : int32_t {
    STATE_NAME = 0,
    STATE_PARAM_START = 1,
    STATE_PARAM_NAME = 2,
    STATE_PARAM_VALUE_START = 3,
    STATE_PARAM_VALUE = 4,
    STATE_VALUE = 5,
};

enum Encoding : int32_t {
    ENCODING_NONE = 0,
    ENCODING_QUOTED_PRINTABLE = 1,
    ENCODING_BASE64 = 2,
    ENCODING_8BIT = 3,
};

// Character classes of the line machine. Whitespace is what isspace() says in
// the C locale, fixed here so that the process locale cannot change it; bytes
// 0x80 and above are ordinary bytes.
enum CharClass : unsigned char {
    CC_OTHER,
    CC_LF,
    CC_CR,
    CC_SPACE, // space, tab, vertical tab, form feed
    CC_COLON,
    CC_SEMICOLON,
    CC_EQUALS,
    CC_QUOTE,
    CC_BACKSLASH,
};

constexpr std::array<CharClass, 256> makeCharClasses()
{
    std::array<CharClass, 256> classes{};
    classes['\n'] = CC_LF;
    classes['\r'] = CC_CR;
    classes[' '] = classes['\t'] = classes['\v'] = classes['\f'] = CC_SPACE;
    classes[':'] = CC_COLON;
    classes[';'] = CC_SEMICOLON;
    classes['='] = CC_EQUALS;
    classes['"'] = CC_QUOTE;
    classes['\\'] = CC_BACKSLASH;
    return classes;
}

constexpr std::array<CharClass, 256> kCharClass = makeCharClasses();

inline CharClass charClass(char c)
{
    return kCharClass[static_cast<unsigned char>(c)];
}

inline bool isWhitespace(CharClass cc)
{
    return cc == CC_LF || cc == CC_CR || cc == CC_SPACE;
}

inline unsigned char asciiUpper(unsigned char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

// Case-insensitive comparison of two NUL-terminated strings, ASCII letters only
// (the tokens compared are ASCII; other bytes must match exactly).
int strcmpi(const char *a, const char *b)
{
    const auto *ua = reinterpret_cast<const unsigned char *>(a);
    const auto *ub = reinterpret_cast<const unsigned char *>(b);
    while (*ua && asciiUpper(*ua) == asciiUpper(*ub)) {
        ++ua;
        ++ub;
    }
    return asciiUpper(*ua) - asciiUpper(*ub);
}

// The value of each base64 character (RFC 2045 alphabet); 255 for every other
// byte, the pad '=' included.
constexpr std::array<unsigned char, 256> makeBase64Values()
{
    std::array<unsigned char, 256> values{};
    values.fill(255);
    constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (unsigned char i = 0; i < 64; ++i)
        values[static_cast<unsigned char>(alphabet[i])] = i;
    return values;
}

constexpr std::array<unsigned char, 256> kBase64Values = makeBase64Values();

inline unsigned char Base64ToOrd(char c)
{
    return kBase64Values[static_cast<unsigned char>(c)];
}

// ---- the record's buffers -------------------------------------------------------------

// Grows `block` to `size` bytes, keeping its first `used`: realloc for a heap
// block, a first heap block with those bytes copied while it is still the
// record's own storage `inlineStorage`. Null on failure, `block` untouched.
void *card_grow(void *block, const void *inlineStorage, std::size_t used, std::size_t size)
{
    if (block != inlineStorage)
        return std::realloc(block, size);
    void *grown = std::malloc(size);
    if (grown && used > 0)
        std::memcpy(grown, block, used);
    return grown;
}

void card_release(void *block, const void *inlineStorage)
{
    if (block != inlineStorage)
        std::free(block);
}

void card_clear_code(CARD_Parser p)
{
    std::memset(p->code, 0, sizeof p->code);
    p->code_len = 0;
}

void vcard_clear_line(CARD_Parser p)
{
    p->state = STATE_NAME;
    p->line_len = 0;
    p->skip_space = kTrue;
    p->param_count = 0;
    p->escaped = kFalse;
    p->in_quotes = kFalse;
    p->encoding = ENCODING_NONE;
    p->qp_pending = kFalse;
    card_clear_code(p);
    if (p->line_size > kLineKeepLimit) {
        card_release(p->line, p->inline_line);
        p->line = p->inline_line;
        p->line_size = CARD_ParserStruct::kInlineLineSize;
    }
}

// Makes room for `extra` more bytes, growing the buffer in steps of 128 bytes.
// On failure the buffer's contents are given up (sizes 0) and kFalse returned.
int32_t card_reserve_line(CARD_Parser p, std::size_t extra)
{
    const std::size_t needed = static_cast<std::size_t>(p->line_len) + extra;
    if (needed <= static_cast<std::size_t>(p->line_size))
        return kTrue;
    const std::size_t steps = (needed - static_cast<std::size_t>(p->line_size) + kLineGrowth - 1) / kLineGrowth;
    std::size_t size = static_cast<std::size_t>(p->line_size) + steps * kLineGrowth;
    if (size > kLineKeepLimit) {
        // A long line's buffer is given back when the line ends, so how it grows
        // changes no kept size; grown 128 bytes at a time, a photograph's would
        // be copied over and over. It grows by half, at most 64 KB at a time.
        const std::size_t ahead = std::min<std::size_t>(static_cast<std::size_t>(p->line_size) / 2, kLongLineGrowthLimit);
        const std::size_t aheadSize = (static_cast<std::size_t>(p->line_size) + ahead) / kLineGrowth * kLineGrowth;
        size = std::max(size, std::min<std::size_t>(aheadSize, INT32_MAX / kLineGrowth * kLineGrowth));
    }
    // The sizes are 32-bit: a line that would outgrow them fails like a failed
    // allocation instead of wrapping round.
    void *grown = size <= INT32_MAX ? card_grow(p->line, p->inline_line, static_cast<std::size_t>(p->line_len), size) : nullptr;
    if (!grown) {
        p->line_size = 0;
        p->line_len = 0;
        return kFalse;
    }
    p->line = static_cast<char *>(grown);
    p->line_size = static_cast<int32_t>(size);
    return kTrue;
}

inline int32_t vcard_add_char_to_line(CARD_Parser p, char c)
{
    if (p->line_len >= p->line_size && !card_reserve_line(p, 1))
        return kFalse;
    p->line[p->line_len++] = c;
    return kTrue;
}

// Appends a parameter whose name starts at `nameOffset` and which has no value yet.
int32_t card_add_param(CARD_Parser p, int32_t nameOffset)
{
    if (p->param_count == p->param_size) {
        // Doubled from room for eight: most lines have fewer, and each file's
        // first lines would otherwise grow it one parameter at a time.
        if (p->param_size > INT32_MAX / 2)
            return kFalse;
        const int32_t size = std::max(8, p->param_size * 2);
        void *grown = card_grow(p->params, p->inline_params, static_cast<std::size_t>(p->param_count) * sizeof *p->params,
                                static_cast<std::size_t>(size) * sizeof *p->params);
        if (!grown)
            return kFalse;
        p->params = static_cast<CARD_ParamOffsets *>(grown);
        p->param_size = size;
    }
    p->params[p->param_count++] = CARD_ParamOffsets{nameOffset, 0};
    return kTrue;
}

int32_t card_set_paramvalue(CARD_Parser p, int32_t valueOffset)
{
    if (!p->params || p->param_count == 0)
        return kFalse;
    p->params[p->param_count - 1].value = valueOffset;
    return kTrue;
}

int32_t card_reserve_param_list(CARD_Parser p, int64_t entries)
{
    if (entries <= p->param_list_size)
        return kTrue;
    // Room for as many parameters as the line's storage has, so that the list
    // grows when it does and not at each new count.
    const int64_t size = std::max<int64_t>(entries, 2 * int64_t{p->param_size} + 2);
    // The list is filled afresh for each property: nothing in it is kept.
    void *grown = size <= INT32_MAX ? card_grow(p->param_list, p->inline_param_list, 0, static_cast<std::size_t>(size) * sizeof *p->param_list)
                                    : nullptr;
    if (!grown)
        return kFalse;
    p->param_list = static_cast<const char **>(grown);
    p->param_list_size = static_cast<int32_t>(size);
    return kTrue;
}

// ---- properties and values -------------------------------------------------------------

// Whether `token` is the upper-case ASCII `name`, in any case. Most tokens
// differ at their first byte, which is tried before the whole comparison.
inline bool card_token_is(const char *token, const char *name)
{
    return asciiUpper(static_cast<unsigned char>(token[0])) == static_cast<unsigned char>(name[0])
           && strcmpi(token, name) == 0;
}

// A parameter token that names an encoding selects it; so both 'ENCODING=BASE64'
// and a bare 'BASE64' parameter do, and a later parameter overrides an earlier one.
void card_detect_encoding(CARD_Parser p, const char *name, const char *value)
{
    const char *token = card_token_is(name, "ENCODING") ? value : name;
    if (!token)
        return;
    if (card_token_is(token, "QUOTED-PRINTABLE"))
        p->encoding = ENCODING_QUOTED_PRINTABLE;
    else if (card_token_is(token, "BASE64"))
        p->encoding = ENCODING_BASE64;
    else if (card_token_is(token, "8BIT"))
        p->encoding = ENCODING_8BIT;
}

// Reports the property whose ':' has just been read. The value then overwrites
// the name and parameters in the same buffer.
int32_t vcard_end_prop(CARD_Parser p)
{
    if (p->prop_handler) {
        // Unlike a dropped report, a failed allocation here is a failure: the
        // property would otherwise vanish while the parse claims success.
        if (!vcard_add_char_to_line(p, '\0') || !card_reserve_param_list(p, 2 * int64_t{p->param_count} + 2))
            return kFalse;
        const char **list = p->param_list;
        for (int32_t i = 0; i < p->param_count; ++i) {
            const char *name = p->line + p->params[i].name;
            const char *value = p->params[i].value ? p->line + p->params[i].value : nullptr;
            card_detect_encoding(p, name, value);
            list[2 * i] = name;
            list[2 * i + 1] = value;
        }
        list[2 * p->param_count] = nullptr;
        list[2 * p->param_count + 1] = nullptr;
        p->prop_handler(p->user_data, p->line, list);
    }
    p->line_len = 0;
    p->state = STATE_VALUE;
    return kTrue;
}

// The value of a hexadecimal digit; -1 for any other byte.
constexpr std::array<signed char, 256> makeHexValues()
{
    std::array<signed char, 256> values{};
    values.fill(-1);
    for (int i = 0; i < 10; ++i)
        values['0' + i] = static_cast<signed char>(i);
    for (int i = 0; i < 6; ++i)
        values['a' + i] = values['A' + i] = static_cast<signed char>(10 + i);
    return values;
}

constexpr std::array<signed char, 256> kHexValues = makeHexValues();

// The byte a quoted-printable escape "=XY" stands for, as sscanf's "%X" reads
// the pair in the C locale: leading whitespace skipped, then an optional sign,
// then the run of hexadecimal digits ("0x" alone is 0); 0 when no digit comes.
// sscanf itself cost a tenth of the whole tokenizer's time.
inline char card_escaped_byte(char first, char second)
{
    // Almost every escape is two digits, which need none of the rest.
    const int high = kHexValues[static_cast<unsigned char>(first)];
    const int low = kHexValues[static_cast<unsigned char>(second)];
    if (high >= 0 && low >= 0)
        return static_cast<char>(high * 16 + low);
    const char pair[2] = {first, second};
    int i = 0;
    while (i < 2 && isWhitespace(charClass(pair[i])))
        ++i;
    const bool negative = i < 2 && pair[i] == '-';
    if (i < 2 && (pair[i] == '+' || pair[i] == '-'))
        ++i;
    unsigned value = 0;
    for (; i < 2 && kHexValues[static_cast<unsigned char>(pair[i])] >= 0; ++i)
        value = value * 16 + static_cast<unsigned>(kHexValues[static_cast<unsigned char>(pair[i])]);
    return static_cast<char>((negative ? 0u - value : value) & 0xFF);
}

int32_t card_decode_quoted_printable(CARD_Parser p, char c)
{
    if (!p->qp_pending) {
        if (c != '=')
            return vcard_add_char_to_line(p, c);
        p->qp_pending = kTrue;
        card_clear_code(p);
        return kTrue;
    }
    if (p->code[0] == 0) {
        p->code[0] = c;
        return kTrue;
    }
    p->code[1] = c;
    p->code[2] = 0;
    p->qp_pending = kFalse;
    return vcard_add_char_to_line(p, card_escaped_byte(p->code[0], p->code[1]));
}

int32_t card_decode_base64_group(CARD_Parser p)
{
    const unsigned a = Base64ToOrd(p->code[0]);
    const unsigned b = Base64ToOrd(p->code[1]);
    const unsigned c = Base64ToOrd(p->code[2]);
    const unsigned d = Base64ToOrd(p->code[3]);
    if (a == 255 || b == 255)
        return kFalse;
    if (!vcard_add_char_to_line(p, static_cast<char>((a << 2 | b >> 4) & 0xFF)))
        return kFalse;
    if (p->code[2] == '=')
        return kTrue;
    if (c == 255 || !vcard_add_char_to_line(p, static_cast<char>((b << 4 | c >> 2) & 0xFF)))
        return kFalse;
    if (p->code[3] == '=')
        return kTrue;
    if (d == 255 || !vcard_add_char_to_line(p, static_cast<char>((c << 6 | d) & 0xFF)))
        return kFalse;
    return kTrue;
}

int32_t card_decode_base64(CARD_Parser p, char c)
{
    if (isWhitespace(charClass(c)))
        return kTrue;
    p->code[p->code_len++] = c;
    if (p->code_len < 4)
        return kTrue;
    // The group is spent whatever the outcome, so that a client that feeds on
    // after a failure can never index past it.
    const int32_t result = card_decode_base64_group(p);
    card_clear_code(p);
    return result;
}

int32_t card_decode_value_char(CARD_Parser p, char c)
{
    switch (p->encoding) {
    case ENCODING_QUOTED_PRINTABLE:
        return card_decode_quoted_printable(p, c);
    case ENCODING_BASE64:
        return card_decode_base64(p, c);
    default:
        return vcard_add_char_to_line(p, c);
    }
}

// Without a data callback value bytes are skipped, but a quoted-printable value
// still tracks its escapes: whether the line ends in a soft line break decides
// where the next line starts, and that must not depend on the callbacks.
int32_t card_skip_value_char(CARD_Parser p, char c)
{
    if (p->encoding != ENCODING_QUOTED_PRINTABLE)
        return kTrue;
    if (!p->qp_pending) {
        if (c == '=') {
            p->qp_pending = kTrue;
            card_clear_code(p);
        }
    } else if (p->code[0] == 0) {
        p->code[0] = c;
    } else {
        p->qp_pending = kFalse;
    }
    return kTrue;
}

bool card_holds_only_padding(CARD_Parser p)
{
    if (p->code_len == 0)
        return false;
    for (int32_t i = 0; i < p->code_len; ++i) {
        if (p->code[i] != '=')
            return false;
    }
    return true;
}

// The line feed that ends a logical line in STATE_VALUE.
int32_t vcard_end_value(CARD_Parser p)
{
    if (!p->data_handler) {
        vcard_clear_line(p);
        return kTrue;
    }
    if (p->encoding == ENCODING_BASE64 && card_holds_only_padding(p)) {
        // Surplus padding after the last complete group carries no data.
        card_clear_code(p);
    } else if (p->encoding == ENCODING_BASE64 && p->code_len > 0) {
        // Pad the unfinished group: two or three valid characters decode to one
        // or two bytes. A group that padding cannot mend (one character, a
        // leading '=' before data, an invalid character) is an error that fails
        // CARD_Parse; at most three pads are fed, and nothing beyond the group
        // is read.
        for (int32_t held = p->code_len; held < 4; ++held) {
            if (!card_decode_base64(p, '='))
                return kFalse;
        }
    }
    if (p->line_len > 0)
        p->data_handler(p->user_data, p->line, p->line_len);
    p->data_handler(p->user_data, nullptr, 0);
    vcard_clear_line(p);
    return kTrue;
}

// A logical line that ends before its ':' is dropped unreported, wherever it
// ends: joined to the next line it would take that line's property with it.
// Inside an open quoted value the ':' may already have gone by as text, so
// such a line is a broken property, and a failure, not a silent loss.
int32_t card_end_line_before_value(CARD_Parser p)
{
    const bool broken = p->state == STATE_PARAM_VALUE && p->in_quotes;
    vcard_clear_line(p);
    return broken ? kFalse : kTrue;
}

inline bool card_is_blank(char c)
{
    return charClass(c) == CC_SPACE;
}

// An unquoted parameter value ends here: blanks before its end go, as those
// after its '=' did (a closing quote is never a blank, so quoted text stays).
void card_trim_param_value(CARD_Parser p)
{
    const int32_t start = p->param_count > 0 ? p->params[p->param_count - 1].value : 0;
    while (p->line_len > start && card_is_blank(p->line[p->line_len - 1]))
        --p->line_len;
}

// A double quote opens a quoted string only where a value of the list begins:
// at the value's start (see STATE_PARAM_VALUE_START) or after a ','. Elsewhere
// ('a"b') it is text, so a ':' after it still ends the parameters.
bool card_quote_opens(CARD_Parser p)
{
    const int32_t start = p->param_count > 0 ? p->params[p->param_count - 1].value : 0;
    int32_t i = p->line_len;
    while (i > start && card_is_blank(p->line[i - 1]))
        --i;
    return i > start && p->line[i - 1] == ',';
}

// The line machine: one byte of a logical line. Returns kTrue to go on, kFalse
// on failure. Inlined where it is called: most calls take one of its short
// paths, and the saving and restoring of registers around a call was a
// fifth of its cost (7% fewer instructions over the corpus, inlined).
[[gnu::always_inline]] inline int32_t vcard_process_char(CARD_Parser p, char c)
{
    const CharClass cc = charClass(c);
    if (p->state != STATE_VALUE) {
        // Before its ':' a line that ends is dropped; CR never enters the line,
        // nor does whitespace outside a parameter's value.
        if (cc == CC_LF)
            return card_end_line_before_value(p);
        // A quoted string keeps every byte but the line end: a CR inside it is text.
        const bool quoted = p->state == STATE_PARAM_VALUE && p->in_quotes;
        if ((cc == CC_CR && !quoted) || (cc == CC_SPACE && p->state != STATE_PARAM_VALUE))
            return kTrue;
    }
    switch (p->state) {
    case STATE_NAME:
        switch (cc) {
        case CC_COLON:
            return vcard_end_prop(p);
        case CC_SEMICOLON:
            p->state = STATE_PARAM_START;
            return vcard_add_char_to_line(p, '\0');
        default:
            return vcard_add_char_to_line(p, c);
        }

    case STATE_PARAM_START:
        switch (cc) {
        case CC_COLON: // 'NAME;:value'
            vcard_clear_line(p);
            return kFalse;
        default:
            if (!card_add_param(p, p->line_len))
                return kFalse;
            p->state = STATE_PARAM_NAME;
            return vcard_add_char_to_line(p, c);
        }

    case STATE_PARAM_NAME:
        switch (cc) {
        case CC_SEMICOLON: // a parameter without value
            p->state = STATE_PARAM_START;
            return vcard_add_char_to_line(p, '\0');
        case CC_EQUALS:
            p->state = STATE_PARAM_VALUE_START;
            return vcard_add_char_to_line(p, '\0');
        case CC_COLON:
            return vcard_end_prop(p);
        default:
            return vcard_add_char_to_line(p, c);
        }

    case STATE_PARAM_VALUE_START:
        switch (cc) {
        case CC_COLON: // an empty parameter value
        case CC_SEMICOLON:
            vcard_clear_line(p);
            return kFalse;
        default:
            if (cc == CC_QUOTE)
                p->in_quotes = kTrue; // the opening quote is kept in the value
            card_set_paramvalue(p, p->line_len);
            p->state = STATE_PARAM_VALUE;
            return vcard_add_char_to_line(p, c);
        }

    case STATE_PARAM_VALUE:
        if (p->in_quotes) {
            // A quoted string is text up to its closing quote: ':', ';',
            // backslashes and whitespace included ('DELEGATED-TO="mailto:a@b"').
            if (cc == CC_QUOTE) // quotes are kept in the value
                p->in_quotes = kFalse;
            return vcard_add_char_to_line(p, c);
        }
        switch (cc) {
        case CC_COLON: // also after a backslash
            card_trim_param_value(p);
            return vcard_end_prop(p);
        case CC_SEMICOLON:
            if (p->escaped) {
                p->escaped = kFalse;
                return vcard_add_char_to_line(p, c);
            }
            card_trim_param_value(p);
            p->state = STATE_PARAM_START;
            return vcard_add_char_to_line(p, '\0');
        case CC_QUOTE:
            if (p->escaped)
                p->escaped = kFalse;
            else if (card_quote_opens(p))
                p->in_quotes = kTrue;
            return vcard_add_char_to_line(p, c);
        case CC_BACKSLASH:
            if (!p->escaped) {
                p->escaped = kTrue;
                return kTrue;
            }
            p->escaped = kFalse;
            return vcard_add_char_to_line(p, c);
        default:
            // Inner whitespace is text too ('CN=Jane Doe'); blanks at the end
            // go when the value ends. A backslash applies to the next byte
            // only: a sticky escape would swallow a later parameter's ';'.
            p->escaped = kFalse;
            return vcard_add_char_to_line(p, c);
        }

    case STATE_VALUE:
        switch (cc) {
        case CC_LF:
            return vcard_end_value(p);
        case CC_CR:
            return kTrue;
        case CC_SPACE:
            if (p->skip_space)
                return kTrue;
            break;
        default:
            break;
        }
        p->skip_space = kFalse;
        return p->data_handler ? card_decode_value_char(p, c) : card_skip_value_char(p, c);

    default:
        return kTrue;
    }
}

// A quoted-printable value whose physical line ended in '=' (a soft line break)
// continues on the next line, which carries no fold marker in vCard 2.1.
bool card_in_soft_line_break(CARD_Parser p)
{
    return p->state == STATE_VALUE && p->encoding == ENCODING_QUOTED_PRINTABLE && p->qp_pending
           && p->code[0] == 0;
}

// ---- runs of bytes -----------------------------------------------------------------------
//
// Most bytes need no decision: the letters of a name, a parameter's text, a
// value up to its line end, a quoted-printable escape, the line end itself.
// These take such runs in bulk, with exactly the result the line machine gives
// one byte at a time: the runs stop before every byte the machine treats other
// than by appending it, and hand the bytes between runs to it. This is where
// the tokenizer's speed comes from; the fuzzer and the tests hold it to the
// byte-at-a-time result.

// Which bytes a run takes, by the context of the line machine.
enum RunKind : unsigned char {
    RUN_NAME,          // STATE_NAME, STATE_PARAM_NAME: anything but the classes with a meaning
    RUN_PARAM_VALUE,   // STATE_PARAM_VALUE outside quotes: blanks and '=' are text too
    RUN_QUOTED,        // STATE_PARAM_VALUE inside quotes: anything but '"' and the line feed
    RUN_QP_VALUE,      // a quoted-printable value between escapes: anything but '=', CR and LF
    RUN_PLAIN_VALUE,   // a plain or 8bit value: anything but CR and LF
    RUN_KINDS,
};

constexpr bool runTakes(RunKind kind, CharClass cc)
{
    switch (kind) {
    case RUN_NAME:
        return cc == CC_OTHER;
    case RUN_PARAM_VALUE:
        return cc == CC_OTHER || cc == CC_SPACE || cc == CC_EQUALS;
    case RUN_QUOTED:
        return cc != CC_QUOTE && cc != CC_LF;
    case RUN_QP_VALUE:
        return cc != CC_EQUALS && cc != CC_CR && cc != CC_LF;
    case RUN_PLAIN_VALUE:
        return cc != CC_CR && cc != CC_LF;
    default:
        return false;
    }
}

// The bytes that end a run of each kind, spelt out for the vector scan.
template <RunKind kind>
struct RunStops;
template <>
struct RunStops<RUN_NAME>
{
    static constexpr char bytes[] = {'\n', '\r', ' ', '\t', '\v', '\f', ':', ';', '=', '"', '\\'};
};
template <>
struct RunStops<RUN_PARAM_VALUE>
{
    static constexpr char bytes[] = {'\n', '\r', ':', ';', '"', '\\'};
};
template <>
struct RunStops<RUN_QUOTED>
{
    static constexpr char bytes[] = {'\n', '"'};
};
template <>
struct RunStops<RUN_QP_VALUE>
{
    static constexpr char bytes[] = {'\n', '\r', '='};
};
template <>
struct RunStops<RUN_PLAIN_VALUE>
{
    static constexpr char bytes[] = {'\n', '\r'};
};

// The stop bytes and the line machine's classes must agree byte for byte: the
// runs would otherwise part from the byte-at-a-time result.
template <RunKind kind>
constexpr bool stopsMatchClasses()
{
    for (int b = 0; b < 256; ++b) {
        bool stops = false;
        for (const char s : RunStops<kind>::bytes)
            stops = stops || static_cast<unsigned char>(s) == b;
        if (stops == runTakes(kind, kCharClass[static_cast<std::size_t>(b)]))
            return false;
    }
    return true;
}

static_assert(stopsMatchClasses<RUN_NAME>() && stopsMatchClasses<RUN_PARAM_VALUE>()
              && stopsMatchClasses<RUN_QUOTED>() && stopsMatchClasses<RUN_QP_VALUE>()
              && stopsMatchClasses<RUN_PLAIN_VALUE>());

#if defined(__SSE2__)
template <RunKind kind, std::size_t... I>
inline int card_stop_mask(__m128i block, std::index_sequence<I...>)
{
    __m128i hits = _mm_setzero_si128();
    ((hits = _mm_or_si128(hits, _mm_cmpeq_epi8(block, _mm_set1_epi8(RunStops<kind>::bytes[I])))), ...);
    return _mm_movemask_epi8(hits);
}

// The same for a name, whose eleven stop bytes take seven comparisons instead:
// '\t' to '\r' are one range, and ':' ';' and ' ' '"' differ in one bit each.
inline int card_name_stop_mask(__m128i block)
{
    const __m128i fromTab = _mm_sub_epi8(block, _mm_set1_epi8('\t'));
    const __m128i controls = _mm_cmpeq_epi8(_mm_min_epu8(fromTab, _mm_set1_epi8('\r' - '\t')), fromTab);
    const __m128i colons = _mm_cmpeq_epi8(_mm_or_si128(block, _mm_set1_epi8(':' ^ ';')), _mm_set1_epi8(';'));
    const __m128i blanksAndQuotes = _mm_cmpeq_epi8(_mm_or_si128(block, _mm_set1_epi8(' ' ^ '"')), _mm_set1_epi8('"'));
    const __m128i others = _mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('=')), _mm_cmpeq_epi8(block, _mm_set1_epi8('\\')));
    return _mm_movemask_epi8(_mm_or_si128(_mm_or_si128(controls, colons), _mm_or_si128(blanksAndQuotes, others)));
}
#endif

// The length of the leading bytes of `data` that a run of `kind` takes: sixteen
// bytes at a time where SSE2 is there (always on x86-64), a byte at a time for
// the rest and elsewhere.
template <RunKind kind>
std::size_t card_run_length(const char *data, std::size_t length)
{
    std::size_t run = 0;
#if defined(__SSE2__)
    constexpr auto stops = std::make_index_sequence<std::size(RunStops<kind>::bytes)>();
    for (; run + 16 <= length; run += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + run));
        const int mask = kind == RUN_NAME ? card_name_stop_mask(block) : card_stop_mask<kind>(block, stops);
        if (mask != 0)
            return run + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    }
#endif
    while (run < length && runTakes(kind, charClass(data[run])))
        ++run;
    return run;
}

// Appends the first `run` of the `length` bytes of `data` to the line and sets
// `taken` to `run`; nothing (and `taken` untouched) for an empty run.
inline int32_t card_append_run(CARD_Parser p, const char *data, std::size_t run, std::size_t length, std::size_t *taken)
{
    if (run == 0)
        return kTrue;
    if (run > static_cast<std::size_t>(p->line_size - p->line_len) && !card_reserve_line(p, run))
        return kFalse;
    char *to = p->line + p->line_len;
    // Most runs are short (a name, a parameter): one fixed 16-byte copy where
    // both sides have the room costs less than a call; the bytes past the run
    // land in the unused part of the buffer.
    constexpr std::size_t Block = 16;
    if (run <= Block && length >= Block && static_cast<std::size_t>(p->line_size - p->line_len) >= Block)
        std::memcpy(to, data, Block);
    else
        std::memcpy(to, data, run);
    p->line_len += static_cast<int32_t>(run);
    *taken = run;
    return kTrue;
}

// Appends the leading bytes of `data` that `kind` takes; sets `taken` to their count.
template <RunKind kind>
int32_t card_take_run(CARD_Parser p, const char *data, std::size_t length, std::size_t *taken)
{
    return card_append_run(p, data, card_run_length<kind>(data, length), length, taken);
}

// Each base64 character's bits placed where they go in its group's three
// decoded bytes, by its place in the group; the bytes lie in memory order in
// the low three bytes of a little-endian word. Outside the alphabet (the pad
// included) the top bit marks the group as undecodable.
constexpr uint32_t kBase64Invalid = 0x80000000u;

constexpr std::array<std::array<uint32_t, 256>, 4> makeBase64Placed()
{
    std::array<std::array<uint32_t, 256>, 4> placed{};
    for (std::size_t c = 0; c < 256; ++c) {
        const uint32_t v = kBase64Values[c];
        if (v > 63) {
            for (auto &table : placed)
                table[c] = kBase64Invalid;
            continue;
        }
        placed[0][c] = v << 2;
        placed[1][c] = v >> 4 | (v & 0xF) << 12;
        placed[2][c] = (v >> 2) << 8 | (v & 0x3) << 22;
        placed[3][c] = v << 16;
    }
    return placed;
}

constexpr std::array<std::array<uint32_t, 256>, 4> kBase64Placed = makeBase64Placed();

#if defined(__SSE2__)
// Decodes whole blocks of sixteen alphabet characters (four groups) from `in`
// into `out`, twelve bytes each, with a 16-byte store (room for 3 * groups + 4
// bytes past the last block), stopping before the first block that holds a byte
// outside the alphabet; returns the groups decoded. The classification by
// nibble lookups and the packing by multiply-add are Muła and Lemire's ("Faster
// Base64 Encoding and Decoding Using AVX2 Instructions", 2018), in SSSE3: four
// groups in about fifteen instructions, where the tables take four loads a group.
[[gnu::target("ssse3")]] std::size_t card_decode_base64_blocks_ssse3(const unsigned char *in, std::size_t groups, unsigned char *out)
{
    const __m128i lowNibbleClasses = _mm_setr_epi8(0x15, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x13, 0x1A, 0x1B,
                                                   0x1B, 0x1B, 0x1A);
    const __m128i highNibbleClasses = _mm_setr_epi8(0x10, 0x10, 0x01, 0x02, 0x04, 0x08, 0x04, 0x08, 0x10, 0x10, 0x10, 0x10, 0x10,
                                                    0x10, 0x10, 0x10);
    const __m128i offsets = _mm_setr_epi8(0, 16, 19, 4, -65, -65, -71, -71, 0, 0, 0, 0, 0, 0, 0, 0);
    const __m128i slash = _mm_set1_epi8(0x2F); // also the nibble mask: pshufb reads bits 0-3 and 7
    const __m128i gather = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
    std::size_t done = 0;
    for (; groups - done >= 4; done += 4) {
        __m128i chars = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + 4 * done));
        const __m128i highNibbles = _mm_and_si128(_mm_srli_epi32(chars, 4), slash);
        const __m128i classes = _mm_and_si128(_mm_shuffle_epi8(lowNibbleClasses, _mm_and_si128(chars, slash)),
                                              _mm_shuffle_epi8(highNibbleClasses, highNibbles));
        if (_mm_movemask_epi8(_mm_cmpgt_epi8(classes, _mm_setzero_si128())) != 0)
            break;
        const __m128i offset = _mm_shuffle_epi8(offsets, _mm_add_epi8(_mm_cmpeq_epi8(chars, slash), highNibbles));
        chars = _mm_add_epi8(chars, offset); // each byte now its six bits
        const __m128i pairs = _mm_maddubs_epi16(chars, _mm_set1_epi32(0x01400140));
        const __m128i words = _mm_madd_epi16(pairs, _mm_set1_epi32(0x00011000));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 3 * done), _mm_shuffle_epi8(words, gather));
    }
    return done;
}

bool card_has_ssse3()
{
    static const bool has = (__builtin_cpu_init(), __builtin_cpu_supports("ssse3"));
    return has;
}
#endif

// Decodes up to `groups` whole groups from `in` into `out` (room for 3 * groups
// + 4 bytes), stopping before the first group that holds a byte outside the
// alphabet; returns the groups decoded.
std::size_t card_decode_base64_groups(const unsigned char *in, std::size_t groups, unsigned char *out)
{
    std::size_t done = 0;
#if defined(__SSE2__)
    if (card_has_ssse3())
        done = card_decode_base64_blocks_ssse3(in, groups, out);
#endif
    for (; done < groups; ++done) {
        const unsigned char *g = in + 4 * done;
        const uint32_t word = kBase64Placed[0][g[0]] | kBase64Placed[1][g[1]] | kBase64Placed[2][g[2]]
                              | kBase64Placed[3][g[3]];
        if (word & kBase64Invalid)
            break;
        unsigned char *to = out + 3 * done;
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(to, &word, 4); // the fourth byte is the next group's, or spare
        } else {
            to[0] = static_cast<unsigned char>(word & 0xFF);
            to[1] = static_cast<unsigned char>(word >> 8 & 0xFF);
            to[2] = static_cast<unsigned char>(word >> 16 & 0xFF);
        }
    }
    return done;
}

// A base64 value between groups: complete groups of four alphabet characters,
// decoded block by block on the stack, then appended. Anything else
// (whitespace, padding, a line end, a bad byte) is left to the line machine.
int32_t card_take_base64_run(CARD_Parser p, const char *data, std::size_t length, std::size_t *taken)
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(data);
    constexpr std::size_t BlockGroups = 64;
    unsigned char block[3 * BlockGroups + 4];
    std::size_t groups = 0;
    for (bool more = true; more;) {
        const std::size_t available = std::min(BlockGroups, (length - 4 * groups) / 4);
        const std::size_t inBlock = card_decode_base64_groups(bytes + 4 * groups, available, block);
        more = inBlock == BlockGroups;
        if (inBlock == 0)
            break;
        if (!card_reserve_line(p, 3 * inBlock))
            return kFalse;
        std::memcpy(p->line + p->line_len, block, 3 * inBlock);
        p->line_len += static_cast<int32_t>(3 * inBlock);
        groups += inBlock;
    }
    *taken = 4 * groups;
    return kTrue;
}

// The bytes of a fold ("\r\n " or "\n ", a tab as well as a space) at the start
// of `data` inside a plain or base64 value, when the byte after it is there and
// is no line feed: the line machine would drop the CR, hold the line feed, take
// the blank as the fold marker and go on with the value at the next byte,
// changing nothing else. 0 otherwise.
std::size_t card_fold_length(const char *data, std::size_t length)
{
    const std::size_t i = data[0] == '\r' ? 1 : 0;
    if (i + 2 >= length || data[i] != '\n' || charClass(data[i + 1]) != CC_SPACE || data[i + 2] == '\n')
        return 0;
    return i + 2;
}

// An escape of two hexadecimal digits ("=4A") at the start of `data`, decoded
// and appended, with the record left as the line machine leaves it after its
// three bytes. Returns 3, 0 when `data` starts otherwise (the machine reads
// it), -1 when the buffer cannot grow.
int32_t card_take_qp_escape(CARD_Parser p, const char *data, std::size_t length)
{
    if (length < 3 || data[0] != '=' || kHexValues[static_cast<unsigned char>(data[1])] < 0
        || kHexValues[static_cast<unsigned char>(data[2])] < 0)
        return 0;
    card_clear_code(p);
    p->code[0] = data[1];
    p->code[1] = data[2];
    if (!vcard_add_char_to_line(p, card_escaped_byte(data[1], data[2])))
        return -1;
    return 3;
}

// The blanks that open a value are dropped, as the line machine drops them
// while `skip_space` holds; the value's first other byte (not a line end) ends
// that. Returns the blanks' count.
std::size_t card_skip_leading_blanks(CARD_Parser p, const char *data, std::size_t length)
{
    std::size_t blanks = 0;
    while (blanks < length && charClass(data[blanks]) == CC_SPACE)
        ++blanks;
    if (blanks < length && !isWhitespace(charClass(data[blanks])))
        p->skip_space = kFalse;
    return blanks;
}

int32_t card_take_value_run(CARD_Parser p, const char *data, std::size_t length, std::size_t *taken)
{
    if (!p->data_handler)
        return kTrue;
    std::size_t at = p->skip_space ? card_skip_leading_blanks(p, data, length) : 0;
    if (p->skip_space) {
        *taken = at;
        return kTrue;
    }
    if (p->encoding == ENCODING_QUOTED_PRINTABLE) {
        while (!p->qp_pending) {
            std::size_t run = 0;
            if (!card_take_run<RUN_QP_VALUE>(p, data + at, length - at, &run))
                return kFalse;
            at += run;
            const int32_t escape = card_take_qp_escape(p, data + at, length - at);
            if (escape <= 0) {
                if (escape < 0)
                    return kFalse;
                break;
            }
            at += static_cast<std::size_t>(escape);
        }
        *taken = at;
        return kTrue;
    }
    // A long value, a photograph most often, goes on over many folded lines:
    // the run goes on across the folds.
    for (;;) {
        std::size_t run = 0;
        if (p->encoding != ENCODING_BASE64) {
            if (!card_take_run<RUN_PLAIN_VALUE>(p, data + at, length - at, &run))
                return kFalse;
        } else if (p->code_len == 0 && !card_take_base64_run(p, data + at, length - at, &run)) {
            return kFalse;
        }
        at += run;
        const std::size_t fold = at < length ? card_fold_length(data + at, length - at) : 0;
        if (fold == 0)
            break;
        at += fold;
        p->folded = kTrue; // as the line machine leaves it after a fold
    }
    *taken = at;
    return kTrue;
}

// Sets `taken` to the bytes of `data` one run took; kFalse when the buffer cannot grow.
int32_t card_take_state_run(CARD_Parser p, const char *data, std::size_t length, std::size_t *taken)
{
    switch (p->state) {
    case STATE_NAME:
    case STATE_PARAM_NAME:
        return card_take_run<RUN_NAME>(p, data, length, taken);
    case STATE_PARAM_VALUE:
        if (p->in_quotes)
            return card_take_run<RUN_QUOTED>(p, data, length, taken);
        if (!card_take_run<RUN_PARAM_VALUE>(p, data, length, taken))
            return kFalse;
        if (*taken > 0)
            p->escaped = kFalse; // as each of the run's bytes did
        return kTrue;
    case STATE_VALUE:
        return card_take_value_run(p, data, length, taken);
    default:
        return kTrue;
    }
}

// The bytes of a line end ("\r\n" or "\n") at the start of `data` that ends
// the value's logical line: the byte after it is there and is neither a fold
// marker nor the line feed of an empty line, and no soft line break is
// pending. The line machine would drop the CR, hold the line feed, then deliver
// it at that byte and end the value. 0 otherwise.
std::size_t card_value_end_length(CARD_Parser p, const char *data, std::size_t length)
{
    const std::size_t i = data[0] == '\r' ? 1 : 0;
    if (i + 1 >= length || data[i] != '\n' || isWhitespace(charClass(data[i + 1])) || card_in_soft_line_break(p))
        return 0;
    return i + 1;
}

// Sets `taken` to the bytes of `data` read within logical lines: runs, the
// bytes between them (handed to the line machine as the line assembly would
// hand them over) and the line ends of values, so that the next line follows
// in the same call. Stops at a line feed it cannot settle; kFalse on failure.
int32_t card_take_any_run(CARD_Parser p, const char *data, std::size_t length, std::size_t *taken)
{
    *taken = 0;
    if (p->after_newline)
        return kTrue;
    std::size_t at = 0;
    for (;;) {
        std::size_t run = 0;
        if (!card_take_state_run(p, data + at, length - at, &run))
            return kFalse;
        at += run;
        if (at == length)
            break;
        const std::size_t end = p->state == STATE_VALUE ? card_value_end_length(p, data + at, length - at) : 0;
        if (end > 0) {
            at += end;
            p->folded = kFalse;
            if (!vcard_end_value(p))
                return kFalse;
            continue;
        }
        if (data[at] == '\n')
            break;
        if (!vcard_process_char(p, data[at]))
            return kFalse;
        ++at;
    }
    *taken = at;
    return kTrue;
}

// Line assembly: physical lines are joined into logical lines before the line
// machine sees them. A line feed is held back until the next byte shows whether
// the following line continues this one (it begins with whitespace, whose first
// byte is dropped) or starts a new one (the line feed is delivered then).
// Without runs every byte goes through the line machine: the reference the
// runs are held to.
template <bool takeRuns>
int card_parse(CARD_Parser p, const char *data, std::size_t length, int isFinal)
{
    std::size_t i = 0;
    while (i < length) {
        if constexpr (takeRuns) {
            std::size_t taken = 0;
            if (!card_take_any_run(p, data + i, length - i, &taken))
                return kFalse;
            i += taken;
            if (i == length)
                break;
        }
        const char c = data[i++];
        if (p->after_newline) {
            if (c == '\n') {
                // An empty line, or one that held only its fold marker: nothing
                // continues across it, so the next line's first byte decides
                // afresh, and a pending soft line break ends here.
                p->folded = kFalse;
                if (p->encoding == ENCODING_QUOTED_PRINTABLE)
                    p->qp_pending = kFalse;
                continue;
            }
            if (!p->folded && card_in_soft_line_break(p)) {
                // The '=' of a soft line break is dropped with the line end, and
                // the next line continues the value as it stands: its leading
                // whitespace is text, not a fold marker (RFC 2045).
                p->after_newline = kFalse;
                p->qp_pending = kFalse;
            } else if (!p->folded && isWhitespace(charClass(c))) {
                p->folded = kTrue;
                continue;
            } else {
                p->after_newline = kFalse;
                if (p->folded) {
                    // A fold drops the pending '=' of a quoted-printable escape.
                    if (p->encoding == ENCODING_QUOTED_PRINTABLE)
                        p->qp_pending = kFalse;
                } else if (!vcard_process_char(p, '\n')) {
                    return kFalse;
                }
            }
        } else if (c == '\n') {
            // The CR of a CRLF line end inside a quoted string belongs to the
            // line end (a fold may follow), not to the text.
            if (p->state == STATE_PARAM_VALUE && p->in_quotes && p->line_len > 0 && p->line[p->line_len - 1] == '\r')
                --p->line_len;
            p->after_newline = kTrue;
            p->folded = kFalse;
            continue;
        }
        if (!vcard_process_char(p, c))
            return kFalse;
    }
    if (isFinal && !vcard_process_char(p, '\n'))
        return kFalse;
    return kTrue;
}

} // namespace

const char *CARD_ParserVersion()
{
    return "1.0";
}

CARD_Parser CARD_ParserCreate()
{
    auto *p = static_cast<CARD_Parser>(std::calloc(1, sizeof(CARD_ParserStruct)));
    if (!p)
        return nullptr;
    p->after_newline = kTrue;
    p->folded = kFalse;
    p->line = p->inline_line;
    p->line_size = CARD_ParserStruct::kInlineLineSize;
    p->params = p->inline_params;
    p->param_size = CARD_ParserStruct::kInlineParamSize;
    p->param_list = p->inline_param_list;
    p->param_list_size = CARD_ParserStruct::kInlineParamListSize;
    vcard_clear_line(p);
    return p;
}

void CARD_ParserFree(CARD_Parser parser)
{
    if (!parser)
        return;
    card_release(parser->line, parser->inline_line);
    card_release(parser->params, parser->inline_params);
    card_release(parser->param_list, parser->inline_param_list);
    std::free(parser);
}

void CARD_SetUserData(CARD_Parser parser, void *userData)
{
    parser->user_data = userData;
}

void *CARD_GetUserData(CARD_Parser parser)
{
    return parser->user_data;
}

void CARD_SetPropHandler(CARD_Parser parser, CARD_PropHandler handler)
{
    parser->prop_handler = handler;
}

void CARD_SetDataHandler(CARD_Parser parser, CARD_DataHandler handler)
{
    parser->data_handler = handler;
}

int CARD_Parse(CARD_Parser p, const char *data, std::size_t length, int isFinal)
{
    return card_parse<true>(p, data, length, isFinal);
}

int CARD_ParseByteByByte(CARD_Parser p, const char *data, std::size_t length, int isFinal)
{
    return card_parse<false>(p, data, length, isFinal);
}
