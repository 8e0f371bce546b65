#pragma once

#include "Platform/Foundation/Object.h"

#include <concepts>
#include <cstddef>
#include <span>
#include <type_traits>

// One argument of a variadic call, as the layer binds it. An object the caller already holds (an
// Id or a Ref) is only borrowed for the length of the call, which spares the reference counting
// of every value of every row; any other value (numbers, text) becomes a foundation value owned
// here, exactly as foundation::Id would make it.
class SQArgument {
public:
    SQArgument(std::nullptr_t) { }
    SQArgument(const foundation::Id& object)
        : borrowed_(object.get())
    {
    }
    template <foundation::ObjectType T>
    SQArgument(const foundation::Ref<T>& object)
        : borrowed_(object.get())
    {
    }
    template <class T>
        requires(!std::is_same_v<T, foundation::Id> && !std::is_same_v<T, std::nullptr_t>
                    && std::constructible_from<foundation::Id, const T&>)
    SQArgument(const T& value)
        : owned_(value)
        , isOwned_(true)
    {
    }

    const foundation::Object* get() const { return isOwned_ ? owned_.get() : borrowed_; }

private:
    const foundation::Object* borrowed_ = nullptr;
    foundation::Id owned_;
    bool isOwned_ = false;
};

// The arguments of one call, in order, as the cores take them; a null object binds NULL.
using SQArgumentList = std::span<const SQArgument>;
