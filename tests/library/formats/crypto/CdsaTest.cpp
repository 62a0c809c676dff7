#include "Cdsa.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

QByteArray initVector(qsizetype length = 16)
{
    return QByteArray(reinterpret_cast<const char *>(CdsaInitVector.data()), length);
}

QByteArray xored(QByteArray a, const QByteArray &b)
{
    for (qsizetype i = 0; i < a.size(); ++i)
        a[i] = char(a[i] ^ b[i]);
    return a;
}

CSSM_KEY sessionKey(CSSM_ALGORITHMS algorithm, const QByteArray &bytes)
{
    CSSM_KEY key;
    key.algorithm = algorithm;
    key.logicalSizeInBits = std::uint32_t(bytes.size() * 8);
    key.data = bytes;
    return key;
}

class Cdsa : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(cdsaCspAttach(module), CSSM_OK); }
    void TearDown() override { EXPECT_EQ(cdsaCspDetach(module), CSSM_OK); }

    CSSM_KEY derive(const char *password, std::uint32_t bits)
    {
        CSSM_KEY key;
        EXPECT_EQ(cdsaDeriveKey(module, password, CSSM_ALGID_AES, bits, key), CSSM_OK);
        return key;
    }

    QByteArray encrypt(const CSSM_KEY &key, const QByteArray &plain)
    {
        QByteArray out;
        EXPECT_EQ(cdsaEncrypt(module, key, plain, out), CSSM_OK);
        return out;
    }

    CSSM_CSP_HANDLE module;
};

TEST_F(Cdsa, DerivesTheWorkedExampleKeys)
{
    const CSSM_KEY key = derive("secret", 128);
    EXPECT_EQ(key.data, hex("074dd947ff8596c8c94b5a96a2a40b27"));
    EXPECT_EQ(derive("secret", 256).data, hex("074dd947ff8596c8c94b5a96a2a40b27b71b649d5c05114e3c236bde54767dd5"));
    EXPECT_EQ(derive("", 128).data, hex("52083afade46fbf50300dae3566d33ef"));
    CSSM_KEY refused;
    for (std::uint32_t bits : {0u, 100u, 8192u})
        EXPECT_EQ(cdsaDeriveKey(module, "secret", CSSM_ALGID_AES, bits, refused), CSSMERR_CSP_INVALID_ATTR_KEY_LENGTH);
    CSSM_KEY freed = key;
    EXPECT_EQ(cdsaFreeKey(module, freed), CSSM_OK);
    EXPECT_TRUE(freed.data.isEmpty());
    EXPECT_EQ(key.data.size(), 16); // a copy keeps its bytes
}

// Known answers through the whole path: with CBC, the first block enciphers plaintext XOR
// vector, so a plaintext block chosen as P XOR vector gives the cipher's answer for P.
TEST_F(Cdsa, KnownAnswersOfEveryCipher)
{
    const struct
    {
        CSSM_ALGORITHMS algorithm;
        const char *key, *plain, *cipher;
    } rows[] = {
        {CSSM_ALGID_AES, "074dd947ff8596c8c94b5a96a2a40b27", "68656c6c6f0b0b0b0b0b0b0b0b0b0b0b", "10f7e099b656f0a057b68015180a474e"},
        {CSSM_ALGID_AES, "074dd947ff8596c8c94b5a96a2a40b27b71b649d5c05114e3c236bde54767dd5",
         "68656c6c6f0b0b0b0b0b0b0b0b0b0b0b", "e17ae9924ea92cb2a96bec600a912679"},
        {CSSM_ALGID_DES, "133457799bbcdff1", "0123456789abcdef", "85e813540f0ab405"},
        {CSSM_ALGID_3DES_3KEY_EDE, "133457799bbcdff1133457799bbcdff1133457799bbcdff1", "0123456789abcdef", "85e813540f0ab405"},
        {CSSM_ALGID_RC2, "ffffffffffffffff", "ffffffffffffffff", "278b27e42e2f0d49"},
        {CSSM_ALGID_RC2, "88bca90e90875a7f0f79c384627bafb2", "0000000000000000", "2269552ab0f85ca6"},
        {CSSM_ALGID_RC5, "000102030405060708090a0b0c0d0e0f", "0001020304050607", "3e2e95357027d896"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.cipher);
        const CSSM_KEY key = sessionKey(row.algorithm, hex(row.key));
        const QByteArray plain = hex(row.plain);
        const QByteArray chosen = xored(plain, initVector(plain.size()));
        const QByteArray cipher = encrypt(key, chosen);
        EXPECT_EQ(cipher.size(), 2 * plain.size()); // a whole block of padding follows
        EXPECT_EQ(cipher.left(plain.size()), hex(row.cipher));
        QByteArray back;
        EXPECT_EQ(cdsaDecrypt(module, key, cipher, back), CSSM_OK);
        EXPECT_EQ(back, chosen);
    }
    // RC4 is a stream: no vector, no padding.
    EXPECT_EQ(encrypt(sessionKey(CSSM_ALGID_RC4, "Key"), "Plaintext"), hex("bbf316e8d940af0ad3"));
    EXPECT_EQ(encrypt(sessionKey(CSSM_ALGID_RC4, QByteArray(256, 'k')), "").size(), 0);
}

