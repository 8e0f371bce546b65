#include "Lib/CrashGuard/CallStackMethod.h"

#include <array>
#include <cctype>
#include <vector>

namespace crashguard {

namespace {

constexpr std::string_view kOperator = "operator";

// Namespaces of the platform layer, the guard and the libraries under it.
constexpr std::array<std::string_view, 20> kPlatformNamespaces = {
    "foundation",
    "dispatch",
    "runtime",
    "net",
    "autolayout",
    "crypto",
    "desktop",
    "fonts",
    "security",
    "json",
    "plist",
    "dom",
    "crashguard",
    "std",
    "__gnu_cxx",
    "__cxxabiv1",
    "testing",
    "benchmark",
    "QtPrivate",
    "Qt",
};

// Folders whose code is the platform's, not the application's.
constexpr std::array<std::string_view, 2> kPlatformFolders = { "src/Platform/", "src/Lib/CrashGuard/" };

bool opens(char c)
{
    return c == '<' || c == '(' || c == '{' || c == '[';
}

bool closes(char c)
{
    return c == '>' || c == ')' || c == '}' || c == ']';
}

bool isIdentifierCharacter(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// "operator" as a word at `at` ("operator()", "operator new"), not inside an identifier.
bool startsOperator(std::string_view text, std::size_t at)
{
    if (!text.substr(at).starts_with(kOperator) || (at > 0 && isIdentifierCharacter(text[at - 1])))
        return false;
    const std::size_t after = at + kOperator.size();
    return after == text.size() || !isIdentifierCharacter(text[after]);
}

// The first `token` outside any brackets, or npos.
std::size_t findTopLevel(std::string_view text, std::string_view token)
{
    int depth = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (depth == 0 && text.substr(i).starts_with(token))
            return i;
        if (startsOperator(text, i))
            return std::string_view::npos; // nothing but the operator's own name follows
        if (opens(text[i]))
            ++depth;
        else if (closes(text[i]) && depth > 0)
            --depth;
    }
    return std::string_view::npos;
}

std::string withoutBracketed(std::string_view text, std::string_view opening)
{
    std::string out(text);
    if (text.find('[') == std::string_view::npos)
        return out;
    for (std::size_t at = out.find(opening); at != std::string::npos; at = out.find(opening, at)) {
        const std::size_t end = out.find(']', at);
        if (end == std::string::npos)
            break;
        out.erase(at, end + 1 - at);
    }
    return out;
}

// The name of a function without its parameters, qualifiers after them and return type.
std::string_view functionPath(std::string_view function)
{
    for (bool trimmed = true; trimmed;) {
        trimmed = false;
        while (!function.empty() && function.back() == ' ')
            function.remove_suffix(1);
        for (std::string_view suffix : { " const", " volatile", " &&", " &", " noexcept" })
            if (function.ends_with(suffix)) {
                function.remove_suffix(suffix.size());
                trimmed = true;
            }
    }
    if (!function.ends_with(')'))
        return {};
    int depth = 0;
    std::size_t open = std::string_view::npos;
    for (std::size_t i = function.size(); i-- > 0;) {
        if (function[i] == ')')
            ++depth;
        else if (function[i] == '(' && --depth == 0) {
            open = i;
            break;
        }
    }
    return open == std::string_view::npos ? std::string_view {} : function.substr(0, open);
}

// The components of a qualified name ("a::B<int>::c"), after any return type.
std::vector<std::string_view> components(std::string_view path)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    int depth = 0;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (i == start && startsOperator(path, i))
            break;
        const char c = path[i];
        if (opens(c))
            ++depth;
        else if (closes(c) && depth > 0)
            --depth;
        else if (depth == 0 && c == ' ') {
            parts.clear(); // what came before was the return type
            start = i + 1;
        } else if (depth == 0 && c == ':' && i + 1 < path.size() && path[i + 1] == ':') {
            parts.push_back(path.substr(start, i - start));
            start = ++i + 1;
        }
    }
    parts.push_back(path.substr(start));
    return parts;
}

// The components of a function's qualified name, a lambda counting as the function around it.
// The views point into `function`.
std::vector<std::string_view> qualifiedParts(std::string_view function)
{
    // The demangler writes "::{lambda(...)#1}", the debug information "::<lambda(...)>" or, for a
    // closure type it leaves unnamed, "::{unnamed type}".
    for (std::string_view marker : { "::{lambda(", "::<lambda(", "::{unnamed type}" }) {
        if (function.find(marker) == std::string_view::npos)
            continue; // the usual case, found without the bracket-aware walk
        if (const std::size_t lambda = findTopLevel(function, marker); lambda != std::string_view::npos)
            function = function.substr(0, lambda);
    }
    const std::string_view path = functionPath(function);
    return components(path.empty() ? function : path);
}

std::string plainName(std::string_view demangled)
{
    if (demangled.find('[') == std::string_view::npos)
        return std::string(demangled);
    return withoutBracketed(withoutBracketed(demangled, " [clone "), "[abi:");
}

std::string_view withoutTemplateArguments(std::string_view name)
{
    if (name.starts_with(kOperator))
        return name;
    return name.substr(0, name.find('<'));
}

bool isPlatformSource(std::string_view path)
{
    if (path.starts_with("/usr/"))
        return true;
    for (std::string_view folder : kPlatformFolders)
        for (std::size_t at = path.find(folder); at != std::string_view::npos; at = path.find(folder, at + 1))
            if (at == 0 || path[at - 1] == '/')
                return true;
    return false;
}

} // namespace

std::optional<MethodName> methodOf(std::string_view demangled)
{
    const std::string plain = plainName(demangled);
    const std::vector<std::string_view> parts = qualifiedParts(plain);
    if (parts.size() < 2)
        return std::nullopt;
    const std::string_view className = withoutTemplateArguments(parts[parts.size() - 2]);
    const std::string_view method = withoutTemplateArguments(parts.back());
    if (className.empty() || method.empty() || !std::isupper(static_cast<unsigned char>(className.front())))
        return std::nullopt;
    return MethodName { std::string(className), std::string(method) };
}

std::string outermostQualifier(std::string_view demangled)
{
    const std::string plain = plainName(demangled);
    const std::vector<std::string_view> parts = qualifiedParts(plain);
    return parts.size() < 2 ? std::string() : std::string(parts.front());
}

bool isApplicationFrame(const CallStackFrame& frame)
{
    if (!frame.inMainExecutable)
        return false;
    if (!frame.sourcePath.empty())
        return !isPlatformSource(frame.sourcePath);
    const std::string outermost = outermostQualifier(frame.symbol);
    for (std::string_view name : kPlatformNamespaces)
        if (outermost == name)
            return false;
    // The guard's own class lives outside any namespace.
    return !frame.symbol.starts_with("CrashGuard::");
}

std::string methodText(const CallStackFrame& frame)
{
    if (auto method = methodOf(frame.symbol))
        return "-[" + method->className + " " + method->method + "]";
    return {};
}

} // namespace crashguard
