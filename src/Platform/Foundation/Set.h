#pragma once

#include "Platform/Foundation/Object.h"

#include <initializer_list>
#include <unordered_set>
#include <vector>

namespace foundation {

class Array;

// Distinct objects (NSSet), compared with isEqual/hash; enumeration follows insertion order.
class Set : public Object {
public:
    static const Class* classObject();
    const Class* isa() const override;
    static Ref<Set> create(std::vector<Id> objects = {});
    static Ref<Set> create(std::initializer_list<Id> objects);

    std::size_t count() const { return order_.size(); }
    bool containsObject(const Id& object) const { return members_.count(object) != 0; }
    Id member(const Id& object) const;
    Id anyObject() const { return order_.empty() ? Id() : order_.front(); }
    Ref<Array> allObjects() const;
    const std::vector<Id>& objects() const { return order_; }
    std::vector<Id>::const_iterator begin() const { return order_.begin(); }
    std::vector<Id>::const_iterator end() const { return order_.end(); }
    bool isSubsetOfSet(const Set& other) const;
    bool intersectsSet(const Set& other) const;
    Ref<Set> setByAddingObject(const Id& object) const;

    std::string description() const override;
    std::string descriptionWithIndent(int level) const override;
    bool isEqual(const Object& other) const override;
    std::size_t hash() const override { return order_.size(); }
    Ref<Object> copy() const override;
    Ref<Object> mutableCopy() const override;

    explicit Set(std::vector<Id> objects);

protected:
    void add(const Id& object);
    void remove(const Id& object);
    std::vector<Id> order_;
    std::unordered_set<Id, IdHash, IdEqual> members_;
};

class MutableSet final : public Set {
public:
    static const Class* classObject();
    const Class* isa() const override;
    static Ref<MutableSet> create(std::vector<Id> objects = {});

    void addObject(const Id& object); // NSInvalidArgumentException for nil
    void removeObject(const Id& object) { remove(object); }
    void removeAllObjects();
    void unionSet(const Set& other);
    void minusSet(const Set& other);
    void intersectSet(const Set& other);

    Ref<Object> copy() const override;

    using Set::Set;
};

} // namespace foundation
