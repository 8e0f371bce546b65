#include "Lib/ModelMapping/MMKeyValue.h"

#include "Lib/ModelMapping/MMExtension.h"
#include "Lib/ModelMapping/MMFoundation.h"
#include "Lib/ModelMapping/MMPropertyReflection.h"
#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/Misuse.h"
#include "Platform/Foundation/Null.h"
#include "Platform/Foundation/Number.h"
#include "Platform/Foundation/URL.h"
#include "Platform/Serialization/JSONSerialization.h"
#include "Platform/Serialization/PropertyListSerialization.h"
#include "Platform/Storage/Paths.h"

#include <charconv>
#include <mutex>
#include <unordered_map>
#include <cmath>

namespace mm {

using foundation::Class;
using foundation::Id;
using foundation::Ref;

namespace {

constexpr const char* kNotADictionary = "keyValues参数不是一个字典";
constexpr const char* kNotAnArray = "keyValuesArray参数不是一个数组";
constexpr const char* kNoFilename = "filename参数为nil";
constexpr const char* kNoFile = "file参数为nil";
constexpr const char* kNotAModel = "不是自定义的模型类";
constexpr const char* kObjectArrayNotAnArray = "objectArray参数不是一个数组";
// Server data nested deeper than any JSON reply may be is refused rather than followed.
constexpr const char* kTooDeep = "keyValues嵌套过深";

Ref<foundation::Error> makeError(const std::string& message)
{
    return foundation::Error::errorWithDomain(message, MMErrorCode);
}

void fail(const Class* cls, const std::string& message)
{
    setMm_error(cls, makeError(message));
}

// The fixed messages are left on classes at every conversion of a plain dictionary; errors are
// immutable, so one instance per message serves them all.
void fail(const Class* cls, const char* fixedMessage)
{
    static std::mutex mutex;
    static std::unordered_map<const char*, Ref<foundation::Error>> errors;
    Ref<foundation::Error> error;
    {
        std::lock_guard lock(mutex);
        auto& slot = errors[fixedMessage];
        if (!slot)
            slot = makeError(fixedMessage);
        error = slot;
    }
    setMm_error(cls, std::move(error));
}

// Counts the nested conversions running on this thread, so hostile nesting ends in an error.
class DepthGuard {
public:
    DepthGuard() { ++depth(); }
    ~DepthGuard() { --depth(); }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;
    bool tooDeep() const { return depth() > static_cast<int>(foundation::JSONSerialization::kMaxDepth); }

private:
    static int& depth()
    {
        thread_local int value = 0;
        return value;
    }
};

// Plain decimal text only: an optional sign, digits with an optional fraction, an optional
// exponent; nothing before or after. Integers keep an integer kind. Never locale-dependent.
Ref<foundation::Number> numberFromString(std::string_view text)
{
    std::size_t pos = 0;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        ++pos;
    std::size_t digitsStart = pos;
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])))
        ++pos;
    bool integral = true;
    std::size_t intDigits = pos - digitsStart;
    std::size_t fracDigits = 0;
    if (pos < text.size() && text[pos] == '.') {
        integral = false;
        ++pos;
        std::size_t fracStart = pos;
        while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])))
            ++pos;
        fracDigits = pos - fracStart;
    }
    if (intDigits + fracDigits == 0)
        return nullptr;
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        integral = false;
        ++pos;
        if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
            ++pos;
        std::size_t expStart = pos;
        while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])))
            ++pos;
        if (pos == expStart)
            return nullptr;
    }
    if (pos != text.size())
        return nullptr;
    std::string_view body = text;
    if (!body.empty() && body[0] == '+')
        body.remove_prefix(1);
    if (integral) {
        long long value = 0;
        auto result = std::from_chars(body.data(), body.data() + body.size(), value);
        if (result.ec == std::errc())
            return foundation::Number::numberWithLongLong(value);
    }
    double real = 0;
    auto result = std::from_chars(body.data(), body.data() + body.size(), real);
    if (result.ec != std::errc() && result.ec != std::errc::result_out_of_range)
        return nullptr;
    if (result.ec == std::errc::result_out_of_range)
        real = (body.find("e-") != std::string_view::npos || body.find("E-") != std::string_view::npos) ? 0.0
               : body[0] == '-'                                                                      ? -HUGE_VAL
                                                                                                      : HUGE_VAL;
    return foundation::Number::numberWithDouble(real);
}

