#include "Platform/Foundation/Set.h"

#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Misuse.h"

namespace foundation {

const Class* Set::classObject()
{
    static const Class* cls = &Class::define("NSSet", Object::classObject(), [] { return Set::create(); });
    return cls;
}

const Class* Set::isa() const
{
    return classObject();
}

const Class* MutableSet::classObject()
{
    static const Class* cls = &Class::define("NSMutableSet", Set::classObject(), [] { return MutableSet::create(); });
    return cls;
}

const Class* MutableSet::isa() const
{
    return classObject();
}

Set::Set(std::vector<Id> objects)
{
    for (const Id& object : objects)
        if (!object.isNil())
            add(object);
}

Ref<Set> Set::create(std::vector<Id> objects)
{
    return std::make_shared<Set>(std::move(objects));
}

Ref<Set> Set::create(std::initializer_list<Id> objects)
{
    return std::make_shared<Set>(std::vector<Id>(objects));
}

void Set::add(const Id& object)
{
    if (members_.insert(object).second)
        order_.push_back(object);
}

void Set::remove(const Id& object)
{
    auto found = members_.find(object);
    if (found == members_.end())
        return;
    members_.erase(found);
    std::erase_if(order_, [&](const Id& element) { return element.isEqual(object); });
}

Id Set::member(const Id& object) const
{
    auto found = members_.find(object);
    return found == members_.end() ? Id() : *found;
}

Ref<Array> Set::allObjects() const
{
    return Array::create(order_);
}

bool Set::isSubsetOfSet(const Set& other) const
{
    for (const Id& object : order_)
        if (!other.containsObject(object))
            return false;
    return true;
}

bool Set::intersectsSet(const Set& other) const
{
    for (const Id& object : order_)
        if (other.containsObject(object))
            return true;
    return false;
}

Ref<Set> Set::setByAddingObject(const Id& object) const
{
    std::vector<Id> objects = order_;
    objects.push_back(object);
    return create(std::move(objects));
}

std::string Set::description() const
{
    return descriptionWithIndent(0);
}

std::string Set::descriptionWithIndent(int level) const
{
    return detail::describeElements(order_, level, "{(", ")}");
}

bool Set::isEqual(const Object& other) const
{
    if (this == &other)
        return true;
    const auto* set = dynamic_cast<const Set*>(&other);
    return set && set->count() == count() && isSubsetOfSet(*set);
}

Ref<Object> Set::copy() const
{
    return std::const_pointer_cast<Object>(shared_from_this());
}

Ref<Object> Set::mutableCopy() const
{
    return MutableSet::create(order_);
}

Ref<MutableSet> MutableSet::create(std::vector<Id> objects)
{
    return std::make_shared<MutableSet>(std::move(objects));
}

Ref<Object> MutableSet::copy() const
{
    return Set::create(order_);
}

void MutableSet::addObject(const Id& object)
{
    if (object.isNil()) {
        misuse(NSInvalidArgumentException, "*** -[__NSSetM addObject:]: object cannot be nil", MisuseDefault::Ignore);
        return;
    }
    add(object);
}

void MutableSet::removeAllObjects()
{
    order_.clear();
    members_.clear();
}

void MutableSet::unionSet(const Set& other)
{
    std::vector<Id> incoming = other.objects();
    for (const Id& object : incoming)
        add(object);
}

void MutableSet::minusSet(const Set& other)
{
    std::vector<Id> outgoing = other.objects();
    for (const Id& object : outgoing)
        remove(object);
}

void MutableSet::intersectSet(const Set& other)
{
    std::vector<Id> kept;
    for (const Id& object : order_)
        if (other.containsObject(object))
            kept.push_back(object);
    removeAllObjects();
    for (const Id& object : kept)
        add(object);
}

} // namespace foundation
