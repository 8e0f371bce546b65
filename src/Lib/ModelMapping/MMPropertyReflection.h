#pragma once

#include "Lib/ModelMapping/MMClass.h"
#include "Lib/ModelMapping/MMProperty.h"

#include <memory>
#include <string>
#include <vector>

namespace mm {

using MMPropertyList = std::vector<std::shared_ptr<MMProperty>>;

// The class's properties, its own first, then its superclasses' up to the first platform class;
// with each property's key paths and array element class recorded for this class. Built once per
// class and kept until a replaced-key or array-element set-up.
std::shared_ptr<const MMPropertyList> properties(const foundation::Class* cls);
void mm_enumerateProperties(const foundation::Class* cls, const std::function<void(const MMProperty&, bool& stop)>& block);

// The key that feeds `propertyName`: a key-path string or an array of alternatives.
foundation::Id propertyKey(const foundation::Class* cls, const std::string& propertyName);
// The element class of an array property, or nullptr.
const foundation::Class* propertyObjectClassInArray(const foundation::Class* cls, const std::string& propertyName);

void mm_setupReplacedKeyFromPropertyName(const foundation::Class* cls, const std::function<foundation::Ref<foundation::Dictionary>()>& block);
void mm_setupReplacedKeyFromPropertyName121(const foundation::Class* cls, MMKeyValueHooks::KeyForName block);
void mm_setupObjectClassInArray(const foundation::Class* cls, const std::function<foundation::Ref<foundation::Dictionary>()>& block);
void mm_setupNewValueFromOldValue(const foundation::Class* cls, MMKeyValueHooks::NewValue block);

// The function that answers for objects of `objectClass` converted as `cls`, or empty when the old
// value always stands; conversions look it up once per object rather than once per property.
MMKeyValueHooks::NewValue mm_newValueFunction(const foundation::Class* cls, const foundation::Class* objectClass);

// The value to store in place of `oldValue`: a hook's answer, or `oldValue` itself (the same
// object, so a caller can tell by identity that nothing changed).
foundation::Id mm_getNewValueFromObject(const foundation::Class* cls, const foundation::Id& object,
                                        const foundation::Id& oldValue, const MMProperty& property);

} // namespace mm
