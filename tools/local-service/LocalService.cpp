#include "local-service/LocalService.h"

#include "local-service/Accounts.h"
#include "local-service/AdminEndpoint.h"
#include "local-service/ApiDispatcher.h"
#include "local-service/CatalogueIndex.h"
#include "local-service/FaultScript.h"
#include "local-service/FileValidators.h"
#include "local-service/Operation.h"
#include "local-service/OperationTable.h"
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
#include <arpa/inet.h>
#include <charconv>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <httplib.h>
#include <map>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>

namespace localservice {

namespace fs = std::filesystem;

namespace {

// Closes the reading side of every connection this process accepted on `port`, once the
// listening socket is closed. A worker of the HTTP library waits up to the keep-alive time-out
// for the next request on an idle connection, and the server's stop waits for its workers: with
// a client still connected (its connection pool keeps one open) every stop took that long. Such
// a connection now reads as closed and its worker leaves at once, while a worker still answering
// a request finishes writing its reply first. Sockets of other servers and of clients (whose own
// port is not this one) are left alone.
void endConnectionsAcceptedOn(uint16_t port)
{
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd", ec)) {
        const std::string name = entry.path().filename().string();
        int fd = -1;
        if (std::from_chars(name.data(), name.data() + name.size(), fd).ec != std::errc())
            continue;
        sockaddr_storage address{};
        socklen_t length = sizeof address;
        if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            continue;
        uint16_t local = 0;
        if (address.ss_family == AF_INET)
            local = ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
        else if (address.ss_family == AF_INET6)
            local = ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
        int listening = 0;
        socklen_t size = sizeof listening;
        if (local != port || ::getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &size) != 0 || listening)
            continue;
        ::shutdown(fd, SHUT_RD);
    }
}

// Reads a request's body into `body`. A request with neither Content-Length nor chunked encoding
// has none (RFC 9112, 6.3); the library would read one until the connection closes. False when
// the reader failed, with the status set: 413 over the payload limit, else 400.
bool readBody(const httplib::Request& req, const httplib::ContentReader& content, std::string& body, httplib::Response& res)
{
    if (!req.has_header("Content-Length") && req.get_header_value("Transfer-Encoding").find("chunked") == std::string::npos)
        return true;
    const bool read = content([&body](const char* data, size_t length) {
        body.append(data, length);
        return true;
    });
    if (!read && res.status < 400)
        res.status = 400;
    return read;
}

} // namespace

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
    // Answers a file below /files/ with its faults and validators, logging the request; `make`
    // stands in for the stored file (rendered previews).
    using MakeFile = std::function<std::optional<ServiceFiles::File>()>;
    void serveFile(const httplib::Request& req, const std::string& relative, httplib::Response& res, const MakeFile& make = {});
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
    // A worker waits this long for the next request on a kept-alive connection, and stop() waits
    // for the workers: the library's 5 s made every stop with a client connected take 5 s.
    d.server->set_keep_alive_timeout(1);
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
    endConnectionsAcceptedOn(static_cast<uint16_t>(d.port));
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

