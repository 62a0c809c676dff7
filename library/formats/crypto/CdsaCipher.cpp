// Ciphers: the context for a key's algorithm, one-shot and staged encryption.

#include "Cdsa_p.h"
#include "Rc5.h"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/rsa.h>

#include <algorithm>
#include <climits>

using namespace cdsa;

namespace {

enum class Direction { Encrypt, Decrypt };

/// One running encryption or decryption. Both calls append what they produce to `out`.
class Cryptor
{
public:
    virtual ~Cryptor() = default;
    virtual CSSM_RETURN update(QByteArrayView in, QByteArray &out) = 0;
    virtual CSSM_RETURN final(QByteArray &out) = 0;
};

// A cipher of OpenSSL's: AES, DES, 3DES and RC2 in CBC with padding, RC4 as a stream.
class EvpCryptor final : public Cryptor
{
public:
    EvpCryptor(CipherContextPtr context, Direction direction)
        : m_context(std::move(context))
        , m_blockSize(EVP_CIPHER_CTX_get_block_size(m_context.get()))
        , m_direction(direction)
    {
    }

    CSSM_RETURN update(QByteArrayView in, QByteArray &out) override
    {
        constexpr qsizetype Chunk = qsizetype(1) << 30; // lengths are ints for OpenSSL
        for (qsizetype done = 0; done < in.size();) {
            const int length = int(std::min(Chunk, in.size() - done));
            const qsizetype start = out.size();
            out.resize(start + length + m_blockSize);
            int produced = 0;
            if (EVP_CipherUpdate(m_context.get(), reinterpret_cast<unsigned char *>(out.data() + start), &produced,
                                 reinterpret_cast<const unsigned char *>(in.data() + done), length)
                != 1)
                return failed(CSSMERR_CSP_FUNCTION_FAILED);
            out.resize(start + produced);
            done += length;
        }
        m_total += quint64(in.size());
        return CSSM_OK;
    }

    CSSM_RETURN final(QByteArray &out) override
    {
        if (m_direction == Direction::Decrypt && m_blockSize > 1 && (m_total == 0 || m_total % quint64(m_blockSize)))
            return CSSMERR_CSP_INPUT_LENGTH_ERROR;
        const qsizetype start = out.size();
        out.resize(start + m_blockSize);
        int produced = 0;
        if (EVP_CipherFinal_ex(m_context.get(), reinterpret_cast<unsigned char *>(out.data() + start), &produced) != 1) {
            out.resize(start);
            return failed(m_direction == Direction::Decrypt ? CSSMERR_CSP_INVALID_DATA : CSSMERR_CSP_FUNCTION_FAILED);
        }
        out.resize(start + produced);
        return CSSM_OK;
    }

private:
    CipherContextPtr m_context;
    int m_blockSize;
    Direction m_direction;
    quint64 m_total = 0;
};

// RC5-32 with 16 rounds in CBC with PKCS#5 padding, which OpenSSL lacks here. A decryption
// holds back its last block for the padding check, as OpenSSL's do.
class Rc5Cryptor final : public Cryptor
{
public:
    Rc5Cryptor(QByteArrayView key, QByteArrayView initVector, Direction direction)
        : m_cipher(key, 16)
        , m_direction(direction)
    {
        std::copy_n(initVector.data(), Rc5::BlockSize, m_chain);
    }

    ~Rc5Cryptor() override { OPENSSL_cleanse(m_pending, sizeof m_pending); }

    CSSM_RETURN update(QByteArrayView in, QByteArray &out) override
    {
        out.reserve(out.size() + in.size() + Rc5::BlockSize);
        for (char c : in) {
            if (m_pendingSize == Rc5::BlockSize && m_direction == Direction::Decrypt)
                flush(out);
            m_pending[m_pendingSize++] = std::uint8_t(c);
            if (m_pendingSize == Rc5::BlockSize && m_direction == Direction::Encrypt)
                flush(out);
        }
        return CSSM_OK;
    }

