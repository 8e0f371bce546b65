#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace localservice {

class FaultScript;
class RenderCache;
class RequestLog;
class ServiceControls;

struct ServiceOptions {
    // State (SQLite, TLS files, uploads). Empty: $XDG_DATA_HOME/corvane-local-service.
    std::filesystem::path stateDir;
    // Where corvane-catalogue wrote fonts.sqlite, catalogue.json and service-files/.
    std::filesystem::path resourcesDir;
    uint16_t port = 0; // 0: a free port
    bool https = true;
    bool quiet = false; // no request lines on the output
    int wechatAutoConfirmPolls = 0;

    static std::filesystem::path defaultStateDir();
};

// The local stand-in for the Corvane service, on 127.0.0.1 only. Usable in-process (tests start
// one per suite) and from the corvane-local-service program. Thread-safe; the scripted faults,
// the request log and the controls may be changed while requests run.
class LocalService {
public:
    explicit LocalService(ServiceOptions options);
    ~LocalService();
    LocalService(const LocalService&) = delete;
    LocalService& operator=(const LocalService&) = delete;

    bool start(std::string* error = nullptr);
    void stop();
    bool isRunning() const;

    // "https://127.0.0.1:PORT/" (or http:// with https off), with the trailing "/".
    std::string baseUrl() const;
    uint16_t port() const;
    std::filesystem::path stateDir() const;
    std::filesystem::path caCertificatePath() const;

    FaultScript& faults();
    RequestLog& requestLog();
    ServiceControls& controls();
    // What the render route keeps (rendered previews, opened faces); null before start().
    RenderCache* renderCache();

    // The catalogue data state that getBaseData answers: data_expire (0 none, 1 partial, 2 full),
    // data_version, data_url (a path below the base URL, or an absolute URL).
    void setDataState(int expire, const std::string& version, const std::string& url);
    // The version reply. `download` empty keeps the current package (by default the update package
    // of the resources); `size` and `sha256` empty answer the served file's own, "-" leaves the
    // field out, anything else is answered instead (digits as a number).
    void setVersionInfo(const std::string& version, const std::string& content, const std::string& download,
                        const std::string& size = {}, const std::string& sha256 = {});
    void setQuestionnaire(const std::string& imagePath);
    void expireAllTokens();
    // The user's cart (by name or phone) becomes exactly these fonts, unchecked: ids the
    // catalogue lacks are kept too. False when there is no such user.
    bool setCart(const std::string& userName, const std::vector<int64_t>& fontids);
    // Whether the user (by name or phone) has accepted the user agreement. False when there is no
    // such user.
    bool setAgreed(const std::string& userName, bool agreed);
    // What scanning the QR code and confirming on the phone does.
    bool confirmWechatTicket(const std::string& ticket, const std::string& userName = "demo");
    std::optional<std::string> lastSmsCode(const std::string& phone) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace localservice
