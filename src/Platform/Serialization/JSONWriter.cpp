#include "Platform/Serialization/JSONWriter.h"

#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/Misuse.h"
#include "Platform/Foundation/Null.h"
#include "Platform/Foundation/Number.h"
#include "Platform/Foundation/String.h"
#include "Platform/Serialization/JSONSerialization.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <typeinfo>
#include <vector>

namespace foundation {

void appendShortestReal(std::string& out, double value, bool singlePrecision)
{
    char buffer[64];
    auto result = singlePrecision
        ? std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(value), std::chars_format::scientific)
        : std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    bool negative = text.front() == '-';
    if (negative)
        text.remove_prefix(1);
    std::size_t e = text.find('e');
    std::string digits;
    for (char c : text.substr(0, e))
        if (c != '.')
            digits.push_back(c);
    int exponent = std::atoi(std::string(text.substr(e + 1)).c_str());

    if (negative)
        out.push_back('-');
    if (exponent < -4 || exponent >= 17) {
        out.push_back(digits[0]);
        if (digits.size() > 1) {
            out.push_back('.');
            out.append(digits, 1);
        }
        out.push_back('e');
        out.push_back(exponent < 0 ? '-' : '+');
        int magnitude = std::abs(exponent);
        if (magnitude < 10)
            out.push_back('0');
        out.append(std::to_string(magnitude));
    } else if (exponent < 0) {
        out.append("0.");
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out.append(digits);
    } else {
        auto integerDigits = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= integerDigits) {
            out.append(digits);
            out.append(integerDigits - digits.size(), '0');
        } else {
            out.append(digits, 0, integerDigits);
            out.push_back('.');
            out.append(digits, integerDigits);
        }
    }
}

