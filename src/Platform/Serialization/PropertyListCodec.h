#pragma once

#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Object.h"
#include "Platform/Serialization/PropertyListSerialization.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace foundation {

class Data;

// The codecs behind PropertyListSerialization. Readers return nil and set `failure` to the detail
// of what was wrong; writers expect a plist that validatePropertyList() accepted.
namespace plist {

// What is left of a read's budget. The readers spend it as they build and fail when a step would
// overdraw it; nothing is spent then.
class ReadMeter {
public:
    explicit ReadMeter(const PropertyListReadBudget& budget)
        : elements_(budget.elements)
        , bytes_(budget.bytes)
    {
    }

    bool spendElements(std::uint64_t count) { return spend(elements_, count); }
    bool spendBytes(std::uint64_t count) { return spend(bytes_, count); }
    bool holdsElements(std::uint64_t count) const { return count <= elements_; }

    static constexpr const char* kTooManyElements = "Property list has more elements than the read allows";
    static constexpr const char* kTooManyBytes = "Property list has more string and data bytes than the read allows";

private:
    static bool spend(std::uint64_t& left, std::uint64_t count)
    {
        if (count > left)
            return false;
        left -= count;
        return true;
    }

    std::uint64_t elements_;
    std::uint64_t bytes_;
};

Id readXML(const Ref<Data>& data, unsigned long options, ReadMeter& meter, std::string& failure);
Id readBinary(std::string_view bytes, unsigned long options, ReadMeter& meter, std::string& failure);
// Spends what a reader that builds a tree, copying a shared object for every reference to it,
// would build from a binary property list, without building anything; false (and why) when that
// overdraws the meter or the structure is malformed.
bool measureBinaryUnfolded(std::string_view bytes, ReadMeter& meter, std::string& failure);
std::string writeXML(const Id& plist);
std::string writeBinary(const Id& plist);

// Empty when the object can be written in the format; otherwise why not.
std::string validatePropertyList(const Id& plist, PropertyListFormat format);

// Leaves and containers as the mutability options ask.
bool wantsMutableContainers(unsigned long options);
Id makeString(std::string utf8, unsigned long options);
Id makeData(std::string_view bytes, unsigned long options);
Id makeArray(std::vector<Id> elements, unsigned long options);
Id makeDictionary(std::vector<Dictionary::Entry> entries, unsigned long options);

// Dates in the XML form "2001-01-01T00:00:00Z", as seconds since 2001-01-01 (whole seconds, the
// fraction dropped towards the past).
std::string formatDate(double sinceReferenceDate);
std::optional<double> parseDate(std::string_view text);

} // namespace plist

} // namespace foundation
