#include "Platform/Foundation/String.h"

#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Misuse.h"
#include "Platform/Foundation/Unicode.h"

#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <functional>

namespace foundation {

const Class* String::classObject()
{
    static const Class* cls = &Class::define("NSString", Object::classObject(), [] { return String::create(); });
    return cls;
}

const Class* String::isa() const
{
    return classObject();
}

const Class* MutableString::classObject()
{
    static const Class* cls =
        &Class::define("NSMutableString", String::classObject(), [] { return MutableString::create(); });
    return cls;
}

const Class* MutableString::isa() const
{
    return classObject();
}

String::String(std::string utf8)
{
    assign(std::move(utf8));
}

void String::assign(std::string utf8)
{
    utf8_ = std::move(utf8);
    ascii_ = unicode::classifyUTF8(utf8_) == unicode::UTF8Kind::ASCII;
    utf16Length_ = SIZE_MAX;
}

Ref<String> String::create(std::string_view utf8)
{
    return create(std::string(utf8));
}

Ref<String> String::create(std::string&& utf8)
{
    switch (unicode::classifyUTF8(utf8)) {
    case unicode::UTF8Kind::ASCII:
        return std::make_shared<String>(std::move(utf8), true);
    case unicode::UTF8Kind::Valid:
        return std::make_shared<String>(std::move(utf8), false);
    case unicode::UTF8Kind::Invalid:
        break;
    }
    return std::make_shared<String>(unicode::sanitizeUTF8(utf8), false);
}

Ref<String> String::createWithValidUTF8(std::string_view bytes)
{
    if (!unicode::isValidUTF8(bytes))
        return nullptr;
    return std::make_shared<String>(std::string(bytes));
}

Ref<String> String::createWithUTF16(std::u16string_view utf16)
{
    return std::make_shared<String>(unicode::toUTF8(utf16));
}

const Ref<String>& String::empty()
{
    static const Ref<String> instance = std::make_shared<String>(std::string());
    return instance;
}

std::size_t String::length() const
{
    if (ascii_)
        return utf8_.size();
    if (utf16Length_ == SIZE_MAX)
        utf16Length_ = unicode::utf16Length(utf8_);
    return utf16Length_;
}

std::u16string String::utf16() const
{
    return unicode::toUTF16(utf8_);
}

char16_t String::characterAtIndex(std::size_t index) const
{
    if (index >= length()) {
        misuse(NSRangeException, "-[__NSCFString characterAtIndex:]: Range or index out of bounds",
               MisuseDefault::UnassignedCharacter);
        return 0;
    }
    if (ascii_)
        return static_cast<char16_t>(utf8_[index]);
    return utf16()[index];
}

Ref<String> String::substringFromIndex(std::size_t index) const
{
    std::size_t len = length();
    if (index > len) {
        misuse(NSRangeException,
               foundation::format("-[__NSCFString substringFromIndex:]: Index %lu out of bounds; string length %lu", index, len),
               MisuseDefault::ReturnEmptyString);
        return String::empty();
    }
    if (ascii_)
        return create(std::string_view(utf8_).substr(index));
    return create(std::string_view(utf8_).substr(unicode::byteOffsetOfUTF16Index(utf8_, index)));
}

Ref<String> String::substringToIndex(std::size_t index) const
{
    std::size_t len = length();
    if (index > len) {
        misuse(NSRangeException,
               foundation::format("-[__NSCFString substringToIndex:]: Index %lu out of bounds; string length %lu", index, len),
               MisuseDefault::ReturnEmptyString);
        return String::empty();
    }
    if (ascii_)
        return create(std::string_view(utf8_).substr(0, index));
    return create(std::string_view(utf8_).substr(0, unicode::byteOffsetOfUTF16Index(utf8_, index)));
}

Ref<String> String::substringWithRange(Range range) const
{
    std::size_t len = length();
    if (range.location > len || range.length > len - range.location) {
        misuse(NSRangeException,
               foundation::format("-[__NSCFString substringWithRange:]: Range {%lu, %lu} out of bounds; string length %lu",
                                  range.location, range.length, len),
               MisuseDefault::ReturnEmptyString);
        return String::empty();
    }
    if (ascii_)
        return create(std::string_view(utf8_).substr(range.location, range.length));
    std::size_t begin = unicode::byteOffsetOfUTF16Index(utf8_, range.location);
    std::size_t end = unicode::byteOffsetOfUTF16Index(utf8_, range.end());
    return create(std::string_view(utf8_).substr(begin, end - begin));
}

namespace {

char16_t foldCase(char16_t unit)
{
    if (unit < 0x80)
        return static_cast<char16_t>(std::tolower(unit));
    if (unit >= 0xD800 && unit <= 0xDFFF)
        return unit;
    return static_cast<char16_t>(u_foldCase(unit, U_FOLD_CASE_DEFAULT));
}

bool isDigit(char16_t unit)
{
    return unit >= u'0' && unit <= u'9';
}

} // namespace

Range String::rangeOfString(std::string_view needle, unsigned options) const
{
    return rangeOfString(needle, options, Range{0, length()});
}

Range String::rangeOfString(std::string_view needle, unsigned options, Range searchRange) const
{
    std::size_t len = length();
    if (searchRange.location > len || searchRange.length > len - searchRange.location) {
        misuse(NSRangeException, foundation::format("-[__NSCFString rangeOfString:options:range:]: Range {%lu, %lu} out of bounds; string length %lu",
                                              searchRange.location, searchRange.length, len),
               MisuseDefault::Ignore);
        return {};
    }
    if (needle.empty())
        return {};
    std::u16string haystack = unicode::toUTF16(utf8_);
    std::u16string pattern = unicode::toUTF16(needle);
    bool insensitive = options & CaseInsensitiveSearch;
    auto equal = [&](char16_t a, char16_t b) { return insensitive ? foldCase(a) == foldCase(b) : a == b; };
    auto matchesAt = [&](std::size_t pos) {
        for (std::size_t k = 0; k < pattern.size(); ++k)
            if (!equal(haystack[pos + k], pattern[k]))
                return false;
        return true;
    };
    if (pattern.size() > searchRange.length)
        return {};
    std::size_t first = searchRange.location;
    std::size_t last = searchRange.end() - pattern.size();
    bool backwards = options & BackwardsSearch;
    bool anchored = options & AnchoredSearch;
    if (backwards) {
        for (std::size_t pos = last + 1; pos-- > first;) {
            if (matchesAt(pos))
                return {pos, pattern.size()};
            if (anchored)
                break;
        }
    } else {
        for (std::size_t pos = first; pos <= last; ++pos) {
            if (matchesAt(pos))
                return {pos, pattern.size()};
            if (anchored)
                break;
        }
    }
    return {};
}

ComparisonResult String::compare(const String& other, unsigned options) const
{
    return compare(std::string_view(other.utf8_), options);
}

ComparisonResult String::compare(std::string_view other, unsigned options) const
{
    auto result = [](int order) {
        return order < 0 ? ComparisonResult::Ascending : order > 0 ? ComparisonResult::Descending : ComparisonResult::Same;
    };
    if (options == 0 || options == LiteralSearch) {
        if (ascii_ && unicode::isASCII(other))
            return result(std::string_view(utf8_).compare(other));
        return result(unicode::toUTF16(utf8_).compare(unicode::toUTF16(other)));
    }
    std::u16string a = unicode::toUTF16(utf8_);
    std::u16string b = unicode::toUTF16(other);
    bool insensitive = options & CaseInsensitiveSearch;
    bool numeric = options & NumericSearch;
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (numeric && isDigit(a[i]) && isDigit(b[j])) {
            std::size_t si = i;
            std::size_t sj = j;
            while (i < a.size() && isDigit(a[i]))
                ++i;
            while (j < b.size() && isDigit(b[j]))
                ++j;
            // Compare the digit runs as numbers: drop leading zeros, then length, then digits.
            std::size_t zi = si;
            std::size_t zj = sj;
            while (zi + 1 < i && a[zi] == u'0')
                ++zi;
            while (zj + 1 < j && b[zj] == u'0')
                ++zj;
            if (i - zi != j - zj)
                return result(i - zi < j - zj ? -1 : 1);
            for (std::size_t k = 0; k < i - zi; ++k)
                if (a[zi + k] != b[zj + k])
                    return result(a[zi + k] < b[zj + k] ? -1 : 1);
            continue;
        }
        char16_t ca = insensitive ? foldCase(a[i]) : a[i];
        char16_t cb = insensitive ? foldCase(b[j]) : b[j];
        if (ca != cb)
            return result(ca < cb ? -1 : 1);
        ++i;
        ++j;
    }
    if (i < a.size())
        return ComparisonResult::Descending;
    if (j < b.size())
        return ComparisonResult::Ascending;
    return ComparisonResult::Same;
}

