// Any bytes either fail with an error or give values that write out and read back equal; the
// error locator accepts what the parser accepts; the reading limits never count less than the
// values read hold.
#include "Platform/Foundation/Foundation.h"
#include "Platform/Serialization/JSONErrorLocator.h"
#include "Platform/Serialization/JSONSerialization.h"

#include <algorithm>
#include <cstdlib>

using namespace foundation;

namespace {

// Elements and depth of what was read. The text may hold more of both (a repeated key keeps only
// its last value), never less.
void measure(const Id& value, std::size_t level, std::size_t& elements, std::size_t& depth)
{
    ++elements;
    if (auto array = value.array()) {
        depth = std::max(depth, level);
        for (const Id& element : array->objects())
            measure(element, level + 1, elements, depth);
    } else if (auto dictionary = value.dictionary()) {
        depth = std::max(depth, level);
        for (const auto& entry : *dictionary) {
            ++elements;
            measure(entry.value, level + 1, elements, depth);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    if (size == 0)
        return 0;
    unsigned options = bytes[0] & 7u;
    auto data = Data::create(std::span(bytes + 1, size - 1));
    Ref<Error> error;
    Id value = JSONSerialization::JSONObjectWithData(data, options, &error);
    if (value.isNil()) {
        if (!error || error->code() != JSONSerialization::kReadCorruptError)
            std::abort();
        return 0;
    }
    // The error locator must agree with the parser about every text the parser accepts (plain
    // UTF-8 without a byte order mark; the other encodings are converted first).
    std::string_view text = data->view();
    bool plainUTF8 = text.find('\0') == std::string_view::npos && !text.starts_with("\xEF\xBB\xBF");
    if (plainUTF8 && !locateJSONError(text, JSONSerialization::kMaxDepth).empty())
        std::abort();
    std::size_t elements = 0;
    std::size_t depth = 0;
    measure(value, 1, elements, depth);
    if (!JSONSerialization::JSONObjectWithData(data.get(), options, JSONReadingLimits{.maxElements = elements - 1}).isNil())
        std::abort();
    if (depth > 0 && !JSONSerialization::JSONObjectWithData(data.get(), options, JSONReadingLimits{.maxDepth = depth - 1}).isNil())
        std::abort();
    for (unsigned writing : {0u, unsigned(JSONWritingPrettyPrinted | JSONWritingSortedKeys)}) {
        auto written = JSONSerialization::dataWithJSONObject(value, writing | JSONWritingFragmentsAllowed, &error);
        if (!written)
            std::abort();
        Id again = JSONSerialization::JSONObjectWithData(written, JSONReadingFragmentsAllowed, &error);
        if (!again.isEqual(value))
            std::abort();
    }
    return 0;
}
