#include "Class/Account/Core/KXSecretStore.h"

#include "Class/Account/Core/KXLibsecretStore.h"

#include <mutex>
#include <utility>

namespace {

std::mutex& sharedMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<KXSecretStore>& sharedSlot()
{
    static std::shared_ptr<KXSecretStore> store;
    return store;
}

} // namespace

std::shared_ptr<KXSecretStore> KXSecretStore::shared()
{
    std::lock_guard lock(sharedMutex());
    auto& slot = sharedSlot();
    if (!slot)
        slot = std::make_shared<KXLibsecretStore>();
    return slot;
}

std::shared_ptr<KXSecretStore> KXSecretStore::install(std::shared_ptr<KXSecretStore> store)
{
    std::lock_guard lock(sharedMutex());
    return std::exchange(sharedSlot(), std::move(store));
}
