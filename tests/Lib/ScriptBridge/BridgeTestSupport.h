#pragma once

#include "Lib/ScriptBridge/WebScriptBridgeBaseDelegate.h"
#include "Lib/ScriptBridge/WebScriptBridgeLog.h"
#include "Platform/Foundation/Object.h"

#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

namespace bridgetest {

// Collects the bridge's log lines while it lives.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::string> lines() const;
    bool contains(const std::string& line) const;
    std::size_t countStartingWith(const std::string& prefix) const;

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
    WSBLogSink previous_;
};

// A binding that only records the scripts the core asks it to evaluate, at once.
class RecordingEvaluator : public WebScriptBridgeBaseDelegate {
public:
    foundation::Ref<foundation::String> _evaluateJavascript(const std::string& script) override;
    // Runs the main queue until every script asked for has been evaluated; false on timeout.
    virtual bool settle() { return true; }

    // The scripts evaluated so far, in order.
    std::vector<std::string> scripts;
};

// A binding that evaluates later, as an asynchronous engine does: it answers nil at once and
// records each script on a later turn of the main queue, in the order asked. Main thread only.
class DeferredEvaluator final : public RecordingEvaluator,
                                public std::enable_shared_from_this<DeferredEvaluator> {
public:
    foundation::Ref<foundation::String> _evaluateJavascript(const std::string& script) override;
    bool settle() override;

    // Scripts asked for that have not been evaluated yet.
    std::size_t waiting() const { return waiting_; }

private:
    std::size_t waiting_ = 0;
};

enum class EvaluationTiming { Immediate, Deferred };
std::shared_ptr<RecordingEvaluator> makeEvaluator(EvaluationTiming timing);
std::string timingName(EvaluationTiming timing);
inline void PrintTo(EvaluationTiming timing, std::ostream* out)
{
    *out << timingName(timing);
}

// Payloads that would break a carelessly built script: quotes, backslashes, line breaks and
// separators, NUL, script that tries to run, non-ASCII text.
const std::vector<std::string>& trickyPayloads();

// The message of a delivery script ("WebScriptBridge._handleMessageFromObjC('...');"): the
// literal's text unescaped and read as JSON. Nil for any other script.
foundation::Id deliveredMessage(const std::string& script);
// The delivered messages among `scripts`, in order.
std::vector<foundation::Id> deliveredMessages(const std::vector<std::string>& scripts);

} // namespace bridgetest
