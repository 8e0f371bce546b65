#include "Class/AppShell/KXStartupTrace.h"

#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <string>
#include <unistd.h>

namespace kxtrace {

namespace {

std::mutex& traceMutex()
{
    static std::mutex mutex;
    return mutex;
}

const char* traceFile()
{
    const char* file = std::getenv(kVariable);
    return file && *file ? file : nullptr;
}

void appendLocked(const char* file, std::string_view milestone, std::string_view detail)
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    std::string line = std::to_string(static_cast<long long>(now.tv_sec) * 1000000 + now.tv_nsec / 1000);
    line += ' ';
    line += milestone;
    if (!detail.empty()) {
        line += ' ';
        line += detail;
    }
    line += '\n';
    const int fd = ::open(file, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    [[maybe_unused]] const auto written = ::write(fd, line.data(), line.size());
    ::close(fd);
}

} // namespace

bool enabled()
{
    return traceFile() != nullptr;
}

void mark(std::string_view milestone, std::string_view detail)
{
    const char* file = traceFile();
    if (!file)
        return;
    std::lock_guard lock(traceMutex());
    appendLocked(file, milestone, detail);
}

void markOnce(std::string_view milestone, std::string_view detail)
{
    const char* file = traceFile();
    if (!file)
        return;
    static std::set<std::string, std::less<>> reached;
    std::lock_guard lock(traceMutex());
    if (!reached.insert(std::string(milestone)).second)
        return;
    appendLocked(file, milestone, detail);
}

} // namespace kxtrace
