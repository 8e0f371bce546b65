#include "Platform/Foundation/Misuse.h"

#include "Platform/Foundation/Object.h"

#include <cstdio>
#include <memory>
#include <mutex>

namespace foundation {

Exception::Exception(std::string name, std::string reason)
    : name_(std::move(name))
    , reason_(std::move(reason))
    , what_(name_ + ": " + reason_)
{
}

namespace {

std::mutex& guardMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<const MisuseGuard>& guardSlot()
{
    static std::shared_ptr<const MisuseGuard> slot;
    return slot;
}

} // namespace

MisuseGuard setMisuseGuard(MisuseGuard guard)
{
    std::lock_guard lock(guardMutex());
    auto previous = guardSlot();
    guardSlot() = guard ? std::make_shared<const MisuseGuard>(std::move(guard)) : nullptr;
    return previous ? *previous : MisuseGuard{};
}

bool misuseGuardInstalled()
{
    std::lock_guard lock(guardMutex());
    return guardSlot() != nullptr;
}

void misuse(std::string_view name, std::string reason)
{
    std::shared_ptr<const MisuseGuard> guard;
    {
        std::lock_guard lock(guardMutex());
        guard = guardSlot();
    }
    if (!guard)
        throw Exception(std::string(name), std::move(reason));
    (*guard)(std::string(name), reason);
}

void unrecognizedSelector(const Object& receiver, std::string_view selector)
{
    char address[32];
    std::snprintf(address, sizeof address, "%p", static_cast<const void*>(&receiver));
    misuse(NSInvalidArgumentException,
        "-[" + receiver.isa()->name() + " " + std::string(selector) + "]: unrecognized selector sent to instance "
            + address);
}

} // namespace foundation
