#include "Platform/Storage/KeyedArchiver.h"

#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Date.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/FileError.h"
#include "Platform/Foundation/Misuse.h"
#include "Platform/Foundation/Null.h"
#include "Platform/Foundation/Number.h"
#include "Platform/Foundation/Set.h"
#include "Platform/Foundation/String.h"
#include "Platform/Foundation/URL.h"
#include "Platform/Storage/Coding.h"
#include "Platform/Storage/detail/PlistNode.h"

#include <map>
#include <unordered_map>
#include <vector>

namespace foundation {

using detail::PlistPtr;

struct KeyedArchiver::State {
    std::vector<PlistPtr> objects; // "$objects"; slot 0 is "$null"
    std::unordered_map<const Object*, std::uint64_t> uids; // identity -> UID
    std::map<std::string, std::uint64_t, std::less<>> classUids;
    std::vector<Ref<const Object>> keepAlive; // so an address cannot be reused while encoding
    PlistPtr top { plist_new_dict() };
    plist_t current = nullptr; // the dictionary that receives encodes now
    Ref<Data> finished;
    KeyedArchiver* owner;

    explicit State(KeyedArchiver* archiver)
        : owner(archiver)
    {
        objects.emplace_back(plist_new_string("$null"));
        current = top.get();
    }

    std::uint64_t reserve()
    {
        objects.emplace_back();
        return objects.size() - 1;
    }

    std::uint64_t classUid(const Class* cls)
    {
        auto found = classUids.find(cls->name());
        if (found != classUids.end())
            return found->second;
        PlistPtr description(plist_new_dict());
        plist_dict_set_item(description.get(), "$classname", plist_new_string(cls->name().c_str()));
        plist_t chain = plist_new_array();
        for (const Class* c = cls; c; c = c->superclass())
            plist_array_append_item(chain, plist_new_string(c->name().c_str()));
        plist_dict_set_item(description.get(), "$classes", chain);
        std::uint64_t uid = reserve();
        objects[uid] = std::move(description);
        classUids.emplace(cls->name(), uid);
        return uid;
    }

    plist_t uidArray(const std::vector<Id>& elements)
    {
        std::vector<std::uint64_t> uids;
        uids.reserve(elements.size());
        for (const Id& element : elements)
            uids.push_back(encode(element));
        plist_t array = plist_new_array();
        for (std::uint64_t uid : uids)
            plist_array_append_item(array, plist_new_uid(uid));
        return array;
    }

