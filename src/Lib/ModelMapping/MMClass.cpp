#include "Lib/ModelMapping/MMClass.h"

#include "Lib/ModelMapping/MMFoundation.h"

#include <array>
#include <atomic>
#include <map>
#include <mutex>
#include <unordered_map>

namespace mm {

using foundation::Class;
using foundation::Id;
using foundation::Ref;

namespace {

constexpr std::size_t kSettingKinds = 6;

struct ClassSlots {
    std::array<Id, kSettingKinds> settings;
    MMKeyValueHooks::KeyForName replacedKeyFunction;
    MMKeyValueHooks::NewValue newValueFunction;
    Ref<foundation::Error> error;
    std::optional<bool> referenceReplacedKey;
    std::shared_ptr<const MMKeyValueHooks> hooks;
};

// Every per-class slot and every name cache lives here, behind one mutex; the mutex is never held
// while a hook or a set-up block runs.
struct Registry {
    std::mutex mutex;
    std::unordered_map<const Class*, ClassSlots> slots;
    std::array<std::map<std::string, Ref<foundation::Array>, std::less<>>, 4> nameCaches;
};

Registry& registry()
{
    static Registry instance;
    return instance;
}

std::size_t index(MMSettingKind kind)
{
    return static_cast<std::size_t>(kind);
}

bool isNameKind(MMSettingKind kind)
{
    return index(kind) < 4;
}

std::atomic<unsigned long long> configurationGeneration{0};

} // namespace

unsigned long long mm_configurationGeneration()
{
    return configurationGeneration.load(std::memory_order_acquire) + Class::generation();
}

void mm_configurationChanged()
{
    configurationGeneration.fetch_add(1, std::memory_order_acq_rel);
}

void mm_setHooks(const Class* cls, MMKeyValueHooks hooks)
{
    auto shared = std::make_shared<const MMKeyValueHooks>(std::move(hooks));
    {
        auto& reg = registry();
        std::lock_guard lock(reg.mutex);
        reg.slots[cls].hooks = std::move(shared);
        for (auto& cache : reg.nameCaches)
            cache.clear();
    }
    clearPropertyListCache();
}

std::shared_ptr<const MMKeyValueHooks> mm_ownHooks(const Class* cls)
{
    auto& reg = registry();
    std::lock_guard lock(reg.mutex);
    auto found = reg.slots.find(cls);
    return found == reg.slots.end() ? nullptr : found->second.hooks;
}

void mm_enumerateClasses(const Class* cls, const std::function<void(const Class*, bool&)>& block)
{
    if (!block)
        return;
    bool stop = false;
    for (const Class* c = cls; c;) {
        block(c, stop);
        c = c->superclass();
        if (!c || MMFoundation::isClassFromFoundation(c) || stop)
            break;
    }
}

void mm_enumerateAllClasses(const Class* cls, const std::function<void(const Class*, bool&)>& block)
{
    if (!block)
        return;
    bool stop = false;
    for (const Class* c = cls; c && !stop; c = c->superclass())
        block(c, stop);
}

void mm_setupBlockReturnValue(const Class* cls, const std::function<Id()>& block, MMSettingKind kind)
{
    Id value = block ? block() : Id();
    {
        auto& reg = registry();
        std::lock_guard lock(reg.mutex);
        reg.slots[cls].settings[index(kind)] = value;
        if (isNameKind(kind))
            reg.nameCaches[index(kind)].clear();
    }
    mm_configurationChanged();
    if (!isNameKind(kind))
        clearPropertyListCache();
}

namespace {

void setupNames(const Class* cls, const std::function<Ref<foundation::Array>()>& block, MMSettingKind kind)
{
    std::function<Id()> wrapped;
    if (block)
        wrapped = [&block] { return Id(block()); };
    mm_setupBlockReturnValue(cls, wrapped, kind);
}

} // namespace

void mm_setupAllowedPropertyNames(const Class* cls, const std::function<Ref<foundation::Array>()>& block)
{
    setupNames(cls, block, MMSettingKind::AllowedPropertyNames);
}

void mm_setupIgnoredPropertyNames(const Class* cls, const std::function<Ref<foundation::Array>()>& block)
{
    setupNames(cls, block, MMSettingKind::IgnoredPropertyNames);
}

void mm_setupAllowedCodingPropertyNames(const Class* cls, const std::function<Ref<foundation::Array>()>& block)
{
    setupNames(cls, block, MMSettingKind::AllowedCodingPropertyNames);
}

void mm_setupIgnoredCodingPropertyNames(const Class* cls, const std::function<Ref<foundation::Array>()>& block)
{
    setupNames(cls, block, MMSettingKind::IgnoredCodingPropertyNames);
}

Ref<foundation::Array> mm_totalObjectsWithSelector(const Class* cls, MMSettingKind kind)
{
    auto& reg = registry();
    {
        std::lock_guard lock(reg.mutex);
        auto& cache = reg.nameCaches[index(kind)];
        auto found = cache.find(cls->name());
        if (found != cache.end())
            return found->second;
    }
    // Built outside the lock: the hook is the model's own code.
    auto names = foundation::MutableArray::create();
    MMKeyValueHooks::Names MMKeyValueHooks::*hook = nullptr;
    switch (kind) {
    case MMSettingKind::AllowedPropertyNames:
        hook = &MMKeyValueHooks::mm_allowedPropertyNames;
        break;
    case MMSettingKind::IgnoredPropertyNames:
        hook = &MMKeyValueHooks::mm_ignoredPropertyNames;
        break;
    case MMSettingKind::AllowedCodingPropertyNames:
        hook = &MMKeyValueHooks::mm_allowedCodingPropertyNames;
        break;
    case MMSettingKind::IgnoredCodingPropertyNames:
        hook = &MMKeyValueHooks::mm_ignoredCodingPropertyNames;
        break;
    default:
        return names;
    }
    if (auto answer = mm_hook(cls, hook))
        if (auto list = answer())
            names->addObjectsFromArray(*list);
    mm_enumerateAllClasses(cls, [&](const Class* c, bool&) {
        if (auto* setting = classSetting(c, kind).ptr<foundation::Array>())
            names->addObjectsFromArray(*setting);
    });
    std::lock_guard lock(reg.mutex);
    auto& cache = reg.nameCaches[index(kind)];
    auto [entry, inserted] = cache.emplace(cls->name(), names);
    return entry->second;
}

Ref<foundation::Array> mm_totalAllowedPropertyNames(const Class* cls)
{
    return mm_totalObjectsWithSelector(cls, MMSettingKind::AllowedPropertyNames);
}

Ref<foundation::Array> mm_totalIgnoredPropertyNames(const Class* cls)
{
    return mm_totalObjectsWithSelector(cls, MMSettingKind::IgnoredPropertyNames);
}

Ref<foundation::Array> mm_totalAllowedCodingPropertyNames(const Class* cls)
{
    return mm_totalObjectsWithSelector(cls, MMSettingKind::AllowedCodingPropertyNames);
}

Ref<foundation::Array> mm_totalIgnoredCodingPropertyNames(const Class* cls)
{
    return mm_totalObjectsWithSelector(cls, MMSettingKind::IgnoredCodingPropertyNames);
}

Id classSetting(const Class* cls, MMSettingKind kind)
{
    auto& reg = registry();
    std::lock_guard lock(reg.mutex);
    auto found = reg.slots.find(cls);
    return found == reg.slots.end() ? Id() : found->second.settings[index(kind)];
}

MMKeyValueHooks::KeyForName classReplacedKeyFunction(const Class* cls)
{
    auto& reg = registry();
    std::lock_guard lock(reg.mutex);
    auto found = reg.slots.find(cls);
    return found == reg.slots.end() ? nullptr : found->second.replacedKeyFunction;
}

void setClassReplacedKeyFunction(const Class* cls, MMKeyValueHooks::KeyForName function)
{
    {
        auto& reg = registry();
        std::lock_guard lock(reg.mutex);
        reg.slots[cls].replacedKeyFunction = std::move(function);
    }
    clearPropertyListCache();
}

MMKeyValueHooks::NewValue classNewValueFunction(const Class* cls)
{
    auto& reg = registry();
    std::lock_guard lock(reg.mutex);
    auto found = reg.slots.find(cls);
    return found == reg.slots.end() ? nullptr : found->second.newValueFunction;
}

void setClassNewValueFunction(const Class* cls, MMKeyValueHooks::NewValue function)
{
    auto& reg = registry();
    std::lock_guard lock(reg.mutex);
    reg.slots[cls].newValueFunction = std::move(function);
    mm_configurationChanged();
}

Ref<foundation::Error> mm_error(const Class* cls)
{
    auto& reg = registry();
    std::lock_guard lock(reg.mutex);
    auto found = reg.slots.find(cls);
    return found == reg.slots.end() ? nullptr : found->second.error;
}

void setMm_error(const Class* cls, Ref<foundation::Error> error)
{
    auto& reg = registry();
    std::lock_guard lock(reg.mutex);
    if (!error) {
        auto found = reg.slots.find(cls);
        if (found != reg.slots.end())
            found->second.error = nullptr;
        return;
    }
    reg.slots[cls].error = std::move(error);
}

void mm_referenceReplacedKeyWhenCreatingKeyValues(const Class* cls, bool reference)
{
    auto& reg = registry();
    std::lock_guard lock(reg.mutex);
    reg.slots[cls].referenceReplacedKey = reference;
    mm_configurationChanged();
}

bool mm_isReferenceReplacedKeyWhenCreatingKeyValues(const Class* cls)
{
    auto& reg = registry();
    std::lock_guard lock(reg.mutex);
    for (const Class* c = cls; c; c = c->superclass()) {
        auto found = reg.slots.find(c);
        if (found != reg.slots.end() && found->second.referenceReplacedKey)
            return *found->second.referenceReplacedKey;
    }
    // The flag stands at YES on the root class from the start.
    return true;
}

} // namespace mm