Ref<foundation::Number> decimalNumberWithString(std::string_view text)
{
    auto number = numberFromString(text);
    double value = number ? number->doubleValue() : std::nan("");
    return std::make_shared<foundation::DecimalNumber>(foundation::NumberKind::Double, value);
}

bool isExactly(const Class* cls, const char* name)
{
    return cls && cls->name() == name;
}

// What the conversion rules need of one property, worked out once per class.
struct PropertyPlan {
    std::shared_ptr<MMProperty> property;
    Id name;
    std::shared_ptr<const std::vector<MMKeyPath>> keyPaths;
    const Class* typeClass = nullptr;
    const Class* elementClass = nullptr;
    bool filtered = false; // left out by the class's allowed or ignored names
    bool nestedModel = false;
    bool mutableArray = false, mutableDictionary = false, mutableString = false, mutableData = false;
    bool stringType = false, urlType = false, decimalType = false, urlElements = false;
};

// Everything one conversion of an object needs about its class, kept until the configuration
// changes (a hook, a setting, a new property).
struct ClassPlan {
    unsigned long long generation = 0;
    const Class* cls = nullptr;
    std::vector<PropertyPlan> properties;
    MMKeyValueHooks::NewValue newValueFunction;
    MMKeyValueHooks::Finished didConvertToObject;
    MMKeyValueHooks::Finished didConvertToKeyValues;
};

std::shared_ptr<const ClassPlan> buildPlan(const Class* cls, unsigned long long generation)
{
    auto plan = std::make_shared<ClassPlan>();
    plan->generation = generation;
    plan->cls = cls;
    auto allowed = mm_totalAllowedPropertyNames(cls);
    auto ignored = mm_totalIgnoredPropertyNames(cls);
    for (const auto& property : *properties(cls)) {
        PropertyPlan p;
        p.property = property;
        p.name = Id(property->name());
        p.keyPaths = property->propertyKeysForClass(cls);
        p.filtered = (allowed->count() > 0 && !allowed->containsObject(p.name)) || ignored->containsObject(p.name);
        p.typeClass = property->type()->typeClass();
        p.elementClass = property->objectClassInArrayForClass(cls);
        p.nestedModel = p.typeClass && !property->type()->isFromFoundation();
        p.mutableArray = isExactly(p.typeClass, "NSMutableArray");
        p.mutableDictionary = isExactly(p.typeClass, "NSMutableDictionary");
        p.mutableString = isExactly(p.typeClass, "NSMutableString");
        p.mutableData = isExactly(p.typeClass, "NSMutableData");
        p.stringType = isExactly(p.typeClass, "NSString");
        p.urlType = isExactly(p.typeClass, "NSURL");
        p.decimalType = isExactly(p.typeClass, "NSDecimalNumber");
        p.urlElements = isExactly(p.elementClass, "NSURL");
        plan->properties.push_back(std::move(p));
    }
    plan->newValueFunction = mm_newValueFunction(cls, cls);
    plan->didConvertToObject = mm_hook(cls, &MMKeyValueHooks::mm_keyValuesDidFinishConvertingToObject);
    plan->didConvertToKeyValues = mm_hook(cls, &MMKeyValueHooks::mm_objectDidFinishConvertingToKeyValues);
    return plan;
}

std::shared_ptr<const ClassPlan> planFor(const Class* cls)
{
    static std::mutex mutex;
    static std::unordered_map<const Class*, std::shared_ptr<const ClassPlan>> plans;
    unsigned long long generation = mm_configurationGeneration();
    {
        std::lock_guard lock(mutex);
        auto found = plans.find(cls);
        if (found != plans.end() && found->second->generation == generation)
            return found->second;
    }
    auto plan = buildPlan(cls, generation);
    std::lock_guard lock(mutex);
    plans[cls] = plan;
    return plan;
}

