#include "Platform/Serialization/JSONReader.h"

#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/FileError.h"
#include "Platform/Foundation/Null.h"
#include "Platform/Foundation/Number.h"
#include "Platform/Foundation/String.h"
#include "Platform/Foundation/Unicode.h"
#include "Platform/Serialization/JSONErrorLocator.h"
#include "Platform/Serialization/JSONSerialization.h"
#include "Platform/Serialization/ReadError.h"

#include <simdjson.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace foundation {

namespace jsonText {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Whether an integer token (optional minus, digits) is outside the 64-bit ranges the reader keeps.
bool integerTooWide(std::string_view token)
{
    bool negative = token.front() == '-';
    std::string_view digits = negative ? token.substr(1) : token;
    std::string_view limit = negative ? "9223372036854775808" : "18446744073709551615";
    if (digits.size() != limit.size())
        return digits.size() > limit.size();
    return digits > limit;
}

} // namespace

std::optional<std::string> widenLongIntegers(std::string_view text)
{
    std::string out;
    bool changed = false;
    bool inString = false;
    std::size_t copied = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == '"') {
            inString = true;
            continue;
        }
        if (c != '-' && !isDigit(c))
            continue;
        // The whole number token, so that digits after a point or an exponent are not taken
        // for an integer of their own.
        std::size_t end = i + 1;
        bool integer = true;
        while (end < text.size() && (isDigit(text[end]) || std::string_view("+-.eE").find(text[end]) != std::string_view::npos)) {
            integer = integer && isDigit(text[end]);
            ++end;
        }
        std::string_view token = text.substr(i, end - i);
        if (integer && token != "-" && integerTooWide(token)) {
            out.append(text.substr(copied, end - copied));
            out.append(".0");
            copied = end;
            changed = true;
        }
        i = end - 1;
    }
    if (!changed)
        return std::nullopt;
    out.append(text.substr(copied));
    return out;
}

namespace {

enum class Encoding { UTF8, UTF16BE, UTF16LE, UTF32BE, UTF32LE };

std::uint8_t byteAt(std::string_view text, std::size_t i)
{
    return i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0xFF;
}

// The encoding and the length of its byte order mark.
std::pair<Encoding, std::size_t> detectEncoding(std::string_view text)
{
    std::uint8_t b0 = byteAt(text, 0), b1 = byteAt(text, 1), b2 = byteAt(text, 2), b3 = byteAt(text, 3);
    if (b0 == 0xEF && b1 == 0xBB && b2 == 0xBF)
        return {Encoding::UTF8, 3};
    if (b0 == 0 && b1 == 0 && b2 == 0xFE && b3 == 0xFF)
        return {Encoding::UTF32BE, 4};
    if (b0 == 0xFF && b1 == 0xFE && b2 == 0 && b3 == 0 && text.size() >= 4)
        return {Encoding::UTF32LE, 4};
    if (b0 == 0xFE && b1 == 0xFF)
        return {Encoding::UTF16BE, 2};
    if (b0 == 0xFF && b1 == 0xFE)
        return {Encoding::UTF16LE, 2};
    if (text.size() >= 4 && b0 == 0 && b1 == 0 && b2 == 0 && b3 != 0)
        return {Encoding::UTF32BE, 0};
    if (text.size() >= 4 && b0 != 0 && b1 == 0 && b2 == 0 && b3 == 0)
        return {Encoding::UTF32LE, 0};
    if (text.size() >= 2 && b0 == 0 && b1 != 0)
        return {Encoding::UTF16BE, 0};
    if (text.size() >= 2 && b0 != 0 && b1 == 0)
        return {Encoding::UTF16LE, 0};
    return {Encoding::UTF8, 0};
}

bool transcode(std::string_view text, Encoding encoding, std::string& out)
{
    bool wide = encoding == Encoding::UTF32BE || encoding == Encoding::UTF32LE;
    bool bigEndian = encoding == Encoding::UTF16BE || encoding == Encoding::UTF32BE;
    std::size_t unitSize = wide ? 4 : 2;
    if (text.size() % unitSize != 0)
        return false;
    auto unitAt = [&](std::size_t i) {
        std::uint32_t value = 0;
        for (std::size_t b = 0; b < unitSize; ++b) {
            std::size_t index = bigEndian ? i + b : i + unitSize - 1 - b;
            value = (value << 8) | static_cast<std::uint8_t>(text[index]);
        }
        return value;
    };
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); i += unitSize) {
        std::uint32_t cp = unitAt(i);
        if (!wide && cp >= 0xD800 && cp <= 0xDBFF) {
            if (i + unitSize >= text.size())
                return false;
            std::uint32_t low = unitAt(i + unitSize);
            if (low < 0xDC00 || low > 0xDFFF)
                return false;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            i += unitSize;
        } else if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) {
            return false;
        }
        unicode::appendCodePoint(out, static_cast<char32_t>(cp));
    }
    return true;
}

} // namespace

