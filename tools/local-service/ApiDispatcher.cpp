#include "local-service/ApiDispatcher.h"

#include "local-service/Accounts.h"
#include "local-service/CatalogueIndex.h"
#include "local-service/FaultScript.h"
#include "local-service/OperationTable.h"
#include "local-service/RequestLog.h"
#include "local-service/ServiceControls.h"
#include "local-service/Signature.h"
#include "local-service/StateDatabase.h"

#include <QJsonDocument>
#include <ctime>

namespace localservice {

namespace {

std::string replaceAll(std::string text, const std::string& from, const std::string& to)
{
    if (from.empty())
        return text;
    size_t at = 0;
    while ((at = text.find(from, at)) != std::string::npos) {
        text.replace(at, from.size(), to);
        at += to.size();
    }
    return text;
}

// The store's cart and brand-list readers take the status from "errorcode", so those replies
// carry it beside "errcode" whatever the outcome (a refusal must not read as an empty success).
bool readsErrorcode(const std::string& tag)
{
    return tag == "155" || tag == "156" || tag == "157" || tag == "164";
}

} // namespace

std::string ApiDispatcher::logLine(const std::string& path, const FormParams& params)
{
    std::string line = "POST /" + path;
    for (const auto& [name, value] : params) {
        if (name == "secret" || name == "UIID" || name == "mac" || name == "system" || name == "SystemVersion")
            continue;
        std::string shown = value;
        if (name == "password" || name == "encrypt_str")
            shown = "***";
        else if (name == "img" && value.size() > 16)
            shown = value.substr(0, 16) + "…(" + std::to_string(value.size()) + " bytes)";
        else if (name == "token" && value.size() > 6)
            shown = value.substr(0, 6) + "…";
        line += " " + name + "=" + shown;
    }
    return line;
}

std::string ApiDispatcher::envelope(const Reply& reply, const std::string& tag) const
{
    QJsonObject env;
    env["errcode"] = reply.errcode;
    env["message"] = QString::fromStdString(reply.message);
    env["tag"] = QString::fromStdString(tag);
    env["corvane_data"] = reply.data;
    for (auto it = reply.topLevel.begin(); it != reply.topLevel.end(); ++it)
        env[it.key()] = it.value();
    if (reply.mirrorErrorcode || readsErrorcode(tag))
        env["errorcode"] = reply.errcode;
    const std::string text = QJsonDocument(env).toJson(QJsonDocument::Compact).toStdString();
    return replaceAll(text, deps_.catalogue.placeholder(), deps_.baseUrl);
}

ApiDispatcher::HttpAnswer ApiDispatcher::handle(const std::string& path, const std::string& body)
{
    const FormParams params = FormCodec::parse(body);
    const std::string* tagParam = FormCodec::find(params, "tag");
    const std::string tag = tagParam ? *tagParam : std::string();
    deps_.log.record({"POST", path, tag, params});
    if (!deps_.quiet)
        deps_.controls.print(logLine(path, params));

    HttpAnswer answer;
    std::chrono::milliseconds late{0};
    bool lost = false;
    if (const auto fault = deps_.faults.takeForOperation(path, tag)) {
        lost = fault->kind == Fault::Kind::LostReply;
        if (fault->kind == Fault::Kind::LateReply)
            late = fault->delay;
        else
            deps_.faults.pause(fault->delay);
        switch (fault->kind) {
        case Fault::Kind::Http500:
            return {500, "text/plain", "Internal Server Error"};
        case Fault::Kind::NotJson:
            return {200, "text/html", "<html><body><h1>502 Bad Gateway</h1></body></html>"};
        case Fault::Kind::NoReply:
            deps_.faults.waitWhileHanging(fault->key, std::chrono::seconds(300));
            return {503, "text/plain", "Service Unavailable"};
        case Fault::Kind::ErrorCode:
            answer.body = envelope(Reply::failed(fault->errcode, fault->message), tag);
            return answer;
        case Fault::Kind::TokenExpired:
            answer.body = envelope(Reply::failed(errcode::kTokenInvalid, "登录已过期，请重新登录"), tag);
            return answer;
        default:
            break;
        }
    }

    if (!Signature::verify(params)) {
        answer.body = envelope(Reply::failed(errcode::kBadSignature, "签名错误"), tag);
        return answer;
    }
    const Operation* op = OperationTable::standard().find(path, tag, params);
    if (!op) {
        answer.body = envelope(Reply::failed(errcode::kUnknownOperation, "未知操作"), tag);
        return answer;
    }
    {
        auto lock = deps_.db.lock();
        OperationContext ctx{params, deps_.db, deps_.catalogue, deps_.controls, deps_.baseUrl, deps_.uploadsDir,
                             std::nullopt, static_cast<int64_t>(std::time(nullptr))};
        ctx.userId = Accounts::userForToken(deps_.db, ctx.param("token"), ctx.now);
        if (op->needsUser && !ctx.userId)
            answer.body = envelope(Reply::failed(errcode::kTokenInvalid, "登录已过期，请重新登录"), tag);
        else
            answer.body = envelope(op->handler(ctx), tag);
    }
    if (lost)
        return {502, "text/plain", "Bad Gateway"};
    // Held back without the state lock: other requests are answered meanwhile.
    deps_.faults.holdReply(late);
    return answer;
}

} // namespace localservice