Ref<String> String::stringByReplacingOccurrencesOfString(std::string_view target, std::string_view replacement) const
{
    if (target.empty())
        return std::static_pointer_cast<String>(copy());
    std::string out;
    out.reserve(utf8_.size());
    std::size_t pos = 0;
    while (true) {
        std::size_t found = utf8_.find(target, pos);
        if (found == std::string::npos)
            break;
        out.append(utf8_, pos, found - pos);
        out.append(replacement);
        pos = found + target.size();
    }
    out.append(utf8_, pos, std::string::npos);
    return create(std::move(out));
}

Ref<String> String::stringByAppendingString(std::string_view tail) const
{
    std::string out = utf8_;
    out.append(tail);
    return create(std::move(out));
}

namespace {

bool isSpace(char32_t cp, bool newlines)
{
    if (cp == ' ' || cp == '\t' || cp == 0xA0 || (cp >= 0x2000 && cp <= 0x200B) || cp == 0x3000 || cp == 0x202F ||
        cp == 0x205F || cp == 0x1680)
        return true;
    return newlines && (cp == '\n' || cp == '\r' || cp == 0x0B || cp == 0x0C || cp == 0x85 || cp == 0x2028 || cp == 0x2029);
}

std::string trim(std::string_view text, bool newlines)
{
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t next = begin;
        if (!isSpace(unicode::decodeNext(text, next), newlines))
            break;
        begin = next;
    }
    std::size_t end = text.size();
    while (end > begin) {
        std::size_t start = end - 1;
        while (start > begin && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80)
            --start;
        std::size_t probe = start;
        if (!isSpace(unicode::decodeNext(text, probe), newlines))
            break;
        end = start;
    }
    return std::string(text.substr(begin, end - begin));
}

} // namespace

