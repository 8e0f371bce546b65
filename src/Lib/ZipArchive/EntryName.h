#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zipentry {

// The text of an entry name: UTF-8 when the UTF-8 flag is set or, from hosts other than MS-DOS,
// when the bytes are valid UTF-8; code page 437 for plain ASCII from MS-DOS hosts; else the
// likeliest clean reading in the legacy encodings the client's users meet (below) and, from
// MS-DOS hosts, code page 437; else the encoding detected from the bytes, else their upper-case
// hex text.
//
// The legacy encodings are those of the client's own language (GB18030, which reads GBK) and
// those of the user's locale (Big5 for Traditional Chinese, Shift_JIS for Japanese, EUC-KR and its
// Windows extension for Korean). A clean reading has no illegal or unmapped byte sequence and no
// control, private-use or unassigned character; a GB18030 reading must also be mostly common GBK
// (GB2312's symbols and hanzi), since GB18030 reads nearly any run of high bytes, Latin-1 words
// included. The readings are weighed by how common their characters are in each encoding's
// everyday set (EntryNameWeight.h), the locale's own encodings a little ahead: the same bytes are
// often everyday text in two encodings, and then the locale's is the likelier.
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
