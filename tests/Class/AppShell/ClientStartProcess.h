#pragma once

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace shelltest {

// A start of the client (kx_client_start) in a process of its own, on this program's home, with
// the runtime folder given and, when given, a lock folder (and a fallback folder) of its own: it
// reports its outcome ("primary removed", "busy", ...) and, when it runs, runs until end().
class ClientStartProcess {
public:
    explicit ClientStartProcess(const std::filesystem::path& runtimeFolder,
        const std::filesystem::path& lockFolder = {}, const std::filesystem::path& fallbackFolder = {})
    {
        int input[2];
        int output[2];
        if (::pipe2(input, O_CLOEXEC) != 0 || ::pipe2(output, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
        std::string program = CORVANE_CLIENT_START;
        std::string folder = runtimeFolder.string();
        std::string locks = lockFolder.string();
        std::string fallback = fallbackFolder.string();
        char* argv[] = { program.data(), folder.data(), lockFolder.empty() ? nullptr : locks.data(),
            lockFolder.empty() || fallbackFolder.empty() ? nullptr : fallback.data(), nullptr };
        if (::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(input[0]);
        ::close(output[1]);
        input_ = input[1];
        char c = 0;
        while (::read(output[0], &c, 1) == 1 && c != '\n')
            outcome_ += c;
        ::close(output[0]);
    }
    ~ClientStartProcess() { end(); }
    ClientStartProcess(const ClientStartProcess&) = delete;
    ClientStartProcess& operator=(const ClientStartProcess&) = delete;

    // "primary removed", "primary kept", "forwarded", "busy", "unavailable"; empty when the start failed.
    const std::string& outcome() const { return outcome_; }

    pid_t pid() const { return pid_; }

    // Stops the process as a main thread that never comes back would look; true once it is stopped.
    bool stop()
    {
        int status = 0;
        return pid_ > 0 && ::kill(pid_, SIGSTOP) == 0 && ::waitpid(pid_, &status, WUNTRACED) == pid_
            && WIFSTOPPED(status);
    }

    // Kills the process at once: what it holds stays behind.
    void kill()
    {
        if (pid_ > 0 && ::kill(pid_, SIGKILL) == 0)
            ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

    // Closes its input (a stopped process is let go on first) and waits for its end: its exit
    // status, -1 when it had ended already or did not exit by itself.
    int end()
    {
        if (input_ >= 0)
            ::close(input_);
        input_ = -1;
        if (pid_ <= 0)
            return -1;
        ::kill(pid_, SIGCONT);
        int status = 0;
        const bool waited = ::waitpid(pid_, &status, 0) == pid_;
        pid_ = -1;
        return waited && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    int input_ = -1;
    std::string outcome_;
};

} // namespace shelltest
