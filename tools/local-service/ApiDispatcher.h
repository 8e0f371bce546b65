#pragma once

#include "local-service/FormParams.h"

#include <filesystem>
#include <string>

namespace localservice {

class CatalogueIndex;
class FaultScript;
class RequestLog;
class ServiceControls;
class StateDatabase;
struct Reply;

// Answers one API request: logs it, applies a scripted fault, checks "secret", finds the
// operation, checks the session token where the operation needs a user, and writes the envelope
// {"errcode", "message", "tag", "corvane_data"}.
class ApiDispatcher {
public:
    struct Dependencies {
        StateDatabase& db;
        CatalogueIndex& catalogue;
        ServiceControls& controls;
        FaultScript& faults;
        RequestLog& log;
        std::string baseUrl;
        std::filesystem::path uploadsDir;
        bool quiet = false;
    };

    struct HttpAnswer {
        int status = 200;
        std::string contentType = "application/json; charset=utf-8";
        std::string body;
    };

    explicit ApiDispatcher(Dependencies deps) : deps_(std::move(deps)) {}
    HttpAnswer handle(const std::string& path, const std::string& body);

    // The envelope text, with the catalogue's placeholder base replaced by the service's URL.
    std::string envelope(const Reply& reply, const std::string& tag) const;
    // The line printed for a request: the device parameters and the signature left out, passwords
    // ("password", "encrypt_str") as "***", the token shortened, a cover image ("img") cut to its
    // first 16 characters and its length.
    static std::string logLine(const std::string& path, const FormParams& params);

private:
    Dependencies deps_;
};

} // namespace localservice