TEST_F(Cdsa, DecryptionRefusesWhatNoEncryptionGives)
{
    const CSSM_KEY key = derive("secret", 128);
    const QByteArray cipher = encrypt(key, "hello, hello, hello");
    QByteArray out = "untouched";
    EXPECT_EQ(cdsaDecrypt(module, key, "", out), CSSMERR_CSP_INPUT_LENGTH_ERROR);
    EXPECT_EQ(cdsaDecrypt(module, key, cipher.left(17), out), CSSMERR_CSP_INPUT_LENGTH_ERROR);
    EXPECT_EQ(cdsaDecrypt(module, derive("secreT", 128), cipher, out), CSSMERR_CSP_INVALID_DATA);
    EXPECT_EQ(cdsaDecrypt(module, derive("secret", 256), cipher, out), CSSMERR_CSP_INVALID_DATA);
    EXPECT_EQ(cdsaDecrypt(module, sessionKey(CSSM_ALGID_RC5, "five"), cipher.left(12), out), CSSMERR_CSP_INPUT_LENGTH_ERROR);
    EXPECT_EQ(out, "untouched");
}

TEST_F(Cdsa, StagedEncryptionMatchesOneShotAndDeletesItsContext)
{
    const QByteArray plain = "staged operations feed their input in pieces of any size";
    for (CSSM_KEY key : {derive("secret", 128), sessionKey(CSSM_ALGID_RC5, "five"), sessionKey(CSSM_ALGID_RC4, "four")}) {
        SCOPED_TRACE(key.algorithm);
        for (auto [direction, input, expected] : {std::tuple{StagedOperation::Encrypt, plain, encrypt(key, plain)},
                                                  std::tuple{StagedOperation::Decrypt, encrypt(key, plain), plain}}) {
            CSSM_CC_HANDLE context;
            ASSERT_EQ(cdsaStagedEncDecrInit(module, key, direction, context), CSSM_OK);
            const auto step = direction == StagedOperation::Encrypt ? cdsaStagedEncrypt : cdsaStagedDecrypt;
            QByteArray all, out;
            for (qsizetype i = 0; i < input.size(); i += 5) {
                ASSERT_EQ(step(context, false, QByteArrayView(input).sliced(i, std::min<qsizetype>(5, input.size() - i)), out), CSSM_OK);
                all += out;
            }
            EXPECT_EQ(step(context, true, {}, out), CSSM_OK);
            EXPECT_EQ(all + out, expected);
            EXPECT_FALSE(context);
            EXPECT_EQ(step(context, true, {}, out), CSSMERR_CSP_INVALID_CONTEXT_HANDLE);
        }
    }
    CSSM_CC_HANDLE context;
    const CSSM_KEY key = derive("secret", 128);
    EXPECT_EQ(cdsaStagedEncDecrInit(module, key, StagedOperation(7), context), CSSMERR_CSP_FUNCTION_NOT_IMPLEMENTED);
    EXPECT_EQ(cdsaStagedEncDecrInit(module, key, StagedOperation::Sign, context), CSSMERR_CSP_FUNCTION_NOT_IMPLEMENTED);
    EXPECT_EQ(cdsaStagedEncDecrInit(module, sessionKey(CSSM_ALGID_ASC, "k"), StagedOperation::Encrypt, context),
              CSSMERR_CSP_INVALID_ALGORITHM);
    EXPECT_FALSE(context);
    // A decryption ending in bad padding fails at the end and still deletes its context;
    // an encryption context does not decrypt.
    ASSERT_EQ(cdsaStagedEncDecrInit(module, key, StagedOperation::Decrypt, context), CSSM_OK);
    QByteArray out;
    EXPECT_EQ(cdsaStagedEncrypt(context, true, QByteArray(16, 'x'), out), CSSMERR_CSP_INVALID_CONTEXT_HANDLE);
    EXPECT_TRUE(context);
    EXPECT_EQ(cdsaStagedDecrypt(context, true, encrypt(derive("other", 128), "x"), out), CSSMERR_CSP_INVALID_DATA);
    EXPECT_FALSE(context);
}

