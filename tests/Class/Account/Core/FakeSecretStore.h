#pragma once

#include "Class/Account/Core/KXSecretStore.h"

#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace accounttest {

// A keyring in memory that answers on the main queue like the real one; setAvailable(false)
// stands for a desktop without a Secret Service.
class FakeSecretStore final : public KXSecretStore {
public:
    void storePassword(const std::string& account, const std::string& password, Done done) override;
    void lookupPassword(const std::string& account, Found done) override;
    void clearPassword(const std::string& account, Done done) override;

    void setAvailable(bool available);
    std::optional<std::string> passwordFor(const std::string& account) const;

private:
    mutable std::mutex mutex_;
    bool available_ = true;
    std::map<std::string, std::string> passwords_;
};

// Whether any regular file below `root` holds `needle`'s bytes.
bool anyFileContains(const std::filesystem::path& root, const std::string& needle);

} // namespace accounttest
