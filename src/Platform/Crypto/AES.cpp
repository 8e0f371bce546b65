#include "Platform/Crypto/AES.h"

#include <climits>
#include <memory>
#include <openssl/evp.h>

namespace crypto {

namespace {

constexpr std::size_t kBlock = 16;

struct CipherDeleter {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};

std::optional<std::vector<std::uint8_t>> run(bool encrypt, std::span<const std::uint8_t> input,
    std::span<const std::uint8_t> key, std::span<const std::uint8_t> iv)
{
    if (key.size() != kBlock || iv.size() != kBlock
        || input.size() > static_cast<std::size_t>(INT_MAX) - kBlock)
        return std::nullopt;
    std::unique_ptr<EVP_CIPHER_CTX, CipherDeleter> context(EVP_CIPHER_CTX_new());
    if (!context
        || EVP_CipherInit_ex(
               context.get(), EVP_aes_128_cbc(), nullptr, key.data(), iv.data(), encrypt ? 1 : 0)
            != 1)
        return std::nullopt;
    std::vector<std::uint8_t> output(input.size() + kBlock);
    int written = 0;
    if (EVP_CipherUpdate(context.get(), output.data(), &written, input.data(), static_cast<int>(input.size()))
        != 1)
        return std::nullopt;
    int tail = 0;
    if (EVP_CipherFinal_ex(context.get(), output.data() + written, &tail) != 1)
        return std::nullopt;
    output.resize(static_cast<std::size_t>(written) + static_cast<std::size_t>(tail));
    return output;
}

} // namespace

std::optional<std::vector<std::uint8_t>> aes128CBCEncrypt(
    std::span<const std::uint8_t> plain, std::span<const std::uint8_t> key, std::span<const std::uint8_t> iv)
{
    return run(true, plain, key, iv);
}

std::optional<std::vector<std::uint8_t>> aes128CBCDecrypt(
    std::span<const std::uint8_t> cipher, std::span<const std::uint8_t> key, std::span<const std::uint8_t> iv)
{
    return run(false, cipher, key, iv);
}

} // namespace crypto
