#pragma once

#include <string>
#include <string_view>

namespace foundation {

// Finds where and why a JSON text is malformed, for the reader's error detail. The fast parser
// only says what kind of fault it met; this walk, run only after a failure, says where, in the
// platform's words: "Badly formed object around line 2, column 7." Empty when it finds no fault
// (the parser may refuse what the grammar allows, such as a number beyond the range of a double).
std::string locateJSONError(std::string_view text, std::size_t maxDepth);

} // namespace foundation
