#pragma once

#include "Platform/Foundation/Object.h"

namespace foundation {

// A class held as an object, so that a dictionary can carry one (a load's "animatedImageClass").
// Equal when it holds the same class. Immutable and thread-safe.
class ClassValue final : public Object {
public:
    static const Class* classObject();
    const Class* isa() const override;

    static Ref<ClassValue> create(const Class* value); // nil for a null class
    // The class held by `object`; nullptr when it is nil or no ClassValue.
    static const Class* classFrom(const Id& object);

    const Class* value() const { return value_; }

    std::string description() const override; // the class's name
    bool isEqual(const Object& other) const override;
    std::size_t hash() const override;

    explicit ClassValue(const Class* value)
        : value_(value)
    {
    }

private:
    const Class* value_;
};

} // namespace foundation
