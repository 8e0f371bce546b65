#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

struct evp_cipher_ctx_st;
struct evp_mac_ctx_st;

// Undoes the WinZip AES encryption of one entry's data while it streams past. That data is a
// salt, a 2-byte password verifier, the encrypted bytes and a 10-byte authentication code. The
// keys and the verifier come from the password and the salt by PBKDF2-HMAC-SHA1 with 1000 rounds;
// the cipher is AES in counter mode, the counter a little-endian number that starts at 1; the
// code is the start of an HMAC-SHA1 of the encrypted bytes.
//
// The verifier turns most wrong passwords away at once, but about 1 in 65,536 gets past it: only
// the authentication code tells for certain. Not thread-safe: one decoder per entry being read.
class AesDecoder {
public:
    static constexpr std::size_t kVerifierLength = 2;
    static constexpr std::size_t kCodeLength = 10;
    static constexpr std::size_t kMaxSaltLength = 16;

    // The salt's length for an AES key of `keyBits` (128, 192 or 256); 0 for any other size.
    static std::size_t saltLength(int keyBits);
    // `header` is the salt followed by the verifier. nil when the password's verifier differs from
    // the header's (`wrongPassword` is then set), or when the cipher cannot be set up.
    static std::unique_ptr<AesDecoder> create(
        int keyBits, std::string_view password, std::span<const std::uint8_t> header, bool& wrongPassword);
    ~AesDecoder();
    AesDecoder(const AesDecoder&) = delete;
    AesDecoder& operator=(const AesDecoder&) = delete;

    // Decrypts the next encrypted bytes in place; false when the cipher fails.
    bool decrypt(std::span<std::uint8_t> data);
    // Once, after the last encrypted byte: whether `code` is the authentication code of them all.
    bool authenticate(std::span<const std::uint8_t> code);

private:
    static constexpr std::size_t kBlockLength = 16;
    static constexpr std::size_t kKeystreamLength = 256 * kBlockLength;

    AesDecoder() = default;
    bool refillKeystream();

    struct CipherFree {
        void operator()(evp_cipher_ctx_st* context) const;
    };
    struct MacFree {
        void operator()(evp_mac_ctx_st* context) const;
    };
    std::unique_ptr<evp_cipher_ctx_st, CipherFree> cipher_;
    std::unique_ptr<evp_mac_ctx_st, MacFree> mac_;
    std::array<std::uint8_t, kBlockLength> counter_ {};
    std::array<std::uint8_t, kKeystreamLength> keystream_ {};
    std::size_t keystreamUsed_ = kKeystreamLength;
};
