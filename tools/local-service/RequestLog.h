#pragma once

#include "local-service/FormParams.h"

#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace localservice {

struct LoggedRequest {
    std::string method;
    std::string path; // without the leading "/", "" for the base URL
    std::string tag;  // "" when the request carried none
    FormParams params;

    const std::string* param(const std::string& name) const { return FormCodec::find(params, name); }
};

// A GET below /files/, with the header fields as received.
struct LoggedFileRequest {
    std::string path;  // below /files/
    std::string query; // without the "?", "" when there was none
    std::vector<std::pair<std::string, std::string>> headers;

    // The first field of that name in any case, or nullptr.
    const std::string* header(const std::string& name) const;
};

// Every API request the service received, in arrival order, for assertions in tests. Passwords
// are kept as "***" (their presence still shows); nothing else is altered. File requests are
// kept apart, with the number of them being answered at once and its peak. Thread-safe.
class RequestLog {
public:
    void record(LoggedRequest request);
    std::vector<LoggedRequest> entries() const;
    std::vector<LoggedRequest> withTag(const std::string& tag) const;
    size_t size() const;
    // Clears both logs and sets the peak back to the number in flight now.
    void clear();

    void recordFile(LoggedFileRequest request);
    std::vector<LoggedFileRequest> fileEntries() const;
    // Counts a file request as in flight until the returned token is released (after its body).
    std::shared_ptr<void> fileInFlight();
    int filesInFlight() const;
    int peakFilesInFlight() const;

private:
    mutable std::mutex mutex_;
    std::vector<LoggedRequest> entries_;
    std::vector<LoggedFileRequest> files_;
    int inFlight_ = 0;
    int peak_ = 0;
};

} // namespace localservice
