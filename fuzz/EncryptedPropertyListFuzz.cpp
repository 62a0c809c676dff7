// Decrypt-and-parse, as the encrypted property-list readers run it: any bytes under any
// password give a value or none, never a crash, a hang or a read past the buffer. The first
// byte chooses: bit 0 whether the rest is a file to decrypt (0) or a plaintext that is first
// encrypted and then damaged (1); bits 1-2 the password; bit 3 the 256-bit key; the high
// nibble where the damage goes. A plaintext must come back from its own ciphertext exactly.

#include "DataEncrypted.h"

#include "PropertyList.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

const char *const passwords[] = {"password", "", "p\xc3\xa4ssword", "other"};

void decryptAndParse(QByteArrayView file, const char *password, bool maxKey)
{
    const std::optional<QByteArray> plain = vl::decrypt(file, password, maxKey);
    if (!plain)
        return;
    // PKCS#7 removes 1 to 16 bytes of whole blocks.
    if (file.size() % 16 || plain->size() >= file.size() || plain->size() < file.size() - 16)
        std::abort();
    (void)platform::readPropertyList(*plain);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const uint8_t mode = data[0];
    const QByteArrayView rest(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const char *password = passwords[(mode >> 1) & 3];
    const bool maxKey = mode & 8;
    if (!(mode & 1)) {
        decryptAndParse(rest, password, maxKey);
        return 0;
    }
    const std::optional<QByteArray> file = vl::encrypt(rest, password, maxKey);
    if (!file || file->size() != 16 * (rest.size() / 16 + 1) || vl::decrypt(*file, password, maxKey) != rest.toByteArray())
        std::abort();
    QByteArray damaged = *file;
    const qsizetype at = (mode >> 4) * damaged.size() / 16;
    damaged[at] = char(damaged[at] ^ 0x5a);
    decryptAndParse(damaged, password, maxKey);
    decryptAndParse(QByteArrayView(*file).first(at), password, maxKey);
    decryptAndParse(*file, passwords[((mode >> 1) + 1) & 3], maxKey);
    decryptAndParse(*file, password, !maxKey);
    return 0;
}
