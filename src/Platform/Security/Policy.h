#pragma once

#include "Platform/Foundation/Object.h"

#include <optional>
#include <string>

namespace security {

// What a trust evaluation checks (SecPolicy): the chain alone (basic X.509), or the chain for a
// TLS server, with the host name when one is given. Immutable.
class Policy final : public foundation::Object {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    static foundation::Ref<Policy> basicX509();
    static foundation::Ref<Policy> SSL(bool server, std::optional<std::string> hostName);

    bool isSSL() const { return ssl_; }
    bool isServer() const { return server_; }
    const std::optional<std::string>& hostName() const { return hostName_; }

    Policy(bool ssl, bool server, std::optional<std::string> hostName)
        : ssl_(ssl)
        , server_(server)
        , hostName_(std::move(hostName))
    {
    }

private:
    bool ssl_;
    bool server_;
    std::optional<std::string> hostName_;
};

} // namespace security
