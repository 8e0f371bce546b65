#pragma once

#include "Platform/Foundation/Misuse.h"
#include "Platform/Foundation/Object.h"
#include "Platform/Foundation/Range.h"

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace foundation {

// An ordered list of objects (NSArray). Never holds nil; a misuse check guards every index.
class Array : public Object {
public:
    using Comparator = std::function<ComparisonResult(const Id&, const Id&)>;

    static const Class* classObject();
    const Class* isa() const override;

    static Ref<Array> create(std::vector<Id> objects = {}); // nil elements are dropped
    // A literal: nil elements are left out; a guard is told of the first (an "array" misuse).
    static Ref<Array> create(std::initializer_list<Id> objects);
    static Ref<Array> arrayWithArray(const Array& other) { return create(other.objects_); }

    std::size_t count() const { return objects_.size(); }
    bool empty() const { return objects_.empty(); }
    // NSRangeException past the end (nil when a guard answers instead).
    Id objectAtIndex(std::size_t index) const;
    Id firstObject() const { return objects_.empty() ? Id() : objects_.front(); }
    Id lastObject() const { return objects_.empty() ? Id() : objects_.back(); }
    bool containsObject(const Id& object) const { return indexOfObject(object) != NSNotFound; }
    std::size_t indexOfObject(const Id& object) const; // by isEqual
    std::size_t indexOfObjectIdenticalTo(const Id& object) const;

    const std::vector<Id>& objects() const { return objects_; }
    std::vector<Id>::const_iterator begin() const { return objects_.begin(); }
    std::vector<Id>::const_iterator end() const { return objects_.end(); }

    Ref<Array> arrayByAddingObject(const Id& object) const;
    Ref<Array> arrayByAddingObjectsFromArray(const Array& other) const;
    Ref<Array> subarrayWithRange(Range range) const;
    Ref<Array> sortedArrayUsingComparator(const Comparator& comparator) const; // stable
    Ref<Array> filteredArray(const std::function<bool(const Id&)>& keep) const;
    // Texts of the elements (descriptions) joined by the separator.
    std::string componentsJoinedByString(std::string_view separator) const;

    // "(\n    a,\n    b\n)" as the platform prints it.
    std::string description() const override;
    std::string descriptionWithIndent(int level) const override;
    bool isEqual(const Object& other) const override;
    std::size_t hash() const override { return objects_.size(); }
    Ref<Object> copy() const override;
    Ref<Object> mutableCopy() const override;

    explicit Array(std::vector<Id> objects);

protected:
    bool checkIndex(std::size_t index, std::size_t limit, const char* method, MisuseDefault instead) const;
    // Tells a guard of the first nil element of a literal, as the platform's literal raises for it.
    static void reportNilInLiteral(std::initializer_list<Id> objects);
    std::vector<Id> objects_;
};

class MutableArray final : public Array {
public:
    static const Class* classObject();
    const Class* isa() const override;
    static Ref<MutableArray> create(std::vector<Id> objects = {});
    static Ref<MutableArray> create(std::initializer_list<Id> objects); // a literal, as Array's
    static Ref<MutableArray> arrayWithCapacity(std::size_t capacity);

    void addObject(const Id& object); // NSInvalidArgumentException for nil
    void insertObject(const Id& object, std::size_t index);
    void removeObjectAtIndex(std::size_t index);
    void removeLastObject();
    void removeObject(const Id& object); // every equal element
    void removeObjectIdenticalTo(const Id& object);
    void removeObjectsInRange(Range range);
    void removeAllObjects() { objects_.clear(); }
    void replaceObjectAtIndex(std::size_t index, const Id& object);
    void exchangeObjectAtIndex(std::size_t a, std::size_t b);
    void addObjectsFromArray(const Array& other);
    void setArray(const Array& other) { objects_ = other.objects(); }
    void sortUsingComparator(const Comparator& comparator);

    Ref<Object> copy() const override;

    using Array::Array;
};

namespace detail {
// The description of a list at `level` inside a container, shared by arrays and sets: `open`, each
// element on a line of its own one level deeper, separated by commas, then `close`.
std::string describeElements(
    const std::vector<Id>& elements, int level, std::string_view open, std::string_view close);
} // namespace detail

} // namespace foundation
