#include "Platform/Foundation/Dictionary.h"

#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/Misuse.h"
#include "Platform/Foundation/String.h"

#include <algorithm>
#include <functional>

namespace foundation {

namespace {

// Small dictionaries (most server replies) are searched linearly; larger ones get a hash index.
constexpr std::size_t kLinearLimit = 8;

std::size_t stringHash(std::string_view key)
{
    return std::hash<std::string_view>{}(key);
}

} // namespace

const Class* Dictionary::classObject()
{
    static const Class* cls = &Class::define("NSDictionary", Object::classObject(), [] { return Dictionary::create(); });
    return cls;
}

const Class* Dictionary::isa() const
{
    return classObject();
}

const Class* MutableDictionary::classObject()
{
    static const Class* cls =
        &Class::define("NSMutableDictionary", Dictionary::classObject(), [] { return MutableDictionary::create(); });
    return cls;
}

const Class* MutableDictionary::isa() const
{
    return classObject();
}

Dictionary::Dictionary(std::vector<Entry> entries)
    : entries_(std::move(entries))
{
    // Parsers hand over entries with distinct keys almost always: adopt them as they are and fall
    // back to entry-by-entry insertion only when a nil or a repeated key shows up.
    bool clean = true;
    for (auto& entry : entries_) {
        if (entry.key.isNil() || entry.value.isNil()) {
            clean = false;
            break;
        }
        if (entry.keyHash == 0)
            entry.keyHash = entry.key.hash();
    }
    if (clean && rebuildSlots(true))
        return;
    std::vector<Entry> incoming = std::move(entries_);
    entries_.clear();
    slots_.clear();
    entries_.reserve(incoming.size());
    for (auto& entry : incoming) {
        if (entry.key.isNil() || entry.value.isNil())
            continue;
        entry.keyHash = entry.key.hash();
        std::size_t found = indexOf(entry.key);
        if (found != npos) {
            entries_[found].value = std::move(entry.value);
            continue;
        }
        entries_.push_back(std::move(entry));
        if (entries_.size() > kLinearLimit)
            addSlot(entries_.size() - 1);
    }
}

Ref<Dictionary> Dictionary::create()
{
    return std::make_shared<Dictionary>();
}

// The platform's complaint about the first pair of a literal with a nil key or value, or "" when
// every pair is whole.
std::string Dictionary::nilInLiteral(std::initializer_list<std::pair<Id, Id>> pairs)
{
    for (std::size_t i = 0; const auto& [key, value] : pairs) {
        if (value.isNil())
            return format("*** -[__NSPlaceholderDictionary initWithObjects:forKeys:count:]: attempt to insert nil object from objects[%lu]",
                          static_cast<unsigned long>(i));
        if (key.isNil())
            return format("*** -[__NSPlaceholderDictionary initWithObjects:forKeys:count:]: attempt to insert nil key from keys[%lu]",
                          static_cast<unsigned long>(i));
        ++i;
    }
    return {};
}

Ref<Dictionary> Dictionary::create(std::initializer_list<std::pair<Id, Id>> pairs)
{
    if (std::string reason = nilInLiteral(pairs); !reason.empty())
        reportMisuse(NSInvalidArgumentException, std::move(reason), MisuseDefault::RebuiltDictionary);
    std::vector<Entry> entries;
    entries.reserve(pairs.size());
    for (const auto& [key, value] : pairs)
        entries.push_back({key.copy(), value, 0});
    return std::make_shared<Dictionary>(std::move(entries));
}

Ref<Dictionary> Dictionary::dictionaryWithDictionary(const Dictionary& other)
{
    return std::make_shared<Dictionary>(other.entries_);
}

Ref<Dictionary> Dictionary::createWithEntries(std::vector<Entry> entries)
{
    return std::make_shared<Dictionary>(std::move(entries));
}

template <class Matches>
std::size_t Dictionary::find(std::size_t hash, const Matches& matches) const
{
    if (slots_.empty()) {
        for (std::size_t i = 0; i < entries_.size(); ++i)
            if (entries_[i].keyHash == hash && matches(entries_[i].key))
                return i;
        return npos;
    }
    std::size_t mask = slots_.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        std::int32_t index = slots_[slot];
        if (index < 0)
            return npos;
        const Entry& entry = entries_[static_cast<std::size_t>(index)];
        if (entry.keyHash == hash && matches(entry.key))
            return static_cast<std::size_t>(index);
    }
}

