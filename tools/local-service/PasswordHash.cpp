#include "local-service/PasswordHash.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <vector>

namespace localservice {

namespace {

std::string toHex(const unsigned char* data, size_t size)
{
    static const char* hex = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < size; ++i) {
        out += hex[data[i] >> 4];
        out += hex[data[i] & 15];
    }
    return out;
}

} // namespace

std::string PasswordHash::randomHex(size_t bytes)
{
    std::vector<unsigned char> buffer(bytes);
    RAND_bytes(buffer.data(), static_cast<int>(buffer.size()));
    return toHex(buffer.data(), buffer.size());
}

std::string PasswordHash::hash(const std::string& password, const std::string& saltHex)
{
    unsigned char out[32];
    PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()),
                      reinterpret_cast<const unsigned char*>(saltHex.data()), static_cast<int>(saltHex.size()),
                      10000, EVP_sha256(), sizeof out, out);
    return toHex(out, sizeof out);
}

bool PasswordHash::verify(const std::string& password, const std::string& saltHex, const std::string& hashHex)
{
    const std::string computed = hash(password, saltHex);
    return computed.size() == hashHex.size() &&
           CRYPTO_memcmp(computed.data(), hashHex.data(), computed.size()) == 0;
}

} // namespace localservice
