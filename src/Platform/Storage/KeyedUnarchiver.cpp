#include "Platform/Storage/KeyedUnarchiver.h"

#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Date.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/FileError.h"
#include "Platform/Foundation/Null.h"
#include "Platform/Foundation/Number.h"
#include "Platform/Foundation/Set.h"
#include "Platform/Foundation/String.h"
#include "Platform/Foundation/URL.h"
#include "Platform/Storage/Coding.h"
#include "Platform/Storage/detail/PlistNode.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace foundation {

using detail::PlistPtr;

struct KeyedUnarchiver::State {
    PlistPtr root;
    plist_t objects = nullptr; // "$objects"
    plist_t current = nullptr; // "$top", or the object being read
    std::unordered_map<std::uint64_t, Id> decoded;
    std::vector<bool> inProgress;
    int depth = 0;
    std::string failure;
    KeyedUnarchiver* owner = nullptr;

    plist_t item(std::string_view key) const
    {
        return current ? plist_dict_get_item(current, std::string(key).c_str()) : nullptr;
    }

    void fail(std::string reason)
    {
        if (failure.empty())
            failure = std::move(reason);
    }

    Id decode(plist_t reference);
    Id decodeUid(std::uint64_t uid);
    Id decodeNode(plist_t node);
    Id decodeClassed(plist_t node, const std::string& className);
    bool decodeElements(plist_t node, const char* key, std::vector<Id>& out);
};

namespace {

Ref<Error> corruptError(const std::string& reason)
{
    auto info = MutableDictionary::create();
    info->setObject(Id("The data couldn’t be read because it isn’t in the correct format."),
        Id(NSLocalizedDescriptionKey));
    info->setObject(Id(reason), Id(NSDebugDescriptionErrorKey));
    return Error::errorWithDomain(NSCocoaErrorDomain, NSCoderReadCorruptError, info);
}

// Keeps the decoding depth, also when an initWithCoder raises.
class DepthScope {
public:
    explicit DepthScope(int& depth)
        : depth_(depth)
    {
        ++depth_;
    }
    ~DepthScope() { --depth_; }
    DepthScope(const DepthScope&) = delete;
    DepthScope& operator=(const DepthScope&) = delete;

private:
    int& depth_;
};

} // namespace

Id KeyedUnarchiver::State::decode(plist_t reference)
{
    if (!reference)
        return {};
    if (plist_get_node_type(reference) != PLIST_UID) {
        fail("an object reference is not a UID");
        return {};
    }
    std::uint64_t uid = 0;
    plist_get_uid_val(reference, &uid);
    return decodeUid(uid);
}

Id KeyedUnarchiver::State::decodeUid(std::uint64_t uid)
{
    if (uid == 0)
        return {};
    if (uid >= plist_array_get_size(objects)) {
        fail("a UID points past the objects");
        return {};
    }
    auto known = decoded.find(uid);
    if (known != decoded.end())
        return known->second;
    if (inProgress[uid] || depth >= detail::kMaxPlistDepth) {
        fail(inProgress[uid] ? "containers refer to each other in a loop" : "objects are nested too deeply");
        return {};
    }
    inProgress[uid] = true;
    DepthScope scope(depth);
    Id result = decodeNode(plist_array_get_item(objects, static_cast<uint32_t>(uid)));
    inProgress[uid] = false;
    decoded.emplace(uid, result);
    return result;
}

Id KeyedUnarchiver::State::decodeNode(plist_t node)
{
    switch (plist_get_node_type(node)) {
    case PLIST_STRING: {
        std::string text = detail::plistString(node);
        return text == "$null" ? Id() : Id(String::create(text));
    }
    case PLIST_BOOLEAN:
    case PLIST_UINT:
    case PLIST_REAL:
    case PLIST_DATA:
        return detail::leafFromPlist(node);
    case PLIST_DICT: {
        plist_t classRef = plist_dict_get_item(node, "$class");
        std::uint64_t classUid = 0;
        if (!classRef || plist_get_node_type(classRef) != PLIST_UID) {
            fail("an object has no class");
            return {};
        }
        plist_get_uid_val(classRef, &classUid);
        plist_t description = classUid < plist_array_get_size(objects)
            ? plist_array_get_item(objects, static_cast<uint32_t>(classUid))
            : nullptr;
        plist_t name = description && plist_get_node_type(description) == PLIST_DICT
            ? plist_dict_get_item(description, "$classname")
            : nullptr;
        if (!name || plist_get_node_type(name) != PLIST_STRING) {
            fail("an object's class has no name");
            return {};
        }
        return decodeClassed(node, detail::plistString(name));
    }
    default:
        fail("an object of an unknown kind");
        return {};
    }
}

