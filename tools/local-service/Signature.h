#pragma once

#include "local-service/FormParams.h"

#include <string>
#include <string_view>

namespace localservice {

// The request signature "secret": the pairs key=value of every parameter but "secret", sorted by
// key in byte order, joined with "&", hashed with MD5; then MD5 again over that hex digest with
// the fixed salt appended. Values go in as received, without percent-encoding.
class Signature {
public:
    static constexpr std::string_view kSalt = "Qp#7vL@x2&";

    static std::string md5Hex(std::string_view data);
    static std::string canonicalText(const FormParams& params);
    static std::string compute(const FormParams& params);
    static bool verify(const FormParams& params);
};

} // namespace localservice
