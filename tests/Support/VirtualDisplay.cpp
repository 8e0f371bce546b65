#include "Support/VirtualDisplay.h"

#include <csignal>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace testsupport {

VirtualDisplay::VirtualDisplay()
{
    if (!std::filesystem::exists("/usr/bin/Xvfb"))
        return;
    int fds[2];
    if (::pipe(fds) != 0)
        return;
    std::string fd = std::to_string(fds[1]);
    char* argv[] = { const_cast<char*>("Xvfb"), const_cast<char*>("-displayfd"), fd.data(),
        const_cast<char*>("-nolisten"), const_cast<char*>("tcp"), nullptr };
    if (posix_spawn(&pid_, "/usr/bin/Xvfb", nullptr, nullptr, argv, environ) != 0)
        pid_ = 0;
    ::close(fds[1]);
    char buffer[32] = {};
    std::string number;
    while (pid_ > 0) {
        const auto got = ::read(fds[0], buffer, sizeof buffer);
        if (got <= 0)
            break;
        number.append(buffer, static_cast<std::size_t>(got));
        if (number.find('\n') != std::string::npos)
            break;
    }
    ::close(fds[0]);
    if (!number.empty() && number.find('\n') != std::string::npos)
        name_ = ":" + number.substr(0, number.find('\n'));
}

VirtualDisplay::~VirtualDisplay()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
}

} // namespace testsupport
