#include "Platform/Foundation/LogChannel.h"

#include <cstdio>

namespace foundation {

LogChannel::Sink LogChannel::setSink(Sink sink)
{
    std::lock_guard lock(sinkMutex_);
    std::swap(sink_, sink);
    return sink;
}

void LogChannel::line(const std::string& text)
{
    Sink sink;
    {
        std::lock_guard lock(sinkMutex_);
        sink = sink_;
    }
    std::lock_guard delivery(deliveryMutex_);
    if (sink) {
        sink(text);
        return;
    }
    std::string withNewline = text;
    withNewline.push_back('\n');
    std::fwrite(withNewline.data(), 1, withNewline.size(), stderr);
}

} // namespace foundation
