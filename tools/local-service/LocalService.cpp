#include "local-service/LocalService.h"

#include "local-service/Accounts.h"
#include "local-service/AdminEndpoint.h"
#include "local-service/ApiDispatcher.h"
#include "local-service/CatalogueIndex.h"
#include "local-service/FaultScript.h"
#include "local-service/RequestLog.h"
#include "local-service/ServiceControls.h"
#include "local-service/ServiceFiles.h"
#include "local-service/ServiceSeed.h"
#include "local-service/StateDatabase.h"
#include "local-service/TestCertificate.h"
#include "local-service/WebPages.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdlib>
#include <ctime>
#include <httplib.h>
#include <thread>

namespace localservice {

namespace fs = std::filesystem;

fs::path ServiceOptions::defaultStateDir()
{
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data)
        return fs::path(data) / "corvane-local-service";
    if (const char* home = std::getenv("HOME"); home && *home)
        return fs::path(home) / ".local/share/corvane-local-service";
    return fs::temp_directory_path() / "corvane-local-service";
}

struct LocalService::Impl {
    ServiceOptions options;
    FaultScript faults;
    RequestLog log;
    ServiceControls controls;
    std::unique_ptr<StateDatabase> db;
    std::unique_ptr<CatalogueIndex> catalogue;
    std::unique_ptr<ApiDispatcher> api;
    std::unique_ptr<ServiceFiles> files;
    std::unique_ptr<AdminEndpoint> admin;
    std::unique_ptr<httplib::Server> server;
    std::thread thread;
    int port = 0;
    std::string baseUrl;

    void routes();
    void serveFile(const std::string& relative, httplib::Response& res);
};

LocalService::LocalService(ServiceOptions options) : impl_(std::make_unique<Impl>())
{
    if (options.stateDir.empty())
        options.stateDir = ServiceOptions::defaultStateDir();
    impl_->options = std::move(options);
    impl_->controls.setWechatAutoConfirmPolls(impl_->options.wechatAutoConfirmPolls);
}

LocalService::~LocalService()
{
    stop();
}

bool LocalService::start(std::string* error)
{
    Impl& d = *impl_;
    if (d.server)
        return true;
    d.faults.reopen();
    std::string message;
    d.catalogue = CatalogueIndex::open(d.options.resourcesDir, &message);
    if (d.catalogue)
        d.db = StateDatabase::open(d.options.stateDir / "state.sqlite", &message);
    if (d.db)
        ServiceSeed::seedIfEmpty(*d.db, *d.catalogue, static_cast<int64_t>(std::time(nullptr)));
    if (d.db && d.options.https && !TestCertificate::ensure(d.options.stateDir, &message))
        d.db.reset();
    if (!d.db) {
        if (error)
            *error = message;
        return false;
    }
    if (d.options.https) {
        const auto tls = TestCertificate::pathsIn(d.options.stateDir);
        d.server = std::make_unique<httplib::SSLServer>(tls.serverCertificate.c_str(), tls.serverKey.c_str());
    } else {
        d.server = std::make_unique<httplib::Server>();
    }
    if (!d.server->is_valid()) {
        if (error)
            *error = "cannot set up the server (TLS files?)";
        d.server.reset();
        return false;
    }
    d.server->set_payload_max_length(8 * 1024 * 1024);
    // The client downloads up to ten files at once beside its API calls, and scripted hangs hold
    // a worker each: more workers than the library's default. httplib takes ownership.
    d.server->new_task_queue = [] { return new httplib::ThreadPool(32); };
    if (d.options.port == 0) {
        d.port = d.server->bind_to_any_port("127.0.0.1");
    } else {
        d.port = d.server->bind_to_port("127.0.0.1", d.options.port) ? d.options.port : -1;
    }
    if (d.port <= 0) {
        if (error)
            *error = "cannot listen on 127.0.0.1:" + std::to_string(d.options.port);
        d.server.reset();
        return false;
    }
    d.baseUrl = std::string(d.options.https ? "https" : "http") + "://127.0.0.1:" + std::to_string(d.port) + "/";
    if (!d.options.quiet)
        d.controls.setOutput([](const std::string& line) { std::printf("%s\n", line.c_str()); std::fflush(stdout); });
    d.api = std::make_unique<ApiDispatcher>(ApiDispatcher::Dependencies{
        *d.db, *d.catalogue, d.controls, d.faults, d.log, d.baseUrl, d.options.stateDir / "uploads", d.options.quiet});
    d.files = std::make_unique<ServiceFiles>(*d.catalogue, d.options.stateDir / "uploads", d.options.stateDir / "cache",
                                             d.baseUrl);
    d.admin = std::make_unique<AdminEndpoint>(AdminEndpoint::Dependencies{*d.db, *d.catalogue, d.controls, d.faults, d.log});
    d.routes();
    d.thread = std::thread([server = d.server.get()] { server->listen_after_bind(); });
    return true;
}

