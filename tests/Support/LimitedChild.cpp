#include "Support/LimitedChild.h"

#include "Platform/Foundation/Sanitizers.h"

#include <csignal>
#include <cstdio>
#include <fstream>
#include <new>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

namespace {

std::uint64_t addressSpaceInUse()
{
    std::ifstream statm("/proc/self/statm");
    std::uint64_t pages = 0;
    statm >> pages;
    return pages * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
}

void limit(int resource, std::uint64_t bytes)
{
    struct rlimit value {};
    value.rlim_cur = static_cast<rlim_t>(bytes);
    value.rlim_max = static_cast<rlim_t>(bytes);
    if (::setrlimit(resource, &value) != 0)
        ::_exit(kChildThrew);
}

} // namespace

bool memoryLimitApplies()
{
    // The sanitizers' shadow memory alone is larger than any limit a test would set.
    return !foundation::kSanitizerAllocator;
}

std::string ChildOutcome::describe() const
{
    if (exited)
        return "exited with " + std::to_string(exitCode);
    return "killed by signal " + std::to_string(signal);
}

ChildOutcome runLimited(const ChildLimits& limits, const std::function<int()>& body)
{
    std::fflush(nullptr);
    const std::uint64_t inUse = addressSpaceInUse();
    pid_t child = ::fork();
    if (child == 0) {
        if (limits.fileBytes != 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            limit(RLIMIT_FSIZE, limits.fileBytes);
        }
        if (limits.memoryBytes != 0 && memoryLimitApplies())
            limit(RLIMIT_AS, inUse + limits.memoryBytes);
        int code = kChildThrew;
        try {
            code = body();
        } catch (const std::bad_alloc&) {
            code = kChildThrewBadAlloc;
        } catch (...) {
            code = kChildThrew;
        }
        std::fflush(nullptr);
        ::_exit(code);
    }
    ChildOutcome outcome;
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child)
        return outcome;
    if (WIFEXITED(status)) {
        outcome.exited = true;
        outcome.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        outcome.signal = WTERMSIG(status);
    }
    return outcome;
}

FileSizeLimit::FileSizeLimit(std::uint64_t bytes)
    : previousHandler_(std::signal(SIGXFSZ, SIG_IGN))
{
    ::getrlimit(RLIMIT_FSIZE, &previous_);
    struct rlimit limited = previous_;
    limited.rlim_cur = static_cast<rlim_t>(bytes);
    ::setrlimit(RLIMIT_FSIZE, &limited);
}

FileSizeLimit::~FileSizeLimit()
{
    ::setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, previousHandler_);
}

} // namespace testsupport