std::size_t Dictionary::indexOf(const Id& key) const
{
    if (key.isNil())
        return npos;
    return find(key.hash(), [&](const Id& candidate) { return candidate.isEqual(key); });
}

std::size_t Dictionary::indexOf(std::string_view key) const
{
    return find(stringHash(key), [&](const Id& candidate) {
        const auto* string = dynamic_cast<const String*>(candidate.get());
        return string && string->utf8() == key;
    });
}

bool Dictionary::rebuildSlots(bool refuseRepeats)
{
    slots_.clear();
    auto same = [](const Entry& a, const Entry& b) { return a.keyHash == b.keyHash && a.key.isEqual(b.key); };
    if (entries_.size() <= kLinearLimit) {
        if (refuseRepeats)
            for (std::size_t i = 0; i < entries_.size(); ++i)
                for (std::size_t j = i + 1; j < entries_.size(); ++j)
                    if (same(entries_[i], entries_[j]))
                        return false;
        return true;
    }
    std::size_t capacity = 16;
    while (capacity < entries_.size() * 2)
        capacity *= 2;
    slots_.assign(capacity, -1);
    std::size_t mask = capacity - 1;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        std::size_t slot = entries_[i].keyHash & mask;
        while (slots_[slot] >= 0) {
            if (refuseRepeats && same(entries_[static_cast<std::size_t>(slots_[slot])], entries_[i]))
                return false;
            slot = (slot + 1) & mask;
        }
        slots_[slot] = static_cast<std::int32_t>(i);
    }
    return true;
}

void Dictionary::addSlot(std::size_t index)
{
    if (slots_.empty() || entries_.size() * 2 > slots_.size()) {
        rebuildSlots();
        return;
    }
    std::size_t mask = slots_.size() - 1;
    std::size_t slot = entries_[index].keyHash & mask;
    while (slots_[slot] >= 0)
        slot = (slot + 1) & mask;
    slots_[slot] = static_cast<std::int32_t>(index);
}

void Dictionary::insertOrAssign(const Id& key, const Id& value)
{
    std::size_t found = indexOf(key);
    if (found != npos) {
        entries_[found].value = value;
        return;
    }
    Id storedKey = key.copy();
    std::size_t hash = storedKey.hash();
    entries_.push_back({std::move(storedKey), value, hash});
    if (entries_.size() > kLinearLimit)
        addSlot(entries_.size() - 1);
}

void Dictionary::eraseAt(std::size_t index)
{
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
    rebuildSlots();
}

void Dictionary::clear()
{
    entries_.clear();
    slots_.clear();
}

Id Dictionary::objectForKey(const Id& key) const
{
    std::size_t found = indexOf(key);
    return found == npos ? Id() : entries_[found].value;
}

Id Dictionary::objectForKey(std::string_view key) const
{
    std::size_t found = indexOf(key);
    return found == npos ? Id() : entries_[found].value;
}

Ref<Array> Dictionary::allKeys() const
{
    std::vector<Id> keys;
    keys.reserve(entries_.size());
    for (const auto& entry : entries_)
        keys.push_back(entry.key);
    return Array::create(std::move(keys));
}

Ref<Array> Dictionary::allValues() const
{
    std::vector<Id> values;
    values.reserve(entries_.size());
    for (const auto& entry : entries_)
        values.push_back(entry.value);
    return Array::create(std::move(values));
}

Ref<Array> Dictionary::allKeysForObject(const Id& value) const
{
    std::vector<Id> keys;
    for (const auto& entry : entries_)
        if (entry.value.isEqual(value))
            keys.push_back(entry.key);
    return Array::create(std::move(keys));
}

void Dictionary::enumerateKeysAndObjects(const std::function<void(const Id&, const Id&, bool&)>& block) const
{
    // Enumerate a snapshot: the block may change a mutable dictionary.
    std::vector<Entry> snapshot = entries_;
    bool stop = false;
    for (const auto& entry : snapshot) {
        block(entry.key, entry.value, stop);
        if (stop)
            break;
    }
}

std::string Dictionary::description() const
{
    return descriptionWithIndent(0);
}