Id convertedValue(const PropertyPlan& p, Id value, const Id& context)
{
    const auto& type = *p.property->type();
    if (p.mutableArray && value.is<foundation::Array>())
        value = value.mutableCopy();
    else if (p.mutableDictionary && value.is<foundation::Dictionary>())
        value = value.mutableCopy();
    else if (p.mutableString && value.is<foundation::String>())
        value = value.mutableCopy();
    else if (p.mutableData && value.is<foundation::Data>())
        value = value.mutableCopy();

    if (p.nestedModel)
        return mm_objectWithKeyValues(p.typeClass, value, context);
    if (p.elementClass) {
        if (p.urlElements && value.is<foundation::Array>()) {
            auto urls = foundation::MutableArray::create();
            for (const Id& element : *value.as<foundation::Array>())
                if (const auto* text = element.ptr<foundation::String>())
                    if (auto url = mm_url(*text))
                        urls->addObject(url);
            return urls;
        }
        return mm_objectArrayWithKeyValuesArray(p.elementClass, value, context);
    }
    if (p.stringType) {
        if (const auto* number = value.ptr<foundation::Number>())
            value = Id(number->description());
        else if (const auto* url = value.ptr<foundation::URL>())
            value = Id(url->absoluteString());
    } else if (const auto* text = value.ptr<foundation::String>()) {
        if (p.urlType) {
            value = mm_url(*text);
        } else if (type.isNumberType()) {
            if (p.decimalType)
                value = decimalNumberWithString(text->utf8());
            else
                value = numberFromString(text->utf8());
            if (type.isBoolType()) {
                std::string lowered = text->lowercaseString()->utf8();
                if (lowered == "yes" || lowered == "true")
                    value = foundation::Number::numberWithBool(true);
                else if (lowered == "no" || lowered == "false")
                    value = foundation::Number::numberWithBool(false);
            }
        }
    }
    if (p.typeClass && !value.isKindOfClass(p.typeClass))
        return {};
    return value;
}

void convertProperty(const PropertyPlan& p, const Id& dictionary, const Id& object, const ClassPlan& plan,
                     const Id& context)
{
    Id value;
    for (const MMKeyPath& path : *p.keyPaths) {
        Id step = dictionary;
        for (const MMPropertyKey& key : path) {
            step = key.valueInObject(step);
            if (step.isNil())
                break;
        }
        if (!step.isNil()) {
            value = step;
            break;
        }
    }
    if (plan.newValueFunction) {
        Id replaced = plan.newValueFunction(object, value, *p.property);
        if (!(replaced == value)) {
            p.property->setValue(replaced, object);
            return;
        }
    }
    if (value.isNil() || value.isNull())
        return;
    p.property->setValue(convertedValue(p, value, context), object);
}

Id normalizedKeyValues(const Id& keyValues)
{
    return mm_JSONObject(keyValues);
}

