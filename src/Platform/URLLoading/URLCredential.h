#pragma once

#include "Platform/Foundation/Object.h"

#include <optional>
#include <string>

namespace security {
class Trust;
}

namespace net {

enum class URLCredentialPersistence { None = 0, ForSession = 1, Permanent = 2 };

// An answer to a challenge (NSURLCredential): a server trust to accept, or a user and password.
class URLCredential final : public foundation::Object {
public:
    static foundation::Ref<URLCredential> credentialForTrust(foundation::Ref<security::Trust> trust)
    {
        auto credential = std::make_shared<URLCredential>();
        credential->trust_ = std::move(trust);
        return credential;
    }
    static foundation::Ref<URLCredential> credentialWithUser(std::string user, std::string password, URLCredentialPersistence persistence)
    {
        auto credential = std::make_shared<URLCredential>();
        credential->user_ = std::move(user);
        credential->password_ = std::move(password);
        credential->persistence_ = persistence;
        return credential;
    }

    const foundation::Ref<security::Trust>& serverTrust() const { return trust_; }
    const std::optional<std::string>& user() const { return user_; }
    const std::optional<std::string>& password() const { return password_; }
    URLCredentialPersistence persistence() const { return persistence_; }

private:
    foundation::Ref<security::Trust> trust_;
    std::optional<std::string> user_;
    std::optional<std::string> password_;
    URLCredentialPersistence persistence_ = URLCredentialPersistence::ForSession;
};

} // namespace net
