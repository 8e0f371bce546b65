#include "Lib/ZipArchive/AesDecoder.h"

#include <algorithm>
#include <climits>
#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/params.h>

namespace {

constexpr int kKeyDerivationRounds = 1000;

const EVP_CIPHER* aesBlockCipher(int keyBits)
{
    switch (keyBits) {
    case 128:
        return EVP_aes_128_ecb();
    case 192:
        return EVP_aes_192_ecb();
    case 256:
        return EVP_aes_256_ecb();
    default:
        return nullptr;
    }
}

struct MacAlgorithmFree {
    void operator()(EVP_MAC* algorithm) const { EVP_MAC_free(algorithm); }
};

} // namespace

void AesDecoder::CipherFree::operator()(evp_cipher_ctx_st* context) const
{
    EVP_CIPHER_CTX_free(context);
}

void AesDecoder::MacFree::operator()(evp_mac_ctx_st* context) const
{
    EVP_MAC_CTX_free(context);
}

AesDecoder::~AesDecoder()
{
    OPENSSL_cleanse(keystream_.data(), keystream_.size());
}

std::size_t AesDecoder::saltLength(int keyBits)
{
    return aesBlockCipher(keyBits) ? static_cast<std::size_t>(keyBits) / 16 : 0;
}

std::unique_ptr<AesDecoder> AesDecoder::create(
    int keyBits, std::string_view password, std::span<const std::uint8_t> header, bool& wrongPassword)
{
    wrongPassword = false;
    const EVP_CIPHER* blockCipher = aesBlockCipher(keyBits);
    const std::size_t salt = saltLength(keyBits);
    if (!blockCipher || header.size() != salt + kVerifierLength || password.size() > INT_MAX)
        return nullptr;
    // The cipher's key, the authentication key, then the verifier.
    const std::size_t keyLength = static_cast<std::size_t>(keyBits) / 8;
    const std::size_t derivedLength = 2 * keyLength + kVerifierLength;
    std::array<std::uint8_t, 2 * 32 + kVerifierLength> keys {};
    if (PKCS5_PBKDF2_HMAC_SHA1(password.data(), static_cast<int>(password.size()), header.data(),
            static_cast<int>(salt), kKeyDerivationRounds, static_cast<int>(derivedLength), keys.data())
        != 1)
        return nullptr;
    if (!std::equal(keys.begin() + 2 * keyLength, keys.begin() + derivedLength, header.begin() + salt)) {
        OPENSSL_cleanse(keys.data(), keys.size());
        wrongPassword = true;
        return nullptr;
    }

    std::unique_ptr<AesDecoder> decoder(new AesDecoder());
    decoder->cipher_.reset(EVP_CIPHER_CTX_new());
    bool ready = decoder->cipher_
        && EVP_EncryptInit_ex(decoder->cipher_.get(), blockCipher, nullptr, keys.data(), nullptr) == 1
        && EVP_CIPHER_CTX_set_padding(decoder->cipher_.get(), 0) == 1;
    std::unique_ptr<EVP_MAC, MacAlgorithmFree> hmac(EVP_MAC_fetch(nullptr, OSSL_MAC_NAME_HMAC, nullptr));
    if (ready && hmac)
        decoder->mac_.reset(EVP_MAC_CTX_new(hmac.get()));
    char digest[] = "SHA1";
    const OSSL_PARAM parameters[]
        = { OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0), OSSL_PARAM_construct_end() };
    ready = ready && decoder->mac_
        && EVP_MAC_init(decoder->mac_.get(), keys.data() + keyLength, keyLength, parameters) == 1;
    OPENSSL_cleanse(keys.data(), keys.size());
    if (!ready)
        return nullptr;
    return decoder;
}

bool AesDecoder::refillKeystream()
{
    std::array<std::uint8_t, kKeystreamLength> counters;
    for (std::size_t block = 0; block < kKeystreamLength; block += kBlockLength) {
        for (std::uint8_t& digit : counter_) {
            if (++digit != 0)
                break;
        }
        std::copy(counter_.begin(), counter_.end(), counters.begin() + static_cast<std::ptrdiff_t>(block));
    }
    int written = 0;
    if (EVP_EncryptUpdate(
            cipher_.get(), keystream_.data(), &written, counters.data(), static_cast<int>(kKeystreamLength))
            != 1
        || written != static_cast<int>(kKeystreamLength))
        return false;
    keystreamUsed_ = 0;
    return true;
}

bool AesDecoder::decrypt(std::span<std::uint8_t> data)
{
    // The code covers the encrypted bytes, so they go in before they are decrypted.
    if (EVP_MAC_update(mac_.get(), data.data(), data.size()) != 1)
        return false;
    while (!data.empty()) {
        if (keystreamUsed_ == kKeystreamLength && !refillKeystream())
            return false;
        const std::size_t count = std::min(data.size(), kKeystreamLength - keystreamUsed_);
        const std::uint8_t* key = keystream_.data() + keystreamUsed_;
        for (std::size_t i = 0; i < count; ++i)
            data[i] ^= key[i];
        keystreamUsed_ += count;
        data = data.subspan(count);
    }
    return true;
}

bool AesDecoder::authenticate(std::span<const std::uint8_t> code)
{
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest {};
    std::size_t length = 0;
    if (code.size() != kCodeLength || EVP_MAC_final(mac_.get(), digest.data(), &length, digest.size()) != 1
        || length < kCodeLength)
        return false;
    return CRYPTO_memcmp(digest.data(), code.data(), kCodeLength) == 0;
}
