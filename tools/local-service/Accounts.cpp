#include "local-service/Accounts.h"

#include "local-service/PasswordHash.h"
#include "local-service/StateDatabase.h"

namespace localservice {

std::optional<int64_t> Accounts::userNamed(StateDatabase& db, const std::string& name)
{
    const auto rows = db.query("SELECT id FROM users WHERE name = ?", {name});
    if (rows.empty())
        return std::nullopt;
    return StateDatabase::integer(rows[0][0]);
}

std::optional<int64_t> Accounts::userForToken(StateDatabase& db, const std::string& token, int64_t now)
{
    if (token.empty())
        return std::nullopt;
    const auto rows = db.query("SELECT user_id FROM tokens WHERE token = ? AND expires > ?", {token, now});
    if (rows.empty())
        return std::nullopt;
    return StateDatabase::integer(rows[0][0]);
}

std::string Accounts::issueToken(StateDatabase& db, int64_t userId, int64_t now)
{
    const std::string token = PasswordHash::randomHex(16);
    db.exec("INSERT INTO tokens (token, user_id, expires) VALUES (?, ?, ?)", {token, userId, now + kTokenLifetime});
    return token;
}

void Accounts::expireAllTokens(StateDatabase& db)
{
    db.exec("UPDATE tokens SET expires = 0");
}

std::optional<int64_t> Accounts::createUser(StateDatabase& db, const std::string& name, const std::string& phone,
                                            const std::string& password, const std::string& nickName)
{
    const std::string salt = PasswordHash::randomHex(16);
    if (!db.exec("INSERT INTO users (name, phone, password_hash, salt, nick_name) VALUES (?, ?, ?, ?, ?)",
                 {name, phone, PasswordHash::hash(password, salt), salt, nickName}))
        return std::nullopt;
    return db.lastInsertId();
}

std::optional<int64_t> Accounts::checkPassword(StateDatabase& db, const std::string& nameOrPhone,
                                               const std::string& password)
{
    const auto rows = db.query("SELECT id, salt, password_hash FROM users WHERE name = ?1 OR phone = ?1 LIMIT 1",
                               {nameOrPhone});
    if (rows.empty())
        return std::nullopt;
    if (!PasswordHash::verify(password, StateDatabase::text(rows[0][1]), StateDatabase::text(rows[0][2])))
        return std::nullopt;
    return StateDatabase::integer(rows[0][0]);
}

QJsonObject Accounts::userDictionary(OperationContext& ctx, int64_t userId, const std::string& token)
{
    const auto rows = ctx.db.query("SELECT name, nick_name, email, head, vip_type, is_agree, is_first, phone"
                                   " FROM users WHERE id = ?", {userId});
    QJsonObject user;
    if (rows.empty())
        return user;
    const auto& r = rows[0];
    const std::string uid = std::to_string(userId);
    user["token"] = QString::fromStdString(token);
    user["uid"] = static_cast<qint64>(userId);
    user["uname"] = QString::fromStdString(StateDatabase::text(r[0]));
    user["nick_name"] = QString::fromStdString(StateDatabase::text(r[1]));
    user["email"] = QString::fromStdString(StateDatabase::text(r[2]));
    if (StateDatabase::isNull(r[3]) || StateDatabase::text(r[3]).empty())
        user["head"] = QJsonValue::Null;
    else
        user["head"] = QString::fromStdString(ctx.baseUrl + StateDatabase::text(r[3]));
    user["vip_type"] = QString::fromStdString(StateDatabase::text(r[4]));
    user["is_agree"] = static_cast<qint64>(StateDatabase::integer(r[5]));
    user["is_first"] = static_cast<qint64>(StateDatabase::integer(r[6]));
    user["phone"] = QString::fromStdString(StateDatabase::text(r[7]));
    user["shop_url"] = QString::fromStdString(ctx.baseUrl + "pages/shop?uid=" + uid);
    user["heartbeat_url"] = QString::fromStdString(ctx.baseUrl + "pages/heartbeat?uid=" + uid);
    user["myinfo_url"] = QString::fromStdString(ctx.baseUrl + "pages/account?uid=" + uid);
    user["my_order"] = QString::fromStdString(ctx.baseUrl + "pages/orders?uid=" + uid);
    return user;
}

void Accounts::markSignedIn(StateDatabase& db, int64_t userId)
{
    db.exec("UPDATE users SET is_first = 0 WHERE id = ?", {userId});
}

} // namespace localservice
