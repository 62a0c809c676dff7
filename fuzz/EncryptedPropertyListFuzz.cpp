// Decrypt-and-parse, as the encrypted property-list readers run it: any bytes under any
// password give a value or none, never a crash, a hang or a read past the buffer. The first
// byte chooses: bit 0 whether the rest is a file to decrypt (0) or a plaintext that is first
// encrypted and then damaged (1); bits 1-2 the password; bit 3 the 256-bit key; the high
// nibble where the damage goes. A plaintext must come back from its own ciphertext exactly.
// The keys are derived once (a thousand rounds of PBKDF2 would be most of every run); one
// input in sixteen also goes through the whole reader, derivation included.

#include "Cdsa.h"
#include "DataEncrypted.h"

#include "platform/plist/PropertyList.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

const char *const passwords[] = {"password", "", "p\xc3\xa4ssword", "other"};

struct Keys
{
    CSSM_CSP_HANDLE module;
    std::array<CSSM_KEY, 8> keys; // password index × 2 + (256-bit key)

    Keys()
    {
        if (cdsaCspAttach(module) != CSSM_OK)
            std::abort();
        for (std::size_t i = 0; i < keys.size(); ++i)
            if (cdsaDeriveKey(module, passwords[i / 2], CSSM_ALGID_AES, i % 2 ? 256 : 128, keys[i]) != CSSM_OK)
                std::abort();
    }
};

const Keys &keys()
{
    static const Keys k;
    return k;
}

const CSSM_KEY &key(unsigned password, bool maxKey)
{
    return keys().keys[(password & 3) * 2 + (maxKey ? 1 : 0)];
}

void decryptAndParse(QByteArrayView file, const CSSM_KEY &key)
{
    QByteArray plain;
    if (cdsaDecrypt(keys().module, key, file, plain) != CSSM_OK)
        return;
    // PKCS#7 removes 1 to 16 bytes of whole blocks.
    if (file.size() % 16 || plain.size() >= file.size() || plain.size() < file.size() - 16)
        std::abort();
    (void)platform::readPropertyList(plain);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const uint8_t mode = data[0];
    const QByteArrayView rest(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const unsigned password = (mode >> 1) & 3;
    const bool maxKey = mode & 8;
    if (!(mode & 1)) {
        decryptAndParse(rest, key(password, maxKey));
        if ((mode >> 4) == 0xF) {
            const auto plain = vl::decrypt(rest, passwords[password], maxKey);
            if (plain)
                (void)platform::readPropertyList(*plain);
        }
        return 0;
    }
    QByteArray file, back;
    if (cdsaEncrypt(keys().module, key(password, maxKey), rest, file) != CSSM_OK || file.size() != 16 * (rest.size() / 16 + 1)
        || cdsaDecrypt(keys().module, key(password, maxKey), file, back) != CSSM_OK || back != rest)
        std::abort();
    QByteArray damaged = file;
    const qsizetype at = (mode >> 4) * damaged.size() / 16;
    damaged[at] = char(damaged[at] ^ 0x5a);
    decryptAndParse(damaged, key(password, maxKey));
    decryptAndParse(QByteArrayView(file).first(at), key(password, maxKey));
    decryptAndParse(file, key(password + 1, maxKey));
    decryptAndParse(file, key(password, !maxKey));
    return 0;
}
