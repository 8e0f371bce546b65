#pragma once

#include "Lib/ScriptBridge/WebScriptBridgeBinding.h"
#include "Lib/ScriptBridge/WebScriptLegacyWebView.h"

#include <QPointer>
#include <functional>
#include <memory>

class QObject;

// The bridge on a legacy web view (one that evaluates script synchronously), and the entry point
// that picks the binding for any web view.
//
// The legacy binding becomes its view's policy delegate: it cancels the bridge's own requests
// (https or wsbscheme to "__bridge_loaded__" or "__wsb_queue_message__"), injecting the page
// script or fetching the page's queue at once, and passes every other request to the delegate of
// the application's choice. Main thread only.
class WebScriptBridge final : public WebScriptBridgeBinding,
                              public WebPolicyDelegate,
                              public std::enable_shared_from_this<WebScriptBridge> {
public:
    using WebViewBridgeFactory = std::function<std::shared_ptr<WebScriptBridgeBase>(QObject* webView)>;

    static void setLogMaxLength(int length);

    // A bridge for `webView`: a web-engine page gets the web-engine binding (once
    // registerUrlSchemes() has run), a WebScriptLegacyWebView the legacy binding. Anything else
    // raises foundation::Exception "BadWebViewType", "Unknown web view type.". The pointer is the
    // binding's core and keeps the binding alive; the core's delegate() is the binding.
    static std::shared_ptr<WebScriptBridgeBase> bridgeForWebView(QObject* webView);
    // The legacy binding itself, set up on `webView`.
    static std::shared_ptr<WebScriptBridge> bridgeForLegacyWebView(WebScriptLegacyWebView* webView);

    // Where the entry point finds bindings for other kinds of view (the web-engine binding
    // registers itself); the factory answers nullptr for a view that is not its kind.
    static void setWebViewBridgeFactory(WebViewBridgeFactory factory);

    // Registers the "wsbscheme" scheme with the web engine and the web-engine binding with the
    // entry point, and sets Qt::AA_ShareOpenGLContexts, which the engine needs. Call once in
    // main(), before the QApplication exists.
    // Defined by the ScriptBridgeWebEngine target (builds with CORVANE_WITH_WEBENGINE only).
    static void registerUrlSchemes();

    ~WebScriptBridge() override;

    QPointer<WebScriptLegacyWebView> webView() const { return webView_; }
    // Receives the navigation requests that are not the bridge's own (held weakly).
    void setWebViewDelegate(std::weak_ptr<WebPolicyDelegate> delegate)
    {
        webViewDelegate_ = std::move(delegate);
    }

    void webViewDecidePolicyForNavigationAction(WebScriptLegacyWebView& webView,
        const foundation::Ref<foundation::URL>& request, WebPolicyDecisionListener& listener) override;
    foundation::Ref<foundation::String> _evaluateJavascript(const std::string& script) override;

private:
    WebScriptBridge() = default;
    void setUp(WebScriptLegacyWebView* webView);

    QPointer<WebScriptLegacyWebView> webView_;
    std::weak_ptr<WebPolicyDelegate> webViewDelegate_;
    std::weak_ptr<WebPolicyDelegate> asPolicyDelegate_;
};