std::optional<std::string_view> normaliseEncoding(std::string_view text, std::string& converted)
{
    auto [encoding, mark] = detectEncoding(text);
    text.remove_prefix(mark);
    if (encoding == Encoding::UTF8)
        return text;
    if (!transcode(text, encoding, converted))
        return std::nullopt;
    return std::string_view(converted);
}

std::optional<std::string> passedLimit(std::string_view text, const JSONReadingLimits& limits)
{
    auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    // Every element but the top-level one follows a ',' or a ':', or the bracket that opens a
    // container it is the first of.
    std::size_t elements = text.find_first_not_of(" \t\n\r") == std::string_view::npos ? 0 : 1;
    std::size_t depth = 0;
    std::size_t stringBytes = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        switch (text[i]) {
        case '"': {
            // The closing quote is the first one after an even run of backslashes.
            std::size_t end = i + 1;
            for (;;) {
                const void* quote = std::memchr(text.data() + end, '"', text.size() - end);
                if (!quote) {
                    end = text.size();
                    break;
                }
                end = static_cast<std::size_t>(static_cast<const char*>(quote) - text.data());
                std::size_t backslashes = 0;
                while (end - backslashes > i + 1 && text[end - 1 - backslashes] == '\\')
                    ++backslashes;
                if (backslashes % 2 == 0)
                    break;
                ++end;
            }
            stringBytes += end - i - 1;
            if (stringBytes > limits.maxStringBytes)
                return "JSON text holds more than " + std::to_string(limits.maxStringBytes) + " bytes of strings.";
            i = end;
            continue;
        }
        case '[':
        case '{': {
            if (++depth > limits.maxDepth)
                return "JSON text nests deeper than " + std::to_string(limits.maxDepth) + " levels.";
            std::size_t next = i + 1;
            while (next < text.size() && isSpace(text[next]))
                ++next;
            if (next < text.size() && text[next] != ']' && text[next] != '}')
                ++elements;
            break;
        }
        case ']':
        case '}':
            depth -= depth > 0 ? 1 : 0;
            continue;
        case ',':
        case ':':
            ++elements;
            break;
        default:
            continue;
        }
        if (elements > limits.maxElements)
            return "JSON text has more than " + std::to_string(limits.maxElements) + " elements.";
    }
    if (elements > limits.maxElements)
        return "JSON text has more than " + std::to_string(limits.maxElements) + " elements.";
    return std::nullopt;
}

} // namespace jsonText

namespace {

namespace dom = simdjson::dom;

// Parsers keep their buffers between calls on a thread; one that grew for a very large reply is
// dropped right after it so that it does not hold that memory for the life of the thread.
constexpr std::size_t kKeptParserCapacity = std::size_t(16) << 20;
// Keys repeat across the dictionaries of a reply; one immutable String per distinct short key
// saves most of their allocations.
constexpr std::size_t kInternedKeyLength = 64;
constexpr std::size_t kInternedKeyLimit = 4096;

class Builder {
public:
    explicit Builder(unsigned options)
        : mutableContainers_(options & JSONReadingMutableContainers)
        , mutableLeaves_(options & JSONReadingMutableLeaves)
    {
    }

