#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zipentry {

// The text of an entry name: code page 437 for names written on MS-DOS hosts without the UTF-8
// flag, else UTF-8, else the encoding detected from the bytes, else their upper-case hex text.
std::string decodeName(std::string_view raw, std::uint16_t versionMadeBy, std::uint16_t flag);

// Upper-case hexadecimal text of the bytes, two digits per byte.
std::string hexString(std::string_view bytes);

} // namespace zipentry
