// Keys: derivation from a passphrase, RSA and DSA key pairs, Diffie-Hellman.

#include "Cdsa_p.h"

#include <openssl/asn1.h>
#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/decoder.h>
#include <openssl/dh.h>
#include <openssl/dsa.h>
#include <openssl/encoder.h>
#include <openssl/kdf.h>
#include <openssl/objects.h>
#include <openssl/rsa.h>

#include <algorithm>

using namespace cdsa;

namespace {

// The derivation every password goes through. The salt is the same for every file, so
// equal passwords give equal keys and equal plaintexts equal files.
constexpr char DerivationSalt[] = "fernGlow";
constexpr unsigned DerivationIterations = 1000;
constexpr std::uint32_t LongestDerivedKeyBits = 4096;

constexpr CSSM_KEYATTR_FLAGS ReturnedAsData = CSSM_KEYATTR_RETURN_DATA | CSSM_KEYATTR_EXTRACTABLE;
constexpr CSSM_KEYUSE PublicKeyUsage = CSSM_KEYUSE_ENCRYPT | CSSM_KEYUSE_VERIFY; // 9
constexpr CSSM_KEYUSE PrivateKeyUsage = CSSM_KEYUSE_DECRYPT | CSSM_KEYUSE_SIGN; // 6
constexpr std::uint32_t SmallestDhBits = 512, LargestDhBits = 2048;

CSSM_KEY keyRecord(CSSM_ALGORITHMS algorithm, CSSM_KEYCLASS keyClass, std::uint32_t bits, CSSM_KEYUSE usage,
                   CSSM_KEYATTR_FLAGS attributes)
{
    CSSM_KEY key;
    key.algorithm = algorithm;
    key.keyClass = keyClass;
    key.logicalSizeInBits = bits;
    key.usage = usage;
    key.attributes = attributes;
    key.label = keyLabel();
    return key;
}

QByteArray encode(EVP_PKEY *key, int selection, const char *structure)
{
    OSSL_ENCODER_CTX *encoder = OSSL_ENCODER_CTX_new_for_pkey(key, selection, "DER", structure, nullptr);
    unsigned char *bytes = nullptr;
    std::size_t length = 0;
    QByteArray encoded;
    if (encoder && OSSL_ENCODER_to_data(encoder, &bytes, &length) == 1)
        encoded = QByteArray(reinterpret_cast<const char *>(bytes), qsizetype(length));
    OPENSSL_clear_free(bytes, length);
    OSSL_ENCODER_CTX_free(encoder);
    return encoded;
}

PkeyPtr generate(OSSL_LIB_CTX *library, EVP_PKEY *parameters)
{
    PkeyContextPtr context(EVP_PKEY_CTX_new_from_pkey(library, parameters, nullptr));
    EVP_PKEY *key = nullptr;
    if (!context || EVP_PKEY_keygen_init(context.get()) != 1 || EVP_PKEY_generate(context.get(), &key) != 1)
        return nullptr;
    return PkeyPtr(key);
}

PkeyPtr generateRsa(OSSL_LIB_CTX *library, std::uint32_t bits)
{
    PkeyContextPtr context(EVP_PKEY_CTX_new_from_name(library, "RSA", nullptr));
    EVP_PKEY *key = nullptr;
    if (!context || EVP_PKEY_keygen_init(context.get()) != 1 || EVP_PKEY_CTX_set_rsa_keygen_bits(context.get(), int(bits)) != 1
        || EVP_PKEY_generate(context.get(), &key) != 1)
        return nullptr;
    return PkeyPtr(key);
}

// DSA with a 160-bit q, as the original service signed: OpenSSL 3 would choose 224 bits.
PkeyPtr generateDsa(OSSL_LIB_CTX *library, std::uint32_t bits)
{
    PkeyContextPtr context(EVP_PKEY_CTX_new_from_name(library, "DSA", nullptr));
    EVP_PKEY *parameters = nullptr;
    if (!context || EVP_PKEY_paramgen_init(context.get()) != 1 || EVP_PKEY_CTX_set_dsa_paramgen_bits(context.get(), int(bits)) != 1
        || EVP_PKEY_CTX_set_dsa_paramgen_q_bits(context.get(), 160) != 1 || EVP_PKEY_paramgen(context.get(), &parameters) != 1)
        return nullptr;
    const PkeyPtr owned(parameters);
    return generate(library, parameters);
}

PkeyPtr generateDhParameters(OSSL_LIB_CTX *library, std::uint32_t bits)
{
    PkeyContextPtr context(EVP_PKEY_CTX_new_from_name(library, "DH", nullptr));
    EVP_PKEY *parameters = nullptr;
    if (!context || EVP_PKEY_paramgen_init(context.get()) != 1
        || EVP_PKEY_CTX_set_dh_paramgen_prime_len(context.get(), int(bits)) != 1
        || EVP_PKEY_CTX_set_dh_paramgen_generator(context.get(), 2) != 1 || EVP_PKEY_paramgen(context.get(), &parameters) != 1)
        return nullptr;
    return PkeyPtr(parameters);
}

// The DHParameter inside a DHParameterBlock (the PKCS#3 object identifier, then the
// parameters), which the original service wrote; other bytes are returned as they are.
QByteArray withoutParameterBlock(const QByteArray &bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    ASN1_SEQUENCE_ANY *sequence = d2i_ASN1_SEQUENCE_ANY(nullptr, &p, long(bytes.size()));
    QByteArray inner = bytes;
    ASN1_OBJECT *pkcs3 = OBJ_txt2obj("1.2.840.113549.1.3", 1);
    if (sequence && pkcs3 && sk_ASN1_TYPE_num(sequence) == 2) {
        const ASN1_TYPE *oid = sk_ASN1_TYPE_value(sequence, 0);
        const ASN1_TYPE *parameters = sk_ASN1_TYPE_value(sequence, 1);
        if (oid->type == V_ASN1_OBJECT && OBJ_cmp(oid->value.object, pkcs3) == 0 && parameters->type == V_ASN1_SEQUENCE)
            inner = QByteArray(reinterpret_cast<const char *>(ASN1_STRING_get0_data(parameters->value.sequence)),
                               ASN1_STRING_length(parameters->value.sequence));
    }
    ASN1_OBJECT_free(pkcs3);
    sk_ASN1_TYPE_pop_free(sequence, ASN1_TYPE_free);
    return inner;
}

PkeyPtr decodeDhParameters(OSSL_LIB_CTX *library, const QByteArray &bytes)
{
    const QByteArray der = withoutParameterBlock(bytes);
    EVP_PKEY *parameters = nullptr;
    OSSL_DECODER_CTX *decoder =
        OSSL_DECODER_CTX_new_for_pkey(&parameters, "DER", nullptr, "DH", EVP_PKEY_KEY_PARAMETERS, library, nullptr);
    const auto *p = reinterpret_cast<const unsigned char *>(der.constData());
    std::size_t length = std::size_t(der.size());
    const bool ok = decoder && OSSL_DECODER_from_data(decoder, &p, &length) == 1 && length == 0;
    OSSL_DECODER_CTX_free(decoder);
    PkeyPtr owned(parameters);
    return ok ? std::move(owned) : nullptr;
}

// The bytes of a big number parameter without leading zeros; empty when it has none.
QByteArray bignumParameter(const EVP_PKEY *key, const char *name)
{
    BIGNUM *value = nullptr;
    if (EVP_PKEY_get_bn_param(key, name, &value) != 1)
        return {};
    const BignumPtr owned(value);
    QByteArray bytes(BN_num_bytes(value), Qt::Uninitialized);
    BN_bn2bin(value, reinterpret_cast<unsigned char *>(bytes.data()));
    return bytes;
}

CSSM_RETURN dhParameters(const CSSM_CSP_HANDLE &module, std::uint32_t bits, const QByteArray *in, PkeyPtr &parameters,
                         QByteArray *out)
{
    if (bits < SmallestDhBits || bits > LargestDhBits)
        return CSSMERR_CSP_INVALID_ATTR_KEY_LENGTH;
    if (out) {
        parameters = generateDhParameters(module->library, bits);
        if (!parameters)
            return failed(CSSMERR_CSP_FUNCTION_FAILED);
        *out = encode(parameters.get(), EVP_PKEY_KEY_PARAMETERS, "type-specific");
        return out->isEmpty() ? failed(CSSMERR_CSP_FUNCTION_FAILED) : CSSM_OK;
    }
    parameters = decodeDhParameters(module->library, *in);
    if (!parameters)
        return failed(CSSMERR_CSP_INVALID_ATTR_ALG_PARAMS);
    if (bignumParameter(parameters.get(), OSSL_PKEY_PARAM_FFC_P).size() != qsizetype((bits + 7) / 8))
        return CSSMERR_CSP_UNSUPPORTED_KEY_SIZE;
    return CSSM_OK;
}

// Refuses sizes OpenSSL 3 cannot make: RSA under 512 bits or above its 16384; DSA outside
// 1024 to 4096 in steps of 64 (the original service began at 512, which OpenSSL refuses).
bool isGeneratedSize(CSSM_ALGORITHMS algorithm, std::uint32_t bits)
{
    if (algorithm == CSSM_ALGID_RSA)
        return bits >= 512 && bits <= 16384;
    return bits >= 1024 && bits <= 4096 && bits % 64 == 0;
}

} // namespace

