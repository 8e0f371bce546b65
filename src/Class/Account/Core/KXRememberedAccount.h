#pragma once

#include "Class/Account/Core/KXSecretStore.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

// The account the sign-in panel remembers: the account name in the small state file
// "accountInfo" (a keyed archive holding {"account"} only) and its password in the desktop
// keyring (KXSecretStore). The password is never written to a file of ours. Without a Secret
// Service only the account name is remembered.
//
// An "accountInfo" written by a former version holds the password in clear text ("pwd"): the
// first load rewrites the file without it and moves the password into the keyring (or, without
// one, drops it).
//
// Files are read and written at once on the calling thread; keyring results come on the main
// queue. Main thread only.
class KXRememberedAccount {
public:
    static constexpr const char* kArchiveKey = "accountInfo";

    using Loaded = std::function<void(const std::string& account, const std::optional<std::string>& password)>;
    using Stored = std::function<void(bool passwordKept)>;

    explicit KXRememberedAccount(std::shared_ptr<KXSecretStore> store = nullptr);

    // The account name of the file; nullopt without a file.
    static std::optional<std::string> storedAccount();

    // The remembered account and its password. Without a file `done` is not called.
    void load(Loaded done);
    // Writes the file with the account and puts the password in the keyring (a former account's
    // password is taken out). The file is written before this returns.
    void remember(const std::string& account, const std::string& password, Stored done = {});
    // Deletes the file and the keyring's password of the account it named.
    void forget();

private:
    static void writeAccount(const std::string& account);

    std::shared_ptr<KXSecretStore> store_;
};