// Writes `value` at the key path into `root`, making containers on the way (a path that does not
// fit what is already there raises, and the caller records it).
void writeAtKeyPath(const Ref<foundation::MutableDictionary>& root, const MMKeyPath& path, const Id& value)
{
    Id current = root;
    auto put = [](const Id& container, const MMPropertyKey& key, const Id& item) {
        if (key.type == MMPropertyKeyType::Array) {
            auto* array = container.ptr<foundation::MutableArray>();
            if (!array) {
                foundation::misuse(foundation::NSInvalidArgumentException,
                                   foundation::format("-[%@ replaceObjectAtIndex:withObject:]: unrecognized selector sent to instance",
                                                      container.isNil() ? std::string("nil") : container.get()->isa()->name()),
                                   foundation::MisuseDefault::Ignore);
                return;
            }
            array->replaceObjectAtIndex(static_cast<std::size_t>(foundation::String(key.name).intValue()), item);
        } else {
            auto* dictionary = container.ptr<foundation::MutableDictionary>();
            if (!dictionary) {
                foundation::misuse(foundation::NSInvalidArgumentException,
                                   foundation::format("-[%@ setObject:forKey:]: unrecognized selector sent to instance",
                                                      container.isNil() ? std::string("nil") : container.get()->isa()->name()),
                                   foundation::MisuseDefault::Ignore);
                return;
            }
            dictionary->setObject(item, Id(key.name));
        }
    };
    for (std::size_t i = 0; i + 1 < path.size(); ++i) {
        Id inner = path[i].valueInObject(current);
        if (inner.isNil() || inner.isNull()) {
            if (path[i + 1].type == MMPropertyKeyType::Array)
                inner = foundation::MutableArray::create();
            else
                inner = foundation::MutableDictionary::create();
            put(current, path[i], inner);
        }
        if (auto* array = inner.ptr<foundation::MutableArray>()) {
            auto wanted = static_cast<std::size_t>(std::max(0, foundation::String(path[i + 1].name).intValue()));
            while (array->count() <= wanted)
                array->addObject(foundation::Null::null());
        }
        current = inner;
    }
    if (!path.empty())
        put(current, path.back(), value);
}

template <class Body>
void guarded(const Class* cls, Body&& body)
{
    try {
        body();
    } catch (const foundation::Exception& exception) {
        fail(cls, exception.reason());
    } catch (const std::exception& exception) {
        fail(cls, exception.what());
    }
}

} // namespace

namespace {

// Fills `object` from a dictionary that has been normalised already.
Id fillFromDictionary(const Id& object, const Class* cls, const Id& dictionary, const Id& context)
{
    auto plan = planFor(cls);
    for (const auto& p : plan->properties) {
        if (p.filtered)
            continue;
        guarded(cls, [&] { convertProperty(p, dictionary, object, *plan, context); });
    }
    if (plan->didConvertToObject)
        plan->didConvertToObject(object);
    return object;
}

} // namespace

Id mm_setKeyValues(const Id& object, const Id& keyValues, const Id& context)
{
    if (object.isNil())
        return object;
    const Class* cls = object.get()->isa();
    DepthGuard depth;
    if (depth.tooDeep()) {
        fail(cls, kTooDeep);
        return object;
    }
    Id dictionary = normalizedKeyValues(keyValues);
    setMm_error(cls, nullptr);
    if (!dictionary.is<foundation::Dictionary>()) {
        fail(cls, kNotADictionary);
        return object;
    }
    return fillFromDictionary(object, cls, dictionary, context);
}

Id mm_objectWithKeyValues(const Class* cls, const Id& keyValues, const Id& /*context*/)
{
    DepthGuard depth;
    if (depth.tooDeep()) {
        fail(cls, kTooDeep);
        return {};
    }
    Id dictionary = normalizedKeyValues(keyValues);
    setMm_error(cls, nullptr);
    if (!dictionary.is<foundation::Dictionary>()) {
        fail(cls, kNotADictionary);
        return {};
    }
    // Without a managed-object store, every class is made with its factory and filled without
    // the context, as the platform does for classes outside such a store.
    Id object = cls->createInstance();
    if (object.isNil())
        return {};
    // The dictionary is normalised already: fill it as the object's own conversion would.
    setMm_error(object.get()->isa(), nullptr);
    return fillFromDictionary(object, object.get()->isa(), dictionary, Id());
}

Ref<foundation::MutableArray> mm_objectArrayWithKeyValuesArray(const Class* cls, const Id& keyValuesArray, const Id& context)
{
    DepthGuard depth;
    if (depth.tooDeep()) {
        fail(cls, kTooDeep);
        return nullptr;
    }
    Id normalized = normalizedKeyValues(keyValuesArray);
    setMm_error(cls, nullptr);
    const auto* array = normalized.ptr<foundation::Array>();
    if (!array) {
        fail(cls, kNotAnArray);
        return nullptr;
    }
    if (MMFoundation::isClassFromFoundation(cls))
        return std::static_pointer_cast<foundation::MutableArray>(normalized.mutableCopy().ref());
    auto result = foundation::MutableArray::arrayWithCapacity(array->count());
    for (const Id& element : *array) {
        if (element.is<foundation::Array>()) {
            if (auto nested = mm_objectArrayWithKeyValuesArray(cls, element, context))
                result->addObject(nested);
            continue;
        }
        Id object = mm_objectWithKeyValues(cls, element, context);
        if (!object.isNil())
            result->addObject(object);
    }
    return result;
}