Ref<String> String::stringByTrimmingWhitespace() const
{
    return create(trim(utf8_, false));
}

Ref<String> String::stringByTrimmingWhitespaceAndNewlines() const
{
    return create(trim(utf8_, true));
}

Ref<String> String::lowercaseString() const
{
    std::string out;
    if (ascii_) {
        out = utf8_;
        for (char& c : out)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return create(std::move(out));
    }
    icu::UnicodeString::fromUTF8(utf8_).toLower(icu::Locale::getRoot()).toUTF8String(out);
    return create(std::move(out));
}

Ref<String> String::uppercaseString() const
{
    std::string out;
    if (ascii_) {
        out = utf8_;
        for (char& c : out)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return create(std::move(out));
    }
    icu::UnicodeString::fromUTF8(utf8_).toUpper(icu::Locale::getRoot()).toUTF8String(out);
    return create(std::move(out));
}

Ref<Array> String::componentsSeparatedByString(std::string_view separator) const
{
    std::vector<Id> parts;
    if (separator.empty()) {
        parts.emplace_back(std::static_pointer_cast<String>(copy()));
        return Array::create(std::move(parts));
    }
    std::size_t pos = 0;
    while (true) {
        std::size_t found = utf8_.find(separator, pos);
        if (found == std::string::npos) {
            parts.emplace_back(create(std::string_view(utf8_).substr(pos)));
            break;
        }
        parts.emplace_back(create(std::string_view(utf8_).substr(pos, found - pos)));
        pos = found + separator.size();
    }
    return Array::create(std::move(parts));
}

// Paths

namespace {

// Collapses repeated slashes and drops a trailing slash (but keeps a lone "/").
std::string standardSlashes(std::string_view path)
{
    std::string out;
    out.reserve(path.size());
    for (char c : path) {
        if (c == '/' && !out.empty() && out.back() == '/')
            continue;
        out.push_back(c);
    }
    if (out.size() > 1 && out.back() == '/')
        out.pop_back();
    return out;
}

} // namespace

Ref<String> String::lastPathComponent() const
{
    std::string path = standardSlashes(utf8_);
    if (path == "/" || path.empty())
        return create(std::move(path));
    std::size_t slash = path.rfind('/');
    return create(slash == std::string::npos ? path : path.substr(slash + 1));
}

