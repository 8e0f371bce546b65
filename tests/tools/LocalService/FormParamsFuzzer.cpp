// Form bodies come from any client: parsing must never crash, and what parses must survive an
// encode and parse round trip unchanged.
#include "local-service/FormParams.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    const auto params = localservice::FormCodec::parse(body);
    const auto again = localservice::FormCodec::parse(localservice::FormCodec::encode(params));
    if (again != params)
        std::abort();
    return 0;
}
