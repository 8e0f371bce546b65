#pragma once

#include "Platform/Foundation/Error.h"

class QAuthenticator;
class QUrl;
class QWebEnginePage;
class QWebEngineNavigationRequest;

// Receives what the web-engine binding does not handle itself. Every method defaults to doing
// nothing, which is the engine's default: a request nobody rejects loads, an authenticator left
// empty cancels the authentication.
class WKNavigationDelegate {
public:
    virtual ~WKNavigationDelegate() = default;

    // Reject the request to cancel it.
    virtual void webViewDecidePolicyForNavigationAction(
        QWebEnginePage* webView, QWebEngineNavigationRequest& navigationAction)
    {
        (void)webView;
        (void)navigationAction;
    }
    // Never called: the web engine has no hook between a navigation's response and its document.
    virtual void webViewDecidePolicyForNavigationResponse(
        QWebEnginePage* webView, const QUrl& url, bool& allow)
    {
        (void)webView;
        (void)url;
        (void)allow;
    }
    // Fill the authenticator to answer; leave it empty to cancel.
    virtual void webViewDidReceiveAuthenticationChallenge(
        QWebEnginePage* webView, const QUrl& requestUrl, QAuthenticator* authenticator)
    {
        (void)webView;
        (void)requestUrl;
        (void)authenticator;
    }
    virtual void webViewDidStartProvisionalNavigation(QWebEnginePage* webView) { (void)webView; }
    virtual void webViewDidFinishNavigation(QWebEnginePage* webView) { (void)webView; }
    // Never called: the web engine does not say whether a failed load had committed its document,
    // so every failure arrives as a provisional one.
    virtual void webViewDidFailNavigation(
        QWebEnginePage* webView, const foundation::Ref<foundation::Error>& error)
    {
        (void)webView;
        (void)error;
    }
    // A load that failed (the engine's error code, NSURLErrorDomain) or was stopped
    // (NSURLErrorCancelled).
    virtual void webViewDidFailProvisionalNavigation(
        QWebEnginePage* webView, const foundation::Ref<foundation::Error>& error)
    {
        (void)webView;
        (void)error;
    }

protected:
    WKNavigationDelegate() = default;
    WKNavigationDelegate(const WKNavigationDelegate&) = default;
    WKNavigationDelegate& operator=(const WKNavigationDelegate&) = default;
};
