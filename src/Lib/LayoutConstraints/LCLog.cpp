#include "Lib/LayoutConstraints/LCLog.h"

#include <iostream>
#include <utility>

namespace {

std::function<void(const std::string&)>& handler()
{
    static std::function<void(const std::string&)> current;
    return current;
}

} // namespace

void LCLog(const std::string& line)
{
    if (handler())
        handler()(line);
    else
        std::cerr << line << '\n';
}

std::function<void(const std::string&)> LCSetLogHandler(std::function<void(const std::string&)> next)
{
    return std::exchange(handler(), std::move(next));
}
