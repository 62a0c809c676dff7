#pragma once

#include <QByteArrayView>

#include <cstdint>
#include <vector>

/// The RC5-32 block cipher (64-bit blocks, 32-bit words) with a key of 0 to 255 bytes and
/// a chosen number of rounds, as Rivest published it. OpenSSL 3 as Debian builds it has
/// no RC5, and the original service used 16 rounds where OpenSSL's would default to 12.
class Rc5
{
public:
    static constexpr int BlockSize = 8;

    /// Expands `key` (at most 255 bytes are used) for `rounds` rounds (1 to 255).
    Rc5(QByteArrayView key, int rounds);
    ~Rc5();
    Rc5(const Rc5 &) = delete;
    Rc5 &operator=(const Rc5 &) = delete;

    /// Enciphers or deciphers one block; `in` and `out` may be the same.
    void encryptBlock(const std::uint8_t *in, std::uint8_t *out) const;
    void decryptBlock(const std::uint8_t *in, std::uint8_t *out) const;

private:
    int m_rounds;
    std::vector<std::uint32_t> m_table; // the expanded key S, 2 × (rounds + 1) words
};
