#pragma once

#include <string>

namespace localservice {

// PBKDF2-HMAC-SHA256 for the stored passwords; the state file never holds a clear password.
class PasswordHash {
public:
    static std::string randomHex(size_t bytes);
    static std::string hash(const std::string& password, const std::string& saltHex);
    static bool verify(const std::string& password, const std::string& saltHex, const std::string& hashHex);
};

} // namespace localservice
