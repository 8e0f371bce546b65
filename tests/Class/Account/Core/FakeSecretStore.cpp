#include "FakeSecretStore.h"

#include "Platform/Dispatch/Queue.h"

#include <fstream>
#include <iterator>

namespace accounttest {

void FakeSecretStore::storePassword(const std::string& account, const std::string& password, Done done)
{
    bool ok = false;
    {
        std::lock_guard lock(mutex_);
        if (available_) {
            passwords_[account] = password;
            ok = true;
        }
    }
    dispatch::mainQueue().async([done, ok] {
        if (done)
            done(ok);
    });
}

void FakeSecretStore::lookupPassword(const std::string& account, Found done)
{
    const auto password = passwordFor(account);
    dispatch::mainQueue().async([done, password] {
        if (done)
            done(password);
    });
}

void FakeSecretStore::clearPassword(const std::string& account, Done done)
{
    bool ok = false;
    {
        std::lock_guard lock(mutex_);
        if (available_) {
            passwords_.erase(account);
            ok = true;
        }
    }
    dispatch::mainQueue().async([done, ok] {
        if (done)
            done(ok);
    });
}

void FakeSecretStore::setAvailable(bool available)
{
    std::lock_guard lock(mutex_);
    available_ = available;
}

std::optional<std::string> FakeSecretStore::passwordFor(const std::string& account) const
{
    std::lock_guard lock(mutex_);
    if (!available_)
        return std::nullopt;
    const auto found = passwords_.find(account);
    return found == passwords_.end() ? std::nullopt : std::optional<std::string>(found->second);
}

bool anyFileContains(const std::filesystem::path& root, const std::string& needle)
{
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(root, std::filesystem::directory_options::skip_permission_denied, error);
         it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        if (error)
            break;
        if (!it->is_regular_file(error))
            continue;
        std::ifstream in(it->path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (bytes.find(needle) != std::string::npos)
            return true;
    }
    return false;
}

} // namespace accounttest
