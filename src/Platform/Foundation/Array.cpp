#include "Platform/Foundation/Array.h"

#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/Misuse.h"

#include <algorithm>

namespace foundation {

const Class* Array::classObject()
{
    static const Class* cls = &Class::define("NSArray", Object::classObject(), [] { return Array::create(); });
    return cls;
}

const Class* Array::isa() const
{
    return classObject();
}

const Class* MutableArray::classObject()
{
    static const Class* cls = &Class::define("NSMutableArray", Array::classObject(), [] { return MutableArray::create(); });
    return cls;
}

const Class* MutableArray::isa() const
{
    return classObject();
}

Array::Array(std::vector<Id> objects)
    : objects_(std::move(objects))
{
    std::erase_if(objects_, [](const Id& object) { return object.isNil(); });
}

Ref<Array> Array::create(std::vector<Id> objects)
{
    return std::make_shared<Array>(std::move(objects));
}

Ref<Array> Array::create(std::initializer_list<Id> objects)
{
    reportNilInLiteral(objects);
    return std::make_shared<Array>(std::vector<Id>(objects));
}

void Array::reportNilInLiteral(std::initializer_list<Id> objects)
{
    const auto nil = std::find_if(objects.begin(), objects.end(), [](const Id& object) { return object.isNil(); });
    if (nil == objects.end())
        return;
    reportMisuse(NSInvalidArgumentException,
                 format("*** -[__NSPlaceholderArray initWithObjects:count:]: attempt to insert nil object from objects[%lu]",
                        static_cast<unsigned long>(nil - objects.begin())),
                 MisuseDefault::RebuiltArray);
}

bool Array::checkIndex(std::size_t index, std::size_t limit, const char* method, MisuseDefault instead) const
{
    if (index < limit)
        return true;
    if (limit == 0)
        misuse(NSRangeException, format("*** -[%@ %s]: index %lu beyond bounds for empty array", isa()->name(), method, index),
               instead);
    else
        misuse(NSRangeException,
               format("*** -[%@ %s]: index %lu beyond bounds [0 .. %lu]", isa()->name(), method, index, limit - 1), instead);
    return false;
}

Id Array::objectAtIndex(std::size_t index) const
{
    if (!checkIndex(index, objects_.size(), "objectAtIndex:", MisuseDefault::ReturnNil))
        return {};
    return objects_[index];
}

std::size_t Array::indexOfObject(const Id& object) const
{
    for (std::size_t i = 0; i < objects_.size(); ++i)
        if (objects_[i].isEqual(object))
            return i;
    return NSNotFound;
}

std::size_t Array::indexOfObjectIdenticalTo(const Id& object) const
{
    for (std::size_t i = 0; i < objects_.size(); ++i)
        if (objects_[i] == object)
            return i;
    return NSNotFound;
}

Ref<Array> Array::arrayByAddingObject(const Id& object) const
{
    if (object.isNil()) {
        misuse(NSInvalidArgumentException, "*** -[NSArray arrayByAddingObject:]: object cannot be nil", MisuseDefault::Ignore);
        return create(objects_);
    }
    std::vector<Id> objects = objects_;
    objects.push_back(object);
    return create(std::move(objects));
}

Ref<Array> Array::arrayByAddingObjectsFromArray(const Array& other) const
{
    std::vector<Id> objects = objects_;
    objects.insert(objects.end(), other.objects_.begin(), other.objects_.end());
    return create(std::move(objects));
}

Ref<Array> Array::subarrayWithRange(Range range) const
{
    if (range.location > objects_.size() || range.length > objects_.size() - range.location) {
        misuse(NSRangeException, format("*** -[%@ subarrayWithRange:]: range {%lu, %lu} extends beyond bounds [0 .. %ld]",
                                        isa()->name(), range.location, range.length,
                                        static_cast<long>(objects_.size()) - 1),
               MisuseDefault::ReturnNil);
        return create();
    }
    auto first = objects_.begin() + static_cast<std::ptrdiff_t>(range.location);
    return create(std::vector<Id>(first, first + static_cast<std::ptrdiff_t>(range.length)));
}

Ref<Array> Array::sortedArrayUsingComparator(const Comparator& comparator) const
{
    std::vector<Id> objects = objects_;
    std::stable_sort(objects.begin(), objects.end(),
                     [&](const Id& a, const Id& b) { return comparator(a, b) == ComparisonResult::Ascending; });
    return create(std::move(objects));
}

Ref<Array> Array::filteredArray(const std::function<bool(const Id&)>& keep) const
{
    std::vector<Id> objects;
    for (const Id& object : objects_)
        if (keep(object))
            objects.push_back(object);
    return create(std::move(objects));
}

std::string Array::componentsJoinedByString(std::string_view separator) const
{
    std::string out;
    for (std::size_t i = 0; i < objects_.size(); ++i) {
        if (i)
            out.append(separator);
        out += objects_[i].description();
    }
    return out;
}

std::string Array::description() const
{
    return descriptionWithIndent(0);
}

std::string detail::describeElements(
    const std::vector<Id>& elements, int level, std::string_view open, std::string_view close)
{
    std::string inner(static_cast<std::size_t>(level + 1) * 4, ' ');
    // A nested container starts with its own indentation, as the platform prints it ("key =     (").
    std::string out(static_cast<std::size_t>(level) * 4, ' ');
    out += open;
    out += "\n";
    for (std::size_t i = 0; i < elements.size(); ++i) {
        out += inner;
        out += elements[i].get()->descriptionWithIndent(level + 1);
        out += i + 1 < elements.size() ? ",\n" : "\n";
    }
    out.append(static_cast<std::size_t>(level) * 4, ' ');
    out += close;
    return out;
}

std::string Array::descriptionWithIndent(int level) const
{
    return detail::describeElements(objects_, level, "(", ")");
}

bool Array::isEqual(const Object& other) const
{
    if (this == &other)
        return true;
    const auto* array = dynamic_cast<const Array*>(&other);
    if (!array || array->objects_.size() != objects_.size())
        return false;
    for (std::size_t i = 0; i < objects_.size(); ++i)
        if (!objects_[i].isEqual(array->objects_[i]))
            return false;
    return true;
}

Ref<Object> Array::copy() const
{
    return std::const_pointer_cast<Object>(shared_from_this());
}

Ref<Object> Array::mutableCopy() const
{
    return MutableArray::create(objects_);
}

// MutableArray

Ref<MutableArray> MutableArray::create(std::vector<Id> objects)
{
    return std::make_shared<MutableArray>(std::move(objects));
}

Ref<MutableArray> MutableArray::create(std::initializer_list<Id> objects)
{
    reportNilInLiteral(objects);
    return std::make_shared<MutableArray>(std::vector<Id>(objects));
}

Ref<MutableArray> MutableArray::arrayWithCapacity(std::size_t capacity)
{
    auto array = create();
    array->objects_.reserve(capacity);
    return array;
}

Ref<Object> MutableArray::copy() const
{
    return Array::create(objects_);
}

void MutableArray::addObject(const Id& object)
{
    if (object.isNil()) {
        misuse(NSInvalidArgumentException, "*** -[__NSArrayM insertObject:atIndex:]: object cannot be nil", MisuseDefault::Ignore);
        return;
    }
    objects_.push_back(object);
}

void MutableArray::insertObject(const Id& object, std::size_t index)
{
    if (object.isNil()) {
        misuse(NSInvalidArgumentException, "*** -[__NSArrayM insertObject:atIndex:]: object cannot be nil", MisuseDefault::Ignore);
        return;
    }
    if (index > objects_.size()) {
        misuse(NSRangeException, format("*** -[__NSArrayM insertObject:atIndex:]: index %lu beyond bounds [0 .. %lu]",
                                        index, objects_.size()),
               MisuseDefault::Ignore);
        return;
    }
    objects_.insert(objects_.begin() + static_cast<std::ptrdiff_t>(index), object);
}

void MutableArray::removeObjectAtIndex(std::size_t index)
{
    if (!checkIndex(index, objects_.size(), "removeObjectsInRange:", MisuseDefault::Ignore))
        return;
    objects_.erase(objects_.begin() + static_cast<std::ptrdiff_t>(index));
}

void MutableArray::removeLastObject()
{
    if (!objects_.empty())
        objects_.pop_back();
}

void MutableArray::removeObject(const Id& object)
{
    std::erase_if(objects_, [&](const Id& element) { return element.isEqual(object); });
}

void MutableArray::removeObjectIdenticalTo(const Id& object)
{
    std::erase_if(objects_, [&](const Id& element) { return element == object; });
}

void MutableArray::removeObjectsInRange(Range range)
{
    if (range.location > objects_.size() || range.length > objects_.size() - range.location) {
        misuse(NSRangeException, format("*** -[__NSArrayM removeObjectsInRange:]: range {%lu, %lu} extends beyond bounds [0 .. %ld]",
                                        range.location, range.length, static_cast<long>(objects_.size()) - 1),
               MisuseDefault::Ignore);
        return;
    }
    auto first = objects_.begin() + static_cast<std::ptrdiff_t>(range.location);
    objects_.erase(first, first + static_cast<std::ptrdiff_t>(range.length));
}

void MutableArray::replaceObjectAtIndex(std::size_t index, const Id& object)
{
    if (object.isNil()) {
        misuse(NSInvalidArgumentException, "*** -[__NSArrayM replaceObjectAtIndex:withObject:]: object cannot be nil",
               MisuseDefault::Ignore);
        return;
    }
    if (!checkIndex(index, objects_.size(), "replaceObjectAtIndex:withObject:", MisuseDefault::Ignore))
        return;
    objects_[index] = object;
}

void MutableArray::exchangeObjectAtIndex(std::size_t a, std::size_t b)
{
    if (!checkIndex(a, objects_.size(), "exchangeObjectAtIndex:withObjectAtIndex:", MisuseDefault::Ignore) ||
        !checkIndex(b, objects_.size(), "exchangeObjectAtIndex:withObjectAtIndex:", MisuseDefault::Ignore))
        return;
    std::swap(objects_[a], objects_[b]);
}

void MutableArray::addObjectsFromArray(const Array& other)
{
    // Copy first: the array may be appended to itself.
    std::vector<Id> tail = other.objects();
    objects_.insert(objects_.end(), tail.begin(), tail.end());
}

void MutableArray::sortUsingComparator(const Comparator& comparator)
{
    std::stable_sort(objects_.begin(), objects_.end(),
                     [&](const Id& a, const Id& b) { return comparator(a, b) == ComparisonResult::Ascending; });
}

} // namespace foundation
