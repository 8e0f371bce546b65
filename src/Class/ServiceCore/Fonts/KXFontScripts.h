#pragma once

#include <optional>
#include <string>
#include <string_view>

// The script texts with which the font engine hands a font to a design or office application.
// Each builder takes names that are already literal-safe (see the quoting helpers below): the
// builders paste them between quotes as they are.
namespace kxfontscripts {

// A name made safe for a double-quoted AppleScript string: backslash and quote escaped. nullopt
// when the name holds a control character other than the tab, which no font name has reason to.
std::optional<std::string> appleScriptLiteral(std::string_view name);
// The same for a single-quoted JavaScript string.
std::optional<std::string> javaScriptLiteral(std::string_view name);

std::string wordScript(std::string_view fontName);
std::string powerPointScript(std::string_view fontName);
std::string illustratorScript(std::string_view fontName);
// `applicationName` is the window owner name of the front application.
std::string photoshopScript(std::string_view applicationName, std::string_view fontName);
// `fontName` is family, tab, subfamily.
std::string inDesignScript(std::string_view applicationName, std::string_view fontName);

// The plug-in command that sets the selected layers' font to the PostScript name `fontName`.
std::string sketchPluginScript(std::string_view fontName);
// The menu click that runs the plug-in; `chinese` for the Chinese menu names.
std::string sketchMenuScript(bool chinese);

} // namespace kxfontscripts
