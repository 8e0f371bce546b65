#pragma once

#include "Lib/CrashGuard/CallStack.h"

#include <optional>
#include <string>
#include <string_view>

namespace crashguard {

// The class and method of a member function, as "-[Class method]" names them.
struct MethodName {
    std::string className;
    std::string method;
};

// The method a demangled function name stands for, or nullopt for a free function. Namespaces,
// template arguments, parameters, return types and clone suffixes are dropped; a lambda counts as
// the function it is written in. The qualifier right before the function's own name must be a
// class: the project names classes in UpperCamelCase and namespaces in lower case, which is what
// tells the two apart in a demangled name ("KXFoo::bar()" is a method, "desktop::open()" and
// "kx_removeFromSuperview(QWidget*)" are free functions).
std::optional<MethodName> methodOf(std::string_view demangled);

// The first component of a qualified name ("foundation" for "foundation::misuse(...)"), or "" for
// an unqualified one.
std::string outermostQualifier(std::string_view demangled);

// Whether a frame belongs to the application's own code, as the platform's main bundle does: code
// of the main executable that is not written in the platform layer (src/Platform/), in the guard
// (src/Lib/CrashGuard/) or in the headers and sources of installed libraries (/usr/...). Without
// line information the frame's outermost namespace decides (foundation, dispatch, std, ...).
bool isApplicationFrame(const CallStackFrame& frame);

// The text the error place is searched in: "-[Class method]" for a method, "" for a free function.
std::string methodText(const CallStackFrame& frame);

} // namespace crashguard
