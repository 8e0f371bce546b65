#pragma once

#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/Object.h"
#include "Platform/Foundation/Range.h"

#include <string>
#include <string_view>
#include <vector>

namespace foundation {

class Array;
class Data;

// An immutable string. UTF-8 inside; lengths, indexes and ranges count UTF-16 code units, and no
// operation cuts a surrogate pair in two. Nothing here depends on the process locale.
class String : public Object {
public:
    static const Class* classObject(); // NSString
    const Class* isa() const override;

    static Ref<String> create(std::string_view utf8 = {}); // invalid bytes become U+FFFD
    static Ref<String> create(std::string&& utf8);          // the same, taking the bytes over
    static Ref<String> create(const char* utf8) { return create(std::string_view(utf8 ? utf8 : "")); }
    static Ref<String> create(const std::string& utf8) { return create(std::string_view(utf8)); }
    // nil when the bytes are not valid UTF-8, as the platform's UTF-8 initialiser.
    static Ref<String> createWithValidUTF8(std::string_view bytes);
    static Ref<String> createWithUTF16(std::u16string_view utf16);
    template <class... Args>
    static Ref<String> stringWithFormat(std::string_view format, const Args&... args)
    {
        return create(foundation::format(format, args...));
    }
    static const Ref<String>& empty();

    const std::string& utf8() const { return utf8_; }
    const char* UTF8String() const { return utf8_.c_str(); }
    std::size_t length() const; // UTF-16 code units
    bool isASCII() const { return ascii_; }
    char16_t characterAtIndex(std::size_t index) const; // NSRangeException past the end
    std::u16string utf16() const;

    Ref<String> substringFromIndex(std::size_t index) const;
    Ref<String> substringToIndex(std::size_t index) const;
    Ref<String> substringWithRange(Range range) const;

    Range rangeOfString(std::string_view needle, unsigned options = 0) const;
    Range rangeOfString(std::string_view needle, unsigned options, Range searchRange) const;
    bool containsString(std::string_view needle) const { return utf8_.find(needle) != std::string::npos; }
    bool hasPrefix(std::string_view prefix) const { return utf8_.starts_with(prefix); }
    bool hasSuffix(std::string_view suffix) const { return utf8_.ends_with(suffix); }
    bool isEqualToString(std::string_view other) const { return utf8_ == other; }

    ComparisonResult compare(const String& other, unsigned options = 0) const;
    ComparisonResult compare(std::string_view other, unsigned options = 0) const;
    ComparisonResult caseInsensitiveCompare(std::string_view other) const
    {
        return compare(other, CaseInsensitiveSearch);
    }

    Ref<String> stringByReplacingOccurrencesOfString(std::string_view target, std::string_view replacement) const;
    Ref<String> stringByAppendingString(std::string_view tail) const;
    Ref<String> stringByTrimmingWhitespace() const;           // spaces and tabs
    Ref<String> stringByTrimmingWhitespaceAndNewlines() const; // plus line breaks
    Ref<String> lowercaseString() const;
    Ref<String> uppercaseString() const;
    Ref<Array> componentsSeparatedByString(std::string_view separator) const;

    // Path helpers, with the platform's rules for "/" and extensions.
    Ref<String> lastPathComponent() const;
    Ref<String> pathExtension() const;
    Ref<String> stringByAppendingPathComponent(std::string_view component) const;
    Ref<String> stringByDeletingLastPathComponent() const;
    Ref<String> stringByDeletingPathExtension() const;
    Ref<String> stringByAppendingPathExtension(std::string_view extension) const;

    // The platform's scanning rules: leading white space, an optional sign, digits; anything after
    // is ignored; no digits gives 0; out of range saturates.
    int intValue() const;
    long long integerValue() const;
    long long longLongValue() const { return integerValue(); }
    double doubleValue() const;
    float floatValue() const { return static_cast<float>(doubleValue()); }
    bool boolValue() const; // "Y", "y", "T", "t" or a digit 1-9 after white space, sign and zeros

    Ref<Data> dataUsingUTF8Encoding() const;

    std::string description() const override { return utf8_; }
    std::string descriptionWithIndent(int level) const override;
    bool isEqual(const Object& other) const override;
    std::size_t hash() const override;
    Ref<Object> copy() const override;
    Ref<Object> mutableCopy() const override;

    explicit String(std::string utf8);
    // For bytes already known to be valid UTF-8, with their ASCII flag: no scan at all.
    String(std::string utf8, bool ascii)
        : utf8_(std::move(utf8))
        , ascii_(ascii)
    {
    }

protected:
    void assign(std::string utf8);
    std::string utf8_;
    bool ascii_ = true;
    mutable std::size_t utf16Length_ = SIZE_MAX; // computed on first use for non-ASCII text
};

class MutableString final : public String {
public:
    static const Class* classObject(); // NSMutableString
    const Class* isa() const override;
    static Ref<MutableString> create(std::string_view utf8 = {});

    void appendString(std::string_view tail);
    template <class... Args>
    void appendFormat(std::string_view format, const Args&... args)
    {
        appendString(foundation::format(format, args...));
    }
    void setString(std::string_view text);
    void insertString(std::string_view text, std::size_t index);
    void deleteCharactersInRange(Range range);
    void replaceCharactersInRange(Range range, std::string_view text);
    std::size_t replaceOccurrencesOfString(std::string_view target, std::string_view replacement);

    Ref<Object> copy() const override;

    explicit MutableString(std::string utf8)
        : String(std::move(utf8))
    {
    }

private:
    void replace(Range range, std::string_view text, const char* method);
    // Byte range of a UTF-16 range, after the platform's bounds check (false when out of bounds).
    bool byteRange(Range range, const char* method, std::size_t& begin, std::size_t& end) const;
};

// Text of a string for a plist-like description: quoted unless it is a plain word.
std::string quotedDescription(std::string_view text);

} // namespace foundation
