#include "Lib/CrashGuard/CallStack.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <execinfo.h>
#include <string_view>

namespace crashguard {

[[gnu::noinline]] std::vector<std::uintptr_t> captureReturnAddresses(std::size_t skip, std::size_t limit)
{
    // Room for this function's frame and for those of a sanitizer's wrapper around backtrace().
    constexpr std::size_t kOwnFrames = 4;
    std::vector<void*> buffer(limit + skip + kOwnFrames);
    const auto taken
        = static_cast<std::size_t>(std::max(0, backtrace(buffer.data(), static_cast<int>(buffer.size()))));
    // The caller's frame is the one this function returns to.
    const void* caller = __builtin_return_address(0);
    std::size_t first = 1;
    for (std::size_t i = 0; i < std::min(taken, kOwnFrames); ++i)
        if (buffer[i] == caller) {
            first = i;
            break;
        }
    std::vector<std::uintptr_t> addresses;
    for (std::size_t i = first + skip; i < taken && addresses.size() < limit; ++i)
        addresses.push_back(reinterpret_cast<std::uintptr_t>(buffer[i]));
    return addresses;
}

std::string callStackSymbol(std::size_t index, const CallStackFrame& frame)
{
    std::string_view module = frame.modulePath;
    if (const auto slash = module.rfind('/'); slash != std::string_view::npos)
        module.remove_prefix(slash + 1);
    if (module.empty())
        module = "???";
    std::string out;
    char head[64];
    std::snprintf(head, sizeof head, "%-4zu", index);
    out += head;
    out += module;
    // The module column is 36 wide, and never runs into the address.
    out.append(module.size() < 36 ? 36 - module.size() : 1, ' ');
    char address[32];
    std::snprintf(address, sizeof address, "0x%016" PRIxPTR " ", frame.address);
    out += address;
    // Without a symbol the platform counts the offset from address 0.
    out += frame.symbol.empty() ? "0x0" : frame.symbol;
    out += " + ";
    out += std::to_string(frame.symbol.empty() ? frame.address : frame.offset);
    return out;
}

} // namespace crashguard
