// libcrypto's functions that the engine's encrypted files use, each
// forwarding to the library's own once the library is loaded.
#include "platform/jet/CryptoLibrary.h"

#include "platform/system/LazyLibrary.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

#include <atomic>
#include <stdexcept>

namespace {

platform::TLazyLibrary& Crypto()
{
    static platform::TLazyLibrary library("crypto", 3);
    return library;
}

std::atomic<bool> LoadedOnce{false};

} // namespace

namespace jet::crypto {

bool Load()
{
    if (LoadedOnce)
        return true;
    try {
        platform::TLazyLibrary& library = Crypto();
        library.Function<&EVP_aes_256_gcm>("EVP_aes_256_gcm");
        library.Function<&EVP_sha256>("EVP_sha256");
        library.Function<&EVP_CIPHER_CTX_new>("EVP_CIPHER_CTX_new");
        library.Function<&EVP_CIPHER_CTX_free>("EVP_CIPHER_CTX_free");
        library.Function<&EVP_CIPHER_CTX_ctrl>("EVP_CIPHER_CTX_ctrl");
        library.Function<&EVP_EncryptInit_ex>("EVP_EncryptInit_ex");
        library.Function<&EVP_EncryptUpdate>("EVP_EncryptUpdate");
        library.Function<&EVP_EncryptFinal_ex>("EVP_EncryptFinal_ex");
        library.Function<&EVP_DecryptInit_ex>("EVP_DecryptInit_ex");
        library.Function<&EVP_DecryptUpdate>("EVP_DecryptUpdate");
        library.Function<&EVP_DecryptFinal_ex>("EVP_DecryptFinal_ex");
        library.Function<&HMAC>("HMAC");
        library.Function<&RAND_bytes>("RAND_bytes");
        library.Function<&CRYPTO_memcmp>("CRYPTO_memcmp");
        library.Function<&OPENSSL_cleanse>("OPENSSL_cleanse");
    } catch (const std::runtime_error&) {
        return false;
    }
    LoadedOnce = true;
    return true;
}

bool Loaded()
{
    return LoadedOnce;
}

} // namespace jet::crypto

const EVP_CIPHER* EVP_aes_256_gcm(void)
{
    return Crypto().Function<&EVP_aes_256_gcm>("EVP_aes_256_gcm")();
}

const EVP_MD* EVP_sha256(void)
{
    return Crypto().Function<&EVP_sha256>("EVP_sha256")();
}

EVP_CIPHER_CTX* EVP_CIPHER_CTX_new(void)
{
    return Crypto().Function<&EVP_CIPHER_CTX_new>("EVP_CIPHER_CTX_new")();
}

void EVP_CIPHER_CTX_free(EVP_CIPHER_CTX* c)
{
    Crypto().Function<&EVP_CIPHER_CTX_free>("EVP_CIPHER_CTX_free")(c);
}

int EVP_CIPHER_CTX_ctrl(EVP_CIPHER_CTX* ctx, int type, int arg, void* ptr)
{
    return Crypto().Function<&EVP_CIPHER_CTX_ctrl>("EVP_CIPHER_CTX_ctrl")(ctx, type, arg, ptr);
}

int EVP_EncryptInit_ex(EVP_CIPHER_CTX* ctx, const EVP_CIPHER* cipher, ENGINE* impl, const unsigned char* key,
                       const unsigned char* iv)
{
    return Crypto().Function<&EVP_EncryptInit_ex>("EVP_EncryptInit_ex")(ctx, cipher, impl, key, iv);
}

int EVP_EncryptUpdate(EVP_CIPHER_CTX* ctx, unsigned char* out, int* outl, const unsigned char* in, int inl)
{
    return Crypto().Function<&EVP_EncryptUpdate>("EVP_EncryptUpdate")(ctx, out, outl, in, inl);
}

int EVP_EncryptFinal_ex(EVP_CIPHER_CTX* ctx, unsigned char* out, int* outl)
{
    return Crypto().Function<&EVP_EncryptFinal_ex>("EVP_EncryptFinal_ex")(ctx, out, outl);
}

int EVP_DecryptInit_ex(EVP_CIPHER_CTX* ctx, const EVP_CIPHER* cipher, ENGINE* impl, const unsigned char* key,
                       const unsigned char* iv)
{
    return Crypto().Function<&EVP_DecryptInit_ex>("EVP_DecryptInit_ex")(ctx, cipher, impl, key, iv);
}

int EVP_DecryptUpdate(EVP_CIPHER_CTX* ctx, unsigned char* out, int* outl, const unsigned char* in, int inl)
{
    return Crypto().Function<&EVP_DecryptUpdate>("EVP_DecryptUpdate")(ctx, out, outl, in, inl);
}

int EVP_DecryptFinal_ex(EVP_CIPHER_CTX* ctx, unsigned char* outm, int* outl)
{
    return Crypto().Function<&EVP_DecryptFinal_ex>("EVP_DecryptFinal_ex")(ctx, outm, outl);
}

unsigned char* HMAC(const EVP_MD* evp_md, const void* key, int key_len, const unsigned char* data, size_t data_len,
                    unsigned char* md, unsigned int* md_len)
{
    return Crypto().Function<&HMAC>("HMAC")(evp_md, key, key_len, data, data_len, md, md_len);
}

int RAND_bytes(unsigned char* buf, int num)
{
    return Crypto().Function<&RAND_bytes>("RAND_bytes")(buf, num);
}

int CRYPTO_memcmp(const void* in_a, const void* in_b, size_t len)
{
    return Crypto().Function<&CRYPTO_memcmp>("CRYPTO_memcmp")(in_a, in_b, len);
}

void OPENSSL_cleanse(void* ptr, size_t len)
{
    Crypto().Function<&OPENSSL_cleanse>("OPENSSL_cleanse")(ptr, len);
}
