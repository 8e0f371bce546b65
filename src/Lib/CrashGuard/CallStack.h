#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace crashguard {

// One frame of a symbolized call stack. A return address whose code was inlined gives several
// frames with the same address: the inlined functions first, innermost first, then the function
// that holds the code.
struct CallStackFrame {
    std::uintptr_t address = 0; // the return address as taken (the call lies just before it)
    std::string modulePath; // the executable or shared library; "" when no module holds it
    bool inMainExecutable = false;
    std::string symbol; // demangled function name with its parameters; "" when unknown
    std::uintptr_t offset = 0; // from the start of the function's symbol
    std::string sourcePath; // as the debug info names it ("./src/Class/..."); "" without it
    int line = 0;
    bool inlined = false;
};

// The return addresses of the calling thread, innermost first, without the frames of this
// function and of the `skip` callers above it. At most `limit` addresses.
std::vector<std::uintptr_t> captureReturnAddresses(std::size_t skip = 0, std::size_t limit = 128);

// The platform's line for a frame: index, module base name, address, function + offset, in
// columns ("3   corvane-fonts                       0x000055d5c0a1b2c3 KXFoo::bar() + 45"); without
// a symbol "0x0 + <address>".
std::string callStackSymbol(std::size_t index, const CallStackFrame& frame);

} // namespace crashguard
