#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace localservice {

// Form parameters in the order they arrived; a name may repeat, the first one wins on lookup.
using FormParams = std::vector<std::pair<std::string, std::string>>;

class FormCodec {
public:
    // application/x-www-form-urlencoded: "+" is a space, %XX a byte; malformed escapes stay as
    // they are rather than failing the whole body.
    static FormParams parse(std::string_view body);
    static std::string encode(const FormParams& params);
    static std::string percentEncode(std::string_view text);
    static std::string percentDecode(std::string_view text, bool plusIsSpace);
    static const std::string* find(const FormParams& params, std::string_view name);
};

} // namespace localservice