    CSSM_RETURN final(QByteArray &out) override
    {
        if (m_direction == Direction::Encrypt) {
            const auto pad = std::uint8_t(Rc5::BlockSize - m_pendingSize);
            std::fill(m_pending + m_pendingSize, m_pending + Rc5::BlockSize, pad);
            m_pendingSize = Rc5::BlockSize;
            flush(out);
            return CSSM_OK;
        }
        if (m_pendingSize != Rc5::BlockSize)
            return CSSMERR_CSP_INPUT_LENGTH_ERROR;
        const qsizetype start = out.size();
        flush(out);
        const auto pad = std::uint8_t(out.back());
        const bool padded = pad >= 1 && pad <= Rc5::BlockSize
            && std::all_of(out.cend() - pad, out.cend(), [pad](char c) { return std::uint8_t(c) == pad; });
        if (!padded) {
            out.resize(start);
            return CSSMERR_CSP_INVALID_DATA;
        }
        out.chop(pad);
        return CSSM_OK;
    }

private:
    // Runs the pending block through CBC and appends the result.
    void flush(QByteArray &out)
    {
        std::uint8_t block[Rc5::BlockSize];
        if (m_direction == Direction::Encrypt) {
            for (int i = 0; i < Rc5::BlockSize; ++i)
                block[i] = m_pending[i] ^ m_chain[i];
            m_cipher.encryptBlock(block, m_chain);
            std::copy_n(m_chain, Rc5::BlockSize, block);
        } else {
            m_cipher.decryptBlock(m_pending, block);
            for (int i = 0; i < Rc5::BlockSize; ++i)
                block[i] ^= m_chain[i];
            std::copy_n(m_pending, Rc5::BlockSize, m_chain);
        }
        out.append(reinterpret_cast<const char *>(block), Rc5::BlockSize);
        m_pendingSize = 0;
    }

    Rc5 m_cipher;
    Direction m_direction;
    std::uint8_t m_chain[Rc5::BlockSize] = {};
    std::uint8_t m_pending[Rc5::BlockSize] = {};
    int m_pendingSize = 0;
};

// RSA run as a block cipher: the input in pieces the key can take (its size less the 11
// bytes of PKCS#1 padding), each becoming one key-sized block; decryption the reverse. A
// private key encrypts with the private-key operation, a public key decrypts with the
// public-key one.
class RsaCryptor final : public Cryptor
{
public:
    using Operation = int (*)(EVP_PKEY_CTX *, unsigned char *, std::size_t *, const unsigned char *, std::size_t);

    RsaCryptor(PkeyContextPtr context, Operation operation, qsizetype pieceSize, Direction direction)
        : m_context(std::move(context))
        , m_operation(operation)
        , m_pieceSize(pieceSize)
        , m_direction(direction)
    {
    }

    CSSM_RETURN update(QByteArrayView in, QByteArray &out) override
    {
        while (!in.isEmpty()) {
            const qsizetype take = std::min(in.size(), m_pieceSize - m_pending.size());
            m_pending.append(in.first(take));
            in = in.sliced(take);
            if (m_pending.size() == m_pieceSize)
                if (const CSSM_RETURN status = flush(out))
                    return status;
        }
        return CSSM_OK;
    }

    CSSM_RETURN final(QByteArray &out) override
    {
        if (m_pending.isEmpty())
            return CSSM_OK;
        return m_direction == Direction::Decrypt ? CSSMERR_CSP_INPUT_LENGTH_ERROR : flush(out);
    }

private:
    CSSM_RETURN flush(QByteArray &out)
    {
        std::size_t length = 0;
        const auto *in = reinterpret_cast<const unsigned char *>(m_pending.constData());
        if (m_operation(m_context.get(), nullptr, &length, in, std::size_t(m_pending.size())) != 1)
            return failed(CSSMERR_CSP_FUNCTION_FAILED);
        const qsizetype start = out.size();
        out.resize(start + qsizetype(length));
        if (m_operation(m_context.get(), reinterpret_cast<unsigned char *>(out.data() + start), &length, in,
                        std::size_t(m_pending.size()))
            != 1) {
            out.resize(start);
            return failed(m_direction == Direction::Decrypt ? CSSMERR_CSP_INVALID_DATA : CSSMERR_CSP_FUNCTION_FAILED);
        }
        out.resize(start + qsizetype(length));
        m_pending.clear();
        return CSSM_OK;
    }

