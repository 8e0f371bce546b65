#pragma once

#include "Lib/CrashGuard/CallStack.h"
#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/ExceptionObject.h"
#include "Platform/Foundation/Misuse.h"
#include "Platform/Foundation/String.h"

#include <string_view>
#include <vector>

// The guarded collections. Once installed, every misuse of the object model that would raise (an
// index out of range, a nil element, key or value, an unknown key, a literal with nil entries, a
// message the receiver does not understand) gives the caller the operation's harmless default and
// is reported instead: "CrashGuardNotification" (object nil) with the report below as user info,
// posted on the main queue after the misusing call has returned, in the order the misuses
// happened. Nothing is patched: every such misuse already ends in foundation::misuse(), and
// installing is foundation::setMisuseHandler() with the guard's handler, for the rest of the
// process.
//
// The report: "errorName" (the exception's name), "errorReason" (its reason without "crashGuard";
// absent when there is none), "errorPlace" ("Error Place:" and the application's method nearest
// to the misuse, or the fallback text), "defaultToDo" (what the operation did instead, one of the
// five texts below), "exception" (an NSException object) and "callStackSymbols" (the misusing
// thread's stack, one string a frame).
//
// The stack is taken on the misusing thread; reading its symbols and building the report happen
// on the guard's own serial queue, so a first, slow load of debug information never holds up the
// caller or the main thread. A misuse while a report is taken, built or posted (an observer of the
// notification included) gets its default and no report of its own. At most kMaxWaitingReports
// reports wait for the main queue at a time; misuses beyond that get their defaults, are counted
// and the count goes to the log.
//
// All members are thread-safe.
class CrashGuard {
public:
    static constexpr const char* kNotificationName = "CrashGuardNotification";
    static constexpr const char* kErrorNameKey = "errorName";
    static constexpr const char* kErrorReasonKey = "errorReason";
    static constexpr const char* kErrorPlaceKey = "errorPlace";
    static constexpr const char* kDefaultToDoKey = "defaultToDo";
    static constexpr const char* kExceptionKey = "exception";
    static constexpr const char* kCallStackSymbolsKey = "callStackSymbols";
    static constexpr const char* kUnlocatedPlace = "崩溃方法定位失败,请您查看函数调用栈来排查错误原因";

    static constexpr const char* kDefaultToReturnNil = "CrashGuard default is to return nil to avoid crash.";
    static constexpr const char* kDefaultToReturnEmptyString
        = "CrashGuard default is to return an empty string to avoid crash.";
    static constexpr const char* kDefaultToIgnore
        = "CrashGuard default is to ignore this operation to avoid crash.";
    static constexpr const char* kDefaultToRebuildArray
        = "CrashGuard default is to remove nil object and instance a array.";
    static constexpr const char* kDefaultToRebuildDictionary
        = "CrashGuard default is to remove nil key-values and instance a dictionary.";
    static constexpr const char* kDefaultToLeaveCharacter
        = "CrashGuard default is to return a without assign unichar.";

    static constexpr std::size_t kMaxWaitingReports = 64;

    CrashGuard() = delete;

    // Installs everything, messages the receiver does not understand included: what the
    // application calls once at start-up.
    static void makeAllEffective();
    // Installs everything but the handling of messages the receiver does not understand, which
    // then still raise.
    static void becomeEffective();
    // The first call of the process installs; later calls do nothing, whatever their argument.
    static void effectiveIfDealWithNoneSel(bool dealWithNoneSel);

    // The unrecognized-selector lists. The first call's list is kept (class names beginning with
    // "UI" and "NSObject" left out; prefixes beginning with "UI" or "NS" left out), later calls are
    // ignored. With makeAllEffective every unrecognized selector is answered and reported, so the
    // lists are kept but decide nothing; nil until set.
    static void setupNoneSelClassStringsArr(const foundation::Ref<foundation::Array>& classNames);
    static void setupNoneSelClassStringPrefixsArr(const foundation::Ref<foundation::Array>& prefixes);
    static foundation::Ref<foundation::Array> noneSelClassStrings();
    static foundation::Ref<foundation::Array> noneSelClassStringPrefixs();

    // The application's method nearest the top of the stack, "-[Class method]", or nil. Frames are
    // searched in their order; a frame counts when its function is a method (crashguard::methodOf)
    // and its code is the application's own (crashguard::isApplicationFrame).
    static foundation::Ref<foundation::String> getMainCallStackSymbolMessageWithCallStackSymbols(
        const std::vector<crashguard::CallStackFrame>& frames);

    // Reports `exception` with the calling thread's stack and `defaultToDo`, as the guard does for
    // each misuse.
    static void noteErrorWithException(
        const foundation::Ref<foundation::ExceptionObject>& exception, std::string_view defaultToDo);

    // The report text of what an operation does instead.
    static const char* defaultToDoText(foundation::MisuseDefault instead);

    // Misuses answered without a report because kMaxWaitingReports were waiting, since start.
    static unsigned long unreportedMisuseCount();
};
