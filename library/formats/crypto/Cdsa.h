#pragma once

#include "CssmTypes.h"

#include <QByteArray>
#include <QByteArrayView>

#include <array>
#include <cstdint>

/// The `cdsa` wrappers: a thin procedural layer of key derivation, key pairs,
/// Diffie-Hellman, ciphers, digests and signatures over OpenSSL 3, returning the original
/// cryptographic service's statuses (CssmTypes.h): 0 for success. Outputs are written only
/// on success. A module is attached for the work and detached after it; each call has its
/// own module, key and context and shares nothing, so any thread may use the layer once
/// cssmStartup() has run (it runs by itself on the first attach).

/// The initialisation vector of every symmetric context the wrappers make themselves: never
/// derived from a password and never stored with the ciphertext. Ciphers with 8-byte blocks
/// use its first 8 bytes.
inline constexpr std::array<std::uint8_t, 16> CdsaInitVector = {
    0x3c, 0x9a, 0x51, 0xe7, 0x08, 0xd4, 0x6b, 0x22, 0xf1, 0x7e, 0x95, 0x4d, 0xb0, 0x1f, 0x63, 0xc8,
};

/// The directions of a staged operation.
enum class StagedOperation : int { Encrypt = 0, Decrypt = 1, Sign = 2, Verify = 3 };

/// Starts the library once for the process; later calls return 0 at once.
CSSM_RETURN cssmStartup();

/// Attaches a fresh module (starting up first when needed) and stores it in `module`.
CSSM_RETURN cdsaCspAttach(CSSM_CSP_HANDLE &module);
/// Detaches `module` (it is empty afterwards); CSSMERR_CSSM_INVALID_ADDIN_HANDLE when it
/// already is.
CSSM_RETURN cdsaCspDetach(CSSM_CSP_HANDLE &module);

/// Derives a session key for `keyAlgorithm` from a passphrase: PBKDF2 with HMAC-SHA1 over
/// the passphrase's bytes, the fixed 8-byte salt "fernGlow" and 1000 iterations, giving
/// `keySizeInBits` / 8 bytes (a positive multiple of 8, else
/// CSSMERR_CSP_INVALID_ATTR_KEY_LENGTH). The key may be used for anything and is returned
/// as data, labelled "tempKey". An empty passphrase is allowed.
CSSM_RETURN cdsaDeriveKey(const CSSM_CSP_HANDLE &module, QByteArrayView passphrase, CSSM_ALGORITHMS keyAlgorithm,
                          std::uint32_t keySizeInBits, CSSM_KEY &key);

/// Generates an RSA or DSA key pair of `keySizeInBits` (DSA with fresh parameters and a
/// 160-bit q). The public key's usage is 9 (encrypt, verify), the private key's 6
/// (decrypt, sign); both are returned as data, labelled "tempKey". Other algorithms give
/// CSSMERR_CSP_INVALID_ALGORITHM. Sizes OpenSSL 3 refuses give
/// CSSMERR_CSP_UNSUPPORTED_KEY_SIZE: RSA under 512 bits, and DSA under 1024 bits, which the
/// original service allowed from 512.
CSSM_RETURN cdsaGenerateKeyPair(const CSSM_CSP_HANDLE &module, CSSM_ALGORITHMS algorithm, std::uint32_t keySizeInBits,
                                CSSM_KEY &publicKey, CSSM_KEY &privateKey);

/// Releases what `key` holds (its bytes are wiped); the record is left empty.
CSSM_RETURN cdsaFreeKey(const CSSM_CSP_HANDLE &module, CSSM_KEY &key);

/// Generates a Diffie-Hellman key pair. Exactly one of `parametersIn` and `parametersOut`
/// must be given, else CSSMERR_CSSM_INVALID_POINTER. With `parametersOut`, fresh parameters
/// of `keySizeInBits` (512 to 2048, else CSSMERR_CSP_INVALID_ATTR_KEY_LENGTH; generator 2)
/// are made first and stored there as a DER PKCS#3 DHParameter. `parametersIn` takes that
/// form or the same wrapped with the PKCS#3 object identifier; its prime must have
/// `keySizeInBits` (rounded up to bytes), else CSSMERR_CSP_UNSUPPORTED_KEY_SIZE. The public
/// key is returned as data (the bare public value), the private key as a reference; both
/// are for deriving and labelled "tempKey".
CSSM_RETURN cdsaDhGenerateKeyPair(const CSSM_CSP_HANDLE &module, CSSM_KEY &publicKey, CSSM_KEY &privateKey,
                                  std::uint32_t keySizeInBits, const QByteArray *parametersIn, QByteArray *parametersOut);

/// Derives a shared key from my Diffie-Hellman private key and the peer's bare public value:
/// the leading `derivedKeySizeInBits` / 8 bytes of the unpadded shared secret (fewer when
/// the secret is shorter), as a session key for `derivedKeyAlgorithm` returned as data.
/// More bytes than the prime has give CSSMERR_CSP_UNSUPPORTED_KEY_SIZE; a public value the
/// group refuses gives CSSMERR_CSP_INVALID_KEY.
CSSM_RETURN cdsaDhKeyExchange(const CSSM_CSP_HANDLE &module, const CSSM_KEY &myPrivateKey, QByteArrayView theirPublicKey,
                              CSSM_KEY &derivedKey, std::uint32_t derivedKeySizeInBits, CSSM_ALGORITHMS derivedKeyAlgorithm);

