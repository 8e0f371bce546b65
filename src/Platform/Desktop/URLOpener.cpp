#include "Platform/Desktop/URLOpener.h"

#include "Platform/Dispatch/Queue.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace desktop {

namespace {

std::mutex& sharedMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<URLOpener>& sharedSlot()
{
    static std::shared_ptr<URLOpener> opener;
    return opener;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

bool isControlOrBlank(unsigned char c)
{
    return c <= 0x20 || c == 0x7f;
}

char lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (lower(text[i]) != prefix[i])
            return false;
    }
    return true;
}

void reportFailure(const URLOpener::FailureHandler& onFailure, const std::string& reason)
{
    if (onFailure)
        dispatch::mainQueue().async([onFailure, reason] { onFailure(reason); });
    else
        std::fprintf(stderr, "%s\n", reason.c_str());
}

} // namespace

std::optional<std::string> URLOpener::acceptedWebAddress(std::string_view url)
{
    while (!url.empty() && isBlank(url.front()))
        url.remove_prefix(1);
    while (!url.empty() && isBlank(url.back()))
        url.remove_suffix(1);

    std::string_view rest;
    if (startsWithNoCase(url, "https://"))
        rest = url.substr(8);
    else if (startsWithNoCase(url, "http://"))
        rest = url.substr(7);
    else
        return std::nullopt;

    for (char c : url) {
        if (isControlOrBlank(static_cast<unsigned char>(c)))
            return std::nullopt;
    }
    // The authority ends at the first "/", "?" or "#"; it must name a host.
    const auto authorityEnd = rest.find_first_of("/?#");
    std::string_view authority = rest.substr(0, authorityEnd);
    if (const auto at = authority.rfind('@'); at != std::string_view::npos)
        authority.remove_prefix(at + 1);
    if (authority.empty() || authority.front() == ':')
        return std::nullopt;
    return std::string(url);
}

std::optional<std::string> URLOpener::openURL(std::string_view url, FailureHandler onFailure)
{
    auto accepted = acceptedWebAddress(url);
    if (!accepted)
        return "Only http and https addresses are opened: " + std::string(url);
    return launch(*accepted, std::move(onFailure));
}

std::optional<std::string> URLOpener::openLocalFile(const std::filesystem::path& path, FailureHandler onFailure)
{
    if (!path.is_absolute())
        return "Not an absolute path: " + path.string();
    std::error_code error;
    if (!std::filesystem::exists(path, error))
        return "No such file or folder: " + path.string();
    return launch(path.lexically_normal().string(), std::move(onFailure));
}

std::shared_ptr<URLOpener> URLOpener::shared()
{
    std::lock_guard lock(sharedMutex());
    auto& slot = sharedSlot();
    if (!slot)
        slot = std::make_shared<SystemURLOpener>();
    return slot;
}

std::shared_ptr<URLOpener> URLOpener::install(std::shared_ptr<URLOpener> opener)
{
    std::lock_guard lock(sharedMutex());
    auto previous = std::move(sharedSlot());
    sharedSlot() = std::move(opener);
    return previous;
}

SystemURLOpener::SystemURLOpener(std::string program)
    : program_(std::move(program))
{
}

std::optional<std::string> SystemURLOpener::launch(const std::string& target, FailureHandler onFailure)
{
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawnattr_init(&attributes);
    // The opener starts with a clean signal state, whatever this process ignores or blocks.
    sigset_t none;
    sigset_t defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (int signal : {SIGPIPE, SIGINT, SIGTERM, SIGCHLD, SIGHUP})
        sigaddset(&defaults, signal);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::string program = program_;
    std::string argument = target;
    char* argv[] = {program.data(), argument.data(), nullptr};
    pid_t pid = 0;
    const int result = posix_spawnp(&pid, program.c_str(), &actions, &attributes, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (result != 0)
        return "Could not start " + program_ + ": " + std::strerror(result);

    std::thread([pid, program = program_, onFailure = std::move(onFailure)] {
        int status = 0;
        pid_t waited = 0;
        do {
            waited = waitpid(pid, &status, 0);
        } while (waited < 0 && errno == EINTR);
        if (waited < 0)
            return; // someone else collected it; nothing to report
        if (WIFEXITED(status) && WEXITSTATUS(status) != 0)
            reportFailure(onFailure, program + " exited with status " + std::to_string(WEXITSTATUS(status)));
        else if (WIFSIGNALED(status))
            reportFailure(onFailure, program + " ended by signal " + std::to_string(WTERMSIG(status)));
    }).detach();
    return std::nullopt;
}

std::vector<std::string> RecordingURLOpener::opened() const
{
    std::lock_guard lock(mutex_);
    return opened_;
}

void RecordingURLOpener::clear()
{
    std::lock_guard lock(mutex_);
    opened_.clear();
}

void RecordingURLOpener::setLaunchError(std::optional<std::string> error)
{
    std::lock_guard lock(mutex_);
    launchError_ = std::move(error);
}

std::optional<std::string> RecordingURLOpener::launch(const std::string& target, FailureHandler)
{
    std::lock_guard lock(mutex_);
    if (launchError_)
        return launchError_;
    opened_.push_back(target);
    return std::nullopt;
}

ScopedRecordingURLOpener::ScopedRecordingURLOpener()
    : recording_(std::make_shared<RecordingURLOpener>())
    , previous_(URLOpener::install(recording_))
{
}

ScopedRecordingURLOpener::~ScopedRecordingURLOpener()
{
    URLOpener::install(previous_);
}

} // namespace desktop
