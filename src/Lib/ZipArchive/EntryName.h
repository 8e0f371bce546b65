#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zipentry {

// The text of an entry name: code page 437 for names written on MS-DOS hosts without the UTF-8
// flag, else UTF-8, else the legacy encodings the client's users meet (below), else the encoding
// detected from the bytes, else their upper-case hex text.
//
// The legacy encodings are those of the client's own language (GB18030, which reads GBK) and
// those of the user's locale (Big5 for Traditional Chinese, Shift_JIS for Japanese, EUC-KR and its
// Windows extension for Korean); the first that reads the bytes cleanly wins. A clean reading has
// no illegal or unmapped byte sequence and no control, private-use or unassigned character; a
// GB18030 reading must also be mostly common GBK (GB2312's symbols and hanzi), since GB18030 reads
// nearly any run of high bytes, Latin-1 words included. For the same reason a locale whose own
// double-byte encoding GB18030 would swallow has that encoding tried first; everywhere else
// GB18030 comes first.
//
// `locale` is a POSIX locale name ("zh_TW.UTF-8", "ja_JP"); the three-argument form takes the
// user's (userLocale()).
std::string decodeName(std::string_view raw, std::uint16_t versionMadeBy, std::uint16_t flag);
std::string decodeName(std::string_view raw, std::uint16_t versionMadeBy, std::uint16_t flag, std::string_view locale);

// The user's locale for character types: LC_ALL, else LC_CTYPE, else LANG; empty when none is set.
std::string userLocale();

// Upper-case hexadecimal text of the bytes, two digits per byte.
std::string hexString(std::string_view bytes);

} // namespace zipentry
