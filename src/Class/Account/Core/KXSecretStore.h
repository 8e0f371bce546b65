#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

// Where the remembered password lives: the desktop's keyring, never a file of ours. The account
// name is the key. Every call returns at once; its completion runs on the main queue (the keyring
// may ask the user to unlock it first, which can take a while).
//
// shared() is the keyring of the Secret Service (KXLibsecretStore); tests install their own.
// Thread-safe.
class KXSecretStore {
public:
    using Done = std::function<void(bool ok)>;
    using Found = std::function<void(std::optional<std::string> password)>;

    // The item schema and its one attribute.
    static constexpr const char* kSchemaName = "com.corvane.fonts.Account";
    static constexpr const char* kAccountAttribute = "account";

    virtual ~KXSecretStore() = default;

    // `ok` is false when nothing was stored (no Secret Service, a refused unlock).
    virtual void storePassword(const std::string& account, const std::string& password, Done done) = 0;
    // nullopt when no password is stored for the account or the keyring cannot be read.
    virtual void lookupPassword(const std::string& account, Found done) = 0;
    // `ok` is true when no password is left for the account.
    virtual void clearPassword(const std::string& account, Done done) = 0;

    static std::shared_ptr<KXSecretStore> shared();
    // Installs `store` (nullptr: the default again); returns the previous one.
    static std::shared_ptr<KXSecretStore> install(std::shared_ptr<KXSecretStore> store);
};
