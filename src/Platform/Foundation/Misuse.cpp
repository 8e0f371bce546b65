#include "Platform/Foundation/Misuse.h"

#include "Platform/Foundation/Object.h"

#include <cstdio>
#include <memory>
#include <mutex>
#include <utility>

namespace foundation {

Exception::Exception(std::string name, std::string reason)
    : name_(std::move(name))
    , reason_(std::move(reason))
    , what_(name_ + ": " + reason_)
{
}

namespace {

// The installed guard; `legacy` is kept only to hand a MisuseGuard back as it was given.
struct InstalledGuard {
    MisuseHandler handler;
    MisuseGuard legacy;
};

std::mutex& guardMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<const InstalledGuard>& guardSlot()
{
    static std::shared_ptr<const InstalledGuard> slot;
    return slot;
}

std::shared_ptr<const InstalledGuard> install(std::shared_ptr<const InstalledGuard> guard)
{
    std::lock_guard lock(guardMutex());
    return std::exchange(guardSlot(), std::move(guard));
}

std::shared_ptr<const InstalledGuard> installedGuard()
{
    std::lock_guard lock(guardMutex());
    return guardSlot();
}

// True when a guard took the misuse over.
bool deliver(const MisuseReport& report)
{
    auto guard = installedGuard();
    return guard && guard->handler(report);
}

// The MisuseGuard that setMisuseGuard hands back for a MisuseHandler. Installed again with
// setMisuseGuard, it puts the handler itself back: what the misuse is to do instead, the
// receiver's class and the handler's right to decline all survive the round trip.
struct HandlerAsGuard {
    MisuseHandler handler;
    void operator()(const std::string& name, const std::string& reason) const
    {
        handler(MisuseReport { name, reason });
    }
};

} // namespace

MisuseHandler setMisuseHandler(MisuseHandler handler)
{
    auto previous
        = install(handler ? std::make_shared<const InstalledGuard>(InstalledGuard { std::move(handler), {} })
                          : nullptr);
    return previous ? previous->handler : MisuseHandler {};
}

MisuseGuard setMisuseGuard(MisuseGuard guard)
{
    std::shared_ptr<const InstalledGuard> next;
    if (const auto* handedBack = guard.target<HandlerAsGuard>()) {
        next = std::make_shared<const InstalledGuard>(InstalledGuard { handedBack->handler, {} });
    } else if (guard) {
        MisuseHandler handler = [guard](const MisuseReport& report) {
            guard(std::string(report.name), std::string(report.reason));
            return true;
        };
        next
            = std::make_shared<const InstalledGuard>(InstalledGuard { std::move(handler), std::move(guard) });
    }
    auto previous = install(std::move(next));
    if (!previous)
        return {};
    if (previous->legacy)
        return previous->legacy;
    return HandlerAsGuard { previous->handler };
}

bool misuseGuardInstalled()
{
    return installedGuard() != nullptr;
}

void misuse(std::string_view name, std::string reason, MisuseDefault instead)
{
    if (!deliver(MisuseReport { name, reason, instead }))
        throw Exception(std::string(name), std::move(reason));
}

bool reportMisuse(std::string_view name, std::string reason, MisuseDefault instead)
{
    return deliver(MisuseReport { name, reason, instead });
}

void unrecognizedSelector(const Object& receiver, std::string_view selector)
{
    char address[32];
    std::snprintf(address, sizeof address, "%p", static_cast<const void*>(&receiver));
    std::string reason = "-[" + receiver.isa()->name() + " " + std::string(selector)
        + "]: unrecognized selector sent to instance " + address;
    if (!deliver(MisuseReport { NSInvalidArgumentException, reason, MisuseDefault::Ignore, receiver.isa() }))
        throw Exception(std::string(NSInvalidArgumentException), std::move(reason));
}

} // namespace foundation