TEST_F(Cdsa, RsaRunsAsABlockCipherInBothDirections)
{
    CSSM_KEY publicKey, privateKey;
    ASSERT_EQ(cdsaGenerateKeyPair(module, CSSM_ALGID_RSA, 1024, publicKey, privateKey), CSSM_OK);
    EXPECT_EQ(publicKey.data.size(), 140); // PKCS#1 RSAPublicKey
    const QByteArray plain(300, 'r');     // 117 + 117 + 66
    const QByteArray cipher = encrypt(publicKey, plain);
    EXPECT_EQ(cipher.size(), 3 * 128);
    QByteArray back;
    EXPECT_EQ(cdsaDecrypt(module, privateKey, cipher, back), CSSM_OK);
    EXPECT_EQ(back, plain);
    EXPECT_EQ(cdsaDecrypt(module, privateKey, cipher.left(200), back), CSSMERR_CSP_INPUT_LENGTH_ERROR);
    // The private key's operation one way, the public key's the other; keys made of their
    // bytes alone work as well.
    CSSM_KEY publicFromBytes = publicKey, privateFromBytes = privateKey;
    publicFromBytes.reference.reset();
    privateFromBytes.reference.reset();
    EXPECT_EQ(cdsaDecrypt(module, publicFromBytes, encrypt(privateFromBytes, plain), back), CSSM_OK);
    EXPECT_EQ(back, plain);
    // A staged decryption that fails while fed, on its final call, deletes its context.
    CSSM_KEY otherPublic, otherPrivate;
    ASSERT_EQ(cdsaGenerateKeyPair(module, CSSM_ALGID_RSA, 1024, otherPublic, otherPrivate), CSSM_OK);
    CSSM_CC_HANDLE context;
    ASSERT_EQ(cdsaStagedEncDecrInit(module, otherPrivate, StagedOperation::Decrypt, context), CSSM_OK);
    EXPECT_EQ(cdsaStagedDecrypt(context, true, cipher, back), CSSMERR_CSP_INVALID_DATA);
    EXPECT_FALSE(context);
}

TEST_F(Cdsa, SignaturesWithRsaAndDsa)
{
    CSSM_KEY rsaPublic, rsaPrivate, dsaPublic, dsaPrivate;
    ASSERT_EQ(cdsaGenerateKeyPair(module, CSSM_ALGID_RSA, 1024, rsaPublic, rsaPrivate), CSSM_OK);
    ASSERT_EQ(cdsaGenerateKeyPair(module, CSSM_ALGID_DSA, 1024, dsaPublic, dsaPrivate), CSSM_OK);
    const QByteArray data = "signed and verified";
    for (auto [algorithm, publicKey, privateKey] : {std::tuple{CSSM_ALGID_SHA1WithRSA, rsaPublic, rsaPrivate},
                                                    {CSSM_ALGID_SHA256WithRSA, rsaPublic, rsaPrivate},
                                                    {CSSM_ALGID_MD5WithRSA, rsaPublic, rsaPrivate},
                                                    {CSSM_ALGID_SHA1WithDSA, dsaPublic, dsaPrivate}}) {
        SCOPED_TRACE(algorithm);
        QByteArray signature, staged;
        ASSERT_EQ(cdsaSign(module, privateKey, algorithm, data, signature), CSSM_OK);
        EXPECT_EQ(cdsaVerify(module, publicKey, algorithm, data, signature), CSSM_OK);
        EXPECT_EQ(cdsaVerify(module, publicKey, algorithm, "tampered", signature), CSSMERR_CSP_VERIFY_FAILED);
        CSSM_CC_HANDLE context;
        ASSERT_EQ(cdsaStagedSignVerifyInit(module, privateKey, algorithm, StagedOperation::Sign, context), CSSM_OK);
        EXPECT_EQ(cdsaStagedSign(context, false, "signed ", staged), CSSM_OK);
        EXPECT_EQ(cdsaStagedSign(context, true, "and verified", staged), CSSM_OK);
        EXPECT_FALSE(context);
        ASSERT_EQ(cdsaStagedSignVerifyInit(module, publicKey, algorithm, StagedOperation::Verify, context), CSSM_OK);
        EXPECT_EQ(cdsaStagedVerify(context, false, "signed and ", {}), CSSM_OK);
        EXPECT_EQ(cdsaStagedVerify(context, true, "verified", staged), CSSM_OK);
        EXPECT_FALSE(context);
        if (algorithm == CSSM_ALGID_SHA1WithDSA)
            EXPECT_LE(signature.size(), 48); // a 160-bit q
        else
            EXPECT_EQ(staged, signature); // PKCS#1 v1.5 is deterministic
    }
    QByteArray signature;
    EXPECT_EQ(cdsaVerify(module, dsaPublic, CSSM_ALGID_SHA1WithDSA, data, "not DER"), CSSMERR_CSP_INVALID_SIGNATURE);
    EXPECT_EQ(cdsaSign(module, rsaPublic, CSSM_ALGID_SHA1WithRSA, data, signature), CSSMERR_CSP_INVALID_KEY_CLASS);
    EXPECT_EQ(cdsaSign(module, rsaPrivate, CSSM_ALGID_SHA1WithDSA, data, signature), CSSMERR_CSP_INVALID_KEY);
    EXPECT_EQ(cdsaSign(module, rsaPrivate, CSSM_ALGID_SHA1, data, signature), CSSMERR_CSP_INVALID_ALGORITHM);
}

} // namespace
