#pragma once

#include <QByteArray>

#include <cstdint>
#include <memory>

/// The records and numbers of the cryptographic service that the `cdsa` wrappers (Cdsa.h)
/// stand on. The numbers are the original service's, so that stored values and compared
/// statuses keep their meaning; the records are this library's own.

/// A status: 0 for success, else one of the CSSMERR_ values below (negative as an int).
using CSSM_RETURN = std::int32_t;
using CSSM_ALGORITHMS = std::uint32_t;
using CSSM_KEYCLASS = std::uint32_t;
using CSSM_KEYUSE = std::uint32_t;
using CSSM_KEYATTR_FLAGS = std::uint32_t;
using CSSM_ENCRYPT_MODE = std::uint32_t;
using CSSM_PADDING = std::uint32_t;

constexpr CSSM_RETURN CSSM_OK = 0;

// --- Statuses ----------------------------------------------------------------------------
// The service's error space: module base plus code. The wrappers return these unchanged.

constexpr CSSM_RETURN CSSMERR_CSSM_INTERNAL_ERROR = CSSM_RETURN(0x80010001u);
constexpr CSSM_RETURN CSSMERR_CSSM_MEMORY_ERROR = CSSM_RETURN(0x80010002u);
/// Both or neither of the Diffie-Hellman parameter arguments.
constexpr CSSM_RETURN CSSMERR_CSSM_INVALID_POINTER = CSSM_RETURN(0x80010004u);
constexpr CSSM_RETURN CSSMERR_CSSM_INVALID_ADDIN_HANDLE = CSSM_RETURN(0x80010101u);
constexpr CSSM_RETURN CSSMERR_CSSM_MODULE_NOT_LOADED = CSSM_RETURN(0x8001011Eu);
/// A key algorithm that genCryptHandle() has no context for.
constexpr CSSM_RETURN CSSMERR_CSP_INTERNAL_ERROR = CSSM_RETURN(0x80010801u);
constexpr CSSM_RETURN CSSMERR_CSP_MEMORY_ERROR = CSSM_RETURN(0x80010802u);
/// A staged operation's direction that is none of the four.
constexpr CSSM_RETURN CSSMERR_CSP_FUNCTION_NOT_IMPLEMENTED = CSSM_RETURN(0x80010807u);
constexpr CSSM_RETURN CSSMERR_CSP_FUNCTION_FAILED = CSSM_RETURN(0x8001080Au);
constexpr CSSM_RETURN CSSMERR_CSP_INVALID_CONTEXT_HANDLE = CSSM_RETURN(0x80010840u);
/// Decrypted bytes whose padding is wrong (most wrong passwords).
constexpr CSSM_RETURN CSSMERR_CSP_INVALID_DATA = CSSM_RETURN(0x80010846u);
/// Ciphertext that is empty or not a whole number of blocks.
constexpr CSSM_RETURN CSSMERR_CSP_INPUT_LENGTH_ERROR = CSSM_RETURN(0x80010901u);
constexpr CSSM_RETURN CSSMERR_CSP_INVALID_KEY = CSSM_RETURN(0x80010910u);
constexpr CSSM_RETURN CSSMERR_CSP_INVALID_KEY_REFERENCE = CSSM_RETURN(0x80010911u);
constexpr CSSM_RETURN CSSMERR_CSP_INVALID_KEY_CLASS = CSSM_RETURN(0x80010912u);
constexpr CSSM_RETURN CSSMERR_CSP_UNSUPPORTED_KEY_SIZE = CSSM_RETURN(0x80010918u);
constexpr CSSM_RETURN CSSMERR_CSP_INVALID_ALGORITHM = CSSM_RETURN(0x80010931u);
/// A key whose size its algorithm does not take.
constexpr CSSM_RETURN CSSMERR_CSP_INVALID_ATTR_KEY = CSSM_RETURN(0x80010936u);
constexpr CSSM_RETURN CSSMERR_CSP_INVALID_ATTR_INIT_VECTOR = CSSM_RETURN(0x80010938u);
constexpr CSSM_RETURN CSSMERR_CSP_MISSING_ATTR_INIT_VECTOR = CSSM_RETURN(0x80010939u);
constexpr CSSM_RETURN CSSMERR_CSP_INVALID_ATTR_KEY_LENGTH = CSSM_RETURN(0x80010944u);
constexpr CSSM_RETURN CSSMERR_CSP_VERIFY_FAILED = CSSM_RETURN(0x8001094Au);
constexpr CSSM_RETURN CSSMERR_CSP_INVALID_SIGNATURE = CSSM_RETURN(0x8001094Bu);
constexpr CSSM_RETURN CSSMERR_CSP_INVALID_ATTR_ALG_PARAMS = CSSM_RETURN(0x80010968u);

// --- Algorithms --------------------------------------------------------------------------

