#pragma once

#include "Platform/Foundation/Object.h"

namespace foundation {

// The one null object (NSNull): a value that stands for "nothing" inside containers; not nil.
class Null final : public Object {
public:
    static const Class* classObject();
    const Class* isa() const override;
    static const Ref<Null>& null();
    std::string description() const override { return "<null>"; }
    bool isEqual(const Object& other) const override { return dynamic_cast<const Null*>(&other) != nullptr; }
    std::size_t hash() const override { return 0x6e756c6c; }

    Null() = default;
};

} // namespace foundation
