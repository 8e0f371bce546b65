#include "Lib/ScriptBridge/WebScriptBridgeText.h"

namespace wsb {

std::string escapeForSingleQuotedScript(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 8 + 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\'':
            out += "\\'";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\f':
            out += "\\f";
            break;
        default:
            // U+2028 and U+2029 are E2 80 A8 and E2 80 A9 in UTF-8.
            if (c == '\xE2' && i + 2 < text.size() && text[i + 1] == '\x80'
                && (text[i + 2] == '\xA8' || text[i + 2] == '\xA9')) {
                out += text[i + 2] == '\xA8' ? "\\u2028" : "\\u2029";
                i += 2;
            } else {
                out += c;
            }
        }
    }
    return out;
}

namespace {

// The code unit of the escape "\uXXXX" at `pos` (pointing at the backslash), or -1.
int escapedUnitAt(std::string_view json, std::size_t pos)
{
    if (pos + 6 > json.size() || json[pos] != '\\' || json[pos + 1] != 'u')
        return -1;
    int value = 0;
    for (std::size_t i = pos + 2; i < pos + 6; ++i) {
        char c = json[i];
        int digit = 0;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return -1;
        value = value * 16 + digit;
    }
    return value;
}

bool isHighSurrogate(int unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(int unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

} // namespace

std::optional<std::string> replaceLoneSurrogateEscapes(std::string_view json)
{
    std::optional<std::string> out;
    std::size_t copied = 0;
    bool inString = false;
    for (std::size_t i = 0; i < json.size(); ++i) {
        char c = json[i];
        if (!inString) {
            inString = c == '"';
            continue;
        }
        if (c == '"') {
            inString = false;
            continue;
        }
        if (c != '\\')
            continue;
        int unit = escapedUnitAt(json, i);
        if (unit < 0) {
            ++i; // a two-character escape, or a malformed one the parser will refuse
            continue;
        }
        if (isHighSurrogate(unit) && isLowSurrogate(escapedUnitAt(json, i + 6))) {
            i += 11;
            continue;
        }
        if (isHighSurrogate(unit) || isLowSurrogate(unit)) {
            if (!out)
                out.emplace().reserve(json.size());
            out->append(json.substr(copied, i - copied));
            out->append("\\ufffd");
            copied = i + 6;
        }
        i += 5;
    }
    if (out)
        out->append(json.substr(copied));
    return out;
}

} // namespace wsb
