#pragma once

#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/Notification.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/String.h"

#include <functional>
#include <map>
#include <string>
#include <string_view>

// What the application delegate does with each report of the guarded collections
// ("CrashGuardNotification"): the report's "defaultToDo", "errorName", "errorPlace" and
// "errorReason" become pretty-printed JSON text, which goes to the service as a client error with
// an empty client name and version, the platform "mac" and the current module label; nobody waits
// for the answer. A text containing "未能读取数据" is dropped (the HTTP error log is left alone).
//
// Two rules keep the uploads sound: the values of "password", "pwd", "token", "secret" and
// "encrypt_str" in the texts are masked (a reason may quote a dictionary or a rejected value), and
// an identical report (same name, place and reason) goes up at most once a minute, so a misuse in
// a loop does not flood the service.
//
// The application delegate keeps one and calls dealwithCrashMessage from its observer. Main thread
// only, as the guard posts its reports there.
class KXCrashMessageForwarder {
public:
    static constexpr const char* kUnreadableDataText = "未能读取数据";
    static constexpr const char* kPlatform = "mac";
    static constexpr double kRepeatInterval = 60;

    // Sends one report text; by default the facade's client-error operation as described above.
    using Upload = std::function<void(const foundation::Ref<foundation::String>& errorInfo)>;
    static void upload(const foundation::Ref<foundation::String>& errorInfo);

    explicit KXCrashMessageForwarder(Upload send = &KXCrashMessageForwarder::upload);

    void dealwithCrashMessage(const dispatch::Notification& notification);

    // The four entries of `report` as pretty-printed JSON, in that order, secrets masked; an entry
    // the report lacks is left out.
    static foundation::Ref<foundation::String> reportText(const foundation::Dictionary& report);
    // `text` with the value after each secret key replaced by "***": key=value, key: value and
    // "key": "value" (quoted or not, spaces around the sign allowed; keys matched in any case).
    static std::string maskedSecrets(std::string_view text);

private:
    // True when the same report went up less than kRepeatInterval ago; otherwise it is recorded.
    bool sentRecently(const std::string& identity);

    Upload send_;
    std::map<std::string, dispatch::Clock::TimePoint> lastSent_;
};
