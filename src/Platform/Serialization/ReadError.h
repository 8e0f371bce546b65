#pragma once

#include "Platform/Foundation/Object.h"

#include <string>
#include <string_view>

namespace foundation {

class Error;

// Errors of the readers in this folder: NSCocoaErrorDomain with the platform's localized
// description of unreadable data ("The data couldn’t be read because it isn’t in the correct
// format.", or its Chinese text under a Chinese process language) and the detail in
// NSDebugDescription.
Ref<Error> makeCorruptDataError(long long code, std::string_view debugDescription);

// Whether the process language (LANGUAGE, LC_ALL, LC_MESSAGES, LANG, the first one set) is Chinese.
bool processLanguageIsChinese();

// " around line L, column C." for a byte offset into text, counting lines from 1 and columns from
// 0 in characters, as the platform's reader reports positions.
std::string textPosition(std::string_view text, std::size_t offset);

} // namespace foundation
