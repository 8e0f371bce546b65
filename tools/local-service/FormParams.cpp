#include "local-service/FormParams.h"

namespace localservice {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::string FormCodec::percentDecode(std::string_view text, bool plusIsSpace)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '+' && plusIsSpace) {
            out += ' ';
        } else if (c == '%' && i + 2 < text.size() &&
                   hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

std::string FormCodec::percentEncode(std::string_view text)
{
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
            c == '.' || c == '_' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 15];
        }
    }
    return out;
}

FormParams FormCodec::parse(std::string_view body)
{
    FormParams params;
    size_t start = 0;
    while (start <= body.size()) {
        size_t end = body.find('&', start);
        if (end == std::string_view::npos)
            end = body.size();
        const std::string_view pair = body.substr(start, end - start);
        if (!pair.empty()) {
            const size_t eq = pair.find('=');
            const std::string_view name = pair.substr(0, eq);
            const std::string_view value = eq == std::string_view::npos ? std::string_view() : pair.substr(eq + 1);
            params.emplace_back(percentDecode(name, true), percentDecode(value, true));
        }
        start = end + 1;
    }
    return params;
}

std::string FormCodec::encode(const FormParams& params)
{
    std::string out;
    for (const auto& [name, value] : params) {
        if (!out.empty())
            out += '&';
        out += percentEncode(name) + "=" + percentEncode(value);
    }
    return out;
}

const std::string* FormCodec::find(const FormParams& params, std::string_view name)
{
    for (const auto& p : params)
        if (p.first == name)
            return &p.second;
    return nullptr;
}

} // namespace localservice
