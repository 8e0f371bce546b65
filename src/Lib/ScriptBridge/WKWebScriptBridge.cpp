#include "Lib/ScriptBridge/WKWebScriptBridge.h"

#include "Lib/ScriptBridge/WebScriptBridgeLog.h"
#include "Lib/ScriptBridge/WebScriptBridgeSchemeHandler.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Foundation/URL.h"

#include <QAuthenticator>
#include <QWebEngineLoadingInfo>
#include <QWebEngineNavigationRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>

using foundation::Ref;
using foundation::String;

namespace {

Ref<foundation::URL> toURL(const QUrl& url)
{
    return foundation::URL::URLWithString(url.toString(QUrl::FullyEncoded).toStdString());
}

QString toQString(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Script text from the page, with lone surrogates (which UTF-8 cannot carry) as U+FFFD.
Ref<String> toString(const QString& text)
{
    return String::createWithUTF16(std::u16string_view(
        reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())));
}

} // namespace

std::shared_ptr<WKWebScriptBridge> WKWebScriptBridge::bridgeForWebView(QWebEnginePage* webView)
{
    std::shared_ptr<WKWebScriptBridge> bridge(new WKWebScriptBridge());
    bridge->setUp(webView);
    return bridge;
}

void WKWebScriptBridge::setUp(QWebEnginePage* webView)
{
    webView_ = webView;
    if (webView) {
        connect(webView, &QWebEnginePage::navigationRequested, this,
            &WKWebScriptBridge::decidePolicyForNavigationAction);
        connect(webView, &QWebEnginePage::loadingChanged, this, &WKWebScriptBridge::loadingChanged);
        connect(webView, &QWebEnginePage::authenticationRequired, this,
            &WKWebScriptBridge::authenticationRequired);
        WebScriptBridgeSchemeHandler::installOn(webView->profile());
    }
    base()->setDelegate(weak_from_this());
    base()->reset();
}

WKWebScriptBridge::~WKWebScriptBridge() = default;

void WKWebScriptBridge::reset()
{
    base()->reset();
}

void WKWebScriptBridge::decidePolicyForNavigationAction(QWebEngineNavigationRequest& navigationAction)
{
    std::shared_ptr<WKWebScriptBridge> keepAlive = weak_from_this().lock();
    if (!keepAlive || !pageUsable())
        return;
    Ref<foundation::URL> url = toURL(navigationAction.url());
    std::shared_ptr<WebScriptBridgeBase> core = base();
    if (core->isWebScriptBridgeURL(url)) {
        navigationAction.reject();
        if (core->isBridgeLoadedURL(url))
            core->injectJavascriptFile();
        else if (core->isQueueMessageURL(url))
            WKFlushMessageQueue();
        return;
    }
    if (auto delegate = webViewDelegate_.lock()) {
        delegate->webViewDecidePolicyForNavigationAction(webView_.data(), navigationAction);
        return;
    }
    navigationAction.accept();
}

void WKWebScriptBridge::WKFlushMessageQueue()
{
    if (!pageUsable())
        return;
    evaluatePendingScripts(); // what was asked for before the fetch reaches the page before it
    unsigned long resetCount = base()->resetCount();
    evaluateForResult(base()->webViewJavascriptFetchQueyCommand(),
        [resetCount](WKWebScriptBridge& bridge, const QVariant& result) {
            if (bridge.base()->resetCount() != resetCount) {
                WSBLogLine(
                    "WebScriptBridge: WARNING: dropped a message queue fetched before the bridge was reset");
                return;
            }
            Ref<String> queue;
            if (result.typeId() == QMetaType::QString)
                queue = toString(result.toString());
            else if (result.isValid())
                WSBLog("WebScriptBridge: WARNING: Error when trying to fetch data from WKWebView: %@",
                    foundation::format("the result is a %s, not text", result.typeName()));
            bridge.base()->flushMessageQueue(queue);
        });
}

