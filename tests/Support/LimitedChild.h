#pragma once

#include <csignal>
#include <cstdint>
#include <functional>
#include <string>
#include <sys/resource.h>

namespace testsupport {

// Limits for a child process that runs a hostile input, so that a regression which would fill the
// disk or the memory fails its test instead of the machine.
struct ChildLimits {
    // Largest file the child may write (RLIMIT_FSIZE); a write past it fails with EFBIG. 0: none.
    std::uint64_t fileBytes = 0;
    // Memory the child may add to what it has at the fork (RLIMIT_AS); an allocation past it
    // fails. 0: none. Not applied under AddressSanitizer or ThreadSanitizer, which reserve far
    // more address space than any such limit: memoryLimitApplies() tells.
    std::uint64_t memoryBytes = 0;
};

bool memoryLimitApplies();

struct ChildOutcome {
    bool exited = false; // normally, with `exitCode`; else killed by `signal`
    int exitCode = -1;
    int signal = 0;
    std::string describe() const;
};

// Exit codes of the child besides the body's own.
inline constexpr int kChildThrewBadAlloc = 120;
inline constexpr int kChildThrew = 121;

// Forks, applies the limits in the child and runs `body` there; the child ends with the body's
// result as its exit code (kChildThrewBadAlloc or kChildThrew when it throws) and never runs the
// parent's exit handlers. GoogleTest assertions in the body do not reach the parent: return a code
// and check it there.
ChildOutcome runLimited(const ChildLimits& limits, const std::function<int()>& body);

// For its lifetime, this process may write no file past `bytes` (RLIMIT_FSIZE, SIGXFSZ ignored):
// a write fails with EFBIG as on a full disk, while a removal still works, whoever runs the test
// (root ignores permissions). Nothing else may write files meanwhile; the limits are restored
// afterwards.
class FileSizeLimit {
public:
    explicit FileSizeLimit(std::uint64_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    struct rlimit previous_ {};
    void (*previousHandler_)(int) = SIG_DFL;
};

} // namespace testsupport