    Id build(dom::element element)
    {
        switch (element.type()) {
        case dom::element_type::ARRAY:
            return buildArray(element.get_array().value_unsafe());
        case dom::element_type::OBJECT:
            return buildObject(element.get_object().value_unsafe());
        case dom::element_type::INT64:
            return Number::make(element.get_int64().value_unsafe(), NumberKind::LongLong);
        case dom::element_type::UINT64:
            return Number::makeUnsigned(element.get_uint64().value_unsafe(), NumberKind::UnsignedLongLong);
        case dom::element_type::DOUBLE:
            return Number::makeReal(element.get_double().value_unsafe(), NumberKind::Double);
        case dom::element_type::STRING:
            return makeString(element.get_string().value_unsafe());
        case dom::element_type::BOOL:
            return Number::numberWithBool(element.get_bool().value_unsafe());
        case dom::element_type::NULL_VALUE:
            break;
        }
        return Null::null();
    }

private:
    Id makeString(std::string_view text) const
    {
        // The parser has validated the UTF-8 already.
        if (mutableLeaves_)
            return std::make_shared<MutableString>(std::string(text));
        return std::make_shared<String>(std::string(text));
    }

    Id makeKey(std::string_view text)
    {
        if (text.size() > kInternedKeyLength)
            return std::make_shared<String>(std::string(text));
        auto found = keys_.find(text);
        if (found != keys_.end())
            return found->second;
        auto key = std::make_shared<String>(std::string(text));
        if (keys_.size() < kInternedKeyLimit)
            keys_.emplace(key->utf8(), key);
        return key;
    }

    Id buildArray(dom::array array)
    {
        std::vector<Id> elements;
        elements.reserve(array.size());
        for (dom::element child : array)
            elements.push_back(build(child));
        if (mutableContainers_)
            return std::make_shared<MutableArray>(std::move(elements));
        return std::make_shared<Array>(std::move(elements));
    }

    Id buildObject(dom::object object)
    {
        std::vector<Dictionary::Entry> entries;
        entries.reserve(object.size());
        for (dom::key_value_pair field : object)
            entries.push_back({makeKey(field.key), build(field.value), std::hash<std::string_view>{}(field.key)});
        if (mutableContainers_)
            return std::make_shared<MutableDictionary>(std::move(entries));
        return std::make_shared<Dictionary>(std::move(entries));
    }

    bool mutableContainers_;
    bool mutableLeaves_;
    std::unordered_map<std::string_view, Ref<String>> keys_;
};

// Offset of the first byte that does not start a valid UTF-8 sequence.
std::size_t firstInvalidUTF8(std::string_view text)
{
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t start = pos;
        char32_t cp = unicode::decodeNext(text, pos);
        if (cp == 0xFFFD && text.substr(start, 3) != "\xEF\xBF\xBD")
            return start;
    }
    return text.size();
}

std::string describeFailure(simdjson::error_code code, std::string_view text)
{
    switch (code) {
    case simdjson::EMPTY:
        return text.empty() ? "Unable to parse empty data." : "Unexpected end of file during JSON parse.";
    case simdjson::UTF8_ERROR:
        return "Unable to convert data to string" + textPosition(text, firstInvalidUTF8(text));
    case simdjson::CAPACITY:
        return "Data too large to parse.";
    case simdjson::MEMALLOC:
        return "Not enough memory to parse.";
    default:
        break;
    }
    std::string located = locateJSONError(text, JSONSerialization::kMaxDepth);
    if (!located.empty())
        return located;
    return code == simdjson::NUMBER_ERROR ? "Number wider than double." : "Invalid value.";
}

Id fail(Ref<Error>* error, const std::string& detail)
{
    if (error)
        *error = makeCorruptDataError(JSONSerialization::kReadCorruptError, detail);
    return {};
}

dom::parser& threadParser(std::unique_ptr<dom::parser>& slot)
{
    if (!slot) {
        slot = std::make_unique<dom::parser>();
        // A failure here shows again, and is reported, when the first parse allocates.
        simdjson::error_code ignored = slot->allocate(0, JSONSerialization::kMaxDepth);
        static_cast<void>(ignored);
    }
    return *slot;
}