RenderCache* LocalService::renderCache()
{
    return impl_->files ? &impl_->files->renderCache() : nullptr;
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

void LocalService::setVersionInfo(const std::string& version, const std::string& content, const std::string& download,
                                  const std::string& size, const std::string& sha256)
{
    auto lock = impl_->db->lock();
    impl_->db->setSetting("version", version);
    impl_->db->setSetting("version_content", content);
    if (!download.empty())
        impl_->db->setSetting("version_download", download);
    impl_->db->setSetting("version_size", size);
    impl_->db->setSetting("version_sha256", sha256);
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

bool LocalService::setCart(const std::string& userName, const std::vector<int64_t>& fontids)
{
    auto lock = impl_->db->lock();
    return replaceCart(*impl_->db, userName, fontids);
}

bool LocalService::setAgreed(const std::string& userName, bool agreed)
{
    auto lock = impl_->db->lock();
    const auto user = Accounts::userNamed(*impl_->db, userName);
    return user && impl_->db->exec("UPDATE users SET is_agree = ? WHERE id = ?", {static_cast<int64_t>(agreed ? 1 : 0), *user});
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

void LocalService::Impl::serveFile(const httplib::Request& req, const std::string& relative, httplib::Response& res,
                                   const MakeFile& make)
{
    LoggedFileRequest logged{relative, {}, {}};
    if (const auto mark = req.target.find('?'); mark != std::string::npos)
        logged.query = req.target.substr(mark + 1);
    for (const auto& [name, value] : req.headers)
        logged.headers.emplace_back(name, value);
    log.recordFile(std::move(logged));
    std::shared_ptr<void> inFlight = log.fileInFlight();

    const auto fault = faults.takeForFile(relative);
    const Fault::Kind kind = fault ? fault->kind : Fault::Kind::None;
    std::optional<ServiceFiles::File> file;
    if (kind == Fault::Kind::ZipSlipPackage)
        file = ServiceFiles::File{std::make_shared<const std::string>(ServiceFiles::zipSlipPackage()), "application/zip",
                                  fs::path(relative).filename().string(), std::nullopt};
    else if (kind == Fault::Kind::NoFontsTxtPackage)
        file = ServiceFiles::File{std::make_shared<const std::string>(ServiceFiles::packageWithoutFontsTxt()),
                                  "application/zip", fs::path(relative).filename().string(), std::nullopt};
    else
        file = make ? make() : files->get(relative);
    if (fault) {
        if (kind != Fault::Kind::LateReply)
            faults.pause(fault->delay);
        switch (kind) {
        case Fault::Kind::NoReply:
            faults.waitWhileHanging(fault->key, std::chrono::seconds(300));
            res.status = 503;
            return;
        case Fault::Kind::Http500:
            res.status = 500;
            res.set_content("Internal Server Error", "text/plain");
            return;
        case Fault::Kind::Status:
            res.status = fault->status;
            if (fault->status != 304 && fault->status >= 200)
                res.set_content("Status " + std::to_string(fault->status), "text/plain");
            return;
        case Fault::Kind::NotJson:
            res.set_content("<!DOCTYPE html><html><body><h1>Service unavailable</h1></body></html>", "text/html");
            return;
        default:
            break;
        }
    }
    if (!file) {
        res.status = 404;
        res.set_content("Not Found", "text/plain");
        return;
    }
    const std::string tag = FileValidators::entityTag(*file->bytes);
    res.set_header("ETag", tag);
    if (file->lastModified)
        res.set_header("Last-Modified", FileValidators::httpDate(*file->lastModified));
    const auto header = [&](const char* name) {
        return req.has_header(name) ? std::optional<std::string>(req.get_header_value(name)) : std::nullopt;
    };
    const auto ifNoneMatch = header("If-None-Match");
    const auto ifModifiedSince = header("If-Modified-Since");
    if (FileValidators::notModified(ifNoneMatch ? &*ifNoneMatch : nullptr, ifModifiedSince ? &*ifModifiedSince : nullptr,
                                    tag, file->lastModified)) {
        res.status = 304;
        return;
    }
    if (!file->downloadName.empty())
        res.set_header("Content-Disposition", "attachment; filename=\"" + file->downloadName + "\"");
    const auto bytes = file->bytes;
    const size_t size = bytes->size();
    // The provider keeps the request counted as in flight until its body has gone out.
    const auto release = [inFlight](bool) mutable { inFlight.reset(); };
    switch (kind) {
    case Fault::Kind::Chunked: {
        const size_t rate = fault->bytesPerSecond;
        const size_t step = rate ? std::max<size_t>(rate / 10, 1) : 4096;
        FaultScript* script = &faults;
        res.set_chunked_content_provider(
            file->contentType,
            [bytes, rate, step, script](size_t offset, httplib::DataSink& sink) {
                if (offset < bytes->size()
                    && !sink.write(bytes->data() + offset, std::min(bytes->size() - offset, step)))
                    return false;
                if (rate)
                    script->pause(std::chrono::milliseconds(1000 * step / rate));
                if (offset + step >= bytes->size())
                    sink.done();
                return true;
            },
            release);
        return;
    }
    case Fault::Kind::Endless: {
        if (bytes->empty()) {
            res.set_content(*bytes, file->contentType);
            return;
        }
        const size_t rate = fault->bytesPerSecond;
        const size_t step = rate ? std::max<size_t>(rate / 10, 1) : 65536;
        FaultScript* script = &faults;
        res.set_chunked_content_provider(
            file->contentType,
            [bytes, rate, step, script](size_t offset, httplib::DataSink& sink) {
                // The file's bytes again and again, from where the last chunk stopped.
                std::string chunk;
                chunk.reserve(step);
                for (size_t at = offset % bytes->size(); chunk.size() < step; at = 0)
                    chunk.append(*bytes, at, step - chunk.size());
                if (script->stopping() || !sink.write(chunk.data(), chunk.size()))
                    return false;
                if (rate)
                    script->pause(std::chrono::milliseconds(1000 * step / rate));
                return true;
            },
            release);
        return;
    }
    case Fault::Kind::AnnouncedLength:
        res.set_content_provider(
            fault->announcedLength, file->contentType,
            [bytes](size_t offset, size_t length, httplib::DataSink& sink) {
                if (offset >= bytes->size())
                    return false; // the connection closes short of the announced length
                sink.write(bytes->data() + offset, std::min(length, bytes->size() - offset));
                return true;
            },
            release);
        return;
    case Fault::Kind::LateReply: {
        const size_t half = size / 2;
        const auto delay = fault->delay;
        auto held = std::make_shared<bool>(false);
        FaultScript* script = &faults;
        res.set_content_provider(
            size, file->contentType,
            [bytes, half, delay, held, script](size_t offset, size_t length, httplib::DataSink& sink) {
                if (offset >= half && !*held) {
                    *held = true;
                    script->holdReply(delay);
                }
                const size_t end = offset < half ? half : bytes->size();
                sink.write(bytes->data() + offset, std::min(length, end - offset));
                return true;
            },
            release);
        return;
    }
    case Fault::Kind::TruncatedDownload:
    case Fault::Kind::SlowDownload:
        break;
    default:
        res.set_content(*bytes, file->contentType);
        return;
    }
    const bool truncate = kind == Fault::Kind::TruncatedDownload;
    const size_t limit = truncate ? std::min(fault->truncateAfter, size) : size;
    const size_t rate = truncate ? 0 : fault->bytesPerSecond;
    FaultScript* script = &faults;
    res.set_content_provider(
        size, file->contentType,
        [bytes, limit, rate, script](size_t offset, size_t length, httplib::DataSink& sink) {
            if (offset >= limit)
                return false; // the connection closes short of the announced length
            const size_t chunk = std::min({length, limit - offset, rate ? std::max<size_t>(rate / 10, 1) : size_t(65536)});
            sink.write(bytes->data() + offset, chunk);
            if (rate)
                script->pause(std::chrono::milliseconds(1000 * chunk / rate));
            return true;
        },
        release);
}

void LocalService::Impl::routes()
{
    httplib::Server& s = *server;
    // The operations read their bodies themselves: the library refuses a form body over 8 KiB when
    // it reads one, and a cover goes base64 in the publish form. The payload limit still holds.
    const auto operation = [this](const std::string& path, const httplib::Request& req, const httplib::ContentReader& content, httplib::Response& res) {
        std::string body;
        if (!readBody(req, content, body, res)) {
            // The reader set the status: 413 over the payload limit, 400 for a body cut short.
            const char* why = res.status == 413 ? "参数错误：请求体超过 8 MB" : "参数错误：请求体不完整";
            res.set_content(api->envelope(Reply::failed(errcode::kBadParameter, why), ""), "application/json; charset=utf-8");
            return;
        }
        const auto answer = api->handle(path, body);
        res.status = answer.status;
        res.set_content(answer.body, answer.contentType.c_str());
    };
    s.Post("/", [operation](const httplib::Request& req, httplib::Response& res, const httplib::ContentReader& content) {
        operation("", req, content, res);
    });
    s.Post(R"(/([A-Za-z]+))", [operation](const httplib::Request& req, httplib::Response& res, const httplib::ContentReader& content) {
        operation(req.matches[1], req, content, res);
    });
    s.Get(R"(/files/qr/([0-9a-f]+)\.png)", [this](const httplib::Request& req, httplib::Response& res) {
        const auto file = files->qr(baseUrl + "wechat/confirm?ticket=" + std::string(req.matches[1]));
        res.set_content(*file.bytes, "image/png");
    });
    // Rendered previews are files like the others: logged, scripted under "render/", validated.
    s.Get(R"(/files/render/([0-9]+)/(day|night)\.png)", [this](const httplib::Request& req, httplib::Response& res) {
        const int64_t fontid = std::strtoll(std::string(req.matches[1]).c_str(), nullptr, 10);
        const bool night = req.matches[2] == "night";
        const std::string text = req.get_param_value("text");
        serveFile(req, "render/" + std::string(req.matches[1]) + "/" + std::string(req.matches[2]) + ".png", res,
                  [&] { return files->render(fontid, night, text); });
    });
    s.Get(R"(/files/(.+))", [this](const httplib::Request& req, httplib::Response& res) {
        serveFile(req, req.matches[1], res);
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
    // The share page of a published collection: 404 for an unknown or unpublished id, 400 for an
    // unknown target.
    s.Get("/pages/share", [this](const httplib::Request& req, httplib::Response& res) {
        static const std::map<std::string, std::string> targets = {
            {"wechat", "微信"}, {"weibo", "微博"}, {"qq", "QQ"}, {"qzone", "QQ空间"}};
        const std::string idText = req.get_param_value("id");
        char* end = nullptr;
        const long long id = idText.empty() ? 0 : std::strtoll(idText.c_str(), &end, 10);
        auto lock = db->lock();
        const auto rows = end && *end == '\0' && id > 0
            ? db->query("SELECT f.collect_name, f.img, f.is_publish, f.is_encrypt, u.nick_name, u.name FROM folders f"
                        " JOIN users u ON u.id = f.user_id WHERE f.id = ?", {static_cast<int64_t>(id)})
            : std::vector<SqlRow>();
        if (rows.empty() || StateDatabase::integer(rows[0][2]) != 2) {
            res.status = 404;
            res.set_content(WebPages::generic("合集不存在"), "text/html; charset=utf-8");
            return;
        }
        const auto target = targets.find(req.get_param_value("direct"));
        if (target == targets.end()) {
            res.status = 400;
            res.set_content(WebPages::generic("未知的分享方式"), "text/html; charset=utf-8");
            return;
        }
        const std::string nick = StateDatabase::text(rows[0][4]);
        std::string cover = StateDatabase::text(rows[0][1]);
        if (!cover.empty() && cover.rfind("http", 0) != 0)
            cover = baseUrl + cover;
        res.set_content(WebPages::share(StateDatabase::text(rows[0][0]), nick.empty() ? StateDatabase::text(rows[0][5]) : nick, cover,
                                        target->second, StateDatabase::integer(rows[0][3]) != 0),
                        "text/html; charset=utf-8");
    });
    s.Get(R"(/pages/([A-Za-z0-9_-]+))", [](const httplib::Request& req, httplib::Response& res) {
        res.set_content(WebPages::generic(req.matches[1]), "text/html; charset=utf-8");
    });
    const auto adminRoute = [this](const httplib::Request& req, const std::string& body, httplib::Response& res) {
        FormParams params = FormCodec::parse(body);
        for (const auto& [name, value] : req.params)
            params.emplace_back(name, value);
        const auto answer = admin->handle(req.matches[1], params);
        res.status = answer.status;
        res.set_content(answer.json, "application/json");
    };
    s.Post(R"(/__admin/([a-z-]+))", [adminRoute](const httplib::Request& req, httplib::Response& res, const httplib::ContentReader& content) {
        std::string body;
        if (!readBody(req, content, body, res)) {
            res.set_content(AdminEndpoint::refusal(res.status == 413 ? "body over 8 MB" : "body cut short"), "application/json");
            return;
        }
        adminRoute(req, body, res);
    });
    s.Get(R"(/__admin/([a-z-]+))", [adminRoute](const httplib::Request& req, httplib::Response& res) { adminRoute(req, req.body, res); });
}

} // namespace localservice
