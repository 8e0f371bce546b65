#include "local-service/RequestLog.h"

namespace localservice {

void RequestLog::record(LoggedRequest request)
{
    for (auto& [name, value] : request.params)
        if (name == "password")
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
}

} // namespace localservice
