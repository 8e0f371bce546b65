#pragma once

#include "Lib/ScriptBridge/WebScriptBridgeBase.h"
#include "Lib/ScriptBridge/WebScriptBridgeBaseDelegate.h"

#include <memory>
#include <string>

// What both web-view bindings offer their callers; each operation forwards to the binding's core.
// Main thread only, except send and callHandler, which may be called from any thread (they wait
// for the main thread, see WebScriptBridgeBase).
class WebScriptBridgeBinding : public WebScriptBridgeBaseDelegate {
public:
    static void enableLogging();

    // A message with data and an optional callback, no handler name.
    void send(const foundation::Id& data, WSBResponseCallback responseCallback = nullptr);
    // A call of the page's handler `handlerName`.
    void callHandler(const std::string& handlerName, const foundation::Id& data = foundation::Id(),
        WSBResponseCallback responseCallback = nullptr);
    // Stores the handler under the name, replacing one of the same name. Its input comes from
    // whatever document the view shows: untrusted.
    void registerHandler(const std::string& handlerName, WSBHandler handler);
    void removeHandler(const std::string& handlerName);
    void disableJavscriptAlertBoxSafetyTimeout();

    const std::shared_ptr<WebScriptBridgeBase>& base() const { return base_; }

    // The pointer callers of the entry point get: the binding's core, sharing ownership of the
    // binding.
    static std::shared_ptr<WebScriptBridgeBase> coreOwning(
        const std::shared_ptr<WebScriptBridgeBinding>& binding);

protected:
    WebScriptBridgeBinding();

private:
    std::shared_ptr<WebScriptBridgeBase> base_;
};
