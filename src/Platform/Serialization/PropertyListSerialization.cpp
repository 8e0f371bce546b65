#include "Platform/Serialization/PropertyListSerialization.h"

#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Date.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/Number.h"
#include "Platform/Foundation/String.h"
#include "Platform/Serialization/PropertyListCodec.h"
#include "Platform/Serialization/ReadError.h"

#include <new>
#include <vector>

namespace foundation {

namespace plist {

Id makeString(std::string utf8, unsigned long options)
{
    if (options & PropertyListMutableContainersAndLeaves)
        return std::make_shared<MutableString>(std::move(utf8));
    return String::create(std::move(utf8));
}

Id makeData(std::string_view bytes, unsigned long options)
{
    std::vector<std::uint8_t> storage(bytes.begin(), bytes.end());
    if (options & PropertyListMutableContainersAndLeaves)
        return std::make_shared<MutableData>(std::move(storage));
    return Data::create(std::move(storage));
}

bool wantsMutableContainers(unsigned long options)
{
    return options & (PropertyListMutableContainers | PropertyListMutableContainersAndLeaves);
}

Id makeArray(std::vector<Id> elements, unsigned long options)
{
    if (wantsMutableContainers(options))
        return MutableArray::create(std::move(elements));
    return Array::create(std::move(elements));
}

Id makeDictionary(std::vector<Dictionary::Entry> entries, unsigned long options)
{
    if (wantsMutableContainers(options))
        return std::make_shared<MutableDictionary>(std::move(entries));
    return Dictionary::createWithEntries(std::move(entries));
}

namespace {

// XML 1.0 cannot carry most control characters, nor U+FFFE and U+FFFF, even as references; a
// string holding one would be written but could never be read back.
bool fitsXML(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r')
            return false;
        if (c == 0xEF && text.substr(i + 1, 1) == "\xBF" && (text.substr(i + 2, 1) == "\xBE" || text.substr(i + 2, 1) == "\xBF"))
            return false;
    }
    return true;
}

std::string validate(const Id& value, bool xml, std::size_t depth)
{
    if (depth > PropertyListSerialization::kMaxDepth)
        return "too many nested arrays or dictionaries";
    if (auto* array = value.ptr<Array>()) {
        for (const Id& element : *array)
            if (auto reason = validate(element, xml, depth + 1); !reason.empty())
                return reason;
        return {};
    }
    if (auto* dictionary = value.ptr<Dictionary>()) {
        for (const auto& entry : *dictionary) {
            if (!entry.key.is<String>())
                return "dictionary keys must be strings";
            if (xml && !fitsXML(entry.key.ptr<String>()->utf8()))
                return "XML cannot hold the control characters of a key";
            if (auto reason = validate(entry.value, xml, depth + 1); !reason.empty())
                return reason;
        }
        return {};
    }
    if (auto* string = value.ptr<String>(); string && xml && !fitsXML(string->utf8()))
        return "XML cannot hold the control characters of a string";
    if (value.is<String>() || value.is<Number>() || value.is<Date>() || value.is<Data>())
        return {};
    return "property lists cannot contain objects of type '" + (value ? value.get()->isa()->name() : std::string("nil")) + "'";
}

Ref<Error> writeError(long long code, const std::string& detail)
{
    return Error::errorWithDomain(NSCocoaErrorDomain, code,
        Dictionary::create({
            {Id(NSLocalizedDescriptionKey), Id("The data couldn’t be written because it isn’t in the correct format.")},
            {Id(NSDebugDescriptionErrorKey), Id(detail)},
        }));
}

bool looksBinary(std::string_view bytes)
{
    return bytes.starts_with("bplist");
}

} // namespace

std::string validatePropertyList(const Id& plist, PropertyListFormat format)
{
    return validate(plist, format == PropertyListXMLFormat_v1_0, 0);
}

} // namespace plist

Id PropertyListSerialization::propertyListWithData(const Ref<Data>& data, unsigned long options,
    PropertyListFormat* format, Ref<Error>* error)
{
    return propertyListWithData(data, options, format, error,
        PropertyListReadBudget::forInputSize(data ? data->length() : 0));
}

Id PropertyListSerialization::propertyListWithData(const Ref<Data>& data, unsigned long options,
    PropertyListFormat* format, Ref<Error>* error, const PropertyListReadBudget& budget)
{
    std::string failure;
    Id result;
    std::string_view bytes = data ? data->view() : std::string_view();
    plist::ReadMeter meter(budget);
    try {
        if (bytes.empty()) {
            failure = "Cannot parse a NULL or zero-length data";
        } else if (plist::looksBinary(bytes)) {
            if (format)
                *format = PropertyListBinaryFormat_v1_0;
            result = plist::readBinary(bytes, options, meter, failure);
        } else {
            if (format)
                *format = PropertyListXMLFormat_v1_0;
            result = plist::readXML(data, options, meter, failure);
        }
    } catch (const std::bad_alloc&) {
        // The budget keeps the default reads far from this; a caller's larger budget may not.
        result = Id();
        failure = "Not enough memory to read the property list";
    }
    if (result.isNil() && error)
        *error = makeCorruptDataError(kReadCorruptError, failure);
    return result;
}

bool PropertyListSerialization::unfoldsWithinBudget(std::string_view bytes, const PropertyListReadBudget& budget,
    Ref<Error>* error)
{
    if (!plist::looksBinary(bytes))
        return true;
    plist::ReadMeter meter(budget);
    std::string failure;
    if (plist::measureBinaryUnfolded(bytes, meter, failure))
        return true;
    if (error)
        *error = makeCorruptDataError(kReadCorruptError, failure);
    return false;
}

Ref<Data> PropertyListSerialization::dataWithPropertyList(const Id& plist, PropertyListFormat format,
    unsigned long, Ref<Error>* error)
{
    if (format != PropertyListXMLFormat_v1_0 && format != PropertyListBinaryFormat_v1_0) {
        if (error)
            *error = plist::writeError(kWriteStreamError, "Property list format " + std::to_string(format) + " is not supported for writing");
        return nullptr;
    }
    if (auto reason = plist::validatePropertyList(plist, format); !reason.empty()) {
        if (error)
            *error = plist::writeError(kWriteInvalidError, "Property list invalid for format: " + std::to_string(format) + " (" + reason + ")");
        return nullptr;
    }
    std::string bytes = format == PropertyListXMLFormat_v1_0 ? plist::writeXML(plist) : plist::writeBinary(plist);
    return Data::create(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

bool PropertyListSerialization::propertyListIsValidForFormat(const Id& plist, PropertyListFormat format)
{
    return (format == PropertyListXMLFormat_v1_0 || format == PropertyListBinaryFormat_v1_0)
        && plist::validatePropertyList(plist, format).empty();
}

} // namespace foundation
