#pragma once

#include <string_view>

namespace zipentry {

// The encodings whose readings of an entry name are weighed against each other.
enum class NameCharset { GB18030, Big5, ShiftJIS, Korean, CodePage437 };

// How unlikely `raw` is as a name written in `charset`, in bits: the sum over its characters of
// -log2(the share of names' characters that fall in the character's class / the size of the
// class). The classes are cut from the encoding's byte ranges: its everyday set (the first level
// of hanzi or kanji, the common hangul, kana, the accented letters of code page 437) costs little,
// rarer levels, extensions and symbols cost more, and ASCII costs what its share of such names
// makes it. Only the cost of a reading that converts cleanly means anything; bytes the encoding
// cannot hold cost as much as its rarest characters. Linear in the length; reads no byte past it.
double nameCost(NameCharset charset, std::string_view raw);

} // namespace zipentry
