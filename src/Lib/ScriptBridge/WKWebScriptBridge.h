#pragma once

#include "Lib/ScriptBridge/WKNavigationDelegate.h"
#include "Lib/ScriptBridge/WebScriptBridgeBinding.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>

class QAuthenticator;
class QUrl;
class QVariant;
class QWebEngineLoadingInfo;
class QWebEngineNavigationRequest;
class QWebEnginePage;

// The bridge on a web-engine page (a QWebEngineView is given by its page()). Part of the
// ScriptBridgeWebEngine target.
//
// The binding watches its page's navigation requests, its frames' included: it cancels the
// bridge's own requests (https or wsbscheme to "__bridge_loaded__" or "__wsb_queue_message__"),
// injecting the page script or fetching the page's queue, and passes every other request, the
// load events and authentication requests to the delegate of the application's choice. Script
// runs in the page's main world, asynchronously: the scripts asked for in one turn of the main
// queue (which Qt's event loop drains) reach the page together, in order, as one evaluation.
// Results that arrive after the binding or the page have gone are dropped. When the main frame starts a new
// document the core waits again for the page to ask for the bridge; when a load ends and the old document
// turns out to have kept its script (a navigation that was cancelled), the waiting messages go to it.
//
// The binding holds the page weakly and does nothing once the page is gone. Results of
// evaluations are used on a later turn of the main queue, never while the page is being destroyed.
// Main thread only, except send and callHandler (see WebScriptBridgeBinding).
class WKWebScriptBridge final : public QObject,
                                public WebScriptBridgeBinding,
                                public std::enable_shared_from_this<WKWebScriptBridge> {
public:
    // Sets the bridge up on `webView`: watches its requests, answers "wsbscheme" on its profile
    // (every request denied, so that no such address leaves for the desktop's URL handlers),
    // becomes the core's delegate and resets the core.
    static std::shared_ptr<WKWebScriptBridge> bridgeForWebView(QWebEnginePage* webView);

    ~WKWebScriptBridge() override;

    QWebEnginePage* webView() const { return webView_.data(); }
    // Receives what the bridge does not handle itself (held weakly).
    void setWebViewDelegate(std::weak_ptr<WKNavigationDelegate> delegate)
    {
        webViewDelegate_ = std::move(delegate);
    }
    void reset();

    foundation::Ref<foundation::String> _evaluateJavascript(const std::string& script) override;

private:
    WKWebScriptBridge() = default;
    void setUp(QWebEnginePage* webView);
    bool pageUsable() const { return !webView_.isNull(); }

    void decidePolicyForNavigationAction(QWebEngineNavigationRequest& navigationAction);
    void loadingChanged(const QWebEngineLoadingInfo& loadingInfo);
    void authenticationRequired(const QUrl& requestUrl, QAuthenticator* authenticator);
    void WKFlushMessageQueue();
    // Evaluates `script` in the page and hands its result to `use`, unless the binding or the page
    // are gone by then.
    void evaluateForResult(
        const std::string& script, std::function<void(WKWebScriptBridge&, const QVariant&)> use);
    // After a load: when the core waits and the page still has the script, deliver to it.
    void resumeIfScriptSurvived();
    void evaluatePendingScripts();

    QPointer<QWebEnginePage> webView_;
    std::weak_ptr<WKNavigationDelegate> webViewDelegate_;
    std::string pendingScripts_;
    bool pendingScriptsScheduled_ = false;
};
