#pragma once

#include "Platform/Foundation/Object.h"

#include <functional>

namespace runtime {

// The class every boxed block answers with (the platform's block class).
const foundation::Class* blockClass();

// A std::function boxed as an object, so that a block property ("@?") can travel through
// key-value coding like the platform's blocks do.
template <class Signature> class BlockObject final : public foundation::Object {
public:
    explicit BlockObject(std::function<Signature> block)
        : block_(std::move(block))
    {
    }
    const foundation::Class* isa() const override { return blockClass(); }
    const std::function<Signature>& block() const { return block_; }

private:
    std::function<Signature> block_;
};

} // namespace runtime