std::string Dictionary::descriptionWithIndent(int level) const
{
    std::vector<const Entry*> order;
    order.reserve(entries_.size());
    bool allStrings = true;
    for (const auto& entry : entries_) {
        order.push_back(&entry);
        allStrings = allStrings && entry.key.is<String>();
    }
    // With string keys only, the platform lists the entries in ascending key order.
    if (allStrings)
        std::stable_sort(order.begin(), order.end(), [](const Entry* a, const Entry* b) {
            return a->key.ptr<String>()->compare(*b->key.ptr<String>()) == ComparisonResult::Ascending;
        });
    std::string inner(static_cast<std::size_t>(level + 1) * 4, ' ');
    // A nested container starts with its own indentation, as the platform prints it ("key =     (").
    std::string out(static_cast<std::size_t>(level) * 4, ' ');
    out += "{\n";
    for (const Entry* entry : order) {
        out += inner;
        out += entry->key.get()->descriptionWithIndent(level + 1);
        out += " = ";
        out += entry->value.get()->descriptionWithIndent(level + 1);
        out += ";\n";
    }
    out.append(static_cast<std::size_t>(level) * 4, ' ');
    out += "}";
    return out;
}

bool Dictionary::isEqual(const Object& other) const
{
    if (this == &other)
        return true;
    const auto* dictionary = dynamic_cast<const Dictionary*>(&other);
    if (!dictionary || dictionary->entries_.size() != entries_.size())
        return false;
    for (const auto& entry : entries_)
        if (!dictionary->objectForKey(entry.key).isEqual(entry.value))
            return false;
    return true;
}

Ref<Object> Dictionary::copy() const
{
    return std::const_pointer_cast<Object>(shared_from_this());
}

Ref<Object> Dictionary::mutableCopy() const
{
    return MutableDictionary::dictionaryWithDictionary(*this);
}

// MutableDictionary

Ref<MutableDictionary> MutableDictionary::create()
{
    return std::make_shared<MutableDictionary>();
}

Ref<MutableDictionary> MutableDictionary::create(std::initializer_list<std::pair<Id, Id>> pairs)
{
    // A guard hears of the literal once and the dictionary is built from the whole pairs. Without
    // a guard, or when it declines, a nil raises from setObject, as it always has.
    bool wholePairsOnly = false;
    if (std::string reason = nilInLiteral(pairs); !reason.empty())
        wholePairsOnly
            = reportMisuse(NSInvalidArgumentException, std::move(reason), MisuseDefault::RebuiltDictionary);
    auto dictionary = create();
    for (const auto& [key, value] : pairs)
        if (!wholePairsOnly || (!key.isNil() && !value.isNil()))
            dictionary->setObject(value, key);
    return dictionary;
}

Ref<MutableDictionary> MutableDictionary::dictionaryWithDictionary(const Dictionary& other)
{
    return std::make_shared<MutableDictionary>(other.entries());
}

Ref<Object> MutableDictionary::copy() const
{
    return Dictionary::dictionaryWithDictionary(*this);
}

void MutableDictionary::setObject(const Id& value, const Id& key)
{
    if (key.isNil()) {
        misuse(NSInvalidArgumentException, "*** -[__NSDictionaryM setObject:forKey:]: key cannot be nil", MisuseDefault::Ignore);
        return;
    }
    if (value.isNil()) {
        misuse(NSInvalidArgumentException,
               format("*** -[__NSDictionaryM setObject:forKey:]: object cannot be nil (key: %@)", key), MisuseDefault::Ignore);
        return;
    }
    insertOrAssign(key, value);
}

void MutableDictionary::setValue(const Id& value, std::string_view key)
{
    if (value.isNil()) {
        std::size_t found = indexOf(key);
        if (found != npos)
            eraseAt(found);
        return;
    }
    insertOrAssign(Id(key), value);
}

void MutableDictionary::removeObjectForKey(const Id& key)
{
    if (key.isNil()) {
        misuse(NSInvalidArgumentException, "*** -[__NSDictionaryM removeObjectForKey:]: key cannot be nil",
               MisuseDefault::Ignore);
        return;
    }
    std::size_t found = indexOf(key);
    if (found != npos)
        eraseAt(found);
}

void MutableDictionary::removeObjectsForKeys(const Array& keys)
{
    for (const Id& key : keys)
        removeObjectForKey(key);
}

void MutableDictionary::addEntriesFromDictionary(const Dictionary& other)
{
    // Copy first: a dictionary may be merged into itself.
    std::vector<Entry> incoming = other.entries();
    for (const auto& entry : incoming)
        insertOrAssign(entry.key, entry.value);
}

void MutableDictionary::setDictionary(const Dictionary& other)
{
    std::vector<Entry> incoming = other.entries();
    clear();
    for (const auto& entry : incoming)
        insertOrAssign(entry.key, entry.value);
}

} // namespace foundation
