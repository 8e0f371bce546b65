#include "ClientProcess.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

namespace e2e {

namespace {

std::vector<std::string> mergedEnvironment(const std::map<std::string, std::string>& changes)
{
    std::map<std::string, std::string> all;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        const auto equals = text.find('=');
        if (equals != std::string::npos)
            all[text.substr(0, equals)] = text.substr(equals + 1);
    }
    for (const auto& [name, value] : changes)
        all[name] = value;
    std::vector<std::string> out;
    for (const auto& [name, value] : all)
        out.push_back(name + "=" + value);
    return out;
}

int spawn(const std::vector<std::string>& command, const std::map<std::string, std::string>& environment, bool quiet = false)
{
    std::vector<std::string> env = mergedEnvironment(environment);
    std::vector<char*> argv;
    std::vector<std::string> args = command;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (quiet) {
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    }
    pid_t pid = -1;
    const int result = posix_spawn(&pid, args[0].c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return result == 0 ? pid : -1;
}

int exitCode(int status)
{
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// The child's end is learnt from a pidfd, which becomes readable when it exits.
std::optional<int> waitForExit(int pid, std::chrono::steady_clock::time_point deadline)
{
    const int fd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid || done < 0) {
            if (fd >= 0)
                close(fd);
            return done == pid ? std::optional<int>(exitCode(status)) : std::nullopt;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || fd < 0) {
            if (fd >= 0)
                close(fd);
            return std::nullopt;
        }
        pollfd entry{fd, POLLIN, 0};
        poll(&entry, 1, static_cast<int>(left.count()));
    }
}

} // namespace

std::map<std::string, std::string> ClientProcess::homeEnvironment(const fs::path& home)
{
    const fs::path runtime = home / "run";
    for (const char* sub : {".config", ".cache", ".local/share/fonts", "Documents", "tmp"})
        fs::create_directories(home / sub);
    fs::create_directories(runtime);
    fs::permissions(runtime, fs::perms::owner_all);
    return {{"HOME", home.string()},
            {"XDG_CONFIG_HOME", (home / ".config").string()},
            {"XDG_CACHE_HOME", (home / ".cache").string()},
            {"XDG_DATA_HOME", (home / ".local/share").string()},
            {"XDG_RUNTIME_DIR", runtime.string()},
            {"TMPDIR", (home / "tmp").string()}, // what the client finds in its temporary folder is the test's
            {"QT_QPA_PLATFORM", "offscreen"}};
}

ClientProcess::ClientProcess(const fs::path& program, const fs::path& home, std::map<std::string, std::string> environment,
                             std::vector<std::string> arguments, bool quiet)
{
    static int counter = 0;
    const fs::path trace = home / ("trace-" + std::to_string(++counter));
    mkfifo(trace.c_str(), 0600);
    // Our own writer end keeps the pipe open between the program's lines, so reading blocks until
    // a line comes instead of reporting that no writer is there.
    pipe_ = open(trace.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    keepOpen_ = open(trace.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    auto env = homeEnvironment(home);
    for (auto& [name, value] : environment)
        env[name] = value;
    env["CORVANE_TRACE_FILE"] = trace.string();
    std::vector<std::string> command{program.string()};
    command.insert(command.end(), arguments.begin(), arguments.end());
    pid_ = spawn(command, env, quiet);
    if (pid_ > 0)
        pidfd_ = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
}

ClientProcess::~ClientProcess()
{
    if (pid_ > 0 && !status_) {
        kill(pid_, SIGKILL);
        waitForExit(pid_, std::chrono::steady_clock::now() + std::chrono::seconds(10));
    }
    for (int fd : {pipe_, keepOpen_, pidfd_})
        if (fd >= 0)
            close(fd);
}

void ClientProcess::drain()
{
    char chunk[512];
    for (;;) {
        const auto got = read(pipe_, chunk, sizeof chunk);
        if (got <= 0)
            return;
        buffer_.append(chunk, static_cast<size_t>(got));
    }
}

bool ClientProcess::readLine(std::chrono::steady_clock::time_point deadline)
{
    for (;;) {
        const auto newline = buffer_.find('\n');
        if (newline != std::string::npos) {
            std::istringstream line(buffer_.substr(0, newline));
            buffer_.erase(0, newline + 1);
            Milestone milestone;
            line >> milestone.microseconds >> milestone.name;
            std::getline(line >> std::ws, milestone.detail);
            milestones_.push_back(milestone);
            return true;
        }
        if (status_ || pipe_ < 0)
            return false;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd entries[2] = {{pipe_, POLLIN, 0}, {pidfd_, POLLIN, 0}};
        if (poll(entries, pidfd_ >= 0 ? 2 : 1, static_cast<int>(left.count())) <= 0)
            continue;
        drain();
        if (entries[1].revents & POLLIN) {
            int status = 0;
            if (waitpid(pid_, &status, 0) == pid_)
                status_ = exitCode(status);
            drain();
        }
    }
}

std::optional<ClientProcess::Milestone> ClientProcess::waitFor(const std::string& name, std::chrono::seconds limit)
{
    for (const auto& milestone : milestones_)
        if (milestone.name == name)
            return milestone;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (readLine(deadline)) {
        if (milestones_.back().name == name)
            return milestones_.back();
    }
    return std::nullopt;
}

std::optional<ClientProcess::Milestone> ClientProcess::waitFor(const std::string& name, const std::string& detail,
                                                                std::chrono::seconds limit)
{
    for (const auto& milestone : milestones_)
        if (milestone.name == name && milestone.detail == detail)
            return milestone;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (readLine(deadline)) {
        if (milestones_.back().name == name && milestones_.back().detail == detail)
            return milestones_.back();
    }
    return std::nullopt;
}

void ClientProcess::signal(int number)
{
    if (pid_ > 0 && !status_)
        kill(pid_, number);
}

std::optional<int> ClientProcess::wait(std::chrono::seconds limit)
{
    if (status_)
        return status_;
    // Reading on keeps the program from blocking on a full pipe.
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (readLine(deadline)) {
    }
    if (!status_)
        status_ = waitForExit(pid_, deadline);
    return status_;
}

int runToEnd(const std::vector<std::string>& command, const std::map<std::string, std::string>& environment)
{
    const int pid = spawn(command, environment);
    if (pid < 0)
        return -1;
    return waitForExit(pid, std::chrono::steady_clock::now() + std::chrono::minutes(5)).value_or(-1);
}

} // namespace e2e
