#include "Lib/Networking/NKHTTPResponseSerializer.h"

#include "Platform/Foundation/Foundation.h"

#include <vector>

using foundation::Id;
using foundation::Ref;

namespace {

// One container being rebuilt: its source, the index reached and the values kept so far.
struct Frame {
    Ref<foundation::Array> array;
    Ref<foundation::Dictionary> dictionary;
    std::size_t index = 0;
    std::vector<Id> elements;
    std::vector<std::pair<Id, Id>> entries;
    Id keyInParent;
};

Frame frameFor(const Id& object, Id keyInParent)
{
    Frame frame;
    frame.array = object.as<foundation::Array>();
    if (!frame.array)
        frame.dictionary = object.as<foundation::Dictionary>();
    frame.keyInParent = std::move(keyInParent);
    return frame;
}

Id finish(Frame& frame, bool mutableContainers)
{
    if (frame.array) {
        auto result = foundation::MutableArray::create(std::move(frame.elements));
        return mutableContainers ? Id(result) : Id(result->copy());
    }
    auto result = foundation::MutableDictionary::create();
    for (auto& [key, value] : frame.entries)
        result->setObject(value, key);
    return mutableContainers ? Id(result) : Id(result->copy());
}

} // namespace

Id NKJSONObjectWithoutNulls(const Id& object, unsigned long options)
{
    if (!object.is<foundation::Array>() && !object.is<foundation::Dictionary>())
        return object;
    const bool mutableContainers = (options & 1) != 0;
    std::vector<Frame> stack;
    stack.push_back(frameFor(object, nullptr));
    while (true) {
        Frame& top = stack.back();
        const std::size_t count = top.array ? top.array->count() : top.dictionary->count();
        if (top.index == count) {
            Id built = finish(top, mutableContainers);
            Id key = top.keyInParent;
            stack.pop_back();
            if (stack.empty())
                return built;
            Frame& parent = stack.back();
            if (parent.array)
                parent.elements.push_back(std::move(built));
            else
                parent.entries.emplace_back(std::move(key), std::move(built));
            continue;
        }
        Id key;
        Id value;
        if (top.array) {
            value = top.array->objectAtIndex(top.index++);
        } else {
            const auto& entry = top.dictionary->entries()[top.index++];
            key = entry.key;
            value = entry.value;
            if (value.isNil() || value.isNull())
                continue;
        }
        if (value.is<foundation::Array>() || value.is<foundation::Dictionary>()) {
            stack.push_back(frameFor(value, std::move(key)));
            continue;
        }
        if (top.array)
            top.elements.push_back(std::move(value));
        else
            top.entries.emplace_back(std::move(key), std::move(value));
    }
}