    PkeyContextPtr m_context;
    Operation m_operation;
    qsizetype m_pieceSize;
    Direction m_direction;
    QByteArray m_pending;
};

// What the context table says about one symmetric algorithm.
struct Symmetric
{
    const char *name; // OpenSSL's, null for RC5; "AES" stands for the three key sizes
    qsizetype shortestKey, longestKey;
    int blockSize; // 1 for a stream cipher
    CSSM_ENCRYPT_MODE mode;
    CSSM_PADDING padding;
};

const Symmetric *symmetric(CSSM_ALGORITHMS algorithm)
{
    static const Symmetric aes{"AES", 16, 32, 16, CSSM_ALGMODE_CBCPadIV8, CSSM_PADDING_PKCS7};
    static const Symmetric des{"DES-CBC", 8, 8, 8, CSSM_ALGMODE_CBCPadIV8, CSSM_PADDING_PKCS5};
    static const Symmetric des3{"DES-EDE3-CBC", 24, 24, 8, CSSM_ALGMODE_CBCPadIV8, CSSM_PADDING_PKCS5};
    static const Symmetric rc2{"RC2-CBC", 1, 128, 8, CSSM_ALGMODE_CBCPadIV8, CSSM_PADDING_PKCS5};
    static const Symmetric rc5{nullptr, 1, 255, 8, CSSM_ALGMODE_CBCPadIV8, CSSM_PADDING_PKCS5};
    static const Symmetric rc4{"RC4", 1, 256, 1, CSSM_ALGMODE_NONE, CSSM_PADDING_NONE};
    switch (algorithm) {
    case CSSM_ALGID_AES:
        return &aes;
    case CSSM_ALGID_DES:
        return &des;
    case CSSM_ALGID_3DES_3KEY_EDE:
        return &des3;
    case CSSM_ALGID_RC2:
        return &rc2;
    case CSSM_ALGID_RC5:
        return &rc5;
    case CSSM_ALGID_RC4:
        return &rc4;
    default:
        return nullptr;
    }
}

const char *aesName(qsizetype keyLength)
{
    return keyLength == 16 ? "AES-128-CBC" : keyLength == 24 ? "AES-192-CBC" : keyLength == 32 ? "AES-256-CBC" : nullptr;
}

// A context from genCryptHandle(): the key and vector, until an encryption or decryption
// begins in it.
struct CipherContext final : CssmContext
{
    CSSM_CSP_HANDLE module;
    const Symmetric *spec = nullptr; // null for RSA
    QByteArray key;
    QByteArray initVector;
    std::shared_ptr<const CssmKeyReference> rsaKey;
    bool privateRsaKey = false;
    std::unique_ptr<Cryptor> cryptor;
    Direction direction = Direction::Encrypt;

    ~CipherContext() override
    {
        if (!key.isEmpty())
            OPENSSL_cleanse(key.data(), std::size_t(key.size()));
    }

    CSSM_RETURN begin(Direction chosen)
    {
        direction = chosen;
        if (!spec)
            return beginRsa();
        if (!spec->name) {
            cryptor = std::make_unique<Rc5Cryptor>(key, initVector, direction);
            return CSSM_OK;
        }
        return beginEvp();
    }

private:
    CSSM_RETURN beginEvp()
    {
        const bool aes = spec == symmetric(CSSM_ALGID_AES);
        CipherPtr cipher(EVP_CIPHER_fetch(module->library, aes ? aesName(key.size()) : spec->name, nullptr));
        if (!cipher)
            return failed(CSSMERR_CSP_INVALID_ALGORITHM); // the legacy provider is missing
        CipherContextPtr context(EVP_CIPHER_CTX_new());
        const int encrypt = direction == Direction::Encrypt ? 1 : 0;
        if (!context || EVP_CipherInit_ex2(context.get(), cipher.get(), nullptr, nullptr, encrypt, nullptr) != 1
            || EVP_CIPHER_CTX_set_key_length(context.get(), int(key.size())) != 1)
            return failed(CSSMERR_CSP_INVALID_ATTR_KEY);
        // RC2's effective key bits would stay 128 whatever the key's length.
        std::size_t effectiveBits = std::size_t(key.size()) * 8;
        const OSSL_PARAM rc2[] = {OSSL_PARAM_construct_size_t(OSSL_CIPHER_PARAM_RC2_KEYBITS, &effectiveBits), OSSL_PARAM_END};
        if (spec == symmetric(CSSM_ALGID_RC2) && EVP_CIPHER_CTX_set_params(context.get(), rc2) != 1)
            return failed(CSSMERR_CSP_INVALID_ATTR_KEY);
        const auto *iv = spec->blockSize > 1 ? reinterpret_cast<const unsigned char *>(initVector.constData()) : nullptr;
        if (EVP_CipherInit_ex2(context.get(), nullptr, reinterpret_cast<const unsigned char *>(key.constData()), iv, encrypt,
                               nullptr)
            != 1)
            return failed(CSSMERR_CSP_INVALID_ATTR_KEY);
        cryptor = std::make_unique<EvpCryptor>(std::move(context), direction);
        return CSSM_OK;
    }

