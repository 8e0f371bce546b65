#include "Platform/Crypto/Digest.h"

#include <cstdio>
#include <memory>
#include <vector>
#include <openssl/evp.h>
#include <openssl/hmac.h>

namespace crypto {

namespace {

struct ContextDeleter {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using Context = std::unique_ptr<EVP_MD_CTX, ContextDeleter>;

// Feeds chunks from `next` until it answers an empty span; nullopt when `next` reports a failure
// (by returning false) or the digest fails.
template <class Next> std::optional<std::string> digestHex(const EVP_MD* algorithm, const Next& next)
{
    Context context(EVP_MD_CTX_new());
    if (!context || EVP_DigestInit_ex(context.get(), algorithm, nullptr) != 1)
        return std::nullopt;
    std::span<const std::uint8_t> chunk;
    for (;;) {
        if (!next(chunk))
            return std::nullopt;
        if (chunk.empty())
            break;
        if (EVP_DigestUpdate(context.get(), chunk.data(), chunk.size()) != 1)
            return std::nullopt;
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context.get(), digest, &length) != 1)
        return std::nullopt;
    return hexString({ digest, length });
}

std::string digestOfBytes(const EVP_MD* algorithm, std::span<const std::uint8_t> bytes)
{
    bool given = false;
    auto result = digestHex(algorithm, [&](std::span<const std::uint8_t>& chunk) {
        chunk = given ? std::span<const std::uint8_t>() : bytes;
        given = true;
        return true;
    });
    return result.value_or(std::string());
}

std::span<const std::uint8_t> bytesOf(std::string_view text)
{
    return { reinterpret_cast<const std::uint8_t*>(text.data()), text.size() };
}

std::optional<std::string> fileDigestHex(const EVP_MD* algorithm, const std::filesystem::path& path, std::size_t chunkSize)
{
    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return std::nullopt;
    // The stream's own buffer would only add a copy: reads go straight into ours.
    std::setvbuf(file.get(), nullptr, _IONBF, 0);
    std::vector<std::uint8_t> buffer(chunkSize);
    return digestHex(algorithm, [&](std::span<const std::uint8_t>& chunk) {
        std::size_t count = std::fread(buffer.data(), 1, buffer.size(), file.get());
        if (count == 0 && std::ferror(file.get()))
            return false;
        chunk = { buffer.data(), count };
        return true;
    });
}

} // namespace

std::string hexString(std::span<const std::uint8_t> bytes)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (std::uint8_t byte : bytes) {
        out += digits[byte >> 4];
        out += digits[byte & 0x0F];
    }
    return out;
}

std::string md5Hex(std::span<const std::uint8_t> bytes)
{
    return digestOfBytes(EVP_md5(), bytes);
}

std::string md5Hex(std::string_view text)
{
    return md5Hex(bytesOf(text));
}

std::string sha1Hex(std::span<const std::uint8_t> bytes)
{
    return digestOfBytes(EVP_sha1(), bytes);
}

std::string sha1Hex(std::string_view text)
{
    return sha1Hex(bytesOf(text));
}

std::string sha256Hex(std::span<const std::uint8_t> bytes)
{
    return digestOfBytes(EVP_sha256(), bytes);
}

std::string sha256Hex(std::string_view text)
{
    return sha256Hex(bytesOf(text));
}

std::string hmacSha256Hex(std::span<const std::uint8_t> key, std::string_view message)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    const auto bytes = bytesOf(message);
    if (!HMAC(EVP_sha256(), key.data(), static_cast<int>(key.size()), bytes.data(), bytes.size(), digest, &length))
        return {};
    return hexString({ digest, length });
}

std::optional<std::string> fileMD5Hex(const std::filesystem::path& path)
{
    return fileDigestHex(EVP_md5(), path, 8192);
}

std::optional<std::string> fileSHA256Hex(const std::filesystem::path& path)
{
    return fileDigestHex(EVP_sha256(), path, std::size_t(1) << 20);
}

} // namespace crypto