bool KeyedUnarchiver::State::decodeElements(plist_t node, const char* key, std::vector<Id>& out)
{
    plist_t list = plist_dict_get_item(node, key);
    if (!list)
        return true;
    if (plist_get_node_type(list) != PLIST_ARRAY) {
        fail(std::string(key) + " is not an array");
        return false;
    }
    uint32_t count = plist_array_get_size(list);
    out.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        Id element = decode(plist_array_get_item(list, i));
        if (!element) {
            fail("a container holds nil");
            return false;
        }
        out.push_back(std::move(element));
    }
    return true;
}

Id KeyedUnarchiver::State::decodeClassed(plist_t node, const std::string& className)
{
    bool mutableKind = className.starts_with("NSMutable");
    if (className == "NSString" || className == "NSMutableString") {
        std::string text = detail::plistString(plist_dict_get_item(node, "NS.string"));
        if (auto bytes = detail::leafFromPlist(plist_dict_get_item(node, "NS.bytes")).as<Data>())
            text = bytes->view();
        return mutableKind ? Id(MutableString::create(text)) : Id(String::create(text));
    }
    if (className == "NSData" || className == "NSMutableData") {
        Id bytes = detail::leafFromPlist(plist_dict_get_item(node, "NS.data"));
        const auto* data = bytes.ptr<Data>();
        if (!data)
            return mutableKind ? Id(MutableData::create()) : Id(Data::create());
        return mutableKind ? Id(MutableData::create(data->span())) : bytes;
    }
    if (className == "NSDate") {
        double seconds = 0;
        if (plist_t time = plist_dict_get_item(node, "NS.time");
            time && plist_get_node_type(time) == PLIST_REAL)
            plist_get_real_val(time, &seconds);
        return Date::dateWithTimeIntervalSinceReferenceDate(seconds);
    }
    if (className == "NSNull")
        return Null::null();
    if (className == "NSArray" || className == "NSMutableArray") {
        std::vector<Id> elements;
        if (!decodeElements(node, "NS.objects", elements))
            return {};
        return mutableKind ? Id(MutableArray::create(std::move(elements)))
                           : Id(Array::create(std::move(elements)));
    }
    if (className == "NSSet" || className == "NSMutableSet") {
        std::vector<Id> elements;
        if (!decodeElements(node, "NS.objects", elements))
            return {};
        return mutableKind ? Id(MutableSet::create(std::move(elements)))
                           : Id(Set::create(std::move(elements)));
    }
    if (className == "NSDictionary" || className == "NSMutableDictionary") {
        std::vector<Id> keys;
        std::vector<Id> values;
        if (!decodeElements(node, "NS.keys", keys) || !decodeElements(node, "NS.objects", values))
            return {};
        if (keys.size() != values.size()) {
            fail("a dictionary has more keys than values or fewer");
            return {};
        }
        auto dictionary = MutableDictionary::create();
        for (std::size_t i = 0; i < keys.size(); ++i)
            dictionary->setObject(values[i], keys[i]);
        return mutableKind ? Id(dictionary) : dictionary->copy();
    }
    if (className == "NSURL") {
        Id base = decode(plist_dict_get_item(node, "NS.base"));
        Id relative = decode(plist_dict_get_item(node, "NS.relative"));
        Ref<URL> url = URL::URLWithString(relative.stringValue(), base.as<URL>());
        if (!url)
            fail("a URL that does not parse");
        return url;
    }
    if (className == "NSError") {
        std::uint64_t code = 0;
        if (plist_t codeNode = plist_dict_get_item(node, "NSCode");
            codeNode && plist_get_node_type(codeNode) == PLIST_UINT)
            plist_get_uint_val(codeNode, &code);
        Id domain = decode(plist_dict_get_item(node, "NSDomain"));
        Id userInfo = decode(plist_dict_get_item(node, "NSUserInfo"));
        return Error::errorWithDomain(
            domain.stringValue(), static_cast<long long>(code), userInfo.dictionary());
    }
    const Class* cls = Class::named(className);
    Ref<Object> instance = cls ? cls->createInstance() : nullptr;
    auto* coding = dynamic_cast<Coding*>(instance.get());
    if (!coding) {
        fail("cannot decode object of class (" + className + ")");
        return {};
    }
    detail::CurrentNode scope(current, node);
    coding->initWithCoder(*owner);
    return instance;
}

