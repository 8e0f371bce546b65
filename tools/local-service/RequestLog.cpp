#include "local-service/RequestLog.h"

#include <algorithm>
#include <strings.h>

namespace localservice {

const std::string* LoggedFileRequest::header(const std::string& name) const
{
    for (const auto& [field, value] : headers)
        if (strcasecmp(field.c_str(), name.c_str()) == 0)
            return &value;
    return nullptr;
}

void RequestLog::record(LoggedRequest request)
{
    for (auto& [name, value] : request.params)
        if (name == "password" || name == "encrypt_str")
            value = "***";
    std::lock_guard lock(mutex_);
    entries_.push_back(std::move(request));
}

std::vector<LoggedRequest> RequestLog::entries() const
{
    std::lock_guard lock(mutex_);
    return entries_;
}

std::vector<LoggedRequest> RequestLog::withTag(const std::string& tag) const
{
    std::lock_guard lock(mutex_);
    std::vector<LoggedRequest> out;
    for (const auto& e : entries_)
        if (e.tag == tag)
            out.push_back(e);
    return out;
}

size_t RequestLog::size() const
{
    std::lock_guard lock(mutex_);
    return entries_.size();
}

void RequestLog::clear()
{
    std::lock_guard lock(mutex_);
    entries_.clear();
    files_.clear();
    peak_ = inFlight_;
}

void RequestLog::recordFile(LoggedFileRequest request)
{
    std::lock_guard lock(mutex_);
    files_.push_back(std::move(request));
}

std::vector<LoggedFileRequest> RequestLog::fileEntries() const
{
    std::lock_guard lock(mutex_);
    return files_;
}

std::shared_ptr<void> RequestLog::fileInFlight()
{
    {
        std::lock_guard lock(mutex_);
        peak_ = std::max(peak_, ++inFlight_);
    }
    return std::shared_ptr<void>(nullptr, [this](void*) {
        std::lock_guard lock(mutex_);
        --inFlight_;
    });
}

int RequestLog::filesInFlight() const
{
    std::lock_guard lock(mutex_);
    return inFlight_;
}

int RequestLog::peakFilesInFlight() const
{
    std::lock_guard lock(mutex_);
    return peak_;
}

} // namespace localservice
