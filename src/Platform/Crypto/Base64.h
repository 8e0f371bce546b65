#pragma once

#include "Platform/Foundation/Data.h"

#include <string>
#include <string_view>

namespace crypto {

// Standard base64 with "=" padding and no line breaks; "" for empty data.
std::string base64Encode(const foundation::Data& data);
std::string base64Encode(std::string_view bytes);

// The lenient decoding the service core uses: white space and "=" anywhere are skipped; any other
// character outside the standard alphabet, non-ASCII text, or a final group of a single character
// gives nil. Empty text gives empty data.
foundation::Ref<foundation::Data> base64Decode(std::string_view text);

} // namespace crypto
