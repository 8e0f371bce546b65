#include "Platform/Crypto/Base64.h"

namespace crypto {

std::string base64Encode(const foundation::Data& data)
{
    return data.base64EncodedString();
}

std::string base64Encode(std::string_view bytes)
{
    return foundation::Data::create(bytes)->base64EncodedString();
}

namespace {

bool isAlphabet(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
}

bool isSkipped(char c)
{
    return c == '=' || c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

} // namespace

foundation::Ref<foundation::Data> base64Decode(std::string_view text)
{
    std::string symbols;
    symbols.reserve(text.size());
    for (char c : text) {
        if (isSkipped(c))
            continue;
        if (!isAlphabet(c))
            return nullptr;
        symbols += c;
    }
    if (symbols.size() % 4 == 1)
        return nullptr;
    // The object model's decoder wants whole groups: pad the final two or three symbols.
    symbols.append((4 - symbols.size() % 4) % 4, '=');
    return foundation::Data::fromBase64(symbols);
}

} // namespace crypto