    CSSM_RETURN beginRsa()
    {
        EVP_PKEY *pkey = rsaKey->key;
        PkeyContextPtr context(EVP_PKEY_CTX_new_from_pkey(module->library, pkey, nullptr));
        const bool encrypt = direction == Direction::Encrypt;
        RsaCryptor::Operation operation = encrypt ? (privateRsaKey ? EVP_PKEY_sign : EVP_PKEY_encrypt)
                                                  : (privateRsaKey ? EVP_PKEY_decrypt : EVP_PKEY_verify_recover);
        int initialised = 0;
        if (context)
            initialised = encrypt ? (privateRsaKey ? EVP_PKEY_sign_init(context.get()) : EVP_PKEY_encrypt_init(context.get()))
                                  : (privateRsaKey ? EVP_PKEY_decrypt_init(context.get())
                                                   : EVP_PKEY_verify_recover_init(context.get()));
        if (initialised != 1 || EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_PKCS1_PADDING) != 1)
            return failed(CSSMERR_CSP_INVALID_KEY);
        const qsizetype blockSize = EVP_PKEY_get_size(pkey);
        cryptor = std::make_unique<RsaCryptor>(std::move(context), operation,
                                               encrypt ? blockSize - RSA_PKCS1_PADDING_SIZE : blockSize, direction);
        return CSSM_OK;
    }
};

CSSM_RETURN rsaContext(const CSSM_CSP_HANDLE &module, const CSSM_KEY &key, std::unique_ptr<CipherContext> &context)
{
    if (key.keyClass != CSSM_KEYCLASS_PUBLIC_KEY && key.keyClass != CSSM_KEYCLASS_PRIVATE_KEY)
        return CSSMERR_CSP_INVALID_KEY_CLASS;
    context->rsaKey = referenceOf(module, key);
    if (!context->rsaKey || !EVP_PKEY_is_a(context->rsaKey->key, "RSA")
        || EVP_PKEY_get_size(context->rsaKey->key) <= RSA_PKCS1_PADDING_SIZE)
        return CSSMERR_CSP_INVALID_KEY;
    context->privateRsaKey = key.keyClass == CSSM_KEYCLASS_PRIVATE_KEY;
    return CSSM_OK;
}

CSSM_RETURN symmetricContext(const Symmetric &spec, const CSSM_KEY &key, QByteArrayView initVector, CipherContext &context)
{
    const qsizetype length = key.data.size();
    if (length < spec.shortestKey || length > spec.longestKey || (spec.blockSize == 16 && !aesName(length)))
        return CSSMERR_CSP_INVALID_ATTR_KEY;
    if (spec.blockSize > 1 && initVector.isEmpty())
        return CSSMERR_CSP_MISSING_ATTR_INIT_VECTOR;
    // AES wants its vector exact; the 8-byte-block ciphers take the first 8 bytes of one.
    if (spec.blockSize > 1 && (initVector.size() < spec.blockSize || (spec.blockSize == 16 && initVector.size() != 16)))
        return CSSMERR_CSP_INVALID_ATTR_INIT_VECTOR;
    context.spec = &spec;
    context.key = key.data;
    context.key.detach(); // the context wipes its own copy
    context.initVector = initVector.first(std::min<qsizetype>(initVector.size(), spec.blockSize)).toByteArray();
    return CSSM_OK;
}

CipherContext *cipherOf(const CSSM_CC_HANDLE &context, Direction direction)
{
    auto *cipher = dynamic_cast<CipherContext *>(context.get());
    return cipher && cipher->cryptor && cipher->direction == direction ? cipher : nullptr;
}

