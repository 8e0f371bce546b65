#pragma once

#include "Platform/Foundation/Object.h"

#include <string>
#include <string_view>
#include <vector>

// One field and value of a query string or form body.
class NKQueryStringPair final : public foundation::Object {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    NKQueryStringPair(foundation::Id field, foundation::Id value);
    const foundation::Id& field() const { return field_; }
    const foundation::Id& value() const { return value_; }

    // "field=value" with both escaped; the field alone when the value is nil or Null.
    std::string URLEncodedStringValue() const;

private:
    foundation::Id field_;
    foundation::Id value_;
};

// Percent-encodes everything except ASCII letters, digits and "-._~/?" (upper-case hex digits).
std::string NKEscapedQueryComponent(std::string_view text);

// Flattens nested dictionaries (keys sorted by description, "outer[inner]"), arrays ("key[]",
// element order) and sets (members sorted, same key) into pairs.
std::vector<foundation::Ref<NKQueryStringPair>> NKQueryPairsForKeyAndValue(const foundation::Id& key, const foundation::Id& value);
std::vector<foundation::Ref<NKQueryStringPair>> NKQueryPairsFromParameters(const foundation::Id& parameters);
std::string NKQueryStringForParameters(const foundation::Id& parameters);
