#include "Platform/Foundation/Unicode.h"

#include <unicode/translit.h>
#include <unicode/unistr.h>

#include <cstdint>
#include <cstring>
#include <memory>

namespace foundation::unicode {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Length of the valid sequence at pos, or 0 when the bytes there are not valid UTF-8.
std::size_t validSequenceLength(std::string_view s, std::size_t pos, char32_t* out)
{
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    unsigned char c = byte(pos);
    std::size_t remaining = s.size() - pos;
    if (c < 0x80) {
        *out = c;
        return 1;
    }
    auto cont = [&](std::size_t i) { return pos + i < s.size() && (byte(pos + i) & 0xC0) == 0x80; };
    if (c >= 0xC2 && c <= 0xDF) {
        if (remaining < 2 || !cont(1))
            return 0;
        *out = (char32_t(c & 0x1F) << 6) | (byte(pos + 1) & 0x3F);
        return 2;
    }
    if (c >= 0xE0 && c <= 0xEF) {
        if (remaining < 3 || !cont(1) || !cont(2))
            return 0;
        char32_t cp = (char32_t(c & 0x0F) << 12) | (char32_t(byte(pos + 1) & 0x3F) << 6) | (byte(pos + 2) & 0x3F);
        if (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))
            return 0;
        *out = cp;
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        if (remaining < 4 || !cont(1) || !cont(2) || !cont(3))
            return 0;
        char32_t cp = (char32_t(c & 0x07) << 18) | (char32_t(byte(pos + 1) & 0x3F) << 12) |
                      (char32_t(byte(pos + 2) & 0x3F) << 6) | (byte(pos + 3) & 0x3F);
        if (cp < 0x10000 || cp > 0x10FFFF)
            return 0;
        *out = cp;
        return 4;
    }
    return 0;
}

} // namespace

bool isValidUTF8(std::string_view bytes)
{
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        if (static_cast<unsigned char>(bytes[pos]) < 0x80) {
            ++pos;
            continue;
        }
        char32_t cp;
        std::size_t len = validSequenceLength(bytes, pos, &cp);
        if (len == 0)
            return false;
        pos += len;
    }
    return true;
}

UTF8Kind classifyUTF8(std::string_view bytes)
{
    const std::size_t size = bytes.size();
    const char* data = bytes.data();
    const auto load = [data](std::size_t at) {
        std::uint64_t word;
        std::memcpy(&word, data + at, sizeof word);
        return word;
    };
    constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
    // Most texts are plain ASCII: one pass of OR-ed words (the last one overlapping the one before)
    // answers them without a branch per word.
    if (size >= 8) {
        std::uint64_t seen = load(size - 8);
        std::size_t pos = 0;
        for (; pos + 32 <= size; pos += 32)
            seen |= load(pos) | load(pos + 8) | load(pos + 16) | load(pos + 24);
        for (; pos + 8 <= size; pos += 8)
            seen |= load(pos);
        if (!(seen & kHighBits))
            return UTF8Kind::ASCII;
    } else {
        unsigned char seen = 0;
        for (std::size_t pos = 0; pos < size; ++pos)
            seen |= static_cast<unsigned char>(data[pos]);
        if (seen < 0x80)
            return UTF8Kind::ASCII;
    }
    // Skip the ASCII prefix a word at a time, then check the rest sequence by sequence.
    std::size_t pos = 0;
    while (pos + 8 <= size && !(load(pos) & kHighBits))
        pos += 8;
    return isValidUTF8(bytes.substr(pos)) ? UTF8Kind::Valid : UTF8Kind::Invalid;
}

char32_t decodeNext(std::string_view utf8, std::size_t& pos)
{
    char32_t cp;
    std::size_t len = validSequenceLength(utf8, pos, &cp);
    if (len == 0) {
        ++pos;
        return kReplacement;
    }
    pos += len;
    return cp;
}

void appendCodePoint(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::string sanitizeUTF8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    std::size_t pos = 0;
    while (pos < bytes.size())
        appendCodePoint(out, decodeNext(bytes, pos));
    return out;
}

std::size_t utf16Length(std::string_view utf8)
{
    std::size_t length = 0;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        if (static_cast<unsigned char>(utf8[pos]) < 0x80) {
            ++pos;
            ++length;
            continue;
        }
        char32_t cp = decodeNext(utf8, pos);
        length += cp >= 0x10000 ? 2 : 1;
    }
    return length;
}

std::u16string toUTF16(std::string_view utf8)
{
    std::u16string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        char32_t cp = decodeNext(utf8, pos);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

std::string toUTF8(std::u16string_view utf16)
{
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t unit = utf16[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            char32_t cp = 0x10000 + ((unit - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            appendCodePoint(out, cp);
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            appendCodePoint(out, kReplacement);
        } else {
            appendCodePoint(out, unit);
        }
    }
    return out;
}

std::size_t byteOffsetOfUTF16Index(std::string_view utf8, std::size_t index)
{
    std::size_t units = 0;
    std::size_t pos = 0;
    while (pos < utf8.size() && units < index) {
        std::size_t start = pos;
        char32_t cp = decodeNext(utf8, pos);
        std::size_t width = cp >= 0x10000 ? 2 : 1;
        if (units + width > index)
            return start; // inside a surrogate pair: keep the pair whole
        units += width;
    }
    return pos;
}

bool transliterateToASCII(std::string& text)
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Transliterator> transform(icu::Transliterator::createInstance(
        icu::UnicodeString::fromUTF8("Any-Latin; Latin-ASCII; [:^ASCII:] Remove"), UTRANS_FORWARD, status));
    if (U_FAILURE(status) || !transform)
        return false;
    icu::UnicodeString unicode = icu::UnicodeString::fromUTF8(text);
    transform->transliterate(unicode);
    std::string result;
    unicode.toUTF8String(result);
    text = std::move(result);
    return true;
}

} // namespace foundation::unicode