CSSM_RETURN cdsaDeriveKey(const CSSM_CSP_HANDLE &module, QByteArrayView passphrase, CSSM_ALGORITHMS keyAlgorithm,
                          std::uint32_t keySizeInBits, CSSM_KEY &key)
{
    if (!module)
        return CSSMERR_CSSM_INVALID_ADDIN_HANDLE;
    if (keySizeInBits == 0 || keySizeInBits % 8 || keySizeInBits > LongestDerivedKeyBits)
        return CSSMERR_CSP_INVALID_ATTR_KEY_LENGTH;
    EVP_KDF *kdf = EVP_KDF_fetch(module->library, "PBKDF2", nullptr);
    EVP_KDF_CTX *context = EVP_KDF_CTX_new(kdf);
    EVP_KDF_free(kdf);
    char digest[] = "SHA1";
    unsigned iterations = DerivationIterations;
    static char empty[1] = {};
    OSSL_PARAM parameters[] = {
        OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_PASSWORD,
                                          passphrase.isEmpty() ? empty : const_cast<char *>(passphrase.data()),
                                          std::size_t(passphrase.size())),
        OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_SALT, const_cast<char *>(DerivationSalt), 8),
        OSSL_PARAM_construct_uint(OSSL_KDF_PARAM_ITER, &iterations),
        OSSL_PARAM_construct_utf8_string(OSSL_KDF_PARAM_DIGEST, digest, 0),
        OSSL_PARAM_construct_end(),
    };
    QByteArray bytes(qsizetype(keySizeInBits / 8), Qt::Uninitialized);
    const bool ok = context
        && EVP_KDF_derive(context, reinterpret_cast<unsigned char *>(bytes.data()), std::size_t(bytes.size()), parameters) == 1;
    EVP_KDF_CTX_free(context);
    if (!ok)
        return failed(CSSMERR_CSP_FUNCTION_FAILED);
    key = keyRecord(keyAlgorithm, CSSM_KEYCLASS_SESSION_KEY, keySizeInBits, CSSM_KEYUSE_ANY, ReturnedAsData);
    key.data = std::move(bytes);
    return CSSM_OK;
}

