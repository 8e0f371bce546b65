#include "Lib/ScriptBridge/WebScriptBridgeBinding.h"

WebScriptBridgeBinding::WebScriptBridgeBinding()
    : base_(WebScriptBridgeBase::create())
{
}

void WebScriptBridgeBinding::enableLogging()
{
    WebScriptBridgeBase::enableLogging();
}

void WebScriptBridgeBinding::send(const foundation::Id& data, WSBResponseCallback responseCallback)
{
    base_->sendData(data, std::move(responseCallback), std::nullopt);
}

void WebScriptBridgeBinding::callHandler(
    const std::string& handlerName, const foundation::Id& data, WSBResponseCallback responseCallback)
{
    base_->sendData(data, std::move(responseCallback), handlerName);
}

void WebScriptBridgeBinding::registerHandler(const std::string& handlerName, WSBHandler handler)
{
    base_->messageHandlers()[handlerName] = std::move(handler);
}

void WebScriptBridgeBinding::removeHandler(const std::string& handlerName)
{
    base_->messageHandlers().erase(handlerName);
}

void WebScriptBridgeBinding::disableJavscriptAlertBoxSafetyTimeout()
{
    base_->disableJavscriptAlertBoxSafetyTimeout();
}

std::shared_ptr<WebScriptBridgeBase> WebScriptBridgeBinding::coreOwning(
    const std::shared_ptr<WebScriptBridgeBinding>& binding)
{
    return std::shared_ptr<WebScriptBridgeBase>(binding, binding->base().get());
}
