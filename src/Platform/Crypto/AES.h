#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace crypto {

// AES-128 in CBC mode with PKCS#7 padding. The key and the initialisation vector are 16 bytes
// each (the service core passes the bytes of 16-character texts); any other size is a failure.
// nullopt when the cipher fails: a wrong key or IV size, or, when decrypting, a length that is
// not a whole number of blocks or padding that does not check out.
std::optional<std::vector<std::uint8_t>> aes128CBCEncrypt(
    std::span<const std::uint8_t> plain, std::span<const std::uint8_t> key, std::span<const std::uint8_t> iv);
std::optional<std::vector<std::uint8_t>> aes128CBCDecrypt(std::span<const std::uint8_t> cipher,
    std::span<const std::uint8_t> key, std::span<const std::uint8_t> iv);

} // namespace crypto
