#include "local-service/FaultScript.h"

namespace localservice {

std::optional<Fault::Kind> Fault::kindFromName(const std::string& name)
{
    static const std::map<std::string, Kind> names = {
        {"delay", Kind::None}, {"errcode", Kind::ErrorCode}, {"token", Kind::TokenExpired},
        {"http500", Kind::Http500}, {"nonjson", Kind::NotJson}, {"noreply", Kind::NoReply},
        {"truncate", Kind::TruncatedDownload}, {"slow", Kind::SlowDownload},
        {"zipslip", Kind::ZipSlipPackage}, {"nofontstxt", Kind::NoFontsTxtPackage},
        {"status", Kind::Status}, {"chunked", Kind::Chunked}, {"endless", Kind::Endless},
        {"length", Kind::AnnouncedLength},
        {"late", Kind::LateReply}, {"lost", Kind::LostReply},
    };
    const auto it = names.find(name);
    if (it == names.end())
        return std::nullopt;
    return it->second;
}

void FaultScript::set(const std::string& key, Fault fault)
{
    std::lock_guard lock(mutex_);
    faults_[key] = std::move(fault);
    changed_.notify_all();
}

void FaultScript::clear(const std::string& key)
{
    std::lock_guard lock(mutex_);
    faults_.erase(key);
    changed_.notify_all();
}

void FaultScript::clearAll()
{
    std::lock_guard lock(mutex_);
    faults_.clear();
    changed_.notify_all();
}

std::optional<Fault> FaultScript::take(const std::string& key)
{
    const auto it = faults_.find(key);
    if (it == faults_.end())
        return std::nullopt;
    Fault fault = it->second;
    fault.key = key;
    if (it->second.remaining > 0 && --it->second.remaining == 0)
        faults_.erase(it);
    return fault;
}

std::optional<Fault> FaultScript::takeForOperation(const std::string& path, const std::string& tag)
{
    std::lock_guard lock(mutex_);
    if (!path.empty())
        if (auto fault = take(path))
            return fault;
    if (!tag.empty())
        return take(tag);
    return std::nullopt;
}

std::optional<Fault> FaultScript::takeForFile(const std::string& filePath)
{
    std::lock_guard lock(mutex_);
    std::string best;
    for (const auto& [key, fault] : faults_) {
        const bool matches = key == "files" || (!key.empty() && filePath.rfind(key, 0) == 0 &&
                                                 key.find_first_not_of("0123456789") != std::string::npos);
        if (matches && key.size() > best.size())
            best = key;
    }
    if (best.empty())
        return std::nullopt;
    return take(best);
}

void FaultScript::waitWhileHanging(const std::string& key, std::chrono::seconds limit)
{
    std::unique_lock lock(mutex_);
    ++hanging_;
    changed_.wait_for(lock, limit, [&] {
        const auto it = faults_.find(key);
        return shutdown_ || it == faults_.end() || it->second.kind != Fault::Kind::NoReply;
    });
    --hanging_;
}

int FaultScript::hangingCount()
{
    std::lock_guard lock(mutex_);
    return hanging_;
}

bool FaultScript::stopping()
{
    std::lock_guard lock(mutex_);
    return shutdown_;
}

void FaultScript::pause(std::chrono::milliseconds delay)
{
    if (delay.count() <= 0)
        return;
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, delay, [&] { return shutdown_; });
}

void FaultScript::holdReply(std::chrono::milliseconds delay)
{
    if (delay.count() <= 0)
        return;
    std::unique_lock lock(mutex_);
    const unsigned long release = releases_;
    ++held_;
    changed_.wait_for(lock, delay, [&] { return shutdown_ || releases_ != release; });
    --held_;
}

void FaultScript::releaseHeld()
{
    std::lock_guard lock(mutex_);
    ++releases_;
    changed_.notify_all();
}

int FaultScript::heldCount()
{
    std::lock_guard lock(mutex_);
    return held_;
}

void FaultScript::shutdown()
{
    std::lock_guard lock(mutex_);
    shutdown_ = true;
    changed_.notify_all();
}

void FaultScript::reopen()
{
    std::lock_guard lock(mutex_);
    shutdown_ = false;
}

} // namespace localservice
