#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace crypto {

// Digests as lower-case hexadecimal text (32 digits for MD5, 40 for SHA-1, 64 for SHA-256). Strings are hashed as
// their UTF-8 bytes. Thread-safe: every call uses its own context.
std::string md5Hex(std::span<const std::uint8_t> bytes);
std::string md5Hex(std::string_view text);
std::string sha1Hex(std::span<const std::uint8_t> bytes);
std::string sha1Hex(std::string_view text);
std::string sha256Hex(std::span<const std::uint8_t> bytes);
std::string sha256Hex(std::string_view text);
// HMAC-SHA256 of `message` under `key`, as 64 hexadecimal digits.
std::string hmacSha256Hex(std::span<const std::uint8_t> key, std::string_view message);

// The MD5 of a file's contents, read as a stream in chunks of 8192 bytes; nullopt when the file
// cannot be opened or a read fails.
std::optional<std::string> fileMD5Hex(const std::filesystem::path& path);
// The SHA-256 of a file's contents (64 digits), read as a stream in chunks of 1 MiB, so a large
// download is checked in constant memory; nullopt when the file cannot be opened or a read fails.
std::optional<std::string> fileSHA256Hex(const std::filesystem::path& path);

// Lower-case hexadecimal text of bytes.
std::string hexString(std::span<const std::uint8_t> bytes);

} // namespace crypto
