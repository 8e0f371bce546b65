#pragma once

#include "local-service/Operation.h"

#include <QJsonObject>
#include <cstdint>
#include <optional>
#include <string>

namespace localservice {

// Users and their session tokens in the state database.
class Accounts {
public:
    static constexpr int64_t kTokenLifetime = 30 * 86400;

    static std::optional<int64_t> userNamed(StateDatabase& db, const std::string& name);
    static std::optional<int64_t> userForToken(StateDatabase& db, const std::string& token, int64_t now);
    static std::string issueToken(StateDatabase& db, int64_t userId, int64_t now);
    static void expireAllTokens(StateDatabase& db);
    static std::optional<int64_t> createUser(StateDatabase& db, const std::string& name, const std::string& phone,
                                             const std::string& password, const std::string& nickName);
    static std::optional<int64_t> checkPassword(StateDatabase& db, const std::string& nameOrPhone,
                                                const std::string& password);
    // The signed-in user dictionary the client stores (login, registration, WeChat, QQ).
    static QJsonObject userDictionary(OperationContext& ctx, int64_t userId, const std::string& token);
    // Clears "is_first" after the first sign-in has been answered.
    static void markSignedIn(StateDatabase& db, int64_t userId);
};

} // namespace localservice
