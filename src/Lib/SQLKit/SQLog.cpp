#include "Lib/SQLKit/SQLog.h"

#include <cstdio>
#include <mutex>

namespace {
std::mutex& sinkMutex()
{
    static std::mutex mutex;
    return mutex;
}
SQLogSink& currentSink()
{
    static SQLogSink sink;
    return sink;
}
} // namespace

SQLogSink SQSetLogSink(SQLogSink sink)
{
    std::lock_guard lock(sinkMutex());
    std::swap(currentSink(), sink);
    return sink;
}

void SQLogLine(const std::string& line)
{
    std::lock_guard lock(sinkMutex());
    if (currentSink()) {
        currentSink()(line);
        return;
    }
    std::string text = line;
    text.push_back('\n');
    std::fwrite(text.data(), 1, text.size(), stderr);
}
