#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace localservice {

// Knobs of the running service that tests turn and operations read, and the side channel of
// SMS codes (the service has no SMS gateway: it prints the code and remembers it). Thread-safe.
class ServiceControls {
public:
    // 0: the WeChat ticket waits for the confirm page; n: confirmed by the n-th poll.
    void setWechatAutoConfirmPolls(int polls);
    int wechatAutoConfirmPolls() const;

    // Replaces the unpaid-order count in getUnpaid replies (9999 tells the client to stop).
    void setUnpaidOverride(std::optional<int> num);
    std::optional<int> unpaidOverride() const;

    void recordSmsCode(const std::string& phone, const std::string& code);
    std::optional<std::string> lastSmsCode(const std::string& phone) const;
    void setOutput(std::function<void(const std::string&)> output);
    void print(const std::string& line) const;

private:
    mutable std::mutex mutex_;
    int wechatAutoConfirmPolls_ = 0;
    std::optional<int> unpaidOverride_;
    std::map<std::string, std::string> smsCodes_;
    std::function<void(const std::string&)> output_;
};

} // namespace localservice
