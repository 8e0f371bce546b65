// Keyed archives come from files on disk that anything may have damaged: reading must give nil or
// an object, never a crash, a hang or unbounded memory.
#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/KeyedUnarchiver.h"
#include "TestCoding.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    static const foundation::Class* registered = storagetests::KXTestRecord::classObject();
    (void)registered;
    auto data = foundation::Data::create(std::span<const std::uint8_t>(bytes, size));
    auto unarchiver = foundation::KeyedUnarchiver::create(*data);
    if (!unarchiver)
        return 0;
    foundation::Id root = unarchiver->decodeObjectForKey("root");
    (void)root.description();
    (void)unarchiver->decodeObjectForKey("listData");
    (void)unarchiver->decodeIntegerForKey("count");
    (void)unarchiver->decodeDoubleForKey("score");
    return 0;
}