namespace {

Id readPropertyList(const Id& file)
{
    auto data = foundation::Data::dataWithContentsOfFile(file.stringValue());
    if (!data)
        return {};
    return foundation::PropertyListSerialization::propertyListWithData(data, 0, nullptr, nullptr);
}

Id resourcePath(const Id& filename)
{
    auto path = foundation::Paths::resourceDirectory() / filename.stringValue();
    return std::filesystem::exists(path) ? Id(path.string()) : Id();
}

} // namespace

Id mm_objectWithFilename(const Class* cls, const Id& filename)
{
    setMm_error(cls, nullptr);
    if (filename.isNil()) {
        fail(cls, kNoFilename);
        return {};
    }
    return mm_objectWithFile(cls, resourcePath(filename));
}

Id mm_objectWithFile(const Class* cls, const Id& file)
{
    setMm_error(cls, nullptr);
    if (file.isNil()) {
        fail(cls, kNoFile);
        return {};
    }
    Id list = readPropertyList(file);
    return mm_objectWithKeyValues(cls, list.is<foundation::Dictionary>() ? list : Id());
}

Ref<foundation::MutableArray> mm_objectArrayWithFilename(const Class* cls, const Id& filename)
{
    setMm_error(cls, nullptr);
    if (filename.isNil()) {
        fail(cls, kNoFilename);
        return nullptr;
    }
    return mm_objectArrayWithFile(cls, resourcePath(filename));
}

Ref<foundation::MutableArray> mm_objectArrayWithFile(const Class* cls, const Id& file)
{
    setMm_error(cls, nullptr);
    if (file.isNil()) {
        fail(cls, kNoFile);
        return nullptr;
    }
    Id list = readPropertyList(file);
    return mm_objectArrayWithKeyValuesArray(cls, list.is<foundation::Array>() ? list : Id());
}

// Model to dictionary

Id mm_keyValues(const Id& object)
{
    return mm_keyValuesWithKeys(object, nullptr, nullptr);
}

Id mm_keyValuesWithKeys(const Id& object, const Ref<foundation::Array>& keys)
{
    return mm_keyValuesWithKeys(object, keys, nullptr);
}

Id mm_keyValuesWithIgnoredKeys(const Id& object, const Ref<foundation::Array>& ignoredKeys)
{
    return mm_keyValuesWithKeys(object, nullptr, ignoredKeys);
}

Id mm_keyValuesWithKeys(const Id& object, const Ref<foundation::Array>& keys, const Ref<foundation::Array>& ignoredKeys)
{
    if (object.isNil())
        return {};
    const Class* cls = object.get()->isa();
    setMm_error(cls, nullptr);
    if (MMFoundation::isClassFromFoundation(cls)) {
        fail(cls, kNotAModel);
        return object;
    }
    DepthGuard depth;
    if (depth.tooDeep()) {
        fail(cls, kTooDeep);
        return foundation::MutableDictionary::create();
    }
    auto result = foundation::MutableDictionary::create();
    auto plan = planFor(cls);
    bool reference = mm_isReferenceReplacedKeyWhenCreatingKeyValues(cls);
    for (const auto& p : plan->properties) {
        const auto& property = p.property;
        guarded(cls, [&] {
            const Id& name = p.name;
            if (p.filtered)
                return;
            if (keys && keys->count() > 0 && !keys->containsObject(name))
                return;
            if (ignoredKeys && ignoredKeys->containsObject(name))
                return;
            Id value = property->valueForObject(object);
            if (value.isNil())
                return;
            const Class* typeClass = property->type()->typeClass();
            if (typeClass && !property->type()->isFromFoundation())
                value = mm_keyValues(value);
            else if (value.is<foundation::Array>())
                value = mm_keyValuesArrayWithObjectArray(foundation::Object::classObject(), value);
            else if (isExactly(typeClass, "NSURL"))
                if (const auto* url = value.ptr<foundation::URL>())
                    value = Id(url->absoluteString());
            if (value.isNil())
                return;
            if (reference) {
                if (!p.keyPaths->empty())
                    writeAtKeyPath(result, p.keyPaths->front(), value);
            } else {
                result->setObject(value, name);
            }
        });
    }
    if (plan->didConvertToKeyValues)
        plan->didConvertToKeyValues(object);
    return result;
}