    std::uint64_t encode(const Id& object);
    PlistPtr encodeContents(const Object& object);
};

std::uint64_t KeyedArchiver::State::encode(const Id& object)
{
    const Object* value = object.get();
    if (!value)
        return 0;
    auto known = uids.find(value);
    if (known != uids.end())
        return known->second;
    std::uint64_t uid = reserve();
    uids.emplace(value, uid);
    keepAlive.push_back(object.ref());
    PlistPtr node = encodeContents(*value);
    if (!node) {
        // Unsupported, reported through misuse() with a guard installed: written as nil.
        uids[value] = 0;
        objects[uid].reset(plist_new_string("$null"));
        return 0;
    }
    objects[uid] = std::move(node);
    return uid;
}

PlistPtr KeyedArchiver::State::encodeContents(const Object& object)
{
    auto withClass = [&](PlistPtr node) {
        plist_dict_set_item(node.get(), "$class", plist_new_uid(classUid(object.isa())));
        return node;
    };
    if (const auto* string = dynamic_cast<const String*>(&object)) {
        bool holdsZero = string->utf8().find('\0') != std::string::npos;
        if (holdsZero) {
            // libplist takes C strings, so text with a zero byte travels as its UTF-8 bytes.
            PlistPtr node(plist_new_dict());
            plist_dict_set_item(
                node.get(), "NS.bytes", plist_new_data(string->utf8().data(), string->utf8().size()));
            return withClass(std::move(node));
        }
        if (!dynamic_cast<const MutableString*>(string))
            return PlistPtr(plist_new_string(string->UTF8String()));
        PlistPtr node(plist_new_dict());
        plist_dict_set_item(node.get(), "NS.string", plist_new_string(string->UTF8String()));
        return withClass(std::move(node));
    }
    if (dynamic_cast<const Number*>(&object))
        return PlistPtr(detail::plistNumber(object));
    if (const auto* data = dynamic_cast<const Data*>(&object)) {
        plist_t bytes = plist_new_data(reinterpret_cast<const char*>(data->bytes()), data->length());
        if (!dynamic_cast<const MutableData*>(data))
            return PlistPtr(bytes);
        PlistPtr node(plist_new_dict());
        plist_dict_set_item(node.get(), "NS.data", bytes);
        return withClass(std::move(node));
    }
    PlistPtr node(plist_new_dict());
    if (const auto* date = dynamic_cast<const Date*>(&object)) {
        plist_dict_set_item(node.get(), "NS.time", plist_new_real(date->timeIntervalSinceReferenceDate()));
    } else if (dynamic_cast<const Null*>(&object)) {
        // The class alone says it.
    } else if (const auto* array = dynamic_cast<const Array*>(&object)) {
        plist_dict_set_item(node.get(), "NS.objects", uidArray(array->objects()));
    } else if (const auto* set = dynamic_cast<const Set*>(&object)) {
        plist_dict_set_item(node.get(), "NS.objects", uidArray(set->allObjects()->objects()));
    } else if (const auto* dictionary = dynamic_cast<const Dictionary*>(&object)) {
        std::vector<Id> keys;
        std::vector<Id> values;
        for (const auto& entry : *dictionary) {
            keys.push_back(entry.key);
            values.push_back(entry.value);
        }
        plist_dict_set_item(node.get(), "NS.keys", uidArray(keys));
        plist_dict_set_item(node.get(), "NS.objects", uidArray(values));
    } else if (const auto* url = dynamic_cast<const URL*>(&object)) {
        plist_dict_set_item(node.get(), "NS.base", plist_new_uid(encode(url->baseURL())));
        plist_dict_set_item(node.get(), "NS.relative", plist_new_uid(encode(Id(url->relativeString()))));
    } else if (const auto* error = dynamic_cast<const Error*>(&object)) {
        plist_dict_set_item(node.get(), "NSCode", plist_new_uint(static_cast<std::uint64_t>(error->code())));
        plist_dict_set_item(node.get(), "NSDomain", plist_new_uid(encode(Id(error->domain()))));
        plist_dict_set_item(node.get(), "NSUserInfo", plist_new_uid(encode(error->userInfo())));
    } else if (const auto* coding = dynamic_cast<const Coding*>(&object)) {
        detail::CurrentNode scope(current, node.get());
        coding->encodeWithCoder(*owner);
    } else {
        unrecognizedSelector(object, "encodeWithCoder:");
        return PlistPtr();
    }
    return withClass(std::move(node));
}

KeyedArchiver::KeyedArchiver()
    : state_(std::make_unique<State>(this))
{
}

KeyedArchiver::~KeyedArchiver() = default;

void KeyedArchiver::encodeObject(const Id& object, std::string_view key)
{
    if (state_->finished)
        return;
    std::uint64_t uid = state_->encode(object);
    plist_dict_set_item(state_->current, std::string(key).c_str(), plist_new_uid(uid));
}

void KeyedArchiver::encodeBool(bool value, std::string_view key)
{
    if (!state_->finished)
        plist_dict_set_item(state_->current, std::string(key).c_str(), plist_new_bool(value ? 1 : 0));
}

void KeyedArchiver::encodeInt(int value, std::string_view key)
{
    encodeInteger(value, key);
}

void KeyedArchiver::encodeInteger(long long value, std::string_view key)
{
    if (!state_->finished)
        plist_dict_set_item(
            state_->current, std::string(key).c_str(), plist_new_uint(static_cast<std::uint64_t>(value)));
}

void KeyedArchiver::encodeDouble(double value, std::string_view key)
{
    if (!state_->finished)
        plist_dict_set_item(state_->current, std::string(key).c_str(), plist_new_real(value));
}

Ref<Data> KeyedArchiver::encodedData()
{
    if (state_->finished)
        return state_->finished;
    PlistPtr root(plist_new_dict());
    plist_dict_set_item(root.get(), "$archiver", plist_new_string("NSKeyedArchiver"));
    plist_dict_set_item(root.get(), "$version", plist_new_uint(100000));
    plist_dict_set_item(root.get(), "$top", state_->top.release());
    plist_t objects = plist_new_array();
    for (auto& node : state_->objects) {
        // A slot stays empty only when a misuse raised while its object was being written.
        if (!node)
            node.reset(plist_new_string("$null"));
        plist_array_append_item(objects, node.release());
    }
    plist_dict_set_item(root.get(), "$objects", objects);
    state_->objects.clear();
    state_->keepAlive.clear();
    state_->finished = detail::binaryPlistData(root.get());
    return state_->finished;
}

Ref<Data> KeyedArchiver::archivedDataWithRootObject(const Id& root)
{
    KeyedArchiver archiver;
    archiver.encodeObject(root, kRootKey);
    return archiver.encodedData();
}

bool KeyedArchiver::archiveRootObject(const Id& root, const std::filesystem::path& path, Ref<Error>* error)
{
    Ref<Data> data = archivedDataWithRootObject(root);
    return data && writeFileAtomically(path, data->span(), error);
}

} // namespace foundation