CSSM_RETURN cdsaGenerateKeyPair(const CSSM_CSP_HANDLE &module, CSSM_ALGORITHMS algorithm, std::uint32_t keySizeInBits,
                                CSSM_KEY &publicKey, CSSM_KEY &privateKey)
{
    if (!module)
        return CSSMERR_CSSM_INVALID_ADDIN_HANDLE;
    if (algorithm != CSSM_ALGID_RSA && algorithm != CSSM_ALGID_DSA)
        return CSSMERR_CSP_INVALID_ALGORITHM;
    if (!isGeneratedSize(algorithm, keySizeInBits))
        return CSSMERR_CSP_UNSUPPORTED_KEY_SIZE;
    const bool rsa = algorithm == CSSM_ALGID_RSA;
    PkeyPtr pair = rsa ? generateRsa(module->library, keySizeInBits) : generateDsa(module->library, keySizeInBits);
    if (!pair)
        return failed(CSSMERR_CSP_FUNCTION_FAILED);
    CSSM_KEY pub = keyRecord(algorithm, CSSM_KEYCLASS_PUBLIC_KEY, keySizeInBits, PublicKeyUsage, ReturnedAsData);
    CSSM_KEY priv = keyRecord(algorithm, CSSM_KEYCLASS_PRIVATE_KEY, keySizeInBits, PrivateKeyUsage, ReturnedAsData);
    pub.data = encode(pair.get(), EVP_PKEY_PUBLIC_KEY, rsa ? "type-specific" : "SubjectPublicKeyInfo");
    priv.data = encode(pair.get(), EVP_PKEY_KEYPAIR, rsa ? "PrivateKeyInfo" : "type-specific");
    pub.reference = referenceOf(module, pub); // holds the public half only
    if (priv.data.isEmpty() || !pub.reference)
        return failed(CSSMERR_CSP_FUNCTION_FAILED);
    priv.reference = makeReference(module, std::move(pair));
    publicKey = std::move(pub);
    privateKey = std::move(priv);
    return CSSM_OK;
}

CSSM_RETURN cdsaFreeKey(const CSSM_CSP_HANDLE &module, CSSM_KEY &key)
{
    if (!key.data.isEmpty()) {
        key.data.detach();
        OPENSSL_cleanse(key.data.data(), std::size_t(key.data.size()));
    }
    key = CSSM_KEY();
    return module ? CSSM_OK : CSSMERR_CSSM_INVALID_ADDIN_HANDLE;
}

