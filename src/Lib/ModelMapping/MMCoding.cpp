#include "Lib/ModelMapping/MMCoding.h"

#include "Lib/ModelMapping/MMClass.h"
#include "Lib/ModelMapping/MMPropertyReflection.h"
#include "Platform/Storage/KeyedArchiver.h"
#include "Platform/Storage/KeyedUnarchiver.h"

namespace mm {

using foundation::Id;

namespace {

template <class Body>
void forEachCodingProperty(const Id& object, Body&& body)
{
    if (object.isNil())
        return;
    const foundation::Class* cls = object.get()->isa();
    auto allowed = mm_totalAllowedCodingPropertyNames(cls);
    auto ignored = mm_totalIgnoredCodingPropertyNames(cls);
    for (const auto& property : *properties(cls)) {
        Id name(property->name());
        if (allowed->count() > 0 && !allowed->containsObject(name))
            continue;
        if (ignored->containsObject(name))
            continue;
        body(*property);
    }
}

} // namespace

void mm_encode(const Id& object, foundation::KeyedArchiver& coder)
{
    forEachCodingProperty(object, [&](const MMProperty& property) {
        Id value = property.valueForObject(object);
        if (!value.isNil())
            coder.encodeObject(value, property.name());
    });
}

void mm_decode(const Id& object, foundation::KeyedUnarchiver& coder)
{
    forEachCodingProperty(object, [&](const MMProperty& property) {
        Id value = coder.decodeObjectForKey(property.name());
        if (value.isNil())
            value = coder.decodeObjectForKey("_" + property.name());
        if (!value.isNil())
            property.setValue(value, object);
    });
}

} // namespace mm
