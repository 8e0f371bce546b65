#include "local-service/Signature.h"

#include <algorithm>
#include <openssl/evp.h>

namespace localservice {

std::string Signature::md5Hex(std::string_view data)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(data.data(), data.size(), digest, &length, EVP_md5(), nullptr);
    static const char* hex = "0123456789abcdef";
    std::string out;
    for (unsigned int i = 0; i < length; ++i) {
        out += hex[digest[i] >> 4];
        out += hex[digest[i] & 15];
    }
    return out;
}

std::string Signature::canonicalText(const FormParams& params)
{
    FormParams sorted;
    for (const auto& p : params)
        if (p.first != "secret")
            sorted.push_back(p);
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::string text;
    for (const auto& [name, value] : sorted) {
        if (!text.empty())
            text += '&';
        text += name + "=" + value;
    }
    return text;
}

std::string Signature::compute(const FormParams& params)
{
    return md5Hex(md5Hex(canonicalText(params)) + std::string(kSalt));
}

bool Signature::verify(const FormParams& params)
{
    const std::string* secret = FormCodec::find(params, "secret");
    return secret && *secret == compute(params);
}

} // namespace localservice
