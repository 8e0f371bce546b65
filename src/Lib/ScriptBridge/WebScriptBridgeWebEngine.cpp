// The web-engine half of the entry point: the scheme registration and the factory that gives
// web-engine pages their binding.
#include "Lib/ScriptBridge/WKWebScriptBridge.h"
#include "Lib/ScriptBridge/WebScriptBridge.h"
#include "Lib/ScriptBridge/WebScriptBridgeSchemeHandler.h"

#include <QCoreApplication>
#include <QWebEnginePage>
#include <QWebEngineUrlScheme>

void WebScriptBridge::registerUrlSchemes()
{
    static bool registered = false;
    if (!registered) {
        registered = true;
        QWebEngineUrlScheme scheme(WebScriptBridgeSchemeHandler::kScheme);
        scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
        QWebEngineUrlScheme::registerScheme(scheme);
        // The engine shares its graphics contexts with the application's, which must be said
        // before the application exists.
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    }
    setWebViewBridgeFactory([](QObject* webView) -> std::shared_ptr<WebScriptBridgeBase> {
        auto* page = qobject_cast<QWebEnginePage*>(webView);
        if (!page)
            return nullptr;
        return coreOwning(WKWebScriptBridge::bridgeForWebView(page));
    });
}
