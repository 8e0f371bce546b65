#pragma once

#include "Lib/ScriptBridge/WebScriptBridgeBaseDelegate.h"
#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Object.h"
#include "Platform/Foundation/String.h"
#include "Platform/Foundation/URL.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

// Answers a call: the payload goes back to the caller as the call's response.
using WSBResponseCallback = std::function<void(const foundation::Id& responseData)>;
// A named handler: the call's payload (nil when the caller sent none) and its response callback,
// which does nothing when the caller wants no answer.
using WSBHandler
    = std::function<void(const foundation::Id& data, const WSBResponseCallback& responseCallback)>;

// The half of the two-way message channel between native code and a page's script that does not
// depend on the web view: handlers, pending response callbacks, the queue of messages waiting for
// the page's script, the messages' encoding and the script text that delivers one to the page.
//
// Messages are JSON objects: calls carry "handlerName", "data" (left out for nil) and, when an
// answer is wanted, "callbackId" ("objc_cb_1", "objc_cb_2", ... for ours, counting again from 1
// after a reset); responses carry "responseId" and "responseData".
//
// Trust: every document shown in the web view, whatever its origin, can signal the bridge and call
// the registered handlers. Handlers must treat their payload as untrusted input.
//
// Threads: the core belongs to the main thread. Handlers, response callbacks and deliveries run
// there. sendData and the response callbacks handed to handlers may be called from any thread:
// they run their work on the main queue and wait until it is done (so they must not be called
// from a thread the main thread is waiting for).
//
// Lifetime: made by create() and owned through a shared pointer (by its binding). Response
// callbacks handed to handlers hold the core weakly and do nothing once it is gone.
class WebScriptBridgeBase final : public std::enable_shared_from_this<WebScriptBridgeBase> {
public:
    // Messages waiting for the page's script are capped; a send beyond either cap is refused.
    static constexpr std::size_t kMaxWaitingMessages = 1000;
    static constexpr std::size_t kMaxWaitingBytes = 8u << 20;
    // A fetched message queue longer than this (in bytes) is ignored whole.
    static constexpr std::size_t kMaxFetchedBytes = 16u << 20;

    // Process-wide log settings, shared by every bridge: off until enabled (no way back), and a
    // limit of 500 UTF-16 units for each logged text.
    static void enableLogging();
    static void setLogMaxLength(int length); // a negative limit counts as 0
    static bool loggingEnabled();
    static int logMaxLength();

    static std::shared_ptr<WebScriptBridgeBase> create();
    WebScriptBridgeBase(const WebScriptBridgeBase&) = delete;
    WebScriptBridgeBase& operator=(const WebScriptBridgeBase&) = delete;
    ~WebScriptBridgeBase();

    // The binding that evaluates script (held weakly).
    std::weak_ptr<WebScriptBridgeBaseDelegate> delegate() const { return delegate_; }
    void setDelegate(std::weak_ptr<WebScriptBridgeBaseDelegate> delegate) { delegate_ = std::move(delegate); }

    // Messages waiting for the script: present (possibly empty) until the script is injected, nil
    // afterwards, present again after a reset or a new document.
    const foundation::Ref<foundation::MutableArray>& startupMessageQueue() const
    {
        return startupMessageQueue_;
    }
    const std::unordered_map<std::string, WSBResponseCallback>& responseCallbacks() const
    {
        return responseCallbacks_;
    }
    // Handlers by name; the bindings register and remove them here.
    std::unordered_map<std::string, WSBHandler>& messageHandlers() { return messageHandlers_; }
    const std::unordered_map<std::string, WSBHandler>& messageHandlers() const { return messageHandlers_; }
    // Declared for callers that keep a default handler; dispatch does not use it.
    const WSBHandler& messageHandler() const { return messageHandler_; }
    void setMessageHandler(WSBHandler handler) { messageHandler_ = std::move(handler); }

