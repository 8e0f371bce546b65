#pragma once

#include "Platform/Foundation/Object.h"
#include "Platform/Foundation/String.h"
#include "Platform/Foundation/URL.h"

namespace mm {

// Helpers for key names and for turning text into URLs. Each returns a new value; the case helpers
// work character by character in ASCII, as key and property names are.
foundation::Ref<foundation::String> mm_underlineFromCamel(const foundation::Ref<foundation::String>& text);
foundation::Ref<foundation::String> mm_camelFromUnderline(const foundation::Ref<foundation::String>& text);
foundation::Ref<foundation::String> mm_firstCharLower(const foundation::Ref<foundation::String>& text);
foundation::Ref<foundation::String> mm_firstCharUpper(const foundation::Ref<foundation::String>& text);
// One whole 32-bit integer with an optional sign; white space and line breaks around it allowed.
bool mm_isPureInt(const foundation::String& text);
// The text with every byte outside the letters, digits and "!$&'()*+,-./:;=?@_~%#[]" percent-escaped
// (existing escapes stay intact), as a URL; nil when the result is no URL.
foundation::Ref<foundation::URL> mm_url(const foundation::String& text);

} // namespace mm
