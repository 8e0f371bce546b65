#pragma once

#include "local-service/FormParams.h"

#include <string>

namespace localservice {

class CatalogueIndex;
class FaultScript;
class RequestLog;
class ServiceControls;
class StateDatabase;

// The small admin interface below /__admin/ through which a test in another process scripts the
// service: faults, the request log, the data state, the version, tokens, SMS codes, unpaid count
// and WeChat confirmation. Loopback only, like the rest of the service. A refusal is
// {"ok": false, "error": why} with status 400 (a bad or missing value; nothing is changed then) or
// 404 (an unknown action).
class AdminEndpoint {
public:
    struct Dependencies {
        StateDatabase& db;
        CatalogueIndex& catalogue;
        ServiceControls& controls;
        FaultScript& faults;
        RequestLog& log;
    };
    struct Answer {
        int status = 200;
        std::string json;
    };

    explicit AdminEndpoint(Dependencies deps) : deps_(deps) {}
    Answer handle(const std::string& action, const FormParams& params);
    // The body of a refusal.
    static std::string refusal(const std::string& why);

private:
    Dependencies deps_;
};

} // namespace localservice
