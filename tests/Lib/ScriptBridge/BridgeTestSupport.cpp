#include "BridgeTestSupport.h"

#include "Platform/Dispatch/Queue.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Serialization/JSONSerialization.h"

#include <algorithm>

namespace bridgetest {

LogCapture::LogCapture()
    : previous_(WSBSetLogSink([this](const std::string& line) {
        std::lock_guard lock(mutex_);
        lines_.push_back(line);
    }))
{
}

LogCapture::~LogCapture()
{
    WSBSetLogSink(previous_);
}

std::vector<std::string> LogCapture::lines() const
{
    std::lock_guard lock(mutex_);
    return lines_;
}

bool LogCapture::contains(const std::string& line) const
{
    std::lock_guard lock(mutex_);
    return std::find(lines_.begin(), lines_.end(), line) != lines_.end();
}

std::size_t LogCapture::countStartingWith(const std::string& prefix) const
{
    std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(std::count_if(
        lines_.begin(), lines_.end(), [&](const std::string& line) { return line.starts_with(prefix); }));
}

foundation::Ref<foundation::String> RecordingEvaluator::_evaluateJavascript(const std::string& script)
{
    scripts.push_back(script);
    return nullptr;
}

foundation::Ref<foundation::String> DeferredEvaluator::_evaluateJavascript(const std::string& script)
{
    ++waiting_;
    dispatch::mainQueue().async([weak = weak_from_this(), script] {
        if (auto self = weak.lock()) {
            --self->waiting_;
            self->scripts.push_back(script);
        }
    });
    return nullptr;
}

bool DeferredEvaluator::settle()
{
    return dispatch::RunLoop::runUntil([this] { return waiting_ == 0; }, 30);
}

std::shared_ptr<RecordingEvaluator> makeEvaluator(EvaluationTiming timing)
{
    if (timing == EvaluationTiming::Deferred)
        return std::make_shared<DeferredEvaluator>();
    return std::make_shared<RecordingEvaluator>();
}

std::string timingName(EvaluationTiming timing)
{
    return timing == EvaluationTiming::Deferred ? "Deferred" : "Immediate";
}

const std::vector<std::string>& trickyPayloads()
{
    static const std::vector<std::string> payloads = {
        "single ' quote",
        "double \" quote",
        "back\\slash \\n \\u2028",
        "line\nfeed\rreturn\fform",
        "separators \u2028 \u2029",
        std::string("nul \0 inside", 13),
        "');alert(1);//",
        "\\');alert(2);//",
        "\"+alert(3)+\"",
        "</script><script>alert(4)</script>",
        "emoji \U0001F600 and 中文",
    };
    return payloads;
}

foundation::Id deliveredMessage(const std::string& script)
{
    const std::string prefix = "WebScriptBridge._handleMessageFromObjC('";
    const std::string suffix = "');";
    if (!script.starts_with(prefix) || !script.ends_with(suffix))
        return {};
    std::string_view literal(script.data() + prefix.size(), script.size() - prefix.size() - suffix.size());
    std::string json;
    for (std::size_t i = 0; i < literal.size(); ++i) {
        if (literal[i] != '\\') {
            json += literal[i];
            continue;
        }
        char next = literal[++i];
        if (next == 'n')
            json += '\n';
        else if (next == 'r')
            json += '\r';
        else if (next == 'f')
            json += '\f';
        else if (next == 'u' && (literal.substr(i, 5) == "u2028" || literal.substr(i, 5) == "u2029")) {
            json += literal.substr(i, 5) == "u2028" ? "\xE2\x80\xA8" : "\xE2\x80\xA9";
            i += 4;
        } else {
            json += next; // \\ \" \'
        }
    }
    return foundation::JSONSerialization::JSONObjectWithData(
        foundation::Data::create(std::string_view(json)), 0);
}

std::vector<foundation::Id> deliveredMessages(const std::vector<std::string>& scripts)
{
    std::vector<foundation::Id> messages;
    for (const std::string& script : scripts) {
        if (foundation::Id message = deliveredMessage(script))
            messages.push_back(message);
    }
    return messages;
}

} // namespace bridgetest
