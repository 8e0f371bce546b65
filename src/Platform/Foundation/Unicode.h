#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// UTF-8 <-> UTF-16 helpers. Strings are UTF-8 inside; the platform counts in UTF-16 code units.
namespace foundation::unicode {

bool isValidUTF8(std::string_view bytes);

enum class UTF8Kind { ASCII, Valid, Invalid };
// Tells plain ASCII, other valid UTF-8 and invalid bytes apart (ASCII is checked eight bytes at
// a time).
UTF8Kind classifyUTF8(std::string_view bytes);
// Replaces every invalid sequence with U+FFFD.
std::string sanitizeUTF8(std::string_view bytes);

std::size_t utf16Length(std::string_view utf8);
std::u16string toUTF16(std::string_view utf8);
// Unpaired surrogates become U+FFFD.
std::string toUTF8(std::u16string_view utf16);
void appendCodePoint(std::string& out, char32_t cp);

// Byte offset of the UTF-16 index `index` (clamped to the end). An index that falls between the
// two halves of a surrogate pair is moved back to the pair's start, so a cut never splits it.
std::size_t byteOffsetOfUTF16Index(std::string_view utf8, std::size_t index);

// Decodes one code point at `pos` and advances it; invalid bytes decode as U+FFFD one at a time.
char32_t decodeNext(std::string_view utf8, std::size_t& pos);

// Applies the ICU transform "Any-Latin; Latin-ASCII; [:^ASCII:] Remove" in place (the
// platform's ASCII transliteration of header values); false, text unchanged, when ICU cannot
// make the transform.
bool transliterateToASCII(std::string& text);

inline bool isASCII(std::string_view bytes)
{
    for (unsigned char c : bytes)
        if (c >= 0x80)
            return false;
    return true;
}

} // namespace foundation::unicode
