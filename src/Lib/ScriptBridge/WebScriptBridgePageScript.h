#pragma once

#include <string_view>

// The page half of the bridge (WebScriptBridge.js beside this header, embedded when the build is
// configured): it defines window.WebScriptBridge once per document and signals the native side
// through a hidden iframe.
extern const std::string_view kWebScriptBridgePageScript;