void LocalService::stop()
{
    Impl& d = *impl_;
    if (!d.server)
        return;
    d.faults.shutdown();
    d.server->stop();
    if (d.thread.joinable())
        d.thread.join();
    d.server.reset();
}

bool LocalService::isRunning() const
{
    return impl_->server != nullptr;
}

std::string LocalService::baseUrl() const
{
    return impl_->baseUrl;
}

uint16_t LocalService::port() const
{
    return static_cast<uint16_t>(impl_->port);
}

fs::path LocalService::stateDir() const
{
    return impl_->options.stateDir;
}

fs::path LocalService::caCertificatePath() const
{
    return TestCertificate::pathsIn(impl_->options.stateDir).caCertificate;
}

FaultScript& LocalService::faults()
{
    return impl_->faults;
}

RequestLog& LocalService::requestLog()
{
    return impl_->log;
}

ServiceControls& LocalService::controls()
{
    return impl_->controls;
}

void LocalService::setDataState(int expire, const std::string& version, const std::string& url)
{
    auto lock = impl_->db->lock();
    impl_->db->setSetting("data_expire", std::to_string(expire));
    impl_->db->setSetting("data_version", version);
    impl_->db->setSetting("data_url", url);
}

void LocalService::setVersionInfo(const std::string& version, const std::string& content, const std::string& download)
{
    auto lock = impl_->db->lock();
    impl_->db->setSetting("version", version);
    impl_->db->setSetting("version_content", content);
    if (!download.empty())
        impl_->db->setSetting("version_download", download);
}

void LocalService::setQuestionnaire(const std::string& imagePath)
{
    auto lock = impl_->db->lock();
    impl_->db->setSetting("questionnaire", imagePath);
}

void LocalService::expireAllTokens()
{
    auto lock = impl_->db->lock();
    Accounts::expireAllTokens(*impl_->db);
}

bool LocalService::confirmWechatTicket(const std::string& ticket, const std::string& userName)
{
    auto lock = impl_->db->lock();
    const auto user = Accounts::userNamed(*impl_->db, userName);
    if (!user || impl_->db->query("SELECT 1 FROM wx_tickets WHERE ticket = ?", {ticket}).empty())
        return false;
    return impl_->db->exec("UPDATE wx_tickets SET confirmed_user = ? WHERE ticket = ?", {*user, ticket});
}

std::optional<std::string> LocalService::lastSmsCode(const std::string& phone) const
{
    return impl_->controls.lastSmsCode(phone);
}

void LocalService::Impl::serveFile(const std::string& relative, httplib::Response& res)
{
    const auto fault = faults.takeForFile(relative);
    std::optional<ServiceFiles::File> file;
    if (fault && fault->kind == Fault::Kind::ZipSlipPackage)
        file = ServiceFiles::File{std::make_shared<const std::string>(ServiceFiles::zipSlipPackage()), "application/zip",
                                  fs::path(relative).filename().string()};
    else if (fault && fault->kind == Fault::Kind::NoFontsTxtPackage)
        file = ServiceFiles::File{std::make_shared<const std::string>(ServiceFiles::packageWithoutFontsTxt()),
                                  "application/zip", fs::path(relative).filename().string()};
    else
        file = files->get(relative);
    if (fault) {
        faults.pause(fault->delay);
        if (fault->kind == Fault::Kind::NoReply) {
            faults.waitWhileHanging(fault->key, std::chrono::seconds(300));
            res.status = 503;
            return;
        }
        if (fault->kind == Fault::Kind::Http500) {
            res.status = 500;
            res.set_content("Internal Server Error", "text/plain");
            return;
        }
    }
    if (!file) {
        res.status = 404;
        res.set_content("Not Found", "text/plain");
        return;
    }
    if (!file->downloadName.empty())
        res.set_header("Content-Disposition", "attachment; filename=\"" + file->downloadName + "\"");
    const bool truncate = fault && fault->kind == Fault::Kind::TruncatedDownload;
    const bool slow = fault && fault->kind == Fault::Kind::SlowDownload && fault->bytesPerSecond > 0;
    if (!truncate && !slow) {
        res.set_content(*file->bytes, file->contentType.c_str());
        return;
    }
    const size_t limit = truncate ? std::min(fault->truncateAfter, file->bytes->size()) : file->bytes->size();
    const size_t rate = slow ? fault->bytesPerSecond : 0;
    FaultScript* script = &faults;
    res.set_content_provider(
        file->bytes->size(), file->contentType.c_str(),
        [bytes = file->bytes, limit, rate, script](size_t offset, size_t length, httplib::DataSink& sink) {
            if (offset >= limit)
                return false; // the connection closes short of the announced length
            const size_t chunk = std::min({length, limit - offset, rate ? std::max<size_t>(rate / 10, 1) : size_t(65536)});
            sink.write(bytes->data() + offset, chunk);
            if (rate)
                script->pause(std::chrono::milliseconds(1000 * chunk / rate));
            return true;
        });
}

