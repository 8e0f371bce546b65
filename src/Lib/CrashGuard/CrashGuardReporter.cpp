#include "Lib/CrashGuard/CrashGuardReporter.h"

#include "Lib/CrashGuard/CrashGuard.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Format.h"

#include <chrono>
#include <cstdio>

namespace crashguard {

using foundation::Id;

namespace {

// How deep the calling thread is inside the guard: taking a stack, building or posting a report.
thread_local int insideGuard = 0;

class InsideGuard {
public:
    InsideGuard() { ++insideGuard; }
    ~InsideGuard() { --insideGuard; }
    InsideGuard(const InsideGuard&) = delete;
    InsideGuard& operator=(const InsideGuard&) = delete;
};

std::string withoutCrashGuardMentions(std::string text)
{
    static constexpr std::string_view kMention = "crashGuard";
    for (std::size_t at = text.find(kMention); at != std::string::npos; at = text.find(kMention, at))
        text.erase(at, kMention.size());
    return text;
}

} // namespace

const std::shared_ptr<CrashGuardReporter>& CrashGuardReporter::shared()
{
    static const std::shared_ptr<CrashGuardReporter> reporter = std::make_shared<CrashGuardReporter>();
    return reporter;
}

CrashGuardReporter::CrashGuardReporter()
    : queue_(dispatch::makeSerialQueue("com.corvane.crashguard"))
{
}

bool CrashGuardReporter::handle(const foundation::MisuseReport& misuse)
{
    if (insideGuard > 0)
        return true;
    if (misuse.unrecognizedBy && !dealWithUnrecognizedSelectors_.load())
        return false;
    InsideGuard inside;
    if (admit())
        submit(Pending { nullptr, std::string(misuse.name), std::string(misuse.reason),
            CrashGuard::defaultToDoText(misuse.instead), captureReturnAddresses() });
    return true;
}

void CrashGuardReporter::note(foundation::Ref<foundation::ExceptionObject> exception, std::string defaultToDo)
{
    if (insideGuard > 0 || !exception)
        return;
    InsideGuard inside;
    if (admit())
        submit(Pending { std::move(exception), {}, {}, std::move(defaultToDo), captureReturnAddresses() });
}

bool CrashGuardReporter::admit()
{
    if (waiting_.fetch_add(1) < CrashGuard::kMaxWaitingReports)
        return true;
    waiting_.fetch_sub(1);
    unreported_.fetch_add(1);
    return false;
}

void CrashGuardReporter::submit(Pending pending)
{
    queue_->async([self = shared_from_this(), pending = std::move(pending)] { self->build(pending); });
}

void CrashGuardReporter::build(const Pending& pending)
{
    InsideGuard inside;
    std::vector<CallStackFrame> frames;
    try {
        frames = symbolizer_.symbolize(pending.returnAddresses);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "CrashGuard: the call stack could not be read: %s\n", error.what());
    }
    std::vector<Id> lines;
    lines.reserve(frames.size());
    for (std::size_t i = 0; i < frames.size(); ++i)
        lines.emplace_back(callStackSymbol(i, frames[i]));
    auto symbols = foundation::Array::create(std::move(lines));
    auto place = CrashGuard::getMainCallStackSymbolMessageWithCallStackSymbols(frames);
    auto exception = pending.exception
        ? pending.exception
        : foundation::ExceptionObject::create(pending.name, pending.reason, symbols);
    Id reason = exception->reason() ? Id(withoutCrashGuardMentions(exception->reason()->utf8())) : Id();
    // Without a reason the literal leaves "errorReason" out; the misuse that tells of it is the
    // guard's own and goes unreported.
    auto report = foundation::Dictionary::create({
        { Id(CrashGuard::kErrorNameKey), Id(exception->name()) },
        { Id(CrashGuard::kErrorReasonKey), reason },
        { Id(CrashGuard::kErrorPlaceKey),
            Id(foundation::format("Error Place:%@", place ? place->utf8() : CrashGuard::kUnlocatedPlace)) },
        { Id(CrashGuard::kDefaultToDoKey), Id(pending.defaultToDo) },
        { Id(CrashGuard::kExceptionKey), Id(exception) },
        { Id(CrashGuard::kCallStackSymbolsKey), Id(symbols) },
    });
    dispatch::mainQueue().async([self = shared_from_this(), report] {
        {
            InsideGuard posting;
            dispatch::NotificationCenter::defaultCenter().post(CrashGuard::kNotificationName, Id(), report);
        }
        self->posted();
    });
}

void CrashGuardReporter::posted()
{
    const std::size_t stillWaiting = waiting_.fetch_sub(1) - 1;
    const unsigned long unreported = unreported_.load();
    if (unreported == unreportedLogged_)
        return;
    // A storm is logged when it ends, and once a second while it lasts.
    const auto now = dispatch::Clock::current()->now();
    if (stillWaiting > 0 && now - lastLog_ < std::chrono::seconds(1))
        return;
    std::fprintf(stderr,
        "CrashGuard: %lu misuses answered without a report while %zu reports waited for the main queue\n",
        unreported - unreportedLogged_, CrashGuard::kMaxWaitingReports);
    unreportedLogged_ = unreported;
    lastLog_ = now;
}

} // namespace crashguard
