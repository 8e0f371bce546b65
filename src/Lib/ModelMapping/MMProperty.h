#pragma once

#include "Lib/ModelMapping/MMPropertyKey.h"
#include "Lib/ModelMapping/MMPropertyType.h"
#include "Platform/Foundation/Class.h"
#include "Platform/Foundation/Object.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace mm {

// One declared property, shared by the declaring class and every subclass that lists it. The key
// paths and the array element class are recorded per listing class, because the same property can
// be fed by different keys in different model classes.
//
// Thread-safety: the per-class records are guarded by a mutex; the rest is fixed at creation.
class MMProperty {
public:
    // The shared wrapper of the property `name` declared by `declaringClass`.
    static std::shared_ptr<MMProperty> cachedPropertyWithProperty(const foundation::Class* declaringClass,
                                                                  const foundation::PropertyInfo& property);

    const std::string& name() const { return name_; }
    const std::shared_ptr<const MMPropertyType>& type() const { return type_; }
    const foundation::PropertyInfo* property() const { return &property_; }
    const foundation::Class* srcClass() const;
    void setSrcClass(const foundation::Class* cls);

    // Null for a type that key-value coding cannot carry; otherwise the object's value for the name.
    foundation::Id valueForObject(const foundation::Id& object) const;
    // Stores a non-nil value through key-value coding; nothing for nil or a disabled type.
    void setValue(const foundation::Id& value, const foundation::Id& object) const;

    MMKeyPath propertyKeysWithStringKey(std::string_view key) const { return mm::propertyKeysWithStringKey(key); }
    // A key-path string, or an array of alternative key-path strings; anything else records nothing.
    void setOriginKey(const foundation::Id& key, const foundation::Class* cls);
    void setPorpertyKeys(std::vector<MMKeyPath> keys, const foundation::Class* cls);
    // The alternatives recorded for `cls`, in order; empty when none were.
    std::shared_ptr<const std::vector<MMKeyPath>> propertyKeysForClass(const foundation::Class* cls) const;
    void setObjectClassInArray(const foundation::Class* elementClass, const foundation::Class* cls);
    const foundation::Class* objectClassInArrayForClass(const foundation::Class* cls) const;

    explicit MMProperty(const foundation::PropertyInfo& property);

private:
    foundation::PropertyInfo property_; // a copy: the class's own list may grow later
    std::string name_;
    std::shared_ptr<const MMPropertyType> type_;
    mutable std::mutex mutex_;
    const foundation::Class* srcClass_ = nullptr;
    std::map<std::string, std::shared_ptr<const std::vector<MMKeyPath>>, std::less<>> propertyKeysDict_;
    std::map<std::string, const foundation::Class*, std::less<>> objectClassInArrayDict_;
};

// The type code of an attribute string: the text after "T" up to the first comma.
std::string typeCodeOfAttributes(std::string_view attributes);

} // namespace mm
