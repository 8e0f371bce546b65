#include "Lib/ModelMapping/MMExtension.h"

#include <cctype>
#include <climits>
#include <string_view>

namespace mm {

using foundation::Ref;
using foundation::String;

namespace {

char lower(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

char upper(char c)
{
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

} // namespace

Ref<String> mm_underlineFromCamel(const Ref<String>& text)
{
    if (!text || text->utf8().empty())
        return text;
    std::string out;
    for (char c : text->utf8()) {
        char lowered = lower(c);
        if (lowered != c)
            out += '_';
        out += lowered;
    }
    return String::create(out);
}

Ref<String> mm_camelFromUnderline(const Ref<String>& text)
{
    if (!text || text->utf8().empty())
        return text;
    std::string out;
    std::string_view rest(text->utf8());
    bool first = true;
    while (true) {
        std::size_t underscore = rest.find('_');
        std::string piece(rest.substr(0, underscore));
        if (!first && !piece.empty())
            piece[0] = upper(piece[0]);
        out += piece;
        first = false;
        if (underscore == std::string_view::npos)
            break;
        rest.remove_prefix(underscore + 1);
    }
    return String::create(out);
}

Ref<String> mm_firstCharLower(const Ref<String>& text)
{
    if (!text || text->utf8().empty())
        return text;
    std::string out = text->utf8();
    out[0] = lower(out[0]);
    return String::create(out);
}

Ref<String> mm_firstCharUpper(const Ref<String>& text)
{
    if (!text || text->utf8().empty())
        return text;
    std::string out = text->utf8();
    out[0] = upper(out[0]);
    return String::create(out);
}

bool mm_isPureInt(const String& text)
{
    std::string_view s(text.utf8());
    auto skippable = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; };
    std::size_t pos = 0;
    while (pos < s.size() && skippable(s[pos]))
        ++pos;
    if (pos < s.size() && (s[pos] == '+' || s[pos] == '-'))
        ++pos;
    std::size_t digits = pos;
    long long value = 0;
    while (pos < s.size() && std::isdigit(static_cast<unsigned char>(s[pos]))) {
        if (value <= INT_MAX)
            value = value * 10 + (s[pos] - '0');
        ++pos;
    }
    if (pos == digits)
        return false;
    // Beyond 32 bits the scanner does not read an int.
    if (value > static_cast<long long>(INT_MAX) + 1)
        return false;
    while (pos < s.size() && skippable(s[pos]))
        ++pos;
    return pos == s.size();
}

Ref<foundation::URL> mm_url(const String& text)
{
    return foundation::URL::URLWithString(foundation::percentEncode(text.utf8(), "!$&'()*+,/:;=?@%#[]"));
}

} // namespace mm
