#pragma once

// What the cdsa wrappers share inside the library: the module and key records behind the
// opaque handles, owning pointers for OpenSSL's objects, and a few helpers.

#include "Cdsa.h"

#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/types.h>

#include <memory>

/// The providers, loaded into one library context for the whole process the first time a
/// module is attached (as the original service loaded its module once); kept until exit.
struct CssmLoadedModule;

struct CssmModule
{
    std::shared_ptr<const CssmLoadedModule> loaded;
    OSSL_LIB_CTX *library = nullptr;
};

struct CssmKeyReference
{
    CSSM_CSP_HANDLE module; // the key lives in the module's library context
    EVP_PKEY *key = nullptr;

    CssmKeyReference(CSSM_CSP_HANDLE module, EVP_PKEY *key);
    ~CssmKeyReference();
    CssmKeyReference(const CssmKeyReference &) = delete;
    CssmKeyReference &operator=(const CssmKeyReference &) = delete;
};

/// Every context kind derives from this; the kinds are told apart with dynamic_cast.
struct CssmContext
{
    virtual ~CssmContext() = default;
};

namespace cdsa {

template<typename T, void (*Free)(T *)>
struct Deleter
{
    void operator()(T *p) const { Free(p); }
};

using PkeyPtr = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY, EVP_PKEY_free>>;
using PkeyContextPtr = std::unique_ptr<EVP_PKEY_CTX, Deleter<EVP_PKEY_CTX, EVP_PKEY_CTX_free>>;
using CipherPtr = std::unique_ptr<EVP_CIPHER, Deleter<EVP_CIPHER, EVP_CIPHER_free>>;
using CipherContextPtr = std::unique_ptr<EVP_CIPHER_CTX, Deleter<EVP_CIPHER_CTX, EVP_CIPHER_CTX_free>>;
using DigestPtr = std::unique_ptr<EVP_MD, Deleter<EVP_MD, EVP_MD_free>>;
using DigestContextPtr = std::unique_ptr<EVP_MD_CTX, Deleter<EVP_MD_CTX, EVP_MD_CTX_free>>;
using BignumPtr = std::unique_ptr<BIGNUM, Deleter<BIGNUM, BN_free>>;

/// Returns `status`, first dropping what OpenSSL queued about the failure, so that errors
/// never pile up in the thread's queue.
CSSM_RETURN failed(CSSM_RETURN status);

/// The label of every key the wrappers make: "tempKey" and its NUL.
QByteArray keyLabel();

/// Wraps `key` (owned from now on) as a reference for the key record.
std::shared_ptr<const CssmKeyReference> makeReference(const CSSM_CSP_HANDLE &module, PkeyPtr key);

/// The OpenSSL key behind an asymmetric key record: its reference, else the key decoded
/// from its bytes. Null when there is neither.
std::shared_ptr<const CssmKeyReference> referenceOf(const CSSM_CSP_HANDLE &module, const CSSM_KEY &key);

/// The digest's OpenSSL name; null for algorithms that are no digest.
const char *digestName(CSSM_ALGORITHMS algorithm);

/// Deletes `context` and passes `status` on: for the final call of a staged operation.
CSSM_RETURN finish(CSSM_CC_HANDLE &context, CSSM_RETURN status);

} // namespace cdsa
