#pragma once

#include <iconv.h>

#include <string>

namespace testsupport {

// `text` (UTF-8) in a legacy encoding ("GBK", "BIG5", "SHIFT_JIS", ...), by the C library's
// converter, so that a test's bytes do not come from the converter under test. Empty when the
// text cannot be written in that encoding.
inline std::string legacyEncoded(const std::string& text, const char* charset)
{
    iconv_t converter = iconv_open(charset, "UTF-8");
    if (converter == reinterpret_cast<iconv_t>(-1))
        return {};
    std::string in = text;
    std::string out(text.size() * 4, '\0');
    char* from = in.data();
    char* to = out.data();
    std::size_t inLeft = in.size();
    std::size_t outLeft = out.size();
    const bool done = iconv(converter, &from, &inLeft, &to, &outLeft) != static_cast<std::size_t>(-1);
    iconv_close(converter);
    return done ? out.substr(0, out.size() - outLeft) : std::string();
}

} // namespace testsupport
