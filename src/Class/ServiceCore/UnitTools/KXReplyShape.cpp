#include "Class/ServiceCore/UnitTools/KXReplyShape.h"

#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/String.h"

using foundation::Id;

KXReplyShape KXReplyShape::dictionary(std::vector<std::pair<std::string, KXReplyShape>> keys)
{
    KXReplyShape shape;
    shape.keys_ = std::move(keys);
    return shape;
}

Id KXReplyShape::keep(const Id& value) const
{
    if (keys_.empty())
        return value.string() || value.number() || value.isNull() ? value : Id();
    if (auto elements = value.array()) {
        std::vector<Id> kept;
        for (const Id& element : elements->objects()) {
            if (element.dictionary())
                kept.push_back(keepDictionary(element));
        }
        return Id(foundation::Array::create(std::move(kept)));
    }
    return value.dictionary() ? keepDictionary(value) : Id();
}

Id KXReplyShape::keepDictionary(const Id& value) const
{
    auto kept = foundation::MutableDictionary::create();
    for (const auto& [key, shape] : keys_) {
        const Id part = shape.keep(value[key]);
        if (!part.isNil())
            kept->setObject(part, Id(key));
    }
    return kept->copy();
}
