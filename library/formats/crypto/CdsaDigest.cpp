// Digests and signatures, one-shot and staged.

#include "Cdsa_p.h"

#include <optional>

using namespace cdsa;

namespace {

struct DigestContext final : CssmContext
{
    DigestContextPtr digest;
};

struct SignatureContext final : CssmContext
{
    std::shared_ptr<const CssmKeyReference> key; // the key must outlive the operation
    DigestContextPtr digest;
    bool signing = true;
};

struct SignatureAlgorithm
{
    const char *keyType;
    const char *digest;
};

std::optional<SignatureAlgorithm> signatureAlgorithm(CSSM_ALGORITHMS algorithm)
{
    switch (algorithm) {
    case CSSM_ALGID_MD5WithRSA:
        return SignatureAlgorithm{"RSA", "MD5"};
    case CSSM_ALGID_SHA1WithRSA:
        return SignatureAlgorithm{"RSA", "SHA1"};
    case CSSM_ALGID_SHA256WithRSA:
        return SignatureAlgorithm{"RSA", "SHA256"};
    case CSSM_ALGID_SHA1WithDSA:
        return SignatureAlgorithm{"DSA", "SHA1"};
    default:
        return std::nullopt;
    }
}

// A digest-sign or digest-verify context for `key`, ready for its data.
CSSM_RETURN beginSignature(const CSSM_CSP_HANDLE &module, const CSSM_KEY &key, CSSM_ALGORITHMS algorithm, bool signing,
                           SignatureContext &context)
{
    if (!module)
        return CSSMERR_CSSM_INVALID_ADDIN_HANDLE;
    const auto chosen = signatureAlgorithm(algorithm);
    if (!chosen)
        return CSSMERR_CSP_INVALID_ALGORITHM;
    if (signing && key.keyClass != CSSM_KEYCLASS_PRIVATE_KEY)
        return CSSMERR_CSP_INVALID_KEY_CLASS;
    context.key = referenceOf(module, key);
    if (!context.key || !EVP_PKEY_is_a(context.key->key, chosen->keyType))
        return CSSMERR_CSP_INVALID_KEY;
    context.digest.reset(EVP_MD_CTX_new());
    context.signing = signing;
    const int begun = !context.digest ? 0
        : signing ? EVP_DigestSignInit_ex(context.digest.get(), nullptr, chosen->digest, module->library, nullptr, context.key->key, nullptr)
                  : EVP_DigestVerifyInit_ex(context.digest.get(), nullptr, chosen->digest, module->library, nullptr, context.key->key, nullptr);
    return begun == 1 ? CSSM_OK : failed(CSSMERR_CSP_INVALID_KEY);
}

CSSM_RETURN feed(SignatureContext &context, QByteArrayView data)
{
    const int fed = context.signing ? EVP_DigestSignUpdate(context.digest.get(), data.data(), std::size_t(data.size()))
                                    : EVP_DigestVerifyUpdate(context.digest.get(), data.data(), std::size_t(data.size()));
    return fed == 1 ? CSSM_OK : failed(CSSMERR_CSP_FUNCTION_FAILED);
}

CSSM_RETURN produceSignature(SignatureContext &context, QByteArray &signature)
{
    std::size_t length = 0;
    if (EVP_DigestSignFinal(context.digest.get(), nullptr, &length) != 1)
        return failed(CSSMERR_CSP_FUNCTION_FAILED);
    QByteArray bytes(qsizetype(length), Qt::Uninitialized);
    if (EVP_DigestSignFinal(context.digest.get(), reinterpret_cast<unsigned char *>(bytes.data()), &length) != 1)
        return failed(CSSMERR_CSP_FUNCTION_FAILED);
    bytes.truncate(qsizetype(length));
    signature = std::move(bytes);
    return CSSM_OK;
}

// OpenSSL answers 1 for a match, 0 for a mismatch and less for a signature it cannot decode.
CSSM_RETURN checkSignature(SignatureContext &context, QByteArrayView signature)
{
    const int verified = EVP_DigestVerifyFinal(context.digest.get(), reinterpret_cast<const unsigned char *>(signature.data()),
                                               std::size_t(signature.size()));
    return verified == 1 ? CSSM_OK : failed(verified == 0 ? CSSMERR_CSP_VERIFY_FAILED : CSSMERR_CSP_INVALID_SIGNATURE);
}

SignatureContext *signatureOf(const CSSM_CC_HANDLE &context, bool signing)
{
    auto *found = dynamic_cast<SignatureContext *>(context.get());
    return found && found->signing == signing ? found : nullptr;
}

} // namespace

