// Start-up, modules, key references and what the other wrapper files share.

#include "Cdsa_p.h"

#include <openssl/crypto.h>
#include <openssl/decoder.h>
#include <openssl/err.h>
#include <openssl/provider.h>

#include <atomic>

struct CssmLoadedModule
{
    OSSL_LIB_CTX *library = nullptr;
    OSSL_PROVIDER *defaultProvider = nullptr;
    OSSL_PROVIDER *legacyProvider = nullptr;

    CssmLoadedModule()
        : library(OSSL_LIB_CTX_new())
    {
        // A private context keeps the legacy provider (DES, RC2, RC4) away from the rest of
        // the process; loading any provider there turns off the implicit default, so both.
        if (library) {
            defaultProvider = OSSL_PROVIDER_load(library, "default");
            legacyProvider = OSSL_PROVIDER_load(library, "legacy");
        }
        ERR_clear_error(); // a missing legacy provider only costs those ciphers
    }

    ~CssmLoadedModule()
    {
        if (legacyProvider)
            OSSL_PROVIDER_unload(legacyProvider);
        if (defaultProvider)
            OSSL_PROVIDER_unload(defaultProvider);
        OSSL_LIB_CTX_free(library);
    }

    CssmLoadedModule(const CssmLoadedModule &) = delete;
    CssmLoadedModule &operator=(const CssmLoadedModule &) = delete;
};

namespace {

// Set once the library has started, and never cleared.
std::atomic<bool> started{false};

std::shared_ptr<const CssmLoadedModule> loadedModule()
{
    // The first fetch in a fresh library context costs milliseconds; loading the providers
    // once makes attaching around every operation cheap.
    static const auto loaded = std::make_shared<const CssmLoadedModule>();
    return loaded->defaultProvider ? loaded : nullptr;
}

} // namespace

CSSM_RETURN cssmStartup()
{
    if (started.load(std::memory_order_acquire))
        return CSSM_OK;
    if (OPENSSL_init_crypto(OPENSSL_INIT_LOAD_CRYPTO_STRINGS, nullptr) != 1)
        return cdsa::failed(CSSMERR_CSSM_INTERNAL_ERROR);
    started.store(true, std::memory_order_release);
    return CSSM_OK;
}

CSSM_RETURN cdsaCspAttach(CSSM_CSP_HANDLE &module)
{
    if (const CSSM_RETURN status = cssmStartup())
        return status;
    auto loaded = loadedModule();
    if (!loaded)
        return CSSMERR_CSSM_MODULE_NOT_LOADED;
    auto attached = std::make_shared<CssmModule>();
    attached->library = loaded->library;
    attached->loaded = std::move(loaded);
    module = std::move(attached);
    return CSSM_OK;
}

CSSM_RETURN cdsaCspDetach(CSSM_CSP_HANDLE &module)
{
    if (!module)
        return CSSMERR_CSSM_INVALID_ADDIN_HANDLE;
    module.reset();
    return CSSM_OK;
}

void CssmContextDeleter::operator()(CssmContext *context) const
{
    std::default_delete<CssmContext>()(context);
}

CssmKeyReference::CssmKeyReference(CSSM_CSP_HANDLE module, EVP_PKEY *key)
    : module(std::move(module))
    , key(key)
{
}

CssmKeyReference::~CssmKeyReference()
{
    EVP_PKEY_free(key);
}

namespace cdsa {

CSSM_RETURN failed(CSSM_RETURN status)
{
    ERR_clear_error();
    return status;
}

QByteArray keyLabel()
{
    return QByteArray("tempKey", 8);
}

std::shared_ptr<const CssmKeyReference> makeReference(const CSSM_CSP_HANDLE &module, PkeyPtr key)
{
    auto reference = std::make_shared<const CssmKeyReference>(module, key.get());
    key.release(); // owned by the reference now
    return reference;
}

std::shared_ptr<const CssmKeyReference> referenceOf(const CSSM_CSP_HANDLE &module, const CSSM_KEY &key)
{
    if (key.reference)
        return key.reference;
    const char *type = key.algorithm == CSSM_ALGID_RSA ? "RSA" : key.algorithm == CSSM_ALGID_DSA ? "DSA" : nullptr;
    if (!module || !type || key.data.isEmpty())
        return nullptr;
    const int selection = key.keyClass == CSSM_KEYCLASS_PRIVATE_KEY ? EVP_PKEY_KEYPAIR : EVP_PKEY_PUBLIC_KEY;
    EVP_PKEY *decoded = nullptr;
    OSSL_DECODER_CTX *decoder =
        OSSL_DECODER_CTX_new_for_pkey(&decoded, "DER", nullptr, type, selection, module->library, nullptr);
    const auto *bytes = reinterpret_cast<const unsigned char *>(key.data.constData());
    std::size_t length = std::size_t(key.data.size());
    const bool ok = decoder && OSSL_DECODER_from_data(decoder, &bytes, &length) == 1 && length == 0;
    OSSL_DECODER_CTX_free(decoder);
    PkeyPtr owned(decoded);
    if (!ok) {
        failed(CSSMERR_CSP_INVALID_KEY);
        return nullptr;
    }
    return makeReference(module, std::move(owned));
}

const char *digestName(CSSM_ALGORITHMS algorithm)
{
    switch (algorithm) {
    case CSSM_ALGID_MD5:
        return "MD5";
    case CSSM_ALGID_SHA1:
        return "SHA1";
    case CSSM_ALGID_SHA224:
        return "SHA224";
    case CSSM_ALGID_SHA256:
        return "SHA256";
    case CSSM_ALGID_SHA384:
        return "SHA384";
    case CSSM_ALGID_SHA512:
        return "SHA512";
    default:
        return nullptr;
    }
}

CSSM_RETURN finish(CSSM_CC_HANDLE &context, CSSM_RETURN status)
{
    context.reset();
    return status;
}

} // namespace cdsa
