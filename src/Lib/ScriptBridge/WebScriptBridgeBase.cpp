#include "Lib/ScriptBridge/WebScriptBridgeBase.h"

#include "Lib/ScriptBridge/WebScriptBridgeLog.h"
#include "Lib/ScriptBridge/WebScriptBridgePageScript.h"
#include "Lib/ScriptBridge/WebScriptBridgeText.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Null.h"
#include "Platform/Serialization/JSONSerialization.h"

#include <algorithm>
#include <atomic>

using foundation::Array;
using foundation::Dictionary;
using foundation::Id;
using foundation::MutableArray;
using foundation::MutableDictionary;
using foundation::Ref;
using foundation::String;
using foundation::URL;

namespace {

constexpr std::string_view kNilQueueWarning = "WebScriptBridge: WARNING: ObjC got nil while fetching the "
                                              "message queue JSON from webview. This can happen if "
                                              "the WebScriptBridge JS is not currently present in the "
                                              "webview, e.g if the webview just loaded a new page.";

std::atomic<bool> gLoggingEnabled { false };
std::atomic<int> gLogMaxLength { 500 };

// `text` cut to the log limit (UTF-16 units, never inside a surrogate pair); `cut` tells whether
// anything was left out.
Ref<String> cutToLogLimit(const Ref<String>& text, bool& cut)
{
    auto limit = static_cast<std::size_t>(gLogMaxLength.load());
    cut = text->length() > limit;
    return cut ? text->substringToIndex(limit) : text;
}

// What a warning shows of page input, which may be megabytes long.
std::string excerpt(const std::string& text)
{
    bool cut = false;
    Ref<String> shown = cutToLogLimit(String::create(text), cut);
    return cut ? shown->utf8() + " [...]" : shown->utf8();
}

} // namespace

void WebScriptBridgeBase::enableLogging()
{
    gLoggingEnabled = true;
}

void WebScriptBridgeBase::setLogMaxLength(int length)
{
    gLogMaxLength = std::max(length, 0);
}

bool WebScriptBridgeBase::loggingEnabled()
{
    return gLoggingEnabled;
}

int WebScriptBridgeBase::logMaxLength()
{
    return gLogMaxLength;
}

std::shared_ptr<WebScriptBridgeBase> WebScriptBridgeBase::create()
{
    return std::shared_ptr<WebScriptBridgeBase>(new WebScriptBridgeBase());
}

WebScriptBridgeBase::WebScriptBridgeBase()
    : startupMessageQueue_(MutableArray::create())
{
}

WebScriptBridgeBase::~WebScriptBridgeBase() = default;

void WebScriptBridgeBase::onMain(const std::function<void()>& work)
{
    if (dispatch::isMainThread())
        work();
    else
        dispatch::mainQueue().sync(work);
}

void WebScriptBridgeBase::reset()
{
    startupMessageQueue_ = MutableArray::create();
    startupMessageBytes_ = 0;
    responseCallbacks_.clear();
    uniqueId_ = 0;
    ++resetCount_;
}

void WebScriptBridgeBase::returnToWaiting()
{
    ++resetCount_;
    if (startupMessageQueue_)
        return; // nothing was delivered yet: the waiting messages and their callbacks are for the new
                // document
    if (!responseCallbacks_.empty()) {
        WSBLog("WebScriptBridge: WARNING: a new document was loaded; dropped %lu callbacks of calls to the "
               "old one",
            responseCallbacks_.size());
        responseCallbacks_.clear();
    }
    startupMessageQueue_ = MutableArray::create();
    startupMessageBytes_ = 0;
}

void WebScriptBridgeBase::sendData(
    const Id& data, WSBResponseCallback responseCallback, const std::optional<std::string>& handlerName)
{
    onMain([&] { sendDataOnMain(data, std::move(responseCallback), handlerName); });
}

void WebScriptBridgeBase::sendDataOnMain(
    const Id& data, WSBResponseCallback responseCallback, const std::optional<std::string>& handlerName)
{
    auto message = MutableDictionary::create();
    if (data)
        message->setObject(data, Id("data"));
    std::string callbackId;
    if (responseCallback) {
        callbackId = foundation::format("objc_cb_%ld", uniqueId_ + 1);
        message->setObject(Id(callbackId), Id("callbackId"));
    }
    if (handlerName)
        message->setObject(Id(*handlerName), Id("handlerName"));
    if (!foundation::JSONSerialization::isValidJSONObject(message)) {
        WSBLog("WebScriptBridge: WARNING: refused to send a payload that JSON cannot encode: %@",
            excerpt(data.description()));
        return;
    }
    if (startupMessageQueue_ && !waitingQueueAdmits(message))
        return;
    if (responseCallback) {
        ++uniqueId_;
        responseCallbacks_[callbackId] = std::move(responseCallback);
    }
    _queueMessage(message);
}