CSSM_RETURN cdsaDigest(const CSSM_CSP_HANDLE &module, CSSM_ALGORITHMS algorithm, QByteArrayView input, QByteArray &digest)
{
    CSSM_CC_HANDLE context;
    if (const CSSM_RETURN status = cdsaStagedDigestInit(module, algorithm, context))
        return status;
    return cdsaStagedDigest(context, true, input, digest);
}

CSSM_RETURN cdsaStagedDigestInit(const CSSM_CSP_HANDLE &module, CSSM_ALGORITHMS algorithm, CSSM_CC_HANDLE &context)
{
    if (!module)
        return CSSMERR_CSSM_INVALID_ADDIN_HANDLE;
    const char *name = digestName(algorithm);
    if (!name)
        return CSSMERR_CSP_INVALID_ALGORITHM;
    DigestPtr digest(EVP_MD_fetch(module->library, name, nullptr));
    auto made = std::make_unique<DigestContext>();
    made->digest.reset(EVP_MD_CTX_new());
    if (!digest || !made->digest || EVP_DigestInit_ex2(made->digest.get(), digest.get(), nullptr) != 1)
        return failed(CSSMERR_CSP_INVALID_ALGORITHM);
    context.reset(made.release());
    return CSSM_OK;
}

CSSM_RETURN cdsaStagedDigest(CSSM_CC_HANDLE &context, bool final, QByteArrayView input, QByteArray &digest)
{
    auto *found = dynamic_cast<DigestContext *>(context.get());
    if (!found)
        return CSSMERR_CSP_INVALID_CONTEXT_HANDLE;
    CSSM_RETURN status = EVP_DigestUpdate(found->digest.get(), input.data(), std::size_t(input.size())) == 1
        ? CSSM_OK
        : failed(CSSMERR_CSP_FUNCTION_FAILED);
    if (!final)
        return status;
    unsigned char bytes[EVP_MAX_MD_SIZE];
    unsigned length = 0;
    if (!status && EVP_DigestFinal_ex(found->digest.get(), bytes, &length) != 1)
        status = failed(CSSMERR_CSP_FUNCTION_FAILED);
    if (!status)
        digest = QByteArray(reinterpret_cast<const char *>(bytes), qsizetype(length));
    return finish(context, status);
}

CSSM_RETURN cdsaSign(const CSSM_CSP_HANDLE &module, const CSSM_KEY &key, CSSM_ALGORITHMS algorithm, QByteArrayView data,
                     QByteArray &signature)
{
    CSSM_CC_HANDLE context;
    if (const CSSM_RETURN status = cdsaStagedSignVerifyInit(module, key, algorithm, StagedOperation::Sign, context))
        return status;
    return cdsaStagedSign(context, true, data, signature);
}

CSSM_RETURN cdsaVerify(const CSSM_CSP_HANDLE &module, const CSSM_KEY &key, CSSM_ALGORITHMS algorithm, QByteArrayView data,
                       QByteArrayView signature)
{
    CSSM_CC_HANDLE context;
    if (const CSSM_RETURN status = cdsaStagedSignVerifyInit(module, key, algorithm, StagedOperation::Verify, context))
        return status;
    return cdsaStagedVerify(context, true, data, signature);
}

CSSM_RETURN cdsaStagedSignVerifyInit(const CSSM_CSP_HANDLE &module, const CSSM_KEY &key, CSSM_ALGORITHMS algorithm,
                                     StagedOperation direction, CSSM_CC_HANDLE &context)
{
    if (direction != StagedOperation::Sign && direction != StagedOperation::Verify)
        return CSSMERR_CSP_FUNCTION_NOT_IMPLEMENTED;
    auto made = std::make_unique<SignatureContext>();
    if (const CSSM_RETURN status = beginSignature(module, key, algorithm, direction == StagedOperation::Sign, *made))
        return status;
    context.reset(made.release());
    return CSSM_OK;
}

CSSM_RETURN cdsaStagedSign(CSSM_CC_HANDLE &context, bool final, QByteArrayView data, QByteArray &signature)
{
    SignatureContext *found = signatureOf(context, true);
    if (!found)
        return CSSMERR_CSP_INVALID_CONTEXT_HANDLE;
    CSSM_RETURN status = feed(*found, data);
    if (!final)
        return status;
    if (!status)
        status = produceSignature(*found, signature);
    return finish(context, status);
}

CSSM_RETURN cdsaStagedVerify(CSSM_CC_HANDLE &context, bool final, QByteArrayView data, QByteArrayView signature)
{
    SignatureContext *found = signatureOf(context, false);
    if (!found)
        return CSSMERR_CSP_INVALID_CONTEXT_HANDLE;
    CSSM_RETURN status = feed(*found, data);
    if (!final)
        return status;
    if (!status)
        status = checkSignature(*found, signature);
    return finish(context, status);
}
