#include "Platform/Serialization/XMLEscape.h"

namespace foundation {

void appendXMLEscaped(std::string& out, std::string_view text, bool attribute)
{
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '\r': // a reference survives the reader's line-end normalisation
            out += "&#13;";
            break;
        case '"':
            out += attribute ? "&quot;" : "\"";
            break;
        default:
            out.push_back(c);
        }
    }
}

} // namespace foundation
