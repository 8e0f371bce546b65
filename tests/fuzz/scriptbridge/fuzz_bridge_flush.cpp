// Any text as the page's fetched message queue: nothing crashes, and every delivery the core makes
// in answer is one statement whose single-quoted literal nothing in the payload can end.
#include "Lib/ScriptBridge/WebScriptBridgeBase.h"
#include "Lib/ScriptBridge/WebScriptBridgeLog.h"

#include <cstdlib>
#include <string_view>

using namespace foundation;

namespace {

class CheckingEvaluator final : public WebScriptBridgeBaseDelegate {
public:
    Ref<String> _evaluateJavascript(const std::string& script) override
    {
        constexpr std::string_view prefix = "WebScriptBridge._handleMessageFromObjC('";
        constexpr std::string_view suffix = "');";
        if (!script.starts_with(prefix)) // the page script itself
            return nullptr;
        if (!script.ends_with(suffix))
            std::abort();
        std::string_view literal(
            script.data() + prefix.size(), script.size() - prefix.size() - suffix.size());
        for (std::size_t i = 0; i < literal.size(); ++i) {
            char c = literal[i];
            if (c == '\\') {
                ++i; // an escape: the next character is taken as it is
                continue;
            }
            bool separator = c == '\xE2' && literal.substr(i + 1, 1) == "\x80"
                && (literal.substr(i + 2, 1) == "\xA8" || literal.substr(i + 2, 1) == "\xA9");
            if (c == '\'' || c == '"' || c == '\n' || c == '\r' || c == '\f' || separator)
                std::abort();
        }
        return nullptr;
    }
};

struct Bridge {
    Bridge()
    {
        WSBSetLogSink([](const std::string&) {});
        core->setDelegate(evaluator);
        core->messageHandlers()["echo"]
            = [](const Id& data, const WSBResponseCallback& respond) { respond(data); };
        core->messageHandlers()["twice"] = [](const Id& data, const WSBResponseCallback& respond) {
            respond(data);
            respond(Id());
        };
        core->messageHandlers()["reset"] = [this](const Id&, const WSBResponseCallback&) { core->reset(); };
    }
    std::shared_ptr<WebScriptBridgeBase> core = WebScriptBridgeBase::create();
    std::shared_ptr<CheckingEvaluator> evaluator = std::make_shared<CheckingEvaluator>();
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    static Bridge bridge;
    if (size == 0)
        return 0;
    // The first byte chooses the state: waiting for the script, or injected; with pending
    // callbacks for "objc_cb_1" and "objc_cb_2" or none.
    bridge.core->reset();
    if (bytes[0] & 1u)
        bridge.core->injectJavascriptFile();
    if (bytes[0] & 2u) {
        bridge.core->sendData(
            Id("a"), [](const Id&) {}, std::string("page"));
        bridge.core->sendData(
            Id(), [](const Id&) {}, std::nullopt);
    }
    std::string_view text(reinterpret_cast<const char*>(bytes + 1), size - 1);
    bridge.core->flushMessageQueue(String::create(text));
    return 0;
}
