#pragma once

#include "Platform/Foundation/String.h"

#include <string>

// The web-view binding that evaluates script for a bridge core. Called on the main thread.
class WebScriptBridgeBaseDelegate {
public:
    virtual ~WebScriptBridgeBaseDelegate() = default;

    // Evaluates `script` in the page's main world. A binding that evaluates synchronously answers
    // the result's text; one that evaluates asynchronously answers nil.
    virtual foundation::Ref<foundation::String> _evaluateJavascript(const std::string& script) = 0;

protected:
    WebScriptBridgeBaseDelegate() = default;
    WebScriptBridgeBaseDelegate(const WebScriptBridgeBaseDelegate&) = default;
    WebScriptBridgeBaseDelegate& operator=(const WebScriptBridgeBaseDelegate&) = default;
};
