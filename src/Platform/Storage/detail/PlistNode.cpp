#include "Platform/Storage/detail/PlistNode.h"

#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/Number.h"
#include "Platform/Foundation/String.h"
#include "Platform/Serialization/PropertyListSerialization.h"

#include <climits>

namespace foundation::detail {

plist_t plistNumber(const Object& number)
{
    const auto& value = dynamic_cast<const Number&>(number);
    if (value.isBoolean())
        return plist_new_bool(value.boolValue() ? 1 : 0);
    if (value.isReal())
        return plist_new_real(value.doubleValue());
    if (value.isUnsigned() && value.unsignedLongLongValue() > static_cast<unsigned long long>(LLONG_MAX))
        return plist_new_real(static_cast<double>(value.unsignedLongLongValue()));
    return plist_new_uint(static_cast<std::uint64_t>(value.longLongValue()));
}

std::string plistString(plist_t node)
{
    if (!node || plist_get_node_type(node) != PLIST_STRING)
        return {};
    // Not plist_get_string_val: it asserts when the text holds a zero byte, which damaged or
    // hostile files may.
    std::uint64_t length = 0;
    const char* text = plist_get_string_ptr(node, &length);
    return text ? std::string(text, length) : std::string();
}

Id leafFromPlist(plist_t node)
{
    if (!node)
        return {};
    switch (plist_get_node_type(node)) {
    case PLIST_STRING:
        return String::create(plistString(node));
    case PLIST_BOOLEAN: {
        std::uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return Number::numberWithBool(value != 0);
    }
    case PLIST_UINT: {
        std::uint64_t value = 0;
        plist_get_uint_val(node, &value);
        return Number::numberWithLongLong(static_cast<long long>(value));
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return Number::numberWithDouble(value);
    }
    case PLIST_DATA: {
        std::uint64_t length = 0;
        const char* bytes = plist_get_data_ptr(node, &length);
        return Data::create(std::string_view(bytes ? bytes : "", bytes ? length : 0));
    }
    default:
        return {};
    }
}

PlistPtr parsePlist(std::string_view bytes, std::string* failure)
{
    if (bytes.empty() || bytes.size() > UINT32_MAX)
        return PlistPtr();
    // The library builds a tree and copies a shared object for every reference to it, so a few
    // kilobytes of binary input could name gigabytes of nodes: measured first against the budget
    // our own reader keeps.
    Ref<Error> refusal;
    if (!PropertyListSerialization::unfoldsWithinBudget(bytes, PropertyListReadBudget::forInputSize(bytes.size()),
                                                        &refusal)) {
        if (failure && refusal)
            *failure = refusal->objectForUserInfoKey(NSDebugDescriptionErrorKey).stringValue();
        return PlistPtr();
    }
    plist_t root = nullptr;
    plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
    return PlistPtr(root);
}

Ref<Data> binaryPlistData(plist_t node)
{
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(node, &bytes, &length);
    if (!bytes)
        return nullptr;
    auto data = Data::create(std::string_view(bytes, length));
    plist_to_bin_free(bytes);
    return data;
}

} // namespace foundation::detail