KeyedUnarchiver::KeyedUnarchiver(std::unique_ptr<State> state)
    : state_(std::move(state))
{
    state_->owner = this;
}

KeyedUnarchiver::~KeyedUnarchiver() = default;

std::unique_ptr<KeyedUnarchiver> KeyedUnarchiver::create(const Data& data, Ref<Error>* error)
{
    auto state = std::make_unique<State>();
    std::string refusal;
    state->root = detail::parsePlist(data.view(), &refusal);
    plist_t root = state->root.get();
    plist_t top
        = root && plist_get_node_type(root) == PLIST_DICT ? plist_dict_get_item(root, "$top") : nullptr;
    plist_t objects
        = root && plist_get_node_type(root) == PLIST_DICT ? plist_dict_get_item(root, "$objects") : nullptr;
    if (!top || plist_get_node_type(top) != PLIST_DICT || !objects
        || plist_get_node_type(objects) != PLIST_ARRAY) {
        if (error)
            *error = corruptError(refusal.empty() ? "The data isn’t in the keyed archive format." : refusal);
        return nullptr;
    }
    state->objects = objects;
    state->current = top;
    state->inProgress.assign(plist_array_get_size(objects), false);
    return std::unique_ptr<KeyedUnarchiver>(new KeyedUnarchiver(std::move(state)));
}

Id KeyedUnarchiver::decodeObjectForKey(std::string_view key)
{
    return state_->decode(state_->item(key));
}

bool KeyedUnarchiver::decodeBoolForKey(std::string_view key)
{
    plist_t node = state_->item(key);
    if (node && plist_get_node_type(node) == PLIST_BOOLEAN) {
        std::uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return value != 0;
    }
    return decodeIntegerForKey(key) != 0;
}

int KeyedUnarchiver::decodeIntForKey(std::string_view key)
{
    return static_cast<int>(decodeIntegerForKey(key));
}

long long KeyedUnarchiver::decodeIntegerForKey(std::string_view key)
{
    plist_t node = state_->item(key);
    if (!node || plist_get_node_type(node) == PLIST_UID)
        return 0;
    return detail::leafFromPlist(node).integerValue();
}

double KeyedUnarchiver::decodeDoubleForKey(std::string_view key)
{
    plist_t node = state_->item(key);
    if (!node || plist_get_node_type(node) == PLIST_UID)
        return 0;
    return detail::leafFromPlist(node).doubleValue();
}

bool KeyedUnarchiver::containsValueForKey(std::string_view key) const
{
    return state_->item(key) != nullptr;
}

bool KeyedUnarchiver::failed() const
{
    return !state_->failure.empty();
}

Ref<Error> KeyedUnarchiver::error() const
{
    return failed() ? corruptError(state_->failure) : nullptr;
}

Id KeyedUnarchiver::unarchiveObjectWithData(const Data& data, Ref<Error>* error, std::string_view key)
{
    auto unarchiver = create(data, error);
    if (!unarchiver)
        return {};
    Id object = unarchiver->decodeObjectForKey(key);
    if (unarchiver->failed()) {
        if (error)
            *error = unarchiver->error();
        return {};
    }
    return object;
}

Id KeyedUnarchiver::unarchiveObjectWithFile(
    const std::filesystem::path& path, Ref<Error>* error, std::string_view key)
{
    Ref<Data> data = Data::dataWithContentsOfFile(path, error);
    if (!data)
        return {};
    return unarchiveObjectWithData(*data, error, key);
}

} // namespace foundation