void WKWebScriptBridge::evaluateForResult(
    const std::string& script, std::function<void(WKWebScriptBridge&, const QVariant&)> use)
{
    // A page being destroyed answers its pending evaluations with nothing while it still exists.
    // The result is used on a later turn of the main queue, by which time a destroyed page has
    // left its QPointer null.
    webView_->runJavaScript(toQString(script), QWebEngineScript::MainWorld,
        [weakBridge = weak_from_this(), page = webView_, use = std::move(use)](const QVariant& result) {
            dispatch::mainQueue().async([weakBridge, page, use, result] {
                std::shared_ptr<WKWebScriptBridge> bridge = weakBridge.lock();
                if (bridge && page)
                    use(*bridge, result);
            });
        });
}

void WKWebScriptBridge::loadingChanged(const QWebEngineLoadingInfo& loadingInfo)
{
    std::shared_ptr<WKWebScriptBridge> keepAlive = weak_from_this().lock();
    if (!keepAlive || !pageUsable())
        return;
    std::shared_ptr<WKNavigationDelegate> delegate = webViewDelegate_.lock();
    QWebEnginePage* page = webView_.data();
    switch (loadingInfo.status()) {
    case QWebEngineLoadingInfo::LoadStartedStatus:
        base()->returnToWaiting();
        if (delegate)
            delegate->webViewDidStartProvisionalNavigation(page);
        return;
    case QWebEngineLoadingInfo::LoadSucceededStatus:
        resumeIfScriptSurvived();
        if (delegate)
            delegate->webViewDidFinishNavigation(page);
        return;
    case QWebEngineLoadingInfo::LoadFailedStatus:
        resumeIfScriptSurvived();
        if (delegate)
            delegate->webViewDidFailProvisionalNavigation(page,
                foundation::Error::create(foundation::NSURLErrorDomain, loadingInfo.errorCode(),
                    loadingInfo.errorString().toStdString()));
        return;
    case QWebEngineLoadingInfo::LoadStoppedStatus:
        resumeIfScriptSurvived();
        if (delegate)
            delegate->webViewDidFailProvisionalNavigation(
                page, foundation::Error::create(foundation::NSURLErrorDomain, -999, "cancelled"));
        return;
    }
}

void WKWebScriptBridge::resumeIfScriptSurvived()
{
    if (!base()->startupMessageQueue() || !pageUsable())
        return;
    evaluatePendingScripts();
    unsigned long resetCount = base()->resetCount();
    evaluateForResult(base()->webViewJavascriptCheckCommand(),
        [resetCount](WKWebScriptBridge& bridge, const QVariant& hasScript) {
            if (bridge.base()->resetCount() != resetCount)
                return;
            if (hasScript.typeId() == QMetaType::Bool && hasScript.toBool()
                && bridge.base()->startupMessageQueue())
                bridge.base()->injectJavascriptFile(); // the script stays as it is; the waiting messages go
        });
}

void WKWebScriptBridge::authenticationRequired(const QUrl& requestUrl, QAuthenticator* authenticator)
{
    std::shared_ptr<WKWebScriptBridge> keepAlive = weak_from_this().lock();
    if (!keepAlive || !pageUsable())
        return;
    if (auto delegate = webViewDelegate_.lock())
        delegate->webViewDidReceiveAuthenticationChallenge(webView_.data(), requestUrl, authenticator);
}

Ref<String> WKWebScriptBridge::_evaluateJavascript(const std::string& script)
{
    if (!pageUsable())
        return nullptr;
    // Scripts asked for in one turn of the main queue go to the page as one evaluation: each
    // evaluation costs a round trip to the page's process, far more than the script itself.
    pendingScripts_ += script;
    if (!pendingScriptsScheduled_) {
        pendingScriptsScheduled_ = true;
        dispatch::mainQueue().async([weakBridge = weak_from_this()] {
            if (auto bridge = weakBridge.lock())
                bridge->evaluatePendingScripts();
        });
    }
    return nullptr;
}

void WKWebScriptBridge::evaluatePendingScripts()
{
    pendingScriptsScheduled_ = false;
    std::string scripts = std::move(pendingScripts_);
    pendingScripts_.clear();
    if (!scripts.empty() && pageUsable())
        webView_->runJavaScript(toQString(scripts), QWebEngineScript::MainWorld);
}
