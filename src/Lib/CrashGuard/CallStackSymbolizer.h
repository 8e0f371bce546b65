#pragma once

#include "Lib/CrashGuard/CallStack.h"

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

namespace crashguard {

// Turns return addresses of this process into frames: module, demangled function, offset, source
// file and line, with inlined functions as frames of their own. Reads the process's own symbol
// tables and DWARF debug information (libdw), loaded on first use and kept for the process;
// libraries loaded later are picked up when an address falls outside every known module.
// Addresses seen before are answered from a cache.
//
// Not thread-safe: one symbolizer belongs to one serial queue.
class CallStackSymbolizer {
public:
    CallStackSymbolizer();
    ~CallStackSymbolizer();
    CallStackSymbolizer(const CallStackSymbolizer&) = delete;
    CallStackSymbolizer& operator=(const CallStackSymbolizer&) = delete;

    std::vector<CallStackFrame> symbolize(const std::vector<std::uintptr_t>& returnAddresses);

private:
    struct Session;
    std::vector<CallStackFrame> frames(std::uintptr_t returnAddress);

    std::unique_ptr<Session> session_;
    std::unordered_map<std::uintptr_t, std::vector<CallStackFrame>> cache_;
};

} // namespace crashguard