CSSM_RETURN cdsaDhGenerateKeyPair(const CSSM_CSP_HANDLE &module, CSSM_KEY &publicKey, CSSM_KEY &privateKey,
                                  std::uint32_t keySizeInBits, const QByteArray *parametersIn, QByteArray *parametersOut)
{
    if (!module)
        return CSSMERR_CSSM_INVALID_ADDIN_HANDLE;
    if (!parametersIn == !parametersOut)
        return CSSMERR_CSSM_INVALID_POINTER;
    PkeyPtr parameters;
    QByteArray encoded;
    if (const CSSM_RETURN status = dhParameters(module, keySizeInBits, parametersIn, parameters, parametersOut ? &encoded : nullptr))
        return status;
    PkeyPtr pair = generate(module->library, parameters.get());
    if (!pair)
        return failed(CSSMERR_CSP_FUNCTION_FAILED);
    constexpr CSSM_KEYUSE Derive = CSSM_KEYUSE_DERIVE;
    CSSM_KEY pub = keyRecord(CSSM_ALGID_DH, CSSM_KEYCLASS_PUBLIC_KEY, keySizeInBits, Derive, ReturnedAsData);
    CSSM_KEY priv = keyRecord(CSSM_ALGID_DH, CSSM_KEYCLASS_PRIVATE_KEY, keySizeInBits, Derive, CSSM_KEYATTR_RETURN_REF);
    pub.data = bignumParameter(pair.get(), OSSL_PKEY_PARAM_PUB_KEY);
    if (pub.data.isEmpty())
        return failed(CSSMERR_CSP_FUNCTION_FAILED);
    priv.reference = makeReference(module, std::move(pair));
    publicKey = std::move(pub);
    privateKey = std::move(priv);
    if (parametersOut)
        *parametersOut = std::move(encoded);
    return CSSM_OK;
}

CSSM_RETURN cdsaDhKeyExchange(const CSSM_CSP_HANDLE &module, const CSSM_KEY &myPrivateKey, QByteArrayView theirPublicKey,
                              CSSM_KEY &derivedKey, std::uint32_t derivedKeySizeInBits, CSSM_ALGORITHMS derivedKeyAlgorithm)
{
    if (!module)
        return CSSMERR_CSSM_INVALID_ADDIN_HANDLE;
    EVP_PKEY *mine = myPrivateKey.reference ? myPrivateKey.reference->key : nullptr;
    if (myPrivateKey.algorithm != CSSM_ALGID_DH || !mine || !EVP_PKEY_is_a(mine, "DH"))
        return CSSMERR_CSP_INVALID_KEY_REFERENCE;
    if (derivedKeySizeInBits == 0)
        return CSSMERR_CSP_INVALID_ATTR_KEY_LENGTH;
    const auto requested = qsizetype((std::uint64_t(derivedKeySizeInBits) + 7) / 8);
    if (requested > EVP_PKEY_get_size(mine))
        return CSSMERR_CSP_UNSUPPORTED_KEY_SIZE;
    PkeyPtr peer(EVP_PKEY_new());
    if (!peer || EVP_PKEY_copy_parameters(peer.get(), mine) != 1
        || EVP_PKEY_set1_encoded_public_key(peer.get(), reinterpret_cast<const unsigned char *>(theirPublicKey.data()),
                                            std::size_t(theirPublicKey.size())) != 1)
        return failed(CSSMERR_CSP_INVALID_KEY);
    PkeyContextPtr context(EVP_PKEY_CTX_new_from_pkey(module->library, mine, nullptr));
    std::size_t length = 0;
    if (!context || EVP_PKEY_derive_init(context.get()) != 1 || EVP_PKEY_derive_set_peer(context.get(), peer.get()) != 1)
        return failed(CSSMERR_CSP_INVALID_KEY);
    if (EVP_PKEY_derive(context.get(), nullptr, &length) != 1)
        return failed(CSSMERR_CSP_FUNCTION_FAILED);
    // Unpadded, as the original derived it: a secret with leading zeros is that much shorter.
    QByteArray secret(qsizetype(length), Qt::Uninitialized);
    if (EVP_PKEY_derive(context.get(), reinterpret_cast<unsigned char *>(secret.data()), &length) != 1)
        return failed(CSSMERR_CSP_FUNCTION_FAILED);
    secret.truncate(std::min(requested, qsizetype(length)));
    derivedKey = keyRecord(derivedKeyAlgorithm, CSSM_KEYCLASS_SESSION_KEY,
                           std::min<std::uint32_t>(derivedKeySizeInBits, std::uint32_t(secret.size()) * 8), CSSM_KEYUSE_ANY,
                           ReturnedAsData);
    derivedKey.data = std::move(secret);
    return CSSM_OK;
}
