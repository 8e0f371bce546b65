#include "Class/ServiceCore/Fonts/KXFontScripts.h"

#include <initializer_list>
#include <vector>

namespace kxfontscripts {
namespace {

constexpr std::size_t kScriptIndent = 21;

// The lines joined by `separator`, each indented by its entry of `indents`.
std::string join(std::initializer_list<std::string_view> lines, std::string_view separator,
                 const std::vector<std::size_t>& indents)
{
    std::string out;
    std::size_t index = 0;
    for (auto line : lines) {
        if (index > 0)
            out += separator;
        out.append(indents[index], ' ');
        out += line;
        ++index;
    }
    return out;
}

std::vector<std::size_t> standardIndents(std::size_t lineCount, std::size_t indent = kScriptIndent)
{
    std::vector<std::size_t> indents(lineCount, indent);
    indents.front() = 0;
    return indents;
}

// Fills each "%@" of `text` with the next of `values`.
std::string fill(const std::string& text, std::initializer_list<std::string_view> values)
{
    std::string out;
    auto value = values.begin();
    std::size_t start = 0;
    while (true) {
        const auto at = text.find("%@", start);
        if (at == std::string::npos || value == values.end()) {
            out.append(text, start, std::string::npos);
            return out;
        }
        out.append(text, start, at - start);
        out += *value++;
        start = at + 2;
    }
}

std::optional<std::string> quote(std::string_view name, char quoteChar)
{
    std::string out;
    out.reserve(name.size());
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\t') || byte == 0x7F)
            return std::nullopt;
        if (c == '\\' || c == quoteChar)
            out += '\\';
        out += c;
    }
    return out;
}

} // namespace

std::optional<std::string> appleScriptLiteral(std::string_view name)
{
    return quote(name, '"');
}

std::optional<std::string> javaScriptLiteral(std::string_view name)
{
    return quote(name, '\'');
}

std::string wordScript(std::string_view fontName)
{
    const auto text = join({"tell application \"Microsoft Word\"",
                            "set txtobj to text object of selection",
                            "set name of font object of txtobj to \"%@\"",
                            "end tell"},
                           "\n", standardIndents(4));
    return fill(text, {fontName});
}

std::string powerPointScript(std::string_view fontName)
{
    const auto text = join({"tell application \"Microsoft PowerPoint\"",
                            "tell active window",
                            "set fontobj to font of text range of selection of it",
                            "set east asian name of fontobj to \"%@\"",
                            "set font name of fontobj to \"%@\"",
                            "end tell",
                            "end tell"},
                           "\n", standardIndents(7));
    return fill(text, {fontName, fontName});
}

std::string illustratorScript(std::string_view fontName)
{
    const auto text = join({"tell application \"Adobe Illustrator\" to activate",
                            "tell application \"Adobe Illustrator\"",
                            "set textFonts to text fonts of application \"Adobe Illustrator\"",
                            "repeat with textFont in textFonts",
                            "set myTextFont to textFont",
                            "if name of textFont = \"%@\" then",
                            "exit repeat",
                            "end if",
                            "end repeat",
                            "set textFrames to text frames of current document",
                            "repeat with textFrame in textFrames",
                            "set textRanges to selection of textFrame",
                            "repeat with textRange in textRanges",
                            "set text font of textRange to myTextFont",
                            "end repeat",
                            "end repeat",
                            "end tell"},
                           "\n", standardIndents(17));
    return fill(text, {fontName});
}

std::string photoshopScript(std::string_view applicationName, std::string_view fontName)
{
    const auto text = join({"tell application \"%@\" to activate",
                            "tell application \"%@\"",
                            "set currentLayer to current layer of current document",
                            "if kind of currentLayer is text layer then",
                            "set textItem to text object of currentLayer",
                            "set font of textItem to \"%@\"",
                            "end if",
                            "end tell"},
                           "\n", standardIndents(8));
    return fill(text, {applicationName, applicationName, fontName});
}

std::string inDesignScript(std::string_view applicationName, std::string_view fontName)
{
    const auto text = join({"tell application \"%@\"",
                            "activate",
                            "set fontList to fonts of application \"%@\"",
                            "repeat with theFont in fontList",
                            "set myFont to theFont",
                            "if name of theFont = \"%@\" then",
                            "exit repeat",
                            "end if",
                            "end repeat",
                            "set theSelection to selection of application \"%@\"",
                            "repeat with sel in theSelection",
                            "set applied font of every character of sel to myFont",
                            "end repeat",
                            "end tell"},
                           "\r\n", {0, 2, 4, 4, 8, 8, 12, 8, 4, 4, 4, 8, 4, 1});
    return fill(text, {applicationName, applicationName, fontName, applicationName});
}

std::string sketchPluginScript(std::string_view fontName)
{
    const auto text = join({"var onRun = function(context) {",
                            "var selectedLayer = context.selection;",
                            "var selectedCount = selectedLayer.count();",
                            "if (selectedCount == 0) {",
                            "log('No layers are selected.');",
                            "} else {",
                            "log('Selected layers:');",
                            "for (var i = 0; i < selectedCount; i++) {",
                            "var layer = selectedLayer[i];",
                            "log(layer.font());",
                            "var myfont = [NSFont fontWithName:@'%@' size:layer.font().pointSize()];",
                            "[layer setFont: myfont];",
                            "}",
                            "}",
                            "};"},
                           "\r\n", std::vector<std::size_t>(15, 0));
    return fill(text, {fontName});
}

std::string sketchMenuScript(bool chinese)
{
    if (chinese) {
        return join({"tell application \"Sketch\" to activate",
                     "tell application \"System Events\"",
                     "tell menu bar item \"插件\" of menu bar 1 of process \"Sketch\"",
                     "tell menu item \"HolliskFont\" of menu 1",
                     "tell menu item of menu 1",
                     "click",
                     "end tell",
                     "end tell",
                     "end tell",
                     "end tell"},
                    "\n", standardIndents(10, 8));
    }
    return join({"tell application \"Sketch\" to activate",
                 "tell application \"System Events\" to tell process \"Sketch\"",
                 "set FirItem to menu bar item \"Plugins\" of menu bar 1",
                 "set secItem to menu item \"HolliskFont\" of menu 1 of FirItem",
                 "set thrItem to menu item \"HolliskFont\" of menu 1 of secItem",
                 "click thrItem",
                 "end tell"},
                "\n", standardIndents(7, 4));
}

} // namespace kxfontscripts
