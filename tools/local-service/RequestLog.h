#pragma once

#include "local-service/FormParams.h"

#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

namespace localservice {

struct LoggedRequest {
    std::string method;
    std::string path; // without the leading "/", "" for the base URL
    std::string tag;  // "" when the request carried none
    FormParams params;

    const std::string* param(const std::string& name) const { return FormCodec::find(params, name); }
};

// Every API request the service received, in arrival order, for assertions in tests. Passwords
// are kept as "***" (their presence still shows); nothing else is altered. Thread-safe.
class RequestLog {
public:
    void record(LoggedRequest request);
    std::vector<LoggedRequest> entries() const;
    std::vector<LoggedRequest> withTag(const std::string& tag) const;
    size_t size() const;
    void clear();

private:
    mutable std::mutex mutex_;
    std::vector<LoggedRequest> entries_;
};

} // namespace localservice
