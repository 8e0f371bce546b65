#include "Platform/Dispatch/Lock.h"

#include <chrono>

namespace dispatch {

bool Lock::lockBeforeTimeout(double timeoutSeconds)
{
    if (!(timeoutSeconds > 0))
        return mutex_.try_lock();
    return mutex_.try_lock_for(std::chrono::duration<double>(timeoutSeconds));
}

} // namespace dispatch
