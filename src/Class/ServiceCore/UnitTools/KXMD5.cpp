#include "Class/ServiceCore/UnitTools/KXMD5.h"

#include "Platform/Crypto/Digest.h"

using foundation::Ref;
using foundation::String;

Ref<String> KXMD5::md5String(const Ref<String>& text)
{
    if (!text)
        return String::empty();
    return String::create(crypto::md5Hex(std::string_view(text->utf8())));
}

Ref<String> KXMD5::md5Data(const Ref<foundation::Data>& data)
{
    return String::create(crypto::md5Hex(data ? data->span() : std::span<const std::uint8_t>()));
}

Ref<String> KXMD5::getShaString(const Ref<String>& text)
{
    return String::create(crypto::sha1Hex(std::string_view(text ? text->utf8() : std::string())));
}

Ref<String> KXMD5::getFileMD5WithPath(const Ref<String>& path)
{
    if (!path || path->utf8().empty())
        return nullptr;
    auto digest = crypto::fileMD5Hex(path->utf8());
    return digest ? String::create(*digest) : nullptr;
}
