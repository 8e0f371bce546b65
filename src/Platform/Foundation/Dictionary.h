#pragma once

#include "Platform/Foundation/Object.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace foundation {

class Array;

// Keys to objects (NSDictionary), in insertion order. Keys are compared with isEqual/hash and
// copied on insertion, so a mutable string used as a key cannot change under the dictionary.
class Dictionary : public Object {
public:
    struct Entry {
        Id key;
        Id value;
        std::size_t keyHash;
    };

    static const Class* classObject();
    const Class* isa() const override;

    static Ref<Dictionary> create();
    // A literal: pairs of {key, value}; a later duplicate key replaces the value and keeps the first
    // place. Pairs with a nil key or value are left out; a guard is told of the first (a
    // "dictionary" misuse).
    static Ref<Dictionary> create(std::initializer_list<std::pair<Id, Id>> pairs);
    static Ref<Dictionary> dictionaryWithDictionary(const Dictionary& other);
    // For parsers: entries whose keys are immutable already, adopted without copying; duplicates are
    // resolved as above. An entry's keyHash is either key.hash() or 0 (then it is computed here).
    static Ref<Dictionary> createWithEntries(std::vector<Entry> entries);

    std::size_t count() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    Id objectForKey(const Id& key) const;
    Id objectForKey(std::string_view key) const; // a string key, without making a String
    Id objectForKey(const char* key) const { return objectForKey(std::string_view(key)); }
    Id objectForKey(const std::string& key) const { return objectForKey(std::string_view(key)); }
    Id operator[](std::string_view key) const { return objectForKey(key); }
    Id valueForKey(std::string_view key) const { return objectForKey(key); }
    bool containsKey(std::string_view key) const { return indexOf(key) != npos; }
    bool containsKey(const char* key) const { return indexOf(std::string_view(key)) != npos; }
    bool containsKey(const Id& key) const { return indexOf(key) != npos; }

    Ref<Array> allKeys() const;
    Ref<Array> allValues() const;
    Ref<Array> allKeysForObject(const Id& value) const;
    const std::vector<Entry>& entries() const { return entries_; }
    std::vector<Entry>::const_iterator begin() const { return entries_.begin(); }
    std::vector<Entry>::const_iterator end() const { return entries_.end(); }
    void enumerateKeysAndObjects(const std::function<void(const Id& key, const Id& value, bool& stop)>& block) const;

    // "{\n    key = value;\n}" as the platform prints it.
    std::string description() const override;
    std::string descriptionWithIndent(int level) const override;
    bool isEqual(const Object& other) const override;
    std::size_t hash() const override { return entries_.size(); }
    Ref<Object> copy() const override;
    Ref<Object> mutableCopy() const override;

    Dictionary() = default;
    explicit Dictionary(std::vector<Entry> entries);

protected:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);
    std::size_t indexOf(const Id& key) const;
    std::size_t indexOf(std::string_view key) const;
    void insertOrAssign(const Id& key, const Id& value); // key must not be nil, value not nil
    void eraseAt(std::size_t index);
    void clear();
    static std::string nilInLiteral(std::initializer_list<std::pair<Id, Id>> pairs);

    std::vector<Entry> entries_;

private:
    template <class Matches>
    std::size_t find(std::size_t hash, const Matches& matches) const;
    // The hash index of larger dictionaries. With `refuseRepeats` it answers false as soon as two
    // entries hold equal keys; the index is then incomplete and the entries must be sorted out.
    bool rebuildSlots(bool refuseRepeats = false);
    void addSlot(std::size_t index);

    std::vector<std::int32_t> slots_; // open addressing over entries_, only for larger dictionaries
};

class MutableDictionary final : public Dictionary {
public:
    static const Class* classObject();
    const Class* isa() const override;
    static Ref<MutableDictionary> create();
    // A literal. A nil key or value raises through setObject; with a guard installed the guard is
    // told once (a "dictionary" misuse) and the whole pairs make the dictionary.
    static Ref<MutableDictionary> create(std::initializer_list<std::pair<Id, Id>> pairs);
    static Ref<MutableDictionary> dictionaryWithDictionary(const Dictionary& other);

    // NSInvalidArgumentException for a nil key or value (nothing changes when a guard answers).
    void setObject(const Id& value, const Id& key);
    // Key-value style: a nil value removes the key.
    void setValue(const Id& value, std::string_view key);
    void removeObjectForKey(const Id& key);
    void removeObjectsForKeys(const Array& keys);
    void removeAllObjects() { clear(); }
    void addEntriesFromDictionary(const Dictionary& other);
    void setDictionary(const Dictionary& other);

    Ref<Object> copy() const override;

    using Dictionary::Dictionary;
};

} // namespace foundation