void LocalService::Impl::routes()
{
    httplib::Server& s = *server;
    s.Post("/", [this](const httplib::Request& req, httplib::Response& res) {
        const auto answer = api->handle("", req.body);
        res.status = answer.status;
        res.set_content(answer.body, answer.contentType.c_str());
    });
    s.Post(R"(/([A-Za-z]+))", [this](const httplib::Request& req, httplib::Response& res) {
        const auto answer = api->handle(req.matches[1], req.body);
        res.status = answer.status;
        res.set_content(answer.body, answer.contentType.c_str());
    });
    s.Get(R"(/files/qr/([0-9a-f]+)\.png)", [this](const httplib::Request& req, httplib::Response& res) {
        const auto file = files->qr(baseUrl + "wechat/confirm?ticket=" + std::string(req.matches[1]));
        res.set_content(*file.bytes, "image/png");
    });
    s.Get(R"(/files/render/([0-9]+)/(day|night)\.png)", [this](const httplib::Request& req, httplib::Response& res) {
        const auto file = files->render(std::strtoll(std::string(req.matches[1]).c_str(), nullptr, 10),
                                        req.matches[2] == "night", req.get_param_value("text"));
        if (!file) {
            res.status = 404;
            return;
        }
        res.set_content(*file->bytes, "image/png");
    });
    s.Get(R"(/files/(.+))", [this](const httplib::Request& req, httplib::Response& res) {
        serveFile(req.matches[1], res);
    });
    s.Get("/wechat/confirm", [this](const httplib::Request& req, httplib::Response& res) {
        const std::string user = req.has_param("user") ? req.get_param_value("user") : "demo";
        auto lock = db->lock();
        const auto id = Accounts::userNamed(*db, user);
        const std::string ticket = req.get_param_value("ticket");
        const bool ok = id && !db->query("SELECT 1 FROM wx_tickets WHERE ticket = ?", {ticket}).empty() &&
                        db->exec("UPDATE wx_tickets SET confirmed_user = ? WHERE ticket = ?", {*id, ticket});
        res.set_content(WebPages::wechatConfirmed(ok), "text/html; charset=utf-8");
    });
    s.Get("/pages/qq-login", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(WebPages::qqLoginForm({}), "text/html; charset=utf-8");
    });
    s.Post("/pages/qq-login", [this](const httplib::Request& req, httplib::Response& res) {
        const FormParams params = FormCodec::parse(req.body);
        const std::string* name = FormCodec::find(params, "name");
        const std::string* password = FormCodec::find(params, "password");
        auto lock = db->lock();
        const auto user = name && password ? Accounts::checkPassword(*db, *name, *password) : std::nullopt;
        if (!user) {
            res.set_content(WebPages::qqLoginForm("账号或密码错误"), "text/html; charset=utf-8");
            return;
        }
        const FormParams none;
        OperationContext ctx{none, *db, *catalogue, controls, baseUrl, options.stateDir / "uploads", user,
                             static_cast<int64_t>(std::time(nullptr))};
        const QJsonObject dict = Accounts::userDictionary(ctx, *user, Accounts::issueToken(*db, *user, ctx.now));
        Accounts::markSignedIn(*db, *user);
        res.set_content(WebPages::qqLoginResult(QJsonDocument(dict).toJson(QJsonDocument::Compact).toStdString()),
                        "text/html; charset=utf-8");
    });
    s.Get("/pages/agreement", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(WebPages::agreement(), "text/html; charset=utf-8");
    });
    s.Get("/pages/pay", [this](const httplib::Request& req, httplib::Response& res) {
        const long long order = std::atoll(req.get_param_value("order").c_str());
        auto lock = db->lock();
        const auto rows = db->query("SELECT price, paid FROM orders WHERE id = ?", {static_cast<int64_t>(order)});
        if (rows.empty()) {
            res.status = 404;
            res.set_content(WebPages::generic("订单不存在"), "text/html; charset=utf-8");
            return;
        }
        bool paid = StateDatabase::integer(rows[0][1]) != 0;
        if (!paid && req.get_param_value("paid") == "1") {
            db->exec("UPDATE orders SET paid = 1 WHERE id = ?", {static_cast<int64_t>(order)});
            paid = true;
        }
        res.set_content(WebPages::payment(order, paid, StateDatabase::text(rows[0][0])), "text/html; charset=utf-8");
    });
    s.Get(R"(/pages/([A-Za-z0-9_-]+))", [](const httplib::Request& req, httplib::Response& res) {
        res.set_content(WebPages::generic(req.matches[1]), "text/html; charset=utf-8");
    });
    const auto adminRoute = [this](const httplib::Request& req, httplib::Response& res) {
        FormParams params = FormCodec::parse(req.body);
        for (const auto& [name, value] : req.params)
            params.emplace_back(name, value);
        const auto answer = admin->handle(req.matches[1], params);
        res.status = answer.status;
        res.set_content(answer.json, "application/json");
    };
    s.Post(R"(/__admin/([a-z-]+))", adminRoute);
    s.Get(R"(/__admin/([a-z-]+))", adminRoute);
}

} // namespace localservice
