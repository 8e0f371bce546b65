#pragma once

#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Class.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/Object.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace mm {

class MMProperty;

// The optional hooks a model class may implement. An empty member means the class does not
// respond to that hook; a class inherits the hooks of its superclasses, as class methods are.
struct MMKeyValueHooks {
    using Names = std::function<foundation::Ref<foundation::Array>()>;
    using KeyForName = std::function<foundation::Id(const std::string& propertyName)>;
    using Table = std::function<foundation::Ref<foundation::Dictionary>()>;
    using NewValue = std::function<foundation::Id(const foundation::Id& object, const foundation::Id& oldValue,
                                                  const MMProperty& property)>;
    using Finished = std::function<void(const foundation::Id& object)>;

    Names mm_allowedPropertyNames;
    Names mm_ignoredPropertyNames;
    Names mm_allowedCodingPropertyNames;
    Names mm_ignoredCodingPropertyNames;
    KeyForName mm_replacedKeyFromPropertyName121;
    Table mm_replacedKeyFromPropertyName; // property name -> key path text or array of them
    Table mm_objectClassInArray;          // property name -> class name (String) or class name
    NewValue mm_newValueFromOldValue;     // an instance hook: called with the object being filled
    Finished mm_keyValuesDidFinishConvertingToObject;
    Finished mm_objectDidFinishConvertingToKeyValues;
    // The older names, still consulted when a class implements them.
    KeyForName replacedKeyFromPropertyName121;
    Table replacedKeyFromPropertyName;
    Table objectClassInArray;
    NewValue newValueFromOldValue; // a class method in the older form
};

// Installs the hooks of `cls` (replacing earlier ones); meant for a model class's set-up.
void mm_setHooks(const foundation::Class* cls, MMKeyValueHooks hooks);
// The hooks installed on `cls` itself, or nullptr.
std::shared_ptr<const MMKeyValueHooks> mm_ownHooks(const foundation::Class* cls);
// The hook `member` as the class answers it: its own, else the nearest superclass's, else empty.
template <class Member>
Member mm_hook(const foundation::Class* cls, Member MMKeyValueHooks::*member)
{
    for (const foundation::Class* c = cls; c; c = c->superclass())
        if (auto hooks = mm_ownHooks(c); hooks && hooks.get()->*member)
            return hooks.get()->*member;
    return {};
}

// Walks the class and its superclasses, stopping before the first platform class (the receiver
// itself is always visited).
void mm_enumerateClasses(const foundation::Class* cls, const std::function<void(const foundation::Class*, bool& stop)>& block);
// Walks the class and every superclass up to the root.
void mm_enumerateAllClasses(const foundation::Class* cls, const std::function<void(const foundation::Class*, bool& stop)>& block);

// The kinds of per-class setting.
enum class MMSettingKind {
    AllowedPropertyNames,
    IgnoredPropertyNames,
    AllowedCodingPropertyNames,
    IgnoredCodingPropertyNames,
    ReplacedKeyFromPropertyName,
    ObjectClassInArray,
};

// Runs `block` once, now, and keeps its result as the class's setting of that kind (an empty block
// clears it); then empties the cache the setting feeds, for every class.
void mm_setupBlockReturnValue(const foundation::Class* cls, const std::function<foundation::Id()>& block, MMSettingKind kind);
void mm_setupAllowedPropertyNames(const foundation::Class* cls, const std::function<foundation::Ref<foundation::Array>()>& block);
void mm_setupIgnoredPropertyNames(const foundation::Class* cls, const std::function<foundation::Ref<foundation::Array>()>& block);
void mm_setupAllowedCodingPropertyNames(const foundation::Class* cls, const std::function<foundation::Ref<foundation::Array>()>& block);
void mm_setupIgnoredCodingPropertyNames(const foundation::Class* cls, const std::function<foundation::Ref<foundation::Array>()>& block);

// Every name in force for the class: its hook's names, then the settings of the class and its
// superclasses up to the root; built once per class and kept until the matching set-up.
foundation::Ref<foundation::Array> mm_totalObjectsWithSelector(const foundation::Class* cls, MMSettingKind kind);
foundation::Ref<foundation::Array> mm_totalAllowedPropertyNames(const foundation::Class* cls);
foundation::Ref<foundation::Array> mm_totalIgnoredPropertyNames(const foundation::Class* cls);
foundation::Ref<foundation::Array> mm_totalAllowedCodingPropertyNames(const foundation::Class* cls);
foundation::Ref<foundation::Array> mm_totalIgnoredCodingPropertyNames(const foundation::Class* cls);

// Per-class slots kept for the layers above: the setting of one class only (no walk).
foundation::Id classSetting(const foundation::Class* cls, MMSettingKind kind);
MMKeyValueHooks::KeyForName classReplacedKeyFunction(const foundation::Class* cls);
void setClassReplacedKeyFunction(const foundation::Class* cls, MMKeyValueHooks::KeyForName function);
MMKeyValueHooks::NewValue classNewValueFunction(const foundation::Class* cls);
void setClassNewValueFunction(const foundation::Class* cls, MMKeyValueHooks::NewValue function);

// The last conversion error of a class, and the reference-replaced-key flag (Part of conversion).
foundation::Ref<foundation::Error> mm_error(const foundation::Class* cls);
void setMm_error(const foundation::Class* cls, foundation::Ref<foundation::Error> error);
void mm_referenceReplacedKeyWhenCreatingKeyValues(const foundation::Class* cls, bool reference);
bool mm_isReferenceReplacedKeyWhenCreatingKeyValues(const foundation::Class* cls);

// Empties the property-list cache of every class (the replaced-key and array-element set-ups).
void clearPropertyListCache();

// Changes whenever a hook, a setting or a cache changes, so that what conversions derive from
// them per class can be kept until then.
unsigned long long mm_configurationGeneration();
void mm_configurationChanged();

} // namespace mm
