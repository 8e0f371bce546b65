#include "local-service/AdminEndpoint.h"

#include "local-service/Accounts.h"
#include "local-service/CatalogueIndex.h"
#include "local-service/FaultScript.h"
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
    if (action == "fault") {
        const auto kind = Fault::kindFromName(value("kind").empty() ? "delay" : value("kind"));
        if (value("op").empty() || !kind) {
            status = 400;
            result["ok"] = false;
        } else {
            Fault fault;
            fault.kind = *kind;
            fault.delay = std::chrono::milliseconds(number("delay_ms", 0));
            fault.errcode = static_cast<int>(number("errcode", 1));
            fault.message = value("message");
            fault.truncateAfter = static_cast<size_t>(number("bytes", 0));
            fault.bytesPerSecond = static_cast<size_t>(number("rate", 0));
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
    } else if (action == "clear-requests") {
        deps_.log.clear();
    } else if (action == "data-state") {
        const std::string package = value("package");
        const QJsonObject& m = deps_.catalogue.manifest();
        auto lock = deps_.db.lock();
        if (package == "partial" || package == "full") {
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
    } else if (action == "expire-tokens") {
        auto lock = deps_.db.lock();
        Accounts::expireAllTokens(deps_.db);
    } else if (action == "sms") {
        const auto code = deps_.controls.lastSmsCode(value("phone"));
        result["code"] = QString::fromStdString(code.value_or(""));
    } else if (action == "unpaid") {
        deps_.controls.setUnpaidOverride(value("num").empty() ? std::nullopt : std::optional<int>(static_cast<int>(number("num", 0))));
    } else if (action == "wechat-confirm") {
        auto lock = deps_.db.lock();
        const auto user = Accounts::userNamed(deps_.db, value("user").empty() ? "demo" : value("user"));
        result["ok"] = user && deps_.db.exec("UPDATE wx_tickets SET confirmed_user = ? WHERE ticket = ?", {*user, value("ticket")}) &&
                       deps_.db.changes() > 0;
    } else {
        status = 404;
        result["ok"] = false;
    }
    return {status, QJsonDocument(result).toJson(QJsonDocument::Compact).toStdString()};
}

} // namespace localservice
