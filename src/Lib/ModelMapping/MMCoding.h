#pragma once

#include "Platform/Foundation/Object.h"

namespace foundation {
class KeyedArchiver;
class KeyedUnarchiver;
} // namespace foundation

namespace mm {

// Writes every eligible property of a model under its name (nil values are left out), and reads
// them back, falling back to the name of the backing variable ("_" + name). A model's
// encodeWithCoder/initWithCoder can simply call these.
void mm_encode(const foundation::Id& object, foundation::KeyedArchiver& coder);
void mm_decode(const foundation::Id& object, foundation::KeyedUnarchiver& coder);

} // namespace mm