namespace {

constexpr long long kWriteInvalidError = JSONSerialization::kWriteInvalidError;

enum class Kind { String, Number, Null, Array, Dictionary, Other };

// The bytes of the text, grown in place and handed to Data without a copy.
class Buffer {
public:
    void push_back(char c) { bytes_.push_back(static_cast<std::uint8_t>(c)); }
    void append(std::string_view text) { bytes_.insert(bytes_.end(), text.begin(), text.end()); }
    void append(const char* begin, const char* end) { append(std::string_view(begin, static_cast<std::size_t>(end - begin))); }
    void append(std::size_t count, char c) { bytes_.insert(bytes_.end(), count, static_cast<std::uint8_t>(c)); }
    std::vector<std::uint8_t>& bytes() { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

// The exact classes answer by their type identity, which is much cheaper than a dynamic cast on
// every value of a large reply; subclasses from elsewhere fall through to the casts.
Kind kindOf(Object* object)
{
    if (object == nullptr)
        return Kind::Other;
    const std::type_info& type = typeid(*object);
    if (type == typeid(String) || type == typeid(MutableString))
        return Kind::String;
    if (type == typeid(Number))
        return Kind::Number;
    if (type == typeid(Dictionary) || type == typeid(MutableDictionary))
        return Kind::Dictionary;
    if (type == typeid(Array) || type == typeid(MutableArray))
        return Kind::Array;
    if (dynamic_cast<String*>(object))
        return Kind::String;
    if (dynamic_cast<Number*>(object))
        return Kind::Number;
    if (dynamic_cast<Null*>(object))
        return Kind::Null;
    if (dynamic_cast<Array*>(object))
        return Kind::Array;
    if (dynamic_cast<Dictionary*>(object))
        return Kind::Dictionary;
    return Kind::Other;
}

class Writer {
public:
    explicit Writer(unsigned options)
        : pretty_(options & JSONWritingPrettyPrinted)
        , sorted_(options & JSONWritingSortedKeys)
        , escapeSlashes_(!(options & JSONWritingWithoutEscapingSlashes))
    {
    }

    // Empty on success; otherwise the platform's reason, and whether the platform raises for it.
    struct Failure {
        std::string reason;
        bool raises = true;
    };

    bool write(const Id& value, std::size_t depth)
    {
        Object* object = value.get();
        switch (kindOf(object)) {
        case Kind::String:
            appendString(static_cast<String*>(object)->utf8());
            return true;
        case Kind::Number:
            return appendNumber(*static_cast<Number*>(object));
        case Kind::Null:
            out_.append("null");
            return true;
        case Kind::Array:
            return nest(depth) && appendArray(*static_cast<Array*>(object), depth + 1);
        case Kind::Dictionary:
            return nest(depth) && appendDictionary(*static_cast<Dictionary*>(object), depth + 1);
        case Kind::Other:
            break;
        }
        failure_.reason = "Invalid type in JSON write (" + (object ? object->isa()->name() : std::string("nil")) + ")";
        return false;
    }

    std::vector<std::uint8_t>& output() { return out_.bytes(); }
    const Failure& failure() const { return failure_; }

private:
    bool nest(std::size_t depth)
    {
        // Only a container that holds itself gets this deep; the platform would exhaust its stack.
        if (depth < JSONSerialization::kMaxDepth)
            return true;
        failure_ = {"Too many nested arrays or dictionaries in JSON write", false};
        return false;
    }

    void newline(std::size_t depth)
    {
        out_.push_back('\n');
        out_.append(depth * 2, ' ');
    }

    bool appendArray(const Array& array, std::size_t depth)
    {
        out_.push_back('[');
        if (pretty_ && array.empty())
            out_.push_back('\n');
        bool first = true;
        for (const Id& element : array) {
            if (!first)
                out_.push_back(',');
            first = false;
            if (pretty_)
                newline(depth);
            if (!write(element, depth))
                return false;
        }
        if (pretty_)
            newline(depth - 1);
        out_.push_back(']');
        return true;
    }

    bool appendDictionary(const Dictionary& dictionary, std::size_t depth)
    {
        std::vector<const Dictionary::Entry*> entries;
        entries.reserve(dictionary.count());
        for (const auto& entry : dictionary) {
            if (kindOf(entry.key.get()) != Kind::String) {
                failure_.reason = "Invalid (non-string) key in JSON dictionary";
                return false;
            }
            entries.push_back(&entry);
        }
        if (sorted_) {
            std::stable_sort(entries.begin(), entries.end(), [](const auto* a, const auto* b) {
                return static_cast<String*>(a->key.get())->compare(*static_cast<String*>(b->key.get())) == ComparisonResult::Ascending;
            });
        }
        out_.push_back('{');
        if (pretty_ && entries.empty())
            out_.push_back('\n');
        bool first = true;
        for (const auto* entry : entries) {
            if (!first)
                out_.push_back(',');
            first = false;
            if (pretty_)
                newline(depth);
            appendString(static_cast<String*>(entry->key.get())->utf8());
            out_.append(pretty_ ? " : " : ":");
            if (!write(entry->value, depth))
                return false;
        }
        if (pretty_)
            newline(depth - 1);
        out_.push_back('}');
        return true;
    }

    bool appendNumber(const Number& number)
    {
        char buffer[32];
        if (number.isBoolean()) {
            out_.append(number.boolValue() ? "true" : "false");
        } else if (number.isReal()) {
            double value = number.doubleValue();
            if (std::isnan(value)) {
                failure_.reason = "Invalid number value (NaN) in JSON write";
                return false;
            }
            if (std::isinf(value)) {
                failure_.reason = "Invalid number value (infinite) in JSON write";
                return false;
            }
            std::string text;
            appendShortestReal(text, value, number.kind() == NumberKind::Float);
            out_.append(text);
        } else if (number.isUnsigned()) {
            auto result = std::to_chars(buffer, buffer + sizeof buffer, number.unsignedLongLongValue());
            out_.append(buffer, result.ptr);
        } else {
            auto result = std::to_chars(buffer, buffer + sizeof buffer, number.longLongValue());
            out_.append(buffer, result.ptr);
        }
        return true;
    }

    void appendString(std::string_view text)
    {
        static constexpr char kHex[] = "0123456789abcdef";
        out_.push_back('"');
        std::size_t plain = 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
            auto c = static_cast<unsigned char>(text[i]);
            bool escape = c < 0x20 || c == '"' || c == '\\' || (c == '/' && escapeSlashes_);
            if (!escape)
                continue;
            out_.append(text.substr(plain, i - plain));
            plain = i + 1;
            out_.push_back('\\');
            switch (c) {
            case '"':
            case '\\':
            case '/':
                out_.push_back(static_cast<char>(c));
                break;
            case '\b':
                out_.push_back('b');
                break;
            case '\f':
                out_.push_back('f');
                break;
            case '\n':
                out_.push_back('n');
                break;
            case '\r':
                out_.push_back('r');
                break;
            case '\t':
                out_.push_back('t');
                break;
            default:
                out_.append("u00");
                out_.push_back(kHex[c >> 4]);
                out_.push_back(kHex[c & 0xF]);
            }
        }
        out_.append(text.substr(plain));
        out_.push_back('"');
    }

    bool pretty_;
    bool sorted_;
    bool escapeSlashes_;
    Buffer out_;
    Failure failure_;
};

bool isContainer(const Id& object)
{
    return object.is<Array>() || object.is<Dictionary>();
}

} // namespace

Ref<Data> writeJSON(const Id& object, unsigned options, Ref<Error>* error)
{
    Writer writer(options);
    Writer::Failure failure;
    if (!(options & JSONWritingFragmentsAllowed) && !isContainer(object))
        failure.reason = "Invalid top-level type in JSON write";
    else if (!writer.write(object, 0))
        failure = writer.failure();

    if (failure.reason.empty()) {
        return Data::create(std::move(writer.output()));
    }
    if (failure.raises)
        misuse(NSInvalidArgumentException, failure.reason, MisuseDefault::ReturnNil);
    if (error) {
        *error = Error::errorWithDomain(NSCocoaErrorDomain, kWriteInvalidError,
            Dictionary::create({{Id(NSDebugDescriptionErrorKey), Id(failure.reason)}}));
    }
    return nullptr;
}

bool isValidJSONValue(const Id& object, bool fragmentsAllowed)
{
    if (!fragmentsAllowed && !isContainer(object))
        return false;
    // Validity is exactly "the writer accepts it"; writing is cheap next to a network reply.
    Writer writer(0);
    return writer.write(object, 0);
}

} // namespace foundation
