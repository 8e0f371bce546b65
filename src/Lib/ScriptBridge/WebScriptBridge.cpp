#include "Lib/ScriptBridge/WebScriptBridge.h"

#include "Platform/Foundation/Misuse.h"

#include <QObject>

namespace {

WebScriptBridge::WebViewBridgeFactory& webViewBridgeFactory()
{
    static WebScriptBridge::WebViewBridgeFactory factory;
    return factory;
}

} // namespace

void WebScriptBridge::setLogMaxLength(int length)
{
    WebScriptBridgeBase::setLogMaxLength(length);
}

void WebScriptBridge::setWebViewBridgeFactory(WebViewBridgeFactory factory)
{
    webViewBridgeFactory() = std::move(factory);
}

std::shared_ptr<WebScriptBridgeBase> WebScriptBridge::bridgeForWebView(QObject* webView)
{
    if (webView && webViewBridgeFactory()) {
        if (auto bridge = webViewBridgeFactory()(webView))
            return bridge;
    }
    if (auto* legacy = dynamic_cast<WebScriptLegacyWebView*>(webView))
        return coreOwning(bridgeForLegacyWebView(legacy));
    throw foundation::Exception("BadWebViewType", "Unknown web view type.");
}

std::shared_ptr<WebScriptBridge> WebScriptBridge::bridgeForLegacyWebView(WebScriptLegacyWebView* webView)
{
    std::shared_ptr<WebScriptBridge> bridge(new WebScriptBridge());
    bridge->setUp(webView);
    return bridge;
}

void WebScriptBridge::setUp(WebScriptLegacyWebView* webView)
{
    webView_ = webView;
    asPolicyDelegate_ = weak_from_this();
    if (webView_)
        webView_->setPolicyDelegate(asPolicyDelegate_);
    base()->setDelegate(weak_from_this());
}

WebScriptBridge::~WebScriptBridge()
{
    if (!webView_)
        return;
    // Clear the view's slot only while it still names this binding (another may have taken it).
    std::weak_ptr<WebPolicyDelegate> current = webView_->policyDelegate();
    if (!current.owner_before(asPolicyDelegate_) && !asPolicyDelegate_.owner_before(current))
        webView_->setPolicyDelegate({});
}

void WebScriptBridge::webViewDecidePolicyForNavigationAction(WebScriptLegacyWebView& webView,
    const foundation::Ref<foundation::URL>& request, WebPolicyDecisionListener& listener)
{
    if (&webView != webView_.data())
        return;
    // A handler run from here may let go of the bridge.
    std::shared_ptr<WebScriptBridge> keepAlive = weak_from_this().lock();
    std::shared_ptr<WebScriptBridgeBase> core = base();
    if (core->isWebScriptBridgeURL(request)) {
        if (core->isBridgeLoadedURL(request)) {
            core->injectJavascriptFile();
        } else if (core->isQueueMessageURL(request)) {
            foundation::Ref<foundation::String> queue
                = webView.stringByEvaluatingJavaScriptFromString(core->webViewJavascriptFetchQueyCommand());
            core->flushMessageQueue(queue);
        }
        listener.ignore();
        return;
    }
    if (auto delegate = webViewDelegate_.lock()) {
        delegate->webViewDecidePolicyForNavigationAction(webView, request, listener);
        return;
    }
    listener.use();
}

foundation::Ref<foundation::String> WebScriptBridge::_evaluateJavascript(const std::string& script)
{
    if (!webView_)
        return nullptr;
    return webView_->stringByEvaluatingJavaScriptFromString(script);
}
