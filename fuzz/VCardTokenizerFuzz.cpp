// Feeds the vCard tokenizer the same text whole and in chunks whose sizes come
// from the input, and checks that both give the same result and the same
// callbacks as the line machine alone, every byte on its own (no runs taken);
// without a data callback the properties must not change either.
//
// Input: byte 0 = n, then (n % 4) + 1 chunk sizes (byte value, 0 meaning 1),
// used in turn; the rest is the text.

#include "CardParser.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

// FNV-1a over the callback stream.
struct Digest
{
    uint64_t hash = 14695981039346656037ull;
    uint64_t properties = 14695981039346656037ull;

    static void mix(uint64_t &h, const void *bytes, std::size_t length)
    {
        const auto *b = static_cast<const unsigned char *>(bytes);
        for (std::size_t i = 0; i < length; ++i)
            h = (h ^ b[i]) * 1099511628211ull;
    }
    static void mixString(uint64_t &h, const char *s)
    {
        if (!s) {
            mix(h, "\xFF", 1);
            return;
        }
        std::size_t n = 0;
        while (s[n])
            ++n;
        mix(h, s, n + 1);
    }

    static void property(void *userData, const char *name, const char **params)
    {
        auto *d = static_cast<Digest *>(userData);
        if (!name || !params)
            std::abort();
        for (uint64_t *h : {&d->hash, &d->properties}) {
            mix(*h, "P", 1);
            mixString(*h, name);
            for (const char **p = params; p[0]; p += 2) {
                mixString(*h, p[0]);
                mixString(*h, p[1]);
            }
        }
        std::size_t pairs = 0;
        while (params[2 * pairs])
            ++pairs;
        if (params[2 * pairs + 1])
            std::abort(); // the list ends with two null pointers
    }

    static void data(void *userData, const char *bytes, int length)
    {
        auto *d = static_cast<Digest *>(userData);
        if (!bytes) {
            if (length != 0)
                std::abort();
            mix(d->hash, "E", 1);
            return;
        }
        if (length <= 0)
            std::abort();
        mix(d->hash, "D", 1);
        mix(d->hash, bytes, static_cast<std::size_t>(length));
    }
};

struct Outcome
{
    int result;
    Digest digest;
};

Outcome tokenize(const char *text, std::size_t size, const std::vector<std::size_t> &chunks, bool withData,
                 bool withRuns = true)
{
    const auto parse = withRuns ? &CARD_Parse : &CARD_ParseByteByByte;
    Outcome outcome{-1, {}};
    CARD_Parser parser = CARD_ParserCreate();
    if (!parser)
        std::abort();
    CARD_SetUserData(parser, &outcome.digest);
    CARD_SetPropHandler(parser, &Digest::property);
    if (withData)
        CARD_SetDataHandler(parser, &Digest::data);
    std::size_t offset = 0;
    for (std::size_t i = 0; offset < size && outcome.result; ++i) {
        const std::size_t chunk = chunks.empty() ? size : chunks[i % chunks.size()];
        const std::size_t length = chunk < size - offset ? chunk : size - offset;
        outcome.result = parse(parser, text + offset, length, 0);
        offset += length;
    }
    if (outcome.result) {
        outcome.result = parse(parser, nullptr, 0, 1);
    } else {
        // A client that feeds on after a failure must stay within the record;
        // what it reports then is not compared.
        Digest ignored;
        CARD_SetUserData(parser, &ignored);
        CARD_Parse(parser, text, size, 1);
    }
    CARD_ParserFree(parser);
    return outcome;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::size_t count = data[0] % 4 + 1;
    if (size < 1 + count)
        return 0;
    std::vector<std::size_t> chunks;
    for (std::size_t i = 0; i < count; ++i)
        chunks.push_back(data[1 + i] ? data[1 + i] : 1);
    const char *text = reinterpret_cast<const char *>(data + 1 + count);
    const std::size_t length = size - 1 - count;

    const Outcome whole = tokenize(text, length, {}, true);
    const Outcome chunked = tokenize(text, length, chunks, true);
    if (whole.result != chunked.result || whole.digest.hash != chunked.digest.hash)
        std::abort();
    const Outcome reference = tokenize(text, length, {}, true, false);
    if (whole.result != reference.result || whole.digest.hash != reference.digest.hash)
        std::abort();
    if (whole.result) {
        const Outcome withoutData = tokenize(text, length, chunks, false);
        if (!withoutData.result || withoutData.digest.properties != whole.digest.properties)
            std::abort();
    }
    return 0;
}
