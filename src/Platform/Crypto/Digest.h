#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace crypto {

// Digests as lower-case hexadecimal text (32 digits for MD5, 40 for SHA-1). Strings are hashed as
// their UTF-8 bytes. Thread-safe: every call uses its own context.
std::string md5Hex(std::span<const std::uint8_t> bytes);
std::string md5Hex(std::string_view text);
std::string sha1Hex(std::span<const std::uint8_t> bytes);
std::string sha1Hex(std::string_view text);

// The MD5 of a file's contents, read as a stream in chunks of 8192 bytes; nullopt when the file
// cannot be opened or a read fails.
std::optional<std::string> fileMD5Hex(const std::filesystem::path& path);

// Lower-case hexadecimal text of bytes.
std::string hexString(std::span<const std::uint8_t> bytes);

} // namespace crypto
