#include "Rc5.h"

#include <openssl/crypto.h>

#include <algorithm>
#include <bit>

namespace {

// The magic constants for 32-bit words: Odd((e - 2) * 2^32) and Odd((phi - 1) * 2^32).
constexpr std::uint32_t P32 = 0xB7E15163;
constexpr std::uint32_t Q32 = 0x9E3779B9;

std::uint32_t load(const std::uint8_t *p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

void store(std::uint32_t word, std::uint8_t *p)
{
    for (int i = 0; i < 4; ++i)
        p[i] = std::uint8_t(word >> (8 * i));
}

} // namespace

Rc5::Rc5(QByteArrayView key, int rounds)
    : m_rounds(std::clamp(rounds, 1, 255))
    , m_table(std::size_t(2 * (m_rounds + 1)))
{
    const auto length = std::size_t(std::min<qsizetype>(key.size(), 255));
    // The key as little-endian words, at least one.
    std::vector<std::uint32_t> words(std::max<std::size_t>(1, (length + 3) / 4), 0);
    for (std::size_t i = length; i-- > 0;)
        words[i / 4] = (words[i / 4] << 8) + std::uint8_t(key[qsizetype(i)]);
    m_table[0] = P32;
    for (std::size_t i = 1; i < m_table.size(); ++i)
        m_table[i] = m_table[i - 1] + Q32;
    std::uint32_t a = 0, b = 0;
    const std::size_t mixes = 3 * std::max(m_table.size(), words.size());
    for (std::size_t k = 0, i = 0, j = 0; k < mixes; ++k, i = (i + 1) % m_table.size(), j = (j + 1) % words.size()) {
        a = m_table[i] = std::rotl(m_table[i] + a + b, 3);
        b = words[j] = std::rotl(words[j] + a + b, int((a + b) & 31));
    }
    OPENSSL_cleanse(words.data(), words.size() * sizeof(std::uint32_t));
}

Rc5::~Rc5()
{
    OPENSSL_cleanse(m_table.data(), m_table.size() * sizeof(std::uint32_t));
}

void Rc5::encryptBlock(const std::uint8_t *in, std::uint8_t *out) const
{
    std::uint32_t a = load(in) + m_table[0];
    std::uint32_t b = load(in + 4) + m_table[1];
    for (int i = 1; i <= m_rounds; ++i) {
        a = std::rotl(a ^ b, int(b & 31)) + m_table[std::size_t(2 * i)];
        b = std::rotl(b ^ a, int(a & 31)) + m_table[std::size_t(2 * i + 1)];
    }
    store(a, out);
    store(b, out + 4);
}

void Rc5::decryptBlock(const std::uint8_t *in, std::uint8_t *out) const
{
    std::uint32_t a = load(in);
    std::uint32_t b = load(in + 4);
    for (int i = m_rounds; i >= 1; --i) {
        b = std::rotr(b - m_table[std::size_t(2 * i + 1)], int(a & 31)) ^ a;
        a = std::rotr(a - m_table[std::size_t(2 * i)], int(b & 31)) ^ b;
    }
    store(a - m_table[0], out);
    store(b - m_table[1], out + 4);
}
