#include "Lib/Networking/NKQueryString.h"

#include "Platform/Foundation/Foundation.h"

#include <algorithm>

using foundation::Id;
using foundation::Ref;

const foundation::Class* NKQueryStringPair::classObject()
{
    static const foundation::Class* cls = &foundation::Class::define("NKQueryStringPair", Object::classObject());
    return cls;
}

const foundation::Class* NKQueryStringPair::isa() const
{
    return classObject();
}

NKQueryStringPair::NKQueryStringPair(Id field, Id value)
    : field_(std::move(field))
    , value_(std::move(value))
{
}

std::string NKQueryStringPair::URLEncodedStringValue() const
{
    if (value_.isNil() || value_.isNull())
        return NKEscapedQueryComponent(field_.description());
    return NKEscapedQueryComponent(field_.description()) + "=" + NKEscapedQueryComponent(value_.description());
}

std::string NKEscapedQueryComponent(std::string_view text)
{
    // Encoding the whole UTF-8 text at once gives the same bytes as batches that never split a
    // composed character, which is all the batching was for.
    return foundation::percentEncode(text, "/?");
}

namespace {

// The platform's plain compare: by UTF-16 code units of the descriptions.
std::vector<Id> sortedByDescription(std::vector<Id> objects)
{
    std::vector<std::pair<std::u16string, Id>> keyed;
    keyed.reserve(objects.size());
    for (auto& object : objects)
        keyed.emplace_back(foundation::String::create(object.description())->utf16(), std::move(object));
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<Id> sorted;
    sorted.reserve(keyed.size());
    for (auto& entry : keyed)
        sorted.push_back(std::move(entry.second));
    return sorted;
}

void appendPairs(const Id& key, const Id& value, std::vector<Ref<NKQueryStringPair>>& out)
{
    if (auto dictionary = value.as<foundation::Dictionary>()) {
        std::vector<Id> keys;
        for (const auto& entry : *dictionary)
            keys.push_back(entry.key);
        for (const auto& nestedKey : sortedByDescription(std::move(keys))) {
            const Id nestedValue = dictionary->objectForKey(nestedKey);
            if (nestedValue.isNil())
                continue;
            const Id name = key.isNil() ? nestedKey : Id(foundation::format("%@[%@]", key, nestedKey));
            appendPairs(name, nestedValue, out);
        }
    } else if (auto array = value.as<foundation::Array>()) {
        const Id name(foundation::format("%@[]", key));
        for (const auto& element : *array)
            appendPairs(name, element, out);
    } else if (auto set = value.as<foundation::Set>()) {
        for (const auto& member : sortedByDescription(set->objects()))
            appendPairs(key, member, out);
    } else {
        out.push_back(std::make_shared<NKQueryStringPair>(key, value));
    }
}

} // namespace

std::vector<Ref<NKQueryStringPair>> NKQueryPairsForKeyAndValue(const Id& key, const Id& value)
{
    std::vector<Ref<NKQueryStringPair>> pairs;
    appendPairs(key, value, pairs);
    return pairs;
}

std::vector<Ref<NKQueryStringPair>> NKQueryPairsFromParameters(const Id& parameters)
{
    return NKQueryPairsForKeyAndValue(nullptr, parameters);
}

std::string NKQueryStringForParameters(const Id& parameters)
{
    std::string query;
    bool first = true;
    for (const auto& pair : NKQueryPairsFromParameters(parameters)) {
        if (!first)
            query += '&';
        first = false;
        query += pair->URLEncodedStringValue();
    }
    return query;
}