CSSM_RETURN oneShot(const CSSM_CSP_HANDLE &module, const CSSM_KEY &key, QByteArrayView input, QByteArray &output,
                    Direction direction)
{
    CSSM_CC_HANDLE context;
    const QByteArrayView initVector(reinterpret_cast<const char *>(CdsaInitVector.data()), CdsaInitVector.size());
    if (const CSSM_RETURN status = genCryptHandle(module, key, initVector, context))
        return status;
    auto *cipher = static_cast<CipherContext *>(context.get());
    if (const CSSM_RETURN status = cipher->begin(direction))
        return status;
    QByteArray out;
    out.reserve(input.size() + 16);
    CSSM_RETURN status = cipher->cryptor->update(input, out);
    if (!status)
        status = cipher->cryptor->final(out);
    if (!status)
        output = std::move(out);
    return status;
}

CSSM_RETURN staged(CSSM_CC_HANDLE &context, bool final, QByteArrayView input, QByteArray &output, Direction direction)
{
    CipherContext *cipher = cipherOf(context, direction);
    if (!cipher)
        return CSSMERR_CSP_INVALID_CONTEXT_HANDLE;
    QByteArray out;
    CSSM_RETURN status = input.isEmpty() ? CSSM_OK : cipher->cryptor->update(input, out);
    if (final) {
        if (!status)
            status = cipher->cryptor->final(out);
        context.reset();
    }
    if (!status)
        output = std::move(out);
    return status;
}

} // namespace

CSSM_RETURN genCryptHandle(const CSSM_CSP_HANDLE &module, const CSSM_KEY &key, QByteArrayView initVector,
                           CSSM_CC_HANDLE &context)
{
    if (!module)
        return CSSMERR_CSSM_INVALID_ADDIN_HANDLE;
    // The "ASC" cipher was a compressing cipher of the original service; no description of
    // it is available to build it from, so it is refused as an unknown algorithm would be.
    if (key.algorithm == CSSM_ALGID_ASC)
        return CSSMERR_CSP_INVALID_ALGORITHM;
    const Symmetric *spec = symmetric(key.algorithm);
    if (!spec && key.algorithm != CSSM_ALGID_RSA)
        return CSSMERR_CSP_INTERNAL_ERROR;
    auto made = std::make_unique<CipherContext>();
    made->module = module;
    if (const CSSM_RETURN status = spec ? symmetricContext(*spec, key, initVector, *made) : rsaContext(module, key, made))
        return status;
    context.reset(made.release());
    return CSSM_OK;
}

CSSM_RETURN cdsaEncrypt(const CSSM_CSP_HANDLE &module, const CSSM_KEY &key, QByteArrayView input, QByteArray &output)
{
    return oneShot(module, key, input, output, Direction::Encrypt);
}

CSSM_RETURN cdsaDecrypt(const CSSM_CSP_HANDLE &module, const CSSM_KEY &key, QByteArrayView input, QByteArray &output)
{
    return oneShot(module, key, input, output, Direction::Decrypt);
}

CSSM_RETURN cdsaStagedEncDecrInit(const CSSM_CSP_HANDLE &module, const CSSM_KEY &key, StagedOperation direction,
                                  CSSM_CC_HANDLE &context)
{
    if (direction != StagedOperation::Encrypt && direction != StagedOperation::Decrypt)
        return CSSMERR_CSP_FUNCTION_NOT_IMPLEMENTED;
    CSSM_CC_HANDLE made;
    const QByteArrayView initVector(reinterpret_cast<const char *>(CdsaInitVector.data()), CdsaInitVector.size());
    if (const CSSM_RETURN status = genCryptHandle(module, key, initVector, made))
        return status;
    const Direction chosen = direction == StagedOperation::Encrypt ? Direction::Encrypt : Direction::Decrypt;
    if (const CSSM_RETURN status = static_cast<CipherContext *>(made.get())->begin(chosen))
        return status; // the context goes with `made`
    context = std::move(made);
    return CSSM_OK;
}

CSSM_RETURN cdsaStagedEncrypt(CSSM_CC_HANDLE &context, bool final, QByteArrayView input, QByteArray &output)
{
    return staged(context, final, input, output, Direction::Encrypt);
}

CSSM_RETURN cdsaStagedDecrypt(CSSM_CC_HANDLE &context, bool final, QByteArrayView input, QByteArray &output)
{
    return staged(context, final, input, output, Direction::Decrypt);
}