Ref<String> String::pathExtension() const
{
    std::string name = lastPathComponent()->utf8();
    std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == name.size())
        return String::empty();
    return create(name.substr(dot + 1));
}

Ref<String> String::stringByAppendingPathComponent(std::string_view component) const
{
    if (utf8_.empty())
        return create(standardSlashes(component));
    if (component.empty())
        return create(standardSlashes(utf8_));
    return create(standardSlashes(utf8_ + "/" + std::string(component)));
}

Ref<String> String::stringByDeletingLastPathComponent() const
{
    std::string path = standardSlashes(utf8_);
    if (path == "/")
        return create(std::move(path));
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return String::empty();
    if (slash == 0)
        return create("/");
    return create(path.substr(0, slash));
}

Ref<String> String::stringByDeletingPathExtension() const
{
    std::string path = standardSlashes(utf8_);
    std::size_t slash = path.rfind('/');
    std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot <= nameStart || dot + 1 == path.size())
        return create(std::move(path));
    return create(path.substr(0, dot));
}

Ref<String> String::stringByAppendingPathExtension(std::string_view extension) const
{
    std::string path = standardSlashes(utf8_);
    if (path.empty() || path == "/")
        return create(std::move(path));
    return create(path + "." + std::string(extension));
}

// Scanning numbers

namespace {

std::size_t skipLeadingSpace(std::string_view text)
{
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t next = pos;
        if (!isSpace(unicode::decodeNext(text, next), true))
            break;
        pos = next;
    }
    return pos;
}

// Sign and magnitude of the leading integer; `overflow` when it does not fit 64 bits.
bool scanInteger(std::string_view text, bool& negative, unsigned long long& magnitude, bool& overflow)
{
    std::size_t pos = skipLeadingSpace(text);
    negative = false;
    overflow = false;
    magnitude = 0;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    bool any = false;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        any = true;
        unsigned digit = static_cast<unsigned>(text[pos] - '0');
        if (magnitude > (ULLONG_MAX - digit) / 10)
            overflow = true;
        else
            magnitude = magnitude * 10 + digit;
        ++pos;
    }
    return any;
}

} // namespace

long long String::integerValue() const
{
    bool negative;
    bool overflow;
    unsigned long long magnitude;
    if (!scanInteger(utf8_, negative, magnitude, overflow))
        return 0;
    if (negative) {
        if (overflow || magnitude > static_cast<unsigned long long>(LLONG_MAX) + 1)
            return LLONG_MIN;
        return magnitude == static_cast<unsigned long long>(LLONG_MAX) + 1 ? LLONG_MIN
                                                                          : -static_cast<long long>(magnitude);
    }
    if (overflow || magnitude > static_cast<unsigned long long>(LLONG_MAX))
        return LLONG_MAX;
    return static_cast<long long>(magnitude);
}

int String::intValue() const
{
    long long value = integerValue();
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

double String::doubleValue() const
{
    std::string_view text(utf8_);
    std::size_t pos = skipLeadingSpace(text);
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    // Only plain decimal text with an optional exponent; the parse stops at the first other byte.
    std::size_t start = pos;
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])))
        ++pos;
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])))
            ++pos;
    }
    if (pos == start || (pos == start + 1 && text[start] == '.'))
        return 0;
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        std::size_t e = pos + 1;
        if (e < text.size() && (text[e] == '+' || text[e] == '-'))
            ++e;
        if (e < text.size() && std::isdigit(static_cast<unsigned char>(text[e]))) {
            while (e < text.size() && std::isdigit(static_cast<unsigned char>(text[e])))
                ++e;
            pos = e;
        }
    }
    double value = 0;
    auto result = std::from_chars(text.data() + start, text.data() + pos, value);
    if (result.ec == std::errc::result_out_of_range) {
        // Too large is infinite, too small is zero, as strtod answers.
        bool tiny = false;
        for (std::size_t k = start; k < pos; ++k) {
            if (text[k] == 'e' || text[k] == 'E') {
                tiny = k + 1 < pos && text[k + 1] == '-';
                break;
            }
        }
        value = tiny ? 0.0 : HUGE_VAL;
    }
    return negative ? -value : value;
}

