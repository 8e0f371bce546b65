#pragma once

#include <functional>
#include <string>

namespace foundation {
class UserDefaults;
}

// The reports the application sends about itself: the stored HTTP error log at start, the
// first-start and launch reports, and the seconds of use at the end. Widget-free; main thread
// only (the error log is a main-thread file). Each `done` runs on the main queue once the
// service answered or failed.
class KXStartupReports {
public:
    // The text that marks an error log (or a guard report) as noise not worth sending.
    static constexpr const char* kUnreadableDataText = "未能读取数据";

    // Uploads the "errorinfo" of the HTTP error log. A log holding kUnreadableDataText is deleted
    // unsent; an empty one is left alone. After a successful upload only the text that was sent
    // leaves the log: lines appended while the upload ran stay for the next start. Returns whether
    // an upload started.
    static bool uploadhttpError(std::function<void(bool sent)> done = {});
    // The log after a successful upload of `sent`: what the log gained since, or nothing.
    static std::string remainderAfterUpload(const std::string& current, const std::string& sent);

    // The first-start report when "install" is absent from settings that could be read, then
    // "typeFrom" is stored (by the caller) and the launch report follows. Fire and forget.
    static void sendFirstStartReport(foundation::UserDefaults& defaults);
    static void sendLaunchReport();
    // The whole seconds since the recorded start time.
    static void sendUsedTime(std::function<void()> done = {});
};
