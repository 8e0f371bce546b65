// Sign-in, registration, the account pages' data, version check and the usage reports.
#include "local-service/Accounts.h"
#include "local-service/CatalogueIndex.h"
#include "local-service/OperationTable.h"
#include "local-service/PasswordHash.h"
#include "local-service/ServiceControls.h"
#include "local-service/StateDatabase.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <random>
#include <regex>

namespace localservice {

namespace {

Reply signIn(OperationContext& ctx, int64_t userId, const std::string& token)
{
    Reply reply = Reply::ok(Accounts::userDictionary(ctx, userId, token));
    Accounts::markSignedIn(ctx.db, userId);
    return reply;
}

Reply login(OperationContext& ctx)
{
    const std::string& name = ctx.param("name");
    const std::string& password = ctx.param("password");
    if (name.empty() && password.empty()) {
        // Renewal of a stored session: the common parameter "token" identifies the user.
        const std::string& token = ctx.param("token");
        const auto user = Accounts::userForToken(ctx.db, token, ctx.now);
        if (!user)
            return Reply::failed(errcode::kTokenInvalid, "登录已过期，请重新登录");
        return signIn(ctx, *user, token);
    }
    if (name.empty())
        return Reply::badParameter("账号不能为空");
    if (password.empty())
        return Reply::badParameter("密码不能为空");
    const auto user = Accounts::checkPassword(ctx.db, name, password);
    if (!user)
        return Reply::failed(errcode::kFailed, "账号或密码错误");
    return signIn(ctx, *user, Accounts::issueToken(ctx.db, *user, ctx.now));
}

bool validPhone(const std::string& phone)
{
    static const std::regex pattern("^1[0-9]{10}$");
    return std::regex_match(phone, pattern);
}

Reply getCode(OperationContext& ctx)
{
    const std::string& phone = ctx.param("phone");
    if (!validPhone(phone))
        return Reply::failed(errcode::kFailed, "手机号格式不正确");
    std::random_device device;
    const std::string code = std::to_string(100000 + device() % 900000);
    ctx.db.exec("INSERT INTO sms_codes (phone, code, expires) VALUES (?, ?, ?)"
                " ON CONFLICT(phone) DO UPDATE SET code = excluded.code, expires = excluded.expires",
                {phone, code, ctx.now + 300});
    ctx.controls.recordSmsCode(phone, code);
    return Reply::ok();
}

Reply registerUser(OperationContext& ctx)
{
    const std::string& phone = ctx.param("phone");
    const std::string& code = ctx.param("code");
    const std::string& password = ctx.param("password");
    if (!validPhone(phone))
        return Reply::failed(errcode::kFailed, "手机号格式不正确");
    if (password.size() < 6 || password.size() > 20)
        return Reply::failed(errcode::kFailed, "密码为6-20位字符，区分大小写");
    const auto rows = ctx.db.query("SELECT code FROM sms_codes WHERE phone = ? AND expires > ?", {phone, ctx.now});
    if (rows.empty() || code.empty() || StateDatabase::text(rows[0][0]) != code)
        return Reply::failed(errcode::kFailed, "验证码错误");
    if (!ctx.db.query("SELECT id FROM users WHERE name = ?1 OR phone = ?1", {phone}).empty())
        return Reply::failed(errcode::kFailed, "该手机号已注册");
    const auto user = Accounts::createUser(ctx.db, phone, phone, password, "用户" + phone.substr(phone.size() - 4));
    if (!user)
        return Reply::failed(errcode::kFailed, "注册失败");
    ctx.db.exec("DELETE FROM sms_codes WHERE phone = ?", {phone});
    // A registration passed the agreement window; the first sign-in shows the invitation.
    ctx.db.exec("UPDATE users SET is_agree = 1, is_first = 1 WHERE id = ?", {*user});
    ctx.db.exec("INSERT INTO folders (user_id, collect_name, add_time) VALUES (?, '喜欢的字体', datetime(?, 'unixepoch'))",
                {*user, ctx.now});
    return signIn(ctx, *user, Accounts::issueToken(ctx.db, *user, ctx.now));
}

Reply agreement(OperationContext& ctx)
{
    ctx.db.exec("UPDATE users SET is_agree = 1 WHERE id = ?", {*ctx.userId});
    return Reply::ok();
}

Reply modifyInfo(OperationContext& ctx)
{
    static const std::pair<const char*, const char*> fields[] = {
        {"sex", "sex"}, {"city", "city"}, {"head", "head"}, {"birthday", "birthday"},
        {"province", "province"}, {"nick_name", "nick_name"}, {"introduce", "introduce"}};
    for (const auto& [param, column] : fields)
        if (ctx.has(param))
            ctx.db.exec(std::string("UPDATE users SET ") + column + " = ? WHERE id = ?", {ctx.param(param), *ctx.userId});
    return Reply::ok(Accounts::userDictionary(ctx, *ctx.userId, ctx.param("token")));
}

Reply getUserData(OperationContext& ctx)
{
    const int64_t user = *ctx.userId;
    QJsonObject data;
    data["dowload_num"] = static_cast<qint64>(StateDatabase::integer(
        ctx.db.query("SELECT downloads FROM users WHERE id = ?", {user})[0][0]));
    data["group_num"] = static_cast<qint64>(StateDatabase::integer(
        ctx.db.query("SELECT count(*) FROM folders WHERE user_id = ?", {user})[0][0]));
    data["collection_num"] = static_cast<qint64>(StateDatabase::integer(
        ctx.db.query("SELECT count(*) FROM follows WHERE user_id = ?", {user})[0][0]));
    return Reply::ok(data);
}

Reply getUseFonts(OperationContext& ctx)
{
    const auto rows = ctx.db.query("SELECT active FROM users WHERE id = ?", {*ctx.userId});
    QJsonObject data;
    data["active"] = qs(rows.empty() ? std::string() : StateDatabase::text(rows[0][0]));
    return Reply::ok(data);
}

Reply editFontToGroup(OperationContext&)
{
    return Reply::ok();
}

Reply getWxQrCode(OperationContext& ctx)
{
    const std::string ticket = PasswordHash::randomHex(12);
    ctx.db.exec("INSERT INTO wx_tickets (ticket, created) VALUES (?, ?)", {ticket, ctx.now});
    QJsonObject data;
    data["ticket"] = qs(ticket);
    data["url"] = qs(ctx.baseUrl + "files/qr/" + ticket + ".png");
    data["confirm_url"] = qs(ctx.baseUrl + "wechat/confirm?ticket=" + ticket);
    return Reply::ok(data);
}

Reply checkWxLogin(OperationContext& ctx)
{
    const std::string& ticket = ctx.param("ticket");
    const auto rows = ctx.db.query("SELECT confirmed_user, polls FROM wx_tickets WHERE ticket = ?", {ticket});
    if (ticket.empty() || rows.empty())
        return Reply::failed(errcode::kFailed, "二维码已失效，请刷新");
    const int64_t polls = StateDatabase::integer(rows[0][1]) + 1;
    ctx.db.exec("UPDATE wx_tickets SET polls = ? WHERE ticket = ?", {polls, ticket});
    std::optional<int64_t> user;
    if (!StateDatabase::isNull(rows[0][0]))
        user = StateDatabase::integer(rows[0][0]);
    const int autoPolls = ctx.controls.wechatAutoConfirmPolls();
    if (!user && autoPolls > 0 && polls >= autoPolls) {
        const auto demo = ctx.db.query("SELECT id FROM users WHERE name = 'demo'");
        if (!demo.empty())
            user = StateDatabase::integer(demo[0][0]);
    }
    if (!user)
        return Reply::failed(errcode::kFailed, "等待扫码确认");
    ctx.db.exec("DELETE FROM wx_tickets WHERE ticket = ?", {ticket});
    QJsonObject data;
    data["userinfo"] = Accounts::userDictionary(ctx, *user, Accounts::issueToken(ctx.db, *user, ctx.now));
    Accounts::markSignedIn(ctx.db, *user);
    return Reply::ok(data);
}

void report(OperationContext& ctx, const std::string& kind, const std::string& detail)
{
    ctx.db.exec("INSERT INTO reports (kind, user_id, detail, created) VALUES (?, ?, ?, ?)",
                {kind, ctx.userId ? SqlValue(*ctx.userId) : SqlValue(nullptr), detail, ctx.now});
}

Reply clientError(OperationContext& ctx)
{
    report(ctx, "clientError", ctx.param("module") + ": " + ctx.param("error_info"));
    return Reply::ok();
}

QString fileSha256Hex(const std::filesystem::path& path)
{
    QFile file(QString::fromStdString(path.string()));
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return {};
    return QString::fromLatin1(hash.result().toHex());
}

// A scripted "size" or "sha256": digits become a number, anything else stays text.
QJsonValue scripted(const std::string& value)
{
    const bool digits = !value.empty() && value.size() < 19 && std::all_of(value.begin(), value.end(), [](unsigned char c) { return std::isdigit(c); });
    return digits ? QJsonValue(static_cast<qint64>(std::stoll(value))) : QJsonValue(qs(value));
}

Reply version(OperationContext& ctx)
{
    QJsonObject data;
    data["version"] = qs(ctx.db.setting("version", "0.1.0"));
    data["content"] = qs(ctx.db.setting("version_content", "修复已知问题，提升稳定性。"));
    const std::string download = ctx.db.setting("version_download", "files/update/" +
        ctx.catalogue.manifest().value("update_package").toString().toStdString());
    data["download"] = qs(download.rfind("http", 0) == 0 ? download : ctx.baseUrl + download);
    // The served package's size and SHA-256, so the client can check what it downloaded; a test
    // scripts a mismatch (or a missing field) with the overrides.
    if (download.rfind("files/", 0) == 0) {
        const std::filesystem::path file = ctx.catalogue.filesDir() / download.substr(6);
        std::error_code error;
        const auto size = std::filesystem::file_size(file, error);
        if (!error) {
            data["size"] = static_cast<qint64>(size);
            data["sha256"] = fileSha256Hex(file);
        }
    }
    for (const char* field : {"size", "sha256"}) {
        const std::string override = ctx.db.setting(std::string("version_") + field);
        if (override == "-")
            data.remove(field);
        else if (!override.empty())
            data[field] = scripted(override);
    }
    return Reply::ok(data);
}

Reply usageReport(OperationContext& ctx, const std::string& kind)
{
    report(ctx, kind, "");
    return Reply::ok();
}

Reply duration(OperationContext& ctx)
{
    if (!ctx.integer("duration"))
        return Reply::badParameter("duration");
    report(ctx, "velaDuration", ctx.param("duration"));
    return Reply::ok();
}

Reply fontDuration(OperationContext& ctx)
{
    report(ctx, "fontDuration", ctx.param("total") + " " + ctx.param("type") + " " + ctx.param("extend_info"));
    return Reply::ok();
}

} // namespace

void addAccountOperations(std::vector<Operation>& ops)
{
    ops.push_back({"login", "login", "114", false, nullptr, login});
    ops.push_back({"getCode", "getCode", "115", false, nullptr, getCode});
    ops.push_back({"register", "register", "117", false, nullptr, registerUser, kChangesAccount});
    ops.push_back({"agreement", "agreement", "118", true, nullptr, agreement, kChangesAccount});
    ops.push_back({"modifyInfo", "modifyInfo", "119", true, nullptr, modifyInfo, kChangesAccount});
    ops.push_back({"getUserData", "getUserData", "113", true, nullptr, getUserData});
    ops.push_back({"getUseFonts", "getUseFonts", "112", true, nullptr, getUseFonts});
    ops.push_back({"editFontToGroup", "getUseFonts", "", true, nullptr, editFontToGroup, kChangesAccount});
    ops.push_back({"getWxQrCode", "getWxQrCode", "146", false, nullptr, getWxQrCode});
    ops.push_back({"checkWxLogin", "checkWxLogin", "147", false, nullptr, checkWxLogin});
    ops.push_back({"clientError", "clientError", "120", false, nullptr, clientError});
    ops.push_back({"version", "version", "121", false, nullptr, version});
    ops.push_back({"velaInstall", "velaInstall", "124", false, nullptr,
                   [](OperationContext& c) { return usageReport(c, "velaInstall"); }});
    ops.push_back({"velaView", "velaView", "125", false, nullptr,
                   [](OperationContext& c) { return usageReport(c, "velaView"); }});
    ops.push_back({"velaDuration", "velaDuration", "126", false, nullptr, duration});
    ops.push_back({"fontDuration", "fontDuration", "150", false, nullptr, fontDuration});
}

} // namespace localservice
