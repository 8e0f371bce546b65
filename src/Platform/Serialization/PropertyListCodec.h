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

Id readXML(const Ref<Data>& data, unsigned long options, std::string& failure);
Id readBinary(std::string_view bytes, unsigned long options, std::string& failure);
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