/// Makes the context for `key`'s algorithm: AES in CBC with PKCS#7 padding (16-, 24- or
/// 32-byte key; `initVector` exactly 16 bytes); DES (8), 3DES with three keys (24), RC2
/// (1 to 128 bytes, as many effective bits as key bits) and RC5-32 with 16 rounds (1 to 255)
/// in CBC with PKCS#5 padding and the first 8 bytes of `initVector`; RC4 (1 to 256) with
/// neither; RSA with PKCS#1 padding, piece by piece. Another key size gives
/// CSSMERR_CSP_INVALID_ATTR_KEY; a short vector CSSMERR_CSP_INVALID_ATTR_INIT_VECTOR, none
/// CSSMERR_CSP_MISSING_ATTR_INIT_VECTOR. The "ASC" cipher gives
/// CSSMERR_CSP_INVALID_ALGORITHM: no description of it is available to build it from. Any
/// other algorithm gives CSSMERR_CSP_INTERNAL_ERROR (0x80010801).
CSSM_RETURN genCryptHandle(const CSSM_CSP_HANDLE &module, const CSSM_KEY &key, QByteArrayView initVector,
                           CSSM_CC_HANDLE &context);

/// Encrypts `input` in one go with a context from genCryptHandle() and CdsaInitVector. A
/// block cipher gives 8 or 16 × (floor(n / block) + 1) bytes. RSA cuts the input into
/// pieces of the key's size less 11 bytes, each giving one key-sized block; with a private
/// key it uses the private-key operation.
CSSM_RETURN cdsaEncrypt(const CSSM_CSP_HANDLE &module, const CSSM_KEY &key, QByteArrayView input, QByteArray &output);
/// The reverse of cdsaEncrypt(). Empty or unaligned ciphertext gives
/// CSSMERR_CSP_INPUT_LENGTH_ERROR, wrong padding CSSMERR_CSP_INVALID_DATA.
CSSM_RETURN cdsaDecrypt(const CSSM_CSP_HANDLE &module, const CSSM_KEY &key, QByteArrayView input, QByteArray &output);

/// Starts a staged encryption or decryption (StagedOperation::Encrypt or Decrypt; any other
/// direction gives CSSMERR_CSP_FUNCTION_NOT_IMPLEMENTED) in a context as genCryptHandle()
/// makes it with CdsaInitVector. `context` is set only on success.
CSSM_RETURN cdsaStagedEncDecrInit(const CSSM_CSP_HANDLE &module, const CSSM_KEY &key, StagedOperation direction,
                                  CSSM_CC_HANDLE &context);
/// Feeds `input` (may be empty) and sets `output` to the bytes this call produces; with
/// `final` also ends the operation, appending its last bytes, and deletes the context
/// (also when feeding failed). A decryption holds back its last block until the end. An
/// empty or other kind of context gives CSSMERR_CSP_INVALID_CONTEXT_HANDLE.
CSSM_RETURN cdsaStagedEncrypt(CSSM_CC_HANDLE &context, bool final, QByteArrayView input, QByteArray &output);
CSSM_RETURN cdsaStagedDecrypt(CSSM_CC_HANDLE &context, bool final, QByteArrayView input, QByteArray &output);

/// The digest of `input` by MD5, SHA-1, SHA-224, SHA-256, SHA-384 or SHA-512; another
/// algorithm gives CSSMERR_CSP_INVALID_ALGORITHM.
CSSM_RETURN cdsaDigest(const CSSM_CSP_HANDLE &module, CSSM_ALGORITHMS algorithm, QByteArrayView input, QByteArray &digest);
CSSM_RETURN cdsaStagedDigestInit(const CSSM_CSP_HANDLE &module, CSSM_ALGORITHMS algorithm, CSSM_CC_HANDLE &context);
/// Feeds `input`; with `final` sets `digest` and deletes the context (also after a failure).
CSSM_RETURN cdsaStagedDigest(CSSM_CC_HANDLE &context, bool final, QByteArrayView input, QByteArray &digest);

/// Signs `data` with a private key: RSA with MD5, SHA-1 or SHA-256 (PKCS#1 v1.5), DSA with
/// SHA-1 (DER r and s). The algorithm must suit the key, else CSSMERR_CSP_INVALID_ALGORITHM
/// or CSSMERR_CSP_INVALID_KEY.
CSSM_RETURN cdsaSign(const CSSM_CSP_HANDLE &module, const CSSM_KEY &key, CSSM_ALGORITHMS algorithm, QByteArrayView data,
                     QByteArray &signature);
/// 0 when `signature` is the signature of `data` by the public key;
/// CSSMERR_CSP_VERIFY_FAILED when it is not, CSSMERR_CSP_INVALID_SIGNATURE when it cannot be
/// decoded.
CSSM_RETURN cdsaVerify(const CSSM_CSP_HANDLE &module, const CSSM_KEY &key, CSSM_ALGORITHMS algorithm, QByteArrayView data,
                       QByteArrayView signature);
/// Starts a staged signature (StagedOperation::Sign) or verification (Verify); any other
/// direction gives CSSMERR_CSP_FUNCTION_NOT_IMPLEMENTED. `context` is set only on success.
CSSM_RETURN cdsaStagedSignVerifyInit(const CSSM_CSP_HANDLE &module, const CSSM_KEY &key, CSSM_ALGORITHMS algorithm,
                                     StagedOperation direction, CSSM_CC_HANDLE &context);
/// Feeds `data`; with `final` sets `signature` and deletes the context (also after a failure).
CSSM_RETURN cdsaStagedSign(CSSM_CC_HANDLE &context, bool final, QByteArrayView data, QByteArray &signature);
/// Feeds `data`; with `final` checks `signature` as cdsaVerify() does and deletes the context.
CSSM_RETURN cdsaStagedVerify(CSSM_CC_HANDLE &context, bool final, QByteArrayView data, QByteArrayView signature);
