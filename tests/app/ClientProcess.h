#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

// One run of the real client program in a home of its own, offscreen, with its milestones read
// from a named pipe as they happen (CORVANE_TRACE_FILE): waiting for a milestone blocks on the
// pipe with a time limit, nothing polls.
class ClientProcess {
public:
    struct Milestone {
        long long microseconds = 0;
        std::string name;
        std::string detail;
    };

    // `home` holds HOME, the XDG folders, the runtime folder and TMPDIR; `environment` adds to or
    // replaces variables of this process's environment. A quiet program's output goes nowhere.
    ClientProcess(const std::filesystem::path& program, const std::filesystem::path& home,
                  std::map<std::string, std::string> environment, std::vector<std::string> arguments = {},
                  bool quiet = false);
    ~ClientProcess();
    ClientProcess(const ClientProcess&) = delete;
    ClientProcess& operator=(const ClientProcess&) = delete;

    // The milestone of that name, read as it comes; nullopt when the time runs out or the program
    // ended without it.
    std::optional<Milestone> waitFor(const std::string& name, std::chrono::seconds limit = std::chrono::seconds(30));
    // The same, for a milestone with that detail.
    std::optional<Milestone> waitFor(const std::string& name, const std::string& detail,
                                     std::chrono::seconds limit = std::chrono::seconds(30));
    const std::vector<Milestone>& milestones() const { return milestones_; }

    void signal(int number);
    // The exit status; nullopt when it did not end in time (it is killed then).
    std::optional<int> wait(std::chrono::seconds limit = std::chrono::seconds(30));

    static std::map<std::string, std::string> homeEnvironment(const std::filesystem::path& home);

private:
    bool readLine(std::chrono::steady_clock::time_point deadline);
    void drain();

    int pid_ = -1;
    int pidfd_ = -1;
    int pipe_ = -1;
    int keepOpen_ = -1;
    std::string buffer_;
    std::vector<Milestone> milestones_;
    std::optional<int> status_;
};

// Runs a program to its end and gives its exit status (-1 when it could not start).
int runToEnd(const std::vector<std::string>& command, const std::map<std::string, std::string>& environment);

} // namespace e2e