constexpr CSSM_ALGORITHMS CSSM_ALGID_DH = 2;
constexpr CSSM_ALGORITHMS CSSM_ALGID_MD5 = 7;
constexpr CSSM_ALGORITHMS CSSM_ALGID_SHA1 = 8;
constexpr CSSM_ALGORITHMS CSSM_ALGID_DES = 14;
constexpr CSSM_ALGORITHMS CSSM_ALGID_3DES_3KEY_EDE = 17;
constexpr CSSM_ALGORITHMS CSSM_ALGID_RC2 = 23;
constexpr CSSM_ALGORITHMS CSSM_ALGID_RC5 = 24;
constexpr CSSM_ALGORITHMS CSSM_ALGID_RC4 = 25;
constexpr CSSM_ALGORITHMS CSSM_ALGID_RSA = 42;
constexpr CSSM_ALGORITHMS CSSM_ALGID_DSA = 43;
constexpr CSSM_ALGORITHMS CSSM_ALGID_MD5WithRSA = 44;
constexpr CSSM_ALGORITHMS CSSM_ALGID_SHA1WithRSA = 51;
constexpr CSSM_ALGORITHMS CSSM_ALGID_SHA1WithDSA = 81;
constexpr CSSM_ALGORITHMS CSSM_ALGID_PKCS5_PBKDF2 = 103;
constexpr CSSM_ALGORITHMS CSSM_ALGID_AES = 0x80000001u;
constexpr CSSM_ALGORITHMS CSSM_ALGID_ASC = 0x80000007u;
constexpr CSSM_ALGORITHMS CSSM_ALGID_SHA256 = 0x8000000Eu;
constexpr CSSM_ALGORITHMS CSSM_ALGID_SHA384 = 0x8000000Fu;
constexpr CSSM_ALGORITHMS CSSM_ALGID_SHA512 = 0x80000010u;
constexpr CSSM_ALGORITHMS CSSM_ALGID_SHA224 = 0x80000012u;
constexpr CSSM_ALGORITHMS CSSM_ALGID_SHA256WithRSA = 0x80000014u;

constexpr CSSM_ENCRYPT_MODE CSSM_ALGMODE_NONE = 0;
constexpr CSSM_ENCRYPT_MODE CSSM_ALGMODE_CBCPadIV8 = 6;
constexpr CSSM_PADDING CSSM_PADDING_NONE = 0;
constexpr CSSM_PADDING CSSM_PADDING_PKCS5 = 6;
constexpr CSSM_PADDING CSSM_PADDING_PKCS7 = 7;
constexpr CSSM_PADDING CSSM_PADDING_PKCS1 = 10;

// --- Keys --------------------------------------------------------------------------------

constexpr CSSM_KEYCLASS CSSM_KEYCLASS_PUBLIC_KEY = 0;
constexpr CSSM_KEYCLASS CSSM_KEYCLASS_PRIVATE_KEY = 1;
constexpr CSSM_KEYCLASS CSSM_KEYCLASS_SESSION_KEY = 2;

constexpr CSSM_KEYUSE CSSM_KEYUSE_ENCRYPT = 0x1;
constexpr CSSM_KEYUSE CSSM_KEYUSE_DECRYPT = 0x2;
constexpr CSSM_KEYUSE CSSM_KEYUSE_SIGN = 0x4;
constexpr CSSM_KEYUSE CSSM_KEYUSE_VERIFY = 0x8;
constexpr CSSM_KEYUSE CSSM_KEYUSE_DERIVE = 0x100;
constexpr CSSM_KEYUSE CSSM_KEYUSE_ANY = 0x80000000u;

constexpr CSSM_KEYATTR_FLAGS CSSM_KEYATTR_EXTRACTABLE = 0x20;
constexpr CSSM_KEYATTR_FLAGS CSSM_KEYATTR_RETURN_DATA = 0x10000000;
constexpr CSSM_KEYATTR_FLAGS CSSM_KEYATTR_RETURN_REF = 0x20000000;

/// The library's side of an asymmetric key (opaque).
struct CssmKeyReference;

/// A key as the wrappers make and take it.
struct CSSM_KEY
{
    CSSM_ALGORITHMS algorithm = 0;
    CSSM_KEYCLASS keyClass = CSSM_KEYCLASS_SESSION_KEY;
    std::uint32_t logicalSizeInBits = 0;
    CSSM_KEYUSE usage = 0;
    CSSM_KEYATTR_FLAGS attributes = 0;
    /// "tempKey" with its NUL, for every key the wrappers make.
    QByteArray label;
    /// The key as bytes when it is returned as data: a symmetric key's own bytes; DER for
    /// RSA (public PKCS#1, private PKCS#8) and DSA (public SubjectPublicKeyInfo, private
    /// the traditional DSAPrivateKey); the bare big-endian public value of a Diffie-Hellman
    /// public key. A key made of these bytes alone (with algorithm and class) works too.
    QByteArray data;
    /// The key inside the library, set for asymmetric keys the wrappers make; the only form
    /// of a Diffie-Hellman private key, which is returned as a reference.
    std::shared_ptr<const CssmKeyReference> reference;
};

/// An attached cryptographic module: an OpenSSL library context with the default and legacy
/// providers. Copies share it; keys and contexts made with it keep it alive.
struct CssmModule;
using CSSM_CSP_HANDLE = std::shared_ptr<CssmModule>;

/// An operation's context (cipher, digest or signature); empty once deleted.
struct CssmContext;
struct CssmContextDeleter
{
    void operator()(CssmContext *context) const;
};
using CSSM_CC_HANDLE = std::unique_ptr<CssmContext, CssmContextDeleter>;
