#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Date.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/Number.h"
#include "Platform/Foundation/String.h"
#include "Platform/Serialization/PropertyListCodec.h"
#include "Platform/Serialization/PropertyListSerialization.h"
#include "Platform/Serialization/XMLDocument.h"
#include "Platform/Serialization/XMLEscape.h"
#include "Platform/Serialization/XMLParser.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

namespace foundation::plist {

namespace {

constexpr std::size_t kDataLineLength = 76;

void indent(std::string& out, std::size_t depth)
{
    out.append(depth, '\t');
}

// Reals with 17 significant digits, as the platform writes them; never locale-dependent.
std::string realText(double value)
{
    if (std::isnan(value))
        return "nan";
    if (std::isinf(value))
        return value < 0 ? "-infinity" : "+infinity";
    return format("%.17g", value);
}

void writeValue(std::string& out, const Id& value, std::size_t depth)
{
    if (auto* dictionary = value.ptr<Dictionary>()) {
        if (dictionary->empty()) {
            out += "<dict/>\n";
            return;
        }
        out += "<dict>\n";
        for (const auto& entry : *dictionary) {
            indent(out, depth + 1);
            out += "<key>";
            appendXMLEscaped(out, entry.key.ptr<String>()->utf8());
            out += "</key>\n";
            indent(out, depth + 1);
            writeValue(out, entry.value, depth + 1);
        }
        indent(out, depth);
        out += "</dict>\n";
    } else if (auto* array = value.ptr<Array>()) {
        if (array->empty()) {
            out += "<array/>\n";
            return;
        }
        out += "<array>\n";
        for (const Id& element : *array) {
            indent(out, depth + 1);
            writeValue(out, element, depth + 1);
        }
        indent(out, depth);
        out += "</array>\n";
    } else if (auto* string = value.ptr<String>()) {
        out += "<string>";
        appendXMLEscaped(out, string->utf8());
        out += "</string>\n";
    } else if (auto* number = value.ptr<Number>()) {
        if (number->isBoolean())
            out += number->boolValue() ? "<true/>\n" : "<false/>\n";
        else if (number->isReal())
            out += "<real>" + realText(number->doubleValue()) + "</real>\n";
        else
            out += "<integer>" + number->description() + "</integer>\n";
    } else if (auto* date = value.ptr<Date>()) {
        out += "<date>" + formatDate(date->timeIntervalSinceReferenceDate()) + "</date>\n";
    } else if (auto* data = value.ptr<Data>()) {
        out += "<data>\n";
        std::string base64 = data->base64EncodedString();
        for (std::size_t at = 0; at < base64.size(); at += kDataLineLength) {
            indent(out, depth);
            out.append(base64, at, kDataLineLength);
            out.push_back('\n');
        }
        indent(out, depth);
        out += "</data>\n";
    }
}

std::string trimmed(const std::string& text)
{
    auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

class Reader {
public:
    Reader(unsigned long options, ReadMeter& meter, std::string& failure)
        : options_(options)
        , meter_(meter)
        , failure_(failure)
    {
    }

    Id read(const XMLElement& element)
    {
        if (!meter_.spendElements(1))
            return fail(ReadMeter::kTooManyElements);
        const std::string& name = element.name();
        if (name == "dict")
            return readDictionary(element);
        if (name == "array")
            return readArray(element);
        if (name == "string" || name == "key") {
            std::string text = element.stringValue();
            if (!meter_.spendBytes(text.size()))
                return fail(ReadMeter::kTooManyBytes);
            return makeString(std::move(text), options_);
        }
        if (name == "integer")
            return readInteger(trimmed(element.stringValue()));
        if (name == "real")
            return readReal(trimmed(element.stringValue()));
        if (name == "true" || name == "false")
            return Number::numberWithBool(name == "true");
        if (name == "date") {
            if (auto seconds = parseDate(trimmed(element.stringValue())))
                return Date::dateWithTimeIntervalSinceReferenceDate(*seconds);
            return fail("Malformed date \"" + element.stringValue() + "\"");
        }
        if (name == "data") {
            auto data = Data::fromBase64(element.stringValue());
            if (!data)
                return fail("Malformed data");
            if (!meter_.spendBytes(data->length()))
                return fail(ReadMeter::kTooManyBytes);
            return makeData(data->view(), options_);
        }
        return fail("Encountered unknown tag " + name);
    }

private:
    Id fail(std::string detail)
    {
        if (failure_.empty())
            failure_ = std::move(detail);
        return {};
    }

    Id readDictionary(const XMLElement& element)
    {
        auto children = element.children();
        if (children.size() % 2 != 0)
            return fail("Value missing for key inside <dict>");
        if (!meter_.holdsElements(children.size()))
            return fail(ReadMeter::kTooManyElements);
        std::vector<Dictionary::Entry> entries;
        entries.reserve(children.size() / 2);
        for (std::size_t i = 0; i < children.size(); i += 2) {
            if (children[i]->name() != "key")
                return fail("Found non-key inside <dict>");
            std::string key = children[i]->stringValue();
            if (!meter_.spendElements(1))
                return fail(ReadMeter::kTooManyElements);
            if (!meter_.spendBytes(key.size()))
                return fail(ReadMeter::kTooManyBytes);
            Id value = read(*children[i + 1]);
            if (value.isNil())
                return {};
            entries.push_back({String::create(std::move(key)), value, 0});
        }
        return makeDictionary(std::move(entries), options_);
    }

    Id readArray(const XMLElement& element)
    {
        auto children = element.children();
        if (!meter_.holdsElements(children.size()))
            return fail(ReadMeter::kTooManyElements);
        std::vector<Id> elements;
        elements.reserve(children.size());
        for (const auto& child : children) {
            Id value = read(*child);
            if (value.isNil())
                return {};
            elements.push_back(value);
        }
        return makeArray(std::move(elements), options_);
    }

    Id readInteger(const std::string& text)
    {
        const char* begin = text.data();
        const char* end = begin + text.size();
        if (!text.empty() && text[0] == '-') {
            long long value = 0;
            auto result = std::from_chars(begin, end, value);
            if (result.ec == std::errc() && result.ptr == end)
                return Number::make(value, NumberKind::LongLong);
        } else {
            if (!text.empty() && text[0] == '+')
                ++begin;
            unsigned long long value = 0;
            auto result = std::from_chars(begin, end, value);
            if (result.ec == std::errc() && result.ptr == end && begin != end) {
                if (value <= static_cast<unsigned long long>(std::numeric_limits<long long>::max()))
                    return Number::make(static_cast<long long>(value), NumberKind::LongLong);
                return Number::makeUnsigned(value, NumberKind::UnsignedLongLong);
            }
        }
        return fail("Malformed integer \"" + text + "\"");
    }

    Id readReal(const std::string& text)
    {
        if (text == "nan")
            return Number::numberWithDouble(std::numeric_limits<double>::quiet_NaN());
        if (text == "+infinity" || text == "infinity" || text == "inf")
            return Number::numberWithDouble(std::numeric_limits<double>::infinity());
        if (text == "-infinity" || text == "-inf")
            return Number::numberWithDouble(-std::numeric_limits<double>::infinity());
        double value = 0;
        const char* begin = text.data();
        const char* end = begin + text.size();
        if (!text.empty() && text[0] == '+')
            ++begin;
        auto result = std::from_chars(begin, end, value);
        if (result.ec == std::errc() && result.ptr == end && begin != end)
            return Number::numberWithDouble(value);
        return fail("Malformed real \"" + text + "\"");
    }

    unsigned long options_;
    ReadMeter& meter_;
    std::string& failure_;
};

} // namespace

std::string writeXML(const Id& plist)
{
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                      "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                      "<plist version=\"1.0\">\n";
    writeValue(out, plist, 0);
    out += "</plist>\n";
    return out;
}

Id readXML(const Ref<Data>& data, unsigned long options, ReadMeter& meter, std::string& failure)
{
    Ref<Error> error;
    auto document = XMLDocument::create(data, 0, &error);
    if (!document) {
        failure = "Malformed XML: " + (error ? error->objectForUserInfoKey(NSXMLParserErrorMessageKey).stringValue() : "");
        return {};
    }
    Ref<XMLElement> root = document->rootElement();
    if (root->name() == "plist") {
        auto children = root->children();
        if (children.size() != 1) {
            failure = "Expected exactly one value inside <plist>";
            return {};
        }
        root = children.front();
    }
    Id result = Reader(options, meter, failure).read(*root);
    if (result.isNil() && failure.empty())
        failure = "Malformed property list";
    return result;
}

} // namespace foundation::plist