// `padded`: the text is followed by SIMDJSON_PADDING bytes that may be read, so that the parser
// reads it where it lies instead of copying it into a padded buffer of its own.
Id parseWith(dom::parser& parser, std::string_view text, bool padded, unsigned options, Ref<Error>* error)
{
    dom::element root;
    auto code = parser.parse(text.data(), text.size(), !padded).get(root);
    std::optional<std::string> widened;
    if (code == simdjson::NUMBER_ERROR && (widened = jsonText::widenLongIntegers(text)))
        code = parser.parse(widened->data(), widened->size()).get(root);
    if (code != simdjson::SUCCESS)
        return fail(error, describeFailure(code, text));

    auto type = root.type();
    if (!(options & JSONReadingFragmentsAllowed) && type != dom::element_type::ARRAY
        && type != dom::element_type::OBJECT)
        return fail(error, "JSON text did not start with array or object and option to allow fragments not set.");
    return Builder(options).build(root);
}

Id readJSONText(std::string_view text, bool padded, unsigned options, const JSONReadingLimits& limits, Ref<Error>* error)
{
    std::string converted;
    auto normalised = jsonText::normaliseEncoding(text, converted);
    if (!normalised)
        return fail(error, "Unable to convert data to string around line 1, column 0.");
    // A converted text lies in `converted`, which has no padding of its own.
    padded = padded && normalised->data() != converted.data();
    text = *normalised;
    if (text.empty()) // the parser would copy from a null pointer
        return fail(error, describeFailure(simdjson::EMPTY, text));
    // Measured before the parser grows its buffers for the text.
    const bool unbounded = limits.maxDepth == SIZE_MAX && limits.maxElements == SIZE_MAX && limits.maxStringBytes == SIZE_MAX;
    if (!unbounded) {
        if (auto passed = jsonText::passedLimit(text, limits))
            return fail(error, *passed);
    }

    // Each thread keeps its parser and buffers between calls, except after a very large reply.
    thread_local std::unique_ptr<dom::parser> parserSlot;
    Id result = parseWith(threadParser(parserSlot), text, padded, options, error);
    if (parserSlot->capacity() > kKeptParserCapacity)
        parserSlot.reset();
    return result;
}

} // namespace

Id readJSON(std::string_view text, unsigned options, Ref<Error>* error)
{
    return readJSONText(text, false, options, JSONReadingLimits{}, error);
}

Id readJSON(std::string_view text, unsigned options, const JSONReadingLimits& limits, Ref<Error>* error)
{
    return readJSONText(text, false, options, limits, error);
}

Id readJSONFile(const std::filesystem::path& path, std::uintmax_t maxLength, unsigned options, Ref<Error>* error)
{
    auto failure = [&](int code) -> Id {
        if (error)
            *error = fileReadError(path, code);
        return {};
    };
    // O_NONBLOCK: a pipe in the file's place must not hang the reader.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return failure(errno);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return failure(errno);
    if (!S_ISREG(info.st_mode))
        return failure(S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
    if (static_cast<std::uintmax_t>(info.st_size) > maxLength)
        return failure(EFBIG);

    const auto size = static_cast<std::size_t>(info.st_size);
    simdjson::padded_string text(size);
    if (text.data() == nullptr)
        return failure(ENOMEM);
    std::size_t filled = 0;
    for (;;) {
        // The byte after the size seen tells whether the file grew; it lands in the padding.
        const ssize_t n = ::read(fd, text.data() + filled, size + 1 - filled);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return failure(errno);
        if (n == 0)
            break;
        filled += static_cast<std::size_t>(n);
        if (filled > size)
            return failure(EAGAIN);
    }
    // A file that shrank meanwhile is read as it now is; the padding after it must stay zero.
    std::memset(text.data() + filled, 0, size - filled + 1);
    return readJSONText(std::string_view(text.data(), filled), true, options, JSONReadingLimits{}, error);
}

} // namespace foundation
