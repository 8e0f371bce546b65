// Any bytes either fail with an error or give a property list that writes out in both formats and
// reads back.
#include "Platform/Foundation/Foundation.h"
#include "Platform/Serialization/PropertyListSerialization.h"

#include <cstdlib>

using namespace foundation;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    if (size == 0)
        return 0;
    unsigned long options = bytes[0] % 3;
    auto data = Data::create(std::span(bytes + 1, size - 1));
    Ref<Error> error;
    Id plist = PropertyListSerialization::propertyListWithData(data, options, nullptr, &error);
    if (plist.isNil()) {
        if (!error || error->code() != PropertyListSerialization::kReadCorruptError)
            std::abort();
        return 0;
    }
    if (!PropertyListSerialization::propertyListIsValidForFormat(plist, PropertyListBinaryFormat_v1_0))
        return 0; // sets and identifiers are read but not written
    auto binary = PropertyListSerialization::dataWithPropertyList(plist, PropertyListBinaryFormat_v1_0, 0, &error);
    if (!binary || PropertyListSerialization::propertyListWithData(binary, 0, nullptr, &error).isNil())
        std::abort();
    // What XML cannot hold is refused; what it writes reads back.
    auto xml = PropertyListSerialization::dataWithPropertyList(plist, PropertyListXMLFormat_v1_0, 0, &error);
    if (xml && PropertyListSerialization::propertyListWithData(xml, 0, nullptr, &error).isNil())
        std::abort();
    if (!xml && error->code() != PropertyListSerialization::kWriteInvalidError)
        std::abort();
    return 0;
}