bool String::boolValue() const
{
    std::string_view text(utf8_);
    std::size_t pos = skipLeadingSpace(text);
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        ++pos;
    while (pos < text.size() && text[pos] == '0')
        ++pos;
    if (pos >= text.size())
        return false;
    char c = text[pos];
    return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
}

Ref<Data> String::dataUsingUTF8Encoding() const
{
    return Data::create(std::string_view(utf8_));
}

std::string quotedDescription(std::string_view text)
{
    bool plain = !text.empty();
    for (unsigned char c : text) {
        if (!(std::isalnum(c) || c == '_' || c == '$')) {
            plain = false;
            break;
        }
    }
    if (plain)
        return std::string(text);
    std::string out = "\"";
    std::size_t pos = 0;
    while (pos < text.size()) {
        char32_t cp = unicode::decodeNext(text, pos);
        switch (cp) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            if (cp < 0x80) {
                out.push_back(static_cast<char>(cp));
            } else {
                // Non-ASCII text is written as \Uxxxx per UTF-16 unit, as the platform prints it.
                auto unit = [&](char32_t u) { out += foundation::format("\\U%04x", static_cast<unsigned>(u)); };
                if (cp >= 0x10000) {
                    unit(0xD800 + ((cp - 0x10000) >> 10));
                    unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
                } else {
                    unit(cp);
                }
            }
        }
    }
    out += "\"";
    return out;
}

std::string String::descriptionWithIndent(int /*level*/) const
{
    return quotedDescription(utf8_);
}

bool String::isEqual(const Object& other) const
{
    if (this == &other)
        return true;
    const auto* string = dynamic_cast<const String*>(&other);
    return string && string->utf8_ == utf8_;
}

std::size_t String::hash() const
{
    return std::hash<std::string_view>{}(utf8_);
}

Ref<Object> String::copy() const
{
    return std::const_pointer_cast<Object>(shared_from_this());
}

Ref<Object> String::mutableCopy() const
{
    return MutableString::create(utf8_);
}

// MutableString

Ref<MutableString> MutableString::create(std::string_view utf8)
{
    return std::make_shared<MutableString>(unicode::sanitizeUTF8(utf8));
}

Ref<Object> MutableString::copy() const
{
    return String::create(utf8_);
}

void MutableString::appendString(std::string_view tail)
{
    std::string text = std::move(utf8_);
    if (unicode::isASCII(tail) || unicode::isValidUTF8(tail))
        text.append(tail);
    else
        text.append(unicode::sanitizeUTF8(tail));
    assign(std::move(text));
}

void MutableString::setString(std::string_view text)
{
    assign(unicode::sanitizeUTF8(text));
}

bool MutableString::byteRange(Range range, const char* method, std::size_t& begin, std::size_t& end) const
{
    std::size_t len = length();
    if (range.location > len || range.length > len - range.location) {
        misuse(NSRangeException, foundation::format("-[__NSCFString %s]: Range or index out of bounds", method),
               MisuseDefault::Ignore);
        return false;
    }
    begin = unicode::byteOffsetOfUTF16Index(utf8_, range.location);
    end = unicode::byteOffsetOfUTF16Index(utf8_, range.end());
    return true;
}

void MutableString::insertString(std::string_view text, std::size_t index)
{
    replace(Range{index, 0}, text, "insertString:atIndex:");
}

void MutableString::deleteCharactersInRange(Range range)
{
    replace(range, {}, "deleteCharactersInRange:");
}

void MutableString::replaceCharactersInRange(Range range, std::string_view text)
{
    replace(range, text, "replaceCharactersInRange:withString:");
}

void MutableString::replace(Range range, std::string_view text, const char* method)
{
    std::size_t begin;
    std::size_t end;
    if (!byteRange(range, method, begin, end))
        return;
    std::string updated = utf8_.substr(0, begin);
    updated += unicode::sanitizeUTF8(text);
    updated += utf8_.substr(end);
    assign(std::move(updated));
}

std::size_t MutableString::replaceOccurrencesOfString(std::string_view target, std::string_view replacement)
{
    if (target.empty())
        return 0;
    std::size_t count = 0;
    for (std::size_t pos = utf8_.find(target); pos != std::string::npos; pos = utf8_.find(target, pos + target.size()))
        ++count;
    if (count)
        assign(stringByReplacingOccurrencesOfString(target, replacement)->utf8());
    return count;
}

} // namespace foundation
