#include "local-service/ServiceControls.h"

namespace localservice {

void ServiceControls::setWechatAutoConfirmPolls(int polls)
{
    std::lock_guard lock(mutex_);
    wechatAutoConfirmPolls_ = polls;
}

int ServiceControls::wechatAutoConfirmPolls() const
{
    std::lock_guard lock(mutex_);
    return wechatAutoConfirmPolls_;
}

void ServiceControls::setUnpaidOverride(std::optional<int> num)
{
    std::lock_guard lock(mutex_);
    unpaidOverride_ = num;
}

std::optional<int> ServiceControls::unpaidOverride() const
{
    std::lock_guard lock(mutex_);
    return unpaidOverride_;
}

void ServiceControls::recordSmsCode(const std::string& phone, const std::string& code)
{
    {
        std::lock_guard lock(mutex_);
        smsCodes_[phone] = code;
    }
    print("SMS code for " + phone + ": " + code);
}

std::optional<std::string> ServiceControls::lastSmsCode(const std::string& phone) const
{
    std::lock_guard lock(mutex_);
    const auto it = smsCodes_.find(phone);
    if (it == smsCodes_.end())
        return std::nullopt;
    return it->second;
}

void ServiceControls::setOutput(std::function<void(const std::string&)> output)
{
    std::lock_guard lock(mutex_);
    output_ = std::move(output);
}

void ServiceControls::print(const std::string& line) const
{
    std::function<void(const std::string&)> output;
    {
        std::lock_guard lock(mutex_);
        output = output_;
    }
    if (output)
        output(line);
}

} // namespace localservice
