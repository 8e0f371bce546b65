#include "local-service/AdminEndpoint.h"

#include "local-service/Accounts.h"
#include "local-service/CatalogueIndex.h"
#include "local-service/FaultScript.h"
#include "local-service/OperationTable.h"
#include "local-service/RequestLog.h"
#include "local-service/ServiceControls.h"
#include "local-service/StateDatabase.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdlib>

namespace localservice {

AdminEndpoint::Answer AdminEndpoint::handle(const std::string& action, const FormParams& params)
{
    int status = 200;
    auto value = [&](const char* name) {
        const std::string* v = FormCodec::find(params, name);
        return v ? *v : std::string();
    };
    auto number = [&](const char* name, long long fallback) {
        const std::string v = value(name);
        return v.empty() ? fallback : std::atoll(v.c_str());
    };
    QJsonObject result{{"ok", true}};
    std::string refused;
    // A refusal says why and changes nothing.
    const auto refuse = [&](int code, const std::string& why) {
        status = code;
        refused = why;
    };
    if (action == "fault") {
        const std::string kindName = value("kind").empty() ? "delay" : value("kind");
        const auto kind = Fault::kindFromName(kindName);
        if (value("op").empty()) {
            refuse(400, "op is required");
        } else if (!kind) {
            refuse(400, "unknown kind: " + kindName);
        } else {
            Fault fault;
            fault.kind = *kind;
            fault.delay = std::chrono::milliseconds(number("delay_ms", 0));
            fault.errcode = static_cast<int>(number("errcode", 1));
            fault.message = value("message");
            fault.truncateAfter = static_cast<size_t>(number("bytes", 0));
            fault.bytesPerSecond = static_cast<size_t>(number("rate", 0));
            fault.status = static_cast<int>(number("status", 0));
            fault.announcedLength = static_cast<size_t>(number("length", 0));
            fault.remaining = static_cast<int>(number("times", -1));
            deps_.faults.set(value("op"), fault);
        }
    } else if (action == "clear-faults") {
        deps_.faults.clearAll();
    } else if (action == "requests") {
        QJsonArray list;
        for (const auto& e : deps_.log.entries()) {
            QJsonObject p;
            for (const auto& [n, v] : e.params)
                p[QString::fromStdString(n)] = QString::fromStdString(v);
            list.append(QJsonObject{{"path", QString::fromStdString(e.path)},
                                    {"tag", QString::fromStdString(e.tag)}, {"params", p}});
        }
        result["requests"] = list;
        QJsonArray files;
        for (const auto& e : deps_.log.fileEntries()) {
            QJsonObject headers;
            for (const auto& [n, v] : e.headers)
                headers[QString::fromStdString(n)] = QString::fromStdString(v);
            files.append(QJsonObject{{"path", QString::fromStdString(e.path)},
                                     {"query", QString::fromStdString(e.query)}, {"headers", headers}});
        }
        result["files"] = files;
    } else if (action == "clear-requests") {
        deps_.log.clear();
    } else if (action == "files-in-flight") {
        result["in_flight"] = deps_.log.filesInFlight();
        result["peak"] = deps_.log.peakFilesInFlight();
    } else if (action == "data-state") {
        const std::string package = value("package");
        const QJsonObject& m = deps_.catalogue.manifest();
        auto lock = deps_.db.lock();
        if (!package.empty() && package != "partial" && package != "full") {
            refuse(400, "unknown package: " + package + " (partial or full)");
        } else if (!package.empty()) {
            deps_.db.setSetting("data_expire", package == "partial" ? "1" : "2");
            deps_.db.setSetting("data_version", m.value(QString::fromStdString(package + "_data_version")).toString().toStdString());
            deps_.db.setSetting("data_url", "files/packages/" + package + ".zip");
        } else {
            deps_.db.setSetting("data_expire", std::to_string(number("expire", 0)));
            deps_.db.setSetting("data_version", value("version").empty() ? "A20200326154556" : value("version"));
            deps_.db.setSetting("data_url", value("url"));
        }
    } else if (action == "version") {
        auto lock = deps_.db.lock();
        deps_.db.setSetting("version", value("version"));
        deps_.db.setSetting("version_content", value("content"));
        if (!value("download").empty())
            deps_.db.setSetting("version_download", value("download"));
        // Empty: the served file's own; "-": left out of the reply; anything else as given.
        deps_.db.setSetting("version_size", value("size"));
        deps_.db.setSetting("version_sha256", value("sha256"));
    } else if (action == "questionnaire") {
        // The questionnaire image path below the base URL; empty turns the questionnaire off.
        auto lock = deps_.db.lock();
        deps_.db.setSetting("questionnaire", value("path"));
    } else if (action == "expire-tokens") {
        auto lock = deps_.db.lock();
        Accounts::expireAllTokens(deps_.db);
    } else if (action == "sms") {
        const auto code = deps_.controls.lastSmsCode(value("phone"));
        result["code"] = QString::fromStdString(code.value_or(""));
    } else if (action == "cart") {
        const auto ids = value("fids").empty() ? std::optional<std::vector<int64_t>>(std::vector<int64_t>()) : parseIdList(value("fids"));
        const std::string user = value("user").empty() ? "demo" : value("user");
        auto lock = deps_.db.lock();
        if (!ids)
            refuse(400, "fids must be font ids separated by commas");
        else if (!replaceCart(deps_.db, user, *ids))
            refuse(400, "unknown user: " + user);
    } else if (action == "agreement") {
        // Whether a user has accepted the user agreement: agreed=0 asks it again at the next sign-in.
        const std::string name = value("user").empty() ? "newbie" : value("user");
        auto lock = deps_.db.lock();
        const auto user = Accounts::userNamed(deps_.db, name);
        if (!user)
            refuse(400, "unknown user: " + name);
        else
            deps_.db.exec("UPDATE users SET is_agree = ? WHERE id = ?", {static_cast<int64_t>(number("agreed", 0) != 0 ? 1 : 0), *user});
    } else if (action == "review") {
        // The review's outcome for a folder submitted for publication: 2 published, 3 refused.
        const long long state = number("state", 0);
        const long long id = number("id", 0);
        auto lock = deps_.db.lock();
        if (state != 2 && state != 3) {
            refuse(400, "state must be 2 or 3");
        } else if (id <= 0
            || !deps_.db.exec("UPDATE folders SET is_publish = ?, reason = ? WHERE id = ?",
                {static_cast<int64_t>(state), state == 3 ? value("reason") : std::string(), static_cast<int64_t>(id)})
            || deps_.db.changes() == 0) {
            refuse(400, "unknown folder: " + value("id"));
        } else {
            deps_.db.exec("UPDATE users SET collect_version = collect_version + 1 WHERE id = (SELECT user_id FROM folders WHERE id = ?)",
                          {static_cast<int64_t>(id)});
        }
    } else if (action == "orders") {
        // What a user's orders are, to count them after a road walked by hand or by a test.
        const std::string name = value("user").empty() ? "demo" : value("user");
        auto lock = deps_.db.lock();
        const auto user = Accounts::userNamed(deps_.db, name);
        if (!user) {
            refuse(400, "unknown user: " + name);
        } else {
            QJsonArray orders;
            for (const auto& row : deps_.db.query(
                     "SELECT id, info, price, paid FROM orders WHERE user_id = ? ORDER BY id", { *user }))
                orders.append(QJsonObject { { "id", static_cast<qint64>(StateDatabase::integer(row[0])) },
                    { "info", QString::fromStdString(StateDatabase::text(row[1])) },
                    { "price", QString::fromStdString(StateDatabase::text(row[2])) },
                    { "paid", StateDatabase::integer(row[3]) != 0 } });
            result["orders"] = orders;
        }
    } else if (action == "unpaid") {
        deps_.controls.setUnpaidOverride(value("num").empty() ? std::nullopt : std::optional<int>(static_cast<int>(number("num", 0))));
    } else if (action == "wechat-confirm") {
        const std::string name = value("user").empty() ? "demo" : value("user");
        auto lock = deps_.db.lock();
        const auto user = Accounts::userNamed(deps_.db, name);
        if (value("ticket").empty())
            refuse(400, "ticket is required");
        else if (!user)
            refuse(400, "unknown user: " + name);
        else if (!deps_.db.exec("UPDATE wx_tickets SET confirmed_user = ? WHERE ticket = ?", {*user, value("ticket")}) || deps_.db.changes() == 0)
            refuse(400, "unknown ticket: " + value("ticket"));
    } else {
        refuse(404, "unknown action: " + action);
    }
    if (status != 200)
        return {status, refusal(refused)};
    return {status, QJsonDocument(result).toJson(QJsonDocument::Compact).toStdString()};
}

std::string AdminEndpoint::refusal(const std::string& why)
{
    const QJsonObject body{{"ok", false}, {"error", QString::fromStdString(why)}};
    return QJsonDocument(body).toJson(QJsonDocument::Compact).toStdString();
}

} // namespace localservice