std::optional<std::size_t> WebScriptBridgeBase::waitingQueueAdmits(const Ref<Dictionary>& message) const
{
    Ref<String> json = _serializeMessage(message, false);
    std::size_t bytes = json ? json->utf8().size() : 0;
    if (startupMessageQueue_->count() >= kMaxWaitingMessages
        || startupMessageBytes_ + bytes > kMaxWaitingBytes) {
        WSBLog("WebScriptBridge: WARNING: refused to send: %lu messages (%lu bytes) already wait for the "
               "page's script",
            startupMessageQueue_->count(), startupMessageBytes_);
        return std::nullopt;
    }
    return bytes;
}

void WebScriptBridgeBase::_queueMessage(const Ref<Dictionary>& message)
{
    if (!message)
        return;
    if (startupMessageQueue_) {
        std::optional<std::size_t> bytes = waitingQueueAdmits(message);
        if (!bytes)
            return;
        startupMessageBytes_ += *bytes;
        startupMessageQueue_->addObject(message);
    } else {
        _dispatchMessage(message);
    }
}

void WebScriptBridgeBase::_dispatchMessage(const Ref<Dictionary>& message)
{
    Ref<String> messageJSON = _serializeMessage(message, false);
    if (!messageJSON) {
        WSBLog("WebScriptBridge: WARNING: a message that JSON cannot encode was not delivered: %@",
            excerpt(Id(message).description()));
        return;
    }
    _log("SEND", messageJSON);
    std::string script = "WebScriptBridge._handleMessageFromObjC('";
    script += wsb::escapeForSingleQuotedScript(messageJSON->utf8());
    script += "');";
    onMain([&] { _evaluateJavascript(script); });
}

Ref<String> WebScriptBridgeBase::_evaluateJavascript(const std::string& script)
{
    if (auto delegate = delegate_.lock())
        return delegate->_evaluateJavascript(script);
    return nullptr;
}

void WebScriptBridgeBase::injectJavascriptFile()
{
    _evaluateJavascript(std::string(kWebScriptBridgePageScript));
    if (!startupMessageQueue_)
        return;
    Ref<MutableArray> waiting = std::move(startupMessageQueue_);
    startupMessageQueue_ = nullptr;
    startupMessageBytes_ = 0;
    for (const Id& message : waiting->objects())
        _dispatchMessage(message.as<Dictionary>());
}

void WebScriptBridgeBase::flushMessageQueue(const Ref<String>& messageQueueString)
{
    if (!messageQueueString || messageQueueString->utf8().empty()) {
        WSBLogLine(std::string(kNilQueueWarning));
        return;
    }
    if (messageQueueString->utf8().size() > kMaxFetchedBytes) {
        WSBLog("WebScriptBridge: WARNING: ignored a message queue of %lu bytes (the limit is %lu)",
            messageQueueString->utf8().size(), kMaxFetchedBytes);
        return;
    }
    Ref<Array> messages = _deserializeMessageJSON(messageQueueString).as<Array>();
    if (!messages) {
        WSBLog("WebScriptBridge: WARNING: the message queue is no JSON array: %@",
            excerpt(messageQueueString->utf8()));
        return;
    }
    unsigned long resetCountAtStart = resetCount_;
    for (std::size_t i = 0; i < messages->count(); ++i) {
        if (resetCount_ != resetCountAtStart) {
            // The rest answers calls made before the reset; their ids may be in use again.
            WSBLog("WebScriptBridge: WARNING: the bridge was reset; dropped %lu messages of the page",
                messages->count() - i);
            return;
        }
        deliverMessage(messages->objectAtIndex(i));
    }
}

void WebScriptBridgeBase::deliverMessage(const Id& message)
{
    Ref<Dictionary> dictionary = message.as<Dictionary>();
    if (!dictionary) {
        WSBLog("WebScriptBridge: WARNING: Invalid %@ received: %@", message.get()->isa()->name(),
            excerpt(message.description()));
        return;
    }
    _log("RCVD", dictionary);
    Id responseId = (*dictionary)["responseId"];
    if (responseId) {
        if (!responseId.is<String>()) {
            WSBLog("WebScriptBridge: WARNING: ignored a response whose responseId is no string: %@",
                excerpt(dictionary->description()));
            return;
        }
        auto found = responseCallbacks_.find(responseId.stringValue());
        if (found == responseCallbacks_.end()) {
            WSBLog("WebScriptBridge: WARNING: no callback waits for the response %@",
                excerpt(responseId.stringValue()));
            return;
        }
        WSBResponseCallback responseCallback = std::move(found->second);
        responseCallbacks_.erase(found);
        responseCallback((*dictionary)["responseData"]);
        return;
    }
    Id callbackId = (*dictionary)["callbackId"];
    Id handlerName = (*dictionary)["handlerName"];
    if ((callbackId && !callbackId.is<String>()) || (handlerName && !handlerName.is<String>())) {
        WSBLog("WebScriptBridge: WARNING: ignored a call whose handlerName or callbackId is no string: %@",
            excerpt(dictionary->description()));
        return;
    }
    WSBResponseCallback responseCallback = callbackId ? responseCallbackFor(callbackId) : [](const Id&) {};
    auto handler = handlerName ? messageHandlers_.find(handlerName.stringValue()) : messageHandlers_.end();
    if (handler == messageHandlers_.end()) {
        WSBLog(
            "WSBNoHandlerException, No handler for message from JS: %@", excerpt(dictionary->description()));
        return;
    }
    WSBHandler run = handler->second; // the handler may remove itself
    run((*dictionary)["data"], responseCallback);
}

