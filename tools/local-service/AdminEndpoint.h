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
// and WeChat confirmation. Loopback only, like the rest of the service.
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

private:
    Dependencies deps_;
};

} // namespace localservice
