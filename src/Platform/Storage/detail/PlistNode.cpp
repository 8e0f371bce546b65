#include "Platform/Storage/detail/PlistNode.h"

#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Date.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Number.h"
#include "Platform/Foundation/String.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace foundation::detail {

plist_t plistNumber(const Object& object)
{
    const auto& number = dynamic_cast<const Number&>(object);
    if (number.isBoolean())
        return plist_new_bool(number.boolValue() ? 1 : 0);
    if (number.isReal())
        return plist_new_real(number.doubleValue());
    if (number.isUnsigned() && number.unsignedLongLongValue() > static_cast<unsigned long long>(LLONG_MAX))
        return plist_new_real(static_cast<double>(number.unsignedLongLongValue()));
    return plist_new_uint(static_cast<std::uint64_t>(number.longLongValue()));
}

plist_t plistDate(double secondsSince1970)
{
    double since2001 = secondsSince1970 - Date::kReferenceDateOffset;
    double whole = std::floor(since2001);
    if (whole < INT32_MIN || whole > INT32_MAX)
        whole = whole < 0 ? INT32_MIN : INT32_MAX;
    auto micro = static_cast<std::int32_t>(std::lround((since2001 - whole) * 1e6));
    return plist_new_date(static_cast<std::int32_t>(whole), std::min(micro, 999999));
}

double dateSeconds1970(plist_t node)
{
    std::int32_t seconds = 0;
    std::int32_t micro = 0;
    plist_get_date_val(node, &seconds, &micro);
    // libplist 2.2 truncates towards zero and keeps the fraction's magnitude only, so a negative
    // whole part carries a fraction that points further back in time.
    double fraction = std::abs(micro) / 1e6;
    double since2001 = seconds < 0 ? seconds - fraction : seconds + fraction;
    return since2001 + Date::kReferenceDateOffset;
}

std::string plistString(plist_t node)
{
    if (!node)
        return {};
    plist_type type = plist_get_node_type(node);
    if (type != PLIST_STRING && type != PLIST_KEY)
        return {};
    char* text = nullptr;
    if (type == PLIST_STRING)
        plist_get_string_val(node, &text);
    else
        plist_get_key_val(node, &text);
    std::string out = text ? text : "";
    std::free(text);
    return out;
}

PlistPtr plistFromObject(const Id& object, std::string* offender, int depth)
{
    const Object* value = object.get();
    auto fail = [&]() {
        if (offender && offender->empty())
            *offender = value ? value->isa()->name() : "nil";
        return PlistPtr();
    };
    if (!value || depth > kMaxPlistDepth)
        return fail();
    if (const auto* string = object.ptr<String>())
        return PlistPtr(plist_new_string(string->UTF8String()));
    if (object.is<Number>())
        return PlistPtr(plistNumber(*value));
    if (const auto* data = object.ptr<Data>())
        return PlistPtr(plist_new_data(reinterpret_cast<const char*>(data->bytes()), data->length()));
    if (const auto* date = object.ptr<Date>())
        return PlistPtr(plistDate(date->timeIntervalSince1970()));
    if (const auto* array = object.ptr<Array>()) {
        PlistPtr node(plist_new_array());
        for (const Id& element : *array) {
            PlistPtr item = plistFromObject(element, offender, depth + 1);
            if (!item)
                return PlistPtr();
            plist_array_append_item(node.get(), item.release());
        }
        return node;
    }
    if (const auto* dictionary = object.ptr<Dictionary>()) {
        PlistPtr node(plist_new_dict());
        for (const auto& entry : *dictionary) {
            const auto* key = entry.key.ptr<String>();
            if (!key) {
                if (offender && offender->empty())
                    *offender = entry.key.get()->isa()->name();
                return PlistPtr();
            }
            PlistPtr item = plistFromObject(entry.value, offender, depth + 1);
            if (!item)
                return PlistPtr();
            plist_dict_set_item(node.get(), key->UTF8String(), item.release());
        }
        return node;
    }
    return fail();
}

Id objectFromPlist(plist_t node, int depth)
{
    if (!node || depth > kMaxPlistDepth)
        return {};
    switch (plist_get_node_type(node)) {
    case PLIST_STRING:
    case PLIST_KEY:
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
    case PLIST_DATE:
        return Date::dateWithTimeIntervalSince1970(dateSeconds1970(node));
    case PLIST_ARRAY: {
        std::vector<Id> elements;
        uint32_t count = plist_array_get_size(node);
        elements.reserve(count);
        for (uint32_t i = 0; i < count; ++i) {
            Id element = objectFromPlist(plist_array_get_item(node, i), depth + 1);
            if (!element)
                return {};
            elements.push_back(std::move(element));
        }
        return Array::create(std::move(elements));
    }
    case PLIST_DICT: {
        auto dictionary = MutableDictionary::create();
        plist_dict_iter iter = nullptr;
        plist_dict_new_iter(node, &iter);
        bool complete = true;
        for (;;) {
            char* key = nullptr;
            plist_t item = nullptr;
            plist_dict_next_item(node, iter, &key, &item);
            if (!key)
                break;
            Id value = objectFromPlist(item, depth + 1);
            if (value)
                dictionary->setObject(value, Id(key));
            else
                complete = false;
            std::free(key);
        }
        std::free(iter);
        return complete ? dictionary->copy() : Id();
    }
    default:
        return {};
    }
}

PlistPtr parsePlist(std::string_view bytes)
{
    if (bytes.empty() || bytes.size() > UINT32_MAX)
        return PlistPtr();
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