Ref<foundation::MutableArray> mm_keyValuesArrayWithObjectArray(const Class* cls, const Id& objectArray)
{
    return mm_keyValuesArrayWithObjectArray(cls, objectArray, nullptr, nullptr);
}

Ref<foundation::MutableArray> mm_keyValuesArrayWithObjectArray(const Class* cls, const Id& objectArray,
                                                               const Ref<foundation::Array>& keys)
{
    return mm_keyValuesArrayWithObjectArray(cls, objectArray, keys, nullptr);
}

Ref<foundation::MutableArray> mm_keyValuesArrayWithObjectArrayIgnoredKeys(const Class* cls, const Id& objectArray,
                                                                          const Ref<foundation::Array>& ignoredKeys)
{
    return mm_keyValuesArrayWithObjectArray(cls, objectArray, nullptr, ignoredKeys);
}

Ref<foundation::MutableArray> mm_keyValuesArrayWithObjectArray(const Class* cls, const Id& objectArray,
                                                               const Ref<foundation::Array>& keys,
                                                               const Ref<foundation::Array>& ignoredKeys)
{
    setMm_error(cls, nullptr);
    const auto* array = objectArray.ptr<foundation::Array>();
    if (!array) {
        fail(cls, kObjectArrayNotAnArray);
        return nullptr;
    }
    DepthGuard depth;
    auto result = foundation::MutableArray::arrayWithCapacity(array->count());
    for (const Id& element : *array) {
        // A platform element (text, number, nested array) goes in unchanged.
        if (element.isNil() || MMFoundation::isClassFromFoundation(element.get()->isa()) || depth.tooDeep()) {
            result->addObject(element);
            continue;
        }
        result->addObject(keys ? mm_keyValuesWithKeys(element, keys) : mm_keyValuesWithIgnoredKeys(element, ignoredKeys));
    }
    return result;
}

// JSON

Id mm_JSONObject(const Id& object)
{
    if (const auto* text = object.ptr<foundation::String>()) {
        auto data = text->dataUsingUTF8Encoding();
        return foundation::JSONSerialization::JSONObjectWithData(data, 0);
    }
    if (auto data = object.as<foundation::Data>())
        return foundation::JSONSerialization::JSONObjectWithData(data, 0);
    return mm_keyValues(object);
}

Ref<foundation::Data> mm_JSONData(const Id& object)
{
    if (const auto* text = object.ptr<foundation::String>())
        return text->dataUsingUTF8Encoding();
    if (auto data = object.as<foundation::Data>())
        return data;
    Id json = mm_JSONObject(object);
    // Values JSON cannot carry give nil here instead of ending the process.
    if (!foundation::JSONSerialization::isValidJSONObject(json))
        return nullptr;
    return foundation::JSONSerialization::dataWithJSONObject(json, 0);
}

Ref<foundation::String> mm_JSONString(const Id& object)
{
    if (auto text = object.as<foundation::String>())
        return text;
    if (const auto* data = object.ptr<foundation::Data>())
        return foundation::String::create(data->view());
    auto data = mm_JSONData(object);
    return data ? foundation::String::create(data->view()) : nullptr;
}

} // namespace mm
