#pragma once

#include "Platform/Foundation/Object.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace foundation {

class Error;
struct JSONReadingLimits;

// Text-level helpers of the JSON reader, kept apart so that tests can pin them.
namespace jsonText {

// The same text with every integer too wide for 64 bits written as a real ("1e30" stays, but
// "123456789012345678901234567890" becomes "123456789012345678901234567890.0"), so that the
// parser reads it as a double; nullopt when there is none.
std::optional<std::string> widenLongIntegers(std::string_view text);

// JSON text may come in UTF-8 (with or without a byte order mark), UTF-16 or UTF-32, told apart
// by a byte order mark or by the pattern of zero bytes at the start. Returns the text as UTF-8
// without a mark (`converted` holds it when it had to be made), or nullopt when the text does not
// decode.
std::optional<std::string_view> normaliseEncoding(std::string_view text, std::string& converted);

// What of `limits` the text passes, said for the error's debug description ("JSON text nests
// deeper than 64 levels."), or nullopt when it passes none. One pass over the text, without
// allocating, that stops at the first limit passed. Counts as JSONReadingLimits describes them for a
// well-formed text; a malformed one is refused either here or by the parser.
std::optional<std::string> passedLimit(std::string_view text, const JSONReadingLimits& limits);

} // namespace jsonText

// Parses one JSON text into Foundation values (see JSONSerialization.h for the rules).
Id readJSON(std::string_view text, unsigned options, Ref<Error>* error);
Id readJSON(std::string_view text, unsigned options, const JSONReadingLimits& limits, Ref<Error>* error);
// The same for the text of a file (see JSONSerialization::JSONObjectWithContentsOfFile).
Id readJSONFile(const std::filesystem::path& path, std::uintmax_t maxLength, unsigned options, Ref<Error>* error);

} // namespace foundation
