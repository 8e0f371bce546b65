#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace desktop {

// Hands addresses to the desktop: web addresses to the user's browser, local files and folders to
// their default application. Every page of the client opens addresses through the installed opener
// (shared()), never through a toolkit call of its own, so that one place decides what may leave the
// client: only http and https addresses, and local files only through openLocalFile().
//
// The answer comes in two parts. openURL()/openLocalFile() return at once: nullopt when the opener
// was started, otherwise why nothing was opened (a refused address, a missing file, an opener that
// could not start). The desktop's opener is never waited for: when it later exits with a failure,
// `onFailure` runs on the main queue with the reason.
//
// Thread-safety: shared(), install() and the open calls may be used from any thread.
class URLOpener {
public:
    using FailureHandler = std::function<void(const std::string& reason)>;

    virtual ~URLOpener() = default;

    // Opens an http or https address in the browser. Blanks around the address are ignored; any
    // other scheme, an address without a host and one with control characters or blanks inside
    // are refused.
    std::optional<std::string> openURL(std::string_view url, FailureHandler onFailure = {});
    // Opens an existing local file or folder, named by an absolute path, with its default
    // application.
    std::optional<std::string> openLocalFile(const std::filesystem::path& path, FailureHandler onFailure = {});

    // The address as it would be handed out (trimmed), or nullopt when openURL() refuses it.
    static std::optional<std::string> acceptedWebAddress(std::string_view url);

    // The process-wide opener: the system opener until another is installed.
    static std::shared_ptr<URLOpener> shared();
    // Installs `opener` (nullptr: the system opener again) and returns the previous one.
    static std::shared_ptr<URLOpener> install(std::shared_ptr<URLOpener> opener);

protected:
    // Hands an accepted target (an address or an absolute path) to the desktop.
    virtual std::optional<std::string> launch(const std::string& target, FailureHandler onFailure) = 0;
};

// Starts `program target` (xdg-open by default) directly, without a shell, and does not wait for
// it; a thread of its own collects the exit status and reports a failed exit.
class SystemURLOpener final : public URLOpener {
public:
    explicit SystemURLOpener(std::string program = "xdg-open");

protected:
    std::optional<std::string> launch(const std::string& target, FailureHandler onFailure) override;

private:
    std::string program_;
};

// Keeps every accepted target instead of opening it; for tests. setLaunchError() makes the next
// launches fail at once with that text.
class RecordingURLOpener final : public URLOpener {
public:
    std::vector<std::string> opened() const;
    void clear();
    void setLaunchError(std::optional<std::string> error);

protected:
    std::optional<std::string> launch(const std::string& target, FailureHandler onFailure) override;

private:
    mutable std::mutex mutex_;
    std::vector<std::string> opened_;
    std::optional<std::string> launchError_;
};

// Installs a RecordingURLOpener for its lifetime and puts the previous opener back afterwards.
class ScopedRecordingURLOpener {
public:
    ScopedRecordingURLOpener();
    ~ScopedRecordingURLOpener();
    ScopedRecordingURLOpener(const ScopedRecordingURLOpener&) = delete;
    ScopedRecordingURLOpener& operator=(const ScopedRecordingURLOpener&) = delete;

    RecordingURLOpener& opener() { return *recording_; }
    std::vector<std::string> opened() const { return recording_->opened(); }

private:
    std::shared_ptr<RecordingURLOpener> recording_;
    std::shared_ptr<URLOpener> previous_;
};

} // namespace desktop
