#include "Lib/Networking/NKNetworking.h"

#include <iostream>
#include <mutex>
#include <utility>

namespace {

std::mutex& logMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::function<void(const std::string&)>& logHandler()
{
    static std::function<void(const std::string&)> current;
    return current;
}

} // namespace

std::string NKLocalizedString(std::string_view key)
{
    return std::string(key);
}

void NKLog(const std::string& line)
{
    std::function<void(const std::string&)> handler;
    {
        std::lock_guard lock(logMutex());
        handler = logHandler();
    }
    if (handler)
        handler(line);
    else
        std::cerr << line << '\n';
}

std::function<void(const std::string&)> NKSetLogHandler(std::function<void(const std::string&)> handler)
{
    std::lock_guard lock(logMutex());
    return std::exchange(logHandler(), std::move(handler));
}