WSBResponseCallback WebScriptBridgeBase::responseCallbackFor(const Id& callbackId)
{
    return [weak = weak_from_this(), responseId = callbackId](const Id& responseData) {
        onMain([&] {
            auto self = weak.lock();
            if (!self)
                return;
            auto response = MutableDictionary::create();
            response->setObject(responseId, Id("responseId"));
            response->setObject(
                responseData ? responseData : Id(foundation::Null::null()), Id("responseData"));
            if (!foundation::JSONSerialization::isValidJSONObject(response)) {
                WSBLog("WebScriptBridge: WARNING: refused to send an answer that JSON cannot encode: %@",
                    excerpt(responseData.description()));
                return;
            }
            self->_queueMessage(response);
        });
    };
}

Ref<String> WebScriptBridgeBase::_serializeMessage(const Id& message, bool pretty) const
{
    if (!foundation::JSONSerialization::isValidJSONObject(message))
        return nullptr;
    Ref<foundation::Data> data = foundation::JSONSerialization::dataWithJSONObject(
        message, pretty ? unsigned(foundation::JSONWritingPrettyPrinted) : 0u);
    return data ? String::create(data->view()) : nullptr;
}

Id WebScriptBridgeBase::_deserializeMessageJSON(const Ref<String>& messageJSON) const
{
    if (!messageJSON)
        return {};
    std::optional<std::string> repaired = wsb::replaceLoneSurrogateEscapes(messageJSON->utf8());
    Ref<foundation::Data> data = foundation::Data::create(
        repaired ? std::string_view(*repaired) : std::string_view(messageJSON->utf8()));
    return foundation::JSONSerialization::JSONObjectWithData(data, foundation::JSONReadingFragmentsAllowed);
}

void WebScriptBridgeBase::_log(std::string_view action, const Id& json) const
{
    if (!gLoggingEnabled)
        return;
    Ref<String> text = json.as<String>();
    if (!text)
        text = _serializeMessage(json, true);
    if (!text)
        text = String::create(json.description());
    bool cut = false;
    Ref<String> shown = cutToLogLimit(text, cut);
    if (cut)
        WSBLog("WSB %@: %@ [...]", action, shown);
    else
        WSBLog("WSB %@: %@", action, shown);
}

bool WebScriptBridgeBase::isWebScriptBridgeURL(const Ref<URL>& url) const
{
    return isSchemeMatch(url) && (isBridgeLoadedURL(url) || isQueueMessageURL(url));
}

bool WebScriptBridgeBase::isSchemeMatch(const Ref<URL>& url) const
{
    Ref<String> scheme = url ? url->scheme() : nullptr;
    if (!scheme)
        return false;
    Ref<String> lower = scheme->lowercaseString();
    return lower->isEqualToString("https") || lower->isEqualToString("wsbscheme");
}

namespace {

bool hostIs(const Ref<URL>& url, std::string_view host)
{
    Ref<String> actual = url ? url->host() : nullptr;
    return actual && actual->lowercaseString()->isEqualToString(host);
}

} // namespace

bool WebScriptBridgeBase::isQueueMessageURL(const Ref<URL>& url) const
{
    return isSchemeMatch(url) && hostIs(url, "__wsb_queue_message__");
}

bool WebScriptBridgeBase::isBridgeLoadedURL(const Ref<URL>& url) const
{
    return isSchemeMatch(url) && hostIs(url, "__bridge_loaded__");
}

std::string WebScriptBridgeBase::webViewJavascriptCheckCommand() const
{
    return "typeof WebScriptBridge == 'object';";
}

std::string WebScriptBridgeBase::webViewJavascriptFetchQueyCommand() const
{
    return "WebScriptBridge._fetchQueue();";
}

void WebScriptBridgeBase::disableJavscriptAlertBoxSafetyTimeout()
{
    sendData(Id(), nullptr, std::string("_disableJavascriptAlertBoxSafetyTimeout"));
}