    // Back to waiting: a new empty waiting queue, no pending callbacks, ids from 1 again. Handlers
    // stay.
    void reset();
    // What a binding calls when its page's main frame starts a new document, whose script is gone:
    // messages wait again until the next injection; the callbacks of calls made to the old
    // document are dropped (and logged) because no answer can come; handlers and ids stay.
    void returnToWaiting();
    // Counts resets and new documents. A binding that fetches the page's queue asynchronously
    // notes it when the fetch starts and drops the result when it has changed meanwhile, so that
    // an old answer never reaches a callback made since under a reused id.
    unsigned long resetCount() const { return resetCount_; }

    // Calls the page's handler `handlerName` (or sends a message without a name) with `data`
    // (nil: no "data"). With a callback, the page's answer reaches it. The send is refused (and
    // logged, the callback not kept) when the payload is no JSON value (data, dates, NaN) or when
    // the waiting queue is full.
    void sendData(const foundation::Id& data, WSBResponseCallback responseCallback,
        const std::optional<std::string>& handlerName);
    // Delivers the messages of the page's fetched queue (its JSON text; nil or empty when the page
    // had no script). Anything malformed is logged and skipped.
    void flushMessageQueue(const foundation::Ref<foundation::String>& messageQueueString);
    // Evaluates the page script, then delivers the messages that waited for it, in order.
    void injectJavascriptFile();

    bool isWebScriptBridgeURL(const foundation::Ref<foundation::URL>& url) const;
    bool isSchemeMatch(const foundation::Ref<foundation::URL>& url) const;
    bool isQueueMessageURL(const foundation::Ref<foundation::URL>& url) const;
    bool isBridgeLoadedURL(const foundation::Ref<foundation::URL>& url) const;

    std::string webViewJavascriptCheckCommand() const;
    std::string webViewJavascriptFetchQueyCommand() const;
    // Asks the page to deliver our messages at once rather than after a zero-delay timer.
    void disableJavscriptAlertBoxSafetyTimeout();

    foundation::Ref<foundation::String> _evaluateJavascript(const std::string& script);
    void _queueMessage(const foundation::Ref<foundation::Dictionary>& message);
    void _dispatchMessage(const foundation::Ref<foundation::Dictionary>& message);
    // Compact (or pretty) JSON text; nil when the object is no JSON value.
    foundation::Ref<foundation::String> _serializeMessage(const foundation::Id& message, bool pretty) const;
    // The JSON value of the text, fragments allowed; nil when it is not JSON. An escaped lone
    // surrogate, which the object model's strings cannot hold, reads as U+FFFD.
    foundation::Id _deserializeMessageJSON(const foundation::Ref<foundation::String>& messageJSON) const;
    void _log(std::string_view action, const foundation::Id& json) const;

private:
    WebScriptBridgeBase();
    // Runs `work` on the main thread, waiting for it when called from another thread.
    static void onMain(const std::function<void()>& work);
    void sendDataOnMain(const foundation::Id& data, WSBResponseCallback responseCallback,
        const std::optional<std::string>& handlerName);
    // The message's size when the waiting queue has room for it; nullopt (logged) when it is full.
    std::optional<std::size_t> waitingQueueAdmits(
        const foundation::Ref<foundation::Dictionary>& message) const;
    void deliverMessage(const foundation::Id& message);
    WSBResponseCallback responseCallbackFor(const foundation::Id& callbackId);

    std::weak_ptr<WebScriptBridgeBaseDelegate> delegate_;
    long uniqueId_ = 0;
    unsigned long resetCount_ = 0;
    foundation::Ref<foundation::MutableArray> startupMessageQueue_;
    std::size_t startupMessageBytes_ = 0;
    std::unordered_map<std::string, WSBResponseCallback> responseCallbacks_;
    std::unordered_map<std::string, WSBHandler> messageHandlers_;
    WSBHandler messageHandler_;
};
