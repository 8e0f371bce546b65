#include "Class/ServiceCore/UnitTools/KXDataCoding.h"

#include "Platform/Crypto/AES.h"
#include "Platform/Crypto/Base64.h"
#include "Platform/Foundation/Misuse.h"

#include <string_view>

using foundation::Ref;
using foundation::String;

namespace {

// The character bytes of these texts are the key and the IV themselves (not hexadecimal decoded).
constexpr std::string_view kKey = "5D19E3A07BC4F268";
constexpr std::string_view kIV = "C3A1907E5F2B84D6";

std::span<const std::uint8_t> bytesOf(std::string_view text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

} // namespace

Ref<foundation::Data> dataWithBase64EncodedString(const Ref<String>& text)
{
    if (!text) {
        foundation::misuse(foundation::NSInvalidArgumentException, "*** +[NSData dataWithBase64EncodedString:]: nil argument",
                           foundation::MisuseDefault::ReturnNil);
        return nullptr;
    }
    return crypto::base64Decode(text->utf8());
}

Ref<String> base64Encodings(const foundation::Data& data)
{
    return String::create(crypto::base64Encode(data));
}

Ref<String> AES128EncryptWithPlainText(const Ref<String>& plainText)
{
    if (!plainText)
        return nullptr;
    auto cipher = crypto::aes128CBCEncrypt(bytesOf(plainText->utf8()), bytesOf(kKey), bytesOf(kIV));
    if (!cipher)
        return nullptr;
    return base64Encodings(*foundation::Data::create(std::move(*cipher)));
}

Ref<String> AES128DecryptWithCiphertext(const Ref<String>& cipherText)
{
    if (!cipherText)
        return nullptr;
    auto data = crypto::base64Decode(cipherText->utf8());
    if (!data)
        return nullptr;
    auto plain = crypto::aes128CBCDecrypt(data->span(), bytesOf(kKey), bytesOf(kIV));
    if (!plain)
        return nullptr;
    return String::createWithValidUTF8(std::string_view(reinterpret_cast<const char*>(plain->data()), plain->size()));
}
